#pragma once
// The contents of one BAR's range: sparse, RAM-like pages keyed by the offset
// within the BAR, so the contents follow the BAR when it is moved.
#include <stdint.h>

constexpr uint32_t kSimPageSize = 4096;
// Upper bound of pages a whole machine may allocate (64 MiB of range contents).
constexpr uint32_t kSimMaxPages = 16384;

struct CSimPage
{
    CSimPage* m_next;
    uint64_t m_offset;   // page-aligned offset within the range
    uint8_t* m_writable; // per-byte writable bits; nullptr means every bit writable
    uint8_t m_data[kSimPageSize];
};

// Shared allowance of pages for all ranges of one machine.
struct CSimPageBudget
{
    uint32_t m_used;
};

class CSimRange {
public:
    // Makes sure every page of [offset, offset + length) exists, so a later
    // Write cannot fail halfway through a request.
    bool Reserve(uint64_t offset, uint32_t length, CSimPageBudget* budget);
    // Copies bytes out, zeros where nothing was written.
    void Read(uint64_t offset, uint8_t* out, uint32_t length) const;
    // Writes through the writable masks; the pages must have been reserved.
    void Write(uint64_t offset, const uint8_t* data, uint32_t length);
    // Image set-up: contents and writable masks, ignoring existing masks.
    bool SetContents(uint32_t offset, const uint8_t* bytes, uint32_t length, CSimPageBudget* budget);
    bool SetWritableMask(uint32_t offset, const uint8_t* masks, uint32_t length, CSimPageBudget* budget);
    void Release(CSimPageBudget* budget);

private:
    CSimPage* Find(uint64_t offset) const;
    CSimPage* FindOrAdd(uint64_t offset, CSimPageBudget* budget);

    CSimPage* m_pages;
    mutable CSimPage* m_lastHit;
};
