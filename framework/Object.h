// Root of the framework's class tree: a virtual destructor and run-time class information.
#pragma once
#include "framework/RuntimeClass.h"

class CObject {
public:
    static const CRuntimeClass classRuntimeCObject;
    static const CRuntimeClass* GetThisClass() { return &classRuntimeCObject; }

    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* runtimeClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// Downcast checked against the run-time class information; null on mismatch.
template <class T>
T* DynamicDownCast(CObject* object)
{
    if (object != nullptr && object->IsKindOf(T::GetThisClass()))
        return static_cast<T*>(object);
    return nullptr;
}
#define DYNAMIC_DOWNCAST(className, object) DynamicDownCast<className>(object)
#define STATIC_DOWNCAST(className, object) static_cast<className*>(object)
