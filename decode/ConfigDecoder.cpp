#include "decode/ConfigDecoder.h"

#include "decode/ClassCodeNames.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"

#include <stdarg.h>
#include <stdio.h>

#include <iterator>

namespace {

struct CBitName
{
    uint16_t mask;
    const char* name;
};

const CBitName kCommandBits[] = {
    {pci::kCommandFastBackToBack, "Fast Back-to-back"},
    {pci::kCommandSerrEnable, "SERR# Enable"},
    {pci::kCommandSteppingControl, "Stepping Control"},
    {pci::kCommandParityErrorResponse, "Parity Error Response"},
    {pci::kCommandVgaPaletteSnoop, "VGA Palette Snoop"},
    {pci::kCommandMemoryWriteInvalidate, "Memory Write and Invalidate Enable"},
    {pci::kCommandSpecialCycles, "Special Cycles"},
    {pci::kCommandBusMaster, "Bus Master"},
    {pci::kCommandMemorySpace, "Memory Space"},
    {pci::kCommandIoSpace, "I/O Space"},
};

// Status bits above the device-select timing field, then those below it.
const CBitName kStatusErrorBits[] = {
    {pci::kStatusDetectedParityError, "Detected Parity Error"},
    {pci::kStatusSignaledSystemError, "Signaled System Error"},
    {pci::kStatusReceivedMasterAbort, "Received Master Abort"},
    {pci::kStatusReceivedTargetAbort, "Received Target Abort"},
    {pci::kStatusSignaledTargetAbort, "Signaled Target Abort"},
};
const CBitName kStatusFeatureBits[] = {
    {pci::kStatusMasterDataParityError, "Master Data Parity Error"},
    {pci::kStatusFastBackToBack, "Fast Back-to-Back Capable"},
    {pci::kStatusUserDefinable, "User-Definable Features"},
    {pci::kStatus66MHzCapable, "66 MHz Capable"},
    {pci::kStatusCapabilityList, "Capabilities List Implemented"},
};
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

// Texts of the capabilities that show no fields, indexed by ID.
const char* const kPlainCapabilities[] = {
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "New Capability: CompactPCI Hot Swap",
    "New Capability: PCI-X",
    "New Capability: Reserved for AMD",
    "New Capability: Vendor Specific",
    "New Capability: Debug Port",
    "New Capability: CompactPCI Central Resource Control",
    "New Capability: PCI Hot plug",
};
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

} // namespace

std::string CConfigDecoder::FormatOffset(uint32_t offset) const
{
    return m_hexMode ? Format("%02Xh", offset) : Format("%03ud", offset);
}

std::string CConfigDecoder::FormatValue(uint32_t value, uint32_t size) const
{
    if (!m_hexMode)
        return Format("%ud", value);
    switch (size) {
    case pci::kByteBytes: return Format("%02Xh", value);
    case pci::kWordBytes: return Format("%04Xh", value);
    default: return Format("%08Xh", value);
    }
}

const char* CConfigDecoder::FormatSize(uint32_t size)
{
    switch (size) {
    case pci::kByteBytes: return "BYTE";
    case pci::kWordBytes: return "WORD";
    default: return "DWORD";
    }
}

std::string CConfigDecoder::DecodeCommand(const uint8_t* config)
{
    std::string text;
    AppendSetBits(text, pci::GetLe16(config + pci::kCommandOffset), kCommandBits);
    return text;
}

std::string CConfigDecoder::DecodeStatus(const uint8_t* config)
{
    const uint16_t status = pci::GetLe16(config + pci::kStatusOffset);
    std::string text;
    AppendSetBits(text, status, kStatusErrorBits);
    if (const char* timing = kDevselTimings[(status & pci::kStatusDevselMask) >> pci::kStatusDevselShift])
        AppendName(text, timing);
    AppendSetBits(text, status, kStatusFeatureBits);
    return text;
}

std::string CConfigDecoder::DecodeCacheLineSize(const uint8_t* config)
{
    const uint32_t value = config[pci::kCacheLineSizeOffset];
    return value == 0 ? std::string() : Format("%d bytes", int(value * kCacheLineUnit));
}

std::string CConfigDecoder::DecodeLatencyTimer(const uint8_t* config)
{
    const uint32_t value = config[pci::kLatencyTimerOffset];
    if (value == 0)
        return {};
    return Format("%d ns guaranteed bus master ownership (%d PCI cycles at 33 MHz)", int(ClocksToNs(value)),
                  int(value));
}

std::string CConfigDecoder::DecodeMinGrant(const uint8_t* config)
{
    const uint32_t value = config[pci::kMinGrantOffset];
    if (value == 0)
        return {};
    return Format("Requests minimum %d ns bus master ownership (%d PCI cycles at 33 MHz)", int(ClocksToNs(value)),
                  int(value));
}

std::string CConfigDecoder::DecodeMaxLatency(const uint8_t* config)
{
    const uint32_t value = config[pci::kMaxLatencyOffset];
    if (value == 0)
        return {};
    return Format("Requests bus master ownership every %d ns interval (every %d PCI cycles at 33 MHz)",
                  int(ClocksToNs(value)), int(value));
}

std::string CConfigDecoder::DecodeBist(const uint8_t* config)
{
    return (config[pci::kBistOffset] & kBistCapable) ? "Built-in Self-test supported" : "";
}

std::string CConfigDecoder::DecodeInterruptLine(const uint8_t* config)
{
    if (config[pci::kInterruptPinOffset] == 0)
        return {};
    return Format("IRQ%d", int(config[pci::kInterruptLineOffset]));
}

std::string CConfigDecoder::DecodeInterruptPin(const uint8_t* config)
{
    const uint8_t pin = config[pci::kInterruptPinOffset];
    return pin < std::size(kInterruptPins) ? kInterruptPins[pin] : "";
}

std::string CConfigDecoder::DecodeIoBase(const uint8_t* config)
{
    const uint8_t base = config[pci::kIoBaseOffset];
    const uint32_t low = uint32_t(base & pci::kIoWindowMask) << pci::kIoWindowShift;
    if ((base & pci::kWindowTypeMask) == 0)
        return Format("Secondary Bus 16-bit I/O Address Range Start: %04Xh", low);
    const uint32_t upper = uint32_t(pci::GetLe16(config + pci::kIoBaseUpperOffset)) << pci::kIoWindowUpperShift;
    return Format("Secondary Bus 32-bit I/O Address Range Start: %08Xh", upper | low);
}

std::string CConfigDecoder::DecodeIoLimit(const uint8_t* config)
{
    const uint8_t limit = config[pci::kIoLimitOffset];
    const uint32_t low = (uint32_t(limit & pci::kIoWindowMask) << pci::kIoWindowShift) | pci::kIoWindowLimitFill;
    if ((limit & pci::kWindowTypeMask) == 0)
        return Format("Secondary Bus 16-bit I/O Address Range End: %04Xh", low);
    const uint32_t upper = uint32_t(pci::GetLe16(config + pci::kIoLimitUpperOffset)) << pci::kIoWindowUpperShift;
    return Format("Secondary Bus 32-bit I/O Address Range End: %08Xh", upper | low);
}

std::string CConfigDecoder::DecodeMemoryBase(const uint8_t* config)
{
    const uint32_t base = uint32_t(pci::GetLe16(config + pci::kMemoryBaseOffset) & pci::kMemoryWindowMask)
        << pci::kMemoryWindowShift;
    return Format("Secondary Bus Memory-mapped 32-bit I/O Address Range Start: %08Xh", base);
}

std::string CConfigDecoder::DecodeMemoryLimit(const uint8_t* config)
{
    const uint32_t limit =
        (uint32_t(pci::GetLe16(config + pci::kMemoryLimitOffset) & pci::kMemoryWindowMask) << pci::kMemoryWindowShift) |
        pci::kMemoryWindowLimitFill;
    return Format("Secondary Bus Memory-mapped 32-bit I/O Address Range End: %08Xh", limit);
}

std::string CConfigDecoder::DecodePrefetchableBase(const uint8_t* config)
{
    const uint16_t word = pci::GetLe16(config + pci::kPrefetchableBaseOffset);
    const uint32_t low = uint32_t(word & pci::kMemoryWindowMask) << pci::kMemoryWindowShift;
    if ((word & pci::kWindowTypeMask) == 0)
        return Format("Secondary Bus 32-bit Prefetchable Memory Address Range Start: %08Xh", low);
    return Format("Secondary Bus 64-bit Prefetchable Memory Address Range Start: %08Xh:%08Xh",
                  pci::GetLe32(config + pci::kPrefetchableBaseUpperOffset), low);
}

std::string CConfigDecoder::DecodePrefetchableLimit(const uint8_t* config)
{
    const uint16_t word = pci::GetLe16(config + pci::kPrefetchableLimitOffset);
    const uint32_t low =
        (uint32_t(word & pci::kMemoryWindowMask) << pci::kMemoryWindowShift) | pci::kMemoryWindowLimitFill;
    if ((word & pci::kWindowTypeMask) == 0)
        return Format("Secondary Bus 32-bit Prefetchable Memory Address Range End: %08Xh", low);
    return Format("Secondary Bus 64-bit Prefetchable Memory Address Range End: %08Xh:%08Xh",
                  pci::GetLe32(config + pci::kPrefetchableLimitUpperOffset), low);
}

std::string CConfigDecoder::DecodeClassCode(const uint8_t* config)
{
    return CClassCodeNames::FindClassName(config[pci::kBaseClassOffset]);
}

std::string CConfigDecoder::DecodeSubclass(const uint8_t* config)
{
    return CClassCodeNames::FindSubclassName(config[pci::kBaseClassOffset], config[pci::kSubclassOffset],
                                             config[pci::kProgrammingInterfaceOffset]);
}

// A range size: one 32-bit number, or a 64-bit one in the form of a 64-bit base.
std::string CConfigDecoder::FormatBarSize(uint64_t size) const
{
    const uint32_t low = uint32_t(size);
    const uint32_t high = uint32_t(size >> 32);
    if (m_hexMode)
        return high ? Format("%08Xh:%08Xh", high, low) : Format("%08Xh", low);
    if (!high)
        return Format("%ud", low);
    std::string digits;
    for (uint64_t rest = size; rest; rest /= 10)
        digits.insert(digits.begin(), char('0' + rest % 10));
    return digits + "d";
}

std::string CConfigDecoder::DecodeBar(uint32_t value, uint32_t upper, uint64_t size, bool* is64Bit) const
{
    if (is64Bit)
        *is64Bit = false;
    if (value == 0)
        return {};
    const std::string sizeText = FormatBarSize(size);
    if (pci::IsIoBar(value)) {
        const uint32_t base = pci::BarBase(value);
        if (base == 0)
            return {};
        return m_hexMode ? Format("I/O Range (Base = %08Xh, Size = %s)", base, sizeText.c_str())
                         : Format("I/O Range (Base = %ud, Size = %s)", base, sizeText.c_str());
    }
    const bool wide = pci::IsMemory64Bar(value);
    const char* prefetch = pci::IsPrefetchableBar(value) ? "Prefetchable" : "";
    const uint32_t base = pci::BarBase(value);
    if (is64Bit)
        *is64Bit = wide;
    if (wide) {
        return m_hexMode ? Format("64-bit %s Memory (Base = %08Xh:%08Xh, Size = %s)", prefetch, upper, base,
                                  sizeText.c_str())
                         : Format("64-bit %s Memory (Base = %ud:%ud, Size = %s)", prefetch, upper, base,
                                  sizeText.c_str());
    }
    return m_hexMode ? Format("32-bit %s Memory (Base = %08Xh, Size = %s)", prefetch, base, sizeText.c_str())
                     : Format("32-bit %s Memory (Base = %ud, Size = %s)", prefetch, base, sizeText.c_str());
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
    const uint8_t id = record.bytes[pci::kCapabilityIdOffset];
    switch (id) {
    case pci::kCapPowerManagement: return DecodePowerManagement(record);
    case pci::kCapAgp: return DecodeAgp(record);
    case pci::kCapVpd: return DecodeVpd(record);
    case pci::kCapSlotIdentification: return DecodeSlotIdentification(record);
    case pci::kCapMsi: return DecodeMsi(record);
    default: return id <= pci::kCapPciHotPlug && kPlainCapabilities[id] ? kPlainCapabilities[id] : "";
    }
}

// A field that would reach past offset FFh of the image shows kFieldOutsideImage
// instead of a value: the register does not exist, and reading on would leave the image.
std::string CConfigDecoder::FormatField(const CapabilityRecord& record, uint32_t offset, uint32_t size) const
{
    if (record.index * pci::kDwordBytes + offset + size > kImageSize)
        return kFieldOutsideImage;
    return FormatValue(uint32_t(pci::GetLe(record.bytes + offset, size)), size);
}

std::string CConfigDecoder::DecodePowerManagement(const CapabilityRecord& record) const
{
    return "New Capability: PCI Power Management (Power Management Capabilities = " +
        FormatField(record, pci::kPmCapabilitiesOffset, pci::kWordBytes) +
        ", Control/Status Register = " + FormatField(record, pci::kPmControlStatusOffset, pci::kWordBytes) +
        ", Bridge Support Extensions = " + FormatField(record, pci::kPmBridgeSupportOffset, pci::kByteBytes) +
        ", Data Register = " + FormatField(record, pci::kPmDataOffset, pci::kByteBytes) + ")";
}

std::string CConfigDecoder::DecodeAgp(const CapabilityRecord& record) const
{
    return "New Capability: AGP (AGP Status Register = " +
        FormatField(record, pci::kAgpStatusOffset, pci::kDwordBytes) +
        ", AGP Command Register = " + FormatField(record, pci::kAgpCommandOffset, pci::kDwordBytes) + ")";
}

std::string CConfigDecoder::DecodeVpd(const CapabilityRecord& record) const
{
    return "New Capability: VPD (VPD Address Register = " +
        FormatField(record, pci::kVpdAddressOffset, pci::kWordBytes) +
        ", VPD Data Register = " + FormatField(record, pci::kVpdDataOffset, pci::kDwordBytes) + ")";
}

std::string CConfigDecoder::DecodeSlotIdentification(const CapabilityRecord& record) const
{
    return "New Capability: Slot Identification (Expansion Slot Register = " +
        FormatField(record, pci::kSlotExpansionOffset, pci::kByteBytes) +
        ", Chassis Number = " + FormatField(record, pci::kSlotChassisOffset, pci::kByteBytes) + ")";
}

std::string CConfigDecoder::DecodeMsi(const CapabilityRecord& record) const
{
    const std::string control = FormatField(record, pci::kMsiControlOffset, pci::kWordBytes);
    // The control word is in the image whenever the capability is, since every capability starts on a dword.
    const bool wide =
        uint32_t(pci::GetLe(record.bytes + pci::kMsiControlOffset, pci::kWordBytes)) & pci::kMsi64BitCapable;
    if (wide) {
        return "New Capability: MSI (Message Control Register = " + control +
            ", Lower Message Address Register = " + FormatField(record, pci::kMsiAddressOffset, pci::kDwordBytes) +
            ", Upper Message Address Register = " + FormatField(record, pci::kMsiUpperAddressOffset, pci::kDwordBytes) +
            ", Message Data Register = " + FormatField(record, pci::kMsiData64Offset, pci::kWordBytes) + ")";
    }
    return "New Capability: MSI (Message Control Register = " + control +
        ", Message Address Register = " + FormatField(record, pci::kMsiAddressOffset, pci::kDwordBytes) +
        ", Message Data Register = " + FormatField(record, pci::kMsiData32Offset, pci::kWordBytes) + ")";
}
