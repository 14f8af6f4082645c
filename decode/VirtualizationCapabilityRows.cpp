#include "decode/VirtualizationCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/Bar.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

namespace {

using T = CDecodeText;

constexpr uint32_t kBitsPerDword = 32;

std::string AcsFlags(uint32_t v)
{
    return T::Flags(v,
                    {{0, "SrcValid"},
                     {1, "TransBlk"},
                     {2, "ReqRedir"},
                     {3, "CmpltRedir"},
                     {4, "UpstreamFwd"},
                     {5, "EgressCtrl"},
                     {6, "DirectTrans"}});
}

void DecodeAcs(CCapabilityRows& rows)
{
    const uint32_t cap = rows.Read(pci::kAcsCapOffset, 2);
    rows.Add(pci::kAcsCapOffset, 2, AcsFlags);
    rows.Add(pci::kAcsControlOffset, 2, AcsFlags);
    if ((cap & pci::kAcsEgressControl) == 0)
        return;
    uint32_t bits = T::Field(cap, pci::kAcsEgressSizeShift, pci::kAcsEgressSizeMask);
    if (bits == 0)
        bits = 256;
    const uint32_t dwords = (bits + kBitsPerDword - 1) / kBitsPerDword;
    if (!rows.CheckDeclared(pci::kAcsEgressVectorOffset + dwords * 4, "egress control vector"))
        return;
    for (uint32_t i = 0; i < dwords; ++i)
        rows.AddPlain(pci::kAcsEgressVectorOffset + i * 4, 4, T::Format("Egress Control Vector %u", i));
}

// A VF BAR as its low bits describe it; a 64-bit one is shown whole, with its upper half.
std::string VfBarText(uint32_t value, uint32_t upper)
{
    if (pci::IsIoBar(value))
        return T::Format("I/O at %08x", pci::BarBase(value));
    const char* prefetch = pci::IsPrefetchableBar(value) ? "" : "non-";
    if (pci::IsMemory64Bar(value))
        return T::Format("Memory at %016llx (64-bit, %sprefetchable)", T::Wide(upper, pci::BarBase(value)), prefetch);
    return T::Format("Memory at %08x (32-bit, %sprefetchable)", pci::BarBase(value), prefetch);
}

void DecodeSriov(CCapabilityRows& rows)
{
    rows.Add(pci::kSriovCapOffset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "Migration"}, {2, "10BitTagReq"}}) +
            T::Format(" Interrupt Message Number: %03x",
                      T::Field(v, pci::kSriovMessageNumberShift, pci::kSriovMessageNumberMask));
    });
    rows.Add(pci::kSriovControlOffset, 2, [](uint32_t v) {
        return T::Flags(
            v,
            {{0, "Enable"}, {1, "Migration"}, {2, "Interrupt"}, {3, "MSE"}, {4, "ARIHierarchy"}, {5, "10BitTagReq"}});
    });
    rows.Add(pci::kSriovStatusOffset, 2, [](uint32_t v) { return T::Flags(v, {{0, "Migration"}}); });
    rows.Add(pci::kSriovInitialVfsOffset, 2, [](uint32_t v) { return T::Format("Initial VFs: %u", v); });
    rows.Add(pci::kSriovTotalVfsOffset, 2, [](uint32_t v) { return T::Format("Total VFs: %u", v); });
    rows.Add(pci::kSriovNumVfsOffset, 2, [](uint32_t v) { return T::Format("Number of VFs: %u", v); });
    rows.Add(pci::kSriovDependencyOffset, 1, [](uint32_t v) { return T::Format("Function Dependency Link: %02x", v); });
    rows.Add(pci::kSriovFirstVfOffset, 2, [](uint32_t v) { return T::Format("VF offset: %u", v); });
    rows.Add(pci::kSriovVfStrideOffset, 2, [](uint32_t v) { return T::Format("stride: %u", v); });
    rows.Add(pci::kSriovVfDeviceIdOffset, 2, [](uint32_t v) { return T::Format("Device ID: %04x", v); });
    rows.Add(pci::kSriovPageSizesOffset, 4, [](uint32_t v) { return T::Format("Supported Page Size: %08x", v); });
    rows.Add(pci::kSriovSystemPageSizeOffset, 4, [](uint32_t v) { return T::Format("System Page Size: %08x", v); });
    // A 64-bit VF BAR takes the next one as its upper half, as the function's own BARs do.
    for (uint32_t i = 0; i < pci::kSriovVfBarCount && !rows.Stopped(); ++i) {
        const uint32_t offset = pci::kSriovVfBar0Offset + i * pci::kBarBytes;
        const uint32_t value = rows.Read(offset, 4);
        const bool is64 = pci::IsMemory64Bar(value) && i + 1 < pci::kSriovVfBarCount;
        const uint32_t upper = is64 ? rows.Read(offset + pci::kBarBytes, 4) : 0;
        rows.Add(offset, 4, [&](uint32_t v) { return VfBarText(v, upper); });
        if (is64) {
            rows.AddPlain(offset + pci::kBarBytes, 4, T::Format("VF BAR %u upper half", i));
            ++i;
        }
    }
    rows.Add(pci::kSriovMigrationStateOffset, 4, [](uint32_t v) {
        return T::Format("VF Migration: offset: %08x, BIR: %u", v & ~pci::kSriovMigrationBirMask,
                         v & pci::kSriovMigrationBirMask);
    });
}

// A 64-bit group vector: one value on its low half, as lspci prints it.
void AddMcastVector(CCapabilityRows& rows, uint32_t offset, const char* name)
{
    const uint32_t high = rows.Read(offset + 4, 4);
    rows.Add(offset, 4, T::Format("%s low", name), [&](uint32_t v) { return T::Format("%016llx", T::Wide(high, v)); });
    rows.AddPlain(offset + 4, 4, T::Format("%s high", name));
}

void DecodeMulticast(CCapabilityRows& rows)
{
    rows.Add(pci::kMcastCapOffset, 2, [](uint32_t v) {
        const uint32_t window = T::Field(v, pci::kMcastWindowShift, pci::kMcastGroupMask);
        return T::Format("MaxGroups %u, WindowSz %u (%llu bytes), ECRCRegen%s", (v & pci::kMcastGroupMask) + 1, window,
                         1ull << window, T::Bit(v, pci::kMcastEnableBit));
    });
    rows.Add(pci::kMcastControlOffset, 2, [](uint32_t v) {
        return T::Format("NumGroups %u, Enable%s", (v & pci::kMcastGroupMask) + 1, T::Bit(v, pci::kMcastEnableBit));
    });
    const uint32_t baseHigh = rows.Read(pci::kMcastBaseOffset + 4, 4);
    rows.Add(pci::kMcastBaseOffset, 4, [&](uint32_t v) {
        return T::Format("IndexPos %u, BaseAddr %016llx", v & pci::kMcastIndexPositionMask,
                         T::Wide(baseHigh, v & pci::kMcastBaseAddressMask));
    });
    rows.AddPlain(pci::kMcastBaseOffset + 4, 4, "McastBAR high");
    AddMcastVector(rows, pci::kMcastReceiveOffset, "McastReceiveVec");
    AddMcastVector(rows, pci::kMcastBlockAllOffset, "McastBlockAllVec");
    AddMcastVector(rows, pci::kMcastBlockUntranslatedOffset, "McastBlockUntransVec");
    // Endpoints have no overlay; every port and the event collector do.
    const int type = rows.PortType();
    if (type == int(pci::kExpTypeEndpoint) || type == int(pci::kExpTypeLegacyEndpoint) ||
        type == int(pci::kExpTypeIntegratedEndpoint))
        return;
    const uint32_t overlayHigh = rows.Read(pci::kMcastOverlayOffset + 4, 4);
    rows.Add(pci::kMcastOverlayOffset, 4, [&](uint32_t v) {
        const uint32_t size = v & pci::kMcastOverlaySizeMask;
        const std::string sizeText =
            size >= pci::kMcastOverlayMinSize ? T::Format("%llu bytes", 1ull << size) : std::string("disabled");
        return T::Format("OverlaySize %u (%s), BaseAddr %016llx", size, sizeText.c_str(),
                         T::Wide(overlayHigh, v & ~pci::kMcastOverlaySizeMask));
    });
    rows.AddPlain(pci::kMcastOverlayOffset + 4, 4, "McastOverlayBAR high");
}

std::string SupportedSizes(uint32_t cap)
{
    std::string text;
    for (uint32_t bit = pci::kRebarCapSizesShift; bit < kBitsPerDword; ++bit) {
        if (!(cap & (1u << bit)))
            continue;
        // Appended in two steps: GCC 12 warns falsely (-Wrestrict) on " " + string here.
        text += ' ';
        text += CVirtualizationCapabilityRows::BarSizeName(bit - pci::kRebarCapSizesShift);
    }
    return text.empty() ? " none" : text;
}

void DecodeResizableBar(CCapabilityRows& rows)
{
    const uint32_t firstControl = rows.Read(pci::kRebarFirstOffset + pci::kRebarControlOffset, 4);
    uint32_t count = T::Field(firstControl, pci::kRebarCountShift, pci::kRebarCountMask);
    if (count == 0 || count > pci::kRebarMaxEntries) {
        rows.Problem(T::Format("%u resizable BARs declared, 1 to 6 allowed", count));
        count = 1;
    }
    if (!rows.CheckDeclared(pci::kRebarFirstOffset + count * pci::kRebarEntryBytes, "resizable BAR list"))
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t offset = pci::kRebarFirstOffset + i * pci::kRebarEntryBytes;
        const uint32_t control = rows.Read(offset + pci::kRebarControlOffset, 4);
        const uint32_t bar = control & pci::kRebarIndexMask;
        rows.Add(offset, 4, T::Format("BAR %u Capability", bar),
                 [&](uint32_t v) { return T::Format("BAR %u: supported:", bar) + SupportedSizes(v); });
        rows.Add(offset + pci::kRebarControlOffset, 4, T::Format("BAR %u Control", bar), [&](uint32_t v) {
            return T::Format(
                "BAR %u: current size: %s", bar,
                CVirtualizationCapabilityRows::BarSizeName(T::Field(v, pci::kRebarSizeShift, pci::kRebarSizeMask))
                    .c_str());
        });
    }
}

void DecodeTph(CCapabilityRows& rows)
{
    const uint32_t cap = rows.Read(pci::kTphCapOffset, 4);
    rows.Add(pci::kTphCapOffset, 4, [](uint32_t v) {
        static const char* const kLocations[] = {"none", "in capability", "in MSI-X table", "reserved"};
        return T::Flags(v, {{0, "NoST"}, {1, "IntVec"}, {2, "DevSpec"}, {8, "ExtTPH"}}) +
            T::Format(", ST table %s, %u entries",
                      kLocations[T::Field(v, pci::kTphLocationShift, pci::kTphLocationMask)],
                      T::Field(v, pci::kTphTableSizeShift, pci::kTphTableSizeMask) + 1);
    });
    rows.AddPlain(pci::kTphControlOffset, 4, "TPH Requester Control");
    if (T::Field(cap, pci::kTphLocationShift, pci::kTphLocationMask) != pci::kTphLocationCapability)
        return;
    const uint32_t entries = T::Field(cap, pci::kTphTableSizeShift, pci::kTphTableSizeMask) + 1;
    if (!rows.CheckDeclared(pci::kTphTableOffset + entries * pci::kTphEntryBytes, "steering tag table"))
        return;
    for (uint32_t i = 0; i < entries; ++i)
        rows.AddPlain(pci::kTphTableOffset + i * pci::kTphEntryBytes, pci::kTphEntryBytes, T::Format("ST Entry %u", i));
}

} // namespace

std::string CVirtualizationCapabilityRows::BarSizeName(uint32_t log2)
{
    static const char* const kUnits[] = {"MB", "GB", "TB", "PB", "EB"};
    const uint32_t unit = log2 / 10;
    if (unit >= sizeof kUnits / sizeof kUnits[0])
        return T::Format("2^%uMB", log2);
    return T::Format("%u%s", 1u << (log2 % 10), kUnits[unit]);
}

bool CVirtualizationCapabilityRows::Decode(uint16_t id, CCapabilityRows& rows)
{
    switch (id) {
    case pci::kExtCapAcs: DecodeAcs(rows); return true;
    case pci::kExtCapAri:
        rows.Add(pci::kAriCapOffset, 2, [](uint32_t v) {
            return T::Flags(v, {{0, "MFVC"}, {1, "ACS"}}) +
                T::Format(", Next Function: %u", v >> pci::kAriNextFunctionShift);
        });
        rows.Add(pci::kAriControlOffset, 2, [](uint32_t v) {
            return T::Flags(v, {{0, "MFVC"}, {1, "ACS"}}) +
                T::Format(", Function Group: %u", T::Field(v, pci::kAriFunctionGroupShift, pci::kAriFunctionGroupMask));
        });
        return true;
    case pci::kExtCapAts:
        rows.Add(pci::kAtsCapOffset, 2, [](uint32_t v) {
            return T::Format("Invalidate Queue Depth: %02x, ", v & pci::kAtsQueueDepthMask) +
                T::Flags(v, {{5, "PageAligned"}, {6, "GlobalInvalidate"}, {7, "RelaxedOrdering"}});
        });
        rows.Add(pci::kAtsControlOffset, 2, [](uint32_t v) {
            return T::Format("Enable%s, Smallest Translation Unit: %02x", T::Bit(v, pci::kAtsEnableBit),
                             v & pci::kAtsSmallestUnitMask);
        });
        return true;
    case pci::kExtCapSriov: DecodeSriov(rows); return true;
    case pci::kExtCapMriov: return true; // its registers are not architected past the header
    case pci::kExtCapMulticast: DecodeMulticast(rows); return true;
    case pci::kExtCapPri:
        rows.Add(pci::kPriControlOffset, 2, [](uint32_t v) { return T::Flags(v, {{0, "Enable"}, {1, "Reset"}}); });
        rows.Add(pci::kPriStatusOffset, 2, [](uint32_t v) {
            return T::Flags(v, {{0, "RF"}, {1, "UPRGI"}, {8, "Stopped"}, {15, "PASID"}});
        });
        rows.Add(pci::kPriCapacityOffset, 4, [](uint32_t v) { return T::Format("%08x", v); });
        rows.Add(pci::kPriAllocationOffset, 4, [](uint32_t v) { return T::Format("%08x", v); });
        return true;
    case pci::kExtCapPasid:
        rows.Add(pci::kPasidCapOffset, 2, [](uint32_t v) {
            return T::Flags(v, {{1, "Exec"}, {2, "Priv"}}) +
                T::Format(", Max PASID Width: %02x", T::Field(v, pci::kPasidWidthShift, pci::kPasidWidthMask));
        });
        rows.Add(pci::kPasidControlOffset, 2, [](uint32_t v) {
            return T::Flags(v, {{0, "Enable"}, {1, "Exec"}, {2, "Priv"}});
        });
        return true;
    case pci::kExtCapResizableBar:
    case pci::kExtCapVfResizableBar: DecodeResizableBar(rows); return true;
    case pci::kExtCapTph: DecodeTph(rows); return true;
    default: return false;
    }
}
