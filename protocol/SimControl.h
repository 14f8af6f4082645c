#pragma once
// The simulator's own device-control request: fault injection for end-to-end
// tests. The program never sends it.
#include "protocol/DriverProtocol.h"

#include <stddef.h>
#include <stdint.h>

constexpr uint32_t IOCTL_SIM_SET_FAULT = MakeControlCode(0x8F0, kFileWriteAccess);
static_assert(IOCTL_SIM_SET_FAULT == 0x8000A3C0u);

// Input: four u32 values, mode, bus, device, function.
constexpr uint32_t kSimFaultModeOffset = 0;
constexpr uint32_t kSimFaultBusOffset = 4;
constexpr uint32_t kSimFaultDeviceOffset = 8;
constexpr uint32_t kSimFaultFunctionOffset = 12;
constexpr uint32_t kSimFaultInSize = 16;

// The same input as a structure, laid out alike by 32-bit and 64-bit builds.
#pragma pack(push, 1)
struct CSimFaultRequest
{
    uint32_t m_mode;
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
};
#pragma pack(pop)

static_assert(sizeof(CSimFaultRequest) == kSimFaultInSize);
static_assert(offsetof(CSimFaultRequest, m_mode) == kSimFaultModeOffset);
static_assert(offsetof(CSimFaultRequest, m_bus) == kSimFaultBusOffset);
static_assert(offsetof(CSimFaultRequest, m_device) == kSimFaultDeviceOffset);
static_assert(offsetof(CSimFaultRequest, m_function) == kSimFaultFunctionOffset);

constexpr uint32_t kSimFaultOff = 0;
constexpr uint32_t kSimFaultAll = 1;      // every request fails
constexpr uint32_t kSimFaultFunction = 2; // requests addressed to one function fail
// Every configuration and range write is refused as a live machine refuses it: with writes
// off (and 809h then says so), or as a write the host owns.
constexpr uint32_t kSimFaultWriteProtect = 3;
constexpr uint32_t kSimFaultWriteDenied = 4;
