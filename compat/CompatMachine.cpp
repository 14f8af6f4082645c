// The test controls declared in CompatMachine.h.
#include "compat/CompatMachine.h"
#include "compat/CompatHost.h"

bool CompatLoadMachine(const std::string& text, const std::string& fileName, std::string* error)
{
    return CCompatHost::Get().LoadMachine(text, fileName, error);
}

void CompatUseDefaultMachine()
{
    CCompatHost::Get().UseDefaultMachine();
}

void CompatSetRequestObserver(CompatRequestObserver observer)
{
    CCompatHost::Get().m_requestObserver = std::move(observer);
}

void CompatSetRequestFilter(CompatRequestFilter filter)
{
    CCompatHost::Get().m_requestFilter = std::move(filter);
}

void CompatSetDebugOutputObserver(std::function<void(const std::string& text)> observer)
{
    CCompatHost::Get().m_debugObserver = std::move(observer);
}

CSimMachine& CompatMachine()
{
    return CCompatHost::Get().Machine();
}

void CompatSetRegistryValue(HKEY root, const std::string& path, const std::string& name, uint32_t type,
                            const std::vector<uint8_t>& data)
{
    CCompatHost::Get().Registry().SetValue(root, path, name, type, data);
}

void CompatSetRegistryString(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    CompatSetRegistryValue(root, path, name, REG_SZ, data);
}

void CompatDeleteRegistryKey(HKEY root, const std::string& path)
{
    CCompatHost::Get().Registry().DeleteKey(root, path);
}

uint32_t CompatOpenHandleCount()
{
    CCompatHost& host = CCompatHost::Get();
    return host.DeviceCount() + host.Registry().OpenHandleCount();
}
