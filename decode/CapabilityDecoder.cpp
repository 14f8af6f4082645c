#include "decode/CapabilityDecoder.h"

#include "decode/CapabilityNames.h"
#include "decode/CapabilityRows.h"
#include "decode/ComplexCapabilityRows.h"
#include "decode/ConventionalCapabilityRows.h"
#include "decode/DecodeText.h"
#include "decode/ErrorCapabilityRows.h"
#include "decode/ExpressCapabilityRows.h"
#include "decode/InterruptCapabilityRows.h"
#include "decode/LinkCapabilityRows.h"
#include "decode/VirtualizationCapabilityRows.h"

#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/RegisterLocator.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

namespace {

using T = CDecodeText;

// The conventional space holds at most this many distinct dword-aligned entries past the header.
constexpr uint32_t kMaxStandardEntries = (pci::kConfigSpaceBytes - pci::kDeviceSpecificOffset) / pci::kDwordBytes;

uint32_t UsableSize(uint32_t size)
{
    if (size >= pci::kExtendedConfigSpaceBytes)
        return pci::kExtendedConfigSpaceBytes;
    return size >= pci::kConfigSpaceBytes ? pci::kConfigSpaceBytes : 0;
}

} // namespace

CCapabilityDecoder::CCapabilityDecoder(const uint8_t* bytes, uint32_t size)
    : m_bytes(bytes), m_size(bytes ? UsableSize(size) : 0)
{
}

CCapabilityDecoder::Walk CCapabilityDecoder::WalkStandard() const
{
    Walk walk;
    if (m_size == 0 || (pci::GetLe16(m_bytes + pci::kStatusOffset) & pci::kStatusCapabilityList) == 0)
        return walk;
    const uint32_t layout = m_bytes[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    const uint32_t pointerOffset =
        layout == pci::kLayoutCardBusBridge ? pci::kCardBusCapabilitiesPointerOffset : pci::kCapabilitiesPointerOffset;
    bool visited[pci::kConfigSpaceDwords] = {};
    uint32_t offset = m_bytes[pointerOffset] & pci::kCapabilityPointerMask;
    while (offset != 0) {
        if (visited[offset / pci::kDwordBytes]) {
            walk.end = T::Format("the list loops back to %03Xh", offset);
            break;
        }
        if (walk.offsets.size() >= kMaxStandardEntries) {
            walk.end = T::Format("more than %u entries", kMaxStandardEntries);
            break;
        }
        if (m_bytes[offset + pci::kCapabilityIdOffset] == pci::kCapAbsent) {
            walk.end = T::Format("the entry at %03Xh reads ID FFh: the chain is broken", offset);
            break;
        }
        visited[offset / pci::kDwordBytes] = true;
        walk.offsets.push_back(offset);
        if (offset < pci::kDeviceSpecificOffset) {
            // Header registers are no capability: show what the pointer found, go no further.
            walk.end = T::Format("the pointer to %03Xh lands in the header", offset);
            break;
        }
        offset = m_bytes[offset + pci::kCapabilityNextOffset] & pci::kCapabilityPointerMask;
    }
    return walk;
}

CCapabilityDecoder::Walk CCapabilityDecoder::WalkExtended() const
{
    Walk walk;
    if (!HasExtendedSpace())
        return walk;
    bool visited[pci::kExtendedConfigSpaceBytes / pci::kDwordBytes] = {};
    uint32_t offset = pci::kExtCapFirstOffset;
    for (;;) {
        const uint32_t header = pci::GetLe32(m_bytes + offset);
        if (header == 0 || header == pci::kAbsentFunctionDword) {
            // A header of 0 right at 100h is simply an empty list.
            if (header != 0 || offset != pci::kExtCapFirstOffset)
                walk.end = T::Format("the header at %03Xh reads %08Xh", offset, header);
            break;
        }
        if (visited[offset / pci::kDwordBytes]) {
            walk.end = T::Format("the list loops back to %03Xh", offset);
            break;
        }
        if (walk.offsets.size() >= pci::kExtCapMaxEntries) {
            walk.end = T::Format("more than %u entries", pci::kExtCapMaxEntries);
            break;
        }
        visited[offset / pci::kDwordBytes] = true;
        walk.offsets.push_back(offset);
        const uint32_t next = (header >> pci::kExtCapNextShift) & pci::kExtCapNextMask;
        if (next == 0)
            break;
        if (next < pci::kExtCapFirstOffset) {
            walk.end = T::Format("the pointer to %03Xh at %03Xh lies below 100h", next, offset);
            break;
        }
        offset = next;
    }
    return walk;
}

bool CCapabilityDecoder::HasExtendedSpace() const
{
    if (m_size < pci::kExtendedConfigSpaceBytes)
        return false;
    for (uint32_t offset : WalkStandard().offsets) {
        const uint8_t id = m_bytes[offset];
        if (id == pci::kCapPciExpress)
            return true;
        if (id == pci::kCapPciX && offset + pci::kPciXStatusOffset + pci::kDwordBytes <= pci::kConfigSpaceBytes) {
            const uint32_t status = pci::GetLe32(m_bytes + offset + pci::kPciXStatusOffset);
            if (status & (pci::kPciXStatus266Capable | pci::kPciXStatus533Capable))
                return true;
        }
    }
    return false;
}

CCapabilityDecoder::ExpressContext CCapabilityDecoder::Express(const Walk& standard) const
{
    for (uint32_t offset : standard.offsets) {
        if (m_bytes[offset] != pci::kCapPciExpress || offset + pci::kExpLinkCapOffset + 4 > pci::kConfigSpaceBytes)
            continue;
        const uint32_t caps = pci::GetLe16(m_bytes + offset + pci::kExpCapabilitiesOffset);
        const uint32_t type = T::Field(caps, pci::kExpPortTypeShift, pci::kExpPortTypeMask);
        const uint32_t linkCap = pci::GetLe32(m_bytes + offset + pci::kExpLinkCapOffset);
        return {int(type),
                CExpressCapabilityRows::HasLink(type)
                    ? T::Field(linkCap, pci::kExpLinkWidthShift, pci::kExpLinkWidthMask)
                    : 0};
    }
    return {CCapabilityRows::kNoPortType, 0};
}

const pci::CRegisterBlock* CCapabilityDecoder::Block(pci::EBlockKind kind, uint32_t offset, uint16_t id) const
{
    return pci::FindBlock(kind, id, pci::CapabilityVariant(m_bytes, m_size, offset, kind, id));
}

Capability CCapabilityDecoder::DecodeStandard(uint32_t offset, const ExpressContext& context) const
{
    const uint8_t id = m_bytes[offset + pci::kCapabilityIdOffset];
    const uint8_t next = m_bytes[offset + pci::kCapabilityNextOffset];
    Capability capability{offset, CapabilitySpace::kStandard, id, 0, CCapabilityNames::Standard(id), {}, {}, {}};
    if (id == pci::kCapPciExpress && offset + pci::kExpCapabilitiesOffset + 2 <= pci::kConfigSpaceBytes) {
        const uint16_t caps = pci::GetLe16(m_bytes + offset + pci::kExpCapabilitiesOffset);
        capability.version = uint8_t(caps & pci::kExpVersionMask);
        capability.portType = CExpressCapabilityRows::PortTypeName(
            T::Field(caps, pci::kExpPortTypeShift, pci::kExpPortTypeMask), (caps & pci::kExpSlotImplemented) != 0);
    }
    // Standard capabilities live in the conventional space, whatever follows it.
    CCapabilityRows rows(m_bytes, pci::kConfigSpaceBytes, capability, context.portType);
    rows.SetLinkWidth(context.linkWidth);
    rows.SetBlock(Block(pci::EBlockKind::kCapability, offset, id));
    rows.Add(0, pci::kCapabilityHeaderBytes, "Capability Header", [&](uint32_t) {
        std::string text = T::Format("ID %02Xh %s", id, capability.name.c_str());
        if (!capability.portType.empty())
            text += T::Format(" v%u, %s", capability.version, capability.portType.c_str());
        return text + T::Format(", next %02Xh", next);
    });
    if (offset >= pci::kDeviceSpecificOffset && !CConventionalCapabilityRows::Decode(id, rows) &&
        !CInterruptCapabilityRows::Decode(id, rows) && id == pci::kCapPciExpress)
        CExpressCapabilityRows::Decode(rows);
    return capability;
}

Capability CCapabilityDecoder::DecodeExtended(uint32_t offset, const ExpressContext& context) const
{
    const uint32_t header = pci::GetLe32(m_bytes + offset);
    const uint16_t id = uint16_t(header & pci::kExtCapIdMask);
    const uint8_t version = uint8_t(T::Field(header, pci::kExtCapVersionShift, pci::kExtCapVersionMask));
    Capability capability{offset, CapabilitySpace::kExtended, id, version, CCapabilityNames::Extended(id), {}, {}, {}};
    CCapabilityRows rows(m_bytes, m_size, capability, context.portType);
    rows.SetLinkWidth(context.linkWidth);
    rows.SetBlock(Block(pci::EBlockKind::kExtendedCapability, offset, id));
    rows.Add(0, pci::kExtCapHeaderBytes, "Extended Capability Header", [&](uint32_t value) {
        return T::Format("ID %04Xh %s v%u, next %03Xh", id, capability.name.c_str(), version,
                         (value >> pci::kExtCapNextShift) & pci::kExtCapNextMask);
    });
    if (!CErrorCapabilityRows::Decode(id, rows) && !CVirtualizationCapabilityRows::Decode(id, rows) &&
        !CLinkCapabilityRows::Decode(id, rows))
        CComplexCapabilityRows::Decode(id, rows);
    return capability;
}

CapabilityList CCapabilityDecoder::Decode() const
{
    CapabilityList list;
    const Walk standard = WalkStandard();
    const ExpressContext context = Express(standard);
    for (uint32_t offset : standard.offsets)
        list.capabilities.push_back(DecodeStandard(offset, context));
    list.standardEnd = standard.end;
    const Walk extended = WalkExtended();
    for (uint32_t offset : extended.offsets)
        list.capabilities.push_back(DecodeExtended(offset, context));
    list.extendedEnd = extended.end;
    return list;
}
