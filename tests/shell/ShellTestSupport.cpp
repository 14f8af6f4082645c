#include "tests/shell/ShellTestSupport.h"

namespace {

constexpr int kMaxLabel = 512;

void AddItems(CTreeCtrl& tree, HTREEITEM first, int depth, std::vector<CShownItem>& items)
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
        CShownItem shown;
        shown.depth = depth;
        shown.label = text;
        shown.image = info.iImage;
        shown.selectedImage = info.iSelectedImage;
        shown.function = reinterpret_cast<CPciFunction*>(info.lParam);
        shown.expanded = (info.state & TVIS_EXPANDED) != 0;
        shown.hasChildren = tree.GetChildItem(item) != nullptr;
        items.push_back(shown);
        AddItems(tree, tree.GetChildItem(item), depth + 1, items);
    }
}

}  // namespace

std::vector<CShownItem> ShownItems(CTreeCtrl& tree)
{
    std::vector<CShownItem> items;
    AddItems(tree, tree.GetRootItem(), 0, items);
    return items;
}

std::string WindowText(HWND hWnd)
{
    char text[kMaxLabel] = {};
    ::GetWindowTextA(hWnd, text, kMaxLabel);
    return text;
}
