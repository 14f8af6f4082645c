#include "sim/SimRange.h"
#include "sim/SimHost.h"
#include "sim/SimUtil.h"

namespace {

uint64_t PageBase(uint64_t offset)
{
    return offset & ~uint64_t(kSimPageSize - 1);
}

} // namespace

CSimPage* CSimRange::Find(uint64_t offset) const
{
    uint64_t base = PageBase(offset);
    if (m_lastHit && m_lastHit->m_offset == base)
        return m_lastHit;
    for (CSimPage* page = m_pages; page; page = page->m_next) {
        if (page->m_offset == base) {
            m_lastHit = page;
            return page;
        }
    }
    return nullptr;
}

CSimPage* CSimRange::FindOrAdd(uint64_t offset, CSimPageBudget* budget)
{
    if (CSimPage* page = Find(offset))
        return page;
    if (budget->m_used >= kSimMaxPages)
        return nullptr;
    CSimPage* page = static_cast<CSimPage*>(SimAlloc(sizeof(CSimPage)));
    if (!page)
        return nullptr;
    ++budget->m_used;
    page->m_offset = PageBase(offset);
    page->m_next = m_pages;
    m_pages = page;
    m_lastHit = page;
    return page;
}

void CSimRange::Read(uint64_t offset, uint8_t* out, uint32_t length) const
{
    while (length) {
        uint32_t inPage = uint32_t(offset & (kSimPageSize - 1));
        uint32_t chunk = kSimPageSize - inPage < length ? kSimPageSize - inPage : length;
        if (const CSimPage* page = Find(offset))
            SimCopy(out, page->m_data + inPage, chunk);
        else
            SimFill(out, 0, chunk);
        out += chunk;
        offset += chunk;
        length -= chunk;
    }
}

void CSimRange::Write(uint64_t offset, const uint8_t* data, uint32_t length)
{
    while (length) {
        uint32_t inPage = uint32_t(offset & (kSimPageSize - 1));
        uint32_t chunk = kSimPageSize - inPage < length ? kSimPageSize - inPage : length;
        if (CSimPage* page = Find(offset)) {
            for (uint32_t i = 0; i < chunk; ++i) {
                uint8_t writable = page->m_writable ? page->m_writable[inPage + i] : 0xFF;
                uint8_t& byte = page->m_data[inPage + i];
                byte = uint8_t((byte & ~writable) | (data[i] & writable));
            }
        }
        data += chunk;
        offset += chunk;
        length -= chunk;
    }
}

bool CSimRange::Reserve(uint64_t offset, uint32_t length, CSimPageBudget* budget)
{
    if (length == 0)
        return true;
    uint64_t last = offset + (length - 1);
    if (last < offset)
        return false;
    for (uint64_t base = PageBase(offset);; base += kSimPageSize) {
        if (!FindOrAdd(base, budget))
            return false;
        if (base == PageBase(last))
            return true;
    }
}

bool CSimRange::SetContents(uint32_t offset, const uint8_t* bytes, uint32_t length, CSimPageBudget* budget)
{
    if (!Reserve(offset, length, budget))
        return false;
    for (uint32_t i = 0; i < length; ++i) {
        CSimPage* page = Find(offset + i);
        page->m_data[(offset + i) & (kSimPageSize - 1)] = bytes[i];
    }
    return true;
}

bool CSimRange::SetWritableMask(uint32_t offset, const uint8_t* masks, uint32_t length, CSimPageBudget* budget)
{
    if (!Reserve(offset, length, budget))
        return false;
    for (uint32_t i = 0; i < length; ++i) {
        CSimPage* page = Find(offset + i);
        if (!page->m_writable) {
            page->m_writable = static_cast<uint8_t*>(SimAlloc(kSimPageSize));
            if (!page->m_writable)
                return false;
            SimFill(page->m_writable, 0xFF, kSimPageSize);
        }
        page->m_writable[(offset + i) & (kSimPageSize - 1)] = masks[i];
    }
    return true;
}

void CSimRange::Release(CSimPageBudget* budget)
{
    while (m_pages) {
        CSimPage* next = m_pages->m_next;
        if (m_pages->m_writable)
            SimFree(m_pages->m_writable);
        SimFree(m_pages);
        --budget->m_used;
        m_pages = next;
    }
    m_lastHit = nullptr;
}
