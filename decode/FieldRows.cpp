#include "decode/FieldRows.h"

#include <algorithm>

#include "decode/DecodeText.h"
#include "pci/ByteOrder.h"
#include "pci/RegisterLocator.h"

namespace {

constexpr uint32_t kBitsPerByte = 8;
constexpr uint32_t kBitsPerHexDigit = 4;

std::string FormatBits(uint32_t low, uint32_t high)
{
    return low == high ? CDecodeText::Format("%u", low) : CDecodeText::Format("%u:%u", high, low);
}

// A field's value with as many hex digits as the field has bits to fill, as the register list
// writes a register's.
std::string FormatFieldValue(uint32_t value, uint32_t bitCount, bool hexMode)
{
    if (!hexMode)
        return CDecodeText::Format("%ud", value);
    const int digits = int((bitCount + kBitsPerHexDigit - 1) / kBitsPerHexDigit);
    return CDecodeText::Format("%0*Xh", digits, value);
}

CFieldRow MakeRow(uint32_t low, uint32_t high, const char* name, pci::EAccess access, bool hostOwned,
                  uint32_t registerValue, bool hexMode)
{
    CFieldRow row;
    row.mask = pci::FieldMask(uint8_t(low), uint8_t(high));
    row.low = uint8_t(low);
    row.accessKind = access;
    row.hostOwned = hostOwned;
    const uint32_t value = (registerValue & row.mask) >> low;
    row.bits = FormatBits(low, high);
    row.name = name;
    row.value = FormatFieldValue(value, high - low + 1, hexMode);
    row.access = pci::AccessName(access);
    if (low == high && std::string(name) != CFieldRows::kReservedName)
        row.meaning = value != 0 ? "set" : "clear";
    return row;
}

} // namespace

const std::string& CFieldRow::Column(int column) const
{
    switch (column) {
    case 0: return bits;
    case 1: return name;
    case kValueColumn: return value;
    case 3: return access;
    default: return meaning;
    }
}

CFieldRows CFieldRows::Build(const uint8_t* space, uint32_t size, uint32_t offset, bool hexMode)
{
    CFieldRows rows;
    rows.m_offset = offset;
    const pci::CRegisterLocation at = pci::LocateRegister(space, size, offset);
    if (at.place.def == nullptr) {
        CFieldRow row;
        row.name = kNoFieldsText;
        row.known = false;
        rows.m_rows.push_back(row);
        return rows;
    }
    const pci::CRegisterDef& def = *at.place.def;
    rows.m_known = true;
    rows.m_offset = at.start + at.place.offset;
    rows.m_width = def.width;
    const uint32_t value = uint32_t(pci::GetLe(space + rows.m_offset, def.width));
    const uint32_t bitCount = def.width * kBitsPerByte;
    // Fields in bit order, with the gaps between them as reserved runs.
    for (uint32_t bit = 0; bit < bitCount;) {
        if (const pci::CFieldDef* field = pci::FieldAt(def, bit)) {
            rows.m_rows.push_back(MakeRow(field->low, std::min<uint32_t>(field->high, bitCount - 1), field->name,
                                          field->access, field->hostOwned || def.hostOwned, value, hexMode));
            bit = uint32_t(field->high) + 1;
            continue;
        }
        uint32_t high = bit;
        while (high + 1 < bitCount && pci::FieldAt(def, high + 1) == nullptr)
            ++high;
        rows.m_rows.push_back(MakeRow(bit, high, kReservedName, def.rest, def.hostOwned, value, hexMode));
        bit = high + 1;
    }
    return rows;
}

std::optional<CFieldWrite> CFieldRows::ComposeEdit(size_t row, uint32_t typed) const
{
    if (!m_known || row >= m_rows.size())
        return std::nullopt;
    const CFieldRow& field = m_rows[row];
    const uint64_t shifted = uint64_t(typed) << field.low;
    if ((shifted & ~uint64_t(field.mask)) != 0)
        return std::nullopt;
    return CFieldWrite{m_offset, m_width, uint32_t(shifted), field.mask};
}
