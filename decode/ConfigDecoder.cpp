#include "ConfigDecoder.h"

#include "ClassCodeNames.h"
#include "ConfigRegisters.h"

#include <stdarg.h>
#include <stdio.h>

#include <iterator>

using namespace ConfigRegisters;

namespace {

struct CBitName
{
    uint16_t mask;
    const char* name;
};

const CBitName kCommandBits[] = {
    {0x0200, "Fast Back-to-back"},
    {0x0100, "SERR# Enable"},
    {0x0080, "Stepping Control"},
    {0x0040, "Parity Error Response"},
    {0x0020, "VGA Palette Snoop"},
    {0x0010, "Memory Write and Invalidate Enable"},
    {0x0008, "Special Cycles"},
    {0x0004, "Bus Master"},
    {0x0002, "Memory Space"},
    {0x0001, "I/O Space"},
};

// Status bits above the device-select timing field, then those below it.
const CBitName kStatusErrorBits[] = {
    {0x8000, "Detected Parity Error"},
    {0x4000, "Signaled System Error"},
    {0x2000, "Received Master Abort"},
    {0x1000, "Received Target Abort"},
    {0x0800, "Signaled Target Abort"},
};
const CBitName kStatusFeatureBits[] = {
    {0x0100, "Master Data Parity Error"},
    {0x0080, "Fast Back-to-Back Capable"},
    {0x0040, "User-Definable Features"},
    {0x0020, "66 MHz Capable"},
    {0x0010, "Capabilities List Implemented"},
};
constexpr unsigned kDevselShift = 9;
constexpr unsigned kDevselMask = 3;
// Indexed by the device-select timing field; the value 3 is reserved and named by nothing.
const char* const kDevselTimings[] = {
    "Fast Device Select Timing",
    "Medium Device Select Timing",
    "Slow Device Select Timing",
    nullptr,
};

constexpr uint32_t kCacheLineUnit = 4;
constexpr uint8_t kBistCapable = 0x80;
// One 33 MHz clock counted as 1000/33 ns, truncated.
constexpr uint32_t kNsPerThousandClocks = 1000;
constexpr uint32_t kBusMhz = 33;

const char* const kInterruptPins[] = {"", "INTA#", "INTB#", "INTC#", "INTD#"};

constexpr uint32_t kIoBarFlag = 0x1;
constexpr uint32_t kIoBarBaseMask = 0xFFFFFFFC;
constexpr uint32_t kMemoryBarBaseMask = 0xFFFFFFF0;
constexpr unsigned kMemoryTypeShift = 1;
constexpr uint32_t kMemoryTypeMask = 3;
constexpr uint32_t kMemoryType64Bit = 2;
constexpr uint32_t kPrefetchableFlag = 0x8;

constexpr uint8_t kWindowWideMask = 0x0F;
constexpr uint8_t kIoWindowMask = 0xF0;
constexpr unsigned kIoWindowShift = 8;
constexpr uint32_t kIoWindowLimitFill = 0xFFF;
constexpr uint16_t kMemoryWindowMask = 0xFFF0;
constexpr unsigned kMemoryWindowShift = 16;
constexpr uint32_t kMemoryWindowLimitFill = 0xFFFFF;

// Capability layout: ID and next pointer, then fields at fixed offsets from the start.
constexpr uint32_t kCapabilityId = 0;
enum : uint8_t {
    kCapPowerManagement = 1,
    kCapAgp = 2,
    kCapVpd = 3,
    kCapSlotIdentification = 4,
    kCapMsi = 5,
    kCapLastKnown = 12,
};
// Texts of the capabilities that show no fields, indexed by ID.
const char* const kPlainCapabilities[] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "New Capability: CompactPCI Hot Swap",
    "New Capability: PCI-X",
    "New Capability: Reserved for AMD",
    "New Capability: Vendor Specific",
    "New Capability: Debug Port",
    "New Capability: CompactPCI Central Resource Control",
    "New Capability: PCI Hot plug",
};
// Field offsets from the first byte of a capability.
constexpr uint32_t kPmCapabilities = 2;
constexpr uint32_t kPmControlStatus = 4;
constexpr uint32_t kPmBridgeSupport = 6;
constexpr uint32_t kPmData = 7;
constexpr uint32_t kAgpStatus = 4;
constexpr uint32_t kAgpCommand = 8;
constexpr uint32_t kVpdAddress = 2;
constexpr uint32_t kVpdData = 4;
constexpr uint32_t kSlotExpansion = 2;
constexpr uint32_t kSlotChassis = 3;
constexpr uint32_t kMsiControl = 2;
constexpr uint32_t kMsiAddress = 4;
constexpr uint32_t kMsiUpperAddress = 8;
constexpr uint32_t kMsiData32 = 8;
constexpr uint32_t kMsiData64 = 12;
constexpr uint16_t kMsi64BitCapable = 0x0080;
// What a capability field shows when it would reach past the end of the image.
const char kFieldOutsideImage[] = "n/a";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

template <size_t N>
void AppendSetBits(std::string& text, uint16_t value, const CBitName (&bits)[N])
{
    for (const CBitName& bit : bits) {
        if ((value & bit.mask) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += bit.name;
    }
}

void AppendName(std::string& text, const char* name)
{
    if (!text.empty())
        text += ", ";
    text += name;
}

uint32_t ClocksToNs(uint32_t clocks)
{
    return clocks * kNsPerThousandClocks / kBusMhz;
}

}  // namespace

std::string CConfigDecoder::FormatOffset(uint32_t offset) const
{
    return m_hexMode ? Format("%02Xh", offset) : Format("%03ud", offset);
}

std::string CConfigDecoder::FormatValue(uint32_t value, uint32_t size) const
{
    if (!m_hexMode)
        return Format("%ud", value);
    switch (size) {
    case kByte:
        return Format("%02Xh", value);
    case kWord:
        return Format("%04Xh", value);
    default:
        return Format("%08Xh", value);
    }
}

const char* CConfigDecoder::FormatSize(uint32_t size)
{
    switch (size) {
    case kByte:
        return "BYTE";
    case kWord:
        return "WORD";
    default:
        return "DWORD";
    }
}

std::string CConfigDecoder::DecodeCommand(const uint8_t* config)
{
    std::string text;
    AppendSetBits(text, ReadWord(config, kCommand), kCommandBits);
    return text;
}

std::string CConfigDecoder::DecodeStatus(const uint8_t* config)
{
    const uint16_t status = ReadWord(config, kStatus);
    std::string text;
    AppendSetBits(text, status, kStatusErrorBits);
    if (const char* timing = kDevselTimings[(status >> kDevselShift) & kDevselMask])
        AppendName(text, timing);
    AppendSetBits(text, status, kStatusFeatureBits);
    return text;
}

std::string CConfigDecoder::DecodeCacheLineSize(const uint8_t* config)
{
    const uint32_t value = ReadByte(config, kCacheLineSize);
    return value == 0 ? std::string() : Format("%d bytes", int(value * kCacheLineUnit));
}

std::string CConfigDecoder::DecodeLatencyTimer(const uint8_t* config)
{
    const uint32_t value = ReadByte(config, kLatencyTimer);
    if (value == 0)
        return {};
    return Format("%d ns guaranteed bus master ownership (%d PCI cycles at 33 MHz)", int(ClocksToNs(value)),
                  int(value));
}

std::string CConfigDecoder::DecodeMinGrant(const uint8_t* config)
{
    const uint32_t value = ReadByte(config, kMinGrant);
    if (value == 0)
        return {};
    return Format("Requests minimum %d ns bus master ownership (%d PCI cycles at 33 MHz)", int(ClocksToNs(value)),
                  int(value));
}

std::string CConfigDecoder::DecodeMaxLatency(const uint8_t* config)
{
    const uint32_t value = ReadByte(config, kMaxLatency);
    if (value == 0)
        return {};
    return Format("Requests bus master ownership every %d ns interval (every %d PCI cycles at 33 MHz)",
                  int(ClocksToNs(value)), int(value));
}

std::string CConfigDecoder::DecodeBist(const uint8_t* config)
{
    return (ReadByte(config, kBist) & kBistCapable) ? "Built-in Self-test supported" : "";
}

std::string CConfigDecoder::DecodeInterruptLine(const uint8_t* config)
{
    if (ReadByte(config, kInterruptPin) == 0)
        return {};
    return Format("IRQ%d", int(ReadByte(config, kInterruptLine)));
}

std::string CConfigDecoder::DecodeInterruptPin(const uint8_t* config)
{
    const uint8_t pin = ReadByte(config, kInterruptPin);
    return pin < std::size(kInterruptPins) ? kInterruptPins[pin] : "";
}

std::string CConfigDecoder::DecodeIoBase(const uint8_t* config)
{
    const uint8_t base = ReadByte(config, kIoBase);
    const uint32_t low = uint32_t(base & kIoWindowMask) << kIoWindowShift;
    if ((base & kWindowWideMask) == 0)
        return Format("Secondary Bus 16-bit I/O Address Range Start: %04Xh", low);
    const uint32_t upper = uint32_t(ReadWord(config, kIoBaseUpper)) << 16;
    return Format("Secondary Bus 32-bit I/O Address Range Start: %08Xh", upper | low);
}

std::string CConfigDecoder::DecodeIoLimit(const uint8_t* config)
{
    const uint8_t limit = ReadByte(config, kIoLimit);
    const uint32_t low = (uint32_t(limit & kIoWindowMask) << kIoWindowShift) | kIoWindowLimitFill;
    if ((limit & kWindowWideMask) == 0)
        return Format("Secondary Bus 16-bit I/O Address Range End: %04Xh", low);
    const uint32_t upper = uint32_t(ReadWord(config, kIoLimitUpper)) << 16;
    return Format("Secondary Bus 32-bit I/O Address Range End: %08Xh", upper | low);
}

std::string CConfigDecoder::DecodeMemoryBase(const uint8_t* config)
{
    const uint32_t base = uint32_t(ReadWord(config, kMemoryBase) & kMemoryWindowMask) << kMemoryWindowShift;
    return Format("Secondary Bus Memory-mapped 32-bit I/O Address Range Start: %08Xh", base);
}

std::string CConfigDecoder::DecodeMemoryLimit(const uint8_t* config)
{
    const uint32_t limit =
        (uint32_t(ReadWord(config, kMemoryLimit) & kMemoryWindowMask) << kMemoryWindowShift) | kMemoryWindowLimitFill;
    return Format("Secondary Bus Memory-mapped 32-bit I/O Address Range End: %08Xh", limit);
}

std::string CConfigDecoder::DecodePrefetchableBase(const uint8_t* config)
{
    const uint16_t word = ReadWord(config, kPrefetchableBase);
    const uint32_t low = uint32_t(word & kMemoryWindowMask) << kMemoryWindowShift;
    if ((word & kWindowWideMask) == 0)
        return Format("Secondary Bus 32-bit Prefetchable Memory Address Range Start: %08Xh", low);
    return Format("Secondary Bus 64-bit Prefetchable Memory Address Range Start: %08Xh:%08Xh",
                  ReadDword(config, kPrefetchableBaseUpper), low);
}

std::string CConfigDecoder::DecodePrefetchableLimit(const uint8_t* config)
{
    const uint16_t word = ReadWord(config, kPrefetchableLimit);
    const uint32_t low = (uint32_t(word & kMemoryWindowMask) << kMemoryWindowShift) | kMemoryWindowLimitFill;
    if ((word & kWindowWideMask) == 0)
        return Format("Secondary Bus 32-bit Prefetchable Memory Address Range End: %08Xh", low);
    return Format("Secondary Bus 64-bit Prefetchable Memory Address Range End: %08Xh:%08Xh",
                  ReadDword(config, kPrefetchableLimitUpper), low);
}

std::string CConfigDecoder::DecodeClassCode(const uint8_t* config)
{
    return CClassCodeNames::FindClassName(ReadByte(config, kBaseClass));
}

std::string CConfigDecoder::DecodeSubclass(const uint8_t* config)
{
    return CClassCodeNames::FindSubclassName(ReadByte(config, kBaseClass), ReadByte(config, kSubclass),
                                             ReadByte(config, kProgrammingInterface));
}

std::string CConfigDecoder::DecodeBar(uint32_t value, uint32_t upper, uint32_t size, bool* is64Bit) const
{
    if (is64Bit)
        *is64Bit = false;
    if (value == 0)
        return {};
    if (value & kIoBarFlag) {
        const uint32_t base = value & kIoBarBaseMask;
        if (base == 0)
            return {};
        return m_hexMode ? Format("I/O Range (Base = %08Xh, Size = %08Xh)", base, size)
                         : Format("I/O Range (Base = %ud, Size = %ud)", base, size);
    }
    const bool wide = ((value >> kMemoryTypeShift) & kMemoryTypeMask) == kMemoryType64Bit;
    const char* prefetch = (value & kPrefetchableFlag) ? "Prefetchable" : "";
    const uint32_t base = value & kMemoryBarBaseMask;
    if (is64Bit)
        *is64Bit = wide;
    if (wide) {
        return m_hexMode ? Format("64-bit %s Memory (Base = %08Xh:%08Xh, Size = %08Xh)", prefetch, upper, base, size)
                         : Format("64-bit %s Memory (Base = %ud:%ud, Size = %ud)", prefetch, upper, base, size);
    }
    return m_hexMode ? Format("32-bit %s Memory (Base = %08Xh, Size = %08Xh)", prefetch, base, size)
                     : Format("32-bit %s Memory (Base = %ud, Size = %ud)", prefetch, base, size);
}

std::string CConfigDecoder::DecodeCapability(uint32_t index, const std::vector<CapabilityRecord>& records) const
{
    for (const CapabilityRecord& record : records) {
        if (record.index != index)
            continue;
        std::string text = DecodeKnownCapability(record);
        if (!text.empty())
            return text;
    }
    return {};
}

std::string CConfigDecoder::DecodeKnownCapability(const CapabilityRecord& record) const
{
    const uint8_t id = record.bytes[kCapabilityId];
    switch (id) {
    case kCapPowerManagement:
        return DecodePowerManagement(record);
    case kCapAgp:
        return DecodeAgp(record);
    case kCapVpd:
        return DecodeVpd(record);
    case kCapSlotIdentification:
        return DecodeSlotIdentification(record);
    case kCapMsi:
        return DecodeMsi(record);
    default:
        return id <= kCapLastKnown && kPlainCapabilities[id] ? kPlainCapabilities[id] : "";
    }
}

// A field that would reach past offset FFh of the image shows kFieldOutsideImage
// instead of a value: the register does not exist, and reading on would leave the image.
std::string CConfigDecoder::FormatField(const CapabilityRecord& record, uint32_t offset, uint32_t size) const
{
    if (record.index * kDword + offset + size > kImageSize)
        return kFieldOutsideImage;
    return FormatValue(Read(record.bytes, offset, size), size);
}

std::string CConfigDecoder::DecodePowerManagement(const CapabilityRecord& record) const
{
    return "New Capability: PCI Power Management (Power Management Capabilities = " + FormatField(record, kPmCapabilities, kWord) +
           ", Control/Status Register = " + FormatField(record, kPmControlStatus, kWord) +
           ", Bridge Support Extensions = " + FormatField(record, kPmBridgeSupport, kByte) +
           ", Data Register = " + FormatField(record, kPmData, kByte) + ")";
}

std::string CConfigDecoder::DecodeAgp(const CapabilityRecord& record) const
{
    return "New Capability: AGP (AGP Status Register = " + FormatField(record, kAgpStatus, kDword) +
           ", AGP Command Register = " + FormatField(record, kAgpCommand, kDword) + ")";
}

std::string CConfigDecoder::DecodeVpd(const CapabilityRecord& record) const
{
    return "New Capability: VPD (VPD Address Register = " + FormatField(record, kVpdAddress, kWord) +
           ", VPD Data Register = " + FormatField(record, kVpdData, kDword) + ")";
}

std::string CConfigDecoder::DecodeSlotIdentification(const CapabilityRecord& record) const
{
    return "New Capability: Slot Identification (Expansion Slot Register = " + FormatField(record, kSlotExpansion, kByte) +
           ", Chassis Number = " + FormatField(record, kSlotChassis, kByte) + ")";
}

std::string CConfigDecoder::DecodeMsi(const CapabilityRecord& record) const
{
    const std::string control = FormatField(record, kMsiControl, kWord);
    // The control word is in the image whenever the capability is, since every capability starts on a dword.
    const bool wide = Read(record.bytes, kMsiControl, kWord) & kMsi64BitCapable;
    if (wide) {
        return "New Capability: MSI (Message Control Register = " + control +
               ", Lower Message Address Register = " + FormatField(record, kMsiAddress, kDword) +
               ", Upper Message Address Register = " + FormatField(record, kMsiUpperAddress, kDword) +
               ", Message Data Register = " + FormatField(record, kMsiData64, kWord) + ")";
    }
    return "New Capability: MSI (Message Control Register = " + control +
           ", Message Address Register = " + FormatField(record, kMsiAddress, kDword) +
           ", Message Data Register = " + FormatField(record, kMsiData32, kWord) + ")";
}
