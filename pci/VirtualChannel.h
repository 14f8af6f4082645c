#pragma once
// Virtual channel arbitration: the scheme selects and status bits of the port
// and of each VC resource, and the layout of the arbitration tables.
#include <stdint.h>

namespace pci {

// Port VC Capability 2: the VC arbitration schemes the port offers (bits 7:0).
constexpr uint32_t kVcArbCapabilityMask = 0xFF;
// Port VC Control: Load VC Arbitration Table (bit 0), VC Arbitration Select (bits 3:1).
constexpr uint32_t kVcArbSelectShift = 1;
constexpr uint32_t kVcArbSelectMask = 0x7;
// Port VC Status and VC Resource Status: arbitration table update still in progress.
constexpr uint32_t kVcTableInProgressBit = 0;
// VC Resource Status: VC negotiation pending.
constexpr uint32_t kVcNegotiationPendingBit = 1;
// VC Resource Capability: the port arbitration schemes (bits 7:0), Reject Snoop Transactions (bit 15).
constexpr uint32_t kVcPortArbCapabilityMask = 0xFF;
constexpr uint32_t kVcRejectSnoopBit = 15;
// VC Resource Control: Load Port Arbitration Table (bit 16), Port Arbitration Select (bits 19:17), enable (31).
constexpr uint32_t kVcPortArbSelectShift = 17;
constexpr uint32_t kVcPortArbSelectMask = 0x7;
constexpr uint32_t kVcEnableBit = 31;

// Arbitration schemes by select value; the capability fields use the same numbers as bit positions.
constexpr uint32_t kVcArbFixed = 0;
constexpr uint32_t kVcArbWrr32 = 1;
constexpr uint32_t kVcArbWrr64 = 2;
constexpr uint32_t kVcArbWrr128 = 3;
constexpr uint32_t kVcArbTimeWrr128 = 4;
constexpr uint32_t kVcArbWrr256 = 5;

// Table offsets count 16-byte units from the capability's first byte.
constexpr uint32_t kVcTableOffsetUnitBytes = 16;
// VC arbitration table entries hold a VC ID in 4 bits (3 used, one reserved).
constexpr uint32_t kVcArbTableEntryBits = 4;
constexpr uint32_t kBitsPerByte = 8;

} // namespace pci
