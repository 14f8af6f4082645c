#include "decode/ComplexCapabilityRows.h"

#include "decode/CxlDvsecRows.h"
#include "decode/DecodeText.h"
#include "decode/VirtualChannelRows.h"

#include "pci/CxlDvsec.h"
#include "pci/ExtendedCapability.h"

#include <string>

namespace {

using T = CDecodeText;

void AddPlainDwords(CCapabilityRows& rows, std::initializer_list<const char*> names)
{
    uint32_t offset = 4;
    for (const char* name : names) {
        rows.AddPlain(offset, 4, name);
        offset += 4;
    }
}

// A link's target: a register block in memory, or a function in configuration space whose
// bus, device and function the address itself encodes.
std::string RcLinkAddress(uint32_t description, unsigned long long address)
{
    if (((description >> pci::kRcLinkTypeConfigBit) & 1) == 0)
        return T::Format("Addr: %016llx", address);
    const uint32_t low = uint32_t(address);
    return T::Format("Addr: %02x:%02x.%u  CfgSpace=%016llx",
                     T::Field(low, pci::kRcLinkBusShift, pci::kRcLinkNumberMask),
                     T::Field(low, pci::kRcLinkDeviceShift, pci::kRcLinkDeviceMask),
                     T::Field(low, pci::kRcLinkFunctionShift, pci::kRcLinkFunctionMask), address);
}

// "RCiEP at Device(s): 0, 2-3, 31": the devices of the event collector's bus that it speaks for, in runs.
std::string EndpointBitmap(uint32_t bitmap)
{
    if (bitmap == 0)
        return "00000000 [none]";
    std::string text;
    for (uint32_t device = 0; device < pci::kRcEventBitmapBits; ++device) {
        if ((bitmap & (1u << device)) == 0)
            continue;
        uint32_t last = device;
        while (last + 1 < pci::kRcEventBitmapBits && (bitmap & (1u << (last + 1))))
            ++last;
        text += text.empty() ? "" : ", ";
        text += last == device ? T::Format("%u", device) : T::Format("%u-%u", device, last);
        device = last;
    }
    return "RCiEP at Device(s): " + text;
}

void DecodeRcLink(CCapabilityRows& rows)
{
    const uint32_t descriptor = rows.Read(pci::kRcLinkDescriptorOffset, 4);
    const uint32_t links = T::Field(descriptor, pci::kRcLinkEntryCountShift, pci::kRcLinkEntryCountMask);
    rows.Add(pci::kRcLinkDescriptorOffset, 4, [&](uint32_t v) {
        static const char* const kElementTypes[] = {"Config", "Egress", "Internal"};
        const uint32_t type = v & pci::kRcLinkElementTypeMask;
        const std::string typeName = type < sizeof kElementTypes / sizeof kElementTypes[0]
            ? std::string(kElementTypes[type])
            : T::Format("??%u", type);
        return T::Format("PortNumber=%02x ComponentID=%02x EltType=%s, %u links", v >> pci::kRcLinkPortShift,
                         T::Field(v, pci::kRcLinkComponentShift, pci::kRcLinkNumberMask), typeName.c_str(), links);
    });
    if (!rows.CheckDeclared(pci::kRcLinkEntriesOffset + links * pci::kRcLinkEntryBytes, "link entries"))
        return;
    for (uint32_t i = 0; i < links; ++i) {
        const uint32_t base = pci::kRcLinkEntriesOffset + i * pci::kRcLinkEntryBytes;
        const uint32_t description = rows.Read(base, 4);
        rows.Add(base, 4, T::Format("Link %u Description", i), [](uint32_t v) {
            return T::Format("TargetPort=%02x TargetComponent=%02x AssocRCRB%s LinkType=%s LinkValid%s",
                             v >> pci::kRcLinkPortShift,
                             T::Field(v, pci::kRcLinkComponentShift, pci::kRcLinkNumberMask),
                             T::Bit(v, pci::kRcLinkAssociateRcrbBit),
                             (v >> pci::kRcLinkTypeConfigBit) & 1 ? "Config" : "MemMapped", T::Bit(v, 0));
        });
        const uint32_t high = rows.Read(base + pci::kRcLinkAddressHighOffset, 4);
        rows.Add(base + pci::kRcLinkAddressLowOffset, 4, T::Format("Link %u Address low", i),
                 [&](uint32_t low) { return RcLinkAddress(description, T::Wide(high, low)); });
        rows.AddPlain(base + pci::kRcLinkAddressHighOffset, 4, T::Format("Link %u Address high", i));
    }
}

void DecodeVendorSpecific(CCapabilityRows& rows)
{
    const uint32_t header = rows.Read(pci::kVsecHeaderOffset, 4);
    const uint32_t length = T::Field(header, pci::kVsecLengthShift, pci::kVsecLengthMask);
    rows.Add(pci::kVsecHeaderOffset, 4, [&](uint32_t v) {
        return T::Format("ID=%04x Rev=%u Len=%03x", v & pci::kVsecIdMask,
                         T::Field(v, pci::kVsecRevisionShift, pci::kVsecRevisionMask), length);
    });
    if (rows.CheckDeclared(length, "vendor-specific length"))
        rows.AddPlainRange(pci::kVsecHeaderBytes, length, "Vendor Data");
}

void DecodeDesignatedVendorSpecific(CCapabilityRows& rows)
{
    const uint32_t header = rows.Read(pci::kDvsecHeader1Offset, 4);
    const uint32_t length = T::Field(header, pci::kDvsecLengthShift, pci::kDvsecLengthMask);
    rows.Add(pci::kDvsecHeader1Offset, 4, [&](uint32_t v) {
        return T::Format("Vendor=%04x Rev=%u Len=%u", v & pci::kDvsecVendorMask,
                         T::Field(v, pci::kDvsecRevisionShift, pci::kDvsecRevisionMask), length);
    });
    rows.Add(pci::kDvsecHeader2Offset, 2, [](uint32_t v) { return T::Format("ID=%04x", v); });
    if (!rows.CheckDeclared(length, "DVSEC length"))
        return;
    uint32_t first = pci::kDvsecHeaderBytes;
    if ((header & pci::kDvsecVendorMask) == pci::kCxlDvsecVendor)
        first = CCxlDvsecRows::Decode(rows, uint16_t(rows.Read(pci::kDvsecHeader2Offset, 2)), length);
    rows.AddPlainRange(first, length, "Vendor Data");
}

void DecodeDoe(CCapabilityRows& rows)
{
    rows.CheckDeclared(pci::kDoeCapabilityBytes, "DOE mailboxes");
    rows.Add(pci::kDoeCapOffset, 4, [](uint32_t v) {
        return T::Format("IntSup%s, Interrupt Message Number %03x", T::Bit(v, 0),
                         T::Field(v, pci::kDoeMessageNumberShift, pci::kDoeMessageNumberMask));
    });
    rows.Add(pci::kDoeControlOffset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "Abort"}, {1, "IntEn"}, {31, "Go"}});
    });
    rows.Add(pci::kDoeStatusOffset, 4, [](uint32_t v) {
        return T::Flags(v, {{0, "Busy"}, {1, "IntSta"}, {2, "Error"}, {31, "ObjectReady"}});
    });
    rows.AddPlain(pci::kDoeWriteMailboxOffset, 4, "DOE Write Data Mailbox");
    rows.AddPlain(pci::kDoeReadMailboxOffset, 4, "DOE Read Data Mailbox");
}

// Link streams (one per traffic class), then selective streams with their address blocks.
void DecodeIde(CCapabilityRows& rows)
{
    const uint32_t cap = rows.Read(pci::kIdeCapOffset, 4);
    rows.Add(pci::kIdeCapOffset, 4, [](uint32_t v) {
        return T::Flags(v,
                        {{0, "LinkIDE"},
                         {1, "SelectiveIDE"},
                         {2, "FlowThrough"},
                         {3, "PartialHeader"},
                         {4, "Aggregation"},
                         {5, "PCRC"},
                         {6, "IDE_KM"}}) +
            T::Format(", TCs %u, Selective Streams %u",
                      T::Field(v, pci::kIdeLinkStreamCountShift, pci::kIdeStreamCountMask) + 1,
                      T::Field(v, pci::kIdeSelectiveStreamCountShift, pci::kIdeSelectiveStreamCountMask) + 1);
    });
    rows.AddPlain(pci::kIdeControlOffset, 4, "IDE Control");
    uint32_t offset = pci::kIdeFirstStreamOffset;
    if (cap & pci::kIdeLinkStreamsSupported) {
        const uint32_t links = T::Field(cap, pci::kIdeLinkStreamCountShift, pci::kIdeStreamCountMask) + 1;
        for (uint32_t i = 0; i < links && i < pci::kIdeMaxLinkStreams && !rows.Stopped(); ++i) {
            rows.AddPlain(offset, 4, T::Format("Link IDE Stream %u Control", i));
            rows.AddPlain(offset + 4, 4, T::Format("Link IDE Stream %u Status", i));
            offset += pci::kIdeLinkStreamBytes;
        }
    }
    if ((cap & pci::kIdeSelectiveStreamsSupported) == 0)
        return;
    const uint32_t streams = T::Field(cap, pci::kIdeSelectiveStreamCountShift, pci::kIdeSelectiveStreamCountMask) + 1;
    for (uint32_t i = 0; i < streams && !rows.Stopped(); ++i) {
        const uint32_t blocks = rows.Read(offset, 4) & pci::kIdeAddressBlockCountMask;
        rows.Add(offset, 4, T::Format("Selective IDE Stream %u Capability", i),
                 [&](uint32_t) { return T::Format("%u address blocks", blocks); });
        rows.AddPlain(offset + 4, 4, T::Format("Selective IDE Stream %u Control", i));
        rows.AddPlain(offset + 8, 4, T::Format("Selective IDE Stream %u Status", i));
        rows.AddPlain(offset + 12, 4, T::Format("Selective IDE Stream %u RID Association 1", i));
        rows.AddPlain(offset + 16, 4, T::Format("Selective IDE Stream %u RID Association 2", i));
        offset += pci::kIdeSelectiveHeaderBytes;
        for (uint32_t b = 0; b < blocks && !rows.Stopped(); ++b) {
            rows.AddPlain(offset, 4, T::Format("Stream %u Address Block %u 1", i, b));
            rows.AddPlain(offset + 4, 4, T::Format("Stream %u Address Block %u 2", i, b));
            rows.AddPlain(offset + 8, 4, T::Format("Stream %u Address Block %u 3", i, b));
            offset += pci::kIdeAddressBlockBytes;
        }
    }
}

// Most significant byte first, as lspci prints it.
std::string SerialText(uint32_t low, uint32_t high)
{
    const uint64_t serial = T::Wide(high, low);
    std::string text;
    for (int byte = 7; byte >= 0; --byte)
        text += T::Format(byte == 7 ? "%02x" : "-%02x", unsigned(serial >> (8 * byte)) & 0xFFu);
    return text;
}

} // namespace

bool CComplexCapabilityRows::Decode(uint16_t id, CCapabilityRows& rows)
{
    switch (id) {
    case pci::kExtCapVirtualChannel:
    case pci::kExtCapVirtualChannel9: CVirtualChannelRows::Decode(rows, false); return true;
    case pci::kExtCapMfvc: CVirtualChannelRows::Decode(rows, true); return true;
    case pci::kExtCapSerialNumber: {
        // One value, as lspci prints it, on the low half; the high half's row stays empty.
        const bool whole = rows.Fits(pci::kSerialHighOffset, 4);
        const uint32_t high = rows.Read(pci::kSerialHighOffset, 4);
        rows.Add(pci::kSerialLowOffset, 4,
                 [&](uint32_t low) { return whole ? SerialText(low, high) : T::Format("low half %08x", low); });
        rows.AddPlain(pci::kSerialHighOffset, 4, "Serial Number upper half");
        return true;
    }
    case pci::kExtCapRcLinkDeclaration: DecodeRcLink(rows); return true;
    case pci::kExtCapRcInternalLink:
        AddPlainDwords(rows, {"Root Complex Link Capabilities", "Link Control/Status"});
        return true;
    case pci::kExtCapRcEventCollector:
        rows.Add(pci::kRcEventBitmapOffset, 4, EndpointBitmap);
        if (rows.Entry().version >= 2)
            rows.Add(pci::kRcEventBusNumbersOffset, 4, [](uint32_t v) {
                return T::Format("%02x-%02x", // next bus, then last bus, as lspci prints them
                                 T::Field(v, pci::kRcEventNextBusShift, pci::kRcEventBusMask),
                                 T::Field(v, pci::kRcEventLastBusShift, pci::kRcEventBusMask));
            });
        return true;
    case pci::kExtCapRcrb:
        rows.Add(pci::kRcrbVendorOffset, 4,
                 [](uint32_t v) { return T::Format("%04x:%04x", v & pci::kRcrbIdMask, v >> pci::kRcrbDeviceShift); });
        rows.Add(pci::kRcrbCapOffset, 4, [](uint32_t v) { return T::Flags(v, {{0, "CRSVisible"}}); });
        rows.Add(pci::kRcrbControlOffset, 4, [](uint32_t v) { return T::Flags(v, {{0, "CRSVisible"}}); });
        return true;
    case pci::kExtCapVendorSpecific: DecodeVendorSpecific(rows); return true;
    case pci::kExtCapDvsec: DecodeDesignatedVendorSpecific(rows); return true;
    case pci::kExtCapConfigAccess:
        rows.AddPlain(pci::kConfigAccessTrustedOffset, 4, "Trusted Configuration");
        return true;
    case pci::kExtCapHierarchyId:
        AddPlainDwords(rows,
                       {"Hierarchy ID Status", "Hierarchy ID Data", "Hierarchy ID GUID 1", "Hierarchy ID GUID 2",
                        "Hierarchy ID GUID 3", "Hierarchy ID GUID 4", "Hierarchy ID GUID 5"});
        return true;
    case pci::kExtCapNpem:
        rows.Add(pci::kNpemCapOffset, 4, [](uint32_t v) {
            return T::Flags(v, {{0, "Capable"}, {1, "Reset"}, {2, "OK"}, {3, "Locate"}, {4, "Fail"}, {5, "Rebuild"}});
        });
        rows.AddPlain(pci::kNpemControlOffset, 4, "NPEM Control");
        rows.AddPlain(pci::kNpemStatusOffset, 4, "NPEM Status");
        return true;
    case pci::kExtCapAlternateProtocol:
        AddPlainDwords(rows,
                       {"Alternate Protocol Capabilities", "Alternate Protocol Control", "Alternate Protocol Data 1",
                        "Alternate Protocol Data 2", "Alternate Protocol Selective Enable Mask"});
        return true;
    case pci::kExtCapSfi: AddPlainDwords(rows, {"SFI Capability/Control", "SFI Status"}); return true;
    case pci::kExtCapShadowFunctions:
        AddPlainDwords(rows, {"Shadow Functions Capability", "Shadow Functions Control"});
        return true;
    case pci::kExtCapDoe: DecodeDoe(rows); return true;
    case pci::kExtCapDevice3:
        AddPlainDwords(rows, {"Device Capabilities 3", "Device Control 3", "Device Status 3"});
        return true;
    case pci::kExtCapIde: DecodeIde(rows); return true;
    case pci::kExtCapMPcie:
        AddPlainDwords(rows, {"M-PCIe Capabilities", "M-PCIe Control", "M-PCIe Status"});
        return true;
    case pci::kExtCapPmux: AddPlainDwords(rows, {"PMUX Capability", "PMUX Control", "PMUX Status"}); return true;
    case pci::kExtCapFlitPerformance:
    case pci::kExtCapFlitErrorInjection: AddPlainDwords(rows, {"Capability", "Control", "Status"}); return true;
    default: return false; // unknown, MR-IOV and the AMD-reserved ID: the header row says all there is
    }
}
