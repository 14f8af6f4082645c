#include "live/LiveWritePolicy.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"

namespace {

// Bytes [first, end) that no write may touch.
struct CSpan
{
    uint32_t first;
    uint32_t end;
};

constexpr CSpan kDeviceSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kDeviceBarCount)},
    {pci::kExpansionRomOffset, pci::kExpansionRomOffset + pci::kDwordBytes},
};
constexpr CSpan kPciBridgeSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kPciBridgeBarCount)},
    {pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset},
    {pci::kIoBaseOffset, pci::kSecondaryStatusOffset},
    {pci::kMemoryBaseOffset, pci::kIoLimitUpperOffset + pci::kWordBytes},
    {pci::kBridgeExpansionRomOffset, pci::kBridgeExpansionRomOffset + pci::kDwordBytes},
};
// A CardBus bridge keeps its bus numbers where a PCI-to-PCI bridge does.
constexpr CSpan kCardBusSpans[] = {
    {pci::kBar0Offset, pci::BarOffset(pci::kCardBusBarCount)},
    {pci::kPrimaryBusOffset, pci::kSecondaryLatencyTimerOffset},
    {pci::kCardBusMemoryWindowsOffset, pci::kCardBusIoWindowsOffset + 2 * pci::kCardBusWindowPairBytes},
    {pci::kCardBusLegacyBaseOffset, pci::kCardBusLegacyBaseOffset + pci::kDwordBytes},
};

constexpr uint16_t kOwnedCommandBits = pci::kCommandIoSpace | pci::kCommandMemorySpace | pci::kCommandBusMaster;

template <uint32_t N>
bool Touches(const CSpan (&spans)[N], uint32_t offset, uint32_t size)
{
    for (const CSpan& span : spans) {
        if (offset < span.end && offset + size > span.first)
            return true;
    }
    return false;
}

} // namespace

bool LiveWriteAllowed(const uint8_t* header, uint32_t offset, uint32_t size, uint32_t value)
{
    const uint32_t layout = header[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    if ((layout == pci::kLayoutDevice && Touches(kDeviceSpans, offset, size)) ||
        (layout == pci::kLayoutPciBridge && Touches(kPciBridgeSpans, offset, size)) ||
        (layout == pci::kLayoutCardBusBridge && Touches(kCardBusSpans, offset, size)))
        return false;
    // A header of unknown layout may hold addresses anywhere after its first dwords.
    if (layout > pci::kLayoutCardBusBridge && offset < pci::kDeviceSpecificOffset && offset + size > pci::kBar0Offset)
        return false;
    // Other command bits may change; decoding and bus mastering must stay as the host set them.
    const uint32_t command = pci::kCommandOffset;
    if (offset < command + pci::kWordBytes && offset + size > command) {
        uint8_t after[pci::kWordBytes] = {header[command], header[command + 1]};
        for (uint32_t i = 0; i < size; ++i) {
            const uint32_t at = offset + i;
            if (at >= command && at < command + pci::kWordBytes)
                after[at - command] = uint8_t(value >> (8 * i));
        }
        if ((pci::GetLe16(after) ^ pci::GetLe16(header + command)) & kOwnedCommandBits)
            return false;
    }
    return true;
}
