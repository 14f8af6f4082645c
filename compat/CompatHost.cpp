#include "compat/CompatHost.h"
#include <cstdio>
#include <cstdlib>
#include "machines/DefaultMachine.h"

namespace {

const char kEnumPciPath[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
const char kLocationValue[] = "LocationInformation";
const char kControlKey[] = "Control";
const char kAllocConfigValue[] = "AllocConfig";

std::vector<uint8_t> TextValue(const char* text)
{
    std::string s(text);
    return std::vector<uint8_t>(s.c_str(), s.c_str() + s.size() + 1);
}

} // namespace

CCompatHost& CCompatHost::Get()
{
    static CCompatHost host;
    return host;
}

CCompatHost::CCompatHost() = default;

void CCompatHost::EnsureMachine()
{
    if (m_machine)
        return;
    m_machine = std::make_unique<CSimMachine>();
    CSimError error = {};
    if (!m_machine->Load(kDefaultMachineImage, kDefaultMachineImageSize, "default.txt", &error))
        std::fprintf(stderr, "compat: the embedded machine does not load: %s:%u: %s\n", error.fileName, error.line,
                     error.message);
    RebuildRegistry();
}

CSimMachine& CCompatHost::Machine()
{
    EnsureMachine();
    return *m_machine;
}

CCompatRegistry& CCompatHost::Registry()
{
    EnsureMachine();
    return m_registry;
}

void CCompatHost::RebuildRegistry()
{
    m_registry.DeleteKey(HKEY_LOCAL_MACHINE, kEnumPciPath);
    m_registry.CreateKey(HKEY_LOCAL_MACHINE, kEnumPciPath);
    uint32_t count = m_machine->GetRegistryRecordCount();
    for (uint32_t i = 0; i < count; ++i) {
        CSimRegistryRecord record = {};
        if (!m_machine->GetRegistryRecord(i, &record))
            continue;
        std::string instancePath = std::string(kEnumPciPath) + "\\" + record.deviceKey + "\\" + record.instance;
        m_registry.CreateKey(HKEY_LOCAL_MACHINE, instancePath);
        if (record.hasLocation)
            m_registry.SetValue(HKEY_LOCAL_MACHINE, instancePath, kLocationValue, REG_SZ, TextValue(record.location));
        if (record.segment != 0) {
            std::vector<uint8_t> segment(sizeof(uint32_t));
            pci::PutLe32(segment.data(), record.segment);
            m_registry.SetValue(HKEY_LOCAL_MACHINE, instancePath, kPnpSegmentValue, REG_DWORD, segment);
        }
        if (record.hasControl)
            m_registry.SetValue(
                HKEY_LOCAL_MACHINE, instancePath + "\\" + kControlKey, kAllocConfigValue, REG_RESOURCE_LIST,
                std::vector<uint8_t>(record.allocConfig, record.allocConfig + record.allocConfigLength));
    }
}

bool CCompatHost::LoadMachine(const std::string& text, const std::string& fileName, std::string* error)
{
    EnsureMachine();
    CSimError simError = {};
    if (!m_machine->Load(text.data(), uint32_t(text.size()), fileName.c_str(), &simError)) {
        if (error)
            *error = std::string(simError.fileName) + ":" + std::to_string(simError.line) + ": " + simError.message;
        return false;
    }
    RebuildRegistry();
    return true;
}

void CCompatHost::UseDefaultMachine()
{
    m_machine.reset();
    EnsureMachine();
}

HANDLE CCompatHost::OpenDevice()
{
    EnsureMachine();
    m_deviceTokens.push_back(std::make_unique<char>());
    HANDLE handle = m_deviceTokens.back().get();
    m_devices.insert(handle);
    return handle;
}

bool CCompatHost::CloseDevice(HANDLE handle)
{
    return m_devices.erase(handle) != 0;
}
