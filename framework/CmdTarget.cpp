#include "framework/CmdTarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(const AFX_MSGMAP* map, UINT mapMessage, UINT code, UINT id)
{
    for (; map != nullptr; map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
            if (entry->nMessage == mapMessage && entry->nCode == code && entry->nID <= id && id <= entry->nLastID)
                return entry;
        }
    }
    return nullptr;
}

bool CCmdTarget::DispatchToMap(UINT mapMessage, UINT code, UINT id, AfxMsgArgs& args)
{
    // A handler that declines (the _EX forms) lets the search go on to later entries.
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
            if (entry->nMessage == mapMessage && entry->nCode == code && entry->nID <= id && id <= entry->nLastID &&
                entry->pfn(this, args))
                return true;
        }
    }
    return false;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    const UINT message = WM_COMMAND;
    if (pHandlerInfo != nullptr) {
        const AFX_MSGMAP_ENTRY* entry = FindEntry(GetMessageMap(), message, static_cast<UINT>(nCode), nID);
        if (entry == nullptr)
            return FALSE;
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = entry;
        return TRUE;
    }
    AfxMsgArgs args;
    args.message = message;
    args.id = nID;
    args.code = nCode;
    args.extra = pExtra;
    return DispatchToMap(message, static_cast<UINT>(nCode), nID, args) ? TRUE : FALSE;
}
