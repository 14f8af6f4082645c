#include "driver/install/DriverService.h"
#include "protocol/DriverProtocol.h"

namespace {

// Stopping a driver takes a few milliseconds under Wine; this bounds the wait.
constexpr DWORD kStopWaitMs = 10000;
constexpr DWORD kPollMs = 10;

std::string Win32Error(const char* what, DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof(text),
                   nullptr);
    std::string message = std::string(what) + ": error " + std::to_string(code);
    if (text[0]) {
        message += " (" + std::string(text);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
            message.pop_back();
        }
        message += ")";
    }
    return message;
}

// A service handle closed on scope exit.
class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~CServiceHandle()
    {
        if (m_handle) {
            CloseServiceHandle(m_handle);
        }
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_handle; }

private:
    SC_HANDLE m_handle;
};

} // namespace

CDriverService::CDriverService() : m_manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS))
{
}

CDriverService::~CDriverService()
{
    if (m_manager) {
        CloseServiceHandle(m_manager);
    }
}

SC_HANDLE CDriverService::OpenOwnService(DWORD access, std::string* error) const
{
    if (!m_manager) {
        *error = Win32Error("cannot open the service manager", GetLastError());
        return nullptr;
    }
    SC_HANDLE service = OpenServiceA(m_manager, kDriverServiceName, access);
    if (!service) {
        *error = Win32Error("cannot open the briscodrv service", GetLastError());
    }
    return service;
}

bool CDriverService::Install(const std::string& driverPath, std::string* error)
{
    if (!m_manager) {
        *error = Win32Error("cannot open the service manager", GetLastError());
        return false;
    }
    CServiceHandle existing(OpenServiceA(m_manager, kDriverServiceName, SERVICE_ALL_ACCESS));
    if (existing.Get()) {
        if (!ChangeServiceConfigA(existing.Get(), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  driverPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
            *error = Win32Error("cannot reconfigure the briscodrv service", GetLastError());
            return false;
        }
        return true;
    }
    CServiceHandle created(CreateServiceA(m_manager, kDriverServiceName, kDriverServiceName, SERVICE_ALL_ACCESS,
                                          SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                          driverPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!created.Get()) {
        *error = Win32Error("cannot create the briscodrv service", GetLastError());
        return false;
    }
    return true;
}

bool CDriverService::IsRunning() const
{
    std::string ignored;
    CServiceHandle service(OpenOwnService(SERVICE_QUERY_STATUS, &ignored));
    SERVICE_STATUS status = {};
    return service.Get() && QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool CDriverService::Stop(std::string* error)
{
    CServiceHandle service(OpenOwnService(SERVICE_STOP | SERVICE_QUERY_STATUS, error));
    if (!service.Get()) {
        return false;
    }
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.Get(), &status)) {
        *error = Win32Error("cannot query the briscodrv service", GetLastError());
        return false;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        return true;
    }
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
        *error = Win32Error("cannot stop the briscodrv service", GetLastError());
        return false;
    }
    for (DWORD waited = 0; waited < kStopWaitMs; waited += kPollMs) {
        if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_STOPPED) {
            return true;
        }
        Sleep(kPollMs);
    }
    *error = "the briscodrv service did not stop";
    return false;
}

bool CDriverService::Start(std::string* error)
{
    CServiceHandle service(OpenOwnService(SERVICE_START, error));
    if (!service.Get()) {
        return false;
    }
    if (StartServiceA(service.Get(), 0, nullptr)) {
        return true;
    }
    const DWORD code = GetLastError();
    std::string reason;
    if (ReadParameter(kLastErrorParameter, &reason) && !reason.empty()) {
        *error = reason;
    } else {
        *error = Win32Error("cannot start the briscodrv service", code);
    }
    return false;
}

bool CDriverService::Restart(const std::string& machineImage, std::string* error)
{
    if (!Stop(error)) {
        return false;
    }
    DeleteParameter(kStampParameter);
    DeleteParameter(kLastErrorParameter);
    if (machineImage.empty()) {
        DeleteParameter(kMachineImageParameter);
    } else if (!WriteParameter(kMachineImageParameter, machineImage)) {
        *error = "cannot write the machine image parameter";
        return false;
    }
    return Start(error);
}

bool CDriverService::DeviceAnswers()
{
    HANDLE device = CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    uint8_t in[kProbeInSize] = {};
    uint8_t out[kProbeOutSize] = {};
    DWORD returned = 0;
    const bool ok =
        DeviceIoControl(device, IOCTL_PROBE_FUNCTION, in, sizeof(in), out, sizeof(out), &returned, nullptr) &&
        returned == sizeof(out);
    CloseHandle(device);
    return ok;
}

bool CDriverService::ReadParameter(const char* name, std::string* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverParametersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD type = 0;
    const bool ok =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        type == REG_SZ;
    RegCloseKey(key);
    if (ok) {
        *value = buffer;
    }
    return ok;
}

bool CDriverService::WriteParameter(const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverParametersKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void CDriverService::DeleteParameter(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverParametersKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}
