// Undo of journal entries on the simulated default machine: the write observer's entries, the
// undo found again on a rescanned tree, W1C bits and a function whose IDs changed meanwhile.
#include "CompatMachine.h"
#include "decode/JournalRecorder.h"
#include "decode/JournalUndo.h"
#include "device/PciFunction.h"
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr uint32_t kCommand = 0x04;
constexpr uint32_t kStatus = 0x06;
constexpr uint32_t kDeviceIdLow = 0x02;
constexpr uint32_t kReceivedMasterAbort = 0x2000;
constexpr uint32_t kDecodeAndMaster = 0x0007;

class JournalUndoTest : public testing::Test {
protected:
    void SetUp() override
    {
        CompatUseDefaultMachine();
        m_driver = CreateFileA("\\\\.\\briscodrvDevice", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(m_driver, INVALID_HANDLE_VALUE);
        Rescan();
    }

    void TearDown() override
    {
        m_root.reset();
        CloseHandle(m_driver);
        CompatUseDefaultMachine();
    }

    // A new tree, as Refresh builds it: the journal's entries must not depend on the old one.
    void Rescan()
    {
        m_root = std::make_unique<CPciFunction>(m_driver);
        m_root->SetWriteObserver(&m_recorder);
    }

    CPciFunction& At(uint32_t device)
    {
        CPciFunction* function = CJournalUndo::FindFunction(*m_root, 0, 0, device, 0);
        EXPECT_NE(function, nullptr) << "no function at 00:" << device << ".0";
        return *function;
    }

    HANDLE m_driver = INVALID_HANDLE_VALUE;
    CWriteJournal m_journal;
    CJournalRecorder m_recorder{m_journal};
    std::unique_ptr<CPciFunction> m_root;
};

TEST_F(JournalUndoTest, CommandEditIsUndoneOnARescannedTree)
{
    const uint32_t before = At(0x0b).GetSpaceValue(kCommand, 2);
    At(0x0b).Write(kCommand, 2, 0, kDecodeAndMaster);
    ASSERT_EQ(m_journal.Entries().size(), 1u);
    const CJournalEntry& edit = m_journal.Entries()[0];
    EXPECT_EQ(edit.reg, "04.W");
    EXPECT_EQ(edit.target, "Command Register");
    EXPECT_EQ(edit.deviceId, 0x9055);
    EXPECT_EQ(edit.result, CJournalEntry::EResult::kKept);
    EXPECT_EQ(At(0x0b).GetSpaceValue(kCommand, 2), before & ~kDecodeAndMaster);

    Rescan();
    std::string status;
    ASSERT_EQ(CJournalUndo::LastUndoable(m_journal), 0);
    EXPECT_TRUE(CJournalUndo::Undo(m_journal, m_recorder, 0, *m_root, &status)) << status;
    EXPECT_EQ(At(0x0b).GetSpaceValue(kCommand, 2), before) << status;
    EXPECT_NE(status.find("Undid Command Register 04.W at 00:0b.0"), std::string::npos) << status;
    ASSERT_EQ(m_journal.Entries().size(), 2u);
    EXPECT_TRUE(m_journal.Entries()[0].undone);
    EXPECT_TRUE(m_journal.Entries()[1].isUndo);
    EXPECT_EQ(m_journal.Entries()[1].page, CJournalRecorder::kUndoPage);
    // Neither the write taken back nor the undo itself is offered again.
    EXPECT_EQ(CJournalUndo::LastUndoable(m_journal), -1);
}

TEST_F(JournalUndoTest, AProbeIsOneEntryAndFunctionsBehindBridgesAreObserved)
{
    EXPECT_EQ(At(0x0b).ProbeBarSize(1), 128u);
    ASSERT_EQ(m_journal.Entries().size(), 1u) << "the sizing writes are one entry";
    const CJournalEntry& probe = m_journal.Entries()[0];
    EXPECT_EQ(probe.kind, CJournalEntry::EKind::kBarProbe);
    EXPECT_EQ(probe.bar, 1);
    EXPECT_EQ(probe.note, "128 bytes, restored");
    EXPECT_EQ(CJournalUndo::LastUndoable(m_journal), -1) << "a probe has nothing to undo";
    CPciFunction* behind = CJournalUndo::FindFunction(*m_root, 0, 1, 0, 0);
    ASSERT_NE(behind, nullptr);
    behind->Write(0x3c, 1, 0x0b, 0xff);
    ASSERT_EQ(m_journal.Entries().size(), 2u) << "a function behind a bridge reports its writes";
    EXPECT_EQ(m_journal.Entries()[1].bus, 1u);
}

TEST_F(JournalUndoTest, ClearedStatusBitCannotBeSetAgain)
{
    ASSERT_NE(At(0).GetSpaceValue(kStatus, 2) & kReceivedMasterAbort, 0u);
    At(0).Write(kStatus, 2, kReceivedMasterAbort, kReceivedMasterAbort);
    ASSERT_EQ(m_journal.Entries().size(), 1u);
    EXPECT_EQ(At(0).GetSpaceValue(kStatus, 2) & kReceivedMasterAbort, 0u);
    std::string status;
    EXPECT_FALSE(CJournalUndo::Undo(m_journal, m_recorder, 0, *m_root, &status));
    EXPECT_NE(status.find("Received Master Abort"), std::string::npos) << status;
    EXPECT_NE(status.find("cannot be set again"), std::string::npos) << status;
    EXPECT_EQ(m_journal.Entries().size(), 1u) << "a refused undo writes nothing";
}

TEST_F(JournalUndoTest, FunctionWithAnotherDeviceIdIsNotTouched)
{
    At(0x0b).Write(kCommand, 2, 0, kDecodeAndMaster);
    const uint32_t edited = At(0x0b).GetSpaceValue(kCommand, 2);
    CompatMachine().FindFunction(0, 0x0b, 0)->m_config[kDeviceIdLow] ^= 1;
    Rescan();
    std::string status;
    EXPECT_FALSE(CJournalUndo::Undo(m_journal, m_recorder, 0, *m_root, &status));
    EXPECT_NE(status.find("now 10b7:9054, not 10b7:9055"), std::string::npos) << status;
    EXPECT_EQ(At(0x0b).GetSpaceValue(kCommand, 2), edited);
    EXPECT_FALSE(m_journal.Entries()[0].undone);
}

} // namespace
