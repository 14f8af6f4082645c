#pragma once
// The state behind the native Win32 stand-in: the served machine, the registry
// built from its plug-and-play records, open device handles and test observers.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "compat/CompatMachine.h"
#include "compat/CompatRegistry.h"
#include "sim/SimMachine.h"

class CCompatHost {
public:
    static CCompatHost& Get();

    CSimMachine& Machine();
    CCompatRegistry& Registry();
    bool LoadMachine(const std::string& text, const std::string& fileName, std::string* error);
    void UseDefaultMachine();

    HANDLE OpenDevice();
    bool CloseDevice(HANDLE handle);
    bool IsDevice(HANDLE handle) const { return m_devices.count(handle) != 0; }
    uint32_t DeviceCount() const { return uint32_t(m_devices.size()); }

    CompatRequestObserver m_requestObserver;
    CompatRequestFilter m_requestFilter;
    std::function<void(const std::string&)> m_debugObserver;

private:
    CCompatHost();
    void EnsureMachine();
    void RebuildRegistry();

    std::unique_ptr<CSimMachine> m_machine;
    CCompatRegistry m_registry;
    std::set<HANDLE> m_devices;
    std::vector<std::unique_ptr<char>> m_deviceTokens;
};
