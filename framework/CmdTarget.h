// Base of every object that receives commands or window messages through a message map.
#pragma once
#include "framework/MessageMap.h"
#include "framework/Object.h"

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Routes a command, an update request or a control notification to this object's map.
    // With pHandlerInfo set the handler is only looked up, never run.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // Runs the first entry of the map chain that matches; returns whether it handled the
    // message. The handler's result is left in args.result.
    bool DispatchToMap(UINT mapMessage, UINT code, UINT id, AfxMsgArgs& args);

    // The first entry of the map chain that matches, or null.
    static const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT mapMessage, UINT code, UINT id);

    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();
};
