#include "decode/ErrorCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

namespace {

using T = CDecodeText;

bool IsRootPort(const CCapabilityRows& rows)
{
    return rows.PortType() == int(pci::kExpTypeRootPort) || rows.PortType() == int(pci::kExpTypeEventCollector);
}

void DecodeAer(CCapabilityRows& rows)
{
    rows.Add(pci::kAerUncorrectableStatusOffset, 4, CErrorCapabilityRows::UncorrectableText);
    rows.Add(pci::kAerUncorrectableMaskOffset, 4, CErrorCapabilityRows::UncorrectableText);
    rows.Add(pci::kAerUncorrectableSeverityOffset, 4, CErrorCapabilityRows::UncorrectableText);
    rows.Add(pci::kAerCorrectableStatusOffset, 4, CErrorCapabilityRows::CorrectableText);
    rows.Add(pci::kAerCorrectableMaskOffset, 4, CErrorCapabilityRows::CorrectableText);
    rows.Add(pci::kAerCapControlOffset, 4, [](uint32_t v) {
        return T::Format("First Error Pointer: %02x, ", v & pci::kAerFirstErrorPointerMask) +
            T::Flags(v,
                     {{5, "ECRCGenCap"},
                      {6, "ECRCGenEn"},
                      {7, "ECRCChkCap"},
                      {8, "ECRCChkEn"},
                      {9, "MultHdrRecCap"},
                      {10, "MultHdrRecEn"},
                      {11, "TLPPfxPres"},
                      {12, "HdrLogCap"}});
    });
    for (uint32_t i = 0; i < pci::kAerHeaderLogDwords; ++i)
        rows.Add(pci::kAerHeaderLogOffset + i * 4, 4, [](uint32_t v) { return T::Format("%08x", v); });
    if (!IsRootPort(rows))
        return;
    rows.Add(pci::kAerRootCommandOffset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "CERptEn"}, {1, "NFERptEn"}, {2, "FERptEn"}});
    });
    rows.Add(pci::kAerRootStatusOffset, 4, [](uint32_t v) {
        return T::Flags(v,
                        {{0, "CERcvd"},
                         {1, "MultCERcvd"},
                         {2, "UERcvd"},
                         {3, "MultUERcvd"},
                         {4, "FirstFatal"},
                         {5, "NonFatalMsg"},
                         {6, "FatalMsg"}}) +
            T::Format(" IntMsg %u", T::Field(v, pci::kAerRootMessageNumberShift, pci::kAerRootMessageNumberMask));
    });
    rows.Add(pci::kAerErrorSourceOffset, 4, [](uint32_t v) {
        return T::Format("ERR_COR: %04x ERR_FATAL/NONFATAL: %04x", v & pci::kAerSourceMask,
                         v >> pci::kAerUncorrectableSourceShift);
    });
}

void DecodeDpc(CCapabilityRows& rows)
{
    const uint32_t cap = rows.Read(pci::kDpcCapOffset, 2);
    const bool rootPortExtensions = ((cap >> pci::kDpcRootPortExtensionsBit) & 1) != 0;
    rows.Add(pci::kDpcCapOffset, 2, [](uint32_t v) {
        return T::Format("INT Msg #%u, ", v & pci::kDpcMessageNumberMask) +
            T::Flags(v, {{5, "RPExt"}, {6, "PoisonedTLP"}, {7, "SwTrigger"}}) +
            T::Format(" RP PIO Log %u, ", T::Field(v, pci::kDpcPioLogSizeShift, pci::kDpcPioLogSizeMask)) +
            T::Flags(v, {{12, "DL_ActiveErr"}});
    });
    rows.Add(pci::kDpcControlOffset, 2, [](uint32_t v) {
        return T::Format("Trigger:%x ", v & pci::kDpcTriggerControlMask) +
            T::Flags(
                   v,
                   {{2, "Cmpl"}, {3, "INT"}, {4, "ErrCor"}, {5, "PoisonedTLP"}, {6, "SwTrigger"}, {7, "DL_ActiveErr"}});
    });
    rows.Add(pci::kDpcStatusOffset, 2, [](uint32_t v) {
        return T::Format("Trigger%s Reason:%02x INT%s RPBusy%s TriggerExt:%02x RP PIO ErrPtr:%02x", T::Bit(v, 0),
                         T::Field(v, pci::kDpcReasonShift, pci::kDpcReasonMask), T::Bit(v, 3), T::Bit(v, 4),
                         T::Field(v, pci::kDpcReasonExtensionShift, pci::kDpcReasonExtensionMask),
                         T::Field(v, pci::kDpcPioPointerShift, pci::kDpcPioPointerMask));
    });
    rows.Add(pci::kDpcSourceOffset, 2, [](uint32_t v) { return T::Format("%04x", v); });
    if (!rootPortExtensions)
        return;
    rows.AddPlain(pci::kDpcPioStatusOffset, 4, "RP PIO Status");
    rows.AddPlain(pci::kDpcPioMaskOffset, 4, "RP PIO Mask");
    rows.AddPlain(pci::kDpcPioSeverityOffset, 4, "RP PIO Severity");
    rows.AddPlain(pci::kDpcPioSysErrorOffset, 4, "RP PIO SysError");
    rows.AddPlain(pci::kDpcPioExceptionOffset, 4, "RP PIO Exception");
    const uint32_t logDwords = T::Field(cap, pci::kDpcPioLogSizeShift, pci::kDpcPioLogSizeMask);
    for (uint32_t i = 0; i < logDwords && !rows.Stopped(); ++i)
        rows.AddPlain(pci::kDpcPioHeaderLogOffset + i * 4, 4, T::Format("RP PIO Log %u", i));
}

} // namespace

std::string CErrorCapabilityRows::UncorrectableText(uint32_t value)
{
    return T::Flags(value,
                    {{4, "DLP"},
                     {5, "SDES"},
                     {12, "TLP"},
                     {13, "FCP"},
                     {14, "CmpltTO"},
                     {15, "CmpltAbrt"},
                     {16, "UnxCmplt"},
                     {17, "RxOF"},
                     {18, "MalfTLP"},
                     {19, "ECRC"},
                     {20, "UnsupReq"},
                     {21, "ACSViol"}});
}

std::string CErrorCapabilityRows::CorrectableText(uint32_t value)
{
    return T::Flags(
        value, {{0, "RxErr"}, {6, "BadTLP"}, {7, "BadDLLP"}, {8, "Rollover"}, {12, "Timeout"}, {13, "AdvNonFatalErr"}});
}

bool CErrorCapabilityRows::Decode(uint16_t id, CCapabilityRows& rows)
{
    switch (id) {
    case pci::kExtCapAer: DecodeAer(rows); return true;
    case pci::kExtCapDpc: DecodeDpc(rows); return true;
    default: return false;
    }
}
