// A GDI object (pen, brush, font, bitmap). An object that created or attached its handle
// owns it and deletes it when destroyed; the temporary objects that FromHandle returns for
// foreign handles only borrow them and are dropped at idle time.
#pragma once
#include <windows.h>
#include "framework/HandleMap.h"
#include "framework/Object.h"

class CGdiObject : public CObject {
    DECLARE_DYNCREATE(CGdiObject)
public:
    HGDIOBJ m_hObject = nullptr;

    CGdiObject() = default;
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }

    static CGdiObject* FromHandle(HGDIOBJ hObject) { return FromHandleAs<CGdiObject>(hObject); }
    static void DeleteTempMap();

protected:
    static CGdiObject* LookupPermanent(HGDIOBJ hObject);
    // The owning object of a handle, else a temporary object of type T that borrows it.
    template <class T>
    static T* FromHandleAs(HGDIOBJ hObject)
    {
        if (hObject == nullptr)
            return nullptr;
        if (CGdiObject* owner = LookupPermanent(hObject))
            return static_cast<T*>(owner);
        return TemporaryMap<T>().FromHandle(hObject);
    }

private:
    template <class T>
    static CHandleMap<T, HGDIOBJ>& TemporaryMap()
    {
        static thread_local CHandleMap<T, HGDIOBJ> map([](T* object, HGDIOBJ h) { object->m_hObject = h; });
        static thread_local bool registered = (RegisterTempCleanup([] { TemporaryMap<T>().DeleteTemp(); }), true);
        (void)registered;
        return map;
    }
    static void RegisterTempCleanup(void (*cleanup)());
};
