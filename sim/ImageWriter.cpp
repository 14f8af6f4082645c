#include "sim/ImageWriter.h"
#include "sim/SimUtil.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"

namespace {

constexpr uint32_t kBytesPerHexLine = 16;
constexpr uint32_t kBytesPerRangeLine = 16;

uint32_t RomOffset(uint32_t layout)
{
    return layout == pci::kLayoutPciBridge ? pci::kBridgeExpansionRomOffset : pci::kExpansionRomOffset;
}

} // namespace

uint32_t ImageBarCount(uint32_t layout)
{
    return layout == pci::kLayoutCardBusBridge ? pci::kCardBusBarCount : pci::BarCountForLayout(layout);
}

void CImageWriter::FormatSize(uint64_t size, char* text, uint32_t capacity)
{
    static const char kSuffixes[] = "KMGT";
    uint32_t unit = 0;
    while (unit < 4 && size >= 1024 && size % 1024 == 0) {
        size /= 1024;
        ++unit;
    }
    CSimText out(text, capacity);
    out.AddDec(size);
    if (unit)
        out.AddChar(kSuffixes[unit - 1]);
}

bool CImageWriter::Line(const char* text, uint32_t length)
{
    return m_sink->Write(text, length) && m_sink->Write("\n", 1);
}

bool CImageWriter::Comment(const char* text)
{
    char line[kImageMaxLineChars];
    while (*text) {
        uint32_t length = 0;
        while (text[length] && text[length] != '\n')
            ++length;
        CSimText out(line, sizeof(line));
        out.Add("# ").Add(text, length);
        if (!Line(line, out.Length()))
            return false;
        text += length;
        if (*text == '\n')
            ++text;
    }
    return true;
}

bool CImageWriter::RegionLines(const CImageFunction& f)
{
    const uint32_t layout = f.config[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    const uint32_t bars = ImageBarCount(layout);
    char line[kImageMaxLineChars];
    char size[24];
    for (uint32_t index = 0; index < bars; ++index) {
        const uint32_t value = pci::GetLe32(f.config + pci::BarOffset(index));
        const bool wide = pci::IsMemory64Bar(value) && index + 1 < bars;
        if (f.barSize[index]) {
            uint64_t base = pci::BarBase(value);
            if (wide)
                base |= uint64_t(pci::GetLe32(f.config + pci::BarOffset(index + 1))) << 32;
            FormatSize(f.barSize[index], size, sizeof(size));
            CSimText out(line, sizeof(line));
            out.Add("\tRegion ").AddDec(index).Add(": ");
            if (pci::IsIoBar(value)) {
                out.Add("I/O ports at ").AddLowerHex(base, 4);
            } else {
                out.Add("Memory at ").AddLowerHex(base, base > 0xFFFFFFFFull ? 10 : 8);
                out.Add(wide ? " (64-bit, " : " (32-bit, ");
                out.Add(pci::IsPrefetchableBar(value) ? "prefetchable)" : "non-prefetchable)");
            }
            out.Add(" [size=").Add(size).Add("]");
            if (!Line(line, out.Length()))
                return false;
        }
        if (wide)
            ++index;
    }
    if (layout <= pci::kLayoutPciBridge && f.barSize[kSimRomSlot]) {
        const uint32_t rom = pci::GetLe32(f.config + RomOffset(layout));
        FormatSize(f.barSize[kSimRomSlot], size, sizeof(size));
        CSimText out(line, sizeof(line));
        out.Add("\tExpansion ROM at ").AddLowerHex(rom & pci::kRomBaseMask, 8);
        if (!(rom & pci::kRomEnableFlag))
            out.Add(" [disabled]");
        out.Add(" [size=").Add(size).Add("]");
        if (!Line(line, out.Length()))
            return false;
    }
    return true;
}

bool CImageWriter::RangeLines(uint32_t slot, const CImageRange& range)
{
    char line[kImageMaxLineChars];
    for (uint32_t at = 0; at < range.length; at += kBytesPerRangeLine) {
        CSimText out(line, sizeof(line));
        out.Add("@range ");
        if (slot == kSimRomSlot)
            out.Add("rom");
        else
            out.AddDec(slot);
        out.Add(" ").AddLowerHex(at, 4).Add(" bytes");
        for (uint32_t i = at; i < range.length && i < at + kBytesPerRangeLine; ++i)
            out.Add(" ").AddLowerHex(range.bytes[i], 2);
        if (!Line(line, out.Length()))
            return false;
    }
    return true;
}

bool CImageWriter::Function(const CImageFunction& f)
{
    if (m_started && !Line("", 0))
        return false;
    m_started = true;
    // The header of "lspci -n": address, class, vendor:device and revision.
    char line[kImageMaxLineChars];
    CSimText header(line, sizeof(line));
    if (f.segment)
        header.AddLowerHex(f.segment, 4).Add(":");
    header.AddLowerHex(f.bus, 2).Add(":").AddLowerHex(f.device, 2).Add(".").AddDec(f.function).Add(" ");
    header.AddLowerHex(f.config[pci::kBaseClassOffset], 2).AddLowerHex(f.config[pci::kSubclassOffset], 2).Add(": ");
    header.AddLowerHex(pci::GetLe16(f.config + pci::kVendorIdOffset), 4).Add(":");
    header.AddLowerHex(pci::GetLe16(f.config + pci::kDeviceIdOffset), 4);
    if (f.config[pci::kRevisionIdOffset])
        header.Add(" (rev ").AddLowerHex(f.config[pci::kRevisionIdOffset], 2).Add(")");
    if (!Line(line, header.Length()) || !RegionLines(f))
        return false;
    for (uint32_t at = 0; at < f.configLength; at += kBytesPerHexLine) {
        CSimText out(line, sizeof(line));
        out.AddLowerHex(at, at < pci::kConfigSpaceBytes ? 2 : 3).Add(":");
        for (uint32_t i = at; i < at + kBytesPerHexLine && i < f.configLength; ++i)
            out.Add(" ").AddLowerHex(f.config[i], 2);
        if (!Line(line, out.Length()))
            return false;
    }
    if (f.noRecord || f.noControl) {
        const char none[] = "@registry none";
        const char noControl[] = "@registry nocontrol";
        if (!(f.noRecord ? Line(none, sizeof none - 1) : Line(noControl, sizeof noControl - 1)))
            return false;
    } else if (f.instance) {
        CSimText out(line, sizeof(line));
        out.Add("@registry instance ").Add(f.instance);
        if (!Line(line, out.Length()))
            return false;
    }
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        if (f.ranges[slot].length && !RangeLines(slot, f.ranges[slot]))
            return false;
    }
    return true;
}
