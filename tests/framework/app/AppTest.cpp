#include "tests/framework/app/AppTest.h"

void PrintTo(const CRect& rect, std::ostream* os)
{
    *os << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}

std::unique_ptr<CStartedApp<CTestApp>> AppTest::s_app;

void AppTest::SetUpTestSuite()
{
    s_app = std::make_unique<CStartedApp<CTestApp>>();
}

void AppTest::TearDownTestSuite()
{
    s_app.reset();
}

void AppTest::SetUp()
{
    ASSERT_TRUE(s_app->IsStarted());
    m_frame = static_cast<CTestFrame*>(AfxGetMainWnd());
    ASSERT_NE(nullptr, m_frame);
    ActivateTree();
}

void AppTest::TearDown()
{
    CTestSeams::Reset();
}

void AppTest::ActivateTree()
{
    m_frame->SetActiveView(m_frame->Tree());
    CTestSeams::PumpUntilIdle();
}

void AppTest::ActivateForm()
{
    m_frame->SetActiveView(m_frame->Form());
    CTestSeams::PumpUntilIdle();
}

bool AppTest::IsButtonEnabled(UINT nID) const
{
    return m_frame->m_wndToolBar.SendMessage(TB_ISBUTTONENABLED, nID) != 0;
}

std::string AppTest::StatusText() const
{
    return m_frame->m_wndStatusBar.GetPaneText(0);
}

CRect AppTest::ChildRect(CWnd& child) const
{
    CRect rect;
    child.GetWindowRect(&rect);
    m_frame->ScreenToClient(&rect);
    return rect;
}
