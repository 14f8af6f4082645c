#include "views/SpaceGridModel.h"

#include "decode/ConfigDecoder.h"
#include "decode/TypedValue.h"
#include "device/PciFunction.h"
#include "views/DisplaySettings.h"
#include "views/GridText.h"

void CSpaceGridModel::SetUnitWidth(int width)
{
    if (width == kByteUnit || width == kWordUnit || width == kDwordUnit)
        m_unitWidth = width;
}

std::string CSpaceGridModel::GetHeading(int column) const
{
    return CGridText::Heading(column, GetAsciiColumn(), m_unitWidth, m_hexDisplay);
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
    return CGridText::Unit(value, m_unitWidth, m_hexDisplay);
}

std::string CSpaceGridModel::GetCellText(int row, int column) const
{
    if (row < 0 || row >= GetRowCount())
        return {};
    const uint32_t rowOffset = uint32_t(row) * kBytesPerRow;
    if (column == 0)
        return CGridText::Address(rowOffset, m_hexDisplay);
    if (column == GetAsciiColumn()) {
        std::string text;
        for (uint32_t byte = 0; byte < kBytesPerRow; ++byte) {
            const auto c = static_cast<unsigned char>(m_function->GetSpaceValue(rowOffset + byte, 1));
            text += CGridText::Ascii(c);
        }
        return text;
    }
    const std::optional<uint32_t> offset = GetEditableOffset(row, column);
    if (!offset)
        return {};
    if (m_function->IsUnread(*offset, uint32_t(m_unitWidth)))
        return CConfigDecoder::kUnreadText;
    return FormatUnit(m_function->GetSpaceValue(*offset, uint32_t(m_unitWidth)));
}

std::optional<CSpaceGridModel::CWriteResult> CSpaceGridModel::Write(uint32_t offset, int width, const char* text,
                                                                    bool typedInHex,
                                                                    const CRegisterEdit::Confirm& confirm)
{
    if (m_function == nullptr || text == nullptr)
        return std::nullopt;
    const uint32_t unit = uint32_t(width);
    const CTypedValue typed = CTypedValue::Parse(text, typedInHex, unit);
    if (!typed.value)
        return CWriteResult{0, false, typed.refusal, {}};
    const CRegisterEdit::COutcome outcome = CRegisterEdit::Commit(*m_function, offset, unit, *typed.value, confirm);
    if (outcome.declined)
        return CWriteResult{m_function->GetSpaceValue(offset, unit), true, {}, {}, true};
    if (!outcome.written)
        return std::nullopt;
    return CWriteResult{outcome.readBack, outcome.agrees, {}, outcome.status};
}
