// Map from a Win32 handle to the one C++ object that wraps it. Permanent objects are
// registered by their owners (Attach); temporary ones are made on demand by FromHandle,
// borrow the handle and are deleted at idle time without releasing it.
#pragma once
#include <memory>
#include <unordered_map>

template <class T, class H>
class CHandleMap {
public:
    using Bind = void (*)(T*, H);

    explicit CHandleMap(Bind bind) : m_bind(bind) {}
    ~CHandleMap() { DeleteTemp(); }

    T* LookupPermanent(H handle) const
    {
        auto it = m_permanent.find(handle);
        return it != m_permanent.end() ? it->second : nullptr;
    }
    T* LookupTemporary(H handle) const
    {
        auto it = m_temporary.find(handle);
        return it != m_temporary.end() ? it->second.get() : nullptr;
    }
    void SetPermanent(H handle, T* object) { m_permanent[handle] = object; }
    void RemovePermanent(H handle) { m_permanent.erase(handle); }

    // The permanent object of the handle, else a temporary one made now.
    T* FromHandle(H handle)
    {
        if (handle == nullptr)
            return nullptr;
        if (T* object = LookupPermanent(handle))
            return object;
        if (T* object = LookupTemporary(handle))
            return object;
        auto object = std::make_unique<T>();
        m_bind(object.get(), handle);
        T* raw = object.get();
        m_temporary.emplace(handle, std::move(object));
        return raw;
    }

    // Deletes every temporary object after unbinding its borrowed handle.
    void DeleteTemp()
    {
        auto temporary = std::move(m_temporary);
        m_temporary.clear();
        for (auto& entry : temporary)
            m_bind(entry.second.get(), nullptr);
    }

    template <class F>
    void ForEachPermanent(F&& visit) const
    {
        for (const auto& entry : m_permanent)
            visit(entry.first, entry.second);
    }

private:
    Bind m_bind;
    std::unordered_map<H, T*> m_permanent;
    std::unordered_map<H, std::unique_ptr<T>> m_temporary;
};
