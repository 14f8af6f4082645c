#pragma once
// The device-control protocol of briscodrv.sys: request codes and packed
// little-endian buffer layouts. Shared by the program and the stand-in driver,
// so it depends on nothing but fixed-width integers and the PCI byte order.
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"

#include <stddef.h>
#include <stdint.h>

constexpr uint32_t kDriverDeviceType = 0x8000;
constexpr uint32_t kMethodBuffered = 0;
constexpr uint32_t kFileReadAccess = 1;
constexpr uint32_t kFileWriteAccess = 2;

constexpr uint32_t MakeControlCode(uint32_t function, uint32_t access)
{
    return (kDriverDeviceType << 16) | (access << 14) | (function << 2) | kMethodBuffered;
}

constexpr uint32_t IOCTL_PROBE_FUNCTION = MakeControlCode(0x800, kFileReadAccess);
constexpr uint32_t IOCTL_WRITE_CONFIG = MakeControlCode(0x801, kFileWriteAccess);
constexpr uint32_t IOCTL_READ_CONFIG_SPACE = MakeControlCode(0x802, kFileReadAccess);
constexpr uint32_t IOCTL_READ_CONFIG = MakeControlCode(0x803, kFileReadAccess);
constexpr uint32_t IOCTL_READ_DEVICE = MakeControlCode(0x804, kFileReadAccess);
constexpr uint32_t IOCTL_WRITE_DEVICE = MakeControlCode(0x805, kFileWriteAccess);
// Range requests at a 64-bit address; the program sends them only for addresses above 4 GiB,
// so an older driver still serves every 32-bit address.
constexpr uint32_t IOCTL_READ_DEVICE_WIDE = MakeControlCode(0x806, kFileReadAccess);
constexpr uint32_t IOCTL_WRITE_DEVICE_WIDE = MakeControlCode(0x807, kFileWriteAccess);
// The whole configuration space of a function: 4096 bytes with extended space, 256 without.
constexpr uint32_t IOCTL_READ_EXTENDED_CONFIG_SPACE = MakeControlCode(0x808, kFileReadAccess);
// What answers the requests: a machine image or the live machine, whether it takes configuration
// writes, and its PCI segments. An older driver refuses it; the program then assumes an image.
constexpr uint32_t IOCTL_DESCRIBE_SOURCE = MakeControlCode(0x809, kFileReadAccess);

static_assert(IOCTL_PROBE_FUNCTION == 0x80006000u);
static_assert(IOCTL_WRITE_CONFIG == 0x8000a004u);
static_assert(IOCTL_READ_CONFIG_SPACE == 0x80006008u);
static_assert(IOCTL_READ_CONFIG == 0x8000600cu);
static_assert(IOCTL_READ_DEVICE == 0x80006010u);
static_assert(IOCTL_WRITE_DEVICE == 0x8000a014u);
static_assert(IOCTL_READ_DEVICE_WIDE == 0x80006018u);
static_assert(IOCTL_WRITE_DEVICE_WIDE == 0x8000a01cu);
static_assert(IOCTL_READ_EXTENDED_CONFIG_SPACE == 0x80006020u);
static_assert(IOCTL_DESCRIBE_SOURCE == 0x80006024u);

// Function address: the first 12 bytes of the four configuration requests.
constexpr uint32_t kAddrBusOffset = 0;
constexpr uint32_t kAddrDeviceOffset = 4;
constexpr uint32_t kAddrFunctionOffset = 8;
constexpr uint32_t kFunctionAddressSize = 12;
// The bus field holds the bus in bits 0-7 and the PCI segment in bits 16-31; bits 8-15 are zero,
// so segment 0 is the plain bus number every older caller sends.
constexpr uint32_t kAddrBusMask = 0xFF;
constexpr uint32_t kAddrBusReservedMask = 0xFF00;
constexpr uint32_t kAddrSegmentShift = 16;
constexpr uint32_t MakeBusField(uint16_t segment, uint8_t bus)
{
    return (uint32_t(segment) << kAddrSegmentShift) | bus;
}
constexpr uint16_t BusFieldSegment(uint32_t field)
{
    return uint16_t(field >> kAddrSegmentShift);
}
constexpr uint8_t BusFieldBus(uint32_t field)
{
    return uint8_t(field & kAddrBusMask);
}
constexpr bool BusFieldWellFormed(uint32_t field)
{
    return (field & kAddrBusReservedMask) == 0;
}
static_assert(MakeBusField(0, 0x12) == 0x12);
// A function's place as one number, its segment above its routing ID: keys ascend as lspci -D lists.
constexpr uint32_t kKeySegmentShift = 16;
constexpr uint32_t kKeyRoutingIdMask = 0xFFFF;
constexpr uint32_t FunctionKey(uint16_t segment, uint32_t routingId)
{
    return (uint32_t(segment) << kKeySegmentShift) | (routingId & kKeyRoutingIdMask);
}
constexpr uint16_t FunctionKeySegment(uint32_t key)
{
    return uint16_t(key >> kKeySegmentShift);
}
constexpr uint32_t FunctionKeyRoutingId(uint32_t key)
{
    return key & kKeyRoutingIdMask;
}
// The highest segment a request can name; Linux numbers some domains beyond it.
constexpr uint32_t kMaxSegment = 0xFFFF;
static_assert(BusFieldSegment(MakeBusField(0x0001, 3)) == 1 && BusFieldBus(MakeBusField(0x0001, 3)) == 3);

// The location string of a plug-and-play record names no segment: the instance key of a function
// outside segment 0 holds it in this DWORD value; a key without it is of segment 0.
constexpr char kPnpSegmentValue[] = "Segment";

// Probe: address, then a u32 always 0. Answers the first configuration dword.
constexpr uint32_t kProbeReservedOffset = 12;
constexpr uint32_t kProbeInSize = 16;
constexpr uint32_t kProbeOutSize = 4;

// Read configuration space: address only; answers all 256 bytes.
constexpr uint32_t kReadConfigSpaceInSize = 12;
constexpr uint32_t kConfigSpaceSize = pci::kConfigSpaceBytes;

// Read whole configuration space: address only; the output buffer holds 4096 bytes and the
// returned count (4096 or 256) says whether the function has extended space.
constexpr uint32_t kReadExtendedConfigSpaceInSize = 12;
constexpr uint32_t kExtendedConfigSpaceSize = pci::kExtendedConfigSpaceBytes;

// Read/write register: address, offset (u32), size (u8), and for a write the value (u32).
// Offsets reach FFFh for a function with extended space; beyond a function's space they are refused.
constexpr uint32_t kRegOffsetOffset = 12;
constexpr uint32_t kRegSizeOffset = 16;
constexpr uint32_t kRegValueOffset = 17;
constexpr uint32_t kReadConfigInSize = 17;
constexpr uint32_t kReadConfigOutSize = 4;
constexpr uint32_t kWriteConfigInSize = 21;

// Describe the source: no input. Answers a fixed part, then one u16 per segment, ascending.
constexpr uint32_t kDescribeSourceInSize = 0;
constexpr uint32_t kSourceSizeOffset = 0; // bytes of the whole answer
constexpr uint32_t kSourceKindOffset = 4;
constexpr uint32_t kSourceFlagsOffset = 8;
constexpr uint32_t kSourceSegmentCountOffset = 12;
constexpr uint32_t kSourceFixedSize = 16;
constexpr uint32_t kSourceSegmentBytes = 2;
constexpr uint32_t kSourceKindImage = 1;
constexpr uint32_t kSourceKindLive = 2;
constexpr uint32_t kSourceConfigWritesAllowed = 0x1;
// The answer's length with segmentCount segments.
constexpr uint32_t SourceAnswerSize(uint32_t segmentCount)
{
    return kSourceFixedSize + segmentCount * kSourceSegmentBytes;
}

// Device range requests: space (u8), address (u32), unit size (u32), count (u32), then data.
constexpr uint8_t kSpaceIo = 0;
constexpr uint8_t kSpaceMemory = 1;
constexpr uint32_t kRangeSpaceOffset = 0;
constexpr uint32_t kRangeAddressOffset = 1;
constexpr uint32_t kRangeUnitOffset = 5;
constexpr uint32_t kRangeCountOffset = 9;
constexpr uint32_t kRangeHeaderSize = 13;
// A write carries four bytes of no meaning after its data.
constexpr uint32_t kWriteDeviceTrailerSize = 4;
constexpr uint32_t kWriteDeviceOverhead = kRangeHeaderSize + kWriteDeviceTrailerSize;

// Wide range requests: space (u8), address (u64), unit size (u32), count (u32), then for a
// write the data, with no trailing bytes.
constexpr uint32_t kWideRangeSpaceOffset = 0;
constexpr uint32_t kWideRangeAddressOffset = 1;
constexpr uint32_t kWideRangeUnitOffset = 9;
constexpr uint32_t kWideRangeCountOffset = 13;
constexpr uint32_t kWideRangeHeaderSize = 17;
// The most data one range request carries, narrow or wide.
constexpr uint32_t kMaxRangeTransferBytes = 64 * 1024;
// The highest address the narrow requests can carry.
constexpr uint64_t kNarrowAddressLimit = 0x100000000ull;

// The request inputs as structures. Packed and of fixed-width fields only, so a 32-bit program
// and a 64-bit driver lay them out alike; the asserts tie each to the offsets above.
#pragma pack(push, 1)

// Input of 802h and 808h: the function address alone.
struct CConfigSpaceRequest
{
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
};

// Input of 800h.
struct CProbeRequest
{
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
    uint32_t m_reserved;
};

// Input of 803h.
struct CReadConfigRequest
{
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
    uint32_t m_offset;
    uint8_t m_size;
};

// Input of 801h.
struct CWriteConfigRequest
{
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
    uint32_t m_offset;
    uint8_t m_size;
    uint32_t m_value;
};

// Input of 804h; 805h sends its data and the trailer after it.
struct CRangeRequest
{
    uint8_t m_space;
    uint32_t m_address;
    uint32_t m_unit;
    uint32_t m_count;
};

// Input of 806h; 807h sends its data after it.
struct CWideRangeRequest
{
    uint8_t m_space;
    uint64_t m_address;
    uint32_t m_unit;
    uint32_t m_count;
};

// The fixed part of 809h's answer; the segment numbers follow it.
struct CSourceAnswer
{
    uint32_t m_size;
    uint32_t m_kind;
    uint32_t m_flags;
    uint32_t m_segmentCount;
};

#pragma pack(pop)

static_assert(sizeof(CConfigSpaceRequest) == kFunctionAddressSize);
static_assert(sizeof(CConfigSpaceRequest) == kReadConfigSpaceInSize);
static_assert(sizeof(CConfigSpaceRequest) == kReadExtendedConfigSpaceInSize);
static_assert(offsetof(CConfigSpaceRequest, m_bus) == kAddrBusOffset);
static_assert(offsetof(CConfigSpaceRequest, m_device) == kAddrDeviceOffset);
static_assert(offsetof(CConfigSpaceRequest, m_function) == kAddrFunctionOffset);

static_assert(sizeof(CProbeRequest) == kProbeInSize);
static_assert(offsetof(CProbeRequest, m_bus) == kAddrBusOffset);
static_assert(offsetof(CProbeRequest, m_device) == kAddrDeviceOffset);
static_assert(offsetof(CProbeRequest, m_function) == kAddrFunctionOffset);
static_assert(offsetof(CProbeRequest, m_reserved) == kProbeReservedOffset);

static_assert(sizeof(CReadConfigRequest) == kReadConfigInSize);
static_assert(offsetof(CReadConfigRequest, m_bus) == kAddrBusOffset);
static_assert(offsetof(CReadConfigRequest, m_device) == kAddrDeviceOffset);
static_assert(offsetof(CReadConfigRequest, m_function) == kAddrFunctionOffset);
static_assert(offsetof(CReadConfigRequest, m_offset) == kRegOffsetOffset);
static_assert(offsetof(CReadConfigRequest, m_size) == kRegSizeOffset);

static_assert(sizeof(CWriteConfigRequest) == kWriteConfigInSize);
static_assert(offsetof(CWriteConfigRequest, m_bus) == kAddrBusOffset);
static_assert(offsetof(CWriteConfigRequest, m_device) == kAddrDeviceOffset);
static_assert(offsetof(CWriteConfigRequest, m_function) == kAddrFunctionOffset);
static_assert(offsetof(CWriteConfigRequest, m_offset) == kRegOffsetOffset);
static_assert(offsetof(CWriteConfigRequest, m_size) == kRegSizeOffset);
static_assert(offsetof(CWriteConfigRequest, m_value) == kRegValueOffset);

static_assert(sizeof(CRangeRequest) == kRangeHeaderSize);
static_assert(offsetof(CRangeRequest, m_space) == kRangeSpaceOffset);
static_assert(offsetof(CRangeRequest, m_address) == kRangeAddressOffset);
static_assert(offsetof(CRangeRequest, m_unit) == kRangeUnitOffset);
static_assert(offsetof(CRangeRequest, m_count) == kRangeCountOffset);

static_assert(sizeof(CSourceAnswer) == kSourceFixedSize);
static_assert(offsetof(CSourceAnswer, m_size) == kSourceSizeOffset);
static_assert(offsetof(CSourceAnswer, m_kind) == kSourceKindOffset);
static_assert(offsetof(CSourceAnswer, m_flags) == kSourceFlagsOffset);
static_assert(offsetof(CSourceAnswer, m_segmentCount) == kSourceSegmentCountOffset);

static_assert(sizeof(CWideRangeRequest) == kWideRangeHeaderSize);
static_assert(offsetof(CWideRangeRequest, m_space) == kWideRangeSpaceOffset);
static_assert(offsetof(CWideRangeRequest, m_address) == kWideRangeAddressOffset);
static_assert(offsetof(CWideRangeRequest, m_unit) == kWideRangeUnitOffset);
static_assert(offsetof(CWideRangeRequest, m_count) == kWideRangeCountOffset);

// What FixedRequestInSize answers for a request whose input length is not fixed.
constexpr uint32_t kVariableInSize = 0xFFFFFFFF;

// The one input length a request is served with, or kVariableInSize where there is none: probe and
// read configuration space take longer inputs too, and a device write's length follows from its
// data. A request without input takes none: bytes sent to it are a caller's mistake.
constexpr uint32_t FixedRequestInSize(uint32_t code)
{
    switch (code) {
    case IOCTL_WRITE_CONFIG: return kWriteConfigInSize;
    case IOCTL_READ_CONFIG: return kReadConfigInSize;
    case IOCTL_READ_DEVICE: return kRangeHeaderSize;
    case IOCTL_READ_DEVICE_WIDE: return kWideRangeHeaderSize;
    case IOCTL_READ_EXTENDED_CONFIG_SPACE: return kReadExtendedConfigSpaceInSize;
    case IOCTL_DESCRIBE_SOURCE: return kDescribeSourceInSize;
    default: return kVariableInSize;
    }
}

// The one input length of a device write carrying dataBytes: 805h adds its trailer, 807h does not.
constexpr uint32_t WriteDeviceInSize(bool wide, uint32_t dataBytes)
{
    return dataBytes + (wide ? kWideRangeHeaderSize : kWriteDeviceOverhead);
}
