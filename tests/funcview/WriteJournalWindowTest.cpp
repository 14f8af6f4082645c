// The Write Journal window over a journal kept in memory: its rows, Undo of the selected
// row, rows added while it is open, the cap note, Ctrl+C and Export as setpci.
#include <fstream>
#include <iterator>
#include <sstream>

#include "decode/WriteJournal.h"
#include "tests/funcview/FunctionViewFixture.h"
#include "views/WriteJournalWindow.h"

namespace {

constexpr char kProgram[] = "brisco";
constexpr char kUndoneText[] = "Undid the write";

CJournalEntry Entry(CJournalEntry::EKind kind, const char* reg, uint32_t width, uint32_t before, uint32_t written,
                    CJournalEntry::EResult result)
{
    CJournalEntry entry;
    entry.timeMs = 1796676060000; // 2026-12-07 20:41:00 UTC
    entry.bus = 0x00;
    entry.device = 0x1f;
    entry.function = 3;
    entry.vendorId = 0x8086;
    entry.deviceId = 0xa348;
    entry.page = kind == CJournalEntry::EKind::kConfig ? "Configuration Space" : "BAR 2";
    entry.kind = kind;
    entry.reg = reg;
    entry.bar = kind == CJournalEntry::EKind::kConfig ? -1 : 2;
    entry.width = width;
    entry.before = before;
    entry.written = written;
    entry.mask = width == 1 ? 0xff : 0xffff;
    entry.readBack = written & ~0x10u;
    entry.predicted = written;
    entry.result = result;
    if (kind == CJournalEntry::EKind::kBarProbe)
        entry.note = "1 MiB, restored";
    return entry;
}

class WriteJournalWindowTest : public FunctionViewTest {
protected:
    void SetUp() override
    {
        FunctionViewTest::SetUp();
        m_journal.Record(Entry(CJournalEntry::EKind::kConfig, "06.W", 2, 0x2010, 0x2000, CJournalEntry::EResult::kKept));
        m_journal.Record(Entry(CJournalEntry::EKind::kBar, "BAR2+0100.B", 1, 0x00, 0xa5, CJournalEntry::EResult::kDiffers));
        m_journal.Record(Entry(CJournalEntry::EKind::kBarProbe, "", 4, 0, 0, CJournalEntry::EResult::kKept));
        auto undo = [this](size_t index, std::string* status) {
            m_undone.push_back(index);
            *status = kUndoneText;
            return true;
        };
        auto status = [this](const std::string& text) { m_statusBar = text; };
        m_window = std::make_unique<CWriteJournalWindow>(m_journal, undo, status, kProgram);
        ASSERT_TRUE(m_window->Open(s_host));
        CTestSeams::PumpUntilIdle();
    }
    void TearDown() override
    {
        m_window->DestroyWindow();
        FunctionViewTest::TearDown();
    }
    std::string Cell(int row, int column) { return m_window->GetList().GetItemText(row, column); }
    void SelectOnly(int row)
    {
        CListCtrl& list = m_window->GetList();
        for (int other = 0; other < list.GetItemCount(); ++other)
            list.SetItemState(other, other == row ? LVIS_SELECTED | LVIS_FOCUSED : 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::string StatusLine() const
    {
        char text[512] = {};
        ::GetDlgItemTextA(m_window->m_hWnd, IDC_JOURNAL_STATUS, text, sizeof text);
        return text;
    }

    CWriteJournal m_journal;
    std::unique_ptr<CWriteJournalWindow> m_window;
    std::vector<size_t> m_undone;
    std::string m_statusBar;
};

TEST_F(WriteJournalWindowTest, RowsShowEachWriteNewestLast)
{
    struct CRowCase {
        int row;
        std::vector<std::string> cells;
    };
    const CRowCase cases[] = {
        {0, {"2026-12-07 20:41:00.000 UTC", "00:1f.3", "8086:a348", "Configuration Space", "06.W", "2", "2010", "2000",
             "ffff", "2000", "kept"}},
        {1, {"2026-12-07 20:41:00.000 UTC", "00:1f.3", "8086:a348", "BAR 2", "BAR2+0100.B", "1", "00", "a5", "ff", "a5",
             "differs, predicted a5"}},
        {2, {"2026-12-07 20:41:00.000 UTC", "00:1f.3", "8086:a348", "BAR 2", "probed BAR 2", "", "", "", "", "",
             "1 MiB, restored"}},
    };
    ASSERT_EQ(static_cast<int>(std::size(cases)), m_window->GetList().GetItemCount());
    for (const CRowCase& rowCase : cases) {
        for (size_t column = 0; column < rowCase.cells.size(); ++column)
            EXPECT_EQ(rowCase.cells[column], Cell(rowCase.row, static_cast<int>(column)))
                << "row " << rowCase.row << ", column " << column;
    }
}

TEST_F(WriteJournalWindowTest, UndoTakesTheSelectedRowAndSaysWhatCameOfIt)
{
    ::SendMessageA(m_window->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_JOURNAL_UNDO, BN_CLICKED), 0);
    EXPECT_TRUE(m_undone.empty()) << "nothing selected, nothing undone";
    EXPECT_EQ("Select the write to undo first.", StatusLine());

    SelectOnly(1);
    ::SendMessageA(m_window->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_JOURNAL_UNDO, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<size_t>{1}, m_undone);
    m_journal.MarkUndone(1);
    EXPECT_EQ("differs, predicted a5, undone", Cell(1, 10)) << "an entry taken back says so";
    EXPECT_EQ(kUndoneText, StatusLine());
    EXPECT_EQ(kUndoneText, m_statusBar) << "the status bar says it too";
}

TEST_F(WriteJournalWindowTest, RowsAddedWhileOpenAppearAndTheCapIsNoted)
{
    SelectOnly(0);
    m_journal.Record(Entry(CJournalEntry::EKind::kConfig, "3C.B", 1, 0x0b, 0x5a, CJournalEntry::EResult::kRefused));
    ::Sleep(2 * CWriteJournalWindow::kRefreshPeriodMs);
    CTestSeams::PumpUntilIdle();
    ASSERT_EQ(4, m_window->GetList().GetItemCount()) << "the timer shows a new entry";
    EXPECT_EQ("3C.B", Cell(3, 4));
    EXPECT_EQ("", Cell(3, 9)) << "a refused write read nothing back";
    EXPECT_EQ(LVIS_SELECTED, m_window->GetList().GetItemState(0, LVIS_SELECTED)) << "the selection stays";
    EXPECT_EQ("", StatusLine());

    while (m_journal.Dropped() == 0)
        m_journal.Record(Entry(CJournalEntry::EKind::kConfig, "04.W", 2, 0, 6, CJournalEntry::EResult::kKept));
    m_window->RefreshIfChanged();
    EXPECT_EQ(static_cast<int>(CWriteJournal::kMaxEntries), m_window->GetList().GetItemCount());
    EXPECT_EQ(m_journal.CapNote(), StatusLine());
}

TEST_F(WriteJournalWindowTest, CtrlCCopiesSelectedRowsAndExportWritesSetpciCommands)
{
    SelectOnly(0);
    ::SetFocus(m_window->GetList().m_hWnd);
    CTestSeams::PressKey('C', false, true);
    const std::string copied = ClipboardText();
    EXPECT_EQ(0u, copied.find("Time\tFunction\tVendor:Device\t")) << copied;
    EXPECT_NE(std::string::npos, copied.find("\t06.W\t2\t2010\t2000\tffff\t2000\tkept\r\n")) << copied;
    EXPECT_EQ(std::string::npos, copied.find("BAR2+0100.B")) << "only the selected row";

    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "brisco-journal-export-test.sh";
    CTestSeams::s_fileDialog = [&path](bool save, std::string& chosen) {
        EXPECT_TRUE(save);
        chosen = path;
        return true;
    };
    ::SendMessageA(m_window->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_JOURNAL_EXPORT, BN_CLICKED), 0);
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string exported = text.str();
    EXPECT_NE(std::string::npos, exported.find("setpci -s 00:1f.3 -d 8086:a348 06.W=2000:ffff")) << exported;
    EXPECT_NE(std::string::npos, exported.find("cannot write a BAR's range")) << "BAR units stay comments: " << exported;
    file.close();
    ::DeleteFileA(path.c_str());
}

} // namespace
