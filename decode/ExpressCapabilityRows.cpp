#include "decode/ExpressCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/ExpressCapability.h"

namespace {

using T = CDecodeText;

const char* const kL0sLatency[] = {"<64ns", "<128ns", "<256ns", "<512ns", "<1us", "<2us", "<4us", "unlimited"};
const char* const kL1Latency[] = {"<1us", "<2us", "<4us", "<8us", "<16us", "<32us", "<64us", "unlimited"};
const char* const kAspm[] = {"not supported", "L0s", "L1", "L0s L1"};
const char* const kAspmControl[] = {"Disabled", "L0s Enabled", "L1 Enabled", "L0s L1 Enabled"};
const char* const kIndicator[] = {"Unknown", "On", "Blink", "Off"};
const char* const kObffSupport[] = {"Not Supported", "Via message", "Via WAKE#", "Via message/WAKE#"};
const char* const kObffControl[] = {"Disabled", "Via message A", "Via message B", "Via WAKE#"};
const char* const kEmergencyPower[] = {"Not Supported", "Dev Specific", "Form Factor Dev Specific", "Reserved"};
const char* const kLnSystemCls[] = {"Not Supported", "64byte cachelines", "128byte cachelines", "Reserved"};
const char* const kTransmitMargin[] = {"Normal Operating Range", "1", "2", "3", "4", "5", "6", "7"};
const char* const kCrosslink[] = {"unsupported", "Upstream Port", "Downstream Port", "incomplete"};
const char* const kPreset[] = {"-6dB de-emphasis, 0dB preshoot",
                               "-3.5dB de-emphasis, 0dB preshoot",
                               "-4.4dB de-emphasis, 0dB preshoot",
                               "-2.5dB de-emphasis, 0dB preshoot",
                               "0dB de-emphasis, 0dB preshoot",
                               "0dB de-emphasis, 1.9dB preshoot",
                               "0dB de-emphasis, 2.5dB preshoot",
                               "-6dB de-emphasis, 3.5dB preshoot",
                               "-3.5dB de-emphasis, 3.5dB preshoot",
                               "0dB de-emphasis, 3.5dB preshoot",
                               "Reserved",
                               "Reserved",
                               "Reserved",
                               "Reserved",
                               "Reserved",
                               "Reserved"};

uint32_t PayloadBytes(uint32_t field)
{
    return pci::kExpPayloadBaseBytes << (field & pci::kExpMaxPayloadMask);
}

std::string CompletionRanges(uint32_t ranges)
{
    if ((ranges & pci::kExpCompletionTimeoutMask) == 0)
        return "Not Supported";
    std::string text = "Range ";
    for (uint32_t i = 0; i < 4; ++i) {
        if (ranges & (1u << i))
            text += char('A' + i);
    }
    return text;
}

const char* CompletionTimeout(uint32_t value)
{
    switch (value & pci::kExpCompletionTimeoutMask) {
    case 0x0: return "50us to 50ms";
    case 0x1: return "50us to 100us";
    case 0x2: return "1ms to 10ms";
    case 0x5: return "16ms to 55ms";
    case 0x6: return "65ms to 210ms";
    case 0x9: return "260ms to 900ms";
    case 0xA: return "1s to 3.5s";
    case 0xD: return "4s to 13s";
    case 0xE: return "17s to 64s";
    default: return "Unknown";
    }
}

// "2.5-8GT/s" from the supported speeds vector of Link Capabilities 2.
std::string SpeedRange(uint32_t vector)
{
    if (vector == 0)
        return "Unknown";
    int low = -1;
    int high = -1;
    for (int i = 0; i < 7; ++i) {
        if (vector & (1u << i)) {
            if (low < 0)
                low = i;
            high = i;
        }
    }
    std::string lowName = CExpressCapabilityRows::SpeedName(uint32_t(low + 1));
    if (low == high)
        return lowName;
    lowName.resize(lowName.size() - 4); // drop "GT/s"
    return lowName + "-" + CExpressCapabilityRows::SpeedName(uint32_t(high + 1));
}

// Ports that face downstream train to whatever sits below them, so their status is not
// held against their capability; elsewhere a slower or narrower link is worth a note.
bool ComparesLink(uint32_t type)
{
    return type != pci::kExpTypeRootPort && type != pci::kExpTypeDownstreamPort &&
        type != pci::kExpTypePciToExpressBridge;
}

const char* Compare(uint32_t current, uint32_t capable)
{
    if (current == capable)
        return "";
    return current < capable ? " (downgraded)" : " (overdriven)";
}

// Target Link Speed: 0 is read as the lowest speed, values past the known ones are unknown.
const char* TargetSpeedName(uint32_t speed)
{
    if (speed == 0)
        return CExpressCapabilityRows::SpeedName(1);
    const char* name = CExpressCapabilityRows::SpeedName(speed);
    return std::string(name) == "unknown" ? "Unknown" : name;
}

void DecodeDevice(CCapabilityRows& rows, uint32_t type)
{
    rows.Add(pci::kExpDeviceCapOffset, 4, [&](uint32_t v) {
        std::string text = T::Format("MaxPayload %u bytes, PhantFunc %u", PayloadBytes(v),
                                     T::Field(v, pci::kExpPhantomShift, pci::kExpPhantomMask));
        if (type == pci::kExpTypeEndpoint || type == pci::kExpTypeLegacyEndpoint ||
            type == pci::kExpTypeIntegratedEndpoint) {
            text += T::Format(", Latency L0s %s, L1 %s",
                              kL0sLatency[T::Field(v, pci::kExpL0sLatencyShift, pci::kExpLatencyMask)],
                              kL1Latency[T::Field(v, pci::kExpL1LatencyShift, pci::kExpLatencyMask)]);
        }
        text += ", " +
            T::Flags(v,
                     {{5, "ExtTag"}, {12, "AttnBtn"}, {13, "AttnInd"}, {14, "PwrInd"}, {15, "RBE"}, {28, "FLReset"}});
        text += " SlotPowerLimit " +
            CExpressCapabilityRows::Watts(T::Field(v, pci::kExpPowerLimitValueShift, pci::kExpPowerLimitValueMask),
                                          T::Field(v, pci::kExpPowerLimitScaleShift, pci::kExpPowerLimitScaleMask));
        return text;
    });
    // Bit 15 starts a function-level reset, except on a bridge to PCI, where it enables configuration retry.
    const char* const bit15 = type == pci::kExpTypeExpressToPciBridge ? "BrConfRtry" : "FLReset";
    rows.Add(pci::kExpDeviceControlOffset, 2, [&](uint32_t v) {
        return T::Flags(v, {{0, "CorrErr"}, {1, "NonFatalErr"}, {2, "FatalErr"}, {3, "UnsupReq"}}) + ", " +
            T::Flags(v,
                     {{4, "RlxdOrd"}, {8, "ExtTag"}, {9, "PhantFunc"}, {10, "AuxPwr"}, {11, "NoSnoop"}, {15, bit15}}) +
            T::Format(", MaxPayload %u bytes, MaxReadReq %u bytes", PayloadBytes(v >> pci::kExpControlPayloadShift),
                      PayloadBytes(v >> pci::kExpControlReadRequestShift));
    });
    rows.Add(pci::kExpDeviceStatusOffset, 2, [](uint32_t v) {
        return T::Flags(
            v, {{0, "CorrErr"}, {1, "NonFatalErr"}, {2, "FatalErr"}, {3, "UnsupReq"}, {4, "AuxPwr"}, {5, "TransPend"}});
    });
}

void DecodeLink(CCapabilityRows& rows, const uint32_t* linkCap, uint32_t type)
{
    rows.Add(pci::kExpLinkCapOffset, 4, [](uint32_t v) {
        const uint32_t aspm = T::Field(v, pci::kExpAspmSupportShift, pci::kExpAspmMask);
        std::string text = T::Format("Port #%u, Speed %s, Width x%u, ASPM %s",
                                     T::Field(v, pci::kExpPortNumberShift, pci::kExpPortNumberMask),
                                     CExpressCapabilityRows::SpeedName(v & pci::kExpLinkSpeedMask),
                                     T::Field(v, pci::kExpLinkWidthShift, pci::kExpLinkWidthMask), kAspm[aspm]);
        if (aspm != 0) {
            text += T::Format(", Exit Latency L0s %s, L1 %s",
                              kL0sLatency[T::Field(v, pci::kExpL0sExitShift, pci::kExpLatencyMask)],
                              kL1Latency[T::Field(v, pci::kExpL1ExitShift, pci::kExpLatencyMask)]);
        }
        return text + ", " +
            T::Flags(v, {{18, "ClockPM"}, {19, "Surprise"}, {20, "LLActRep"}, {21, "BwNot"}, {22, "ASPMOptComp"}});
    });
    rows.Add(pci::kExpLinkControlOffset, 2, [](uint32_t v) {
        return T::Format("ASPM %s; RCB %u bytes, ", kAspmControl[v & pci::kExpAspmMask],
                         (v & pci::kExpLinkControlRcb128) ? 128u : 64u) +
            T::Flags(v, {{4, "Disabled"}, {6, "CommClk"}}) + ", " +
            T::Flags(v, {{7, "ExtSynch"}, {8, "ClockPM"}, {9, "AutWidDis"}, {10, "BWInt"}, {11, "AutBWInt"}});
    });
    const uint32_t cap = linkCap ? *linkCap : 0;
    const bool compare = linkCap && ComparesLink(type);
    rows.Add(pci::kExpLinkStatusOffset, 2, [&](uint32_t v) {
        const uint32_t speed = v & pci::kExpLinkSpeedMask;
        const uint32_t width = T::Field(v, pci::kExpLinkStatusWidthShift, pci::kExpLinkStatusWidthMask);
        std::string text = T::Format("Speed %s", CExpressCapabilityRows::SpeedName(speed));
        if (compare)
            text += Compare(speed, cap & pci::kExpLinkSpeedMask);
        text += T::Format(", Width x%u", width);
        if (compare)
            text += Compare(width, T::Field(cap, pci::kExpLinkWidthShift, pci::kExpLinkWidthMask));
        return text + ", " +
            T::Flags(
                   v,
                   {{10, "TrErr"}, {11, "Train"}, {12, "SlotClk"}, {13, "DLActive"}, {14, "BWMgmt"}, {15, "ABWMgmt"}});
    });
}

void DecodeSlot(CCapabilityRows& rows)
{
    rows.Add(pci::kExpSlotCapOffset, 4, [](uint32_t v) {
        return T::Flags(v,
                        {{0, "AttnBtn"},
                         {1, "PwrCtrl"},
                         {2, "MRL"},
                         {3, "AttnInd"},
                         {4, "PwrInd"},
                         {6, "HotPlug"},
                         {5, "Surprise"}}) +
            T::Format(
                   ", Slot #%u, PowerLimit %s; ", T::Field(v, pci::kExpPhysicalSlotShift, pci::kExpPhysicalSlotMask),
                   CExpressCapabilityRows::Watts(T::Field(v, pci::kExpSlotPowerValueShift, pci::kExpSlotPowerValueMask),
                                                 T::Field(v, pci::kExpSlotPowerScaleShift, pci::kExpSlotPowerScaleMask))
                       .c_str()) +
            T::Flags(v, {{17, "Interlock"}, {18, "NoCompl"}});
    });
    rows.Add(pci::kExpSlotControlOffset, 2, [](uint32_t v) {
        return "Enable: " +
            T::Flags(v,
                     {{0, "AttnBtn"},
                      {1, "PwrFlt"},
                      {2, "MRL"},
                      {3, "PresDet"},
                      {4, "CmdCplt"},
                      {5, "HPIrq"},
                      {12, "LinkChg"}}) +
            T::Format(", Control: AttnInd %s, PwrInd %s, ",
                      kIndicator[T::Field(v, pci::kExpAttentionIndicatorShift, pci::kExpIndicatorMask)],
                      kIndicator[T::Field(v, pci::kExpPowerIndicatorShift, pci::kExpIndicatorMask)]) +
            T::Flags(v, {{10, "Power"}, {11, "Interlock"}});
    });
    rows.Add(pci::kExpSlotStatusOffset, 2, [](uint32_t v) {
        return "Status: " +
            T::Flags(v,
                     {{0, "AttnBtn"}, {1, "PowerFlt"}, {5, "MRL"}, {4, "CmdCplt"}, {6, "PresDet"}, {7, "Interlock"}}) +
            ", Changed: " + T::Flags(v, {{2, "MRL"}, {3, "PresDet"}, {8, "LinkState"}});
    });
}

void DecodeRoot(CCapabilityRows& rows)
{
    rows.Add(pci::kExpRootControlOffset, 2, [](uint32_t v) {
        return T::Flags(
            v, {{0, "ErrCorrectable"}, {1, "ErrNon-Fatal"}, {2, "ErrFatal"}, {3, "PMEIntEna"}, {4, "CRSVisible"}});
    });
    rows.Add(pci::kExpRootCapOffset, 2, [](uint32_t v) { return T::Flags(v, {{0, "CRSVisible"}}); });
    rows.Add(pci::kExpRootStatusOffset, 4, [](uint32_t v) {
        return T::Format("PME ReqID %04x, ", v & pci::kExpPmeRequesterMask) +
            T::Flags(v, {{16, "PMEStatus"}, {17, "PMEPending"}});
    });
}

void DecodeVersion2(CCapabilityRows& rows, uint32_t type, bool hasLink, bool hasSlot)
{
    rows.Add(pci::kExpDeviceCap2Offset, 4, [&](uint32_t v) {
        std::string text = "Completion Timeout: " + CompletionRanges(v) + ", " +
            T::Flags(v, {{4, "TimeoutDis"}, {10, "NROPrPrP"}, {11, "LTR"}}) + " " +
            T::Flags(v, {{16, "10BitTagComp"}, {17, "10BitTagReq"}}) +
            T::Format(" OBFF %s, ", kObffSupport[T::Field(v, pci::kExpObffShift, pci::kExpObffMask)]) +
            T::Flags(v, {{20, "ExtFmt"}, {21, "EETLPPrefix"}});
        if (v & (1u << 21))
            text += T::Format(", MaxEETLPPrefixes %u",
                              T::Field(v, pci::kExpMaxEndEndPrefixesShift, pci::kExpMaxEndEndPrefixesMask) ?: 4);
        text += T::Format(", EmergencyPowerReduction %s, ",
                          kEmergencyPower[T::Field(v, pci::kExpEmergencyPowerShift, pci::kExpEmergencyPowerMask)]) +
            T::Flags(v, {{26, "EmergencyPowerReductionInit"}, {31, "FRS"}});
        if (type == pci::kExpTypeRootPort)
            text += T::Format(" LN System CLS %s,",
                              kLnSystemCls[T::Field(v, pci::kExpLnSystemClsShift, pci::kExpLnSystemClsMask)]);
        text += " " + T::Flags(v, {{12, "TPHComp"}, {13, "ExtTPHComp"}});
        if (type == pci::kExpTypeRootPort || type == pci::kExpTypeDownstreamPort)
            text += ", " + T::Flags(v, {{5, "ARIFwd"}});
        text += ", AtomicOpsCap: " + T::Flags(v, {{6, "Routing"}, {7, "32bit"}, {8, "64bit"}, {9, "128bitCAS"}});
        return text;
    });
    rows.Add(pci::kExpDeviceControl2Offset, 2, [](uint32_t v) {
        return T::Format("Completion Timeout: %s, ", CompletionTimeout(v)) +
            T::Flags(v, {{4, "TimeoutDis"}, {10, "LTR"}, {12, "10BitTagReq"}}) +
            T::Format(" OBFF %s, ", kObffControl[T::Field(v, pci::kExpControlObffShift, pci::kExpObffMask)]) +
            T::Flags(v,
                     {{5, "ARIFwd"},
                      {7, "EgressBlck"},
                      {8, "IDOReq"},
                      {9, "IDOCompl"},
                      {11, "EmergencyPowerReductionReq"},
                      {15, "EETLPPrefixBlk"}}) +
            ", AtomicOpsCtl: " + T::Flags(v, {{6, "ReqEn"}});
    });
    rows.AddPlain(pci::kExpDeviceStatus2Offset, 2, rows.CatalogueName(pci::kExpDeviceStatus2Offset));
    if (hasLink) {
        rows.Add(pci::kExpLinkCap2Offset, 4, [](uint32_t v) {
            return "Supported Link Speeds: " +
                SpeedRange(T::Field(v, pci::kExpSpeedVectorShift, pci::kExpSpeedVectorMask)) + ", " +
                T::Flags(v, {{8, "Crosslink"}, {23, "Retimer"}, {24, "2Retimers"}, {31, "DRS"}});
        });
        rows.Add(pci::kExpLinkControl2Offset, 2, [](uint32_t v) {
            return T::Format("Target Link Speed: %s, ", TargetSpeedName(v & pci::kExpLinkSpeedMask)) +
                T::Flags(v, {{4, "EnterCompliance"}, {5, "SpeedDis"}}) +
                T::Format(", Selectable De-emphasis: %s, Transmit Margin: %s, ",
                          (v & pci::kExpSelectableDeemphasis) ? "-3.5dB" : "-6dB",
                          kTransmitMargin[T::Field(v, pci::kExpTransmitMarginShift, pci::kExpTransmitMarginMask)]) +
                T::Flags(v, {{10, "EnterModifiedCompliance"}, {11, "ComplianceSOS"}}) +
                T::Format(", Compliance Preset/De-emphasis: %s",
                          kPreset[T::Field(v, pci::kExpCompliancePresetShift, pci::kExpCompliancePresetMask)]);
        });
        rows.Add(pci::kExpLinkStatus2Offset, 2, [](uint32_t v) {
            return T::Format("Current De-emphasis Level: %s, ", (v & pci::kExpCurrentDeemphasis) ? "-3.5dB" : "-6dB") +
                T::Flags(v,
                         {{1, "EqualizationComplete"},
                          {2, "EqualizationPhase1"},
                          {3, "EqualizationPhase2"},
                          {4, "EqualizationPhase3"},
                          {5, "LinkEqualizationRequest"},
                          {6, "Retimer"},
                          {7, "2Retimers"}}) +
                T::Format(" CrosslinkRes: %s",
                          kCrosslink[T::Field(v, pci::kExpCrosslinkShift, pci::kExpCrosslinkMask)]);
        });
    }
    if (hasSlot) {
        rows.Add(pci::kExpSlotCap2Offset, 4, [](uint32_t v) { return T::Flags(v, {{0, "IbPresDis"}}); });
        rows.AddPlain(pci::kExpSlotControl2Offset, 2, rows.CatalogueName(pci::kExpSlotControl2Offset));
        rows.AddPlain(pci::kExpSlotStatus2Offset, 2, rows.CatalogueName(pci::kExpSlotStatus2Offset));
    }
}

} // namespace

const char* CExpressCapabilityRows::SpeedName(uint32_t speed)
{
    static const char* const kSpeeds[] = {"unknown", "2.5GT/s", "5GT/s", "8GT/s", "16GT/s", "32GT/s", "64GT/s"};
    return speed < sizeof kSpeeds / sizeof kSpeeds[0] ? kSpeeds[speed] : "unknown";
}

std::string CExpressCapabilityRows::Watts(uint32_t value, uint32_t scale)
{
    static const uint32_t kDivisor[] = {1, 10, 100, 1000};
    uint32_t divisor = kDivisor[scale & pci::kExpPowerLimitScaleMask];
    while (divisor > 1 && value % 10 == 0) {
        value /= 10;
        divisor /= 10;
    }
    if (divisor == 1)
        return T::Format("%uW", value);
    // Scaled down until the last digit is not 0, so no fraction ends in one.
    return T::Format(divisor == 10        ? "%u.%01uW"
                         : divisor == 100 ? "%u.%02uW"
                                          : "%u.%03uW",
                     value / divisor, value % divisor);
}

bool CExpressCapabilityRows::HasLink(uint32_t portType)
{
    return portType != pci::kExpTypeIntegratedEndpoint && portType != pci::kExpTypeEventCollector;
}

std::string CExpressCapabilityRows::PortTypeName(uint32_t portType, bool slot)
{
    switch (portType) {
    case pci::kExpTypeEndpoint: return "Endpoint";
    case pci::kExpTypeLegacyEndpoint: return "Legacy Endpoint";
    case pci::kExpTypeRootPort: return T::Format("Root Port (Slot%s)", T::Sign(slot));
    case pci::kExpTypeUpstreamPort: return "Upstream Port";
    case pci::kExpTypeDownstreamPort: return T::Format("Downstream Port (Slot%s)", T::Sign(slot));
    case pci::kExpTypeExpressToPciBridge: return "PCI-Express to PCI/PCI-X Bridge";
    case pci::kExpTypePciToExpressBridge: return T::Format("PCI/PCI-X to PCI-Express Bridge (Slot%s)", T::Sign(slot));
    case pci::kExpTypeIntegratedEndpoint: return "Root Complex Integrated Endpoint";
    case pci::kExpTypeEventCollector: return "Root Complex Event Collector";
    default: return T::Format("Unknown type %u", portType);
    }
}

void CExpressCapabilityRows::Decode(CCapabilityRows& rows)
{
    const uint32_t caps = rows.Read(pci::kExpCapabilitiesOffset, 2);
    const uint32_t version = caps & pci::kExpVersionMask;
    const uint32_t type = T::Field(caps, pci::kExpPortTypeShift, pci::kExpPortTypeMask);
    const bool slot = (caps & pci::kExpSlotImplemented) != 0;
    rows.Add(pci::kExpCapabilitiesOffset, 2, [&](uint32_t v) {
        return T::Format("Express (v%u) %s, MSI %02x", version, PortTypeName(type, slot).c_str(),
                         T::Field(v, pci::kExpInterruptMessageShift, pci::kExpInterruptMessageMask));
    });
    DecodeDevice(rows, type);
    const bool hasLink = HasLink(type);
    if (hasLink) {
        const bool haveCap = rows.Fits(pci::kExpLinkCapOffset, 4);
        const uint32_t linkCap = rows.Read(pci::kExpLinkCapOffset, 4);
        DecodeLink(rows, haveCap ? &linkCap : nullptr, type);
    }
    const bool hasSlot = slot &&
        (type == pci::kExpTypeRootPort || type == pci::kExpTypeDownstreamPort ||
         type == pci::kExpTypePciToExpressBridge);
    if (hasSlot)
        DecodeSlot(rows);
    if (type == pci::kExpTypeRootPort || type == pci::kExpTypeEventCollector)
        DecodeRoot(rows);
    if (version >= 2)
        DecodeVersion2(rows, type, hasLink, hasSlot);
}
