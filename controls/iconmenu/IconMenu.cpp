#include "controls/iconmenu/IconMenu.h"

#include <algorithm>
#include <cstring>
#include "controls/iconmenu/IconMenuSupport.h"
#include "framework/Afx.h"
#include "framework/ToolBar.h"
#include "framework/Wnd.h"

using IconMenuSupport::ToNarrow;
using IconMenuSupport::ToWide;

std::vector<HMENU> g_iconPopups;

namespace {

// Option word of a menu template entry: the last entry of its level.
constexpr WORD kMenuEnd = MF_END;
// Offset of the entries' start field from the template header's start.
constexpr size_t kTemplateHeaderSize = 4;
// Flags of the root's items once they are plain text again.
constexpr UINT kRootPopupFlags = MF_BYPOSITION | MF_POPUP;
constexpr UINT kRootItemFlags = MF_BYPOSITION;
// A label never grows by more blanks than this while accelerators are aligned.
constexpr int kMaxAlignBlanks = 256;
// GetMenuState's answer for a command that no item carries.
constexpr UINT kNoSuchItem = 0xFFFFFFFF;

// Reads menu template entries with bounds checks; any read past the end fails.
class CTemplateReader {
public:
    CTemplateReader(const BYTE* pData, size_t size) : m_data(pData), m_size(size) {}

    bool Seek(size_t offset)
    {
        m_offset = offset;
        return offset <= m_size;
    }
    bool ReadWord(WORD& value)
    {
        if (m_offset + sizeof(WORD) > m_size)
            return false;
        std::memcpy(&value, m_data + m_offset, sizeof(WORD));
        m_offset += sizeof(WORD);
        return true;
    }
    bool ReadText(std::wstring& text)
    {
        text.clear();
        for (WORD unit = 0;;) {
            if (!ReadWord(unit))
                return false;
            if (unit == 0)
                return true;
            text.push_back(static_cast<wchar_t>(unit));
        }
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

// One level of the menu being built and whether its last entry has been read.
struct BuildLevel {
    CIconMenu* menu;
    bool ending;
};

CIconMenu* AttachedIconMenu(HMENU hMenu)
{
    return dynamic_cast<CIconMenu*>(CMenu::FromHandlePermanent(hMenu));
}

void RemoveFromRegistry(HMENU hMenu)
{
    g_iconPopups.erase(std::remove(g_iconPopups.begin(), g_iconPopups.end(), hMenu), g_iconPopups.end());
}

// The number of colours of a bitmap resource's palette; 0 for a bitmap without one.
int BitmapColorCount(UINT nBitmapId)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRsrc = ::FindResourceA(hInst, MAKEINTRESOURCEA(nBitmapId), reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (hRsrc == nullptr || ::SizeofResource(hInst, hRsrc) < sizeof(BITMAPINFOHEADER))
        return 0;
    const void* pData = ::LockResource(::LoadResource(hInst, hRsrc));
    if (pData == nullptr)
        return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, pData, sizeof(header));
    if (header.biClrUsed != 0)
        return static_cast<int>(header.biClrUsed);
    switch (header.biBitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

} // namespace

BOOL AppendResourceBitmap(CImageList& list, UINT nBitmapId)
{
    constexpr int kMappedColorCount = 16;
    // The button face is what AfxLoadSysColorBitmap maps the background grey to.
    COLORREF mask = ::GetSysColor(COLOR_BTNFACE);
    CBitmap bitmap;
    if (BitmapColorCount(nBitmapId) == kMappedColorCount && bitmap.LoadMappedBitmap(nBitmapId))
        return ImageList_AddMasked(list.m_hImageList, bitmap, mask) >= 0;
    if (!bitmap.LoadBitmap(nBitmapId))
        return FALSE;
    return ImageList_AddMasked(list.m_hImageList, bitmap, mask) >= 0;
}

CIconMenu::CIconMenu() = default;

CIconMenu::~CIconMenu()
{
    DestroyMenuTree();
}

IconMenuItem* CIconMenu::GetItem(int nPosition) const
{
    if (nPosition < 0 || nPosition >= GetItemCount())
        AfxThrowInvalidArgException();
    return m_items[static_cast<size_t>(nPosition)].get();
}

BOOL CIconMenu::IsIconMenu(const CMenu* pMenu)
{
    return pMenu != nullptr && IsIconMenu(pMenu->m_hMenu);
}

BOOL CIconMenu::IsIconMenu(HMENU hMenu)
{
    return hMenu != nullptr && std::find(g_iconPopups.begin(), g_iconPopups.end(), hMenu) != g_iconPopups.end();
}

BOOL CIconMenu::LoadFromResource(UINT nMenuId)
{
    return LoadFromResource(MAKEINTRESOURCEA(nMenuId));
}

BOOL CIconMenu::LoadFromResource(LPCSTR lpszResourceName)
{
    if (m_hMenu != nullptr)
        return FALSE;
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRsrc = ::FindResourceA(hInst, lpszResourceName, reinterpret_cast<LPCSTR>(RT_MENU));
    if (hRsrc == nullptr)
        return FALSE;
    const auto* pData = static_cast<const BYTE*>(::LockResource(::LoadResource(hInst, hRsrc)));
    if (pData == nullptr)
        return FALSE;
    if (!CreateMenu())
        return FALSE;
    if (!BuildFromTemplate(pData, ::SizeofResource(hInst, hRsrc))) {
        DestroyMenuTree();
        return FALSE;
    }
    MakeRootItemsPlain();
    return TRUE;
}

BOOL CIconMenu::BuildFromTemplate(const BYTE* pData, size_t size)
{
    CTemplateReader reader(pData, size);
    WORD version = 0;
    WORD headerOffset = 0;
    if (!reader.ReadWord(version) || !reader.ReadWord(headerOffset) ||
        !reader.Seek(kTemplateHeaderSize + headerOffset))
        return FALSE;
    std::vector<BuildLevel> stack{{this, false}};
    std::wstring text;
    while (!stack.empty()) {
        WORD option = 0;
        if (!reader.ReadWord(option))
            return FALSE;
        UINT flags = option & ~static_cast<UINT>(kMenuEnd);
        bool last = (option & kMenuEnd) != 0;
        if ((option & MF_POPUP) != 0) {
            if (!reader.ReadText(text))
                return FALSE;
            if (last)
                stack.back().ending = true;
            auto popup = std::make_unique<CIconMenu>();
            if (!popup->CreatePopupMenu())
                return FALSE;
            CIconMenu* pPopup = popup.release();  // owned through m_popupHandles from here on
            stack.back().menu->AppendIconItem(text, flags, reinterpret_cast<UINT_PTR>(pPopup->m_hMenu));
            stack.push_back({pPopup, false});
            continue;
        }
        WORD id = 0;
        if (!reader.ReadWord(id) || !reader.ReadText(text))
            return FALSE;
        stack.back().menu->AppendIconItem(text, flags, id);
        if (last)
            stack.back().ending = true;
        while (!stack.empty() && stack.back().ending) {
            stack.back().menu->AlignAcceleratorText();
            stack.pop_back();
        }
    }
    return TRUE;
}

void CIconMenu::MakeRootItemsPlain()
{
    for (int pos = 0; pos < GetItemCount(); ++pos) {
        IconMenuItem* item = GetItem(pos);
        std::string text = ToNarrow(item->m_text);
        if ((item->m_flags & MF_POPUP) != 0) {
            item->m_flags = kRootPopupFlags;
        } else {
            item->m_flags = kRootItemFlags;
        }
        ::ModifyMenuA(m_hMenu, static_cast<UINT>(pos), item->m_flags | MF_STRING, item->m_commandId, text.c_str());
    }
}

BOOL CIconMenu::AppendIconItem(const std::wstring& text, UINT nFlags, UINT_PTR nIdOrPopup)
{
    if (nIdOrPopup == 0)
        nFlags = (nFlags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    else
        nFlags |= MF_OWNERDRAW;
    if ((nFlags & MF_POPUP) != 0) {
        HMENU hPopup = reinterpret_cast<HMENU>(nIdOrPopup);
        g_iconPopups.push_back(hPopup);
        m_popupHandles.push_back(hPopup);
    }
    auto item = std::make_unique<IconMenuItem>();
    item->m_text = text;
    item->m_flags = nFlags;
    item->m_commandId = nIdOrPopup;
    IconMenuItem* pItem = item.get();
    m_items.push_back(std::move(item));
    return ::AppendMenuA(m_hMenu, nFlags, nIdOrPopup, reinterpret_cast<LPCSTR>(pItem));
}

void CIconMenu::AlignAcceleratorText()
{
    IconMenuSupport::CMeasureDC dc;
    int widest = 0;
    for (const auto& item : m_items) {
        std::string text = ToNarrow(item->m_text);
        widest = std::max(widest, dc.WidthOf(text.substr(0, text.find('\t')) + " "));
    }
    for (const auto& item : m_items) {
        std::string text = ToNarrow(item->m_text);
        size_t tab = text.find('\t');
        if (tab == std::string::npos)
            continue;
        std::string label = text.substr(0, tab);
        for (int blanks = 0; blanks < kMaxAlignBlanks && dc.WidthOf(label) < widest; ++blanks)
            label += ' ';
        item->m_text = ToWide(label + text.substr(tab));
    }
}

BOOL CIconMenu::AddToolbarImages(UINT nToolBarId)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    if (pMainWnd == nullptr || m_hMenu == nullptr)
        return FALSE;
    // Only the resource's layout is wanted: the bar stays hidden while it exists.
    CToolBar toolBar;
    if (!toolBar.Create(pMainWnd, WS_CHILD | CBRS_TOP))
        return FALSE;
    BOOL loaded = toolBar.LoadToolBar(nToolBarId);
    CImageList images;
    if (loaded)
        loaded = images.Create(m_imageWidth, m_imageHeight, ILC_COLORDDB | ILC_MASK, 1, 1) &&
                 AppendResourceBitmap(images, nToolBarId);
    if (loaded) {
        for (int button = 0; button < toolBar.GetCount(); ++button) {
            UINT id = 0;
            UINT style = 0;
            int image = 0;
            toolBar.GetButtonInfo(button, id, style, image);
            if (id == 0 || ::GetMenuState(m_hMenu, id, MF_BYCOMMAND) == kNoSuchItem)
                continue;
            int index = image > 0 ? image : toolBar.CommandToIndex(id);
            SetItemImage(id, &images, index);
        }
    }
    toolBar.DestroyWindow();
    return loaded;
}

void CIconMenu::CollectCommandItems(UINT nCommandId, std::vector<ItemLocation>& found)
{
    int count = ::GetMenuItemCount(m_hMenu);
    for (int pos = 0; pos < count; ++pos) {
        if (HMENU hSub = ::GetSubMenu(m_hMenu, pos)) {
            if (CIconMenu* pSub = AttachedIconMenu(hSub))
                pSub->CollectCommandItems(nCommandId, found);
        } else if (::GetMenuItemID(m_hMenu, pos) == nCommandId) {
            found.push_back({this, pos});
        }
    }
}

CIconMenu* CIconMenu::FindCommandOwner(UINT nCommandId, int& nPosition)
{
    std::vector<ItemLocation> found;
    CollectCommandItems(nCommandId, found);
    if (found.empty()) {
        nPosition = -1;
        return nullptr;
    }
    nPosition = found.front().position;
    return found.front().menu;
}

void CIconMenu::CopyImage(IconMenuItem& item, CImageList* pImages, int nImageIndex)
{
    if (pImages == nullptr) {
        item.m_imageSource = -1;
        item.m_imageIndex = -1;
        return;
    }
    item.m_imageSource = 0;
    item.m_imageIndex = 0;
    if (item.m_images == nullptr)
        item.m_images = std::make_unique<CImageList>();
    item.m_images->DeleteImageList();
    if (nImageIndex < 0)
        return;
    int cx = m_imageWidth;
    int cy = m_imageHeight;
    ImageList_GetIconSize(pImages->m_hImageList, &cx, &cy);
    HICON hIcon = pImages->ExtractIcon(nImageIndex);
    if (item.m_images->Create(cx, cy, ILC_COLORDDB | ILC_MASK, 1, 1) && hIcon != nullptr)
        item.m_images->Add(hIcon);
    if (hIcon != nullptr)
        ::DestroyIcon(hIcon);
}

BOOL CIconMenu::SetItemImage(UINT nCommandId, CImageList* pImages, int nImageIndex)
{
    std::vector<ItemLocation> found;
    CollectCommandItems(nCommandId, found);
    BOOL result = FALSE;
    // Each item is modified in its own menu, so that every item keeps its own record as data.
    for (const ItemLocation& location : found) {
        if (location.position >= location.menu->GetItemCount())
            continue;
        IconMenuItem* item = location.menu->GetItem(location.position);
        CopyImage(*item, pImages, nImageIndex);
        item->m_flags = (item->m_flags & ~static_cast<UINT>(MF_BYPOSITION)) | MF_OWNERDRAW;
        item->m_commandId = nCommandId;
        result = ::ModifyMenuA(location.menu->m_hMenu, static_cast<UINT>(location.position),
                               item->m_flags | MF_BYPOSITION, nCommandId, reinterpret_cast<LPCSTR>(item));
    }
    return result;
}

BOOL CIconMenu::GetItemText(UINT nPosOrId, std::string& text, UINT nFlags)
{
    if ((nFlags & MF_BYPOSITION) == 0) {
        int position = -1;
        CIconMenu* pOwner = FindCommandOwner(nPosOrId, position);
        if (pOwner == nullptr)
            return FALSE;
        return pOwner->GetItemText(static_cast<UINT>(position), text, MF_BYPOSITION);
    }
    if (nPosOrId >= static_cast<UINT>(GetItemCount()))
        return FALSE;
    text = ToNarrow(GetItem(static_cast<int>(nPosOrId))->m_text);
    return TRUE;
}

void CIconMenu::DestroyMenuTree()
{
    RemoveFromRegistry(m_hMenu);
    for (auto it = m_popupHandles.rbegin(); it != m_popupHandles.rend(); ++it) {
        RemoveFromRegistry(*it);
        delete AttachedIconMenu(*it);
    }
    m_popupHandles.clear();
    m_items.clear();
    DestroyMenu();
}
