#include "decode/VirtualChannelRows.h"

#include "decode/DecodeText.h"

#include "pci/ConfigSpace.h"
#include "pci/ExtendedCapability.h"
#include "pci/VirtualChannel.h"

#include <string>

namespace {

using T = CDecodeText;

constexpr const char* kSchemeNames[] = {"Fixed", "WRR32", "WRR64", "WRR128", "TWRR128", "WRR256"};
constexpr uint32_t kVcArbSchemes = pci::kVcArbWrr128 + 1; // the VC arbiter stops at WRR128
constexpr uint32_t kPortArbSchemes = pci::kVcArbWrr256 + 1;
constexpr uint32_t kCapabilityBits = 8;

// "Fixed+ WRR32- ...": the schemes a capability field offers; reserved bits appear only when set.
std::string Schemes(uint32_t field, uint32_t known)
{
    std::string text;
    for (uint32_t bit = 0; bit < kCapabilityBits; ++bit) {
        const bool set = (field >> bit) & 1;
        if (bit >= known && !set)
            continue;
        if (!text.empty())
            text += ' ';
        text += bit < known ? std::string(kSchemeNames[bit]) : T::Format("??%u", bit);
        text += T::Sign(set);
    }
    return text;
}

std::string SchemeName(uint32_t select, uint32_t known)
{
    return select < known ? kSchemeNames[select] : T::Format("??%u", select);
}

// Phases in a table driven by the scheme, or 0 for fixed arbitration and reserved values.
uint32_t Phases(uint32_t scheme)
{
    switch (scheme) {
    case pci::kVcArbWrr32: return 32;
    case pci::kVcArbWrr64: return 64;
    case pci::kVcArbWrr128:
    case pci::kVcArbTimeWrr128: return 128;
    case pci::kVcArbWrr256: return 256;
    default: return 0;
    }
}

// The scheme whose table the port uses: the selected one, or while fixed arbitration is selected, the
// largest the capability offers, since software fills the table before it selects the scheme.
uint32_t TableScheme(uint32_t select, uint32_t offered, uint32_t known)
{
    if (select < known && Phases(select) != 0)
        return select;
    for (uint32_t scheme = known - 1; scheme > pci::kVcArbFixed; --scheme) {
        if ((offered >> scheme) & 1)
            return scheme;
    }
    return pci::kVcArbFixed;
}

// One row per dword of an arbitration table, each listing the IDs its phases name. Every table is a whole
// number of dwords: at least 32 phases of at least one bit.
void AddTable(CCapabilityRows& rows, const std::string& name, uint32_t offsetUnits, uint32_t phases, uint32_t entryBits)
{
    if (offsetUnits == 0 || phases == 0)
        return;
    const uint32_t first = offsetUnits * pci::kVcTableOffsetUnitBytes;
    const uint32_t bytes = phases * entryBits / pci::kBitsPerByte;
    if (!rows.CheckDeclared(first + bytes, "arbitration table"))
        return;
    const uint32_t perDword = pci::kDwordBytes * pci::kBitsPerByte / entryBits;
    const uint32_t mask = (1u << entryBits) - 1;
    for (uint32_t at = 0; at < bytes; at += pci::kDwordBytes) {
        const uint32_t phase = at / pci::kDwordBytes * perDword;
        rows.Add(first + at, pci::kDwordBytes, T::Format("%s +%02Xh", name.c_str(), at), [&](uint32_t v) {
            std::string text = T::Format("Phase %u-%u:", phase, phase + perDword - 1);
            for (uint32_t i = 0; i < perDword; ++i)
                text += T::Format(" %u", (v >> (i * entryBits)) & mask);
            return text;
        });
    }
}

void AddResource(CCapabilityRows& rows, uint32_t vc)
{
    const uint32_t base = pci::kVcResourceOffset + vc * pci::kVcResourceBytes;
    rows.Add(base, 4, T::Format("VC%u Resource Capability", vc), [](uint32_t v) {
        return T::Format("PATOffset=%02x MaxTimeSlots=%u RejSnoopTrans%s, Arb: ", v >> pci::kVcPortArbTableOffsetShift,
                         T::Field(v, pci::kVcMaxTimeSlotsShift, pci::kVcMaxTimeSlotsMask) + 1,
                         T::Bit(v, pci::kVcRejectSnoopBit)) +
            Schemes(v & pci::kVcPortArbCapabilityMask, kPortArbSchemes);
    });
    rows.Add(base + pci::kVcResourceControlOffset, 4, T::Format("VC%u Resource Control", vc), [](uint32_t v) {
        return T::Format(
            "Enable%s ID=%u ArbSelect=%s TC/VC=%02x", T::Bit(v, pci::kVcEnableBit),
            T::Field(v, pci::kVcIdShift, pci::kVcExtendedCountMask),
            SchemeName(T::Field(v, pci::kVcPortArbSelectShift, pci::kVcPortArbSelectMask), kPortArbSchemes).c_str(),
            v & pci::kVcTcMapMask);
    });
    rows.Add(base + pci::kVcResourceStatusOffset, 2, T::Format("VC%u Resource Status", vc), [](uint32_t v) {
        return T::Format("NegoPending%s InProgress%s", T::Bit(v, pci::kVcNegotiationPendingBit),
                         T::Bit(v, pci::kVcTableInProgressBit));
    });
}

// The table a VC resource points to: ports (or, in MFVC, functions) by phase.
void AddPortTable(CCapabilityRows& rows, uint32_t vc, uint32_t entryBits, bool multiFunction)
{
    const uint32_t base = pci::kVcResourceOffset + vc * pci::kVcResourceBytes;
    const uint32_t cap = rows.Read(base, 4);
    const uint32_t control = rows.Read(base + pci::kVcResourceControlOffset, 4);
    const uint32_t scheme = TableScheme(T::Field(control, pci::kVcPortArbSelectShift, pci::kVcPortArbSelectMask),
                                        cap & pci::kVcPortArbCapabilityMask, kPortArbSchemes);
    AddTable(rows, T::Format(multiFunction ? "VC%u Function Arbitration Table" : "VC%u Port Arbitration Table", vc),
             cap >> pci::kVcPortArbTableOffsetShift, Phases(scheme), entryBits);
}

} // namespace

void CVirtualChannelRows::Decode(CCapabilityRows& rows, bool multiFunction)
{
    const uint32_t cap1 = rows.Read(pci::kVcPortCap1Offset, 4);
    const uint32_t cap2 = rows.Read(pci::kVcPortCap2Offset, 4);
    const uint32_t control = rows.Read(pci::kVcPortControlOffset, 2);
    const uint32_t count = (cap1 & pci::kVcExtendedCountMask) + 1;
    const uint32_t entryBits = 1u << T::Field(cap1, pci::kVcTableEntryShift, pci::kVcTwoBitMask);
    rows.Add(pci::kVcPortCap1Offset, 4, [&](uint32_t v) {
        const uint32_t clock = T::Field(v, pci::kVcReferenceClockShift, pci::kVcTwoBitMask);
        return T::Format("ExtVC=%u LPEVC=%u RefClk=%s PATEntryBits=%u", v & pci::kVcExtendedCountMask,
                         T::Field(v, pci::kVcLowPriorityShift, pci::kVcExtendedCountMask),
                         clock == 0 ? "100ns" : T::Format("??%u", clock).c_str(), entryBits);
    });
    rows.Add(pci::kVcPortCap2Offset, 4, [](uint32_t v) {
        return "Arb: " + Schemes(v & pci::kVcArbCapabilityMask, kVcArbSchemes) +
            T::Format(", ArbTableOffset=%02x", v >> pci::kVcArbTableOffsetShift);
    });
    rows.Add(pci::kVcPortControlOffset, 2, [](uint32_t v) {
        return "ArbSelect=" + SchemeName(T::Field(v, pci::kVcArbSelectShift, pci::kVcArbSelectMask), kVcArbSchemes);
    });
    rows.Add(pci::kVcPortStatusOffset, 2,
             [](uint32_t v) { return T::Format("InProgress%s", T::Bit(v, pci::kVcTableInProgressBit)); });
    if (!rows.CheckDeclared(pci::kVcResourceOffset + count * pci::kVcResourceBytes, "VC resource list"))
        return;
    for (uint32_t vc = 0; vc < count && !rows.Stopped(); ++vc)
        AddResource(rows, vc);
    const uint32_t scheme = TableScheme(T::Field(control, pci::kVcArbSelectShift, pci::kVcArbSelectMask),
                                        cap2 & pci::kVcArbCapabilityMask, kVcArbSchemes);
    AddTable(rows, "VC Arbitration Table", cap2 >> pci::kVcArbTableOffsetShift, Phases(scheme),
             pci::kVcArbTableEntryBits);
    for (uint32_t vc = 0; vc < count && !rows.Stopped(); ++vc)
        AddPortTable(rows, vc, entryBits, multiFunction);
}
