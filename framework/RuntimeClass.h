// Run-time class information: the class name, the base class and, for dynamically
// creatable classes, a factory. Each class that declares it owns one static record.
#pragma once

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // Creates an object of the class; null when the class is not dynamically creatable.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(className) (&className::classRuntime##className)

#define DECLARE_DYNAMIC(className)                                    \
public:                                                               \
    static const CRuntimeClass classRuntime##className;               \
    static const CRuntimeClass* GetThisClass() { return &classRuntime##className; } \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(className)                                  \
    DECLARE_DYNAMIC(className)                                        \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(className, baseClassName, factory)    \
    const CRuntimeClass className::classRuntime##className = {        \
        #className, static_cast<int>(sizeof(className)), factory,     \
        RUNTIME_CLASS(baseClassName)};                                \
    const CRuntimeClass* className::GetRuntimeClass() const           \
    {                                                                 \
        return RUNTIME_CLASS(className);                              \
    }

#define IMPLEMENT_DYNAMIC(className, baseClassName)                   \
    IMPLEMENT_RUNTIMECLASS_(className, baseClassName, nullptr)

#define IMPLEMENT_DYNCREATE(className, baseClassName)                 \
    CObject* className::CreateObject() { return new className; }      \
    IMPLEMENT_RUNTIMECLASS_(className, baseClassName, &className::CreateObject)
