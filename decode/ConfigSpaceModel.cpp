#include "decode/ConfigSpaceModel.h"

#include "decode/RegisterEdit.h"
#include "decode/RegisterTable.h"
#include "decode/TypedValue.h"

#include "device/PciFunction.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ConfigSpace.h"

namespace {

constexpr unsigned kTagOffsetShift = 16;
constexpr uint32_t kTagSizeMask = 0xFFFF;
constexpr char kUnreadDecoded[] = "Not read back; F5 reads it again";

uint32_t HeaderType(const uint8_t* config)
{
    return config[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
}

} // namespace

const std::string& CRegisterRow::Column(int column) const
{
    switch (column) {
    case 0: return offsetText;
    case 1: return sizeText;
    case 2: return name;
    case kValueColumn: return valueText;
    default: return decoded;
    }
}

void CConfigSpaceModel::SetFunction(CPciFunction* function)
{
    m_function = function;
    BuildRegisterList(m_function);
}

void CConfigSpaceModel::SetHexMode(bool hexMode)
{
    SetDisplayMode(hexMode);
    BuildRegisterList(m_function);
}

void CConfigSpaceModel::ClearRegisterList()
{
    m_rows.clear();
}

void CConfigSpaceModel::AddRegisterRow(uint16_t offset, uint16_t size, const std::string& name, uint32_t value,
                                       const std::string& decoded)
{
    CRegisterRow row;
    row.offset = offset;
    row.size = size;
    row.value = value;
    row.offsetText = FormatOffset(offset);
    row.sizeText = FormatSize(size);
    row.name = name;
    row.valueText = FormatValue(value, size);
    row.decoded = decoded;
    m_rows.push_back(std::move(row));
}

void CConfigSpaceModel::BuildRegisterList(const CPciFunction* function)
{
    ClearRegisterList();
    if (!function)
        return;
    const uint32_t headerType = HeaderType(function->m_image);
    bool nextBarIsUpperHalf = false;
    for (const CRegisterDefinition& definition : CRegisterTable::ForHeaderType(headerType)) {
        const uint32_t value = uint32_t(pci::GetLe(function->m_image + definition.offset, definition.size));
        AddRegisterRow(definition.offset, definition.size, definition.name, value,
                       DecodeField(function, definition, &nextBarIsUpperHalf));
    }
    if (CRegisterTable::HasDeviceSpecificRows(headerType))
        AddDeviceSpecificRows(function);
    MarkUnreadRows(function);
}

// The image of a register whose read-back failed holds an older value: it shows no number.
void CConfigSpaceModel::MarkUnreadRows(const CPciFunction* function)
{
    for (CRegisterRow& row : m_rows) {
        if (function->IsUnread(row.offset, row.size)) {
            row.valueText = kUnreadText;
            row.decoded = kUnreadDecoded;
        }
    }
}

void CConfigSpaceModel::AddDeviceSpecificRows(const CPciFunction* function)
{
    // The walk is bounded by the function: it ends before the first dword visited twice.
    std::vector<CapabilityRecord> records;
    for (uint32_t index : function->GetCapabilityIndices())
        records.push_back({index, function->m_image + index * pci::kDwordBytes});
    for (uint32_t index = pci::kDeviceSpecificFirstDword; index < pci::kConfigSpaceDwords; ++index) {
        const uint32_t offset = index * pci::kDwordBytes;
        AddRegisterRow(uint16_t(offset), pci::kDwordBytes, "Vendor Specific", pci::GetLe32(function->m_image + offset),
                       DecodeCapability(index, records));
    }
}

std::string CConfigSpaceModel::DecodeField(const CPciFunction* function, const CRegisterDefinition& definition,
                                           bool* nextBarIsUpperHalf) const
{
    const uint8_t* config = function->m_image;
    switch (definition.field) {
    case EDecodedField::kNone: return {};
    case EDecodedField::kVendorName: return function->GetVendorName();
    case EDecodedField::kDeviceName: return function->GetDeviceName();
    case EDecodedField::kSubsystemVendorName: return function->GetSubsystemVendorName();
    case EDecodedField::kCommand: return DecodeCommand(config);
    case EDecodedField::kStatus: return DecodeStatus(config);
    case EDecodedField::kSubclass: return DecodeSubclass(config);
    case EDecodedField::kClassCode: return DecodeClassCode(config);
    case EDecodedField::kCacheLineSize: return DecodeCacheLineSize(config);
    case EDecodedField::kLatencyTimer: return DecodeLatencyTimer(config);
    case EDecodedField::kBist: return DecodeBist(config);
    case EDecodedField::kBar: return DecodeBarRow(function, definition.offset, nextBarIsUpperHalf);
    case EDecodedField::kInterruptLine: return DecodeInterruptLine(config);
    case EDecodedField::kInterruptPin: return DecodeInterruptPin(config);
    case EDecodedField::kMinGrant: return DecodeMinGrant(config);
    case EDecodedField::kMaxLatency: return DecodeMaxLatency(config);
    case EDecodedField::kIoBase: return DecodeIoBase(config);
    case EDecodedField::kIoLimit: return DecodeIoLimit(config);
    case EDecodedField::kMemoryBase: return DecodeMemoryBase(config);
    case EDecodedField::kMemoryLimit: return DecodeMemoryLimit(config);
    case EDecodedField::kPrefetchableBase: return DecodePrefetchableBase(config);
    case EDecodedField::kPrefetchableLimit: return DecodePrefetchableLimit(config);
    }
    return {};
}

// A 64-bit memory BAR takes the next BAR as the upper half of its address, and
// that next row stays empty. This holds for a 64-bit BAR in an odd slot too
// (BAR 1 or BAR 3): its upper half is in the following BAR like everywhere else,
// so it is shown with that upper half rather than with 0, and the following BAR
// is not decoded as a BAR of its own.
std::string CConfigSpaceModel::DecodeBarRow(const CPciFunction* function, uint32_t offset,
                                            bool* nextBarIsUpperHalf) const
{
    if (*nextBarIsUpperHalf) {
        *nextBarIsUpperHalf = false;
        return {};
    }
    const int barIndex = int((offset - pci::kBar0Offset) / pci::kDwordBytes);
    const bool hasNext = barIndex + 1 < function->GetBarCount();
    const uint32_t value = pci::GetLe32(function->m_image + offset);
    const uint32_t upper = hasNext ? pci::GetLe32(function->m_image + offset + pci::kDwordBytes) : 0;
    bool is64Bit = false;
    std::string text = DecodeBar(value, upper, function->m_barSizes[barIndex], &is64Bit);
    *nextBarIsUpperHalf = is64Bit && hasNext;
    return text;
}

std::optional<std::string> CConfigSpaceModel::OnEndEdit(int item, int subItem, const char* text)
{
    return OnEndEdit(item, subItem, text, IsHexMode());
}

std::optional<std::string> CConfigSpaceModel::OnEndEdit(int item, int /*subItem*/, const char* text, bool typedInHex)
{
    if (!m_function || item < 0 || size_t(item) >= m_rows.size() || !text)
        return std::nullopt;
    const CRegisterRow& row = m_rows[size_t(item)];
    const uint32_t tag = row.Tag();
    const uint32_t offset = tag >> kTagOffsetShift;
    const uint32_t size = tag & kTagSizeMask;

    const CTypedValue typed = CTypedValue::Parse(text, typedInHex, size);
    if (!typed.value) {
        WarningBeep();
        ShowRefusal(typed.refusal);
        return row.valueText;
    }
    const CRegisterEdit::COutcome outcome =
        CRegisterEdit::Commit(*m_function, offset, size, *typed.value,
                              [this](const std::string& question) { return ConfirmWrite(question); });
    if (!outcome.written)
        return row.valueText;
    if (!outcome.agrees)
        WarningBeep();
    ShowWriteStatus(outcome.status);
    const bool unread = !outcome.readOk;
    const uint32_t readBack = outcome.readBack;

    // Decoded texts, and other rows over the same bytes (a 64-bit BAR's two halves, the
    // capability list behind the status register), follow the register's new value.
    BuildRegisterList(m_function);
    return unread ? std::string(kUnreadText) : FormatValue(readBack, size);
}
