// Loads Brisco's compiled resources from this test program (which links brisco_res)
// and checks the ids, texts and image formats that the rest of the program relies on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "res/resource.h"

namespace {

// The numbers that the rest of the program and its users rely on, written out here
// rather than taken from resource.h, so that a wrong value there is caught.
constexpr UINT kMainFrame = 128;
constexpr UINT kTreeImages = 133;
constexpr UINT kRefreshBus = 32790;
constexpr UINT kAbout = 57664;
constexpr UINT kExit = 57665;
constexpr UINT kHexDisplay = 32775;
constexpr UINT kCopy = 57634;
constexpr UINT kGoToOffset = 32800;
constexpr UINT kSeparator = 0;
constexpr COLORREF kCyan = RGB(0, 255, 255);

HINSTANCE Module()
{
    return GetModuleHandleA(nullptr);
}

struct MenuEntry {
    std::string text;  // empty for a separator
    UINT id;
};

std::vector<MenuEntry> PopupEntries(HMENU popup)
{
    std::vector<MenuEntry> entries;
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info)) << "item " << i;
        entries.push_back({(info.fType & MFT_SEPARATOR) ? std::string() : std::string(text), info.wID});
    }
    return entries;
}

void ExpectPopup(HMENU menu, int position, const char* title, const std::vector<MenuEntry>& expected)
{
    SCOPED_TRACE(title);
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(title, text);
    HMENU popup = GetSubMenu(menu, position);
    ASSERT_NE(nullptr, popup);
    const std::vector<MenuEntry> actual = PopupEntries(popup);
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(expected[i].text, actual[i].text);
        EXPECT_EQ(expected[i].id, actual[i].id);
    }
}

std::string LoadText(UINT id)
{
    char text[512] = {};
    LoadStringA(Module(), id, text, sizeof text);
    return text;
}

// The resource bytes of a bitmap, starting at its BITMAPINFOHEADER.
const BITMAPINFOHEADER* BitmapHeader(UINT id)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    if (!found) return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), found)));
}

// Palette index of pixel (x, y) of a bottom-up 4-bit bitmap.
int PixelIndex(const BITMAPINFOHEADER* header, int x, int y)
{
    const auto* bits = reinterpret_cast<const BYTE*>(header) + header->biSize + 16 * sizeof(RGBQUAD);
    const int stride = ((header->biWidth * 4 + 31) / 32) * 4;
    const BYTE pair = bits[(header->biHeight - 1 - y) * stride + x / 2];
    return (x % 2 == 0) ? (pair >> 4) : (pair & 0x0F);
}

COLORREF PaletteColour(const BITMAPINFOHEADER* header, int index)
{
    const auto* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
    return RGB(palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue);
}

}  // namespace

TEST(Menus, MainMenuHasOptionsAndHelp)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(2, GetMenuItemCount(menu));
    ExpectPopup(menu, 0, "&Options",
                {{"&Refresh!", kRefreshBus}, {"Scan &All Root Buses", 32792}, {"Probe &Every Function Number", 32796},
                 {"Save &Machine Image...", 32795},
                 {"Compare With &Image...", 32793},
                 {"&Clear Comparison", 32794}, {"", kSeparator}, {"&Undo Write\tCtrl+Z", 57643},
                 {"Save &Write Journal...", 32820}, {"Open &Last Journal...", 32821}, {"Write &Journal", 32822},
                 {"", kSeparator},
                 {"&Find Function...\tCtrl+F", 32812},
                 {"Find &Next\tF3", 32813}, {"", kSeparator}, {"E&xit", kExit}});
    ExpectPopup(menu, 1, "&Help", {{"&About Brisco...", kAbout}});
    DestroyMenu(menu);
}

TEST(Menus, ContextMenusOfThePages)
{
    HMENU config = LoadMenuA(Module(), MAKEINTRESOURCEA(129));
    ASSERT_NE(nullptr, config);
    EXPECT_EQ(1, GetMenuItemCount(config));
    ExpectPopup(config, 0, "Configuration Space",
                {{"Hexadecimal Display", kHexDisplay}, {"", kSeparator}, {"&Copy\tCtrl+C", kCopy}});
    DestroyMenu(config);

    HMENU bar = LoadMenuA(Module(), MAKEINTRESOURCEA(130));
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(1, GetMenuItemCount(bar));
    ExpectPopup(bar, 0, "BAR",
                {{"Hexadecimal Display", kHexDisplay}, {"", kSeparator}, {"8-bit Display", 32786},
                 {"16-bit Display", 32785}, {"32-bit Display", 32784}, {"", kSeparator},
                 {"Refresh", 32789}, {"", kSeparator}, {"&Copy\tCtrl+C", kCopy},
                 {"&Go To Offset...\tCtrl+G", kGoToOffset}});
    DestroyMenu(bar);

    struct Popup {
        UINT id;
        const char* title;
        std::vector<MenuEntry> entries;
    };
    const Popup pages[] = {
        {131, "Capabilities",
         {{"Hexadecimal Display", kHexDisplay}, {"", kSeparator}, {"Refresh", 32789}, {"", kSeparator},
          {"&Copy\tCtrl+C", kCopy}}},
        {132, "Hex",
         {{"Hexadecimal Display", kHexDisplay}, {"", kSeparator}, {"8-bit Display", 32786},
          {"16-bit Display", 32785}, {"32-bit Display", 32784}, {"", kSeparator}, {"Refresh", 32789},
          {"", kSeparator}, {"&Copy\tCtrl+C", kCopy}, {"&Go To Offset...\tCtrl+G", kGoToOffset}}},
    };
    for (const Popup& page : pages) {
        HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(page.id));
        ASSERT_NE(nullptr, menu) << page.title;
        ExpectPopup(menu, 0, page.title, page.entries);
        DestroyMenu(menu);
    }
}

TEST(Accelerators, WholeTableOfTheMainFrame)
{
    HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(kMainFrame));
    ASSERT_NE(nullptr, table);
    std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));

    using Key = std::tuple<BYTE, WORD, WORD>;  // modifiers, virtual key, command
    std::multiset<Key> actual;
    for (const ACCEL& a : entries) actual.insert({static_cast<BYTE>(a.fVirt & ~FNOINVERT), a.key, a.cmd});
    const std::multiset<Key> expected = {
        {FVIRTKEY | FCONTROL, 'C', 57634}, {FVIRTKEY | FCONTROL, VK_INSERT, 57634},
        {FVIRTKEY | FCONTROL, 'G', kGoToOffset},
        {FVIRTKEY | FSHIFT, VK_DELETE, 57635}, {FVIRTKEY | FCONTROL, 'X', 57635},
        {FVIRTKEY | FCONTROL, 'V', 57637}, {FVIRTKEY | FSHIFT, VK_INSERT, 57637},
        {FVIRTKEY | FALT, VK_BACK, 57643}, {FVIRTKEY | FCONTROL, 'Z', 57643},
        {FVIRTKEY | FCONTROL, 'N', 57600}, {FVIRTKEY | FCONTROL, 'O', 57601},
        {FVIRTKEY | FCONTROL, 'S', 57603},
        {FVIRTKEY, VK_F6, 57680}, {FVIRTKEY | FSHIFT, VK_F6, 57681},
        {FVIRTKEY, VK_F5, 32791},  // the active pane's refresh
        // the function view's tabs, next and previous
        {FVIRTKEY | FCONTROL, VK_TAB, 32810}, {FVIRTKEY | FCONTROL, VK_NEXT, 32810},
        {FVIRTKEY | FCONTROL | FSHIFT, VK_TAB, 32811}, {FVIRTKEY | FCONTROL, VK_PRIOR, 32811},
        {FVIRTKEY | FCONTROL, 'F', 32812}, {FVIRTKEY, VK_F3, 32813},  // Find Function, Find Next
    };
    EXPECT_EQ(expected, actual);
    DestroyAcceleratorTable(table);
}

TEST(Strings, TitleDocumentStringPromptsAndTips)
{
    EXPECT_EQ("Brisco by Velmora", LoadText(57344));
    EXPECT_EQ("Brisco by Velmora\n\nBrisco\nBrisco Files (*.brx)\n.brx\nBrisco.Document\nBrisco.Document",
              LoadText(kMainFrame));
    EXPECT_EQ("Rescans the PCI bus and updates the views.", LoadText(kRefreshBus));
    // About and Exit carry a prompt and, after the line break, a tooltip.
    const std::string about = LoadText(kAbout);
    const std::string exit = LoadText(kExit);
    EXPECT_NE(std::string::npos, about.find('\n')) << about;
    EXPECT_EQ("About", about.substr(about.find('\n') + 1));
    EXPECT_EQ("Exit", exit.substr(exit.find('\n') + 1));
    EXPECT_EQ("Ready", LoadText(57345));
}

TEST(Toolbar, ButtonsAndTheirBitmap)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(kMainFrame), MAKEINTRESOURCEA(BRISCO_RT_TOOLBAR));
    ASSERT_NE(nullptr, found);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(Module(), found)));
    EXPECT_EQ(1, words[0]) << "version";
    EXPECT_EQ(16, words[1]) << "image width";
    EXPECT_EQ(15, words[2]) << "image height";
    ASSERT_EQ(2, words[3]) << "button count";
    EXPECT_EQ(kRefreshBus, words[4]);
    EXPECT_EQ(kAbout, words[5]);

    // Sixteen colours so that the button greys can be mapped to the system colours.
    const BITMAPINFOHEADER* header = BitmapHeader(kMainFrame);
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(16 * 2, header->biWidth);
    EXPECT_EQ(15, header->biHeight);
    EXPECT_EQ(4, header->biBitCount);
    EXPECT_EQ(RGB(192, 192, 192), PaletteColour(header, PixelIndex(header, 15, 14))) << "button face corner";
}

TEST(TreeImages, TwentyImagesOnCyan)
{
    HBITMAP bitmap = LoadBitmapA(Module(), MAKEINTRESOURCEA(kTreeImages));
    ASSERT_NE(nullptr, bitmap);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(320, info.bmWidth);
    EXPECT_EQ(15, info.bmHeight);
    DeleteObject(bitmap);

    const BITMAPINFOHEADER* header = BitmapHeader(kTreeImages);
    ASSERT_NE(nullptr, header);
    ASSERT_EQ(4, header->biBitCount);
    ASSERT_EQ(320, header->biWidth);
    ASSERT_EQ(15, header->biHeight);
    for (int image = 0; image < 20; ++image) {
        SCOPED_TRACE("image " + std::to_string(image));
        int drawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x)
                drawn += PaletteColour(header, PixelIndex(header, image * 16 + x, y)) != kCyan;
        // Every image is a picture on a see-through background.
        EXPECT_GT(drawn, 30);
        EXPECT_LT(drawn, 16 * 15);
    }
}

TEST(TreeImages, BridgeIsRedAndGroupIsGreenOnRed)
{
    const BITMAPINFOHEADER* header = BitmapHeader(kTreeImages);
    ASSERT_NE(nullptr, header);
    auto count = [&](int image, COLORREF colour) {
        int n = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x)
                n += PaletteColour(header, PixelIndex(header, image * 16 + x, y)) == colour;
        return n;
    };
    EXPECT_GT(count(IMG_TREE_BRIDGE, RGB(255, 0, 0)), 20);
    EXPECT_GT(count(IMG_TREE_MULTI_FUNCTION, RGB(0, 255, 0)), 20);
    EXPECT_GT(count(IMG_TREE_MULTI_FUNCTION, RGB(255, 0, 0)), 5);
}

TEST(Icon, SmallAndLargeImages)
{
    for (int size : {16, 32}) {
        SCOPED_TRACE("size " + std::to_string(size));
        HICON icon = static_cast<HICON>(
            LoadImageA(Module(), MAKEINTRESOURCEA(kMainFrame), IMAGE_ICON, size, size, 0));
        ASSERT_NE(nullptr, icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(size, mask.bmWidth);
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
}

TEST(Version, FixedInfoSaysOnePointZero)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    ASSERT_NE(nullptr, found);
    // The fixed part follows the 6-byte header and the key "VS_VERSION_INFO", aligned to 4 bytes.
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes + 40, sizeof fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00010000u, fixed.dwFileVersionMS);
}

namespace {

// Creates a dialog from one of the templates as a hidden child or popup of a test window.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        m_owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, Module(), nullptr);
        ASSERT_NE(nullptr, m_owner);
    }
    void TearDown() override
    {
        if (m_dialog) DestroyWindow(m_dialog);
        if (m_owner) DestroyWindow(m_owner);
    }
    void Create(UINT id)
    {
        m_dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), m_owner, &DialogTest::Procedure, 0);
        ASSERT_NE(nullptr, m_dialog) << "dialog " << id << ", error " << GetLastError();
    }
    static INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM)
    {
        return message == WM_INITDIALOG;
    }
    std::string ClassOf(HWND window)
    {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        return name;
    }
    std::string TextOf(HWND window)
    {
        char text[512] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    HWND m_owner = nullptr;
    HWND m_dialog = nullptr;
};

}  // namespace

TEST_F(DialogTest, FunctionViewHoldsTabsConfigListAndHiddenPageLists)
{
    ASSERT_NO_FATAL_FAILURE(Create(101));
    EXPECT_EQ(WS_CHILD, GetWindowLongA(m_dialog, GWL_STYLE) & (WS_CHILD | WS_POPUP | WS_CAPTION));

    HWND tabs = GetDlgItem(m_dialog, 1000);
    ASSERT_NE(nullptr, tabs);
    EXPECT_EQ(0, lstrcmpiA("SysTabControl32", ClassOf(tabs).c_str()));
    EXPECT_TRUE(GetWindowLongA(tabs, GWL_STYLE) & WS_VISIBLE);

    // Multi-select, so that Ctrl+C copies several rows.
    const LONG listStyles = LVS_REPORT | LVS_ALIGNLEFT | LVS_NOSORTHEADER | WS_TABSTOP;
    HWND config = GetDlgItem(m_dialog, 1001);
    ASSERT_NE(nullptr, config);
    EXPECT_EQ(0, lstrcmpiA("SysListView32", ClassOf(config).c_str()));
    const LONG configStyle = GetWindowLongA(config, GWL_STYLE);
    EXPECT_EQ(listStyles, configStyle & listStyles);
    EXPECT_TRUE(configStyle & WS_VISIBLE);
    EXPECT_FALSE(configStyle & (LVS_OWNERDATA | LVS_SINGLESEL));

    EXPECT_EQ(nullptr, GetDlgItem(m_dialog, 1002)) << "the cell edit is created at run time";
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE("BAR " + std::to_string(n));
        HWND list = GetDlgItem(m_dialog, 1003 + n);
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(0, lstrcmpiA("SysListView32", ClassOf(list).c_str()));
        const LONG style = GetWindowLongA(list, GWL_STYLE);
        EXPECT_EQ(listStyles | LVS_OWNERDATA, style & (listStyles | LVS_OWNERDATA));
        EXPECT_FALSE(style & (WS_VISIBLE | LVS_SINGLESEL));
    }

    // The Capabilities list holds its rows like the register list; the Hex grid is virtual.
    const struct {
        int id;
        LONG ownerData;
    } pages[] = {{1011, 0}, {1012, LVS_OWNERDATA}};
    for (const auto& page : pages) {
        SCOPED_TRACE("list " + std::to_string(page.id));
        HWND list = GetDlgItem(m_dialog, page.id);
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(0, lstrcmpiA("SysListView32", ClassOf(list).c_str()));
        const LONG style = GetWindowLongA(list, GWL_STYLE);
        EXPECT_EQ(listStyles | page.ownerData, style & (listStyles | LVS_OWNERDATA));
        EXPECT_FALSE(style & (WS_VISIBLE | LVS_SINGLESEL));
    }
}

TEST_F(DialogTest, GoToOffsetAsksForOneOffset)
{
    ASSERT_NO_FATAL_FAILURE(Create(102));
    EXPECT_EQ("Go To Offset", TextOf(m_dialog));
    HWND offset = GetDlgItem(m_dialog, 1021);
    ASSERT_NE(nullptr, offset);
    EXPECT_EQ(0, lstrcmpiA("Edit", ClassOf(offset).c_str()));
    EXPECT_NE(nullptr, GetDlgItem(m_dialog, 1020)) << "the prompt";
    ASSERT_NE(nullptr, GetDlgItem(m_dialog, IDOK));
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(m_dialog, IDOK), GWL_STYLE) & 0x0F);
    EXPECT_NE(nullptr, GetDlgItem(m_dialog, IDCANCEL));
}

TEST_F(DialogTest, AboutBoxShowsNameIconLinkAndOk)
{
    ASSERT_NO_FATAL_FAILURE(Create(100));
    EXPECT_EQ("About Brisco", TextOf(m_dialog));

    HWND ok = GetDlgItem(m_dialog, IDOK);
    ASSERT_NE(nullptr, ok);
    EXPECT_EQ("OK", TextOf(ok));
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(ok, GWL_STYLE) & 0x0F);

    HWND link = GetDlgItem(m_dialog, 1009);
    ASSERT_NE(nullptr, link);
    EXPECT_EQ(0u, TextOf(link).rfind("https://", 0)) << TextOf(link);
    EXPECT_NE(nullptr, GetDlgItem(m_dialog, 1010));

    bool versionShown = false;
    bool iconShown = false;
    for (HWND child = GetWindow(m_dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        versionShown |= TextOf(child) == "Brisco Version 1.0";
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            iconShown |= SendMessageA(child, STM_GETICON, 0, 0) != 0;
    }
    EXPECT_TRUE(versionShown);
    EXPECT_TRUE(iconShown);
}
