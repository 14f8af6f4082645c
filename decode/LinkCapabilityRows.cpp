#include "decode/LinkCapabilityRows.h"

#include "decode/DecodeText.h"
#include "decode/ExpressCapabilityRows.h"

#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

#include <string>

namespace {

using T = CDecodeText;

uint32_t Lanes(const CCapabilityRows& rows)
{
    return rows.LinkWidth() > pci::kExpMaxLinkWidth ? pci::kExpMaxLinkWidth : rows.LinkWidth();
}

// Per-lane registers: as many as the link is wide, each checked against the space.
void AddLaneRows(CCapabilityRows& rows, uint32_t first, uint32_t size, const char* name)
{
    const uint32_t lanes = Lanes(rows);
    if (lanes == 0 || !rows.CheckDeclared(first + lanes * size, "per-lane registers"))
        return;
    for (uint32_t lane = 0; lane < lanes; ++lane)
        rows.AddPlain(first + lane * size, size, T::Format("%s Lane %u", name, lane));
}

// LTR-style value and scale: value << (5 * scale) nanoseconds.
uint64_t ScaledNs(uint32_t value, uint32_t scale)
{
    return scale > 5 ? 0 : uint64_t(value) << (5 * scale);
}

std::string PowerOnTime(uint32_t scale, uint32_t value)
{
    static const uint32_t kScaleUs[] = {2, 10, 100, 0};
    return T::Format("%uus", value * kScaleUs[scale & 3]);
}

void DecodeL1Substates(CCapabilityRows& rows)
{
    rows.Add(pci::kL1ssCapOffset, 4, [](uint32_t v) {
        std::string text = T::Flags(
            v, {{0, "PCI-PM_L1.2"}, {1, "PCI-PM_L1.1"}, {2, "ASPM_L1.2"}, {3, "ASPM_L1.1"}, {4, "L1_PM_Substates"}});
        if (v & pci::kL1ssL12Supported)
            text += T::Format(", PortCommonModeRestoreTime=%uus PortTPowerOnTime=%s",
                              T::Field(v, pci::kL1ssCommonModeShift, pci::kL1ssCommonModeMask),
                              PowerOnTime(T::Field(v, pci::kL1ssPowerOnScaleShift, pci::kL1ssPowerOnScaleMask),
                                          T::Field(v, pci::kL1ssPowerOnValueShift, pci::kL1ssPowerOnValueMask))
                                  .c_str());
        return text;
    });
    rows.Add(pci::kL1ssControl1Offset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "PCI-PM_L1.2"}, {1, "PCI-PM_L1.1"}, {2, "ASPM_L1.2"}, {3, "ASPM_L1.1"}}) +
            T::Format(", T_CommonMode=%uus LTR1.2_Threshold=%s",
                      T::Field(v, pci::kL1ssCommonModeShift, pci::kL1ssCommonModeMask),
                      T::Nanoseconds(ScaledNs(T::Field(v, pci::kL1ssThresholdValueShift, pci::kL1ssThresholdValueMask),
                                              T::Field(v, pci::kL1ssThresholdScaleShift, pci::kL1ssThresholdScaleMask)))
                          .c_str());
    });
    rows.Add(pci::kL1ssControl2Offset, 4, [](uint32_t v) {
        return "T_PwrOn=" +
            PowerOnTime(v & pci::kL1ssControl2ScaleMask,
                        T::Field(v, pci::kL1ssControl2ValueShift, pci::kL1ssControl2ValueMask));
    });
    if (rows.Entry().version >= 2)
        rows.Add(pci::kL1ssStatusOffset, 4, [](uint32_t v) { return T::Flags(v, {{0, "LinkStateChanged"}}); });
}

std::string Granularity(uint32_t value, const char* none)
{
    if (value == 0)
        return none;
    return value == 0xFF ? std::string("Greater than 254ns") : T::Format("%uns", value);
}

void DecodePtm(CCapabilityRows& rows)
{
    rows.Add(pci::kPtmCapOffset, 4, [](uint32_t v) {
        return T::Format("Requester:%s Responder:%s Root:%s, PTMClockGranularity: ", T::Bit(v, 0), T::Bit(v, 1),
                         T::Bit(v, 2)) +
            Granularity(T::Field(v, pci::kPtmGranularityShift, pci::kPtmGranularityMask), "Unimplemented");
    });
    rows.Add(pci::kPtmControlOffset, 4, [](uint32_t v) {
        return T::Format("Enabled:%s RootSelected:%s, PTMEffectiveGranularity: ", T::Bit(v, 0), T::Bit(v, 1)) +
            Granularity(T::Field(v, pci::kPtmGranularityShift, pci::kPtmGranularityMask), "Unknown");
    });
}

std::string LatencyText(const char* what, uint32_t v)
{
    return T::Format(
        "%s: %s", what,
        T::Nanoseconds(ScaledNs(v & pci::kLtrValueMask, T::Field(v, pci::kLtrScaleShift, pci::kLtrScaleMask))).c_str());
}

std::string ReadinessTime(uint32_t value)
{
    return T::Nanoseconds(ScaledNs(value & pci::kReadinessValueMask,
                                   T::Field(value, pci::kReadinessScaleShift, pci::kReadinessScaleMask)));
}

void DecodePowerBudgeting(CCapabilityRows& rows)
{
    rows.Add(pci::kPowerBudgetSelectOffset, 1, [](uint32_t v) { return T::Format("Entry %u", v); });
    rows.Add(pci::kPowerBudgetDataOffset, 4, [](uint32_t v) {
        static const char* const kStates[] = {"D0", "D1", "D2", "D3"};
        static const char* const kTypes[] = {"PME Aux",
                                             "Auxiliary",
                                             "Idle",
                                             "Sustained",
                                             "Sustained (Emergency Power Reduction)",
                                             "Maximum (Emergency Power Reduction)",
                                             "Reserved",
                                             "Maximum"};
        static const char* const kRails[] = {"12V",      "3.3V",     "1.5V or 1.8V", "Reserved",
                                             "Reserved", "Reserved", "Reserved",     "Thermal"};
        return T::Format(
            "Power %s, PM State %s.%u, Type %s, Rail %s",
            CExpressCapabilityRows::Watts(v & pci::kPowerBudgetBaseMask,
                                          T::Field(v, pci::kPowerBudgetScaleShift, pci::kPowerBudgetScaleMask))
                .c_str(),
            kStates[T::Field(v, pci::kPowerBudgetStateShift, pci::kPowerBudgetStateMask)],
            T::Field(v, pci::kPowerBudgetSubStateShift, pci::kPowerBudgetSubStateMask),
            kTypes[T::Field(v, pci::kPowerBudgetTypeShift, pci::kPowerBudgetTypeMask)],
            kRails[T::Field(v, pci::kPowerBudgetRailShift, pci::kPowerBudgetRailMask)]);
    });
    rows.Add(pci::kPowerBudgetCapOffset, 1, [](uint32_t v) { return T::Flags(v, {{0, "SystemAllocated"}}); });
}

// "LaneErr at lane: 0 1", lspci's list of the lanes that saw an error, or 0 when none did.
std::string LaneErrors(uint32_t v)
{
    if (v == 0)
        return "0";
    std::string text = "LaneErr at lane:";
    for (uint32_t lane = 0; lane < pci::kExpMaxLinkWidth; ++lane) {
        if (v & (1u << lane))
            text += T::Format(" %u", lane);
    }
    return text;
}

void DecodeDpa(CCapabilityRows& rows)
{
    const uint32_t substates = (rows.Read(pci::kDpaCapOffset, 4) & pci::kDpaSubstateMask) + 1;
    rows.Add(pci::kDpaCapOffset, 4, [&](uint32_t) { return T::Format("%u substates", substates); });
    rows.AddPlain(pci::kDpaLatencyOffset, 4, "DPA Latency Indicator");
    rows.AddPlain(pci::kDpaStatusOffset, 2, "DPA Status");
    rows.AddPlain(pci::kDpaControlOffset, 2, "DPA Control");
    if (!rows.CheckDeclared(pci::kDpaAllocationOffset + substates, "power allocation array"))
        return;
    for (uint32_t i = 0; i < substates; ++i)
        rows.AddPlain(pci::kDpaAllocationOffset + i, 1, T::Format("Substate %u Power Allocation", i));
}

void DecodePhysical(CCapabilityRows& rows, uint16_t id)
{
    rows.AddPlain(pci::kPhyCapOffset, 4, "Capabilities");
    rows.AddPlain(pci::kPhyControlOffset, 4, "Control");
    rows.Add(pci::kPhyStatusOffset, 4, [](uint32_t v) {
        return T::Flags(
            v, {{0, "EquComplete"}, {1, "EquPhase1"}, {2, "EquPhase2"}, {3, "EquPhase3"}, {4, "LinkEquRequest"}});
    });
    if (id == pci::kExtCapPhysical16) {
        rows.AddPlain(pci::kPhy16LocalParityOffset, 4, "Local Data Parity Mismatch Status");
        rows.AddPlain(pci::kPhy16FirstRetimerParityOffset, 4, "First Retimer Data Parity Mismatch Status");
        rows.AddPlain(pci::kPhy16SecondRetimerParityOffset, 4, "Second Retimer Data Parity Mismatch Status");
        AddLaneRows(rows, pci::kPhy16LaneEqualizationOffset, 1, "16.0 GT/s Equalization Control");
    } else if (id == pci::kExtCapPhysical32) {
        rows.AddPlain(pci::kPhy32ModifiedTs1Offset, 4, "Received Modified TS Data 1");
        rows.AddPlain(pci::kPhy32ModifiedTs2Offset, 4, "Received Modified TS Data 2");
        rows.AddPlain(pci::kPhy32ModifiedTs2Offset + 4, 4, "Transmitted Modified TS Data 1");
        rows.AddPlain(pci::kPhy32ModifiedTs2Offset + 8, 4, "Transmitted Modified TS Data 2");
        AddLaneRows(rows, pci::kPhy32LaneEqualizationOffset, 1, "32.0 GT/s Equalization Control");
    }
}

void DecodeLaneMargining(CCapabilityRows& rows)
{
    rows.Add(pci::kMarginPortCapOffset, 2, [](uint32_t v) { return T::Flags(v, {{0, "MarginUsesDriverSoftware"}}); });
    rows.Add(pci::kMarginPortStatusOffset, 2, [](uint32_t v) {
        return T::Flags(v, {{0, "MarginReady"}, {1, "MarginSoftwareReady"}});
    });
    AddLaneRows(rows, pci::kMarginLaneOffset, pci::kMarginLaneBytes, "Margining Control/Status");
}

} // namespace

bool CLinkCapabilityRows::Decode(uint16_t id, CCapabilityRows& rows)
{
    switch (id) {
    case pci::kExtCapL1Substates: DecodeL1Substates(rows); return true;
    case pci::kExtCapPtm: DecodePtm(rows); return true;
    case pci::kExtCapLtr:
        rows.Add(pci::kLtrMaxSnoopOffset, 2, [](uint32_t v) { return LatencyText("Max snoop latency", v); });
        rows.Add(pci::kLtrMaxNoSnoopOffset, 2, [](uint32_t v) { return LatencyText("Max no snoop latency", v); });
        return true;
    case pci::kExtCapSecondaryPcie:
        rows.Add(pci::kSecLinkControl3Offset, 4, [](uint32_t v) {
            return T::Flags(v, {{1, "LnkEquIntrruptEn"}, {0, "PerformEqu"}});
        });
        rows.Add(pci::kSecLaneErrorStatusOffset, 4, LaneErrors);
        AddLaneRows(rows, pci::kSecLaneEqualizationOffset, 2, "Equalization Control");
        return true;
    case pci::kExtCapPhysical16:
    case pci::kExtCapPhysical32:
    case pci::kExtCapPhysical64: DecodePhysical(rows, id); return true;
    case pci::kExtCapLaneMargining: DecodeLaneMargining(rows); return true;
    case pci::kExtCapDataLinkFeature:
        rows.Add(pci::kDlfCapOffset, 4, [](uint32_t v) {
            return T::Flags(v, {{0, "LocalScaledFlowControl"}, {31, "ExchangeEnable"}});
        });
        rows.Add(pci::kDlfStatusOffset, 4, [](uint32_t v) {
            return T::Format("RemoteFeatures %06x, Valid%s", v & pci::kDlfRemoteFeaturesMask,
                             T::Bit(v, pci::kDlfValidBit));
        });
        return true;
    case pci::kExtCapReadinessTime:
        rows.Add(pci::kReadinessTime1Offset, 4, [](uint32_t v) {
            return T::Format("Valid%s Reset %s, DLUp %s", T::Bit(v, pci::kReadinessValidBit), ReadinessTime(v).c_str(),
                             ReadinessTime(v >> pci::kReadinessSecondShift).c_str());
        });
        rows.Add(pci::kReadinessTime2Offset, 4, [](uint32_t v) {
            return T::Format("FLR %s, D3hot->D0 %s", ReadinessTime(v).c_str(),
                             ReadinessTime(v >> pci::kReadinessSecondShift).c_str());
        });
        return true;
    case pci::kExtCapFrsQueueing:
        rows.Add(pci::kFrsCapOffset, 4, [](uint32_t v) {
            return T::Format("Max Queue Depth %u, Interrupt Message Number %u", v & pci::kFrsQueueDepthMask,
                             T::Field(v, pci::kFrsMessageNumberShift, pci::kFrsMessageNumberMask));
        });
        rows.Add(pci::kFrsStatusOffset, 2, [](uint32_t v) { return T::Flags(v, {{0, "Overflow"}}); });
        rows.AddPlain(pci::kFrsControlOffset, 2, "FRS Queueing Control");
        rows.AddPlain(pci::kFrsMessageQueueOffset, 4, "FRS Message Queue");
        return true;
    case pci::kExtCapLnRequester:
        rows.AddPlain(pci::kLnCapOffset, 2, rows.CatalogueName(pci::kLnCapOffset));
        rows.AddPlain(pci::kLnControlOffset, 2, rows.CatalogueName(pci::kLnControlOffset));
        return true;
    case pci::kExtCapPowerBudgeting: DecodePowerBudgeting(rows); return true;
    case pci::kExtCapDpa: DecodeDpa(rows); return true;
    case pci::kExtCapFlitLogging:
        rows.AddPlain(pci::kFlitErrorLog1Offset, 4, "Flit Error Log 1");
        rows.AddPlain(pci::kFlitErrorLog2Offset, 4, "Flit Error Log 2");
        rows.AddPlain(pci::kFlitErrorCounterControlOffset, 2, "Flit Error Counter Control");
        rows.AddPlain(pci::kFlitErrorCounterStatusOffset, 2, "Flit Error Counter Status");
        rows.AddPlain(pci::kFlitFbcOffset, 4, "FBER Measurement Control");
        return true;
    default: return false;
    }
}
