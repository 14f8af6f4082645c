#pragma once
// Bits of the Command and Status registers (and of a bridge's secondary status).
#include <stdint.h>

namespace pci {

constexpr uint16_t kCommandIoSpace = 0x0001;
constexpr uint16_t kCommandMemorySpace = 0x0002;
constexpr uint16_t kCommandBusMaster = 0x0004;
constexpr uint16_t kCommandSpecialCycles = 0x0008;
constexpr uint16_t kCommandMemoryWriteInvalidate = 0x0010;
constexpr uint16_t kCommandVgaPaletteSnoop = 0x0020;
constexpr uint16_t kCommandParityErrorResponse = 0x0040;
constexpr uint16_t kCommandSteppingControl = 0x0080;
constexpr uint16_t kCommandSerrEnable = 0x0100;
constexpr uint16_t kCommandFastBackToBack = 0x0200;
constexpr uint16_t kCommandInterruptDisable = 0x0400;
// Both decode enables: what BAR sizing turns off while it writes all ones.
constexpr uint16_t kCommandDecodeEnables = kCommandIoSpace | kCommandMemorySpace;

constexpr uint16_t kStatusInterrupt = 0x0008;
constexpr uint16_t kStatusCapabilityList = 0x0010;
constexpr uint16_t kStatus66MHzCapable = 0x0020;
constexpr uint16_t kStatusUserDefinable = 0x0040;
constexpr uint16_t kStatusFastBackToBack = 0x0080;
constexpr uint16_t kStatusMasterDataParityError = 0x0100;
constexpr uint16_t kStatusDevselMask = 0x0600;
constexpr uint32_t kStatusDevselShift = 9;
constexpr uint16_t kStatusSignaledTargetAbort = 0x0800;
constexpr uint16_t kStatusReceivedTargetAbort = 0x1000;
constexpr uint16_t kStatusReceivedMasterAbort = 0x2000;
constexpr uint16_t kStatusSignaledSystemError = 0x4000;
constexpr uint16_t kStatusDetectedParityError = 0x8000;
// The error bits that hardware clears when a one is written to them.
constexpr uint16_t kStatusWriteOneToClear = kStatusMasterDataParityError | kStatusSignaledTargetAbort |
    kStatusReceivedTargetAbort | kStatusReceivedMasterAbort | kStatusSignaledSystemError | kStatusDetectedParityError;

} // namespace pci
