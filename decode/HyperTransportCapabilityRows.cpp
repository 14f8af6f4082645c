#include "decode/HyperTransportCapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/HyperTransport.h"

#include <string>

namespace {

using T = CDecodeText;

const char kSlaveInterface[] = "Slave or Primary Interface";
const char kHostInterface[] = "Host or Secondary Interface";

// Link frequency codes 0-9; the capability word has one bit per code.
const char* const kFrequencies[] = {"200MHz", "300MHz", "400MHz", "500MHz", "600MHz",
                                    "800MHz", "1.0GHz", "1.2GHz", "1.4GHz", "1.6GHz"};
constexpr uint32_t kFrequencyCount = sizeof kFrequencies / sizeof kFrequencies[0];

std::string RevisionText(uint32_t revision)
{
    return T::Format("%u.%02u", revision >> pci::kHtRevisionMajorShift, revision & pci::kHtRevisionMinorMask);
}

// Widths by their 3-bit code; the codes the link cannot use print as numbers.
std::string LinkWidth(uint32_t code)
{
    switch (code) {
    case 0: return "8bit";
    case 1: return "16bit";
    case 3: return "32bit";
    case 4: return "2bit";
    case 5: return "4bit";
    case 7: return "N/C";
    default: return T::Format("[%u]", code);
    }
}

std::string LinkFrequency(uint32_t code)
{
    if (code < kFrequencyCount)
        return kFrequencies[code];
    if (code == pci::kHtLinkFrequencyVendor)
        return "Vend";
    return T::Format("[%x]", code);
}

// full: revision 1.02 or later, whose link registers carry the newer fields.
void AddLink(CCapabilityRows& rows, uint32_t control, uint32_t config, bool full)
{
    rows.Add(control, 2, [full](uint32_t v) {
        std::string text =
            T::Flags(v, {{1, "CFlE"}, {2, "CST"}, {3, "CFE"}, {4, "<LkFail"}, {5, "Init"}, {6, "EOC"}, {7, "TXO"}}) +
            T::Format(" <CRCErr=%x", T::Field(v, pci::kHtCrcErrorShift, pci::kHtCrcErrorMask));
        if (full)
            text += " " + T::Flags(v, {{12, "IsocEn"}, {13, "LSEn"}, {14, "ExtCTL"}, {15, "64b"}});
        return text;
    });
    rows.Add(config, 2, [full](uint32_t v) {
        static const char* const kWidths[] = {"MLWI", "MLWO", "LWI", "LWO"};
        static const char* const kFlowControl[] = {"DwFcIn", "DwFcOut", "DwFcInEn", "DwFcOutEn"};
        std::string text;
        for (uint32_t i = 0; i < pci::kHtLinkWidthFields; ++i) {
            const uint32_t shift = i * pci::kHtLinkWidthFieldBits;
            text += T::Format("%s%s=%s", i ? " " : "", kWidths[i],
                              LinkWidth(T::Field(v, shift, pci::kHtLinkWidthMask)).c_str());
            if (full)
                text += T::Format(" %s%s", kFlowControl[i], T::Bit(v, shift + pci::kHtLinkWidthFieldBits - 1));
        }
        return text;
    });
}

void AddRevision(CCapabilityRows& rows, uint32_t offset)
{
    rows.Add(offset, 1, [](uint32_t v) { return RevisionText(v); });
}

// One byte holds the link's frequency and its error flags.
void AddFrequency(CCapabilityRows& rows, uint32_t offset, const std::string& suffix)
{
    rows.Add(offset, 1, [suffix](uint32_t v) {
        return LinkFrequency(v & pci::kHtLinkFrequencyMask) + ", Link Error" + suffix + ": " +
            T::Flags(v, {{4, "<Prot"}, {5, "<Ovfl"}, {6, "<EOC"}, {7, "CTLTm"}});
    });
}

void AddFrequencyCapability(CCapabilityRows& rows, uint32_t offset)
{
    rows.Add(offset, 2, [](uint32_t v) {
        std::string text;
        for (uint32_t code = 0; code < kFrequencyCount; ++code)
            text += T::Format("%s%s ", kFrequencies[code], T::Bit(v, code));
        return text + T::Format("Vend%s", T::Bit(v, pci::kHtFrequencyCapVendorBit));
    });
}

std::string FeatureFlags(uint32_t v)
{
    return T::Flags(v, {{0, "IsocFC"}, {1, "LDTSTOP"}, {2, "CRCTM"}, {3, "ECTLT"}, {4, "64bA"}, {5, "UIDRD"}});
}

void AddErrorHandling(CCapabilityRows& rows, uint32_t offset)
{
    rows.Add(offset, 2, [](uint32_t v) {
        return T::Flags(v,
                        {{0, "PFlE"},
                         {1, "OFlE"},
                         {2, "PFE"},
                         {3, "OFE"},
                         {4, "EOCFE"},
                         {5, "RFE"},
                         {6, "CRCFE"},
                         {7, "SERRFE"},
                         {8, "CF"},
                         {9, "RE"},
                         {10, "PNFE"},
                         {11, "ONFE"},
                         {12, "EOCNFE"},
                         {13, "RNFE"},
                         {14, "CRCNFE"},
                         {15, "SERRNFE"}});
    });
}

// Bits 39:32 of the prefetchable window's base and limit, one byte each.
void AddMemoryUpper(CCapabilityRows& rows, uint32_t offset)
{
    rows.Add(offset, 2, [](uint32_t v) {
        return T::Format("%02x-%02x", v & pci::kHtMemoryUpperMask, v >> pci::kHtMemoryLimitUpperShift);
    });
}

void DecodeSlave(CCapabilityRows& rows)
{
    const bool full = rows.Read(pci::kHtSlaveRevisionOffset, 1) >= pci::kHtRevision102;
    rows.Add(pci::kHtCommandOffset, 2, [full](uint32_t v) {
        std::string text =
            T::Format("%s: BaseUnitID=%u UnitCnt=%u MastHost%s DefDir%s", kSlaveInterface, v & pci::kHtUnitIdMask,
                      T::Field(v, pci::kHtUnitCountShift, pci::kHtUnitIdMask), T::Bit(v, 10), T::Bit(v, 11));
        return full ? text + T::Format(" DUL%s", T::Bit(v, 12)) : text;
    });
    AddLink(rows, pci::kHtSlaveLinkControl0Offset, pci::kHtSlaveLinkConfig0Offset, full);
    AddLink(rows, pci::kHtSlaveLinkControl1Offset, pci::kHtSlaveLinkConfig1Offset, full);
    AddRevision(rows, pci::kHtSlaveRevisionOffset);
    if (!full)
        return;
    AddFrequency(rows, pci::kHtSlaveLinkFrequency0Offset, " 0");
    AddFrequencyCapability(rows, pci::kHtSlaveFrequencyCap0Offset);
    rows.Add(pci::kHtSlaveFeatureOffset, 1, FeatureFlags);
    AddFrequency(rows, pci::kHtSlaveLinkFrequency1Offset, " 1");
    AddFrequencyCapability(rows, pci::kHtSlaveFrequencyCap1Offset);
    rows.AddPlain(pci::kHtSlaveScratchpadOffset, 2, rows.CatalogueName(pci::kHtSlaveScratchpadOffset));
    AddErrorHandling(rows, pci::kHtSlaveErrorHandlingOffset);
    AddMemoryUpper(rows, pci::kHtSlaveMemoryUpperOffset);
    rows.Add(pci::kHtSlaveBusNumberOffset, 1, [](uint32_t v) { return T::Format("%02x", v); });
}

void DecodeHost(CCapabilityRows& rows)
{
    const bool full = rows.Read(pci::kHtHostRevisionOffset, 1) >= pci::kHtRevision102;
    rows.Add(pci::kHtCommandOffset, 2, [full](uint32_t v) {
        std::string text = T::Format("%s: WarmRst%s DblEnd%s", kHostInterface, T::Bit(v, 0), T::Bit(v, 1));
        if (full)
            text += T::Format(" DevNum=%u ", T::Field(v, pci::kHtDeviceNumberShift, pci::kHtUnitIdMask)) +
                T::Flags(v, {{7, "ChainSide"}, {8, "HostHide"}, {10, "Slave"}, {11, "<EOCErr"}, {12, "DUL"}});
        return text;
    });
    AddLink(rows, pci::kHtHostLinkControlOffset, pci::kHtHostLinkConfigOffset, full);
    AddRevision(rows, pci::kHtHostRevisionOffset);
    if (!full)
        return;
    AddFrequency(rows, pci::kHtHostLinkFrequencyOffset, "");
    AddFrequencyCapability(rows, pci::kHtHostFrequencyCapOffset);
    rows.Add(pci::kHtHostFeatureOffset, 2, [](uint32_t v) {
        return FeatureFlags(v) + " " + T::Flags(v, {{8, "ExtRS"}, {9, "UCnfE"}});
    });
    if (!(rows.Read(pci::kHtHostFeatureOffset, 2) & pci::kHtHostExtendedRegisters))
        return;
    rows.AddPlain(pci::kHtHostScratchpadOffset, 2, rows.CatalogueName(pci::kHtHostScratchpadOffset));
    AddErrorHandling(rows, pci::kHtHostErrorHandlingOffset);
    AddMemoryUpper(rows, pci::kHtHostMemoryUpperOffset);
}

void DecodeMsiMapping(CCapabilityRows& rows)
{
    const bool fixed = (rows.Read(pci::kHtCommandOffset, 2) & pci::kHtMsiMappingFixed) != 0;
    rows.Add(pci::kHtCommandOffset, 2, [](uint32_t v) {
        return T::Format("MSI Mapping Enable%s Fixed%s", T::Sign(v & pci::kHtMsiMappingEnable),
                         T::Sign(v & pci::kHtMsiMappingFixed));
    });
    // A fixed window sits at the standard MSI address and has no base registers.
    if (fixed)
        return;
    const uint32_t high = rows.Read(pci::kHtMsiMappingHighOffset, 4);
    rows.Add(pci::kHtMsiMappingLowOffset, 4,
             [high](uint32_t v) { return T::Format("%08x%08x", high, v & pci::kHtMsiMappingLowMask); });
    rows.Add(pci::kHtMsiMappingHighOffset, 4, [](uint32_t v) { return T::Format("Address bits 63:32: %08x", v); });
}

void DecodeInterruptDiscovery(CCapabilityRows& rows)
{
    const uint32_t index = rows.Read(pci::kHtCommandOffset, 2) & pci::kHtInterruptIndexMask;
    rows.Add(pci::kHtCommandOffset, 2, [](uint32_t v) {
        return CHyperTransportCapabilityRows::TypeName(v) + T::Format(", Index=%02x", v & pci::kHtInterruptIndexMask);
    });
    rows.Add(pci::kHtInterruptDataOffset, 4,
             [index](uint32_t) { return T::Format("register %02Xh of the interrupt block", index); });
}

uint32_t BlockType(uint32_t command)
{
    return T::Field(command, pci::kHtCapabilityTypeShift, pci::kHtCapabilityTypeMask);
}

} // namespace

std::string CHyperTransportCapabilityRows::TypeName(uint32_t command)
{
    switch (T::Field(command, pci::kHtInterfaceTypeShift, pci::kHtInterfaceTypeMask)) {
    case pci::kHtInterfaceSlave: return kSlaveInterface;
    case pci::kHtInterfaceHost: return kHostInterface;
    default: break;
    }
    const uint32_t type = BlockType(command);
    if (type == pci::kHtTypeSwitch)
        return "Switch";
    static const char* const kBlocks[] = {"Interrupt Discovery and Configuration",
                                          "Revision ID",
                                          "UnitID Clumping",
                                          "Extended Configuration Space Access",
                                          "Address Mapping",
                                          "MSI Mapping",
                                          "DirectRoute",
                                          "VCSet",
                                          "Retry Mode",
                                          "X86 (reserved)",
                                          "Gen3",
                                          "Function-Level Extension",
                                          "Power Management",
                                          "High Node Count"};
    const uint32_t index = type - pci::kHtTypeInterruptDiscovery;
    if (type >= pci::kHtTypeInterruptDiscovery && index < sizeof kBlocks / sizeof kBlocks[0])
        return kBlocks[index];
    return T::Format("#%02x", type);
}

void CHyperTransportCapabilityRows::Decode(CCapabilityRows& rows)
{
    const uint32_t command = rows.Read(pci::kHtCommandOffset, 2);
    switch (T::Field(command, pci::kHtInterfaceTypeShift, pci::kHtInterfaceTypeMask)) {
    case pci::kHtInterfaceSlave: DecodeSlave(rows); return;
    case pci::kHtInterfaceHost: DecodeHost(rows); return;
    default: break;
    }
    switch (BlockType(command)) {
    case pci::kHtTypeMsiMapping: DecodeMsiMapping(rows); return;
    case pci::kHtTypeInterruptDiscovery: DecodeInterruptDiscovery(rows); return;
    case pci::kHtTypeRevisionId:
        rows.Add(pci::kHtCommandOffset, 2,
                 [](uint32_t v) { return "Revision ID: " + RevisionText(v & pci::kHtRevisionBlockMask); });
        return;
    default: rows.Add(pci::kHtCommandOffset, 2, [](uint32_t v) { return TypeName(v); }); return;
    }
}
