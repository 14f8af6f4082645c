#include "decode/JournalUndo.h"

#include "decode/DecodeText.h"
#include "decode/WriteEffect.h"
#include "decode/WriteUndo.h"
#include "device/PciFunction.h"

namespace {

using T = CDecodeText;

// The notes of a plan after a sentence: "; " between them.
std::string WithNotes(std::string text, const std::vector<std::string>& notes)
{
    for (const std::string& note : notes)
        text += "; " + note;
    return text;
}

std::string Hex(uint32_t value, uint32_t width)
{
    return T::Format("%0*x", int(width * 2), value);
}

// Restores a BAR unit: the whole unit is written and read back.
void UndoBarUnit(CPciFunction& function, CJournalRecorder& recorder, const CJournalEntry& entry,
                 const CWriteUndo::CPlan& plan)
{
    const uint32_t offset = uint32_t(plan.offset);
    uint32_t before = 0;
    function.ReadDeviceData(entry.bar, offset, &before, plan.width, 1);
    const bool written = function.WriteDeviceData(entry.bar, offset, &plan.value, plan.width, 1);
    uint32_t readBack = 0;
    function.ReadDeviceData(entry.bar, offset, &readBack, plan.width, 1);
    recorder.RecordBarUnit(function, entry.bar, plan.offset, plan.width, before, plan.value, readBack, !written);
}

// What became of the undo the journal's last entry records, in the status bar's words.
std::string DescribeOutcome(const CPciFunction& function, const CJournalEntry& entry, const CJournalEntry& undo)
{
    const std::string where = CWriteJournal::FormatFunction(entry.segment, entry.bus, entry.device, entry.function);
    const std::string what = T::Format("%s %s at %s", entry.target.c_str(), entry.reg.c_str(), where.c_str());
    switch (undo.result) {
    case CJournalEntry::EResult::kRefused: return "The undo of " + what + " was refused by the driver";
    case CJournalEntry::EResult::kKept: return "Undid " + what + ": read back " + Hex(undo.readBack, undo.width);
    case CJournalEntry::EResult::kDiffers: break;
    }
    std::string text = "Undid " + what + ": read back " + Hex(undo.readBack, undo.width) + ", predicted " +
        Hex(undo.predicted, undo.width);
    if (undo.kind == CJournalEntry::EKind::kConfig) {
        const std::string difference =
            CWriteEffect::DescribeDifference(function.GetSpace(), function.GetSpaceSize(), uint32_t(undo.offset),
                                             undo.width, undo.predicted, undo.readBack);
        if (!difference.empty())
            text += " (" + difference + ")";
    }
    return text;
}

} // namespace

CPciFunction* CJournalUndo::FindFunction(CPciFunction& root, uint16_t segment, uint32_t bus, uint32_t device,
                                         uint32_t function)
{
    if (!root.IsPlaceholder() && root.m_segment == segment && root.m_bus == bus && root.m_device == device &&
        root.m_function == function)
        return &root;
    for (const auto& child : root.m_children)
        if (CPciFunction* found = FindFunction(*child, segment, bus, device, function))
            return found;
    for (const CPciFunction::CRootBus& rootBus : root.m_rootBuses)
        for (const auto& top : rootBus.functions)
            if (CPciFunction* found = FindFunction(*top, segment, bus, device, function))
                return found;
    return nullptr;
}

long CJournalUndo::LastUndoable(const CWriteJournal& journal)
{
    const auto& entries = journal.Entries();
    for (size_t i = entries.size(); i-- > 0;) {
        const CJournalEntry& entry = entries[i];
        if (entry.kind != CJournalEntry::EKind::kBarProbe && entry.result != CJournalEntry::EResult::kRefused &&
            !entry.undone && !entry.isUndo)
            return long(i);
    }
    return -1;
}

bool CJournalUndo::Undo(CWriteJournal& journal, CJournalRecorder& recorder, size_t index, CPciFunction& root,
                        std::string* status)
{
    if (index >= journal.Entries().size()) {
        *status = "Nothing to undo";
        return false;
    }
    const CJournalEntry entry = journal.Entries()[index];
    const std::string where = CWriteJournal::FormatFunction(entry.segment, entry.bus, entry.device, entry.function);
    CPciFunction* function = FindFunction(root, entry.segment, entry.bus, entry.device, entry.function);
    if (!function) {
        *status = "Cannot undo: no function answers at " + where + " now";
        return false;
    }
    const CWriteUndo::CPlan plan = CWriteUndo::Plan(entry, function->GetSpace(), function->GetSpaceSize(),
                                                    function->GetVendorId(), function->GetDeviceId());
    if (!plan.possible) {
        *status = WithNotes(plan.refusal, plan.notes);
        return false;
    }
    recorder.SetUndoing(true);
    const size_t recorded = journal.RecordedCount();
    const size_t dropped = journal.Dropped();
    if (entry.kind == CJournalEntry::EKind::kBar) {
        UndoBarUnit(*function, recorder, entry, plan);
    } else {
        const CPciFunction::CWriteResult result =
            function->Write(uint32_t(plan.offset), plan.width, plan.value, plan.mask);
        // A tree nobody observes still leaves the undo in the journal.
        if (journal.RecordedCount() == recorded)
            recorder.OnConfigWrite(*function, uint32_t(plan.offset), plan.width, plan.mask, result,
                                   function->TakeWriteError() != ERROR_SUCCESS);
    }
    recorder.SetUndoing(false);
    // The record of the undo may have pushed the oldest entries out.
    const size_t shift = journal.Dropped() - dropped;
    const CJournalEntry& undo = journal.Entries().back();
    const bool refused = undo.result == CJournalEntry::EResult::kRefused;
    if (!refused && index >= shift)
        journal.MarkUndone(index - shift);
    *status = WithNotes(DescribeOutcome(*function, entry, undo), plan.notes);
    return !refused;
}
