#pragma once
// The registers of the conventional capabilities, offsets from the entry's first byte. The
// ID and next-pointer bytes are every entry's first register.
#include "pci/Capability.h"
#include "pci/RegisterCatalogue.h"

namespace pci::capability {

using A = EAccess;

// clang-format off
// Every entry's first two bytes: its ID and the next entry's offset.
inline constexpr CFieldSpec kHeaderFields[] = {
    {0, 7, "Capability ID", "ID", A::kRO, false},
    {8, 15, "Next Pointer", "NEXT", A::kRO, false},
};
#define BRISCO_CAPABILITY_HEADER_REGISTERS \
    Register(0x00, 2, "Capability Header", nullptr, A::kRO, kHeaderFields)

inline constexpr CFieldSpec kPmCapabilitiesFields[] = {
    {0, 2, "Version", "VERSION", A::kRO, false},
    {3, 3, "PME Clock", "PMECLK", A::kRO, false},
    {4, 4, "Immediate Readiness on Return to D0", "IRRD0", A::kRO, false},
    {5, 5, "Device Specific Initialization", "DSI", A::kRO, false},
    {6, 8, "Aux Current", "AUX", A::kRO, false},
    {9, 9, "D1 Support", "D1", A::kRO, false},
    {10, 10, "D2 Support", "D2", A::kRO, false},
    {11, 15, "PME Support", "PME", A::kRO, false},
};
inline constexpr CFieldSpec kPmControlFields[] = {
    {0, 1, "Power State", "STATE", A::kRW, true},
    {2, 2, "Reserved", nullptr, A::kRsvdP, false},
    {3, 3, "No Soft Reset", "NSR", A::kRO, false},
    {4, 7, "Reserved", nullptr, A::kRsvdP, false},
    {8, 8, "PME Enable", "PME_EN", A::kRWS, false},
    {9, 12, "Data Select", "DSEL", A::kRO, false},
    {13, 14, "Data Scale", "DSCALE", A::kRO, false},
    {15, 15, "PME Status", "PME_STATUS", A::kRW1CS, false},
};

inline constexpr CRegisterSpec kPmRegisters[] = {
    BRISCO_CAPABILITY_HEADER_REGISTERS,
    Register(kPmCapabilitiesOffset, 2, "PMC", "PMC", A::kRO, kPmCapabilitiesFields),
    Register(kPmControlStatusOffset, 2, "PMCSR", "PMCSR", A::kRsvdP, kPmControlFields),
    Register(kPmBridgeSupportOffset, 1, "PMCSR_BSE", "PMCSR_BSE", A::kRO),
    Register(kPmDataOffset, 1, "Data", "DATA", A::kRO),
};
#undef BRISCO_CAPABILITY_HEADER_REGISTERS
// clang-format on

inline constexpr CRegisterBlock kCapabilityBlocks[] = {
    Block(EBlockKind::kCapability, kCapPowerManagement, "PM", kPmRegisters),
};

} // namespace pci::capability
