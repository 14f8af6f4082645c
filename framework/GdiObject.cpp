#include "framework/GdiObject.h"

#include <unordered_map>
#include <vector>

namespace {

std::unordered_map<HGDIOBJ, CGdiObject*>& OwnerMap()
{
    static thread_local std::unordered_map<HGDIOBJ, CGdiObject*> map;
    return map;
}

std::vector<void (*)()>& TempCleanups()
{
    static thread_local std::vector<void (*)()> cleanups;
    return cleanups;
}

} // namespace

IMPLEMENT_DYNCREATE(CGdiObject, CObject)

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (hObject == nullptr || m_hObject != nullptr)
        return FALSE;
    OwnerMap()[hObject] = this;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ hObject = m_hObject;
    auto it = OwnerMap().find(hObject);
    if (it != OwnerMap().end() && it->second == this)
        OwnerMap().erase(it);
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    bool owned = LookupPermanent(m_hObject) == this;
    HGDIOBJ hObject = Detach();
    return owned ? ::DeleteObject(hObject) : FALSE;
}

CGdiObject* CGdiObject::LookupPermanent(HGDIOBJ hObject)
{
    auto it = OwnerMap().find(hObject);
    return it != OwnerMap().end() ? it->second : nullptr;
}

void CGdiObject::RegisterTempCleanup(void (*cleanup)())
{
    TempCleanups().push_back(cleanup);
}

void CGdiObject::DeleteTempMap()
{
    for (auto cleanup : TempCleanups())
        cleanup();
}
