#include "tests/support/TreeDescription.h"

#include "framework/TreeCtrl.h"

namespace {

constexpr int kMaxLabel = 512;

} // namespace

CTreeDescription::CTreeDescription(CTreeCtrl& tree)
{
    AddItems(tree, tree.GetRootItem(), 0);
}

HTREEITEM CTreeDescription::Find(const std::string& text) const
{
    for (const CItem& item : m_items) {
        if (item.label.find(text) != std::string::npos)
            return item.handle;
    }
    return nullptr;
}

void CTreeDescription::AddItems(CTreeCtrl& tree, HTREEITEM first, int depth)
{
    for (HTREEITEM item = first; item; item = tree.GetNextSiblingItem(item)) {
        char text[kMaxLabel] = {};
        TVITEMA info = {};
        info.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = kMaxLabel;
        info.stateMask = TVIS_EXPANDED;
        tree.SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
        CItem shown;
        shown.handle = item;
        shown.depth = depth;
        shown.label = text;
        shown.image = info.iImage;
        shown.selectedImage = info.iSelectedImage;
        shown.data = info.lParam;
        shown.expanded = (info.state & TVIS_EXPANDED) != 0;
        shown.hasChildren = tree.GetChildItem(item) != nullptr;
        m_items.push_back(shown);
        AddItems(tree, tree.GetChildItem(item), depth + 1);
    }
}
