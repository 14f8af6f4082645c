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
#include "pci/CapabilityWalk.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/RegisterLocator.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"

namespace {

using T = CDecodeText;

uint32_t UsableSize(uint32_t size)
{
    if (size >= pci::kExtendedConfigSpaceBytes)
        return pci::kExtendedConfigSpaceBytes;
    return size >= pci::kConfigSpaceBytes ? pci::kConfigSpaceBytes : 0;
}

// Why a walk stopped, as the capabilities page words it; empty when the list simply ended.
std::string EndText(const uint8_t* bytes, pci::EWalkEnd end, uint32_t at, uint32_t maxEntries)
{
    switch (end) {
    case pci::EWalkEnd::kClean: return {};
    case pci::EWalkEnd::kLoop: return T::Format("the list loops back to %03Xh", at);
    case pci::EWalkEnd::kTooMany: return T::Format("more than %u entries", maxEntries);
    case pci::EWalkEnd::kAbsentId: return T::Format("the entry at %03Xh reads ID FFh: the chain is broken", at);
    case pci::EWalkEnd::kIntoHeader: return T::Format("the pointer to %03Xh lands in the header", at);
    case pci::EWalkEnd::kBadHeader: return T::Format("the header at %03Xh reads %08Xh", at, pci::GetLe32(bytes + at));
    case pci::EWalkEnd::kBelowExtended:
        return T::Format("the pointer to %03Xh at %03Xh lies below 100h",
                         (pci::GetLe32(bytes + at) >> pci::kExtCapNextShift) & pci::kExtCapNextMask, at);
    }
    return {};
}

} // namespace

CCapabilityDecoder::CCapabilityDecoder(const uint8_t* bytes, uint32_t size)
    : m_bytes(bytes), m_size(bytes ? UsableSize(size) : 0)
{
}

CCapabilityDecoder::Walk CCapabilityDecoder::WalkStandard() const
{
    Walk walk;
    if (m_size == 0)
        return walk;
    pci::CCapabilityWalk list(m_bytes, m_size);
    for (uint32_t offset = 0; list.Next(&offset);)
        walk.offsets.push_back(offset);
    walk.end = EndText(m_bytes, list.End(), list.EndOffset(), pci::CCapabilityWalk::kMaxEntries);
    return walk;
}

CCapabilityDecoder::Walk CCapabilityDecoder::WalkExtended() const
{
    Walk walk;
    if (!HasExtendedSpace())
        return walk;
    pci::CExtendedCapabilityWalk list(m_bytes, m_size);
    for (uint32_t offset = 0; list.Next(&offset);)
        walk.offsets.push_back(offset);
    walk.end = EndText(m_bytes, list.End(), list.EndOffset(), pci::kExtCapMaxEntries);
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
