#pragma once
// The registers of the extended capabilities, offsets from the header dword. Register names
// are the ones the capability pages show; symbols are the short setpci-style names.
#include "pci/ConfigSpace.h"
#include "pci/ExtendedCapability.h"
#include "pci/RegisterCatalogue.h"

namespace pci::extended {

using A = EAccess;

// How many times the per-lane registers repeat: one per lane of the widest link.
constexpr uint8_t kLaneRegisters = 32;
constexpr uint8_t kLaneControlBytes = 2;
constexpr uint8_t kLanePresetBytes = 1;
constexpr uint8_t kMarginLaneStride = 4;
// ACS egress control vector: 256 bits at most.
constexpr uint8_t kAcsEgressVectorDwords = 8;
constexpr uint8_t kDwordStride = 4;
constexpr uint8_t kVcResourceStride = 12;
// Root complex link entries: as many as an entry at 100h has room for below 1000h (its
// 8-bit count could declare more).
constexpr uint32_t kExtendedSpaceBytes = kExtendedConfigSpaceBytes - kExtCapFirstOffset;
constexpr uint8_t kRcLinkEntryStride = 16;
constexpr uint8_t kRcLinkEntries = uint8_t((kExtendedSpaceBytes - kRcLinkEntriesOffset) / kRcLinkEntryStride);
constexpr uint8_t kRebarEntries = 6;
constexpr uint8_t kRebarStride = 8;
constexpr uint8_t kDpaAllocations = 32;
constexpr uint8_t kByteStride = 1;
// The RP PIO log size field is four bits wide.
constexpr uint8_t kDpcPioLogDwords = 15;
constexpr uint8_t kTlpPrefixLogDwords = 4;
constexpr uint32_t kTlpPrefixLogOffset = 0x38;
constexpr uint32_t kSriovVfBarOffset = 0x24;

// clang-format off
// Every entry's header dword: ID, version and the next entry's offset.
inline constexpr CFieldDef kHeaderFields[] = {
    {0, 15, "Capability ID", "ID", A::kRO, false},
    {16, 19, "Version", "VERSION", A::kRO, false},
    {20, 31, "Next Offset", "NEXT", A::kRO, false},
};
#define BRISCO_EXTENDED_HEADER_REGISTER \
    Register(0x00, 4, "Extended Capability Header", nullptr, A::kRO, kHeaderFields)

// ---- Advanced error reporting ----
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
    {26, 26, "Poisoned TLP Egress Blocked", "POISONTLPBLOCKED", access, false},  \
    {27, 27, "DMWr Request Egress Blocked", "DMWRBLOCKED", access, false},        \
    {28, 28, "IDE Check Failed", "IDECHECK", access, false},                     \
    {29, 29, "Misrouted IDE TLP", "IDEMISROUTED", access, false},                \
    {30, 30, "PCRC Check Failed", "PCRCCHECK", access, false},                   \
    {31, 31, "TLP Translation Egress Blocked", "XLATBLOCKED", access, false}

// The correctable error bits, alike in status and mask.
#define BRISCO_AER_CORRECTABLE_FIELDS(access)                                    \
    {0, 0, "Receiver Error", "RXERR", access, false},                            \
    {6, 6, "Bad TLP", "BADTLP", access, false},                                  \
    {7, 7, "Bad DLLP", "BADDLLP", access, false},                                \
    {8, 8, "REPLAY_NUM Rollover", "ROLLOVER", access, false},                    \
    {12, 12, "Replay Timer Timeout", "TIMEOUT", access, false},                  \
    {13, 13, "Advisory Non-Fatal Error", "NONFATALERR", access, false},          \
    {14, 14, "Corrected Internal Error", "CORRINT", access, false},              \
    {15, 15, "Header Log Overflow", "HDRLOGOVF", access, false}

inline constexpr CFieldDef kAerUncorrectableStatusFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRW1CS)};
inline constexpr CFieldDef kAerUncorrectableMaskFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRWS)};
inline constexpr CFieldDef kAerUncorrectableSeverityFields[] = {BRISCO_AER_UNCORRECTABLE_FIELDS(A::kRWS)};
inline constexpr CFieldDef kAerCorrectableStatusFields[] = {BRISCO_AER_CORRECTABLE_FIELDS(A::kRW1CS)};
inline constexpr CFieldDef kAerCorrectableMaskFields[] = {BRISCO_AER_CORRECTABLE_FIELDS(A::kRWS)};
#undef BRISCO_AER_UNCORRECTABLE_FIELDS
#undef BRISCO_AER_CORRECTABLE_FIELDS

inline constexpr CFieldDef kAerControlFields[] = {
    {0, 4, "First Error Pointer", "FEP", A::kROS, false},
    {5, 5, "ECRC Generation Capable", "ECRCGENCAP", A::kRO, false},
    {6, 6, "ECRC Generation Enable", "ECRCGENEN", A::kRWS, false},
    {7, 7, "ECRC Check Capable", "ECRCCHKCAP", A::kRO, false},
    {8, 8, "ECRC Check Enable", "ECRCCHKEN", A::kRWS, false},
    {9, 9, "Multiple Header Recording Capable", "MHRCAP", A::kRO, false},
    {10, 10, "Multiple Header Recording Enable", "MHREN", A::kRWS, false},
    {11, 11, "TLP Prefix Log Present", "TLPPFX", A::kROS, false},
    {12, 12, "Completion Timeout Prefix/Header Log Capable", "HDRLOGCAP", A::kRO, false},
};
inline constexpr CFieldDef kAerRootCommandFields[] = {
    {0, 0, "Correctable Error Reporting Enable", "CERPTEN", A::kRW, false},
    {1, 1, "Non-Fatal Error Reporting Enable", "NFERPTEN", A::kRW, false},
    {2, 2, "Fatal Error Reporting Enable", "FERPTEN", A::kRW, false},
};
inline constexpr CFieldDef kAerRootStatusFields[] = {
    {0, 0, "ERR_COR Received", "CERCVD", A::kRW1CS, false},
    {1, 1, "Multiple ERR_COR Received", "MULTCERCVD", A::kRW1CS, false},
    {2, 2, "ERR_FATAL/NONFATAL Received", "UERCVD", A::kRW1CS, false},
    {3, 3, "Multiple ERR_FATAL/NONFATAL Received", "MULTUERCVD", A::kRW1CS, false},
    {4, 4, "First Uncorrectable Fatal", "FIRSTFATAL", A::kRW1CS, false},
    {5, 5, "Non-Fatal Error Messages Received", "NONFATALMSG", A::kRW1CS, false},
    {6, 6, "Fatal Error Messages Received", "FATALMSG", A::kRW1CS, false},
    {27, 31, "Advanced Error Interrupt Message Number", "INTMSG", A::kRO, false},
};
inline constexpr CFieldDef kAerErrorSourceFields[] = {
    {0, 15, "ERR_COR Source Identification", "COR", A::kROS, false},
    {16, 31, "ERR_FATAL/NONFATAL Source Identification", "UNCOR", A::kROS, false},
};

inline constexpr CRegisterDef kAerRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAerUncorrectableStatusOffset, 4, "UESta", "UESTA", A::kRsvdZ, kAerUncorrectableStatusFields),
    Register(kAerUncorrectableMaskOffset, 4, "UEMsk", "UEMSK", A::kRsvdP, kAerUncorrectableMaskFields),
    Register(kAerUncorrectableSeverityOffset, 4, "UESvrt", "UESVRT", A::kRsvdP, kAerUncorrectableSeverityFields),
    Register(kAerCorrectableStatusOffset, 4, "CESta", "CESTA", A::kRsvdZ, kAerCorrectableStatusFields),
    Register(kAerCorrectableMaskOffset, 4, "CEMsk", "CEMSK", A::kRsvdP, kAerCorrectableMaskFields),
    Register(kAerCapControlOffset, 4, "AERCap", "AERCAP", A::kRsvdP, kAerControlFields),
    Repeated(Register(kAerHeaderLogOffset, 4, "HeaderLog", "HEADERLOG", A::kROS), kAerHeaderLogDwords, kDwordStride),
    Register(kAerRootCommandOffset, 4, "RootCmd", "ROOTCMD", A::kRsvdP, kAerRootCommandFields),
    Register(kAerRootStatusOffset, 4, "RootSta", "ROOTSTA", A::kRsvdZ, kAerRootStatusFields),
    Register(kAerErrorSourceOffset, 4, "ErrorSrc", "ERRORSRC", A::kROS, kAerErrorSourceFields),
    Repeated(Register(kTlpPrefixLogOffset, 4, "TLP Prefix Log", "PREFIXLOG", A::kROS), kTlpPrefixLogDwords,
             kDwordStride),
};

// ---- Virtual channels (and the multi-function form) ----
inline constexpr CFieldDef kVcPortCap1Fields[] = {
    {0, 2, "Extended VC Count", "EXTVC", A::kRO, false},
    {4, 6, "Low Priority Extended VC Count", "LPEVC", A::kRO, false},
    {8, 9, "Reference Clock", "REFCLK", A::kRO, false},
    {10, 11, "Port Arbitration Table Entry Size", "PATENTRY", A::kRO, false},
};
inline constexpr CFieldDef kVcPortCap2Fields[] = {
    {0, 7, "VC Arbitration Capability", "ARBCAP", A::kRO, false},
    {24, 31, "VC Arbitration Table Offset", "ARBTABLE", A::kRO, false},
};
inline constexpr CFieldDef kVcPortControlFields[] = {
    {0, 0, "Load VC Arbitration Table", "LOAD", A::kRW, false},
    {1, 3, "VC Arbitration Select", "ARBSELECT", A::kRW, false},
};
inline constexpr CFieldDef kVcPortStatusFields[] = {
    {0, 0, "VC Arbitration Table Status", "INPROGRESS", A::kRO, false},
};
inline constexpr CFieldDef kVcResourceCapFields[] = {
    {0, 7, "Port Arbitration Capability", "ARBCAP", A::kRO, false},
    {15, 15, "Reject Snoop Transactions", "REJSNOOP", A::kHwInit, false},
    {16, 22, "Maximum Time Slots", "MAXSLOTS", A::kHwInit, false},
    {24, 31, "Port Arbitration Table Offset", "ARBTABLE", A::kRO, false},
};
inline constexpr CFieldDef kVcResourceControlFields[] = {
    {0, 7, "TC/VC Map", "TCVC", A::kRW, false},
    {16, 16, "Load Port Arbitration Table", "LOAD", A::kRW, false},
    {17, 19, "Port Arbitration Select", "ARBSELECT", A::kRW, false},
    {24, 26, "VC ID", "ID", A::kRW, false},
    {31, 31, "VC Enable", "ENABLE", A::kRW, false},
};
inline constexpr CFieldDef kVcResourceStatusFields[] = {
    {0, 0, "Port Arbitration Table Status", "INPROGRESS", A::kRO, false},
    {1, 1, "VC Negotiation Pending", "PENDING", A::kRO, false},
};
// One layout per extended VC count: the resources end where the arbitration tables may begin.
template <uint8_t kResources>
inline constexpr CRegisterDef kVcRegistersOf[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kVcPortCap1Offset, 4, "Port VC Capability 1", "PORTCAP1", A::kRsvdP, kVcPortCap1Fields),
    Register(kVcPortCap2Offset, 4, "Port VC Capability 2", "PORTCAP2", A::kRsvdP, kVcPortCap2Fields),
    Register(kVcPortControlOffset, 2, "Port VC Control", "PORTCTL", A::kRsvdP, kVcPortControlFields),
    Register(kVcPortStatusOffset, 2, "Port VC Status", "PORTSTA", A::kRsvdZ, kVcPortStatusFields),
    Repeated(Register(kVcResourceOffset, 4, "VC Resource Capability", "RESCAP", A::kRsvdP, kVcResourceCapFields),
             kResources, kVcResourceStride),
    Repeated(Register(kVcResourceOffset + kVcResourceControlOffset, 4, "VC Resource Control", "RESCTL", A::kRsvdP,
                      kVcResourceControlFields), kResources, kVcResourceStride),
    Repeated(Register(kVcResourceOffset + kVcResourceStatusOffset, 2, "VC Resource Status", "RESSTA", A::kRsvdZ,
                      kVcResourceStatusFields), kResources, kVcResourceStride),
};

// ---- Serial number, power budgeting ----
inline constexpr CRegisterDef kSerialRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kSerialLowOffset, 4, "Serial Number", "LOW", A::kRO),
    Register(kSerialHighOffset, 4, "Serial Number upper half", "HIGH", A::kRO),
};
inline constexpr CFieldDef kPowerBudgetDataFields[] = {
    {0, 7, "Base Power", "BASE", A::kRO, false},
    {8, 9, "Data Scale", "SCALE", A::kRO, false},
    {10, 12, "PM Sub State", "SUBSTATE", A::kRO, false},
    {13, 14, "PM State", "STATE", A::kRO, false},
    {15, 17, "Type", "TYPE", A::kRO, false},
    {18, 20, "Power Rail", "RAIL", A::kRO, false},
};
inline constexpr CFieldDef kPowerBudgetCapFields[] = {
    {0, 0, "System Allocated", "SYSALLOC", A::kHwInit, false},
};
inline constexpr CRegisterDef kPowerBudgetRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPowerBudgetSelectOffset, 1, "Data Select", "SELECT", A::kRW),
    Register(kPowerBudgetDataOffset, 4, "Data", "DATA", A::kRsvdP, kPowerBudgetDataFields),
    Register(kPowerBudgetCapOffset, 1, "Power Budget Capability", "CAP", A::kRsvdP, kPowerBudgetCapFields),
};

// ---- Root complex topology ----
inline constexpr CFieldDef kRcLinkSelfFields[] = {
    {0, 3, "Element Type", "TYPE", A::kRO, false},
    {8, 15, "Number of Link Entries", "LINKS", A::kHwInit, false},
    {16, 23, "Component ID", "COMPONENT", A::kHwInit, false},
    {24, 31, "Port Number", "PORT", A::kHwInit, false},
};
inline constexpr CFieldDef kRcLinkEntryFields[] = {
    {0, 0, "Link Valid", "VALID", A::kHwInit, false},
    {1, 1, "Link Type", "LINKTYPE", A::kHwInit, false},
    {2, 2, "Associate RCRB Header", "RCRB", A::kHwInit, false},
    {16, 23, "Target Component ID", "COMPONENT", A::kHwInit, false},
    {24, 31, "Target Port Number", "PORT", A::kHwInit, false},
};
inline constexpr CRegisterDef kRcLinkRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kRcLinkDescriptorOffset, 4, "Element Self Description", "SELF", A::kRsvdP, kRcLinkSelfFields),
    Repeated(Register(kRcLinkEntriesOffset, 4, "Link Description", "LINKDESC", A::kRsvdP, kRcLinkEntryFields),
             kRcLinkEntries, kRcLinkEntryStride),
    Repeated(Register(kRcLinkEntriesOffset + kRcLinkAddressLowOffset, 4, "Link Address low", "ADDRLOW", A::kHwInit),
             kRcLinkEntries, kRcLinkEntryStride),
    Repeated(Register(kRcLinkEntriesOffset + kRcLinkAddressHighOffset, 4, "Link Address high", "ADDRHIGH",
                      A::kHwInit), kRcLinkEntries, kRcLinkEntryStride),
};
inline constexpr CFieldDef kRcInternalLinkControlFields[] = {
    {0, 1, "ASPM Control", "ASPM", A::kRW, false},
    {7, 7, "Extended Synch", "EXTSYNCH", A::kRW, false},
    {16, 31, "Link Status", "STATUS", A::kRO, false},
};
inline constexpr CRegisterDef kRcInternalLinkRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kRcInternalLinkCapOffset, 4, "Root Complex Link Capabilities", "LINKCAP", A::kRO),
    Register(kRcInternalLinkCapOffset + 4, 4, "Link Control/Status", "LINKCTL", A::kRsvdP,
             kRcInternalLinkControlFields),
};
inline constexpr CFieldDef kRcEventBusFields[] = {
    {8, 15, "RCEC Next Bus", "NEXTBUS", A::kHwInit, false},
    {16, 23, "RCEC Last Bus", "LASTBUS", A::kHwInit, false},
};
inline constexpr CRegisterDef kRcEventRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kRcEventBitmapOffset, 4, "Association Bitmap", "BITMAP", A::kHwInit),
    Register(kRcEventBusNumbersOffset, 4, "Associated Bus Numbers", "BUSES", A::kRsvdP, kRcEventBusFields),
};
inline constexpr CFieldDef kRcrbCapFields[] = {
    {0, 0, "CRS Software Visibility", "CRSSV", A::kRO, false},
};
inline constexpr CFieldDef kRcrbControlFields[] = {
    {0, 0, "CRS Software Visibility Enable", "CRSSVE", A::kRW, false},
};
inline constexpr CRegisterDef kRcrbRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kRcrbVendorOffset, 4, "Vendor/Device ID", "ID", A::kRO),
    Register(kRcrbCapOffset, 4, "RCRB Capabilities", "CAP", A::kRsvdP, kRcrbCapFields),
    Register(kRcrbControlOffset, 4, "RCRB Control", "CTL", A::kRsvdP, kRcrbControlFields),
};

// ---- Vendor-specific and designated vendor-specific headers ----
inline constexpr CFieldDef kVsecHeaderFields[] = {
    {0, 15, "VSEC ID", "ID", A::kRO, false},
    {16, 19, "VSEC Rev", "REV", A::kRO, false},
    {20, 31, "VSEC Length", "LENGTH", A::kRO, false},
};
inline constexpr CRegisterDef kVsecRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kVsecHeaderOffset, 4, "Vendor-Specific Header", "HEADER", A::kRO, kVsecHeaderFields),
};
inline constexpr CFieldDef kDvsecHeader1Fields[] = {
    {0, 15, "DVSEC Vendor ID", "VENDOR", A::kRO, false},
    {16, 19, "DVSEC Revision", "REV", A::kRO, false},
    {20, 31, "DVSEC Length", "LENGTH", A::kRO, false},
};
inline constexpr CRegisterDef kDvsecRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDvsecHeader1Offset, 4, "DVSEC Header 1", "HEADER1", A::kRO, kDvsecHeader1Fields),
    Register(kDvsecHeader2Offset, 2, "DVSEC Header 2", "HEADER2", A::kRO),
};
inline constexpr CRegisterDef kConfigAccessRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kConfigAccessTrustedOffset, 4, "Trusted Configuration", "TRUSTED", A::kRO),
};

// ---- Access control, routing IDs, address translation ----
inline constexpr CFieldDef kAcsCapFields[] = {
    {0, 0, "ACS Source Validation", "SV", A::kRO, false},
    {1, 1, "ACS Translation Blocking", "TB", A::kRO, false},
    {2, 2, "ACS P2P Request Redirect", "RR", A::kRO, false},
    {3, 3, "ACS P2P Completion Redirect", "CR", A::kRO, false},
    {4, 4, "ACS Upstream Forwarding", "UF", A::kRO, false},
    {5, 5, "ACS P2P Egress Control", "EC", A::kRO, false},
    {6, 6, "ACS Direct Translated P2P", "DT", A::kRO, false},
    {7, 7, "ACS Enhanced Capability", "ECAP", A::kRO, false},
    {8, 15, "Egress Control Vector Size", "VECTOR", A::kHwInit, false},
};
inline constexpr CFieldDef kAcsControlFields[] = {
    {0, 0, "ACS Source Validation Enable", "SV", A::kRW, false},
    {1, 1, "ACS Translation Blocking Enable", "TB", A::kRW, false},
    {2, 2, "ACS P2P Request Redirect Enable", "RR", A::kRW, false},
    {3, 3, "ACS P2P Completion Redirect Enable", "CR", A::kRW, false},
    {4, 4, "ACS Upstream Forwarding Enable", "UF", A::kRW, false},
    {5, 5, "ACS P2P Egress Control Enable", "EC", A::kRW, false},
    {6, 6, "ACS Direct Translated P2P Enable", "DT", A::kRW, false},
    {7, 7, "ACS I/O Request Blocking Enable", "IORB", A::kRW, false},
    {8, 9, "ACS DSP Memory Target Access Control", "DSPMTA", A::kRW, false},
    {10, 11, "ACS USP Memory Target Access Control", "USPMTA", A::kRW, false},
    {12, 12, "ACS Unclaimed Request Redirect", "URR", A::kRW, false},
};
inline constexpr CRegisterDef kAcsRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAcsCapOffset, 2, "ACSCap", "CAP", A::kRsvdP, kAcsCapFields),
    Register(kAcsControlOffset, 2, "ACSCtl", "CTL", A::kRsvdP, kAcsControlFields),
    Repeated(Register(kAcsEgressVectorOffset, 4, "Egress Control Vector", "EGRESS", A::kRW), kAcsEgressVectorDwords,
             kDwordStride),
};
inline constexpr CFieldDef kAriCapFields[] = {
    {0, 0, "MFVC Function Groups Capability", "MFVC", A::kRO, false},
    {1, 1, "ACS Function Groups Capability", "ACS", A::kRO, false},
    {8, 15, "Next Function Number", "NEXTFN", A::kRO, false},
};
inline constexpr CFieldDef kAriControlFields[] = {
    {0, 0, "MFVC Function Groups Enable", "MFVC", A::kRW, false},
    {1, 1, "ACS Function Groups Enable", "ACS", A::kRW, false},
    {4, 6, "Function Group", "GROUP", A::kRW, false},
};
inline constexpr CRegisterDef kAriRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAriCapOffset, 2, "ARICap", "CAP", A::kRsvdP, kAriCapFields),
    Register(kAriControlOffset, 2, "ARICtl", "CTL", A::kRsvdP, kAriControlFields),
};
inline constexpr CFieldDef kAtsCapFields[] = {
    {0, 4, "Invalidate Queue Depth", "QDEPTH", A::kRO, false},
    {5, 5, "Page Aligned Request", "PAGEALIGNED", A::kRO, false},
    {6, 6, "Global Invalidate Supported", "GLOBAL", A::kRO, false},
    {7, 7, "Relaxed Ordering Supported", "RO", A::kRO, false},
};
inline constexpr CFieldDef kAtsControlFields[] = {
    {0, 4, "Smallest Translation Unit", "STU", A::kRW, false},
    {15, 15, "Enable", "ENABLE", A::kRW, false},
};
inline constexpr CRegisterDef kAtsRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAtsCapOffset, 2, "ATSCap", "CAP", A::kRsvdP, kAtsCapFields),
    Register(kAtsControlOffset, 2, "ATSCtl", "CTL", A::kRsvdP, kAtsControlFields),
};

// ---- Single root I/O virtualization: VF Enable, VF memory space and the VF BARs are the host's ----
inline constexpr CFieldDef kSriovCapFields[] = {
    {0, 0, "VF Migration Capable", "MIGRATION", A::kRO, false},
    {1, 1, "ARI Capable Hierarchy Preserved", "ARIPRESERVED", A::kRO, false},
    {2, 2, "VF 10-Bit Tag Requester Supported", "TAG10", A::kRO, false},
    {21, 31, "VF Migration Interrupt Message Number", "INTMSG", A::kRO, false},
};
inline constexpr CFieldDef kSriovControlFields[] = {
    {0, 0, "VF Enable", "VFE", A::kRW, true},
    {1, 1, "VF Migration Enable", "VFME", A::kRW, false},
    {2, 2, "VF Migration Interrupt Enable", "VFMIE", A::kRW, false},
    {3, 3, "VF MSE", "VFMSE", A::kRW, true},
    {4, 4, "ARI Capable Hierarchy", "ARI", A::kRW, false},
    {5, 5, "VF 10-Bit Tag Requester Enable", "TAG10", A::kRW, false},
};
inline constexpr CFieldDef kSriovStatusFields[] = {
    {0, 0, "VF Migration Status", "MIGRATION", A::kRW1C, false},
};
inline constexpr CFieldDef kSriovMigrationFields[] = {
    {0, 2, "VF Migration State BIR", "BIR", A::kRO, false},
    {3, 31, "VF Migration State Offset", "OFFSET", A::kRO, false},
};
inline constexpr CRegisterDef kSriovRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kSriovCapOffset, 4, "IOVCap", "CAP", A::kRsvdP, kSriovCapFields),
    Register(kSriovControlOffset, 2, "IOVCtl", "CTL", A::kRsvdP, kSriovControlFields),
    Register(kSriovStatusOffset, 2, "IOVSta", "STA", A::kRsvdZ, kSriovStatusFields),
    Register(kSriovInitialVfsOffset, 2, "Initial VFs", "INITIAL_VF", A::kRO),
    Register(kSriovTotalVfsOffset, 2, "Total VFs", "TOTAL_VF", A::kRO),
    Register(kSriovNumVfsOffset, 2, "Num VFs", "NUM_VF", A::kRW),
    Register(kSriovDependencyOffset, 1, "Function Dependency Link", "DEPLINK", A::kRO),
    Register(kSriovFirstVfOffset, 2, "First VF Offset", "FIRST_VF", A::kRO),
    Register(kSriovVfStrideOffset, 2, "VF Stride", "VF_STRIDE", A::kRO),
    Register(kSriovVfDeviceIdOffset, 2, "VF Device ID", "VF_DID", A::kRO),
    Register(kSriovPageSizesOffset, 4, "Supported Page Sizes", "SUP_PGSIZE", A::kRO),
    Register(kSriovSystemPageSizeOffset, 4, "System Page Size", "SYS_PGSIZE", A::kRW),
    Repeated(Register(kSriovVfBarOffset, 4, "VF BAR", "VF_BAR", A::kRW, true), kSriovVfBarCount, kDwordStride),
    Register(kSriovMigrationStateOffset, 4, "VF Migration State Array", "MIGRATION_STATE", A::kRO,
             kSriovMigrationFields),
};
// Multi-root I/O virtualization: nothing architected past the header.
inline constexpr CRegisterDef kMriovRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
};

// ---- Multicast ----
inline constexpr CFieldDef kMcastCapFields[] = {
    {0, 5, "MC_Max_Group", "MAXGROUP", A::kRO, false},
    {8, 13, "MC_Window_Size_Requested", "WINDOW", A::kRO, false},
    {15, 15, "MC_ECRC_Regeneration_Supported", "ECRCREGEN", A::kRO, false},
};
inline constexpr CFieldDef kMcastControlFields[] = {
    {0, 5, "MC_Num_Group", "NUMGROUP", A::kRW, false},
    {15, 15, "MC_Enable", "ENABLE", A::kRW, false},
};
inline constexpr CFieldDef kMcastBaseFields[] = {
    {0, 5, "MC_Index_Position", "INDEXPOS", A::kRW, false},
    {12, 31, "MC_Base_Address", "BASE", A::kRW, false},
};
inline constexpr CFieldDef kMcastOverlayFields[] = {
    {0, 5, "MC_Overlay_Size", "SIZE", A::kRW, false},
    {6, 31, "MC_Overlay_BAR", "BASE", A::kRW, false},
};
inline constexpr CRegisterDef kMcastRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kMcastCapOffset, 2, "McastCap", "CAP", A::kRsvdP, kMcastCapFields),
    Register(kMcastControlOffset, 2, "McastCtl", "CTL", A::kRsvdP, kMcastControlFields),
    Register(kMcastBaseOffset, 4, "McastBAR low", "BAR_LOW", A::kRsvdP, kMcastBaseFields),
    Register(kMcastBaseOffset + 4, 4, "McastBAR high", "BAR_HIGH", A::kRW),
    Register(kMcastReceiveOffset, 4, "McastReceiveVec low", "RECEIVE_LOW", A::kRW),
    Register(kMcastReceiveOffset + 4, 4, "McastReceiveVec high", "RECEIVE_HIGH", A::kRW),
    Register(kMcastBlockAllOffset, 4, "McastBlockAllVec low", "BLOCKALL_LOW", A::kRW),
    Register(kMcastBlockAllOffset + 4, 4, "McastBlockAllVec high", "BLOCKALL_HIGH", A::kRW),
    Register(kMcastBlockUntranslatedOffset, 4, "McastBlockUntransVec low", "BLOCKUNTRANS_LOW", A::kRW),
    Register(kMcastBlockUntranslatedOffset + 4, 4, "McastBlockUntransVec high", "BLOCKUNTRANS_HIGH", A::kRW),
    Register(kMcastOverlayOffset, 4, "McastOverlayBAR low", "OVERLAY_LOW", A::kRW, kMcastOverlayFields),
    Register(kMcastOverlayOffset + 4, 4, "McastOverlayBAR high", "OVERLAY_HIGH", A::kRW),
};

// ---- Page requests, PASID, LN requester ----
inline constexpr CFieldDef kPriControlFields[] = {
    {0, 0, "Enable", "ENABLE", A::kRW, false},
    {1, 1, "Reset", "RESET", A::kRW, false},
};
inline constexpr CFieldDef kPriStatusFields[] = {
    {0, 0, "Response Failure", "RF", A::kRW1C, false},
    {1, 1, "Unexpected Page Request Group Index", "UPRGI", A::kRW1C, false},
    {8, 8, "Stopped", "STOPPED", A::kRO, false},
    {15, 15, "PRG Response PASID Required", "PASID", A::kRO, false},
};
inline constexpr CRegisterDef kPriRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPriControlOffset, 2, "PRICtl", "CTL", A::kRsvdP, kPriControlFields),
    Register(kPriStatusOffset, 2, "PRISta", "STA", A::kRsvdZ, kPriStatusFields),
    Register(kPriCapacityOffset, 4, "Page Request Capacity", "CAPACITY", A::kRO),
    Register(kPriAllocationOffset, 4, "Page Request Allocation", "ALLOCATION", A::kRW),
};
inline constexpr CFieldDef kPasidCapFields[] = {
    {1, 1, "Execute Permission Supported", "EXEC", A::kRO, false},
    {2, 2, "Privileged Mode Supported", "PRIV", A::kRO, false},
    {8, 12, "Max PASID Width", "WIDTH", A::kRO, false},
};
inline constexpr CFieldDef kPasidControlFields[] = {
    {0, 0, "PASID Enable", "ENABLE", A::kRW, false},
    {1, 1, "Execute Permission Enable", "EXEC", A::kRW, false},
    {2, 2, "Privileged Mode Enable", "PRIV", A::kRW, false},
};
inline constexpr CRegisterDef kPasidRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPasidCapOffset, 2, "PASIDCap", "CAP", A::kRsvdP, kPasidCapFields),
    Register(kPasidControlOffset, 2, "PASIDCtl", "CTL", A::kRsvdP, kPasidControlFields),
};
inline constexpr CFieldDef kLnCapFields[] = {
    {0, 0, "LNR-64 Supported", "LNR64", A::kRO, false},
    {1, 1, "LNR-128 Supported", "LNR128", A::kRO, false},
    {8, 12, "LNR Registration Max", "MAX", A::kRO, false},
};
inline constexpr CFieldDef kLnControlFields[] = {
    {0, 0, "LNR Enable", "ENABLE", A::kRW, false},
    {1, 1, "LNR CLS", "CLS", A::kRW, false},
    {8, 12, "LNR Registration Limit", "LIMIT", A::kRW, false},
};
inline constexpr CRegisterDef kLnRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kLnCapOffset, 2, "LNR Capability", "CAP", A::kRsvdP, kLnCapFields),
    Register(kLnControlOffset, 2, "LNR Control", "CTL", A::kRsvdP, kLnControlFields),
};

// ---- Resizable BARs: sizing a BAR is the host's, as the BAR itself is ----
inline constexpr CFieldDef kRebarCapFields[] = {
    {4, 31, "Supported BAR Sizes", "SIZES", A::kRO, false},
};
inline constexpr CFieldDef kRebarControlFields[] = {
    {0, 2, "BAR Index", "INDEX", A::kRO, false},
    {5, 7, "Number of Resizable BARs", "COUNT", A::kRO, false},
    {8, 13, "BAR Size", "SIZE", A::kRW, true},
    {16, 31, "Extended Supported BAR Sizes", "EXTSIZES", A::kRO, false},
};
inline constexpr CRegisterDef kRebarRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Repeated(Register(kRebarFirstOffset, 4, "BAR Capability", "CAP", A::kRsvdP, kRebarCapFields), kRebarEntries,
             kRebarStride),
    Repeated(Register(kRebarFirstOffset + kRebarControlOffset, 4, "BAR Control", "CTL", A::kRsvdP,
                      kRebarControlFields, true), kRebarEntries, kRebarStride),
};

// ---- Dynamic power allocation, TPH, LTR ----
inline constexpr CFieldDef kDpaCapFields[] = {
    {0, 4, "Substate_Max", "MAX", A::kRO, false},
    {8, 9, "Transition Latency Unit", "TLUNIT", A::kRO, false},
    {12, 13, "Power Allocation Scale", "PAS", A::kRO, false},
    {16, 23, "Transition Latency Value 0", "XLCY0", A::kRO, false},
    {24, 31, "Transition Latency Value 1", "XLCY1", A::kRO, false},
};
inline constexpr CFieldDef kDpaStatusFields[] = {
    {0, 4, "Substate Status", "SUBSTATE", A::kRO, false},
    {8, 8, "Substate Control Enabled", "ENABLED", A::kRW1C, false},
};
inline constexpr CFieldDef kDpaControlFields[] = {
    {0, 4, "Substate Control", "SUBSTATE", A::kRW, false},
};
inline constexpr CRegisterDef kDpaRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDpaCapOffset, 4, "DPA Capability", "CAP", A::kRsvdP, kDpaCapFields),
    Register(kDpaLatencyOffset, 4, "DPA Latency Indicator", "LATENCY", A::kRO),
    Register(kDpaStatusOffset, 2, "DPA Status", "STA", A::kRsvdZ, kDpaStatusFields),
    Register(kDpaControlOffset, 2, "DPA Control", "CTL", A::kRsvdP, kDpaControlFields),
    Repeated(Register(kDpaAllocationOffset, 1, "Substate Power Allocation", "ALLOCATION", A::kRO), kDpaAllocations,
             kByteStride),
};
inline constexpr CFieldDef kTphCapFields[] = {
    {0, 0, "No ST Mode Supported", "NOST", A::kRO, false},
    {1, 1, "Interrupt Vector Mode Supported", "INTVEC", A::kRO, false},
    {2, 2, "Device Specific Mode Supported", "DEVSPEC", A::kRO, false},
    {8, 8, "Extended TPH Requester Supported", "EXTTPH", A::kRO, false},
    {9, 10, "ST Table Location", "LOCATION", A::kRO, false},
    {16, 26, "ST Table Size", "SIZE", A::kRO, false},
};
inline constexpr CFieldDef kTphControlFields[] = {
    {0, 2, "ST Mode Select", "MODE", A::kRW, false},
    {8, 9, "TPH Requester Enable", "ENABLE", A::kRW, false},
};
inline constexpr CRegisterDef kTphRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kTphCapOffset, 4, "TPH Requester Capability", "CAP", A::kRsvdP, kTphCapFields),
    Register(kTphControlOffset, 4, "TPH Requester Control", "CTL", A::kRsvdP, kTphControlFields),
    // The steering tag table that may follow is as long as the capability declares: plain storage.
};
inline constexpr CFieldDef kLtrLatencyFields[] = {
    {0, 9, "Latency Value", "VALUE", A::kRW, false},
    {10, 12, "Latency Scale", "SCALE", A::kRW, false},
};
inline constexpr CRegisterDef kLtrRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kLtrMaxSnoopOffset, 2, "Max Snoop Latency", "SNOOP", A::kRsvdP, kLtrLatencyFields),
    Register(kLtrMaxNoSnoopOffset, 2, "Max No-Snoop Latency", "NOSNOOP", A::kRsvdP, kLtrLatencyFields),
};

// ---- Secondary PCI Express and the physical layers ----
inline constexpr CFieldDef kLinkControl3Fields[] = {
    {0, 0, "Perform Equalization", "PERFORMEQU", A::kRW, false},
    {1, 1, "Link Equalization Request Interrupt Enable", "EQUINTEN", A::kRW, false},
    {9, 15, "Enable Lower SKP OS Generation Vector", "LOWERSKP", A::kRW, false},
};
inline constexpr CFieldDef kLaneEqualizationFields[] = {
    {0, 3, "Downstream Port Transmitter Preset", "DSPTX", A::kHwInit, false},
    {4, 6, "Downstream Port Receiver Preset Hint", "DSPRX", A::kHwInit, false},
    {8, 11, "Upstream Port Transmitter Preset", "USPTX", A::kHwInit, false},
    {12, 14, "Upstream Port Receiver Preset Hint", "USPRX", A::kHwInit, false},
};
inline constexpr CRegisterDef kSecondaryRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kSecLinkControl3Offset, 4, "LnkCtl3", "LNKCTL3", A::kRsvdP, kLinkControl3Fields),
    Register(kSecLaneErrorStatusOffset, 4, "LaneErrStat", "LANEERR", A::kRW1CS),
    Repeated(Register(kSecLaneEqualizationOffset, 2, "Equalization Control Lane", "EQU", A::kRsvdP,
                      kLaneEqualizationFields), kLaneRegisters, kLaneControlBytes),
};
inline constexpr CFieldDef kPhyStatusFields[] = {
    {0, 0, "Equalization Complete", "EQUCOMPLETE", A::kROS, false},
    {1, 1, "Equalization Phase 1 Successful", "EQUPHASE1", A::kROS, false},
    {2, 2, "Equalization Phase 2 Successful", "EQUPHASE2", A::kROS, false},
    {3, 3, "Equalization Phase 3 Successful", "EQUPHASE3", A::kROS, false},
    {4, 4, "Link Equalization Request", "EQUREQUEST", A::kRW1CS, false},
};
inline constexpr CFieldDef kPhy16PresetFields[] = {
    {0, 3, "Downstream Port Transmitter Preset", "DSPTX", A::kHwInit, false},
    {4, 7, "Upstream Port Transmitter Preset", "USPTX", A::kHwInit, false},
};
inline constexpr CRegisterDef kPhysical16Registers[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPhyCapOffset, 4, "Capabilities", "CAP", A::kRsvdP),
    Register(kPhyControlOffset, 4, "Control", "CTL", A::kRsvdP),
    Register(kPhyStatusOffset, 4, "Status", "STA", A::kRsvdZ, kPhyStatusFields),
    Register(kPhy16LocalParityOffset, 4, "Local Data Parity Mismatch Status", "LOCALPARITY", A::kRW1CS),
    Register(kPhy16FirstRetimerParityOffset, 4, "First Retimer Data Parity Mismatch Status", "RETIMER1PARITY",
             A::kRW1CS),
    Register(kPhy16SecondRetimerParityOffset, 4, "Second Retimer Data Parity Mismatch Status", "RETIMER2PARITY",
             A::kRW1CS),
    Repeated(Register(kPhy16LaneEqualizationOffset, 1, "16.0 GT/s Equalization Control Lane", "EQU", A::kHwInit,
                      kPhy16PresetFields), kLaneRegisters, kLanePresetBytes),
};
inline constexpr CFieldDef kPhy32CapFields[] = {
    {0, 0, "Equalization Bypass to Highest Rate Supported", "EQUBYPASS", A::kHwInit, false},
    {1, 1, "No Equalization Needed Supported", "NOEQU", A::kHwInit, false},
    {8, 10, "Modified TS Usage Modes Supported", "MODTS", A::kHwInit, false},
};
inline constexpr CFieldDef kPhy32ControlFields[] = {
    {0, 0, "Equalization Bypass to Highest Rate Disable", "EQUBYPASS", A::kRW, false},
    {1, 1, "No Equalization Needed Disable", "NOEQU", A::kRW, false},
    {8, 10, "Modified TS Usage Mode Selected", "MODTS", A::kRW, false},
};
inline constexpr CFieldDef kPhy32StatusFields[] = {
    {0, 0, "Equalization Complete", "EQUCOMPLETE", A::kROS, false},
    {1, 1, "Equalization Phase 1 Successful", "EQUPHASE1", A::kROS, false},
    {2, 2, "Equalization Phase 2 Successful", "EQUPHASE2", A::kROS, false},
    {3, 3, "Equalization Phase 3 Successful", "EQUPHASE3", A::kROS, false},
    {4, 4, "Link Equalization Request", "EQUREQUEST", A::kRW1CS, false},
    {5, 7, "Modified TS Received", "MODTSRCVD", A::kRO, false},
    {8, 8, "Received Enhanced Link Behavior Control", "ELBC", A::kRO, false},
    {10, 10, "Transmitter Precoding On", "PRECODEON", A::kRO, false},
    {11, 11, "Transmitter Precode Request", "PRECODEREQ", A::kRO, false},
    {12, 12, "No Equalization Needed Received", "NOEQURCVD", A::kRO, false},
};
inline constexpr CRegisterDef kPhysical32Registers[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPhyCapOffset, 4, "Capabilities", "CAP", A::kRsvdP, kPhy32CapFields),
    Register(kPhyControlOffset, 4, "Control", "CTL", A::kRsvdP, kPhy32ControlFields),
    Register(kPhyStatusOffset, 4, "Status", "STA", A::kRsvdZ, kPhy32StatusFields),
    Register(kPhy32ModifiedTs1Offset, 4, "Received Modified TS Data 1", "RCVDTS1", A::kRO),
    Register(kPhy32ModifiedTs2Offset, 4, "Received Modified TS Data 2", "RCVDTS2", A::kRO),
    Register(kPhy32ModifiedTs2Offset + 4, 4, "Transmitted Modified TS Data 1", "XMITTS1", A::kRW),
    Register(kPhy32ModifiedTs2Offset + 8, 4, "Transmitted Modified TS Data 2", "XMITTS2", A::kRW),
    Repeated(Register(kPhy32LaneEqualizationOffset, 1, "32.0 GT/s Equalization Control Lane", "EQU", A::kHwInit,
                      kPhy16PresetFields), kLaneRegisters, kLanePresetBytes),
};
inline constexpr CRegisterDef kPhysical64Registers[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPhyCapOffset, 4, "Capabilities", "CAP", A::kRsvdP),
    Register(kPhyControlOffset, 4, "Control", "CTL", A::kRsvdP),
    Register(kPhyStatusOffset, 4, "Status", "STA", A::kRsvdZ, kPhyStatusFields),
};
inline constexpr CFieldDef kMarginPortCapFields[] = {
    {0, 0, "Margining uses Driver Software", "DRIVERSW", A::kHwInit, false},
};
inline constexpr CFieldDef kMarginPortStatusFields[] = {
    {0, 0, "Margining Ready", "READY", A::kRO, false},
    {1, 1, "Margining Software Ready", "SWREADY", A::kRO, false},
};
inline constexpr CFieldDef kMarginLaneFields[] = {
    {0, 2, "Receiver Number", "RECEIVER", A::kRW, false},
    {3, 5, "Margin Type", "TYPE", A::kRW, false},
    {6, 6, "Usage Model", "MODEL", A::kRW, false},
    {8, 15, "Margin Payload", "PAYLOAD", A::kRW, false},
    {16, 18, "Receiver Number Status", "RECEIVERSTA", A::kRO, false},
    {19, 21, "Margin Type Status", "TYPESTA", A::kRO, false},
    {22, 22, "Usage Model Status", "MODELSTA", A::kRO, false},
    {24, 31, "Margin Payload Status", "PAYLOADSTA", A::kRO, false},
};
inline constexpr CRegisterDef kMarginRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kMarginPortCapOffset, 2, "Margining Port Capabilities", "CAP", A::kRsvdP, kMarginPortCapFields),
    Register(kMarginPortStatusOffset, 2, "Margining Port Status", "STA", A::kRsvdZ, kMarginPortStatusFields),
    Repeated(Register(kMarginLaneOffset, 4, "Margining Control/Status Lane", "LANE", A::kRsvdP, kMarginLaneFields),
             kLaneRegisters, kMarginLaneStride),
};

// ---- Link power: L1 PM substates, PTM, FRS, readiness times, data link features ----
inline constexpr CFieldDef kL1ssCapFields[] = {
    {0, 0, "PCI-PM L1.2 Supported", "PCIPM_L12", A::kHwInit, false},
    {1, 1, "PCI-PM L1.1 Supported", "PCIPM_L11", A::kHwInit, false},
    {2, 2, "ASPM L1.2 Supported", "ASPM_L12", A::kHwInit, false},
    {3, 3, "ASPM L1.1 Supported", "ASPM_L11", A::kHwInit, false},
    {4, 4, "L1 PM Substates Supported", "L1PM", A::kHwInit, false},
    {5, 5, "Link Activation Supported", "LINKACT", A::kHwInit, false},
    {8, 15, "Port Common_Mode_Restore_Time", "CMRT", A::kHwInit, false},
    {16, 17, "Port T_POWER_ON Scale", "TPONSCALE", A::kHwInit, false},
    {19, 23, "Port T_POWER_ON Value", "TPONVALUE", A::kHwInit, false},
};
inline constexpr CFieldDef kL1ssControl1Fields[] = {
    {0, 0, "PCI-PM L1.2 Enable", "PCIPM_L12", A::kRW, false},
    {1, 1, "PCI-PM L1.1 Enable", "PCIPM_L11", A::kRW, false},
    {2, 2, "ASPM L1.2 Enable", "ASPM_L12", A::kRW, false},
    {3, 3, "ASPM L1.1 Enable", "ASPM_L11", A::kRW, false},
    {4, 4, "Link Activation Interrupt Enable", "LINKACTINT", A::kRW, false},
    {5, 5, "Link Activation Control", "LINKACT", A::kRW, false},
    {8, 15, "Common_Mode_Restore_Time", "CMRT", A::kRW, false},
    {16, 25, "LTR_L1.2_THRESHOLD_Value", "THRESHOLDVALUE", A::kRW, false},
    {29, 31, "LTR_L1.2_THRESHOLD_Scale", "THRESHOLDSCALE", A::kRW, false},
};
inline constexpr CFieldDef kL1ssControl2Fields[] = {
    {0, 1, "T_POWER_ON Scale", "TPONSCALE", A::kRW, false},
    {3, 7, "T_POWER_ON Value", "TPONVALUE", A::kRW, false},
};
inline constexpr CFieldDef kL1ssStatusFields[] = {
    {0, 0, "Link Activation Interrupt Status", "LINKACT", A::kRW1C, false},
};
inline constexpr CRegisterDef kL1ssRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kL1ssCapOffset, 4, "L1SubCap", "CAP", A::kRsvdP, kL1ssCapFields),
    Register(kL1ssControl1Offset, 4, "L1SubCtl1", "CTL1", A::kRsvdP, kL1ssControl1Fields),
    Register(kL1ssControl2Offset, 4, "L1SubCtl2", "CTL2", A::kRsvdP, kL1ssControl2Fields),
    Register(kL1ssStatusOffset, 4, "L1SubSta", "STA", A::kRsvdZ, kL1ssStatusFields),
};
inline constexpr CFieldDef kPtmCapFields[] = {
    {0, 0, "PTM Requester Capable", "REQ", A::kRO, false},
    {1, 1, "PTM Responder Capable", "RSP", A::kRO, false},
    {2, 2, "PTM Root Capable", "ROOT", A::kRO, false},
    {3, 3, "ePTM Capable", "EPTM", A::kRO, false},
    {4, 4, "PTM Propagation Delay Adaptation Capable", "PDA", A::kRO, false},
    {8, 15, "Local Clock Granularity", "GRANULARITY", A::kRO, false},
};
inline constexpr CFieldDef kPtmControlFields[] = {
    {0, 0, "PTM Enable", "ENABLE", A::kRW, false},
    {1, 1, "Root Select", "ROOT", A::kRW, false},
    {8, 15, "Effective Granularity", "GRANULARITY", A::kRW, false},
};
inline constexpr CRegisterDef kPtmRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kPtmCapOffset, 4, "PTMCap", "CAP", A::kRsvdP, kPtmCapFields),
    Register(kPtmControlOffset, 4, "PTMControl", "CTL", A::kRsvdP, kPtmControlFields),
};
inline constexpr CFieldDef kFrsCapFields[] = {
    {0, 11, "FRS Queue Max Depth", "MAXDEPTH", A::kHwInit, false},
    {16, 20, "FRS Interrupt Message Number", "INTMSG", A::kRO, false},
};
inline constexpr CFieldDef kFrsStatusFields[] = {
    {0, 0, "FRS Message Received", "RECEIVED", A::kRW1C, false},
    {1, 1, "FRS Message Overflow", "OVERFLOW", A::kRW1C, false},
};
inline constexpr CFieldDef kFrsControlFields[] = {
    {0, 0, "FRS Interrupt Enable", "INTEN", A::kRW, false},
};
inline constexpr CRegisterDef kFrsRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kFrsCapOffset, 4, "FRS Queueing Capability", "CAP", A::kRsvdP, kFrsCapFields),
    Register(kFrsStatusOffset, 2, "FRS Queueing Status", "STA", A::kRsvdZ, kFrsStatusFields),
    Register(kFrsControlOffset, 2, "FRS Queueing Control", "CTL", A::kRsvdP, kFrsControlFields),
    Register(kFrsMessageQueueOffset, 4, "FRS Message Queue", "QUEUE", A::kRO),
};
inline constexpr CFieldDef kReadiness1Fields[] = {
    {0, 11, "Reset Time", "RESET", A::kHwInit, false},
    {12, 23, "DL_Up Time", "DLUP", A::kHwInit, false},
    {31, 31, "Valid", "VALID", A::kHwInit, false},
};
inline constexpr CFieldDef kReadiness2Fields[] = {
    {0, 11, "FLR Time", "FLR", A::kHwInit, false},
    {12, 23, "D3Hot to D0 Time", "D3HOT", A::kHwInit, false},
};
inline constexpr CRegisterDef kReadinessRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kReadinessTime1Offset, 4, "Readiness Time Reporting 1", "RTR1", A::kRsvdP, kReadiness1Fields),
    Register(kReadinessTime2Offset, 4, "Readiness Time Reporting 2", "RTR2", A::kRsvdP, kReadiness2Fields),
};
inline constexpr CFieldDef kDlfCapFields[] = {
    {0, 22, "Local Data Link Feature Supported", "LOCAL", A::kHwInit, false},
    {31, 31, "Data Link Feature Exchange Enable", "EXCHANGE", A::kHwInit, false},
};
inline constexpr CFieldDef kDlfStatusFields[] = {
    {0, 22, "Remote Data Link Feature Supported", "REMOTE", A::kRO, false},
    {31, 31, "Remote Data Link Feature Supported Valid", "VALID", A::kRO, false},
};
inline constexpr CRegisterDef kDataLinkRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDlfCapOffset, 4, "Data Link Feature Capabilities", "CAP", A::kRsvdP, kDlfCapFields),
    Register(kDlfStatusOffset, 4, "Data Link Feature Status", "STA", A::kRsvdZ, kDlfStatusFields),
};

// ---- Downstream port containment ----
inline constexpr CFieldDef kDpcCapFields[] = {
    {0, 4, "DPC Interrupt Message Number", "INTMSG", A::kRO, false},
    {5, 5, "RP Extensions for DPC", "RPEXT", A::kRO, false},
    {6, 6, "Poisoned TLP Egress Blocking Supported", "POISONED", A::kRO, false},
    {7, 7, "DPC Software Triggering Supported", "SWTRIGGER", A::kRO, false},
    {8, 11, "RP PIO Log Size", "PIOLOG", A::kRO, false},
    {12, 12, "DL_Active ERR_COR Signaling Supported", "DLACTIVE", A::kRO, false},
};
inline constexpr CFieldDef kDpcControlFields[] = {
    {0, 1, "DPC Trigger Enable", "TRIGGER", A::kRW, false},
    {2, 2, "DPC Completion Control", "CMPL", A::kRW, false},
    {3, 3, "DPC Interrupt Enable", "INT", A::kRW, false},
    {4, 4, "DPC ERR_COR Enable", "ERRCOR", A::kRW, false},
    {5, 5, "Poisoned TLP Egress Blocking Enable", "POISONED", A::kRW, false},
    {6, 6, "DPC Software Trigger", "SWTRIGGER", A::kRW, false},
    {7, 7, "DL_Active ERR_COR Enable", "DLACTIVE", A::kRW, false},
    {8, 8, "DPC SIG_SFW Enable", "SIGSFW", A::kRW, false},
};
inline constexpr CFieldDef kDpcStatusFields[] = {
    {0, 0, "DPC Trigger Status", "TRIGGER", A::kRW1CS, false},
    {1, 2, "DPC Trigger Reason", "REASON", A::kROS, false},
    {3, 3, "DPC Interrupt Status", "INT", A::kRW1CS, false},
    {4, 4, "DPC RP Busy", "RPBUSY", A::kRO, false},
    {5, 6, "DPC Trigger Reason Extension", "REASONEXT", A::kROS, false},
    {8, 12, "RP PIO First Error Pointer", "PIOPTR", A::kROS, false},
    {13, 13, "DPC SIG_SFW Status", "SIGSFW", A::kRW1CS, false},
};
// The RP PIO error bits, alike in status, mask, severity, SysError and exception but for their access.
#define BRISCO_DPC_PIO_FIELDS(access)                                             \
    {0, 0, "Cfg UR Cpl", "CFGUR", access, false},                                \
    {1, 1, "Cfg CA Cpl", "CFGCA", access, false},                                \
    {2, 2, "Cfg CTO", "CFGCTO", access, false},                                  \
    {8, 8, "I/O UR Cpl", "IOUR", access, false},                                 \
    {9, 9, "I/O CA Cpl", "IOCA", access, false},                                 \
    {10, 10, "I/O CTO", "IOCTO", access, false},                                 \
    {16, 16, "Mem UR Cpl", "MEMUR", access, false},                              \
    {17, 17, "Mem CA Cpl", "MEMCA", access, false},                              \
    {18, 18, "Mem CTO", "MEMCTO", access, false}
inline constexpr CFieldDef kDpcPioStatusFields[] = {BRISCO_DPC_PIO_FIELDS(A::kRW1CS)};
inline constexpr CFieldDef kDpcPioControlFields[] = {BRISCO_DPC_PIO_FIELDS(A::kRWS)};
#undef BRISCO_DPC_PIO_FIELDS
inline constexpr CRegisterDef kDpcRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDpcCapOffset, 2, "DpcCap", "CAP", A::kRsvdP, kDpcCapFields),
    Register(kDpcControlOffset, 2, "DpcCtl", "CTL", A::kRsvdP, kDpcControlFields),
    Register(kDpcStatusOffset, 2, "DpcSta", "STA", A::kRsvdZ, kDpcStatusFields),
    Register(kDpcSourceOffset, 2, "Source", "SOURCE", A::kROS),
    Register(kDpcPioStatusOffset, 4, "RP PIO Status", "PIOSTA", A::kRsvdZ, kDpcPioStatusFields),
    Register(kDpcPioMaskOffset, 4, "RP PIO Mask", "PIOMSK", A::kRsvdP, kDpcPioControlFields),
    Register(kDpcPioSeverityOffset, 4, "RP PIO Severity", "PIOSVRT", A::kRsvdP, kDpcPioControlFields),
    Register(kDpcPioSysErrorOffset, 4, "RP PIO SysError", "PIOSYSERR", A::kRsvdP, kDpcPioControlFields),
    Register(kDpcPioExceptionOffset, 4, "RP PIO Exception", "PIOEXC", A::kRsvdP, kDpcPioControlFields),
    Repeated(Register(kDpcPioHeaderLogOffset, 4, "RP PIO Log", "PIOLOG", A::kROS), kDpcPioLogDwords, kDwordStride),
};

// ---- Enclosures, hierarchy IDs, protocols, mailboxes ----
inline constexpr CRegisterDef kHierarchyRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kHierarchyStatusOffset, 4, "Hierarchy ID Status", "STA", A::kRO),
    Register(kHierarchyDataOffset, 4, "Hierarchy ID Data", "DATA", A::kRO),
    Register(kHierarchyGuid1Offset, 4, "Hierarchy ID GUID 1", "GUID1", A::kRO),
    Register(kHierarchyGuid1Offset + 4, 4, "Hierarchy ID GUID 2", "GUID2", A::kRO),
    Register(kHierarchyGuid1Offset + 8, 4, "Hierarchy ID GUID 3", "GUID3", A::kRO),
    Register(kHierarchyGuid1Offset + 12, 4, "Hierarchy ID GUID 4", "GUID4", A::kRO),
    Register(kHierarchyGuid1Offset + 16, 4, "Hierarchy ID GUID 5", "GUID5", A::kRO),
};
inline constexpr CFieldDef kNpemCapFields[] = {
    {0, 11, "NPEM Capable and Indications Supported", "SUPPORTED", A::kHwInit, false},
    {24, 31, "Enclosure-specific Capabilities", "ENCLOSURE", A::kHwInit, false},
};
inline constexpr CFieldDef kNpemControlFields[] = {
    {0, 0, "NPEM Enable", "ENABLE", A::kRW, false},
    {1, 1, "NPEM Initiate Reset", "RESET", A::kRW, false},
    {2, 11, "Indication Controls", "INDICATIONS", A::kRW, false},
    {24, 31, "Enclosure-specific Controls", "ENCLOSURE", A::kRW, false},
};
inline constexpr CFieldDef kNpemStatusFields[] = {
    {0, 0, "NPEM Command Completed", "COMPLETED", A::kRW1C, false},
    {24, 31, "Enclosure-specific Status", "ENCLOSURE", A::kRO, false},
};
inline constexpr CRegisterDef kNpemRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kNpemCapOffset, 4, "NPEM Capability", "CAP", A::kRsvdP, kNpemCapFields),
    Register(kNpemControlOffset, 4, "NPEM Control", "CTL", A::kRsvdP, kNpemControlFields),
    Register(kNpemStatusOffset, 4, "NPEM Status", "STA", A::kRsvdZ, kNpemStatusFields),
};
inline constexpr CFieldDef kAltProtocolControlFields[] = {
    {0, 7, "Alternate Protocol Index Select", "INDEX", A::kRW, false},
};
inline constexpr CRegisterDef kAltProtocolRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kAltProtocolCapOffset, 4, "Alternate Protocol Capabilities", "CAP", A::kRO),
    Register(kAltProtocolControlOffset, 4, "Alternate Protocol Control", "CTL", A::kRsvdP, kAltProtocolControlFields),
    Register(kAltProtocolControlOffset + 4, 4, "Alternate Protocol Data 1", "DATA1", A::kRO),
    Register(kAltProtocolControlOffset + 8, 4, "Alternate Protocol Data 2", "DATA2", A::kRO),
    Register(kAltProtocolControlOffset + 12, 4, "Alternate Protocol Selective Enable Mask", "MASK", A::kRW),
};
// The SFI capability and control words, shown as one dword.
inline constexpr CFieldDef kSfiFields[] = {
    {0, 15, "SFI Capability", "CAP", A::kHwInit, false},
    {16, 31, "SFI Control", "CTL", A::kRW, false},
};
inline constexpr CRegisterDef kSfiRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(0x04, 4, "SFI Capability/Control", "CAPCTL", A::kRO, kSfiFields),
    Register(0x08, 4, "SFI Status", "STA", A::kRO),
};
inline constexpr CRegisterDef kMPcieRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(0x04, 4, "M-PCIe Capabilities", "CAP", A::kRO),
    Register(0x08, 4, "M-PCIe Control", "CTL", A::kRW),
    Register(0x0C, 4, "M-PCIe Status", "STA", A::kRO),
};
inline constexpr CRegisterDef kPmuxRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(0x04, 4, "PMUX Capability", "CAP", A::kRO),
    Register(0x08, 4, "PMUX Control", "CTL", A::kRW),
    Register(0x0C, 4, "PMUX Status", "STA", A::kRO),
};
inline constexpr CFieldDef kDoeCapFields[] = {
    {0, 0, "DOE Interrupt Support", "INT", A::kRO, false},
    {1, 11, "DOE Interrupt Message Number", "INTMSG", A::kRO, false},
};
inline constexpr CFieldDef kDoeControlFields[] = {
    {0, 0, "DOE Abort", "ABORT", A::kRW, false},
    {1, 1, "DOE Interrupt Enable", "INTEN", A::kRW, false},
    {31, 31, "DOE Go", "GO", A::kRW, false},
};
inline constexpr CFieldDef kDoeStatusFields[] = {
    {0, 0, "DOE Busy", "BUSY", A::kRO, false},
    {1, 1, "DOE Interrupt Status", "INT", A::kRW1C, false},
    {2, 2, "DOE Error", "ERROR", A::kRO, false},
    {31, 31, "Data Object Ready", "READY", A::kRO, false},
};
inline constexpr CRegisterDef kDoeRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDoeCapOffset, 4, "DOECap", "CAP", A::kRsvdP, kDoeCapFields),
    Register(kDoeControlOffset, 4, "DOECtl", "CTL", A::kRsvdP, kDoeControlFields),
    Register(kDoeStatusOffset, 4, "DOESta", "STA", A::kRsvdZ, kDoeStatusFields),
    Register(kDoeWriteMailboxOffset, 4, "DOE Write Data Mailbox", "WRITE", A::kRW),
    Register(kDoeReadMailboxOffset, 4, "DOE Read Data Mailbox", "READ", A::kRW),
};
inline constexpr CRegisterDef kDevice3Registers[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kDevice3CapOffset, 4, "Device Capabilities 3", "CAP", A::kRO),
    Register(kDevice3ControlOffset, 4, "Device Control 3", "CTL", A::kRW),
    Register(kDevice3StatusOffset, 4, "Device Status 3", "STA", A::kRO),
};
// IDE: the fixed registers; the streams that follow depend on the capability's counts.
inline constexpr CRegisterDef kIdeRegisters[] = {
    BRISCO_EXTENDED_HEADER_REGISTER,
    Register(kIdeCapOffset, 4, "IDE Capability", "CAP", A::kRO),
    Register(kIdeControlOffset, 4, "IDE Control", "CTL", A::kRW),
};
#undef BRISCO_EXTENDED_HEADER_REGISTER
// clang-format on

// A VC capability's blocks, variant n for an extended VC count of n.
#define BRISCO_VC_BLOCKS(id, symbol)                                              \
    Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<1>, 0),     \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<2>, 1), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<3>, 2), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<4>, 3), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<5>, 4), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<6>, 5), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<7>, 6), \
        Block(EBlockKind::kExtendedCapability, id, symbol, kVcRegistersOf<8>, 7)

inline constexpr CRegisterBlock kExtendedCapabilityBlocks[] = {
    Block(EBlockKind::kExtendedCapability, kExtCapAer, "AER", kAerRegisters),
    BRISCO_VC_BLOCKS(kExtCapVirtualChannel, "VC"),
    Block(EBlockKind::kExtendedCapability, kExtCapSerialNumber, "SN", kSerialRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPowerBudgeting, "PB", kPowerBudgetRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapRcLinkDeclaration, "RCLINK", kRcLinkRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapRcInternalLink, "RCILINK", kRcInternalLinkRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapRcEventCollector, "RCEC", kRcEventRegisters),
    BRISCO_VC_BLOCKS(kExtCapMfvc, "MFVC"),
    BRISCO_VC_BLOCKS(kExtCapVirtualChannel9, "VC2"),
    Block(EBlockKind::kExtendedCapability, kExtCapRcrb, "RCRB", kRcrbRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapVendorSpecific, "VNDR", kVsecRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapConfigAccess, "CAC", kConfigAccessRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapAcs, "ACS", kAcsRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapAri, "ARI", kAriRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapAts, "ATS", kAtsRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapSriov, "SRIOV", kSriovRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapMriov, "MRIOV", kMriovRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapMulticast, "MCAST", kMcastRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPri, "PRI", kPriRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapResizableBar, "REBAR", kRebarRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDpa, "DPA", kDpaRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapTph, "TPH", kTphRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapLtr, "LTR", kLtrRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapSecondaryPcie, "SECPCI", kSecondaryRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPmux, "PMUX", kPmuxRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPasid, "PASID", kPasidRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapLnRequester, "LNR", kLnRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDpc, "DPC", kDpcRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapL1Substates, "L1PM", kL1ssRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPtm, "PTM", kPtmRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapMPcie, "MPHY", kMPcieRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapFrsQueueing, "FRS", kFrsRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapReadinessTime, "RTR", kReadinessRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDvsec, "DVSEC", kDvsecRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapVfResizableBar, "VF_REBAR", kRebarRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDataLinkFeature, "DLNK", kDataLinkRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPhysical16, "16GT", kPhysical16Registers),
    Block(EBlockKind::kExtendedCapability, kExtCapLaneMargining, "LMR", kMarginRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapHierarchyId, "HIER_ID", kHierarchyRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapNpem, "NPEM", kNpemRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPhysical32, "32GT", kPhysical32Registers),
    Block(EBlockKind::kExtendedCapability, kExtCapAlternateProtocol, "ALT_PROTO", kAltProtocolRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapSfi, "SFI", kSfiRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDoe, "DOE", kDoeRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapDevice3, "DEV3", kDevice3Registers),
    Block(EBlockKind::kExtendedCapability, kExtCapIde, "IDE", kIdeRegisters),
    Block(EBlockKind::kExtendedCapability, kExtCapPhysical64, "64GT", kPhysical64Registers),
};

#undef BRISCO_VC_BLOCKS

// Which layout of an extended capability the entry at `at` has: the VC capabilities have one
// per extended VC count, every other capability has one.
constexpr uint8_t ExtendedVariant(const uint8_t* space, uint32_t size, uint32_t at, uint16_t id)
{
    const bool virtualChannel = id == kExtCapVirtualChannel || id == kExtCapVirtualChannel9 || id == kExtCapMfvc;
    if (!virtualChannel || at + kVcPortCap1Offset >= size)
        return 0;
    return uint8_t(space[at + kVcPortCap1Offset] & kVcExtendedCountMask);
}

} // namespace pci::extended
