// Keeping a popup's records in step with its items, measuring items and mnemonic keys.
#include <algorithm>
#include <cctype>
#include "controls/iconmenu/IconMenu.h"
#include "controls/iconmenu/IconMenuSupport.h"

using IconMenuSupport::ToWide;

namespace {

// State bits of an item that opens a popup, without MF_POPUP (the high byte is its count).
constexpr UINT kPopupStateMask = 0xEF;
constexpr UINT kResyncedPopupFlags = MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP;
constexpr UINT kResyncedSeparatorFlags = MF_SEPARATOR | MF_BYPOSITION | MF_OWNERDRAW;
constexpr UINT kResyncedItemFlags = MF_BYPOSITION | MF_OWNERDRAW;

std::string MenuString(HMENU hMenu, int nPosition)
{
    char buffer[512] = {};
    int length = ::GetMenuStringA(hMenu, static_cast<UINT>(nPosition), buffer, sizeof(buffer), MF_BYPOSITION);
    return std::string(buffer, static_cast<size_t>(std::max(length, 0)));
}

// The lower-cased mnemonic letter of a text: the character after the first "&" that is not
// part of a literal "&&"; 0 when there is none.
char MnemonicOf(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
        ++i;
    }
    return 0;
}

} // namespace

void CIconMenu::RefreshPopup(CMenu* pMenu)
{
    if (auto* pIconMenu = dynamic_cast<CIconMenu*>(pMenu))
        pIconMenu->ResyncItems();
}

IconMenuItem* CIconMenu::TakeUnsynced(UINT_PTR nId)
{
    for (const auto& item : m_items) {
        if (!item->m_synced && item->m_commandId == nId) {
            item->m_synced = TRUE;
            return item.get();
        }
    }
    return nullptr;
}

std::unique_ptr<IconMenuItem> CIconMenu::MakeRecord(int nPosition, const std::string& text, UINT nFlags, UINT_PTR nId)
{
    auto item = std::make_unique<IconMenuItem>();
    item->m_text = ToWide(text);
    item->m_flags = nFlags;
    item->m_commandId = nId;
    LPCSTR data = (nFlags & MF_OWNERDRAW) != 0 ? reinterpret_cast<LPCSTR>(item.get()) : nullptr;
    ::ModifyMenuA(m_hMenu, static_cast<UINT>(nPosition), nFlags, nId, data);
    return item;
}

void CIconMenu::ResyncItems()
{
    for (const auto& item : m_items)
        item->m_synced = FALSE;
    std::vector<IconMenuItem*> order;
    std::vector<std::unique_ptr<IconMenuItem>> created;
    for (int pos = 0; pos < ::GetMenuItemCount(m_hMenu); ++pos) {
        UINT state = ::GetMenuState(m_hMenu, static_cast<UINT>(pos), MF_BYPOSITION);
        IconMenuItem* item = nullptr;
        if ((state & MF_POPUP) != 0) {
            auto hPopup = reinterpret_cast<UINT_PTR>(::GetSubMenu(m_hMenu, pos));
            item = TakeUnsynced(hPopup);
            std::string text = MenuString(m_hMenu, pos);
            if (item != nullptr && !text.empty())
                item->m_text = ToWide(text);
            if (item == nullptr) {
                created.push_back(MakeRecord(pos, text, (state & kPopupStateMask) | kResyncedPopupFlags, hPopup));
                item = created.back().get();
            }
        } else if ((state & MF_SEPARATOR) != 0) {
            item = TakeUnsynced(0);
            if (item != nullptr) {
                ::ModifyMenuA(m_hMenu, static_cast<UINT>(pos), item->m_flags | MF_BYPOSITION, 0,
                              reinterpret_cast<LPCSTR>(item));
            } else {
                created.push_back(MakeRecord(pos, std::string(), state | kResyncedSeparatorFlags, 0));
                item = created.back().get();
            }
        } else {
            UINT id = ::GetMenuItemID(m_hMenu, pos);
            item = TakeUnsynced(id);
            std::string text = MenuString(m_hMenu, pos);
            UINT flags = state | kResyncedItemFlags;
            if (item != nullptr) {
                item->m_flags = flags;
                if (!text.empty())
                    item->m_text = ToWide(text);
                ::ModifyMenuA(m_hMenu, static_cast<UINT>(pos), flags, id, reinterpret_cast<LPCSTR>(item));
            } else {
                created.push_back(MakeRecord(pos, text, flags, id));
                item = created.back().get();
            }
        }
        order.push_back(item);
    }
    // Records of items that are gone are deleted with the old array.
    std::vector<std::unique_ptr<IconMenuItem>> items;
    items.reserve(order.size());
    for (IconMenuItem* item : order) {
        auto owned = std::find_if(m_items.begin(), m_items.end(), [item](const auto& p) { return p.get() == item; });
        if (owned != m_items.end()) {
            items.push_back(std::move(*owned));
            continue;
        }
        auto fresh = std::find_if(created.begin(), created.end(), [item](const auto& p) { return p.get() == item; });
        items.push_back(std::move(*fresh));
    }
    m_items = std::move(items);
}

void CIconMenu::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    const auto* item = reinterpret_cast<const IconMenuItem*>(lpMeasureItemStruct->itemData);
    int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    if (item != nullptr && item->IsSeparator()) {
        lpMeasureItemStruct->itemWidth = 0;
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(menuHeight >> 1);
        return;
    }
    int textWidth = 0;
    if (item != nullptr) {
        IconMenuSupport::CMeasureDC dc;
        textWidth = dc.WidthOf(item->m_text);
    }
    lpMeasureItemStruct->itemWidth = static_cast<UINT>(textWidth + 2 * m_imageWidth + 1);
    lpMeasureItemStruct->itemHeight = static_cast<UINT>(std::max(menuHeight, m_imageHeight + 4));
}

LRESULT CIconMenu::HandleMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu)
{
    auto* pIconMenu = dynamic_cast<CIconMenu*>(pMenu);
    if (pIconMenu == nullptr || (nFlags & MF_POPUP) == 0)
        return 0;
    char key = static_cast<char>(std::tolower(static_cast<unsigned char>(nChar)));
    if (::GetMenuItemCount(pIconMenu->m_hMenu) != pIconMenu->GetItemCount())
        pIconMenu->ResyncItems();
    for (int pos = 0; pos < pIconMenu->GetItemCount(); ++pos) {
        std::string text;
        if (pIconMenu->GetItemText(static_cast<UINT>(pos), text, MF_BYPOSITION) && key != 0 &&
            MnemonicOf(text) == key)
            return MAKELRESULT(pos, MNC_EXECUTE);
    }
    return 0;
}
