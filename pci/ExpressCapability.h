#pragma once
// The PCI Express capability (ID 10h): register offsets from the capability's
// first byte, the device/port types, and the multi-bit fields the decoders read.
#include <stdint.h>

namespace pci {

constexpr uint32_t kExpCapabilitiesOffset = 0x02;
constexpr uint32_t kExpDeviceCapOffset = 0x04;
constexpr uint32_t kExpDeviceControlOffset = 0x08;
constexpr uint32_t kExpDeviceStatusOffset = 0x0A;
constexpr uint32_t kExpLinkCapOffset = 0x0C;
constexpr uint32_t kExpLinkControlOffset = 0x10;
constexpr uint32_t kExpLinkStatusOffset = 0x12;
constexpr uint32_t kExpSlotCapOffset = 0x14;
constexpr uint32_t kExpSlotControlOffset = 0x18;
constexpr uint32_t kExpSlotStatusOffset = 0x1A;
constexpr uint32_t kExpRootControlOffset = 0x1C;
constexpr uint32_t kExpRootCapOffset = 0x1E;
constexpr uint32_t kExpRootStatusOffset = 0x20;
constexpr uint32_t kExpDeviceCap2Offset = 0x24;
constexpr uint32_t kExpDeviceControl2Offset = 0x28;
constexpr uint32_t kExpDeviceStatus2Offset = 0x2A;
constexpr uint32_t kExpLinkCap2Offset = 0x2C;
constexpr uint32_t kExpLinkControl2Offset = 0x30;
constexpr uint32_t kExpLinkStatus2Offset = 0x32;
constexpr uint32_t kExpSlotCap2Offset = 0x34;
constexpr uint32_t kExpSlotControl2Offset = 0x38;
constexpr uint32_t kExpSlotStatus2Offset = 0x3A;
// A version 1 capability may end after the root registers; version 2 has all of them.
constexpr uint32_t kExpVersion1Bytes = 0x24;
constexpr uint32_t kExpVersion2Bytes = 0x3C;

// PCI Express Capabilities register.
constexpr uint16_t kExpVersionMask = 0x000F;
constexpr uint32_t kExpPortTypeShift = 4;
constexpr uint16_t kExpPortTypeMask = 0x000F;
constexpr uint16_t kExpSlotImplemented = 0x0100;
constexpr uint32_t kExpInterruptMessageShift = 9;
constexpr uint16_t kExpInterruptMessageMask = 0x001F;

// Device/port types.
constexpr uint32_t kExpTypeEndpoint = 0x0;
constexpr uint32_t kExpTypeLegacyEndpoint = 0x1;
constexpr uint32_t kExpTypeRootPort = 0x4;
constexpr uint32_t kExpTypeUpstreamPort = 0x5;
constexpr uint32_t kExpTypeDownstreamPort = 0x6;
constexpr uint32_t kExpTypeExpressToPciBridge = 0x7;
constexpr uint32_t kExpTypePciToExpressBridge = 0x8;
constexpr uint32_t kExpTypeIntegratedEndpoint = 0x9;
constexpr uint32_t kExpTypeEventCollector = 0xA;

// Device Capabilities and Control: payload and read request sizes are 128 << field.
constexpr uint32_t kExpMaxPayloadMask = 0x7;
constexpr uint32_t kExpPhantomShift = 3;
constexpr uint32_t kExpPhantomMask = 0x3;
constexpr uint32_t kExpL0sLatencyShift = 6;
constexpr uint32_t kExpL1LatencyShift = 9;
constexpr uint32_t kExpLatencyMask = 0x7;
constexpr uint32_t kExpPowerLimitValueShift = 18;
constexpr uint32_t kExpPowerLimitValueMask = 0xFF;
constexpr uint32_t kExpPowerLimitScaleShift = 26;
constexpr uint32_t kExpPowerLimitScaleMask = 0x3;
constexpr uint32_t kExpControlPayloadShift = 5;
constexpr uint32_t kExpControlReadRequestShift = 12;
constexpr uint32_t kExpPayloadBaseBytes = 128;
constexpr uint16_t kExpDeviceControlInitiateFlr = 0x8000; // reads 0; writing 1 resets the function

// Link Capabilities, Control and Status.
constexpr uint32_t kExpLinkSpeedMask = 0xF;
constexpr uint32_t kExpLinkWidthShift = 4;
constexpr uint32_t kExpLinkWidthMask = 0x3F;
// The widest link: per-lane registers past x32 cannot exist.
constexpr uint32_t kExpMaxLinkWidth = 32;
constexpr uint32_t kExpAspmSupportShift = 10;
constexpr uint32_t kExpAspmMask = 0x3;
constexpr uint32_t kExpL0sExitShift = 12;
constexpr uint32_t kExpL1ExitShift = 15;
constexpr uint32_t kExpPortNumberShift = 24;
constexpr uint32_t kExpPortNumberMask = 0xFF;
constexpr uint16_t kExpLinkControlRcb128 = 0x0008;
constexpr uint16_t kExpLinkControlLinkDisable = 0x0010;
constexpr uint16_t kExpLinkControlRetrainLink = 0x0020; // reads 0; writing 1 retrains
constexpr uint32_t kExpLinkStatusWidthShift = 4;
constexpr uint32_t kExpLinkStatusWidthMask = 0x3F;
// Link Capabilities 2: the supported speeds vector, bit 0 is 2.5 GT/s.
constexpr uint32_t kExpSpeedVectorShift = 1;
constexpr uint32_t kExpSpeedVectorMask = 0x7F;
// Link Control 2 and Status 2.
constexpr uint16_t kExpSelectableDeemphasis = 0x0040; // set: -3.5 dB, clear: -6 dB
constexpr uint16_t kExpCurrentDeemphasis = 0x0001;
constexpr uint32_t kExpTransmitMarginShift = 7;
constexpr uint32_t kExpTransmitMarginMask = 0x7;
constexpr uint32_t kExpCompliancePresetShift = 12;
constexpr uint32_t kExpCompliancePresetMask = 0xF;
constexpr uint32_t kExpCrosslinkShift = 8;
constexpr uint32_t kExpCrosslinkMask = 0x3;

// Slot Capabilities.
constexpr uint32_t kExpSlotPowerValueShift = 7;
constexpr uint32_t kExpSlotPowerValueMask = 0xFF;
constexpr uint32_t kExpSlotPowerScaleShift = 15;
constexpr uint32_t kExpSlotPowerScaleMask = 0x3;
constexpr uint32_t kExpPhysicalSlotShift = 19;
constexpr uint32_t kExpPhysicalSlotMask = 0x1FFF;
// Slot Control: indicator fields.
constexpr uint32_t kExpAttentionIndicatorShift = 6;
constexpr uint32_t kExpPowerIndicatorShift = 8;
constexpr uint32_t kExpIndicatorMask = 0x3;

// Root Status.
constexpr uint32_t kExpPmeRequesterMask = 0xFFFF;

// Status bits that hardware clears when a one is written to them.
constexpr uint16_t kExpDeviceStatusErrorBits = 0x000F; // correctable, non-fatal, fatal, unsupported request
constexpr uint16_t kExpLinkStatusChangeBits = 0xC000;  // bandwidth management, autonomous bandwidth
constexpr uint16_t kExpSlotStatusChangeBits = 0x011F;  // attention .. command completed, DLL state changed
constexpr uint32_t kExpRootStatusPmeStatus = 0x00010000;
constexpr uint16_t kExpLinkStatus2EqualizationRequest = 0x0020;

// Device Capabilities 2 and Control 2.
constexpr uint32_t kExpCompletionTimeoutMask = 0xF;
constexpr uint32_t kExpObffShift = 18;
constexpr uint32_t kExpObffMask = 0x3;
constexpr uint32_t kExpControlObffShift = 13;
constexpr uint32_t kExpEmergencyPowerShift = 24;
constexpr uint32_t kExpEmergencyPowerMask = 0x3;
constexpr uint32_t kExpMaxEndEndPrefixesShift = 22;
constexpr uint32_t kExpMaxEndEndPrefixesMask = 0x3;
constexpr uint32_t kExpLnSystemClsShift = 14; // LN system cache line size, root ports only
constexpr uint32_t kExpLnSystemClsMask = 0x3;

} // namespace pci
