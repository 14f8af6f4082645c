// Building icon menus from resources, toolbar images, the popup registry, destruction,
// resynchronisation after the framework touched a popup, measuring and mnemonic keys.
#include <gtest/gtest.h>

#include <algorithm>
#include "tests/iconmenu/IconMenuTestIds.h"
#include "tests/iconmenu/IconMenuTestSupport.h"
#include "controls/iconmenu/IconMenuSupport.h"
#include "res/resource.h"

using namespace IconMenuTest;

namespace {

constexpr int kOptionsPopup = 0;
constexpr int kRefreshPos = 0;
constexpr int kSeparatorPos = 14;
constexpr int kExitPos = 15;

CIconMenu* Popup(CIconMenu& menu, int position)
{
    return dynamic_cast<CIconMenu*>(menu.GetSubMenu(position));
}

bool Registered(HMENU hMenu)
{
    return std::find(g_iconPopups.begin(), g_iconPopups.end(), hMenu) != g_iconPopups.end();
}

bool IsOwnerDrawn(HMENU hMenu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoA(hMenu, static_cast<UINT>(position), TRUE, &info);
    return (info.fType & MFT_OWNERDRAW) != 0;
}

ULONG_PTR ItemData(HMENU hMenu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ::GetMenuItemInfoA(hMenu, static_cast<UINT>(position), TRUE, &info);
    return info.dwItemData;
}

// Draws an item's own image, or image n of the toolbar bitmap, and reads the pixels back.
std::vector<COLORREF> ImagePixels(HIMAGELIST hImages, int index)
{
    CCanvas canvas(16, 15, RGB(1, 2, 3));
    ImageList_Draw(hImages, index, canvas.Dc().m_hDC, 0, 0, ILD_TRANSPARENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x)
            pixels.push_back(canvas.At(x, y));
    return pixels;
}

class IconMenuModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, MainFrame()) << "the test application did not start"; }
    void TearDown() override { CTestSeams::Reset(); }
};

TEST_F(IconMenuModelTest, MainMenuHasPlainTitlesAndOwnerDrawnPopups)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_MAINFRAME));
    ASSERT_EQ(2, menu.GetMenuItemCount());
    const char* titles[] = {"&Options", "&Help"};
    const int counts[] = {kExitPos + 1, 1};
    for (int pos = 0; pos < 2; ++pos) {
        SCOPED_TRACE(titles[pos]);
        std::string title;
        menu.GetMenuString(static_cast<UINT>(pos), title, MF_BYPOSITION);
        EXPECT_EQ(titles[pos], title) << "the menu bar shows plain text";
        EXPECT_FALSE(IsOwnerDrawn(menu.m_hMenu, pos));
        EXPECT_EQ(static_cast<UINT>(MF_BYPOSITION | MF_POPUP), menu.GetItem(pos)->m_flags);
        CIconMenu* pPopup = Popup(menu, pos);
        ASSERT_NE(nullptr, pPopup) << "GetSubMenu returns the attached icon menu";
        EXPECT_TRUE(CIconMenu::IsIconMenu(pPopup));
        ASSERT_EQ(counts[pos], pPopup->GetMenuItemCount());
        ASSERT_EQ(counts[pos], pPopup->GetItemCount());
        for (int item = 0; item < counts[pos]; ++item) {
            EXPECT_TRUE(IsOwnerDrawn(pPopup->m_hMenu, item)) << item;
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pPopup->GetItem(item)), ItemData(pPopup->m_hMenu, item)) << item;
        }
    }
    CIconMenu* pOptions = Popup(menu, kOptionsPopup);
    IconMenuItem* pSeparator = pOptions->GetItem(kSeparatorPos);
    EXPECT_EQ(0u, pSeparator->m_commandId);
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), pSeparator->m_flags);
    EXPECT_EQ(L"E&xit", pOptions->GetItem(kExitPos)->m_text);
    std::string text;
    EXPECT_TRUE(menu.GetItemText(ID_APP_ABOUT, text, MF_BYCOMMAND));
    EXPECT_EQ("&About Brisco...", text);
    EXPECT_FALSE(menu.GetItemText(ID_TEST_NOWHERE, text, MF_BYCOMMAND));
    EXPECT_FALSE(pOptions->GetItemText(kExitPos + 1, text, MF_BYPOSITION));
    EXPECT_THROW(pOptions->GetItem(kExitPos + 1), CInvalidArgException);
}

TEST_F(IconMenuModelTest, LoadingFailsCleanly)
{
    CIconMenu menu;
    size_t registered = g_iconPopups.size();
    EXPECT_FALSE(menu.LoadFromResource(ID_TEST_NOWHERE));
    EXPECT_EQ(nullptr, menu.m_hMenu);
    ASSERT_TRUE(menu.LoadFromResource(IDR_CONFIG_SPACE_POPUP));
    EXPECT_FALSE(menu.LoadFromResource(IDR_BAR_POPUP)) << "a loaded menu is not loaded over";
    EXPECT_EQ(registered + 1, g_iconPopups.size());
}

TEST_F(IconMenuModelTest, ToolbarImagesGoToTheItemsOfTheirCommands)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_MAINFRAME));
    ASSERT_TRUE(menu.AddToolbarImages(IDR_MAINFRAME));
    CImageList toolbar;
    ASSERT_TRUE(toolbar.Create(16, 15, ILC_COLORDDB | ILC_MASK, 1, 1));
    ASSERT_TRUE(AppendResourceBitmap(toolbar, IDR_MAINFRAME));
    ASSERT_EQ(2, toolbar.GetImageCount());

    struct Case {
        UINT command;
        int image;
    } cases[] = {{ID_OPTIONS_REFRESH, 0}, {ID_APP_ABOUT, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        int position = -1;
        CIconMenu* pOwner = menu.FindCommandOwner(c.command, position);
        ASSERT_NE(nullptr, pOwner);
        IconMenuItem* pItem = pOwner->GetItem(position);
        ASSERT_TRUE(pItem->HasImage());
        ASSERT_NE(nullptr, pItem->m_images);
        EXPECT_EQ(ImagePixels(toolbar, c.image), ImagePixels(*pItem->m_images, pItem->m_imageIndex));
        EXPECT_NE(0u, pItem->m_flags & MF_OWNERDRAW);
    }
    IconMenuItem* pExit = Popup(menu, kOptionsPopup)->GetItem(kExitPos);
    EXPECT_FALSE(pExit->HasImage());
    EXPECT_EQ(nullptr, pExit->m_images);
    EXPECT_FALSE(menu.AddToolbarImages(ID_TEST_NOWHERE)) << "no such toolbar";
}

TEST_F(IconMenuModelTest, CommandInTwoPopupsGetsItsImageInBothAndKeepsItsRecords)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_TEST_MENU));
    // The toolbar's middle button carries a command that no menu has.
    ASSERT_TRUE(menu.AddToolbarImages(IDR_TEST_MENU));
    CIconMenu* pFirst = Popup(menu, 0);
    ASSERT_NE(nullptr, pFirst);
    CIconMenu* pNested = Popup(*pFirst, 3);
    ASSERT_NE(nullptr, pNested);
    for (CIconMenu* pMenu : {pFirst, pNested}) {
        IconMenuItem* pItem = pMenu->GetItem(0);
        SCOPED_TRACE(IconMenuSupport::ToNarrow(pItem->m_text));
        EXPECT_EQ(static_cast<UINT_PTR>(ID_OPTIONS_REFRESH), pItem->m_commandId);
        EXPECT_TRUE(pItem->HasImage());
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pItem), ItemData(pMenu->m_hMenu, 0)) << "each item keeps its own record";
    }
    EXPECT_FALSE(pFirst->GetItem(1)->HasImage());
    EXPECT_TRUE(Popup(menu, 1)->GetItem(0)->HasImage()) << "About, the toolbar's third button";
    EXPECT_FALSE(menu.SetItemImage(ID_TEST_NOWHERE, nullptr, 0));
    EXPECT_TRUE(menu.SetItemImage(ID_OPTIONS_REFRESH, nullptr, 0));
    EXPECT_FALSE(pFirst->GetItem(0)->HasImage()) << "without a list the image is removed";
    EXPECT_FALSE(pNested->GetItem(0)->HasImage());
}

TEST_F(IconMenuModelTest, AcceleratorTextsLineUp)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_TEST_MENU));
    CIconMenu* pFirst = Popup(menu, 0);
    ASSERT_NE(nullptr, pFirst);
    EXPECT_EQ(L"Plain", pFirst->GetItem(2)->m_text) << "texts without a tab keep their text";
    EXPECT_EQ(L"&Nested", pFirst->GetItem(3)->m_text);

    IconMenuSupport::CMeasureDC dc;
    int widest = dc.WidthOf(std::string("&Long label text "));
    for (int pos : {0, 1}) {
        std::string text = IconMenuSupport::ToNarrow(pFirst->GetItem(pos)->m_text);
        SCOPED_TRACE(text);
        size_t tab = text.find('\t');
        ASSERT_NE(std::string::npos, tab);
        std::string label = text.substr(0, tab);
        EXPECT_GE(dc.WidthOf(label), widest);
        EXPECT_LT(dc.WidthOf(label.substr(0, label.size() - 1)), widest) << "no more blanks than needed";
        EXPECT_EQ(label.substr(0, label.find_last_not_of(' ') + 1), pos == 0 ? "&Refresh" : "&Long label text");
    }
    EXPECT_NE(std::string::npos, IconMenuSupport::ToNarrow(pFirst->GetItem(0)->m_text).find("\tF5"));
}

TEST_F(IconMenuModelTest, DestroyingEmptiesTheRegistryAlsoForADetachedRoot)
{
    for (bool detach : {false, true}) {
        SCOPED_TRACE(detach ? "detached root" : "attached root");
        auto menu = std::make_unique<CIconMenu>();
        ASSERT_TRUE(menu->LoadFromResource(IDR_TEST_MENU));
        CIconMenu* pFirst = Popup(*menu, 0);
        std::vector<HMENU> popups = {Popup(*menu, 0)->m_hMenu, Popup(*menu, 1)->m_hMenu, Popup(*pFirst, 3)->m_hMenu};
        for (HMENU hPopup : popups)
            EXPECT_TRUE(Registered(hPopup));
        HMENU hRoot = detach ? menu->Detach() : nullptr;
        menu.reset();
        for (HMENU hPopup : popups) {
            EXPECT_FALSE(Registered(hPopup));
            EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(hPopup)) << "the child objects are deleted";
        }
        if (hRoot != nullptr)
            ::DestroyMenu(hRoot);
    }
}

// ---- Resynchronisation, measuring and mnemonics ----

class IconMenuSyncTest : public IconMenuModelTest {
protected:
    void SetUp() override
    {
        IconMenuModelTest::SetUp();
        ASSERT_TRUE(m_menu.LoadFromResource(IDR_MAINFRAME));
        ASSERT_TRUE(m_menu.AddToolbarImages(IDR_MAINFRAME));
        m_options = Popup(m_menu, kOptionsPopup);
        ASSERT_NE(nullptr, m_options);
        for (int pos = 0; pos < m_options->GetItemCount(); ++pos)
            m_records.push_back(m_options->GetItem(pos));
    }
    void ExpectOwnerDrawnWithRecords(const std::vector<IconMenuItem*>& records)
    {
        ASSERT_EQ(static_cast<int>(records.size()), m_options->GetMenuItemCount());
        ASSERT_EQ(static_cast<int>(records.size()), m_options->GetItemCount());
        for (int pos = 0; pos < m_options->GetItemCount(); ++pos) {
            SCOPED_TRACE(pos);
            EXPECT_TRUE(IsOwnerDrawn(m_options->m_hMenu, pos));
            EXPECT_EQ(records[static_cast<size_t>(pos)], m_options->GetItem(pos));
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(records[static_cast<size_t>(pos)]), ItemData(m_options->m_hMenu, pos));
        }
    }

    CIconMenu m_menu;
    CIconMenu* m_options = nullptr;
    std::vector<IconMenuItem*> m_records;
};

TEST_F(IconMenuSyncTest, DisabledCheckedAndRenamedItemsStayOwnerDrawn)
{
    m_options->EnableMenuItem(kExitPos, MF_BYPOSITION | MF_GRAYED);
    m_options->CheckMenuItem(kRefreshPos, MF_BYPOSITION | MF_CHECKED);
    // What the framework does for a command handler that sets a text.
    m_options->ModifyMenu(kExitPos, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_APP_EXIT, "&Quit");
    CIconMenu::RefreshPopup(m_options);
    ExpectOwnerDrawnWithRecords(m_records);
    EXPECT_TRUE(m_records[kRefreshPos]->HasImage()) << "the image survives";
    EXPECT_NE(0u, m_records[kRefreshPos]->m_flags & MF_CHECKED);
    EXPECT_NE(0u, m_records[kExitPos]->m_flags & MF_GRAYED);
    EXPECT_EQ(L"&Quit", m_records[kExitPos]->m_text);
    EXPECT_EQ(L"&Refresh!", m_records[kRefreshPos]->m_text) << "an owner-drawn item keeps its recorded text";
    EXPECT_NE(0u, m_options->GetMenuState(kExitPos, MF_BYPOSITION) & MF_GRAYED);
    CIconMenu::RefreshPopup(nullptr);
}

TEST_F(IconMenuSyncTest, RemovedAndAddedItemsChangeTheRecords)
{
    m_options->DeleteMenu(kRefreshPos, MF_BYPOSITION);
    m_options->AppendMenu(MF_STRING, ID_TEST_PLAIN, "&Plain");
    m_options->AppendMenu(MF_SEPARATOR, 0, nullptr);
    m_options->ResyncItems();
    const int count = static_cast<int>(m_records.size()) + 1;
    ASSERT_EQ(count, m_options->GetItemCount());
    for (int pos = kRefreshPos + 1; pos < static_cast<int>(m_records.size()); ++pos)
        EXPECT_EQ(m_records[size_t(pos)], m_options->GetItem(pos - 1)) << "the records after the removed one move up";
    IconMenuItem* pAdded = m_options->GetItem(count - 2);
    EXPECT_EQ(L"&Plain", pAdded->m_text);
    EXPECT_EQ(static_cast<UINT_PTR>(ID_TEST_PLAIN), pAdded->m_commandId);
    EXPECT_FALSE(pAdded->HasImage());
    EXPECT_TRUE(m_options->GetItem(count - 1)->IsSeparator());
    for (int pos = 0; pos < count; ++pos) {
        EXPECT_TRUE(IsOwnerDrawn(m_options->m_hMenu, pos)) << pos;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(m_options->GetItem(pos)), ItemData(m_options->m_hMenu, pos)) << pos;
    }
}

TEST_F(IconMenuSyncTest, ItemsMeasureFromTheirTextAndTheImageSize)
{
    int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    MEASUREITEMSTRUCT separator = {};
    separator.CtlType = ODT_MENU;
    separator.itemData = reinterpret_cast<ULONG_PTR>(m_records[kSeparatorPos]);
    m_options->MeasureItem(&separator);
    EXPECT_EQ(0u, separator.itemWidth);
    EXPECT_EQ(static_cast<UINT>(menuHeight / 2), separator.itemHeight);

    IconMenuSupport::CMeasureDC dc;
    for (int pos : {kRefreshPos, kExitPos}) {
        SCOPED_TRACE(pos);
        MEASUREITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemData = reinterpret_cast<ULONG_PTR>(m_records[static_cast<size_t>(pos)]);
        m_options->MeasureItem(&item);
        EXPECT_EQ(static_cast<UINT>(dc.WidthOf(m_records[static_cast<size_t>(pos)]->m_text) + 33), item.itemWidth);
        EXPECT_EQ(static_cast<UINT>(std::max(menuHeight, 19)), item.itemHeight);
    }
    MEASUREITEMSTRUCT noRecord = {};
    noRecord.CtlType = ODT_MENU;
    m_options->MeasureItem(&noRecord);
    EXPECT_EQ(33u, noRecord.itemWidth) << "an item without a record measures as an empty one";
}

TEST_F(IconMenuSyncTest, MnemonicsFindTheirItems)
{
    constexpr LRESULT kExecuteExit = MAKELRESULT(kExitPos, MNC_EXECUTE);
    EXPECT_EQ(kExecuteExit, CIconMenu::HandleMenuChar('x', MF_POPUP, m_options));
    EXPECT_EQ(kExecuteExit, CIconMenu::HandleMenuChar('X', MF_POPUP, m_options));
    EXPECT_EQ(MAKELRESULT(kRefreshPos, MNC_EXECUTE), CIconMenu::HandleMenuChar('r', MF_POPUP, m_options));
    EXPECT_EQ(0, CIconMenu::HandleMenuChar('q', MF_POPUP, m_options)) << "no item has q";
    EXPECT_EQ(0, CIconMenu::HandleMenuChar('x', 0, m_options)) << "the menu bar's flags";
    EXPECT_EQ(0, CIconMenu::HandleMenuChar('x', MF_POPUP, nullptr));

    // A changed item count is resynchronised before the search.
    m_options->DeleteMenu(kRefreshPos, MF_BYPOSITION);
    EXPECT_EQ(MAKELRESULT(kExitPos - 1, MNC_EXECUTE), CIconMenu::HandleMenuChar('x', MF_POPUP, m_options));
    EXPECT_EQ(0, CIconMenu::HandleMenuChar('r', MF_POPUP, m_options));

    // A literal ampersand is not a mnemonic.
    m_options->AppendMenu(MF_STRING, ID_TEST_PLAIN, "Save && &quit");
    EXPECT_EQ(MAKELRESULT(kExitPos, MNC_EXECUTE), CIconMenu::HandleMenuChar('q', MF_POPUP, m_options));
    EXPECT_EQ(0, CIconMenu::HandleMenuChar(' ', MF_POPUP, m_options));
}

// ---- In a window ----

// Sends keys to the popup menu once it is open, then lets the test look at it.
struct MenuScript {
    std::vector<WPARAM> chars;
    bool opened = false;
};
MenuScript g_script;

void CALLBACK TypeIntoMenu(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
    if (hMenuWnd == nullptr || !::IsWindowVisible(hMenuWnd))
        return;
    ::KillTimer(nullptr, idEvent);
    g_script.opened = true;
    for (WPARAM c : g_script.chars)
        ::PostMessageA(hMenuWnd, WM_CHAR, c, 0);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(IconMenuModelTest, TypedMnemonicRunsTheItemOfAnOpenPopup)
{
    CMenuFrame* pFrame = MainFrame();
    HMENU hBar = ::GetMenu(pFrame->m_hWnd);
    ASSERT_TRUE(CIconMenu::IsIconMenu(::GetSubMenu(hBar, 0)));
    CMenu* pFirst = CMenu::FromHandle(::GetSubMenu(hBar, 0));

    struct Case {
        WPARAM typed;
        UINT command;
    } cases[] = {{'l', ID_TEST_LONG}, {'P', 0}, {'z', 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<char>(c.typed));
        pFrame->m_commands.clear();
        pFrame->m_menuChars = 0;
        g_script = MenuScript{{c.typed}};
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &TypeIntoMenu);
        pFirst->TrackPopupMenu(TPM_LEFTALIGN, 100, 100, pFrame);
        ::KillTimer(nullptr, timer);
        CTestSeams::PumpUntilIdle();
        EXPECT_TRUE(g_script.opened);
        EXPECT_EQ(1, pFrame->m_menuChars);
        if (c.command != 0) {
            ASSERT_EQ(1u, pFrame->m_commands.size());
            EXPECT_EQ(c.command, pFrame->m_commands[0]);
        } else {
            EXPECT_TRUE(pFrame->m_commands.empty()) << "Plain has no mnemonic, z is nowhere";
        }
    }
    EXPECT_GT(pFrame->m_measured, 0);
}

TEST_F(IconMenuModelTest, OpeningAPopupAppliesTheCommandHandlersAndKeepsItOwnerDrawn)
{
    CMenuFrame* pFrame = MainFrame();
    HMENU hFirst = ::GetSubMenu(::GetMenu(pFrame->m_hWnd), 0);
    auto* pFirst = dynamic_cast<CIconMenu*>(CMenu::FromHandle(hFirst));
    ASSERT_NE(nullptr, pFirst);
    IconMenuItem* pRefresh = pFirst->GetItem(0);
    for (bool enabled : {false, true}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        pFrame->m_refreshEnabled = enabled;
        pFrame->m_plainText = enabled ? "Plain &again" : "Plain &renamed";
        g_script = MenuScript{};
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &TypeIntoMenu);
        pFirst->TrackPopupMenu(TPM_LEFTALIGN, 100, 100, pFrame);
        ::KillTimer(nullptr, timer);
        CTestSeams::PumpUntilIdle();
        ASSERT_TRUE(g_script.opened);
        EXPECT_EQ(pRefresh, pFirst->GetItem(0));
        EXPECT_TRUE(pRefresh->HasImage());
        EXPECT_EQ(enabled, (::GetMenuState(hFirst, 0, MF_BYPOSITION) & MF_GRAYED) == 0);
        IconMenuItem* pPlain = pFirst->GetItem(2);
        EXPECT_EQ(IconMenuSupport::ToWide(pFrame->m_plainText), pPlain->m_text);
        EXPECT_TRUE(IsOwnerDrawn(hFirst, 2));
        EXPECT_NE(0u, ::GetMenuState(hFirst, 2, MF_BYPOSITION) & MF_CHECKED);
    }
}

} // namespace
