#pragma once
// The one walk of both capability lists, for every layer and the kernel driver: the list
// pointer of each header layout (14h for CardBus), a visited set, hard bounds, and an entry
// that lies in the header ends the walk after it. No standard library, no static constructors.
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"
#include "pci/ExtendedCapability.h"

#include <stdint.h>

namespace pci {

// Why a walk stopped; kClean when the list simply ended.
enum class EWalkEnd : uint8_t {
    kClean,
    kLoop,          // an entry was reached a second time (at: that entry)
    kTooMany,       // more entries than the space can hold distinct
    kAbsentId,      // an entry reads ID FFh (at: that entry)
    kIntoHeader,    // the entry at `at` lies in the header: it was given, the walk went no further
    kBadHeader,     // an extended header reads 0 or all ones past 100h (at: that header)
    kBelowExtended, // an extended next pointer below 100h (at: the entry holding it)
};

// What both walks keep: where they stand, the entries seen, how many, and why they stopped.
// dwords is the number of dwords of the space the list lives in.
template <uint32_t dwords>
class CWalkState {
public:
    EWalkEnd End() const { return m_end; }
    uint32_t EndOffset() const { return m_endOffset; }

protected:
    // The entry the walk goes to next, taken; 0 when the list is over.
    uint32_t TakeNext()
    {
        const uint32_t at = m_end == EWalkEnd::kClean ? m_next : 0;
        m_next = 0;
        return at;
    }
    // Checks the entry at `at` against the visited set and the bound; false (and the walk
    // stopped) when it was seen before or would be one too many.
    bool Admit(uint32_t at, uint32_t maxEntries)
    {
        if (m_visited[at / kDwordBytes / 32] & (1u << (at / kDwordBytes % 32)))
            return Stop(EWalkEnd::kLoop, at);
        if (m_count >= maxEntries)
            return Stop(EWalkEnd::kTooMany, at);
        return true;
    }
    void Mark(uint32_t at)
    {
        m_visited[at / kDwordBytes / 32] |= 1u << (at / kDwordBytes % 32);
        ++m_count;
    }
    bool Stop(EWalkEnd end, uint32_t at)
    {
        m_end = end;
        m_endOffset = at;
        return false;
    }

    uint32_t m_next = 0;

private:
    uint32_t m_count = 0;
    uint32_t m_visited[dwords / 32] = {};
    EWalkEnd m_end = EWalkEnd::kClean;
    uint32_t m_endOffset = 0;
};

// The conventional list. space holds size bytes (at least 256 for any entry to be found).
class CCapabilityWalk : public CWalkState<kConfigSpaceDwords> {
public:
    static constexpr uint32_t kMaxEntries = 48;

    CCapabilityWalk(const uint8_t* space, uint32_t size) : m_space(space)
    {
        if (size < kConfigSpaceBytes || !(GetLe16(space + kStatusOffset) & kStatusCapabilityList))
            return;
        const uint32_t layout = space[kHeaderTypeOffset] & kHeaderLayoutMask;
        const uint32_t pointer =
            layout == kLayoutCardBusBridge ? kCardBusCapabilitiesPointerOffset : kCapabilitiesPointerOffset;
        m_next = space[pointer] & kCapabilityPointerMask;
    }

    // The next entry's offset into *offset; false when the list is over.
    bool Next(uint32_t* offset)
    {
        const uint32_t at = TakeNext();
        if (at == 0)
            return false;
        if (!Admit(at, kMaxEntries))
            return false;
        if (m_space[at + kCapabilityIdOffset] == kCapAbsent)
            return Stop(EWalkEnd::kAbsentId, at);
        Mark(at);
        *offset = at;
        if (at < kDeviceSpecificOffset)
            Stop(EWalkEnd::kIntoHeader, at);
        else
            m_next = m_space[at + kCapabilityNextOffset] & kCapabilityPointerMask;
        return true;
    }

private:
    const uint8_t* m_space;
};

// The extended list from 100h; a space of 256 bytes has none.
class CExtendedCapabilityWalk : public CWalkState<kExtendedConfigSpaceBytes / kDwordBytes> {
public:
    CExtendedCapabilityWalk(const uint8_t* space, uint32_t size) : m_space(space)
    {
        if (size >= kExtendedConfigSpaceBytes)
            m_next = kExtCapFirstOffset;
    }

    bool Next(uint32_t* offset)
    {
        const uint32_t at = TakeNext();
        if (at == 0)
            return false;
        const uint32_t header = GetLe32(m_space + at);
        if (header == 0 || header == kAbsentFunctionDword) {
            // A header of 0 right at 100h is simply an empty list.
            if (header != 0 || at != kExtCapFirstOffset)
                Stop(EWalkEnd::kBadHeader, at);
            return false;
        }
        if (!Admit(at, kExtCapMaxEntries))
            return false;
        Mark(at);
        *offset = at;
        const uint32_t next = (header >> kExtCapNextShift) & kExtCapNextMask;
        if (next != 0 && next < kExtCapFirstOffset)
            Stop(EWalkEnd::kBelowExtended, at);
        else
            m_next = next;
        return true;
    }

private:
    const uint8_t* m_space;
};

} // namespace pci
