#include "views/SpaceGridModel.h"

#include <stdio.h>

#include "decode/ConfigSpaceModel.h"
#include "device/PciFunction.h"
#include "views/DisplaySettings.h"

namespace {

constexpr char kUnprintable = '.';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;
constexpr int kHexDigitsPerByte = 2;

std::string Format(const char* format, uint32_t value)
{
    char text[32];
    snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

} // namespace

void CSpaceGridModel::SetUnitWidth(int width)
{
    if (width == kByteUnit || width == kWordUnit || width == kDwordUnit)
        m_unitWidth = width;
}

std::string CSpaceGridModel::GetHeading(int column) const
{
    if (column == 0)
        return "Address";
    if (column == GetAsciiColumn())
        return "ASCII";
    if (column < 0 || column > GetUnitColumnCount())
        return {};
    return Format(m_hexDisplay ? "+%02xh" : "+%u", uint32_t(column - 1) * uint32_t(m_unitWidth));
}

int CSpaceGridModel::GetRowCount() const
{
    return m_function != nullptr ? int(m_function->GetSpaceSize() / kBytesPerRow) : 0;
}

std::optional<uint32_t> CSpaceGridModel::GetEditableOffset(int row, int column) const
{
    if (row < 0 || row >= GetRowCount() || column < 1 || column > GetUnitColumnCount())
        return std::nullopt;
    return uint32_t(row) * kBytesPerRow + uint32_t(column - 1) * uint32_t(m_unitWidth);
}

std::string CSpaceGridModel::FormatUnit(uint32_t value) const
{
    char text[32];
    if (m_hexDisplay)
        snprintf(text, sizeof text, "%0*Xh", m_unitWidth * kHexDigitsPerByte, static_cast<unsigned>(value));
    else
        snprintf(text, sizeof text, "%ud", static_cast<unsigned>(value));
    return text;
}

std::string CSpaceGridModel::GetCellText(int row, int column) const
{
    if (row < 0 || row >= GetRowCount())
        return {};
    const uint32_t rowOffset = uint32_t(row) * kBytesPerRow;
    if (column == 0)
        return Format(m_hexDisplay ? "%08Xh" : "%ud", rowOffset);
    if (column == GetAsciiColumn()) {
        std::string text;
        for (uint32_t byte = 0; byte < kBytesPerRow; ++byte) {
            const auto c = static_cast<unsigned char>(m_function->GetSpaceValue(rowOffset + byte, 1));
            text += (c >= kFirstPrintable && c <= kLastPrintable) ? static_cast<char>(c) : kUnprintable;
        }
        return text;
    }
    const std::optional<uint32_t> offset = GetEditableOffset(row, column);
    if (!offset)
        return {};
    return FormatUnit(m_function->GetSpaceValue(*offset, uint32_t(m_unitWidth)));
}

std::optional<CSpaceGridModel::CWriteResult> CSpaceGridModel::Write(uint32_t offset, int width, const char* text,
                                                                    bool typedInHex)
{
    if (m_function == nullptr || text == nullptr)
        return std::nullopt;
    const uint32_t typed = CConfigSpaceModel::ParseValue(text, typedInHex);
    uint32_t readBack = 0;
    if (!m_function->WriteSpaceRegister(offset, uint32_t(width), typed, &readBack))
        return std::nullopt;
    return CWriteResult{readBack, readBack == typed};
}
