#include "views/BarGridModel.h"

#include "device/PciFunction.h"
#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "views/DisplaySettings.h"
#include "views/BarSummary.h"
#include "views/GridText.h"

#include <algorithm>

void CBarGridModel::SetRange(CPciFunction* function, int barIndex, uint64_t size)
{
    if (function != m_function || barIndex != m_barIndex)
        EmptyCache();
    m_function = function;
    m_barIndex = barIndex;
    const CBarInfo bar = function != nullptr ? function->GetBar(barIndex) : CBarInfo{};
    constexpr uint64_t kMaxRows = uint64_t(kMaxRowCount);
    const uint64_t rows = (size + kBytesPerRow - 1) / kBytesPerRow;
    m_rowCount = int(std::clamp<uint64_t>(rows, 1, kMaxRows));
    uint64_t bytes = size;
    if (!bar.IsPresent())
        bytes = 0;
    else if (size == 0)
        bytes = bar.IsIo() ? pci::kMinIoBarBytes : pci::kMinMemoryBarBytes;
    // A size that would run past the top of the address space (one no BAR at that base can
    // decode) ends there: no unit may stand for an address that wraps to 0.
    const uint64_t bytesAboveBase = bar.IsPresent() ? ~bar.base + 1 : 0;
    const uint64_t rangeBytes = std::min(bytes, bytesAboveBase);
    m_rangeBytes = std::min(rangeBytes, kMaxRows * kBytesPerRow);
    m_bytesBeyond = rangeBytes - m_rangeBytes;
}

std::string CBarGridModel::GetNoteText() const
{
    if (m_bytesBeyond == 0)
        return {};
    return "The range goes on for " + CBarSummary::FormatSize(m_bytesBeyond) + " more: Ctrl+G reaches only the first " +
        CBarSummary::FormatSize(m_rangeBytes);
}

void CBarGridModel::SetUnitWidth(int width)
{
    if (width != kByteUnit && width != kWordUnit && width != kDwordUnit)
        return;
    if (width != m_unitWidth)
        EmptyCache();
    m_unitWidth = width;
}

std::string CBarGridModel::GetHeading(int column) const
{
    return CGridText::Heading(column, GetAsciiColumn(), m_unitWidth, m_hexDisplay);
}

std::optional<uint32_t> CBarGridModel::GetEditableOffset(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 1 || column > GetUnitColumnCount())
        return std::nullopt;
    const uint64_t offset = uint64_t(row) * kBytesPerRow + uint64_t(column - 1) * uint64_t(m_unitWidth);
    if (!IsInside(offset))
        return std::nullopt;
    return uint32_t(offset);
}

void CBarGridModel::StoreUnit(uint32_t offset, std::optional<uint32_t> value)
{
    m_cache[offset] = value;
}

// A failure is kept too, so that painting does not ask the device again until the cache is emptied.
std::optional<uint32_t> CBarGridModel::ReadUnit(uint32_t offset)
{
    const auto cached = m_cache.find(offset);
    if (cached != m_cache.end())
        return cached->second;
    uint8_t bytes[pci::kDwordBytes] = {};
    std::optional<uint32_t> value;
    if (m_function != nullptr && m_function->ReadDeviceData(m_barIndex, offset, bytes, uint32_t(m_unitWidth), 1))
        value = pci::GetLe32(bytes);
    m_cache.emplace(offset, value);
    return value;
}

std::string CBarGridModel::FormatUnit(uint32_t value) const
{
    return CGridText::Unit(value, m_unitWidth, m_hexDisplay);
}

std::string CBarGridModel::AsciiText(int row)
{
    std::string text;
    for (int column = 1; column <= GetUnitColumnCount(); ++column) {
        const std::optional<uint32_t> offset = GetEditableOffset(row, column);
        if (!offset)
            break;
        const std::optional<uint32_t> value = ReadUnit(*offset);
        for (int byte = 0; byte < m_unitWidth; ++byte) {
            const unsigned char c = value ? static_cast<unsigned char>(*value >> (8 * byte)) : 0;
            text += CGridText::Ascii(c);
        }
    }
    return text;
}

std::string CBarGridModel::GetCellText(int row, int column)
{
    if (IsNoteRow(row))
        return column == 0 ? GetNoteText() : std::string();
    if (row < 0 || row >= m_rowCount)
        return {};
    if (column == 0)
        return CGridText::Address(uint32_t(row) * kBytesPerRow, m_hexDisplay);
    if (column == GetAsciiColumn())
        return AsciiText(row);
    const std::optional<uint32_t> offset = GetEditableOffset(row, column);
    if (!offset)
        return {};
    const std::optional<uint32_t> value = ReadUnit(*offset);
    return value ? FormatUnit(*value) : kUnreadText;
}
