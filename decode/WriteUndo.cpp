#include "decode/WriteUndo.h"

#include "decode/DecodeText.h"
#include "decode/WriteEffect.h"

#include "pci/RegisterLocator.h"

namespace {

using T = CDecodeText;

CWriteUndo::CPlan Refuse(std::string why)
{
    CWriteUndo::CPlan plan;
    plan.refusal = std::move(why);
    return plan;
}

} // namespace

CWriteUndo::CPlan CWriteUndo::Plan(const CJournalEntry& entry, const uint8_t* space, uint32_t size, uint16_t vendorId,
                                   uint16_t deviceId)
{
    const std::string where = CWriteJournal::FormatFunction(entry.segment, entry.bus, entry.device, entry.function);
    if (entry.kind == CJournalEntry::EKind::kBarProbe)
        return Refuse("A BAR probe restores what it wrote: there is nothing to undo");
    if (entry.result == CJournalEntry::EResult::kRefused)
        return Refuse("The write was refused: there is nothing to undo");
    if (vendorId != entry.vendorId || deviceId != entry.deviceId)
        return Refuse(T::Format("Cannot undo: the function at %s is now %04x:%04x, not %04x:%04x", where.c_str(),
                                vendorId, deviceId, entry.vendorId, entry.deviceId));
    CPlan plan;
    plan.possible = true;
    plan.offset = entry.offset;
    plan.width = entry.width;
    plan.value = entry.before;
    if (entry.kind == CJournalEntry::EKind::kBar) {
        plan.mask = pci::RegisterMask(entry.width);
        return plan;
    }
    const uint32_t offset = uint32_t(entry.offset);
    const pci::CRegisterBits bits = pci::DescribeWindow(space, size, offset, entry.width);
    const uint32_t changed = (entry.before ^ entry.readBack) & entry.mask;
    plan.mask = changed & bits.writable;
    if (const uint32_t cleared = entry.before & ~entry.readBack & bits.clear & entry.mask)
        plan.notes.push_back(CWriteEffect::NameBits(space, size, offset, entry.width, cleared) +
                             " cannot be set again: software can only clear them");
    if (const uint32_t fixed = changed & ~bits.writable & ~bits.clear)
        plan.notes.push_back(CWriteEffect::NameBits(space, size, offset, entry.width, fixed) +
                             " changed without software: they are read-only");
    if (plan.mask == 0) {
        plan.possible = false;
        plan.refusal = "Nothing to undo: the write changed no bit software can set back";
    }
    return plan;
}
