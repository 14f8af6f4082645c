#pragma once
// The registers of the extended capabilities, offsets from the header dword.
#include "pci/ExtendedCapability.h"
#include "pci/RegisterCatalogue.h"

namespace pci::extended {

using A = EAccess;

// clang-format off
// Every entry's header dword: ID, version and the next entry's offset.
inline constexpr CFieldSpec kHeaderFields[] = {
    {0, 15, "Capability ID", "ID", A::kRO, false},
    {16, 19, "Version", "VERSION", A::kRO, false},
    {20, 31, "Next Offset", "NEXT", A::kRO, false},
};
#define BRISCO_EXTENDED_HEADER_REGISTER \
    Register(0x00, 4, "Extended Capability Header", nullptr, A::kRO, kHeaderFields)

// The uncorrectable error bits, alike in status, mask and severity but for their access.
#define BRISCO_AER_UNCORRECTABLE_FIELDS(access)                                  \
    {0, 0, "Undefined", nullptr, A::kRsvdZ, false},                              \
    {4, 4, "Data Link Protocol Error", "DLP", access, false},                    \
    {5, 5, "Surprise Down Error", "SDES", access, false},                        \
    {12, 12, "Poisoned TLP Received", "TLP", access, false},                     \
    {13, 13, "Flow Control Protocol Error", "FCP", access, false},               \
    {14, 14, "Completion Timeout", "CMPLT", access, false},                      \
    {15, 15, "Completer Abort", "CMPLA", access, false},                         \
    {16, 16, "Unexpected Completion", "UXCMPL", access, false},                  \
    {17, 17, "Receiver Overflow", "RXOF", access, false},                        \
    {18, 18, "Malformed TLP", "MALFTLP", access, false},                         \
    {19, 19, "ECRC Error", "ECRC", access, false},                               \
    {20, 20, "Unsupported Request Error", "UNSUP", access, false},               \
    {21, 21, "ACS Violation", "ACSVIOL", access, false},                         \
    {22, 22, "Uncorrectable Internal Error", "UNCORRINT", access, false},        \
    {23, 23, "MC Blocked TLP", "BLOCKEDTLP", access, false},                     \
    {24, 24, "AtomicOp Egress Blocked", "ATOMICOPBLOCKED", access, false},       \
    {25, 25, "TLP Prefix Blocked Error", "TLPBLOCKEDERR", access, false},        \
    {26, 26, "Poisoned TLP Egress Blocked", "POISONTLPBLOCKED", access, false}

inline constexpr CFieldSpec kAerUncorrectableStatusFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRW1CS)};
inline constexpr CFieldSpec kAerUncorrectableMaskFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRWS)};
inline constexpr CFieldSpec kAerUncorrectableSeverityFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRWS)};
#undef BRISCO_AER_UNCORRECTABLE_FIELDS

inline constexpr CRegisterSpec kAerRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAerUncorrectableStatusOffset, 4, "UESta", "UESTA", A::kRsvdZ, kAerUncorrectableStatusFields),
    Register(kAerUncorrectableMaskOffset, 4, "UEMsk", "UEMSK", A::kRsvdP, kAerUncorrectableMaskFields),
    Register(kAerUncorrectableSeverityOffset, 4, "UESvrt", "UESVRT", A::kRsvdP, kAerUncorrectableSeverityFields),
};
#undef BRISCO_EXTENDED_HEADER_REGISTER
// clang-format on

inline constexpr CRegisterBlock kExtendedCapabilityBlocks[] = {
    Block(EBlockKind::kExtendedCapability, kExtCapAer, "AER", kAerRegisters),
};

} // namespace pci::extended
