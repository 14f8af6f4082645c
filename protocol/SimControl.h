#pragma once
// The simulator's own device-control request: fault injection for end-to-end
// tests. The program never sends it.
#include "protocol/DriverProtocol.h"

#include <stdint.h>

constexpr uint32_t IOCTL_SIM_SET_FAULT = MakeControlCode(0x8F0, kFileWriteAccess);
static_assert(IOCTL_SIM_SET_FAULT == 0x8000A3C0u);

// Input: four u32 values, mode, bus, device, function.
constexpr uint32_t kSimFaultModeOffset = 0;
constexpr uint32_t kSimFaultBusOffset = 4;
constexpr uint32_t kSimFaultDeviceOffset = 8;
constexpr uint32_t kSimFaultFunctionOffset = 12;
constexpr uint32_t kSimFaultInSize = 16;

constexpr uint32_t kSimFaultOff = 0;
constexpr uint32_t kSimFaultAll = 1;      // every request fails
constexpr uint32_t kSimFaultFunction = 2; // requests addressed to one function fail
