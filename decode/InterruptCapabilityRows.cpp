#include "decode/InterruptCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"

namespace {

using T = CDecodeText;

void DecodeMsi(CCapabilityRows& rows)
{
    const uint32_t control = rows.Read(pci::kMsiControlOffset, 2);
    const bool is64 = (control & pci::kMsi64BitCapable) != 0;
    const bool masking = (control & pci::kMsiPerVectorMasking) != 0;
    rows.Add(pci::kMsiControlOffset, 2, [&](uint32_t v) {
        return T::Format("Enable%s Count=%u/%u Maskable%s 64bit%s", T::Sign(v & pci::kMsiEnable),
                         1u << T::Field(v, pci::kMsiMultipleEnableShift, pci::kMsiMultipleMask),
                         1u << T::Field(v, pci::kMsiMultipleCapableShift, pci::kMsiMultipleMask), T::Sign(masking),
                         T::Sign(is64));
    });
    // A 64-bit address is shown whole on its low half, as lspci prints it; the high half's row stays empty.
    const bool whole = is64 && rows.Fits(pci::kMsiUpperAddressOffset, 4);
    const uint32_t upper = rows.Read(pci::kMsiUpperAddressOffset, 4);
    rows.Add(pci::kMsiAddressOffset, 4, [&](uint32_t v) {
        return whole ? T::Format("Address: %016llx", T::Wide(upper, v)) : T::Format("Address: %08x", v);
    });
    if (is64)
        rows.AddPlain(pci::kMsiUpperAddressOffset, 4, rows.CatalogueName(pci::kMsiUpperAddressOffset));
    rows.Add(is64 ? pci::kMsiData64Offset : pci::kMsiData32Offset, 2,
             [](uint32_t v) { return T::Format("Data: %04x", v); });
    if (masking) {
        const uint32_t mask = is64 ? pci::kMsiMask64Offset : pci::kMsiMask32Offset;
        rows.Add(mask, 4, [](uint32_t v) { return T::Format("Masking: %08x", v); });
        rows.Add(mask + 4, 4, [](uint32_t v) { return T::Format("Pending: %08x", v); });
    }
}

// The table and PBA live behind a BAR of this function: say so when the BIR names none.
std::string Location(CCapabilityRows& rows, const char* what, uint32_t value, uint32_t barCount)
{
    const uint32_t bir = value & pci::kMsiXBirMask;
    std::string text = T::Format("%s: BAR=%u offset=%08x", what, bir, value & ~pci::kMsiXBirMask);
    if (bir >= barCount) {
        rows.Problem(T::Format("%s BIR %u names no BAR of this header", what, bir));
        text += " (no such BAR)";
    }
    return text;
}

void DecodeMsiX(CCapabilityRows& rows, uint32_t barCount)
{
    rows.Add(pci::kMsiXControlOffset, 2, [](uint32_t v) {
        return T::Format("Enable%s Count=%u Masked%s", T::Sign(v & pci::kMsiXEnable), (v & pci::kMsiXTableSizeMask) + 1,
                         T::Sign(v & pci::kMsiXFunctionMask));
    });
    rows.Add(pci::kMsiXTableOffset, 4, [&](uint32_t v) { return Location(rows, "Vector table", v, barCount); });
    rows.Add(pci::kMsiXPbaOffset, 4, [&](uint32_t v) { return Location(rows, "PBA", v, barCount); });
}

} // namespace

bool CInterruptCapabilityRows::Decode(uint8_t id, CCapabilityRows& rows)
{
    if (id == pci::kCapMsi) {
        DecodeMsi(rows);
        return true;
    }
    if (id == pci::kCapMsiX) {
        DecodeMsiX(rows, rows.BarCount());
        return true;
    }
    return false;
}
