#include "decode/CapabilityPageModel.h"

#include "decode/CapabilityDecoder.h"
#include "decode/CapabilityListing.h"
#include "decode/ConfigDecoder.h"
#include "decode/TypedValue.h"
#include "device/PciFunction.h"

void CCapabilityPageModel::SetFunction(CPciFunction* function)
{
    m_function = function;
    Rebuild();
}

void CCapabilityPageModel::SetHexMode(bool hex)
{
    m_hexMode = hex;
    Rebuild();
}

void CCapabilityPageModel::Rebuild()
{
    m_rows.clear();
    if (m_function == nullptr)
        return;
    const CConfigDecoder format(m_hexMode);
    const CapabilityList list = CCapabilityDecoder(m_function->GetSpace(), m_function->GetSpaceSize()).Decode();
    for (const Capability& capability : list.capabilities) {
        bool first = true;
        for (const CapabilityRow& source : capability.rows) {
            CCapabilityPageRow row;
            row.offset = source.offset;
            row.size = source.size;
            row.value = source.value;
            row.header = first;
            row.columns[0] = format.FormatOffset(source.offset);
            row.columns[1] = CConfigDecoder::FormatSize(source.size);
            row.columns[2] = source.name;
            row.columns[3] = m_function->IsUnread(source.offset, source.size)
                ? CConfigDecoder::kUnreadText
                : format.FormatValue(source.value, source.size);
            row.columns[4] = source.text;
            m_rows.push_back(std::move(row));
            if (first && !capability.problem.empty())
                AddNote(capability.offset, format.FormatOffset(capability.offset),
                        CCapabilityListing::ProblemNote(capability));
            first = false;
        }
    }
    for (const std::string* end : {&list.standardEnd, &list.extendedEnd}) {
        if (!end->empty())
            AddNote(0, {}, CCapabilityListing::WalkNote(*end));
    }
}

void CCapabilityPageModel::AddNote(uint32_t offset, std::string offsetText, std::string text)
{
    CCapabilityPageRow row;
    row.offset = offset;
    row.note = true;
    row.columns[0] = std::move(offsetText);
    row.columns[4] = std::move(text);
    m_rows.push_back(std::move(row));
}

int CCapabilityPageModel::FindRow(uint32_t offset, uint32_t size) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].offset == offset && m_rows[i].size == size)
            return int(i);
    }
    return -1;
}

std::optional<CCapabilityPageModel::CWriteResult> CCapabilityPageModel::Write(uint32_t offset, uint32_t size,
                                                                              const char* text, bool typedInHex,
                                                                              const CRegisterEdit::Confirm& confirm)
{
    if (m_function == nullptr || text == nullptr || size == 0)
        return std::nullopt;
    const CTypedValue typed = CTypedValue::Parse(text, typedInHex, size);
    if (!typed.value)
        return CWriteResult{0, false, typed.refusal, {}};
    const CRegisterEdit::COutcome outcome = CRegisterEdit::Commit(*m_function, offset, size, *typed.value, confirm);
    if (outcome.declined)
        return CWriteResult{m_function->GetSpaceValue(offset, size), true, {}, {}, true};
    if (!outcome.written)
        return std::nullopt;
    Rebuild();
    return CWriteResult{outcome.readBack, outcome.agrees, {}, outcome.status};
}
