// The field pane on the modern machine: clearing one logged AER error through its field
// clears that bit alone, a field a write cannot change does not open, and a field the host
// owns asks first.
#include "tests/funcview/FunctionViewFixture.h"

#include <algorithm>

#include "pci/CommandStatus.h"
#include "views/CapabilitiesPage.h"
#include "views/FieldPane.h"

namespace {

constexpr CFunctionAddress kNic = {3, 0, 0}; // AER at 100h with two uncorrectable errors logged
constexpr uint32_t kUncorrectableStatus = 0x104;
constexpr uint32_t kCompletionTimeout = 1u << 14;
constexpr uint32_t kUnsupportedRequest = 1u << 20;

} // namespace

class FieldPaneTest : public FunctionViewTest {
protected:
    // The Capabilities tab of the NIC with the cursor on its uncorrectable error status.
    CFieldPane& ShowUncorrectableStatus()
    {
        m_nic = ReadFunction(kNic.bus, kNic.device, kNic.function);
        m_nic->ReloadSpace();
        Select(m_nic);
        const std::vector<std::string> tabs = TabTexts();
        const auto tab = std::find(tabs.begin(), tabs.end(), CPciFunctionView::kCapabilitiesTabText);
        EXPECT_NE(tabs.end(), tab);
        ClickTab(int(tab - tabs.begin()));
        CCapabilitiesPage& page = *m_view->GetCapabilitiesPage();
        const auto& rows = page.GetModel().GetRows();
        for (size_t row = 0; row < rows.size(); ++row)
            if (rows[row].offset == kUncorrectableStatus && !rows[row].note && !rows[row].header)
                page.GetList().SetCursorCell(int(row), CCapabilityPageRow::kValueColumn);
        CTestSeams::PumpUntilIdle();
        return page.GetFieldPane();
    }
    static int FieldRow(const CFieldPane& pane, const std::string& name)
    {
        const auto& rows = pane.GetRows().GetRows();
        for (size_t row = 0; row < rows.size(); ++row)
            if (rows[row].name == name)
                return int(row);
        ADD_FAILURE() << "no field " << name;
        return -1;
    }

    CPciFunction* m_nic = nullptr;
};

TEST_F(FieldPaneTest, ClearingOneUncorrectableErrorClearsThatBitAloneWithoutBeep)
{
    CFieldPane& pane = ShowUncorrectableStatus();
    ASSERT_EQ(kCompletionTimeout | kUnsupportedRequest, m_nic->GetSpaceValue(kUncorrectableStatus, 4));
    ASSERT_EQ(kUncorrectableStatus, pane.GetRows().GetOffset());
    const int row = FieldRow(pane, "Completion Timeout");
    ASSERT_EQ("1h", pane.GetList().GetItemText(row, CFieldRow::kValueColumn));

    ASSERT_TRUE(pane.GetList().SetCursorCell(row, CFieldRow::kValueColumn));
    CTestSeams::PressKey(VK_F2, false, false, false, pane.GetList().m_hWnd);
    TypeAndEnd("1", VK_RETURN);
    EXPECT_TRUE(m_beeps.empty()) << "the read-back equals the prediction";
    EXPECT_EQ("0h", pane.GetList().GetItemText(row, CFieldRow::kValueColumn));
    ASSERT_TRUE(m_nic->ReloadSpace());
    EXPECT_EQ(kUnsupportedRequest, m_nic->GetSpaceValue(kUncorrectableStatus, 4))
        << "Unsupported Request is still logged";

    // Ctrl+C copies the fields, one tab-separated line each.
    pane.GetList().SetFocus();
    CTestSeams::PressKey('C', false, true, false, pane.GetList().m_hWnd);
    EXPECT_NE(std::string::npos, ClipboardText().find("14\tCompletion Timeout\t0h\tRW1CS\tclear\r\n"));
}

TEST_F(FieldPaneTest, ReservedFieldDoesNotOpenAnEdit)
{
    CFieldPane& pane = ShowUncorrectableStatus();
    const uint32_t status = m_nic->GetSpaceValue(kUncorrectableStatus, 4);
    ASSERT_TRUE(pane.GetList().SetCursorCell(FieldRow(pane, "Undefined"), CFieldRow::kValueColumn));
    CTestSeams::PressKey(VK_F2, false, false, false, pane.GetList().m_hWnd);
    EXPECT_EQ(nullptr, OpenEdit());
    EXPECT_EQ(1u, m_beeps.size());
    EXPECT_EQ(status, m_nic->GetSpaceValue(kUncorrectableStatus, 4));
}

// On an image, a field the host owns is written only after the user agreed.
TEST_F(FieldPaneTest, HostOwnedFieldAsksFirstOnAnImage)
{
    m_nic = ReadFunction(kNic.bus, kNic.device, kNic.function);
    Select(m_nic);
    const uint32_t command = m_nic->GetSpaceValue(pci::kCommandOffset, 2);
    const int commandRow = 2;
    ASSERT_TRUE(ConfigList().SetCursorCell(commandRow, CRegisterRow::kValueColumn));
    CTestSeams::PumpUntilIdle();
    CFieldPane& pane = m_view->GetConfigSpacePage()->GetFieldPane();
    ASSERT_EQ(uint32_t(pci::kCommandOffset), pane.GetRows().GetOffset());
    const int busMaster = FieldRow(pane, "Bus Master Enable");
    Answer({IDNO});
    ASSERT_TRUE(pane.GetList().SetCursorCell(busMaster, CFieldRow::kValueColumn));
    CTestSeams::PressKey(VK_F2, false, false, false, pane.GetList().m_hWnd);
    TypeAndEnd((command & pci::kCommandBusMaster) != 0 ? "0" : "1", VK_RETURN);
    ASSERT_EQ(1u, m_questions.size());
    EXPECT_EQ(CFieldPane::kHostOwnedQuestion, m_questions[0]);
    EXPECT_EQ(command, m_nic->GetSpaceValue(pci::kCommandOffset, 2)) << "declined: nothing written";
    EXPECT_TRUE(m_beeps.empty());
}
