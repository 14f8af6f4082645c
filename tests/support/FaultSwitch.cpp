#include "tests/support/FaultSwitch.h"

#include <cstring>

#include "protocol/SimControl.h"

namespace {

constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";

} // namespace

CFaultSwitch::CFaultSwitch()
    : m_driver(::CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr))
{
}

CFaultSwitch::~CFaultSwitch()
{
    if (!IsOpen())
        return;
    Off();
    ::CloseHandle(m_driver);
}

bool CFaultSwitch::FailAll()
{
    return Set(kSimFaultAll, 0, 0, 0);
}

bool CFaultSwitch::FailFunction(uint32_t bus, uint32_t device, uint32_t function)
{
    return Set(kSimFaultFunction, bus, device, function);
}

bool CFaultSwitch::RefuseWrites(bool writeProtect)
{
    return Set(writeProtect ? kSimFaultWriteProtect : kSimFaultWriteDenied, 0, 0, 0);
}

bool CFaultSwitch::Off()
{
    return Set(kSimFaultOff, 0, 0, 0);
}

bool CFaultSwitch::Set(uint32_t mode, uint32_t bus, uint32_t device, uint32_t function)
{
    uint8_t in[kSimFaultInSize] = {};
    memcpy(in + kSimFaultModeOffset, &mode, sizeof mode);
    memcpy(in + kSimFaultBusOffset, &bus, sizeof bus);
    memcpy(in + kSimFaultDeviceOffset, &device, sizeof device);
    memcpy(in + kSimFaultFunctionOffset, &function, sizeof function);
    DWORD returned = 0;
    return IsOpen() &&
           ::DeviceIoControl(m_driver, IOCTL_SIM_SET_FAULT, in, sizeof in, nullptr, 0, &returned, nullptr) != FALSE;
}
