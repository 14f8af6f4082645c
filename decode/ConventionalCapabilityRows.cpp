#include "decode/ConventionalCapabilityRows.h"

#include "decode/DecodeText.h"
#include "decode/HyperTransportCapabilityRows.h"
#include "decode/VirtioCapabilityRows.h"

#include "pci/Bar.h"
#include "pci/Capability.h"
#include "pci/ConfigSpace.h"

#include <string>

namespace {

using T = CDecodeText;

const uint32_t kAuxCurrentMa[] = {0, 55, 100, 160, 220, 270, 320, 375};
const char* const kPowerStates[] = {"D0", "D1", "D2", "D3hot"};
const uint32_t kPciXSplitTransactions[] = {1, 2, 3, 4, 8, 12, 16, 32};

void DecodePowerManagement(CCapabilityRows& rows)
{
    rows.Add(pci::kPmCapabilitiesOffset, 2, [](uint32_t v) {
        return T::Format("Power Management version %u, Flags: ", v & pci::kPmVersionMask) +
            T::Flags(v, {{3, "PMEClk"}, {5, "DSI"}, {9, "D1"}, {10, "D2"}}) +
            T::Format(" AuxCurrent=%umA PME(D0%s,D1%s,D2%s,D3hot%s,D3cold%s)",
                      kAuxCurrentMa[T::Field(v, pci::kPmAuxCurrentShift, pci::kPmAuxCurrentMask)],
                      T::Bit(v, pci::kPmPmeSupportShift), T::Bit(v, pci::kPmPmeSupportShift + 1),
                      T::Bit(v, pci::kPmPmeSupportShift + 2), T::Bit(v, pci::kPmPmeSupportShift + 3),
                      T::Bit(v, pci::kPmPmeSupportShift + 4));
    });
    rows.Add(pci::kPmControlStatusOffset, 2, [](uint32_t v) {
        return T::Format("Status: %s ", kPowerStates[v & pci::kPmPowerStateMask]) +
            T::Flags(v, {{3, "NoSoftRst"}, {8, "PME-Enable"}}) +
            T::Format(" DSel=%u DScale=%u PME%s", T::Field(v, pci::kPmDataSelectShift, pci::kPmDataSelectMask),
                      T::Field(v, pci::kPmDataScaleShift, pci::kPmDataScaleMask), T::Bit(v, 15));
    });
    rows.Add(pci::kPmBridgeSupportOffset, 1, [](uint32_t v) { return T::Flags(v, {{6, "B2/B3"}, {7, "BPCC"}}); });
    rows.AddPlain(pci::kPmDataOffset, 1, rows.CatalogueName(pci::kPmDataOffset));
}

std::string AgpRate(uint32_t v)
{
    std::string text;
    for (uint32_t i = 0; i < 3; ++i) {
        if (v & (1u << i))
            text += T::Format("%sx%u", text.empty() ? "" : ",", 1u << i);
    }
    return text.empty() ? "none" : text;
}

// The asynchronous request size and calibration cycle codes, alike in status and command.
std::string AgpSizeAndCalibration(uint32_t v)
{
    return T::Format("ArqSz=%u Cal=%u ", T::Field(v, pci::kAgpRequestSizeShift, pci::kAgpThreeBitMask),
                     T::Field(v, pci::kAgpCalibrationShift, pci::kAgpThreeBitMask));
}

void DecodeAgp(CCapabilityRows& rows)
{
    rows.Add(pci::kAgpRevisionOffset, 1, [](uint32_t v) {
        return T::Format("AGP version %u.%u", T::Field(v, pci::kRevisionMajorShift, pci::kRevisionNibbleMask),
                         v & pci::kRevisionNibbleMask);
    });
    rows.Add(pci::kAgpStatusOffset, 4, [](uint32_t v) {
        return T::Format("RQ=%u Iso%s ", (v >> pci::kAgpRequestDepthShift) + 1, T::Bit(v, pci::kAgpIsochronousBit)) +
            AgpSizeAndCalibration(v) +
            T::Flags(v,
                     {{9, "SBA"}, {8, "ITACoh"}, {7, "GART64"}, {6, "HTrans"}, {5, "64bit"}, {4, "FW"}, {3, "AGP3"}}) +
            " Rate=" + AgpRate(v & pci::kAgpRateMask);
    });
    rows.Add(pci::kAgpCommandOffset, 4, [](uint32_t v) {
        return T::Format("RQ=%u ", (v >> pci::kAgpRequestDepthShift) + 1) + AgpSizeAndCalibration(v) +
            T::Flags(v, {{9, "SBA"}, {8, "AGP"}, {7, "GART64"}, {5, "64bit"}, {4, "FW"}}) +
            " Rate=" + AgpRate(v & pci::kAgpRateMask);
    });
}

std::string PciXAddress(uint32_t status)
{
    return T::Format("Dev=%02x:%02x.%u ", T::Field(status, pci::kPciXBusShift, pci::kPciXBusMask),
                     T::Field(status, pci::kPciXDeviceShift, pci::kPciXDeviceMask), status & pci::kPciXFunctionMask);
}

// The six bus flags a PCI-X bridge reports for each of its sides, from bit 0.
std::string PciXBridgeFlags(uint32_t v)
{
    return T::Flags(v, {{0, "64bit"}, {1, "133MHz"}, {2, "SCD"}, {3, "USC"}, {4, "SCO"}, {5, "SRD"}});
}

std::string PciXBridgeFrequency(uint32_t code)
{
    static const char* const kFrequencies[] = {"conv", "66MHz", "100MHz", "133MHz"};
    return code < sizeof kFrequencies / sizeof kFrequencies[0] ? kFrequencies[code] : T::Format("?%u", code);
}

std::string PciXSplitControl(uint32_t v)
{
    return T::Format("Capacity=%u CommitmentLimit=%u", v & pci::kPciXSplitCapacityMask, v >> pci::kPciXSplitLimitShift);
}

void DecodePciX(CCapabilityRows& rows, bool bridge)
{
    if (bridge) {
        rows.Add(pci::kPciXBridgeSecondaryStatusOffset, 2, [](uint32_t v) {
            return PciXBridgeFlags(v) + " Freq=" +
                PciXBridgeFrequency(T::Field(v, pci::kPciXBridgeFrequencyShift, pci::kPciXBridgeFrequencyMask));
        });
        rows.Add(pci::kPciXBridgeStatusOffset, 4,
                 [](uint32_t v) { return PciXAddress(v) + PciXBridgeFlags(v >> pci::kPciXBridgeStatusFlagsShift); });
        rows.Add(pci::kPciXBridgeUpstreamSplitOffset, 4, PciXSplitControl);
        rows.Add(pci::kPciXBridgeDownstreamSplitOffset, 4, PciXSplitControl);
        return;
    }
    rows.Add(pci::kPciXCommandOffset, 2, [](uint32_t v) {
        return T::Flags(v, {{0, "DPERE"}, {1, "ERO"}}) +
            T::Format(" RBC=%u OST=%u",
                      pci::kPciXReadByteBase << T::Field(v, pci::kPciXReadByteShift, pci::kPciXReadByteMask),
                      kPciXSplitTransactions[T::Field(v, pci::kPciXSplitShift, pci::kPciXSplitMask)]);
    });
    rows.Add(pci::kPciXStatusOffset, 4, [](uint32_t v) {
        return PciXAddress(v) + T::Flags(v, {{16, "64bit"}, {17, "133MHz"}, {18, "SCD"}, {19, "USC"}}) +
            T::Format(" DC=%s DMMRBC=%u DMOST=%u DMCRS=%u ",
                      (v >> pci::kPciXDeviceComplexityBit) & 1 ? "bridge" : "simple",
                      pci::kPciXReadByteBase << T::Field(v, pci::kPciXDesignedReadByteShift, pci::kPciXReadByteMask),
                      kPciXSplitTransactions[T::Field(v, pci::kPciXDesignedSplitShift, pci::kPciXSplitMask)],
                      8u << T::Field(v, pci::kPciXDesignedCumulativeShift, pci::kPciXDesignedCumulativeMask)) +
            T::Flags(v, {{29, "RSCEM"}, {30, "266MHz"}, {31, "533MHz"}});
    });
}

void DecodeVendorSpecific(CCapabilityRows& rows)
{
    const uint32_t length = rows.Read(pci::kVendorSpecificLengthOffset, 1);
    rows.Add(pci::kVendorSpecificLengthOffset, 1, [](uint32_t v) { return T::Format("Len=%02x", v); });
    if (rows.CheckDeclared(length, "vendor-specific length") && !CVirtioCapabilityRows::Decode(rows, length))
        rows.AddPlainRange(pci::kVendorSpecificLengthOffset + 1, length, "Vendor Data");
}

void DecodeSata(CCapabilityRows& rows)
{
    rows.Add(pci::kSataRevisionOffset, 2, [](uint32_t v) {
        return T::Format("SATA HBA v%u.%u", T::Field(v, pci::kRevisionMajorShift, pci::kRevisionNibbleMask),
                         v & pci::kRevisionNibbleMask);
    });
    rows.Add(pci::kSataBarOffset, 4, [](uint32_t v) {
        const uint32_t location = v & pci::kSataLocationMask;
        if (location == pci::kSataInConfigSpace)
            return std::string("InCfgSpace");
        const uint32_t offset = ((v >> pci::kSataOffsetShift) & pci::kSataOffsetMask) * 4;
        if (location < pci::kSataFirstBarLocation || location >= pci::kSataFirstBarLocation + 6)
            return T::Format("BAR location %x reserved, offset=%05x", location, offset);
        return T::Format("BAR%u offset=%05x", location - pci::kSataFirstBarLocation, offset);
    });
}

void DecodeAdvancedFeatures(CCapabilityRows& rows)
{
    rows.Add(pci::kAfLengthOffset, 1, [](uint32_t v) { return T::Format("Len=%02x", v); });
    rows.Add(pci::kAfCapabilitiesOffset, 1, [](uint32_t v) { return T::Flags(v, {{0, "TP"}, {1, "FLR"}}); });
    rows.Add(pci::kAfControlOffset, 1, [](uint32_t v) { return T::Flags(v, {{0, "FLR"}}); });
    rows.Add(pci::kAfStatusOffset, 1, [](uint32_t v) { return T::Flags(v, {{0, "TP"}}); });
}

const char* EaIndicator(uint32_t bei)
{
    static const char* const kNames[] = {
        "BAR 0",         "BAR 1",         "BAR 2",    "BAR 3",    "BAR 4",    "BAR 5",    "resource behind function",
        "not indicated", "expansion ROM", "VF-BAR 0", "VF-BAR 1", "VF-BAR 2", "VF-BAR 3", "VF-BAR 4",
        "VF-BAR 5",      "reserved"};
    return kNames[bei & pci::kEaBeiMask];
}

std::string EaProperties(uint32_t value, bool secondary)
{
    static const char* const kNames[] = {"memory space, non-prefetchable",
                                         "memory space, prefetchable",
                                         "I/O space",
                                         "VF memory space, prefetchable",
                                         "VF memory space, non-prefetchable",
                                         "allocation behind bridge, non-prefetchable memory",
                                         "allocation behind bridge, prefetchable memory",
                                         "allocation behind bridge, I/O space"};
    if (value < sizeof kNames / sizeof kNames[0])
        return kNames[value];
    switch (value) {
    case pci::kEaPropertyMemoryUnavailable: return "memory space resource unavailable for use";
    case pci::kEaPropertyIoUnavailable: return "I/O space resource unavailable for use";
    case pci::kEaPropertyUnavailable:
        return secondary ? "entry unavailable for use, PrimaryProperties should be used" : "entry unavailable for use";
    default: return T::Format("[%02x]", value);
    }
}

// A base or maximum offset: 32 bits, or 64 when its low dword says so and the entry holds the upper half.
std::string EaAddress(uint32_t low, bool wide, uint32_t upper)
{
    return wide ? T::Format("%x%08x", upper, low) : T::Format("%08x", low);
}

void DecodeEaEntry(CCapabilityRows& rows, uint32_t entry, uint32_t offset, uint32_t dwords)
{
    rows.Add(offset, 4, T::Format("Entry %u", entry), [&](uint32_t v) {
        return T::Format("Enable%s Writable%s EntrySize=%u; BAR Equivalent Indicator: %s; ", T::Bit(v, 31),
                         T::Bit(v, 30), dwords, EaIndicator(T::Field(v, pci::kEaBeiShift, pci::kEaBeiMask))) +
            "PrimaryProperties: " +
            EaProperties(T::Field(v, pci::kEaPrimaryPropertiesShift, pci::kEaPropertiesMask), false) +
            "; SecondaryProperties: " +
            EaProperties(T::Field(v, pci::kEaSecondaryPropertiesShift, pci::kEaPropertiesMask), true);
    });
    // Base, MaxOffset, then the upper halves of whichever of them is 64-bit.
    const uint32_t base = dwords >= 1 ? rows.Read(offset + 4, 4) : 0;
    const uint32_t maxOffset = dwords >= 2 ? rows.Read(offset + 8, 4) : 0;
    const bool baseWide = (base & pci::kEaAddress64Bit) && dwords >= 3;
    const bool maxWide = (maxOffset & pci::kEaAddress64Bit) && dwords >= (baseWide ? 4u : 3u);
    const uint32_t baseUpperAt = 3;
    const uint32_t maxUpperAt = baseWide ? 4 : 3;
    const uint32_t baseUpper = baseWide ? rows.Read(offset + baseUpperAt * 4, 4) : 0;
    const uint32_t maxUpper = maxWide ? rows.Read(offset + maxUpperAt * 4, 4) : 0;
    for (uint32_t i = 1; i <= dwords && !rows.Stopped(); ++i) {
        const uint32_t at = offset + i * 4;
        if (i == 1)
            rows.Add(at, 4, T::Format("Entry %u Base", entry), [&](uint32_t v) {
                return "Base: " + EaAddress(v & ~pci::kEaAddressFlagsMask, baseWide, baseUpper);
            });
        else if (i == 2)
            rows.Add(at, 4, T::Format("Entry %u MaxOffset", entry), [&](uint32_t v) {
                return "MaxOffset: " + EaAddress(v | pci::kEaAddressFlagsMask, maxWide, maxUpper);
            });
        else if (baseWide && i == baseUpperAt)
            rows.AddPlain(at, 4, T::Format("Entry %u Base upper half", entry));
        else if (maxWide && i == maxUpperAt)
            rows.AddPlain(at, 4, T::Format("Entry %u MaxOffset upper half", entry));
        else
            rows.AddPlain(at, 4, T::Format("Entry %u dword %u", entry, i));
    }
}

void DecodeEnhancedAllocation(CCapabilityRows& rows, bool bridge)
{
    const uint32_t count = rows.Read(pci::kEaEntryCountOffset, 1) & pci::kEaEntryCountMask;
    rows.Add(pci::kEaEntryCountOffset, 1, [&](uint32_t) { return T::Format("NumEntries=%u", count); });
    if (bridge)
        rows.Add(pci::kEaFirstEntryOffset, 4, [](uint32_t v) {
            return T::Format("Secondary=%02x Subordinate=%02x", v & pci::kEaBusMask,
                             T::Field(v, pci::kEaSubordinateBusShift, pci::kEaBusMask));
        });
    uint32_t offset = bridge ? pci::kEaBridgeFirstEntryOffset : pci::kEaFirstEntryOffset;
    for (uint32_t entry = 0; entry < count && !rows.Stopped(); ++entry) {
        const uint32_t dwords = rows.Read(offset, 4) & pci::kEaEntrySizeMask;
        DecodeEaEntry(rows, entry, offset, dwords);
        offset += (dwords + 1) * 4;
    }
}

void DecodeFlatteningPortalBridge(CCapabilityRows& rows)
{
    rows.Add(pci::kFpbCapabilitiesOffset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "RID"}, {1, "MEM_LOW"}, {2, "MEM_HIGH"}});
    });
    rows.AddPlain(pci::kFpbRidVectorControl1Offset, 4, rows.CatalogueName(pci::kFpbRidVectorControl1Offset));
    rows.AddPlain(pci::kFpbRidVectorControl2Offset, 4, rows.CatalogueName(pci::kFpbRidVectorControl2Offset));
    rows.AddPlain(pci::kFpbMem32VectorControlOffset, 4, rows.CatalogueName(pci::kFpbMem32VectorControlOffset));
    rows.AddPlain(pci::kFpbMem64VectorControlOffset, 4, rows.CatalogueName(pci::kFpbMem64VectorControlOffset));
    rows.AddPlain(pci::kFpbMem64VectorUpperOffset, 4, rows.CatalogueName(pci::kFpbMem64VectorUpperOffset));
    rows.AddPlain(pci::kFpbVectorAccessControlOffset, 4, rows.CatalogueName(pci::kFpbVectorAccessControlOffset));
    rows.AddPlain(pci::kFpbVectorAccessDataOffset, 4, rows.CatalogueName(pci::kFpbVectorAccessDataOffset));
}

} // namespace

bool CConventionalCapabilityRows::Decode(uint8_t id, CCapabilityRows& rows)
{
    const bool bridge = rows.BarCount() == pci::kPciBridgeBarCount;
    switch (id) {
    case pci::kCapPowerManagement: DecodePowerManagement(rows); return true;
    case pci::kCapAgp:
    case pci::kCapAgp8x: DecodeAgp(rows); return true;
    case pci::kCapVpd:
        rows.Add(pci::kVpdAddressOffset, 2, [](uint32_t v) {
            return T::Format("Address %04x, F%s", v & pci::kVpdAddressMask, T::Sign(v & pci::kVpdFlag));
        });
        rows.AddPlain(pci::kVpdDataOffset, 4, rows.CatalogueName(pci::kVpdDataOffset));
        return true;
    case pci::kCapSlotIdentification:
        rows.Add(pci::kSlotExpansionOffset, 1, [](uint32_t v) {
            return T::Format("%u slots, First%s", v & pci::kSlotCountMask, T::Bit(v, pci::kSlotFirstInChassisBit));
        });
        rows.Add(pci::kSlotChassisOffset, 1, [](uint32_t v) { return T::Format("chassis %02x", v); });
        return true;
    case pci::kCapCompactPciHotSwap:
        rows.Add(2, 1, [](uint32_t v) {
            return T::Flags(v, {{7, "INS"}, {6, "EXT"}, {3, "LOO"}, {1, "EIM"}, {0, "DHA"}});
        });
        return true;
    case pci::kCapPciX: DecodePciX(rows, bridge); return true;
    case pci::kCapHyperTransport: CHyperTransportCapabilityRows::Decode(rows); return true;
    case pci::kCapVendorSpecific: DecodeVendorSpecific(rows); return true;
    case pci::kCapDebugPort:
        rows.Add(pci::kDebugPortOffset, 2, [](uint32_t v) {
            return T::Format("BAR=%u offset=%04x", v >> pci::kDebugPortBarShift, v & pci::kDebugPortOffsetMask);
        });
        return true;
    case pci::kCapCompactPciCentralResource: rows.AddPlain(2, 2, rows.CatalogueName(2)); return true;
    case pci::kCapPciHotPlug: return true; // the ID alone says it
    case pci::kCapBridgeSubsystem:
        rows.Add(pci::kBridgeSubsystemVendorOffset, 2, [](uint32_t v) { return T::Format("Vendor %04x", v); });
        rows.Add(pci::kBridgeSubsystemIdOffset, 2, [](uint32_t v) { return T::Format("Device %04x", v); });
        return true;
    case pci::kCapSecureDevice:
        rows.AddPlain(2, 2, rows.CatalogueName(2));
        for (uint32_t offset = 4; offset <= 16; offset += 4)
            rows.AddPlain(offset, 4, T::Format("Register +%02Xh", offset));
        return true;
    case pci::kCapSataConfig: DecodeSata(rows); return true;
    case pci::kCapAdvancedFeatures: DecodeAdvancedFeatures(rows); return true;
    case pci::kCapEnhancedAllocation: DecodeEnhancedAllocation(rows, bridge); return true;
    case pci::kCapFlatteningPortalBridge: DecodeFlatteningPortalBridge(rows); return true;
    default: return false;
    }
}
