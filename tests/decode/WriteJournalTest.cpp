// The journal's lines, its file as a killed program leaves it, and the cap.
#include "decode/WriteJournal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

constexpr int64_t kTime = 1796683263120; // 2026-12-07 22:41:03.120 UTC

CJournalEntry Entry(CJournalEntry::EResult result = CJournalEntry::EResult::kKept)
{
    CJournalEntry entry;
    entry.timeMs = kTime;
    entry.bus = 0;
    entry.device = 0x1f;
    entry.function = 3;
    entry.vendorId = 0x8086;
    entry.deviceId = 0xa348;
    entry.page = "Configuration Space";
    entry.target = "Status Register";
    entry.reg = "06.W";
    entry.width = 2;
    entry.before = 0x2010;
    entry.written = 0x2000;
    entry.mask = 0x2000;
    entry.readBack = 0x0010;
    entry.predicted = 0x0010;
    entry.result = result;
    return entry;
}

TEST(WriteJournalTest, LinesCarryTheWriteAndItsOutcome)
{
    CJournalEntry differs = Entry(CJournalEntry::EResult::kDiffers);
    differs.readBack = 0x2010;
    CJournalEntry refused = Entry(CJournalEntry::EResult::kRefused);
    refused.note = "the host owns these bits";
    CJournalEntry probe = Entry();
    probe.kind = CJournalEntry::EKind::kBarProbe;
    probe.bar = 2;
    probe.page = "BAR 2";
    probe.target.clear();
    probe.note = "1 MiB, restored";
    CJournalEntry segment = Entry();
    segment.segment = 1;
    segment.reg = "CAP_EXP+10.W";
    const struct
    {
        const char* name;
        CJournalEntry entry;
        const char* line;
    } cases[] = {
        {"kept", Entry(),
         "00:1f.3 8086:a348 06.W=2000:2000  # 2026-12-07 22:41:03.120 UTC Configuration Space, Status Register: "
         "before 2010, read back 0010, kept"},
        {"differs", differs,
         "00:1f.3 8086:a348 06.W=2000:2000  # 2026-12-07 22:41:03.120 UTC Configuration Space, Status Register: "
         "before 2010, read back 2010, predicted 0010, differs from the prediction"},
        {"refused", refused,
         "# 00:1f.3 8086:a348  # 2026-12-07 22:41:03.120 UTC Configuration Space, Status Register: before 2010, "
         "refused: the host owns these bits"},
        {"probe", probe, "# 00:1f.3 8086:a348  # 2026-12-07 22:41:03.120 UTC BAR 2: probed BAR 2: 1 MiB, restored"},
        {"segment", segment,
         "0001:00:1f.3 8086:a348 CAP_EXP+10.W=2000:2000  # 2026-12-07 22:41:03.120 UTC Configuration Space, "
         "Status Register: before 2010, read back 0010, kept"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CWriteJournal::FormatLine(c.entry), c.line) << c.name;
}

TEST(WriteJournalTest, FileSurvivesAKillAndMarksACleanEnd)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brisco-journal-test";
    std::filesystem::remove_all(folder);
    const std::string killed = (folder / CWriteJournal::FileName("brisco", kTime, 7)).string();
    const std::string clean = (folder / CWriteJournal::FileName("brisco", kTime + 1000, 8)).string();
    {
        CWriteJournal journal(killed, "brisco");
        journal.Record(Entry());
    }
    std::ofstream(killed, std::ios::app) << "00:1f.3 8086:a348 06.W=20"; // cut mid-line
    {
        CWriteJournal journal(clean, "brisco");
        journal.Record(Entry());
        journal.Close();
    }
    const CWriteJournal::CFileText read = CWriteJournal::ReadFile(killed);
    ASSERT_TRUE(read.opened);
    EXPECT_TRUE(read.torn);
    EXPECT_FALSE(read.endedCleanly);
    ASSERT_EQ(read.lines.size(), 2u);
    EXPECT_EQ(read.lines[1], CWriteJournal::FormatLine(Entry()));
    EXPECT_TRUE(CWriteJournal::ReadFile(clean).endedCleanly);
    EXPECT_EQ(CWriteJournal::FindUnclean(folder.string(), "brisco", clean), killed);
    EXPECT_EQ(CWriteJournal::FindUnclean(folder.string(), "brisco", killed), "");
    EXPECT_EQ(CWriteJournal::FindUnclean(folder.string(), "brisco-dump", ""), "");
    std::filesystem::remove_all(folder);
}

TEST(WriteJournalTest, CapDropsTheOldestAndSaysSo)
{
    CWriteJournal journal;
    for (size_t i = 0; i < CWriteJournal::kMaxEntries + 2; ++i) {
        CJournalEntry entry = Entry();
        entry.before = uint32_t(i);
        journal.Record(entry);
    }
    EXPECT_EQ(journal.Entries().size(), CWriteJournal::kMaxEntries);
    EXPECT_EQ(journal.Entries().front().before, 2u);
    EXPECT_EQ(journal.Dropped(), 2u);
    EXPECT_NE(journal.CapNote().find("2 earlier"), std::string::npos);
}

} // namespace
