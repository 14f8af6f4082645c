#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class CTreeCtrl;

// What a tree control shows, item by item in display order (depth first), read back through
// the control's own messages rather than from the model that filled it.
class CTreeDescription {
public:
    // One item as the control shows it.
    struct CItem
    {
        HTREEITEM handle = nullptr;
        int depth = 0;
        std::string label;
        int image = -1;
        int selectedImage = -1;
        LPARAM data = 0;
        bool expanded = false;
        bool hasChildren = false;
    };

    explicit CTreeDescription(CTreeCtrl& tree);

    const std::vector<CItem>& Items() const { return m_items; }
    // The first item whose label contains the text; null when there is none.
    HTREEITEM Find(const std::string& text) const;

private:
    void AddItems(CTreeCtrl& tree, HTREEITEM first, int depth);

    std::vector<CItem> m_items;
};
