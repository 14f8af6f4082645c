#pragma once
// Extended capabilities (configuration offsets 100h-FFFh): the header dword,
// the walk's bounds, the IDs, and register offsets from each capability's first byte.
#include <stdint.h>

namespace pci {

// Header: ID in bits 15:0, version in 19:16, next pointer in 31:20.
constexpr uint32_t kExtCapFirstOffset = 0x100;
constexpr uint32_t kExtCapHeaderBytes = 4;
constexpr uint32_t kExtCapIdMask = 0xFFFF;
constexpr uint32_t kExtCapVersionShift = 16;
constexpr uint32_t kExtCapVersionMask = 0xF;
constexpr uint32_t kExtCapNextShift = 20;
constexpr uint32_t kExtCapNextMask = 0xFFC; // dword aligned: the two low bits are ignored
// (4096 - 256) / 4: more entries than this cannot be distinct.
constexpr uint32_t kExtCapMaxEntries = 960;

constexpr uint16_t kExtCapAer = 0x0001;
constexpr uint16_t kExtCapVirtualChannel = 0x0002;
constexpr uint16_t kExtCapSerialNumber = 0x0003;
constexpr uint16_t kExtCapPowerBudgeting = 0x0004;
constexpr uint16_t kExtCapRcLinkDeclaration = 0x0005;
constexpr uint16_t kExtCapRcInternalLink = 0x0006;
constexpr uint16_t kExtCapRcEventCollector = 0x0007;
constexpr uint16_t kExtCapMfvc = 0x0008;
constexpr uint16_t kExtCapVirtualChannel9 = 0x0009;
constexpr uint16_t kExtCapRcrb = 0x000A;
constexpr uint16_t kExtCapVendorSpecific = 0x000B;
constexpr uint16_t kExtCapConfigAccess = 0x000C;
constexpr uint16_t kExtCapAcs = 0x000D;
constexpr uint16_t kExtCapAri = 0x000E;
constexpr uint16_t kExtCapAts = 0x000F;
constexpr uint16_t kExtCapSriov = 0x0010;
constexpr uint16_t kExtCapMriov = 0x0011;
constexpr uint16_t kExtCapMulticast = 0x0012;
constexpr uint16_t kExtCapPri = 0x0013;
constexpr uint16_t kExtCapAmd = 0x0014;
constexpr uint16_t kExtCapResizableBar = 0x0015;
constexpr uint16_t kExtCapDpa = 0x0016;
constexpr uint16_t kExtCapTph = 0x0017;
constexpr uint16_t kExtCapLtr = 0x0018;
constexpr uint16_t kExtCapSecondaryPcie = 0x0019;
constexpr uint16_t kExtCapPmux = 0x001A;
constexpr uint16_t kExtCapPasid = 0x001B;
constexpr uint16_t kExtCapLnRequester = 0x001C;
constexpr uint16_t kExtCapDpc = 0x001D;
constexpr uint16_t kExtCapL1Substates = 0x001E;
constexpr uint16_t kExtCapPtm = 0x001F;
constexpr uint16_t kExtCapMPcie = 0x0020;
constexpr uint16_t kExtCapFrsQueueing = 0x0021;
constexpr uint16_t kExtCapReadinessTime = 0x0022;
constexpr uint16_t kExtCapDvsec = 0x0023;
constexpr uint16_t kExtCapVfResizableBar = 0x0024;
constexpr uint16_t kExtCapDataLinkFeature = 0x0025;
constexpr uint16_t kExtCapPhysical16 = 0x0026;
constexpr uint16_t kExtCapLaneMargining = 0x0027;
constexpr uint16_t kExtCapHierarchyId = 0x0028;
constexpr uint16_t kExtCapNpem = 0x0029;
constexpr uint16_t kExtCapPhysical32 = 0x002A;
constexpr uint16_t kExtCapAlternateProtocol = 0x002B;
constexpr uint16_t kExtCapSfi = 0x002C;
constexpr uint16_t kExtCapShadowFunctions = 0x002D;
constexpr uint16_t kExtCapDoe = 0x002E;
constexpr uint16_t kExtCapDevice3 = 0x002F;
constexpr uint16_t kExtCapIde = 0x0030;
constexpr uint16_t kExtCapPhysical64 = 0x0031;
constexpr uint16_t kExtCapFlitLogging = 0x0032;
constexpr uint16_t kExtCapFlitPerformance = 0x0033;
constexpr uint16_t kExtCapFlitErrorInjection = 0x0034;

// Advanced error reporting.
constexpr uint32_t kAerUncorrectableStatusOffset = 0x04;
constexpr uint32_t kAerUncorrectableMaskOffset = 0x08;
constexpr uint32_t kAerUncorrectableSeverityOffset = 0x0C;
constexpr uint32_t kAerCorrectableStatusOffset = 0x10;
constexpr uint32_t kAerCorrectableMaskOffset = 0x14;
constexpr uint32_t kAerCapControlOffset = 0x18;
constexpr uint32_t kAerHeaderLogOffset = 0x1C; // four dwords
constexpr uint32_t kAerHeaderLogDwords = 4;
constexpr uint32_t kAerRootCommandOffset = 0x2C;
constexpr uint32_t kAerRootStatusOffset = 0x30;
constexpr uint32_t kAerErrorSourceOffset = 0x34;
constexpr uint32_t kAerPrefixLogOffset = 0x38; // four dwords
constexpr uint32_t kAerFirstErrorPointerMask = 0x1F;
// Capabilities and control: the enables (ECRC generation and check, multiple header recording).
constexpr uint32_t kAerControlEnableBits = 0x00000540;
// Root error status: the seven error-received flags clear by writing ones.
constexpr uint32_t kAerRootStatusErrorBits = 0x0000007F;
constexpr uint32_t kAerSourceMask = 0xFFFF; // correctable source; the uncorrectable one above it
constexpr uint32_t kAerUncorrectableSourceShift = 16;
constexpr uint32_t kAerRootMessageNumberShift = 27;
constexpr uint32_t kAerRootMessageNumberMask = 0x1F;

// Virtual channel (and MFVC): port capabilities, then one resource block per VC.
constexpr uint32_t kVcPortCap1Offset = 0x04;
constexpr uint32_t kVcPortCap2Offset = 0x08;
constexpr uint32_t kVcPortControlOffset = 0x0C;
constexpr uint32_t kVcPortStatusOffset = 0x0E;
constexpr uint32_t kVcResourceOffset = 0x10;
constexpr uint32_t kVcResourceBytes = 12; // capability, control, status (and reserved)
constexpr uint32_t kVcResourceControlOffset = 4;
constexpr uint32_t kVcResourceStatusOffset = 10;
constexpr uint32_t kVcExtendedCountMask = 0x7;
constexpr uint32_t kVcLowPriorityShift = 4;
constexpr uint32_t kVcReferenceClockShift = 8;
constexpr uint32_t kVcTableEntryShift = 10;
constexpr uint32_t kVcIdShift = 24;
constexpr uint32_t kVcTwoBitMask = 0x3; // reference clock and table entry size fields
constexpr uint32_t kVcArbTableOffsetShift = 24;
constexpr uint32_t kVcPortArbTableOffsetShift = 24;
constexpr uint32_t kVcMaxTimeSlotsShift = 16;
constexpr uint32_t kVcMaxTimeSlotsMask = 0x7F;
constexpr uint32_t kVcTcMapMask = 0xFF;

// Device serial number: two dwords, low first.
constexpr uint32_t kSerialLowOffset = 0x04;
constexpr uint32_t kSerialHighOffset = 0x08;

// Power budgeting.
constexpr uint32_t kPowerBudgetSelectOffset = 0x04;
constexpr uint32_t kPowerBudgetDataOffset = 0x08;
constexpr uint32_t kPowerBudgetCapOffset = 0x0C;
constexpr uint32_t kPowerBudgetBaseMask = 0xFF;
constexpr uint32_t kPowerBudgetScaleShift = 8;
constexpr uint32_t kPowerBudgetScaleMask = 0x3;
constexpr uint32_t kPowerBudgetStateShift = 13;
constexpr uint32_t kPowerBudgetStateMask = 0x3;
constexpr uint32_t kPowerBudgetTypeShift = 15;
constexpr uint32_t kPowerBudgetRailShift = 18;
constexpr uint32_t kPowerBudgetTypeMask = 0x7;
constexpr uint32_t kPowerBudgetRailMask = 0x7;
constexpr uint32_t kPowerBudgetSubStateShift = 10;
constexpr uint32_t kPowerBudgetSubStateMask = 0x7;

// Root complex link declaration, event collector and register block.
constexpr uint32_t kRcLinkDescriptorOffset = 0x04;
constexpr uint32_t kRcLinkEntriesOffset = 0x10;
constexpr uint32_t kRcLinkEntryBytes = 16;
constexpr uint32_t kRcLinkEntryCountShift = 8;
constexpr uint32_t kRcLinkEntryCountMask = 0xFF;
constexpr uint32_t kRcLinkPortShift = 24; // port and component numbers, in descriptors and entries alike
constexpr uint32_t kRcLinkComponentShift = 16;
constexpr uint32_t kRcLinkNumberMask = 0xFF;
constexpr uint32_t kRcLinkElementTypeMask = 0xF;
constexpr uint32_t kRcLinkAddressLowOffset = 8; // within an entry
constexpr uint32_t kRcLinkAddressHighOffset = 12;
constexpr uint32_t kRcLinkTypeConfigBit = 1;
constexpr uint32_t kRcLinkAssociateRcrbBit = 2;
// A configuration-space link address: bus, device and function of the target.
constexpr uint32_t kRcLinkBusShift = 20;
constexpr uint32_t kRcLinkDeviceShift = 15;
constexpr uint32_t kRcLinkDeviceMask = 0x1F;
constexpr uint32_t kRcLinkFunctionShift = 12;
constexpr uint32_t kRcLinkFunctionMask = 0x7;
constexpr uint32_t kRcInternalLinkCapOffset = 0x04;
constexpr uint32_t kRcEventBitmapOffset = 0x04;
constexpr uint32_t kRcEventBusNumbersOffset = 0x08;
constexpr uint32_t kRcEventBitmapBits = 32; // one per device number
constexpr uint32_t kRcrbVendorOffset = 0x04;
constexpr uint32_t kRcrbCapOffset = 0x08;
constexpr uint32_t kRcrbControlOffset = 0x0C;
constexpr uint32_t kRcrbDeviceShift = 16;
constexpr uint32_t kRcrbIdMask = 0xFFFF;
constexpr uint32_t kRcEventNextBusShift = 8;
constexpr uint32_t kRcEventLastBusShift = 16;
constexpr uint32_t kRcEventBusMask = 0xFF;

// Vendor-specific: its header says how long it is.
constexpr uint32_t kVsecHeaderOffset = 0x04;
constexpr uint32_t kVsecLengthShift = 20;
constexpr uint32_t kVsecLengthMask = 0xFFF;
constexpr uint32_t kVsecRevisionShift = 16;
constexpr uint32_t kVsecRevisionMask = 0xF;
constexpr uint32_t kVsecHeaderBytes = 8;
constexpr uint32_t kVsecIdMask = 0xFFFF;
// Designated vendor-specific: vendor, revision and length, then the DVSEC ID.
constexpr uint32_t kDvsecHeader1Offset = 0x04;
constexpr uint32_t kDvsecHeader2Offset = 0x08;
constexpr uint32_t kDvsecLengthShift = 20;
constexpr uint32_t kDvsecLengthMask = 0xFFF;
constexpr uint32_t kDvsecRevisionShift = 16;
constexpr uint32_t kDvsecRevisionMask = 0xF;
constexpr uint32_t kDvsecVendorMask = 0xFFFF;
constexpr uint32_t kDvsecHeaderBytes = 10;

// Configuration access correlation.
constexpr uint32_t kConfigAccessTrustedOffset = 0x04;

// Access control services.
constexpr uint32_t kAcsCapOffset = 0x04;
constexpr uint32_t kAcsControlOffset = 0x06;
constexpr uint32_t kAcsEgressVectorOffset = 0x08;
constexpr uint16_t kAcsEgressControl = 0x0020;
constexpr uint32_t kAcsEgressSizeShift = 8;
constexpr uint32_t kAcsEgressSizeMask = 0xFF; // 0 means 256

// Alternative routing-ID interpretation.
constexpr uint32_t kAriCapOffset = 0x04;
constexpr uint32_t kAriControlOffset = 0x06;
constexpr uint32_t kAriNextFunctionShift = 8;
constexpr uint32_t kAriFunctionGroupShift = 4;
constexpr uint32_t kAriFunctionGroupMask = 0x7;

// Address translation service.
constexpr uint32_t kAtsCapOffset = 0x04;
constexpr uint32_t kAtsControlOffset = 0x06;
constexpr uint32_t kAtsQueueDepthMask = 0x1F;
constexpr uint32_t kAtsSmallestUnitMask = 0x1F;
constexpr uint32_t kAtsEnableBit = 15;

// Single root I/O virtualization.
constexpr uint32_t kSriovCapOffset = 0x04;
constexpr uint32_t kSriovControlOffset = 0x08;
constexpr uint32_t kSriovStatusOffset = 0x0A;
constexpr uint32_t kSriovInitialVfsOffset = 0x0C;
constexpr uint32_t kSriovTotalVfsOffset = 0x0E;
constexpr uint32_t kSriovNumVfsOffset = 0x10;
constexpr uint32_t kSriovDependencyOffset = 0x12;
constexpr uint32_t kSriovFirstVfOffset = 0x14;
constexpr uint32_t kSriovVfStrideOffset = 0x16;
constexpr uint32_t kSriovVfDeviceIdOffset = 0x1A;
constexpr uint32_t kSriovPageSizesOffset = 0x1C;
constexpr uint32_t kSriovSystemPageSizeOffset = 0x20;
constexpr uint32_t kSriovVfBar0Offset = 0x24;
constexpr uint32_t kSriovVfBarCount = 6;
constexpr uint32_t kSriovMigrationStateOffset = 0x3C;
constexpr uint32_t kSriovMigrationBirMask = 0x7;
constexpr uint16_t kSriovControlVfEnable = 0x0001;
constexpr uint16_t kSriovControlVfMemorySpace = 0x0008;
constexpr uint16_t kSriovStatusMigration = 0x0001; // VF migration status, write-one-to-clear
constexpr uint32_t kSriovMessageNumberShift = 21;
constexpr uint32_t kSriovMessageNumberMask = 0x7FF;

// Multicast.
constexpr uint32_t kMcastCapOffset = 0x04;
constexpr uint32_t kMcastControlOffset = 0x06;
constexpr uint32_t kMcastBaseOffset = 0x08;
constexpr uint32_t kMcastReceiveOffset = 0x10;
constexpr uint32_t kMcastBlockAllOffset = 0x18;
constexpr uint32_t kMcastBlockUntranslatedOffset = 0x20;
constexpr uint32_t kMcastOverlayOffset = 0x28;
constexpr uint32_t kMcastGroupMask = 0x3F; // groups minus one
constexpr uint32_t kMcastWindowShift = 8;
constexpr uint32_t kMcastIndexPositionMask = 0x3F;
constexpr uint32_t kMcastBaseAddressMask = 0xFFFFF000;
constexpr uint32_t kMcastOverlaySizeMask = 0x3F; // log2 bytes of the overlay, low bits of the overlay BAR
constexpr uint32_t kMcastOverlayMinSize = 6;     // smaller sizes turn the overlay off
constexpr uint32_t kMcastEnableBit = 15;         // control; in the capability the same bit is ECRC regeneration

// Page request interface.
constexpr uint32_t kPriControlOffset = 0x04;
constexpr uint32_t kPriStatusOffset = 0x06;
constexpr uint32_t kPriCapacityOffset = 0x08;
constexpr uint32_t kPriAllocationOffset = 0x0C;
constexpr uint16_t kPriStatusErrorBits = 0x0003; // response failure, unexpected group index

// Resizable BAR (and its VF form): pairs of capability and control dwords.
constexpr uint32_t kRebarFirstOffset = 0x04;
constexpr uint32_t kRebarEntryBytes = 8;
constexpr uint32_t kRebarControlOffset = 4; // within an entry
constexpr uint32_t kRebarIndexMask = 0x7;
constexpr uint32_t kRebarCountShift = 5;
constexpr uint32_t kRebarCountMask = 0x7;
constexpr uint32_t kRebarMaxEntries = 6;
constexpr uint32_t kRebarSizeShift = 8;
constexpr uint32_t kRebarSizeMask = 0x3F;   // 1 MiB << field
constexpr uint32_t kRebarCapSizesShift = 4; // bit 4 is 1 MiB

// Dynamic power allocation.
constexpr uint32_t kDpaCapOffset = 0x04;
constexpr uint32_t kDpaLatencyOffset = 0x08;
constexpr uint32_t kDpaStatusOffset = 0x0C;
constexpr uint32_t kDpaControlOffset = 0x0E;
constexpr uint32_t kDpaAllocationOffset = 0x10;
constexpr uint32_t kDpaSubstateMask = 0x1F;

// TPH requester.
constexpr uint32_t kTphCapOffset = 0x04;
constexpr uint32_t kTphControlOffset = 0x08;
constexpr uint32_t kTphTableOffset = 0x0C;
constexpr uint32_t kTphLocationShift = 9;
constexpr uint32_t kTphLocationMask = 0x3;
constexpr uint32_t kTphLocationCapability = 1;
constexpr uint32_t kTphTableSizeShift = 16;
constexpr uint32_t kTphTableSizeMask = 0x7FF; // entries minus one
constexpr uint32_t kTphEntryBytes = 2;

// Latency tolerance reporting: value in bits 9:0, scale (1 << 5 * scale ns) in 12:10.
constexpr uint32_t kLtrMaxSnoopOffset = 0x04;
constexpr uint32_t kLtrMaxNoSnoopOffset = 0x06;
constexpr uint32_t kLtrValueMask = 0x3FF;
constexpr uint32_t kLtrScaleShift = 10;
constexpr uint32_t kLtrScaleMask = 0x7;

// Secondary PCI Express: lane equalization controls follow, one word per lane.
constexpr uint32_t kSecLinkControl3Offset = 0x04;
constexpr uint32_t kSecLaneErrorStatusOffset = 0x08;
constexpr uint32_t kSecLaneEqualizationOffset = 0x0C;

// Process address space ID.
constexpr uint32_t kPasidCapOffset = 0x04;
constexpr uint32_t kPasidControlOffset = 0x06;
constexpr uint32_t kPasidWidthShift = 8;
constexpr uint32_t kPasidWidthMask = 0x1F;

// LN requester.
constexpr uint32_t kLnCapOffset = 0x04;
constexpr uint32_t kLnControlOffset = 0x06;

// Downstream port containment.
constexpr uint32_t kDpcCapOffset = 0x04;
constexpr uint32_t kDpcControlOffset = 0x06;
constexpr uint32_t kDpcStatusOffset = 0x08;
constexpr uint32_t kDpcSourceOffset = 0x0A;
constexpr uint32_t kDpcPioStatusOffset = 0x0C;
constexpr uint32_t kDpcPioMaskOffset = 0x10;
constexpr uint32_t kDpcPioSeverityOffset = 0x14;
constexpr uint32_t kDpcPioSysErrorOffset = 0x18;
constexpr uint32_t kDpcPioExceptionOffset = 0x1C;
constexpr uint32_t kDpcPioHeaderLogOffset = 0x20;
constexpr uint32_t kDpcMessageNumberMask = 0x1F;
constexpr uint32_t kDpcPioLogSizeShift = 8;
constexpr uint32_t kDpcPioLogSizeMask = 0xF;
constexpr uint32_t kDpcTriggerControlMask = 0x3;
constexpr uint32_t kDpcReasonShift = 1;
constexpr uint32_t kDpcReasonMask = 0x3;
constexpr uint32_t kDpcReasonExtensionShift = 5;
constexpr uint32_t kDpcReasonExtensionMask = 0x3;
constexpr uint32_t kDpcPioPointerShift = 8;
constexpr uint32_t kDpcPioPointerMask = 0x1F;
constexpr uint32_t kDpcRootPortExtensionsBit = 5;
constexpr uint16_t kDpcStatusClearBits = 0x0009; // trigger status, interrupt status

// L1 PM substates.
constexpr uint32_t kL1ssCapOffset = 0x04;
constexpr uint32_t kL1ssControl1Offset = 0x08;
constexpr uint32_t kL1ssControl2Offset = 0x0C;
constexpr uint32_t kL1ssStatusOffset = 0x10;
constexpr uint32_t kL1ssL12Supported = 0x5; // PCI-PM or ASPM L1.2: the timing fields mean something
constexpr uint32_t kL1ssCommonModeShift = 8;
constexpr uint32_t kL1ssCommonModeMask = 0xFF;
constexpr uint32_t kL1ssPowerOnScaleShift = 16;
constexpr uint32_t kL1ssPowerOnScaleMask = 0x3;
constexpr uint32_t kL1ssPowerOnValueShift = 19;
constexpr uint32_t kL1ssPowerOnValueMask = 0x1F;
constexpr uint32_t kL1ssThresholdValueShift = 16;
constexpr uint32_t kL1ssThresholdValueMask = 0x3FF;
constexpr uint32_t kL1ssThresholdScaleShift = 29;
constexpr uint32_t kL1ssThresholdScaleMask = 0x7;
constexpr uint32_t kL1ssControl2ScaleMask = 0x3;
constexpr uint32_t kL1ssControl2ValueShift = 3;
constexpr uint32_t kL1ssControl2ValueMask = 0x1F;
constexpr uint32_t kL1ssStatusActivation = 0x00000001; // link activation interrupt status

// Precision time measurement.
constexpr uint32_t kPtmCapOffset = 0x04;
constexpr uint32_t kPtmControlOffset = 0x08;
constexpr uint32_t kPtmGranularityShift = 8;
constexpr uint32_t kPtmGranularityMask = 0xFF;

// FRS queueing and readiness time reporting.
constexpr uint32_t kFrsCapOffset = 0x04;
constexpr uint32_t kFrsStatusOffset = 0x08;
constexpr uint32_t kFrsControlOffset = 0x0A;
constexpr uint32_t kFrsMessageQueueOffset = 0x0C;
constexpr uint32_t kReadinessTime1Offset = 0x04;
constexpr uint32_t kReadinessTime2Offset = 0x08;
constexpr uint32_t kReadinessValueMask = 0x1FF;
constexpr uint32_t kReadinessScaleShift = 9;
constexpr uint32_t kReadinessScaleMask = 0x7;
constexpr uint32_t kReadinessSecondShift = 12; // each register holds two times
constexpr uint32_t kReadinessValidBit = 31;
constexpr uint32_t kFrsQueueDepthMask = 0xFFF;
constexpr uint32_t kFrsMessageNumberShift = 16;
constexpr uint32_t kFrsMessageNumberMask = 0x1F;

// Data link feature.
constexpr uint32_t kDlfCapOffset = 0x04;
constexpr uint32_t kDlfStatusOffset = 0x08;
constexpr uint32_t kDlfRemoteFeaturesMask = 0x7FFFFF;
constexpr uint32_t kDlfValidBit = 31;

// Physical layer 16, 32 and 64 GT/s share their first registers.
constexpr uint32_t kPhyCapOffset = 0x04;
constexpr uint32_t kPhyControlOffset = 0x08;
constexpr uint32_t kPhyStatusOffset = 0x0C;
constexpr uint32_t kPhy16LocalParityOffset = 0x10;
constexpr uint32_t kPhy16FirstRetimerParityOffset = 0x14;
constexpr uint32_t kPhy16SecondRetimerParityOffset = 0x18;
constexpr uint32_t kPhy16LaneEqualizationOffset = 0x20;
constexpr uint32_t kPhy32ModifiedTs1Offset = 0x10;
constexpr uint32_t kPhy32ModifiedTs2Offset = 0x14;
constexpr uint32_t kPhy32LaneEqualizationOffset = 0x20;

// Lane margining at the receiver: port registers, then one control/status pair per lane.
constexpr uint32_t kMarginPortCapOffset = 0x04;
constexpr uint32_t kMarginPortStatusOffset = 0x06;
constexpr uint32_t kMarginLaneOffset = 0x08;
constexpr uint32_t kMarginLaneBytes = 4;

// Hierarchy ID.
constexpr uint32_t kHierarchyStatusOffset = 0x04;
constexpr uint32_t kHierarchyDataOffset = 0x08;
constexpr uint32_t kHierarchyGuid1Offset = 0x0C;

// Native PCIe enclosure management.
constexpr uint32_t kNpemCapOffset = 0x04;
constexpr uint32_t kNpemControlOffset = 0x08;
constexpr uint32_t kNpemStatusOffset = 0x0C;

// Alternate protocol.
constexpr uint32_t kAltProtocolCapOffset = 0x04;
constexpr uint32_t kAltProtocolControlOffset = 0x08;

// Data object exchange: capabilities, control, status, then the write and read mailboxes.
constexpr uint32_t kDoeCapOffset = 0x04;
constexpr uint32_t kDoeControlOffset = 0x08;
constexpr uint32_t kDoeStatusOffset = 0x0C;
constexpr uint32_t kDoeWriteMailboxOffset = 0x10;
constexpr uint32_t kDoeReadMailboxOffset = 0x14;
constexpr uint32_t kDoeCapabilityBytes = 0x18;
constexpr uint32_t kDoeMessageNumberShift = 1;
constexpr uint32_t kDoeMessageNumberMask = 0x7FF;

// Device 3.
constexpr uint32_t kDevice3CapOffset = 0x04;
constexpr uint32_t kDevice3ControlOffset = 0x08;
constexpr uint32_t kDevice3StatusOffset = 0x0C;

// Integrity and data encryption: link streams first, then selective streams,
// each with its address association blocks.
constexpr uint32_t kIdeCapOffset = 0x04;
constexpr uint32_t kIdeControlOffset = 0x08;
constexpr uint32_t kIdeFirstStreamOffset = 0x0C;
constexpr uint32_t kIdeLinkStreamsSupported = 0x1;
constexpr uint32_t kIdeSelectiveStreamsSupported = 0x2;
constexpr uint32_t kIdeLinkStreamCountShift = 13; // traffic classes minus one: one link stream each
constexpr uint32_t kIdeStreamCountMask = 0x7;
constexpr uint32_t kIdeMaxLinkStreams = 8;
constexpr uint32_t kIdeSelectiveStreamCountShift = 16; // streams minus one
constexpr uint32_t kIdeSelectiveStreamCountMask = 0xFF;
constexpr uint32_t kIdeLinkStreamBytes = 8;       // control, status
constexpr uint32_t kIdeSelectiveHeaderBytes = 20; // capability, control, status, two RID associations
constexpr uint32_t kIdeAddressBlockBytes = 12;
constexpr uint32_t kIdeAddressBlockCountMask = 0xF;

// Flit logging.
constexpr uint32_t kFlitErrorLog1Offset = 0x04;
constexpr uint32_t kFlitErrorLog2Offset = 0x08;
constexpr uint32_t kFlitErrorCounterControlOffset = 0x0C;
constexpr uint32_t kFlitErrorCounterStatusOffset = 0x0E;
constexpr uint32_t kFlitFbcOffset = 0x10;

} // namespace pci
