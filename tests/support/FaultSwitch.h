#pragma once
#include <windows.h>

#include <cstdint>

// The stand-in driver's fault switch, sent from the test; switched off again on destruction.
class CFaultSwitch {
public:
    CFaultSwitch();
    ~CFaultSwitch();
    CFaultSwitch(const CFaultSwitch&) = delete;
    CFaultSwitch& operator=(const CFaultSwitch&) = delete;

    bool IsOpen() const { return m_driver != INVALID_HANDLE_VALUE; }
    bool FailAll();
    bool FailFunction(uint32_t bus, uint32_t device, uint32_t function);
    // Every write refused with writes off, or as one the host owns.
    bool RefuseWrites(bool writeProtect);
    bool Off();

private:
    bool Set(uint32_t mode, uint32_t bus, uint32_t device, uint32_t function);

    HANDLE m_driver = INVALID_HANDLE_VALUE;
};
