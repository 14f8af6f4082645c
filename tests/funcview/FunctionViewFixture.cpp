#include "tests/funcview/FunctionViewFixture.h"

#include <string.h>

#include "app/BriscoDoc.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/support/StartedApp.h"
#include "views/ViewHints.h"

namespace {

constexpr char kDriverPath[] = "\\\\.\\briscodrvDevice";
constexpr int kHostWidth = 1000;
constexpr int kHostHeight = 600;

} // namespace

struct FunctionViewTest::CKnownFunction {
    std::unique_ptr<CPciFunction> function;
    uint32_t barSizes[pci::kMaxBars];
};

HANDLE FunctionViewTest::s_driver = INVALID_HANDLE_VALUE;
std::vector<FunctionViewTest::CKnownFunction>* FunctionViewTest::s_functions = nullptr;
CWnd* FunctionViewTest::s_host = nullptr;

void FunctionViewTest::SetUpTestSuite()
{
    // A bare application: the suite's host window becomes its main window.
    static CStartedApp<CWinApp> app;
    s_driver = ::CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    s_functions = new std::vector<CKnownFunction>;
    s_host = new CWnd;
    s_host->CreateEx(0, AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW)), "Function view test",
                     WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, kHostWidth, kHostHeight, nullptr, nullptr);
    app.m_pMainWnd = s_host;
    s_host->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(s_host->m_hWnd);
}

void FunctionViewTest::TearDownTestSuite()
{
    AfxGetApp()->m_pMainWnd = nullptr;
    s_host->DestroyWindow();
    delete s_host;
    s_host = nullptr;
    delete s_functions;
    s_functions = nullptr;
    if (s_driver != INVALID_HANDLE_VALUE)
        ::CloseHandle(s_driver);
}

void FunctionViewTest::SetUp()
{
    ASSERT_NE(INVALID_HANDLE_VALUE, s_driver) << "the stand-in driver must be running";
    CBarPage::ResetDisplaySettings();
    CTestSeams::s_messageBox = [this](const CMessageBoxRequest& request) {
        m_questions.push_back(request.text);
        EXPECT_EQ("Warning", request.caption);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION), request.type);
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << request.text;
            return IDNO;
        }
        const int answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    };
    CTestSeams::s_beep = [this](UINT type) { m_beeps.push_back(type); };

    m_view = new CPciFunctionView;
    CRect client;
    s_host->GetClientRect(&client);
    ASSERT_TRUE(m_view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, client, s_host, AFX_IDW_PANE_FIRST));
    m_view->OnInitialUpdate();
    // The pane is sized once more after the initial update, as the splitter does.
    m_view->SetWindowPos(nullptr, 0, 0, client.Width(), client.Height(), SWP_NOZORDER);
    m_view->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    ::SetFocus(m_view->m_hWnd);
    CTestSeams::PumpUntilIdle();
}

void FunctionViewTest::TearDown()
{
    if (m_view != nullptr)
        m_view->DestroyWindow();
    CTestSeams::PumpUntilIdle();
    CTestSeams::Reset();
    EXPECT_TRUE(m_answers.empty()) << "questions expected but not asked: " << m_answers.size();
}

CPciFunction* FunctionViewTest::ReadFunction(uint32_t bus, uint32_t device, uint32_t function) const
{
    for (CKnownFunction& known : *s_functions) {
        CPciFunction& f = *known.function;
        if (f.m_bus == bus && f.m_device == device && f.m_function == function) {
            EXPECT_TRUE(f.ReadConfigSpace(bus, device, function, f.m_image));
            memcpy(f.m_lastRead, f.m_image, pci::kConfigSpaceBytes);
            memcpy(f.m_barSizes, known.barSizes, sizeof f.m_barSizes);
            return &f;
        }
    }
    CKnownFunction known;
    known.function = std::make_unique<CPciFunction>(s_driver, bus, device, function);
    memcpy(known.barSizes, known.function->m_barSizes, sizeof known.barSizes);
    s_functions->push_back(std::move(known));
    return s_functions->back().function.get();
}

void FunctionViewTest::Select(CPciFunction* function)
{
    m_view->OnUpdate(nullptr, CViewHints::HINT_SELECTION_CHANGED, CViewHints::HintFromFunction(function));
    CTestSeams::PumpUntilIdle();
}

// The tab row's notifications, as a click on a tab sends them.
void FunctionViewTest::ClickTab(int index)
{
    CCustomTabCtrl& tabs = m_view->GetTabCtrl();
    NMHDR header = {tabs.m_hWnd, IDC_FUNCTION_TABS, static_cast<UINT>(TCN_SELCHANGING)};
    m_view->SendMessage(WM_NOTIFY, IDC_FUNCTION_TABS, reinterpret_cast<LPARAM>(&header));
    tabs.SetCurSel(index);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    m_view->SendMessage(WM_NOTIFY, IDC_FUNCTION_TABS, reinterpret_cast<LPARAM>(&header));
    CTestSeams::PumpUntilIdle();
}

std::vector<std::string> FunctionViewTest::TabTexts() const
{
    std::vector<std::string> texts;
    CCustomTabCtrl& tabs = m_view->GetTabCtrl();
    for (int i = 0; i < tabs.GetItemCount(); ++i) {
        char text[64] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        tabs.GetItem(i, &item);
        texts.push_back(item.pszText);
    }
    return texts;
}

int FunctionViewTest::CurrentTab() const
{
    return m_view->GetTabCtrl().GetCurSel();
}

CEditListCtrl& FunctionViewTest::ConfigList() const
{
    return m_view->GetConfigSpacePage()->GetList();
}

CListCtrl& FunctionViewTest::BarList(int barIndex) const
{
    return *static_cast<CListCtrl*>(m_view->GetDlgItem(IDC_BAR0_LIST + barIndex));
}

CBarPage* FunctionViewTest::BarPage(int barIndex) const
{
    CCustomTabCtrl& tabs = m_view->GetTabCtrl();
    for (int i = 1; i < tabs.GetItemCount(); ++i) {
        CFunctionPage* page = m_view->GetPage(i);
        if (page->GetPageKind() == CFunctionPage::kBarPageKind &&
            static_cast<CBarPage*>(page)->GetBarIndex() == barIndex)
            return static_cast<CBarPage*>(page);
    }
    return nullptr;
}

void FunctionViewTest::Paint() const
{
    m_view->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    CTestSeams::PumpUntilIdle();
}

std::vector<std::string> FunctionViewTest::Headings(CListCtrl& list) const
{
    std::vector<std::string> headings;
    for (int i = 0;; ++i) {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        if (!list.GetColumn(i, &column))
            break;
        headings.push_back(text);
    }
    return headings;
}

CPoint FunctionViewTest::CellMiddle(CListCtrl& list, int row, int column)
{
    CRect cell;
    list.GetSubItemRect(row, column, LVIR_BOUNDS, cell);
    if (column == 0) {
        // The first column's sub-item rectangle is the whole row.
        cell.right = cell.left + list.GetColumnWidth(0);
    }
    return CPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

void FunctionViewTest::DoubleClickCell(CListCtrl& list, int row, int column) const
{
    const CPoint middle = CellMiddle(list, row, column);
    list.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    CTestSeams::PumpUntilIdle();
}

HWND FunctionViewTest::OpenEdit() const
{
    HWND focus = ::GetFocus();
    return focus != nullptr && ::GetDlgCtrlID(focus) == IDC_CELL_EDIT ? focus : nullptr;
}

void FunctionViewTest::TypeAndEnd(const std::string& text, UINT endKey) const
{
    HWND edit = OpenEdit();
    ASSERT_NE(nullptr, edit) << "no cell edit is open";
    ::SetWindowTextA(edit, text.c_str());
    CTestSeams::PressKey(endKey, false, false, false, edit);
}

void FunctionViewTest::Answer(std::vector<int> answers)
{
    m_answers = std::move(answers);
}

std::string FunctionViewTest::ClipboardText()
{
    std::string text;
    if (!::OpenClipboard(nullptr))
        return "(clipboard busy)";
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

std::vector<std::string> FunctionViewTest::GoToOffset(const std::string& typed)
{
    std::vector<std::string> messages;
    const auto questions = CTestSeams::s_messageBox;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        messages.push_back(request.text);
        return IDOK;
    };
    CTestSeams::s_modalStarted = [&](CWnd* dialog) {
        ::SetDlgItemTextA(dialog->m_hWnd, IDC_GOTO_OFFSET, typed.c_str());
        dialog->SendMessage(WM_COMMAND, IDOK);
        if (!messages.empty())
            dialog->SendMessage(WM_COMMAND, IDCANCEL);
    };
    m_view->SendMessage(WM_COMMAND, ID_EDIT_GOTO_OFFSET);
    CTestSeams::PumpUntilIdle();
    CTestSeams::s_modalStarted = nullptr;
    CTestSeams::s_messageBox = questions;
    return messages;
}
