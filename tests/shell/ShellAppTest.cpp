// The main window started in-process with the stand-in driver serving the default machine:
// start-up, the bus tree, selection and refresh, toolbar and status bar, pane switching and
// the save command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <shlobj.h>

#include "app/BriscoSettings.h"
#include "app/ScanPump.h"
#include "decode/JournalUndo.h"
#include "decode/MachineComparison.h"
#include "views/BarPage.h"
#include "views/ConfigSpacePage.h"
#include "views/PciFunctionView.h"
#include "controls/PaneColors.h"
#include "device/PciFunction.h"
#include "framework/SingleDocTemplate.h"
#include "res/resource.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/FaultSwitch.h"
#include "tests/support/StartedApp.h"
#include "tests/support/TreeDescription.h"
#include "views/BusTreeModel.h"
#include "views/ViewHints.h"

namespace {

constexpr char kCaption[] = "Brisco by Velmora";
constexpr char kRefreshPrompt[] = "Rescans the PCI bus and updates the views.";
// The idle status line while the host bridge is selected: its lspci address and IDs.
constexpr char kRootStatus[] = "00:00.0  [8086:7190]";
constexpr int kGroupImage = 2;
constexpr int kBridgeImage = 1;

// The document with a recorder that sees every update from the start.
class CObservedDoc : public CBriscoDoc {
    DECLARE_DYNCREATE(CObservedDoc)
public:
    CObservedDoc() { AddView(&m_startRecorder); }
    ~CObservedDoc() override { RemoveView(&m_startRecorder); }
    CUpdateRecorder m_startRecorder;
};
IMPLEMENT_DYNCREATE(CObservedDoc, CBriscoDoc)

class CObservedApp : public CBriscoApp {
protected:
    CSingleDocTemplate* CreateDocTemplate() override
    {
        return new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CObservedDoc), RUNTIME_CLASS(CMainFrame),
                                      RUNTIME_CLASS(CPciBusView));
    }
};

class ShellAppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CTestSeams::s_messageBox = [](const CMessageBoxRequest& request) {
            s_startupMessages.push_back(request.caption + ": " + request.text);
            return IDOK;
        };
        s_app = std::make_unique<CStartedApp<CObservedApp>>();
        if (auto* pDoc = DYNAMIC_DOWNCAST(CObservedDoc, s_app->GetDocument())) {
            s_startUpdates = pDoc->m_startRecorder.m_updates;
            s_startVisible = pDoc->m_startRecorder.m_mainWindowVisible;
            pDoc->RemoveView(&pDoc->m_startRecorder);
        }
        CTestSeams::Reset();
    }
    static void TearDownTestSuite() { s_app.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(s_app->IsStarted());
        m_frame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
        ASSERT_NE(nullptr, m_frame);
        m_doc = s_app->GetDocument();
        ASSERT_NE(nullptr, m_doc);
        m_busView = m_frame->GetBusView();
        ASSERT_NE(nullptr, m_busView);
        ActivateTree();
        m_doc->AddView(&m_recorder);
    }
    void TearDown() override
    {
        m_doc->RemoveView(&m_recorder);
        CTestSeams::Reset();
    }

    void ActivateTree()
    {
        m_frame->SetActiveView(m_busView);
        CTestSeams::PumpUntilIdle();
    }
    void ActivateFunctionView()
    {
        m_frame->SetActiveView(reinterpret_cast<CView*>(m_frame->GetFunctionView()));
        CTestSeams::PumpUntilIdle();
    }
    CTreeCtrl& Tree() { return m_busView->GetTreeCtrl(); }
    // The colour the tree paints behind the text of an item, drawn into a bitmap of its own.
    COLORREF SelectedItemBackground(HTREEITEM item)
    {
        RECT text = {};
        memcpy(&text, &item, sizeof item);  // the message takes the item in the rectangle's place
        if (!Tree().SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)))
            return CLR_INVALID;
        RECT client = {};
        ::GetClientRect(Tree().m_hWnd, &client);
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        Tree().SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
        const COLORREF colour = ::GetPixel(memory, text.left + 1, text.top + 1);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return colour;
    }
    // What a click on a tab of the function view does.
    void ClickTab(int tab)
    {
        ChangeTab(tab);
        CTestSeams::PumpUntilIdle();
    }
    void SendCommand(UINT id)
    {
        m_frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
        CTestSeams::PumpUntilIdle();
    }
    // What a click on a tab of the function view does, short of the pumping that follows.
    void ChangeTab(int tab)
    {
        CWnd* tabs = m_frame->GetFunctionView()->GetDlgItem(IDC_FUNCTION_TABS);
        NMHDR header = {tabs->m_hWnd, IDC_FUNCTION_TABS, static_cast<UINT>(TCN_SELCHANGING)};
        m_frame->GetFunctionView()->SendMessage(WM_NOTIFY, IDC_FUNCTION_TABS, reinterpret_cast<LPARAM>(&header));
        tabs->SendMessage(TCM_SETCURSEL, tab);
        header.code = static_cast<UINT>(TCN_SELCHANGE);
        m_frame->GetFunctionView()->SendMessage(WM_NOTIFY, IDC_FUNCTION_TABS, reinterpret_cast<LPARAM>(&header));
    }
    size_t CountUpdates(LPARAM hint) const
    {
        return static_cast<size_t>(std::count_if(m_recorder.m_updates.begin(), m_recorder.m_updates.end(),
                                                 [hint](const CUpdateRecorder::Update& u) { return u.hint == hint; }));
    }
    bool IsButtonEnabled(UINT id) { return m_frame->GetToolBar().SendMessage(TB_ISBUTTONENABLED, id) != 0; }
    // The first item whose label contains the text.
    HTREEITEM FindItem(const std::string& text) { return CTreeDescription(Tree()).Find(text); }
    // Checks that the tree shows the document's current model, expanded, with its root selected.
    void ExpectFreshTree()
    {
        CPciFunction* pRoot = m_doc->GetRoot();
        ASSERT_NE(nullptr, pRoot);
        CBusTreeModel model;
        model.Build(pRoot);
        const std::vector<CTreeDescription::CItem> shown = CTreeDescription(Tree()).Items();
        ASSERT_EQ(model.GetItems().size(), shown.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            const CBusTreeItem& expected = model.GetItems()[i];
            SCOPED_TRACE("item " + std::to_string(i) + " " + expected.label);
            EXPECT_EQ(expected.label, shown[i].label);
            EXPECT_EQ(expected.depth, shown[i].depth);
            EXPECT_EQ(expected.image, shown[i].image);
            EXPECT_EQ(expected.image, shown[i].selectedImage);
            EXPECT_EQ(expected.function, reinterpret_cast<CPciFunction*>(shown[i].data));
            EXPECT_EQ(shown[i].hasChildren, shown[i].expanded) << "every branch is expanded";
        }
        EXPECT_EQ(Tree().GetRootItem(), Tree().GetSelectedItem());
        EXPECT_EQ(pRoot, m_busView->GetSelectedFunction());
    }

    static std::unique_ptr<CStartedApp<CObservedApp>> s_app;
    static std::vector<std::string> s_startupMessages;
    static std::vector<CUpdateRecorder::Update> s_startUpdates;
    static std::vector<bool> s_startVisible;
    CMainFrame* m_frame = nullptr;
    CBriscoDoc* m_doc = nullptr;
    CPciBusView* m_busView = nullptr;
    CUpdateRecorder m_recorder;
};

std::unique_ptr<CStartedApp<CObservedApp>> ShellAppTest::s_app;
std::vector<std::string> ShellAppTest::s_startupMessages;
std::vector<CUpdateRecorder::Update> ShellAppTest::s_startUpdates;
std::vector<bool> ShellAppTest::s_startVisible;

TEST_F(ShellAppTest, StartsVisibleWithTheWholeMachineExpandedAndTheRootSelected)
{
    EXPECT_TRUE(s_startupMessages.empty()) << s_startupMessages.front();
    EXPECT_TRUE(m_doc->HasDriver());
    EXPECT_TRUE(m_frame->IsWindowVisible());
    EXPECT_EQ(kCaption, WindowText(m_frame->m_hWnd));
    ExpectFreshTree();

    // One scan, made once the window shows: the initial update carries no model, the scan's
    // rebuild carries the root, and the tree then selects it.
    int rebuilds = 0;
    for (size_t i = 0; i < s_startUpdates.size(); ++i) {
        const CUpdateRecorder::Update& update = s_startUpdates[i];
        SCOPED_TRACE("update " + std::to_string(i));
        if (update.hint != CViewHints::HINT_MODEL_REBUILT || !update.function)
            continue;
        ++rebuilds;
        EXPECT_TRUE(s_startVisible[i]) << "the scan runs after the window is shown";
        EXPECT_EQ(m_doc->GetRoot(), update.function);
    }
    EXPECT_EQ(1, rebuilds);

    const std::vector<CTreeDescription::CItem> shown = CTreeDescription(Tree()).Items();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(0u, shown.front().label.find("0.0.0   Bridge   ("));
    EXPECT_EQ(kBridgeImage, shown.front().image);
}

TEST_F(ShellAppTest, GroupsMultiFunctionDevicesAndNamesBridgesByTheirKind)
{
    HTREEITEM group = FindItem("0.7.x   Multi Function Device");
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(Tree().GetRootItem(), Tree().GetParentItem(group)) << "the group sits below its bridge";
    EXPECT_EQ(0u, Tree().GetItemData(group));
    int image = -1;
    int selectedImage = -1;
    Tree().GetItemImage(group, image, selectedImage);
    EXPECT_EQ(kGroupImage, image);
    EXPECT_EQ(kGroupImage, selectedImage);

    int functions = 0;
    for (HTREEITEM child = Tree().GetChildItem(group); child; child = Tree().GetNextSiblingItem(child)) {
        auto* pFunction = reinterpret_cast<CPciFunction*>(Tree().GetItemData(child));
        ASSERT_NE(nullptr, pFunction);
        EXPECT_EQ(7u, pFunction->m_device);
        ++functions;
    }
    EXPECT_EQ(4, functions);

    // An ISA bridge shows the bridge picture but is not a bridge to another PCI bus.
    HTREEITEM isa = FindItem("0.7.0   Function   (8086/7110)");
    ASSERT_NE(nullptr, isa);
    Tree().GetItemImage(isa, image, selectedImage);
    EXPECT_EQ(kBridgeImage, image);

    // A PCI-to-PCI bridge holds the functions of its secondary bus.
    HTREEITEM bridge = FindItem("0.13.0   Bridge   (1011/24)");
    ASSERT_NE(nullptr, bridge);
    HTREEITEM behind = Tree().GetChildItem(bridge);
    ASSERT_NE(nullptr, behind);
    EXPECT_EQ(2u, reinterpret_cast<CPciFunction*>(Tree().GetItemData(behind))->m_bus);
}

TEST_F(ShellAppTest, TreeHasItsColoursStylesAndImages)
{
    EXPECT_EQ(kPaneBackgroundColor, static_cast<COLORREF>(Tree().SendMessage(TVM_GETBKCOLOR)));
    EXPECT_EQ(CPciBusView::kTreeStyles, m_busView->GetStyle() & CPciBusView::kTreeStyles);
    auto images = reinterpret_cast<HIMAGELIST>(Tree().SendMessage(TVM_GETIMAGELIST, TVSIL_NORMAL));
    ASSERT_NE(nullptr, images);
    EXPECT_EQ(BRISCO_TREE_IMAGE_COUNT, ImageList_GetImageCount(images));
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(BRISCO_IMAGE_WIDTH, cx);
    EXPECT_EQ(BRISCO_IMAGE_HEIGHT, cy);

    // The selected item keeps a visible band while the other pane has the focus.
    HTREEITEM selected = Tree().GetSelectedItem();
    ASSERT_NE(nullptr, selected);
    for (const bool treeFocused : {false, true}) {
        SCOPED_TRACE(treeFocused ? "tree focused" : "function view focused");
        if (treeFocused)
            ActivateTree();
        else
            ActivateFunctionView();
        ASSERT_EQ(treeFocused, ::GetFocus() == Tree().m_hWnd);
        EXPECT_EQ(!treeFocused, kInactiveSelectionColor == SelectedItemBackground(selected));
    }
    ActivateTree();
}

TEST_F(ShellAppTest, SelectionSendsTheFunctionOrNullForAGroup)
{
    HTREEITEM network = FindItem("0.11.0   Function");
    ASSERT_NE(nullptr, network);
    Tree().SelectItem(network);
    ASSERT_EQ(1u, m_recorder.m_updates.size());
    EXPECT_EQ(m_busView, m_recorder.m_updates[0].sender);
    EXPECT_EQ(CViewHints::HINT_SELECTION_CHANGED, m_recorder.m_updates[0].hint);
    EXPECT_EQ(reinterpret_cast<CPciFunction*>(Tree().GetItemData(network)), m_recorder.m_updates[0].function);
    EXPECT_NE(nullptr, m_recorder.m_updates[0].function);

    HTREEITEM group = FindItem("Multi Function Device");
    ASSERT_NE(nullptr, group);
    Tree().SelectItem(group);
    ASSERT_EQ(2u, m_recorder.m_updates.size());
    EXPECT_EQ(CViewHints::HINT_SELECTION_CHANGED, m_recorder.m_updates[1].hint);
    EXPECT_EQ(nullptr, m_recorder.m_updates[1].function);
}

TEST_F(ShellAppTest, RefreshRebuildsTheTreeFromEveryEntryPoint)
{
    struct Entry {
        const char* name;
        std::function<void()> run;
    };
    const Entry entries[] = {
        {"menu command", [this] { SendCommand(ID_OPTIONS_REFRESH); }},
        {"toolbar button",
         [this] {
             CRect button;
             m_frame->GetToolBar().GetItemRect(0, &button);
             CTestSeams::Click(m_frame->GetToolBar().m_hWnd, button.CenterPoint());
             CTestSeams::PumpUntilIdle();
         }},
        {"command sent to the view", [this] {
             m_busView->SendMessage(WM_COMMAND, MAKEWPARAM(ID_OPTIONS_REFRESH, 0), 0);
         }},
        {"F5 in the tree", [this] {
             ActivateTree();
             CTestSeams::PressKey(VK_F5, false, false, false, Tree().m_hWnd);
             CTestSeams::PumpUntilIdle();
         }},
    };
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.name);
        // Leave the tree in another state: a collapsed branch and another item selected.
        HTREEITEM group = FindItem("0.10.x");
        ASSERT_NE(nullptr, group);
        Tree().Expand(group, TVE_COLLAPSE);
        Tree().SelectItem(FindItem("0.12.0"));
        m_recorder.m_updates.clear();

        entry.run();

        // The scan is announced first. The tree view receives each hint before this recorder
        // does, so its selections arrive here first: none when it empties before the old
        // functions go, then the new root.
        ASSERT_EQ(5u, m_recorder.m_updates.size());
        EXPECT_EQ(CViewHints::HINT_SCAN_STARTING, m_recorder.m_updates[0].hint);
        EXPECT_EQ(CViewHints::HINT_SELECTION_CHANGED, m_recorder.m_updates[1].hint);
        EXPECT_EQ(nullptr, m_recorder.m_updates[1].function);
        EXPECT_EQ(CViewHints::HINT_MODEL_REBUILDING, m_recorder.m_updates[2].hint);
        EXPECT_EQ(CViewHints::HINT_SELECTION_CHANGED, m_recorder.m_updates[3].hint);
        EXPECT_EQ(m_busView, m_recorder.m_updates[3].sender);
        EXPECT_EQ(m_doc->GetRoot(), m_recorder.m_updates[3].function);
        EXPECT_EQ(CViewHints::HINT_MODEL_REBUILT, m_recorder.m_updates[4].hint);
        EXPECT_EQ(nullptr, m_recorder.m_updates[4].sender);
        EXPECT_EQ(m_doc->GetRoot(), m_recorder.m_updates[4].function);
        ExpectFreshTree();
    }
}

// Escape pressed while a Refresh scans keeps the tree there was; without it the tree is new.
TEST_F(ShellAppTest, EscapeCancelsARefreshAndKeepsThePreviousTree)
{
    Tree().SelectItem(FindItem("0.12.0"));
    CTestSeams::PumpUntilIdle();
    CPciFunction* const root = m_doc->GetRoot();
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "no key");
        m_recorder.m_updates.clear();
        if (escape)
            ::PostMessageA(Tree().m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        m_frame->SendMessage(WM_COMMAND, ID_OPTIONS_REFRESH);
        EXPECT_EQ(escape, root == m_doc->GetRoot());
        EXPECT_EQ(escape ? 0u : 1u, CountUpdates(CViewHints::HINT_MODEL_REBUILT));
        EXPECT_EQ(escape, 0u == Tree().GetItemText(Tree().GetSelectedItem()).find("0.12.0"));
        CTestSeams::PumpUntilIdle();
    }
    ExpectFreshTree();
    // What the status bar shows meanwhile: the buses begun, of the most that are known.
    CPciFunction::CScanProgress progress;
    progress.busesScanned = 12;
    progress.busesKnown = 150;
    EXPECT_EQ("Scanning bus 12 of 200...", CScanPump::FormatProgress(progress, 200));
    progress.busesKnown = 201;
    EXPECT_EQ("Scanning bus 12 of 201...", CScanPump::FormatProgress(progress, 200));
}

TEST_F(ShellAppTest, RefreshShowsTheRootEvenWhenTheTreeDoesNotFit)
{
    CRect original;
    m_frame->GetWindowRect(&original);
    m_frame->MoveWindow(original.left, original.top, original.Width(), original.Height() / 3);
    CTestSeams::PumpUntilIdle();
    ASSERT_LT(static_cast<UINT>(Tree().SendMessage(TVM_GETVISIBLECOUNT)), Tree().GetCount()) << "the tree is cut off";

    SendCommand(ID_OPTIONS_REFRESH);
    EXPECT_EQ(Tree().GetRootItem(), Tree().GetFirstVisibleItem());
    EXPECT_EQ(Tree().GetRootItem(), Tree().GetSelectedItem());
    m_frame->MoveWindow(&original);
    CTestSeams::PumpUntilIdle();
}

TEST_F(ShellAppTest, ModelGoneEmptiesTheTreeAndTheSelection)
{
    // A rebuild that produced no model must not leave items pointing at the old functions.
    m_doc->UpdateAllViews(nullptr, CViewHints::HINT_MODEL_REBUILT, nullptr);
    EXPECT_EQ(0u, Tree().GetCount());
    ASSERT_EQ(2u, m_recorder.m_updates.size());
    EXPECT_EQ(CViewHints::HINT_SELECTION_CHANGED, m_recorder.m_updates[0].hint);
    EXPECT_EQ(nullptr, m_recorder.m_updates[0].function);

    SendCommand(ID_OPTIONS_REFRESH);
    ExpectFreshTree();
}

// A scan that finds no host bridge shows bus 0 as the root, one that finds nothing shows no
// invented function; the status bar says why, and Refresh tries again.
TEST_F(ShellAppTest, AFailedScanLeavesTheTreeEmptyAndSaysWhy)
{
    CFaultSwitch faults;
    ASSERT_TRUE(faults.IsOpen());
    struct CCase
    {
        const char* what;
        std::function<bool()> fault;
        const char* status;
        const char* rootLabel; // null: no tree
    };
    const CCase cases[] = {
        {"the host bridge does not answer", [&faults] { return faults.FailFunction(0, 0, 0); },
         "No host bridge on bus 0: bus 0 is shown as the root", "PCI Bus 00h"},
        {"every request fails", [&faults] { return faults.FailAll(); }, "The driver refused every request", nullptr},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.fault());
        SendCommand(ID_OPTIONS_REFRESH);
        EXPECT_EQ(c.rootLabel == nullptr, m_doc->GetRoot() == nullptr);
        if (c.rootLabel)
            EXPECT_EQ(c.rootLabel, std::string(Tree().GetItemText(Tree().GetRootItem())));
        else
            EXPECT_EQ(0u, Tree().GetCount());
        EXPECT_EQ(c.status, m_frame->GetStatusBar().GetPaneText(0));
        ASSERT_TRUE(faults.Off());
        SendCommand(ID_OPTIONS_REFRESH);
        ExpectFreshTree();
        EXPECT_EQ(kRootStatus, m_frame->GetStatusBar().GetPaneText(0));
    }
}

// The window comes back where the user left it, unless that place is off every monitor.
TEST_F(ShellAppTest, TheSavedPlacementIsRestoredWhenItIsOnAMonitor)
{
    WINDOWPLACEMENT original = {};
    original.length = sizeof original;
    ASSERT_TRUE(::GetWindowPlacement(m_frame->m_hWnd, &original));
    int originalTree = 0;
    int originalMinimum = 0;
    m_frame->GetSplitter().GetRowInfo(CMainFrame::kTreeRow, originalTree, originalMinimum);
    struct CCase
    {
        const char* what;
        CRect saved;
        CRect expected;
    };
    const CCase cases[] = {
        {"on the screen", CRect(40, 30, 700, 560), CRect(40, 30, 700, 560)},
        {"off every monitor", CRect(30000, 30000, 30600, 30500), CRect(40, 30, 700, 560)},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        WINDOWPLACEMENT placement = original;
        placement.showCmd = SW_SHOWNORMAL;
        placement.rcNormalPosition = c.saved;
        CBriscoSettings::SavePlacement(placement);
        CBriscoSettings::SaveNumber(CBriscoSettings::kTreeHeightValue, 123);
        m_frame->ShowWithSavedPlacement();
        CTestSeams::PumpUntilIdle();
        CRect now;
        m_frame->GetWindowRect(&now);
        EXPECT_EQ(c.expected, now);
        int treeHeight = 0;
        int minimum = 0;
        m_frame->GetSplitter().GetRowInfo(CMainFrame::kTreeRow, treeHeight, minimum);
        EXPECT_EQ(123, treeHeight);
    }
    // Closing the window saves what it shows.
    CBriscoSettings::DeleteAll();
    ::SetWindowPlacement(m_frame->m_hWnd, &original);
    m_frame->SavePlacement();
    WINDOWPLACEMENT saved = {};
    ASSERT_TRUE(CBriscoSettings::LoadPlacement(&saved));
    EXPECT_EQ(CRect(original.rcNormalPosition), CRect(saved.rcNormalPosition));
    CBriscoSettings::DeleteAll();
    m_frame->GetSplitter().SetRowInfo(CMainFrame::kTreeRow, originalTree, originalMinimum);
    m_frame->GetSplitter().RecalcLayout();
    CTestSeams::PumpUntilIdle();
}

// While a BAR tab is current the status bar names the BAR; otherwise it is ready.
TEST_F(ShellAppTest, StatusBarNamesTheCurrentBar)
{
    HTREEITEM vga = CTreeDescription(Tree()).Find("1.0.0");
    ASSERT_NE(nullptr, vga);
    Tree().SelectItem(vga);
    CTestSeams::PumpUntilIdle();
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDYES; };
    auto clickTab = [this](int tab) { ClickTab(tab); };
    clickTab(1);
    EXPECT_EQ("BAR 0: 32-bit prefetchable memory at D4000000h, 64 MiB", m_frame->GetStatusBar().GetPaneText(0));
    clickTab(2);
    EXPECT_EQ("BAR 1: I/O ports at 0000A000h, 256 bytes", m_frame->GetStatusBar().GetPaneText(0));
    clickTab(0);
    EXPECT_EQ("01:00.0  [1002:5046]", m_frame->GetStatusBar().GetPaneText(0));

    // A size learnt by a probe shows at once, whichever rebuild of the grid asked for it.
    SendCommand(ID_OPTIONS_REFRESH);
    Tree().SelectItem(FindItem("0.12.0"));
    CTestSeams::PumpUntilIdle();
    bool probe = false;
    CTestSeams::s_messageBox = [&probe](const CMessageBoxRequest& request) {
        return request.text.find("To determine the BAR size") == std::string::npos || probe ? IDYES : IDNO;
    };
    clickTab(1);
    const std::string unknown = m_frame->GetStatusBar().GetPaneText(0);
    EXPECT_NE(std::string::npos, unknown.find(", size unknown")) << unknown;
    probe = true;
    // The page's context menu sends its Refresh to the view.
    m_frame->GetFunctionView()->SendMessage(WM_COMMAND, ID_PAGE_REFRESH);
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(unknown.substr(0, unknown.find(", size unknown")) + ", 256 bytes",
              m_frame->GetStatusBar().GetPaneText(0));
    clickTab(0);
    CTestSeams::s_messageBox = nullptr;
    // Later tests meet the function with its size unknown again.
    SendCommand(ID_OPTIONS_REFRESH);
}

// Ctrl+Tab, Ctrl+PgDn, Ctrl+Shift+Tab and Ctrl+PgUp turn the function view's tabs, whichever
// pane has the focus.
TEST_F(ShellAppTest, TabKeysTurnTheFunctionViewsTabsFromEitherPane)
{
    Tree().SelectItem(FindItem("1.0.0"));
    CTestSeams::PumpUntilIdle();
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDYES; };
    CPciFunctionView* view = m_frame->GetFunctionView();
    struct CKey
    {
        bool treeFocused;
        UINT vk;
        bool shift;
        int tab;
    };
    const CKey keys[] = {
        {true, VK_TAB, false, 1}, {false, VK_NEXT, false, 2}, {false, VK_TAB, true, 1},
        {true, VK_PRIOR, false, 0}, {false, VK_PRIOR, false, view->GetTabCtrl().GetItemCount() - 1},
    };
    for (const CKey& key : keys) {
        SCOPED_TRACE(testing::Message() << "key " << key.vk << (key.shift ? " with shift" : "")
                                        << (key.treeFocused ? " in the tree" : " in the function view"));
        if (key.treeFocused)
            m_busView->SetFocus();
        else
            view->GetCurrentPage()->GetList().SetFocus();
        CTestSeams::PressKey(key.vk, key.shift, true);
        EXPECT_EQ(key.tab, view->GetTabCtrl().GetCurSel());
    }
    CTestSeams::s_messageBox = nullptr;
    Tree().SelectItem(Tree().GetRootItem());
    CTestSeams::PumpUntilIdle();
    ActivateTree();
}

// Ctrl+F selects the first function at an lspci or tree address or with a pair of IDs, F3 the
// next; the status bar then names the selection as lspci does.
TEST_F(ShellAppTest, FindFunctionSelectsByAddressOrIdsAndF3FindsTheNext)
{
    struct CStep
    {
        UINT vk;             // Ctrl+F or F3
        const char* typed;   // into the dialog, when it opens
        const char* label;   // the start of the selected item's label afterwards
        const char* message; // a message shown, or null
    };
    const CStep steps[] = {
        {'F', "00:0c.0", "0.12.0   ", nullptr},
        {'F', "0.13.0", "0.13.0   ", nullptr},
        {'F', "1000:000C", "0.12.0   ", nullptr},
        {VK_F3, nullptr, "0.12.0   ", nullptr},
        {'F', "0001:00:0c.0", "0.12.0   ", "No function matches \"0001:00:0c.0\"."},
        {'F', "0c:00.0", "0.12.0   ", "No function matches \"0c:00.0\"."},
        {'F', "12.0", "0.12.0   ",
         "\"12.0\" is neither an address nor a vendor:device pair. Type one such as 0c:00.0, 0.12.0 or 1011:0024."},
        {'F', " 1011:0024", "0.13.0   ", nullptr},
    };
    m_busView->SetFocus();
    for (const CStep& step : steps) {
        SCOPED_TRACE(testing::Message() << (step.typed != nullptr ? step.typed : "F3"));
        std::vector<std::string> messages;
        CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
            messages.push_back(request.text);
            return IDOK;
        };
        CTestSeams::s_modalStarted = [&](CWnd* dialog) {
            HWND edit = ::GetDlgItem(dialog->m_hWnd, IDC_FIND_TEXT);
            ::SendMessageA(edit, EM_SETSEL, 0, -1);
            CTestSeams::TypeText(step.typed, edit);
            CTestSeams::PressKey(VK_RETURN, false, false, false, edit);
            if (!messages.empty())
                dialog->SendMessage(WM_COMMAND, IDCANCEL);
        };
        CTestSeams::PressKey(step.vk, false, step.vk == 'F');
        CTestSeams::s_modalStarted = nullptr;
        CTestSeams::s_messageBox = nullptr;
        EXPECT_EQ(step.message != nullptr ? std::vector<std::string>{step.message} : std::vector<std::string>{},
                  messages);
        EXPECT_EQ(0u, Tree().GetItemText(Tree().GetSelectedItem()).find(step.label));
    }
    EXPECT_EQ("00:0d.0  [1011:0024]", m_frame->GetStatusBar().GetPaneText(0));
    // From the root, F3 goes on to the next match below it.
    Tree().SelectItem(Tree().GetRootItem());
    CTestSeams::PumpUntilIdle();
    CTestSeams::PressKey(VK_F3);
    EXPECT_EQ(0u, Tree().GetItemText(Tree().GetSelectedItem()).find("0.13.0   "));
    Tree().SelectItem(Tree().GetRootItem());
    CTestSeams::PumpUntilIdle();
}

// A rescan asked for while a question about a function is open (the BAR questions, the Go To
// dialog) waits until it has closed: the answer acts on the function it was asked about.
TEST_F(ShellAppTest, RefreshWhileAQuestionIsOpenWaitsUntilItCloses)
{
    Tree().SelectItem(FindItem("0.12.0"));
    CTestSeams::PumpUntilIdle();
    CPciFunction* scsi = m_busView->GetSelectedFunction();
    ASSERT_NE(nullptr, scsi);
    ASSERT_EQ(0u, scsi->m_barSizes[0]) << "the size of BAR 0 is probed";
    CPciFunction* root = m_doc->GetRoot();
    // What the box's or the dialog's own loop would deliver: Refresh from the toolbar.
    auto refreshInside = [&] {
        SendCommand(ID_OPTIONS_REFRESH);
        EXPECT_EQ(root, m_doc->GetRoot()) << "the functions were rescanned under the open question";
        return m_doc->GetRoot() == root;
    };
    std::vector<std::string> asked;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        asked.push_back(request.text);
        return refreshInside() ? IDYES : IDNO;
    };
    m_recorder.m_updates.clear();
    ChangeTab(1);
    ASSERT_FALSE(asked.empty());
    EXPECT_NE(std::string::npos, asked.back().find("To determine the BAR size"));
    EXPECT_EQ(256u, scsi->m_barSizes[0]) << "Yes probed the function asked about";
    EXPECT_EQ(0u, CountUpdates(CViewHints::HINT_MODEL_REBUILDING));
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(1u, CountUpdates(CViewHints::HINT_MODEL_REBUILT)) << "one rescan, once the questions closed";
    ExpectFreshTree();

    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDYES; };
    Tree().SelectItem(FindItem("1.0.0"));
    CTestSeams::PumpUntilIdle();
    ChangeTab(1);
    CTestSeams::PumpUntilIdle();
    // The tree of the rescan above; a new tree need not reuse the old one's memory.
    root = m_doc->GetRoot();
    CTestSeams::s_modalStarted = [&](CWnd* dialog) {
        refreshInside();
        dialog->SendMessage(WM_COMMAND, IDCANCEL);
    };
    m_recorder.m_updates.clear();
    m_frame->GetFunctionView()->SendMessage(WM_COMMAND, ID_EDIT_GOTO_OFFSET);
    EXPECT_EQ(0u, CountUpdates(CViewHints::HINT_MODEL_REBUILDING));
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ(1u, CountUpdates(CViewHints::HINT_MODEL_REBUILT)) << "the Go To dialog";
    ExpectFreshTree();
}

// A write the driver refuses beeps once and says why in the status bar, even where the cell
// reads back what was typed: typing the Status value shown, or a BAR byte as it is.
TEST_F(ShellAppTest, ARefusedWriteBeepsAndTheStatusBarSaysWhy)
{
    HTREEITEM vga = CTreeDescription(Tree()).Find("1.0.0");
    ASSERT_NE(nullptr, vga);
    Tree().SelectItem(vga);
    CTestSeams::PumpUntilIdle();
    std::vector<UINT> beeps;
    CTestSeams::s_beep = [&beeps](UINT type) { beeps.push_back(type); };
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDYES; };
    CFaultSwitch faults;
    struct Case
    {
        const char* name;
        bool writeProtect;
        const char* text;    // for the Status register
        const char* barText; // for a byte of a BAR's range
    };
    const char* const readOnly = "Live mode is read-only: set BRISCO_LIVE_WRITES=1 to write";
    const Case cases[] = {
        {"writes off", true, readOnly, readOnly},
        {"the host owns it", false, "Refused: the host owns this register", "Refused: the host owns this device's BARs"},
    };
    constexpr int kStatusRow = 3; // offset 06h
    constexpr int kValueColumn = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(faults.RefuseWrites(c.writeProtect));
        ClickTab(0);
        CConfigSpacePage* config = m_frame->GetFunctionView()->GetConfigSpacePage();
        const std::string shown = config->GetRows()[kStatusRow].valueText;
        beeps.clear();
        config->OnEndEdit(kStatusRow, kValueColumn, shown.c_str());
        EXPECT_EQ(1u, beeps.size());
        EXPECT_EQ(c.text, m_frame->GetStatusBar().GetPaneText(0));

        ClickTab(1);
        CFunctionPage* page = m_frame->GetFunctionView()->GetCurrentPage();
        ASSERT_TRUE(page != nullptr && page->GetPageKind() == CFunctionPage::kBarPageKind);
        auto* bar = static_cast<CBarPage*>(page);
        beeps.clear();
        bar->OnEndEdit(0, 1, bar->GetList().GetItemText(0, 1).c_str());
        EXPECT_EQ(1u, beeps.size());
        EXPECT_EQ(c.barText, m_frame->GetStatusBar().GetPaneText(0));
    }
    ASSERT_TRUE(faults.Off());
    ClickTab(0);
    Tree().SelectItem(Tree().GetRootItem());
    CTestSeams::PumpUntilIdle();
}

// "Scan All Root Buses" and "Probe Every Function Number" are off at first, toggle, are
// remembered and rescan at once.
TEST_F(ShellAppTest, ScanOptionsAreRemembered)
{
    const struct
    {
        UINT command;
        const char* value;
        bool (CBriscoDoc::*isOn)() const;
    } options[] = {
        {ID_OPTIONS_ALL_ROOT_BUSES, "ScanAllRootBuses", &CBriscoDoc::IsScanningAllRootBuses},
        {ID_OPTIONS_EVERY_FUNCTION, "ProbeEveryFunction", &CBriscoDoc::IsProbingEveryFunction},
    };
    for (const auto& option : options) {
        EXPECT_FALSE((m_doc->*option.isOn)()) << option.value;
        for (bool on : {true, false}) {
            SCOPED_TRACE(testing::Message() << option.value << (on ? " switched on" : " switched off"));
            m_recorder.m_updates.clear();
            SendCommand(option.command);
            EXPECT_EQ(on, (m_doc->*option.isOn)());
            DWORD saved = 2;
            ASSERT_TRUE(CBriscoSettings::LoadNumber(option.value, &saved));
            EXPECT_EQ(on ? 1u : 0u, saved);
            EXPECT_FALSE(m_recorder.m_updates.empty()) << "the machine is scanned again";
            ExpectFreshTree();
        }
    }
    CBriscoSettings::DeleteAll();
}

// A saved machine image compared with the machine marks exactly the registers that changed
// since it was saved, and the comparison goes on after Refresh until it is cleared.
TEST_F(ShellAppTest, AComparisonMarksExactlyTheRegistersThatChanged)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "brisco-compare.txt";
    std::vector<std::string> proposals;
    CTestSeams::s_fileDialog = [&](bool, std::string& chosen) {
        proposals.push_back(chosen);
        chosen = path;
        return true;
    };
    CBriscoSettings::SaveText(CBriscoDoc::kImageFolderValue, "");
    SendCommand(ID_OPTIONS_SAVE_IMAGE);
    ASSERT_TRUE(std::ifstream(path).good()) << "Save Machine Image wrote the file";
    SendCommand(ID_OPTIONS_COMPARE);
    // Save proposes a name of the moment in the documents folder; Compare starts in the folder used last.
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)));
    ASSERT_EQ(2u, proposals.size());
    EXPECT_EQ(0u, proposals[0].find(std::string(documents) + "\\brisco-")) << proposals[0];
    EXPECT_EQ(std::string(documents).size() + std::string("\\brisco-20261207-1929.txt").size(), proposals[0].size());
    EXPECT_EQ(folder, proposals[1]);
    const SYSTEMTIME moment = {2026, 12, 1, 7, 9, 5, 59, 999};
    EXPECT_EQ("brisco-20261207-0905.txt", CBriscoDoc::ProposedImageName(moment));
    ASSERT_NE(nullptr, m_doc->GetComparison());
    EXPECT_TRUE(m_doc->GetComparison()->GetDifferences().empty());
    EXPECT_EQ(0u, m_frame->GetStatusBar().GetPaneText(0).find("Compared with ")) << "the status bar summarises";

    CPciFunction* host = m_doc->GetRoot();
    const uint32_t latency = host->ReadConfig(0, host->m_device, host->m_function, 0x0D, 1);
    host->WriteConfig(0, host->m_device, host->m_function, 0x0D, 1, latency ^ 0x08);
    SendCommand(ID_OPTIONS_REFRESH);
    const auto& differences = m_doc->GetComparison()->GetDifferences();
    ASSERT_EQ(1u, differences.size());
    EXPECT_EQ(0x0Du, differences[0].offset);
    EXPECT_EQ("Latency Timer", differences[0].name);
    EXPECT_NE(0u, Tree().GetItemState(Tree().GetRootItem(), TVIS_BOLD) & TVIS_BOLD) << "the root item is marked";

    // On the coloured row the status bar and Copy tell what the image holds; elsewhere the summary.
    ActivateFunctionView();
    CConfigSpacePage* config = m_frame->GetFunctionView()->GetConfigSpacePage();
    const auto& rows = config->GetRows();
    const auto latencyRow = std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row.offset == 0x0D; });
    ASSERT_NE(rows.end(), latencyRow);
    CEditListCtrl& list = config->GetList();
    list.SetFocus();
    list.SetCursorCell(static_cast<int>(latencyRow - rows.begin()), 3);
    CTestSeams::PumpUntilIdle();
    EXPECT_EQ("image: 40h, now: 48h", m_frame->GetStatusBar().GetPaneText(0));
    CTestSeams::PressKey('C', false, true);
    std::string copied;
    ASSERT_TRUE(::OpenClipboard(nullptr));
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        copied = static_cast<const char*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    EXPECT_NE(std::string::npos, copied.find("Latency Timer\t48h\t")) << copied;
    EXPECT_NE(std::string::npos, copied.find("\timage: 40h, now: 48h\r\n")) << copied;
    CTestSeams::PressKey(VK_HOME);
    EXPECT_EQ(0u, m_frame->GetStatusBar().GetPaneText(0).find("Compared with "));
    ActivateTree();

    host = m_doc->GetRoot();
    host->WriteConfig(0, host->m_device, host->m_function, 0x0D, 1, latency);
    SendCommand(ID_OPTIONS_CLEAR_COMPARISON);
    EXPECT_EQ(nullptr, m_doc->GetComparison());
    EXPECT_EQ(0u, Tree().GetItemState(Tree().GetRootItem(), TVIS_BOLD) & TVIS_BOLD);
    EXPECT_EQ(kRootStatus, m_frame->GetStatusBar().GetPaneText(0));
    CTestSeams::s_fileDialog = nullptr;
    SendCommand(ID_OPTIONS_REFRESH);
    ::DeleteFileA(path.c_str());
}

// Ctrl+Z takes the last write back; Save Write Journal writes both as lines a replay reads.
TEST_F(ShellAppTest, CtrlZUndoesTheLastWriteAndTheJournalIsSaved)
{
    constexpr uint32_t kInterruptLine = 0x3c;
    constexpr uint32_t kWritten = 0x5a;
    CPciFunction* root = m_doc->GetRoot();
    ASSERT_NE(nullptr, root);
    const uint32_t before = root->GetSpaceValue(kInterruptLine, 1);
    root->Write(kInterruptLine, 1, kWritten, 0xff);
    ASSERT_EQ(kWritten, root->GetSpaceValue(kInterruptLine, 1));
    m_busView->SetFocus();
    CTestSeams::PressKey('Z', false, true);
    EXPECT_EQ(before, root->GetSpaceValue(kInterruptLine, 1)) << "Ctrl+Z restored the register";
    EXPECT_EQ(0u, m_frame->GetStatusBar().GetPaneText(0).find("Undid ")) << m_frame->GetStatusBar().GetPaneText(0);
    EXPECT_EQ(-1, CJournalUndo::LastUndoable(m_doc->GetWriteJournal())) << "the undo is not offered again";

    char folder[MAX_PATH] = {};
    ::GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "brisco-journal-test.txt";
    CTestSeams::s_fileDialog = [&](bool, std::string& chosen) {
        chosen = path;
        return true;
    };
    SendCommand(ID_OPTIONS_SAVE_JOURNAL);
    CTestSeams::s_fileDialog = nullptr;
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    EXPECT_NE(std::string::npos, text.find("00:00.0 8086:7190 3C.B=5a:ff")) << text;
    EXPECT_NE(std::string::npos, text.find("Undo Write")) << text;
    ::DeleteFileA(path.c_str());
}

TEST_F(ShellAppTest, ToolbarHasItsButtonsAndFollowsTheActiveView)
{
    CToolBar& toolbar = m_frame->GetToolBar();
    ASSERT_EQ(2, toolbar.GetCount());
    EXPECT_EQ(static_cast<UINT>(ID_OPTIONS_REFRESH), toolbar.GetItemID(0));
    EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), toolbar.GetItemID(1));
    EXPECT_EQ("Refresh", toolbar.GetButtonText(0));
    EXPECT_EQ("About", toolbar.GetButtonText(1));
    LRESULT size = toolbar.SendMessage(TB_GETBUTTONSIZE);
    EXPECT_GE(LOWORD(size), CMainFrame::kButtonWidth);
    EXPECT_LE(LOWORD(size), CMainFrame::kButtonWidth * 3 / 2) << "no wider than the labels need";
    EXPECT_EQ(CMainFrame::kButtonHeight, HIWORD(size));
    const DWORD barStyle = CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_BORDER_BOTTOM;
    EXPECT_EQ(barStyle, toolbar.GetBarStyle() & barStyle);

    EXPECT_TRUE(IsButtonEnabled(ID_OPTIONS_REFRESH)) << "the tree view serves Refresh";
    ActivateFunctionView();
    EXPECT_FALSE(IsButtonEnabled(ID_OPTIONS_REFRESH)) << "not while the function view is active";
    ActivateTree();
    EXPECT_TRUE(IsButtonEnabled(ID_OPTIONS_REFRESH));
}

TEST_F(ShellAppTest, StatusBarShowsTheRefreshPrompt)
{
    CStatusBar& status = m_frame->GetStatusBar();
    EXPECT_EQ(1, status.GetCount());

    m_frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_OPTIONS_REFRESH, MF_STRING), 0);
    EXPECT_EQ(kRefreshPrompt, status.GetPaneText(0)) << "menu selection";

    m_frame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    // The notification the toolbar sends when the pointer reaches its Refresh button.
    NMTBHOTITEM hot = {};
    hot.hdr.hwndFrom = m_frame->GetToolBar().m_hWnd;
    hot.hdr.idFrom = AFX_IDW_TOOLBAR;
    hot.hdr.code = static_cast<UINT>(TBN_HOTITEMCHANGE);
    hot.idNew = ID_OPTIONS_REFRESH;
    hot.dwFlags = HICF_MOUSE;
    m_frame->SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ(kRefreshPrompt, status.GetPaneText(0)) << "fly-by over the Refresh button";
}

TEST_F(ShellAppTest, PanesStartEquallyHighAndFunctionKeysMoveBetweenThem)
{
    int treeHeight = 0;
    int functionHeight = 0;
    int minimum = 0;
    m_frame->GetSplitter().GetRowInfo(CMainFrame::kTreeRow, treeHeight, minimum);
    m_frame->GetSplitter().GetRowInfo(CMainFrame::kFunctionRow, functionHeight, minimum);
    EXPECT_GT(treeHeight, 0);
    EXPECT_LE(std::abs(treeHeight - functionHeight), 1) << treeHeight << " against " << functionHeight;

    CWnd* pFunctionView = reinterpret_cast<CWnd*>(m_frame->GetFunctionView());
    m_busView->SetFocus();
    CTestSeams::PressKey(VK_F6);
    EXPECT_EQ(static_cast<CView*>(static_cast<void*>(pFunctionView)), m_frame->GetActiveView());
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == pFunctionView->m_hWnd || ::IsChild(pFunctionView->m_hWnd, focus));

    CTestSeams::PressKey(VK_F6, true);
    EXPECT_EQ(m_busView, m_frame->GetActiveView());
    EXPECT_EQ(m_busView->m_hWnd, ::GetFocus());
}

// Ctrl+C reaches the active pane through the accelerator: the tree copies its item's label,
// the function view the selected register row.
TEST_F(ShellAppTest, ControlCCopiesFromTheActivePane)
{
    HTREEITEM item = FindItem("1.0.0   ");
    ASSERT_NE(nullptr, item);
    Tree().Select(item, TVGN_CARET);
    CTestSeams::PumpUntilIdle();
    CEditListCtrl& list = m_frame->GetFunctionView()->GetConfigSpacePage()->GetList();
    struct CCase
    {
        const char* what;
        bool tree;
        std::string expected;
    };
    const CCase cases[] = {
        {"tree", true, Tree().GetItemText(item)},
        {"register row", false,
         "04h\tWORD\tCommand Register\t0087h\tStepping Control, Bus Master, Memory Space, I/O Space\r\n"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.tree) {
            ActivateTree();
            m_busView->SetFocus();
        } else {
            ActivateFunctionView();
            list.SetCursorCell(2, 3);
            list.SetFocus();
        }
        CTestSeams::PressKey('C', false, true);
        std::string text;
        ASSERT_TRUE(::OpenClipboard(nullptr));
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        EXPECT_EQ(c.expected, text);
    }
    ActivateTree();
}

TEST_F(ShellAppTest, ControlSSavesAnEmptyFileAndKeepsTheCaption)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "shell-save-test.brx";
    ::DeleteFileA(path.c_str());
    int dialogs = 0;
    CTestSeams::s_fileDialog = [&](bool save, std::string& chosen) {
        ++dialogs;
        EXPECT_TRUE(save);
        chosen = path;
        return true;
    };
    m_busView->SetFocus();
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, dialogs);
    std::string filter;
    ASSERT_TRUE(m_doc->GetDocTemplate()->GetDocString(filter, CDocTemplate::filterName));
    EXPECT_EQ("Brisco Files (*.brx)", filter) << "the save dialog offers Brisco files";

    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) << path;
    EXPECT_EQ(0u, attributes.nFileSizeLow);
    EXPECT_EQ(0u, attributes.nFileSizeHigh);
    EXPECT_EQ(kCaption, WindowText(m_frame->m_hWnd));
    ::DeleteFileA(path.c_str());
}

}  // namespace
