#include "decode/RegisterTable.h"

#include "pci/HeaderRegisters.h"

#include <array>

namespace {

using F = EDecodedField;

// Which registers show a decoded text, by offset; the rest show none.
struct CDecodedAt
{
    uint16_t offset;
    EDecodedField field;
};

// clang-format off
constexpr CDecodedAt kCommonDecoded[] = {
    {0x00, F::kVendorName}, {0x02, F::kDeviceName}, {0x04, F::kCommand}, {0x06, F::kStatus},
    {0x0A, F::kSubclass}, {0x0B, F::kClassCode}, {0x0C, F::kCacheLineSize}, {0x0D, F::kLatencyTimer},
    {0x0F, F::kBist}, {0x3C, F::kInterruptLine}, {0x3D, F::kInterruptPin},
};
constexpr CDecodedAt kDeviceDecoded[] = {
    {0x10, F::kBar}, {0x14, F::kBar}, {0x18, F::kBar}, {0x1C, F::kBar}, {0x20, F::kBar}, {0x24, F::kBar},
    {0x2C, F::kSubsystemVendorName}, {0x3E, F::kMinGrant}, {0x3F, F::kMaxLatency},
};
constexpr CDecodedAt kBridgeDecoded[] = {
    {0x10, F::kBar}, {0x14, F::kBar}, {0x1C, F::kIoBase}, {0x1D, F::kIoLimit}, {0x20, F::kMemoryBase},
    {0x22, F::kMemoryLimit}, {0x24, F::kPrefetchableBase}, {0x26, F::kPrefetchableLimit},
};
constexpr CDecodedAt kCardBusDecoded[] = {{0x40, F::kSubsystemVendorName}};
// clang-format on

template <size_t N>
constexpr EDecodedField FindDecoded(const CDecodedAt (&table)[N], uint16_t offset)
{
    for (const CDecodedAt& at : table)
        if (at.offset == offset)
            return at.field;
    return F::kNone;
}

// The rows of a header layout: the catalogue's registers in order, with their decoded text.
template <size_t N, size_t M>
constexpr std::array<CRegisterDefinition, N> HeaderRows(const pci::CRegisterDef (&registers)[N],
                                                        const CDecodedAt (&decoded)[M])
{
    std::array<CRegisterDefinition, N> rows = {};
    for (size_t i = 0; i < N; ++i) {
        const pci::CRegisterDef& def = registers[i];
        EDecodedField field = FindDecoded(decoded, def.offset);
        if (field == F::kNone)
            field = FindDecoded(kCommonDecoded, def.offset);
        rows[i] = {def.offset, def.width, def.name, field};
    }
    return rows;
}

constexpr auto kDeviceRows = HeaderRows(pci::header::kDeviceRegisters, kDeviceDecoded);
constexpr auto kBridgeRows = HeaderRows(pci::header::kBridgeRegisters, kBridgeDecoded);

// CardBus bridges list 48h..FFh too: reserved dwords up to 7Fh, then vendor-specific ones.
constexpr uint16_t kCardBusVendorOffset = 0x80;
constexpr size_t kCardBusTailRows = (pci::kConfigSpaceBytes - pci::kCardBusLegacyBaseOffset - 4) / 4;
constexpr auto kCardBusHeaderRows = HeaderRows(pci::header::kCardBusRegisters, kCardBusDecoded);

constexpr std::array<CRegisterDefinition, kCardBusHeaderRows.size() + kCardBusTailRows> CardBusRows()
{
    std::array<CRegisterDefinition, kCardBusHeaderRows.size() + kCardBusTailRows> rows = {};
    size_t i = 0;
    for (const CRegisterDefinition& row : kCardBusHeaderRows)
        rows[i++] = row;
    for (uint16_t at = pci::kCardBusLegacyBaseOffset + 4; at < pci::kConfigSpaceBytes; at += 4)
        rows[i++] = {at, 4, at < kCardBusVendorOffset ? "Reserved" : "Vendor Specific", F::kNone};
    return rows;
}
constexpr auto kCardBusRows = CardBusRows();

} // namespace

std::span<const CRegisterDefinition> CRegisterTable::ForHeaderType(uint32_t headerType)
{
    switch (headerType) {
    case kDeviceHeader: return kDeviceRows;
    case kBridgeHeader: return kBridgeRows;
    case kCardBusHeader: return kCardBusRows;
    default: return {};
    }
}

bool CRegisterTable::HasDeviceSpecificRows(uint32_t headerType)
{
    return headerType == kDeviceHeader || headerType == kBridgeHeader;
}
