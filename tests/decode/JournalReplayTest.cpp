// Journal and setpci lines read back for a replay, their setpci export, and registers named so
// that a replay reaches them wherever their capability sits.
#include "decode/JournalReplay.h"
#include "pci/ByteOrder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(JournalReplay, ReadsJournalAndSetpciLines)
{
    const std::string text = "# Brisco write journal of brisco\n"
                             "\n"
                             "00:1f.3 8086:a348 CAP_EXP+10.W=0040:0040  # 2026-12-07 before 0000\n"
                             "0001:02:00.0 10de:1234 BAR2+0100.B=5a:ff  # before 00\n"
                             "setpci -s 00:1f.3 -d 8086: 06.W=2000 COMMAND=0406:0004\n"
                             "setpci -d :a348 04.B=7\n";
    std::string error;
    const auto lines = CJournalReplay::Parse(text, &error);
    ASSERT_TRUE(lines) << error;
    ASSERT_EQ(lines->size(), 4u);
    const CReplayLine& cap = (*lines)[0];
    EXPECT_EQ(cap.number, 3);
    EXPECT_EQ(cap.address, (CFunctionAddress{0, 0, 0x1f, 3}));
    EXPECT_EQ(cap.vendorId, 0x8086);
    EXPECT_EQ(cap.deviceId, 0xa348);
    EXPECT_EQ(cap.writes[0].text, "CAP_EXP+10.W=0040:0040");
    EXPECT_EQ(cap.writes[0].bar, -1);
    const CReplayWrite& bar = (*lines)[1].writes[0];
    EXPECT_EQ((*lines)[1].address, (CFunctionAddress{1, 2, 0, 0}));
    EXPECT_EQ(bar.bar, 2);
    EXPECT_EQ(bar.offset, 0x100u);
    EXPECT_EQ(bar.width, 1u);
    EXPECT_EQ(bar.value, 0x5au);
    EXPECT_EQ(bar.mask, 0xffu);
    EXPECT_TRUE((*lines)[2].setpci);
    EXPECT_EQ((*lines)[2].writes.size(), 2u);
    EXPECT_EQ((*lines)[2].vendorId, 0x8086);
    EXPECT_FALSE((*lines)[2].deviceId);
    EXPECT_FALSE((*lines)[3].address);
    EXPECT_EQ((*lines)[3].deviceId, 0xa348);
}

TEST(JournalReplay, RefusesBadLinesByNumber)
{
    const struct
    {
        const char* line;
        const char* error; // part of the message after "line 2: "
    } cases[] = {
        {"00:1f.3 8086:a348", "expected ADDRESS"},
        {"00:1g.3 8086:a348 06.W=1", "bad function '00:1g.3'"},
        {"00:1f.3 8086 06.W=1", "bad vendor:device"},
        {"00:1f.3 8086:a348 06.W", "reads a register"},
        {"00:1f.3 8086:a348 BAR6+00.B=1", "BAR6 does not exist"},
        {"00:1f.3 8086:a348 BAR0+01.W=1", "not aligned"},
        {"00:1f.3 8086:a348 BAR0+00.B=100", "wider than the unit"},
        {"00:1f.3 8086:a348 BAR0+00=1", "expected BARn+OFFSET.W"},
        {"setpci -s 00:1f.3", "no REG=VALUE"},
        {"setpci -v -s 00:1f.3 04.B=1", "option -v"},
        {"setpci -s 00:1f.3 BAR0+00.B=1", "setpci cannot write a BAR"},
        {"setpci -d 8086:xyz 04.B=1", "bad -d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        EXPECT_FALSE(CJournalReplay::Parse(std::string("# header\n") + c.line + "\n", &error));
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(JournalReplay, ExportsSetpciCommandsAndLeavesBarWritesAsComments)
{
    const std::string journal = "# Brisco write journal of brisco\n"
                                "00:1f.3 8086:a348 CAP_EXP+10.W=0040:0040  # before 0000\n"
                                "# 00:1f.3 8086:a348  # probed BAR 2: 1 MiB, restored\n"
                                "00:1f.3 8086:a348 BAR2+0100.B=5a:ff  # before 00\n";
    std::string error;
    const auto setpci = CJournalReplay::ExportAsSetpci(journal, &error);
    ASSERT_TRUE(setpci) << error;
    EXPECT_EQ(*setpci,
              "# Brisco write journal of brisco\n"
              "setpci -s 00:1f.3 -d 8086:a348 CAP_EXP+10.W=0040:0040  # before 0000\n"
              "# 00:1f.3 8086:a348  # probed BAR 2: 1 MiB, restored\n"
              "# setpci cannot write a BAR's range: 00:1f.3 8086:a348 BAR2+0100.B=5a:ff\n");
    // The export reads back as the same writes, and exports to itself.
    const auto again = CJournalReplay::ExportAsSetpci(*setpci, &error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(*again, *setpci);
    EXPECT_FALSE(CJournalReplay::ExportAsSetpci("00:1f.3 8086:a348 06.W\n", &error));
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
}

TEST(JournalReplay, LeavesOutOnlyAJournalsTornLastLine)
{
    std::string note;
    const std::string whole = "# Brisco write journal of brisco\n00:1f.3 8086:a348 06.W=2000:2000  # kept\n";
    EXPECT_EQ(CJournalReplay::DropTornLine(whole + "00:1f.3 8086:a348 06.W=20", &note), whole);
    EXPECT_NE(note.find("line 3"), std::string::npos) << note;
    EXPECT_EQ(CJournalReplay::DropTornLine(whole, &note), whole);
    EXPECT_EQ(note, "");
    // A file written by hand may simply lack its last line end.
    EXPECT_EQ(CJournalReplay::DropTornLine("setpci 04.B=1", &note), "setpci 04.B=1");
    EXPECT_EQ(note, "");
}

TEST(JournalReplay, NamesRegistersByTheirCapability)
{
    // Power Management at 40h, a second one at 50h, AER at 100h, a vendor entry at 140h.
    std::vector<uint8_t> space(4096);
    pci::PutLe16(&space[0x06], 0x0010);
    space[0x34] = 0x40;
    space[0x40] = 0x01;
    space[0x41] = 0x50;
    space[0x50] = 0x01;
    pci::PutLe32(&space[0x100], 0x14010001);
    pci::PutLe32(&space[0x140], 0x0001000b);
    const struct
    {
        uint32_t offset, width;
        const char* reg;
    } cases[] = {
        {0x06, 2, "06.W"},           {0x3c, 1, "3C.B"},          {0x44, 2, "CAP_PM+04.W"},
        {0x54, 2, "54.W"},           {0x104, 4, "ECAP_AER+04.L"}, {0x140, 4, "ECAP_VNDR+00.L"},
        {0x80, 4, "80.L"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CJournalReplay::FormatRegister(space.data(), uint32_t(space.size()), c.offset, c.width), c.reg)
            << std::hex << c.offset;
    EXPECT_EQ(CJournalReplay::FormatBarRegister(2, 0x100, 1), "BAR2+0100.B");
}

} // namespace
