#include "decode/JournalRecorder.h"

#include "decode/DecodeText.h"
#include "decode/JournalReplay.h"

#include "pci/Bar.h"
#include "pci/RegisterLocator.h"

#include <iterator>

namespace {

using T = CDecodeText;

constexpr const char* kSizeUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
constexpr uint32_t kSizeUnitShift = 10;

std::string FormatSize(uint64_t bytes)
{
    size_t unit = 0;
    while (unit + 1 < std::size(kSizeUnits) && (bytes & ((1ull << kSizeUnitShift) - 1)) == 0) {
        bytes >>= kSizeUnitShift;
        ++unit;
    }
    return std::to_string(bytes) + " " + kSizeUnits[unit];
}

CJournalEntry::EResult ResultOf(bool refused, uint32_t readBack, uint32_t predicted)
{
    if (refused)
        return CJournalEntry::EResult::kRefused;
    return readBack == predicted ? CJournalEntry::EResult::kKept : CJournalEntry::EResult::kDiffers;
}

} // namespace

std::string CJournalRecorder::DescribeTarget(const uint8_t* space, uint32_t size, uint32_t offset)
{
    const pci::CRegisterLocation at = pci::LocateRegister(space, size, offset);
    if (at.place.def && at.place.def->name)
        return at.place.def->name;
    return T::Format("Offset %03xh", offset);
}

CJournalEntry CJournalRecorder::EntryFor(const CPciFunction& function)
{
    CJournalEntry entry;
    entry.timeMs = CWriteJournal::NowMs();
    entry.segment = function.m_segment;
    entry.bus = function.m_bus;
    entry.device = function.m_device;
    entry.function = function.m_function;
    entry.vendorId = function.GetVendorId();
    entry.deviceId = function.GetDeviceId();
    return entry;
}

CJournalEntry CJournalRecorder::Begin(const CPciFunction& function) const
{
    CJournalEntry entry = EntryFor(function);
    entry.page = m_undoing ? kUndoPage : m_page;
    entry.isUndo = m_undoing;
    return entry;
}

void CJournalRecorder::OnConfigWrite(const CPciFunction& function, uint32_t offset, uint32_t width, uint32_t mask,
                                     const CPciFunction::CWriteResult& result, bool refused)
{
    CJournalEntry entry = Begin(function);
    entry.kind = CJournalEntry::EKind::kConfig;
    entry.target = DescribeTarget(function.GetSpace(), function.GetSpaceSize(), offset);
    entry.reg = CJournalReplay::FormatRegister(function.GetSpace(), function.GetSpaceSize(), offset, width);
    entry.offset = offset;
    entry.width = width;
    entry.before = result.before;
    entry.written = result.written;
    entry.mask = mask;
    entry.readBack = result.readBack;
    entry.predicted = result.predicted;
    entry.result = ResultOf(refused, result.readBack, result.predicted);
    if (!refused && !result.readOk)
        entry.note = "the read-back failed";
    m_journal.Record(std::move(entry));
}

void CJournalRecorder::OnBarProbe(const CPciFunction& function, int bar, uint64_t size, bool restored)
{
    CJournalEntry entry = Begin(function);
    entry.kind = CJournalEntry::EKind::kBarProbe;
    entry.bar = bar;
    entry.offset = pci::BarOffset(uint32_t(bar));
    entry.width = pci::kDwordBytes;
    entry.target = T::Format("BAR %d", bar);
    entry.reg = CJournalReplay::FormatRegister(function.GetSpace(), function.GetSpaceSize(), uint32_t(entry.offset),
                                               entry.width);
    entry.note = (size ? FormatSize(size) : std::string("size unknown")) + (restored ? ", restored" : ", NOT restored");
    m_journal.Record(std::move(entry));
}

void CJournalRecorder::RecordBarUnit(const CPciFunction& function, int bar, uint64_t offset, uint32_t width,
                                     uint32_t before, uint32_t written, uint32_t readBack, bool refused)
{
    CJournalEntry entry = Begin(function);
    if (!m_undoing)
        entry.page = T::Format("BAR %d", bar);
    entry.kind = CJournalEntry::EKind::kBar;
    entry.bar = bar;
    entry.offset = offset;
    entry.width = width;
    entry.target = T::Format("BAR %d", bar);
    entry.reg = CJournalReplay::FormatBarRegister(bar, offset, width);
    entry.before = before;
    entry.written = written;
    entry.mask = pci::RegisterMask(width);
    entry.readBack = readBack;
    entry.predicted = written;
    entry.result = ResultOf(refused, readBack, written);
    m_journal.Record(std::move(entry));
}
