// What an undo restores, and what it says it cannot.
#include "decode/WriteUndo.h"

#include "pci/ConfigSpace.h"

#include <gtest/gtest.h>

namespace {

TEST(WriteUndoTest, RestoresSettableBitsAndNamesTheRest)
{
    uint8_t space[pci::kConfigSpaceBytes] = {};
    CJournalEntry command;
    command.vendorId = 0x8086;
    command.deviceId = 0x1234;
    command.offset = pci::kCommandOffset;
    command.width = 2;
    command.before = 0x0006;
    command.written = 0x0546;
    command.mask = 0xFFFF;
    command.readBack = 0x0546;
    CJournalEntry status = command;
    status.offset = pci::kStatusOffset;
    status.before = 0x2010;
    status.written = 0x2000;
    status.mask = 0x2000;
    status.readBack = 0x0010;
    CJournalEntry moved = command;
    moved.deviceId = 0x9999;
    CJournalEntry probe = command;
    probe.kind = CJournalEntry::EKind::kBarProbe;
    const struct
    {
        const char* name;
        CJournalEntry entry;
        bool possible;
        uint32_t mask;
        const char* text; // in the refusal or the first note
    } cases[] = {
        {"command: the RW bits it set", command, true, 0x0540, ""},
        {"status: a cleared W1C bit", status, false, 0, "(Received Master Abort) cannot be set again"},
        {"another device now", moved, false, 0, "is now 8086:1234, not 8086:9999"},
        {"a probe", probe, false, 0, "nothing to undo"},
    };
    for (const auto& c : cases) {
        const CWriteUndo::CPlan plan = CWriteUndo::Plan(c.entry, space, sizeof space, 0x8086, 0x1234);
        EXPECT_EQ(plan.possible, c.possible) << c.name;
        EXPECT_EQ(plan.mask, c.mask) << c.name;
        const std::string text = plan.refusal + (plan.notes.empty() ? "" : " " + plan.notes.front());
        EXPECT_NE(text.find(c.text), std::string::npos) << c.name << ": " << text;
    }
}

} // namespace
