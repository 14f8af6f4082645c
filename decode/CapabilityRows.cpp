#include "decode/CapabilityRows.h"

#include "decode/DecodeText.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"

uint32_t CCapabilityRows::BarCount() const
{
    return pci::BarCountForLayout(m_space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask);
}

uint16_t CCapabilityRows::VendorId() const
{
    return uint16_t(pci::GetLe(m_space + pci::kVendorIdOffset, 2));
}

uint16_t CCapabilityRows::DeviceId() const
{
    return uint16_t(pci::GetLe(m_space + pci::kDeviceIdOffset, 2));
}

bool CCapabilityRows::Fits(uint32_t offset, uint32_t size) const
{
    const uint64_t end = uint64_t(m_capability.offset) + offset + size;
    return end <= m_limit;
}

uint32_t CCapabilityRows::Read(uint32_t offset, uint32_t size) const
{
    if (!Fits(offset, size))
        return 0;
    return uint32_t(pci::GetLe(m_space + m_capability.offset + offset, size));
}

std::string CCapabilityRows::CatalogueName(uint32_t offset) const
{
    const pci::CRegisterDef* def = m_block ? pci::RegisterCovering(*m_block, offset).def : nullptr;
    if (!def || pci::RegisterCovering(*m_block, offset).offset != offset)
        return CDecodeText::Format("+%03Xh", offset);
    if (def->repeat > 1)
        return CDecodeText::Format("%s %u", def->name, pci::RegisterCovering(*m_block, offset).index);
    return def->name;
}

bool CCapabilityRows::AddPlain(uint32_t offset, uint32_t size, std::string name)
{
    return Add(offset, size, std::move(name), [](uint32_t) { return std::string(); });
}

void CCapabilityRows::AddPlainRange(uint32_t first, uint32_t end, const char* prefix)
{
    for (uint32_t offset = first; offset < end && !m_stopped;) {
        const uint32_t at = m_capability.offset + offset;
        const uint32_t left = end - offset;
        const uint32_t size = (at % 4 == 0 && left >= 4) ? 4 : (at % 2 == 0 && left >= 2) ? 2 : 1;
        AddPlain(offset, size, CDecodeText::Format("%s +%03Xh", prefix, offset));
        offset += size;
    }
}

bool CCapabilityRows::CheckDeclared(uint32_t length, const char* what)
{
    if (Fits(0, length))
        return true;
    Problem(CDecodeText::Format("%s %u bytes runs past %03Xh", what, length, m_limit));
    return false;
}

void CCapabilityRows::Problem(std::string text)
{
    if (m_capability.problem.empty())
        m_capability.problem = std::move(text);
}

bool CCapabilityRows::Check(uint32_t offset, uint32_t size)
{
    if (m_stopped)
        return false;
    if (Fits(offset, size))
        return true;
    m_stopped = true;
    Problem(CDecodeText::Format("register at %03Xh runs past %03Xh", m_capability.offset + offset, m_limit));
    return false;
}

void CCapabilityRows::Push(uint32_t offset, uint32_t size, std::string name, uint32_t value, std::string text)
{
    m_capability.rows.push_back({m_capability.offset + offset, size, std::move(name), value, std::move(text)});
}
