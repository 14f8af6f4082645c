// An owner-drawn menu built from a menu resource: every item inside a popup is drawn by the
// program, with the toolbar image of the same command, check marks, radio dots, right-aligned
// accelerator texts and mnemonic keys found by the program.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "controls/iconmenu/IconMenuItem.h"
#include "framework/Bitmap.h"
#include "framework/Dc.h"
#include "framework/ImageList.h"
#include "framework/Menu.h"

// Every popup that an icon menu created and has not destroyed yet; a handle appears once per
// creation. It lets a window recognise an icon popup from the bare handle of a menu message.
extern std::vector<HMENU> g_iconPopups;

// Adds a bitmap resource to an image list, its button greys mapped to the system colours
// and the button face made transparent; false when the bitmap could not be added.
BOOL AppendResourceBitmap(CImageList& list, UINT nBitmapId);

class CIconMenu : public CMenu {
public:
    CIconMenu();
    ~CIconMenu() override;

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;
    virtual BOOL LoadFromResource(UINT nMenuId);
    // Builds the whole tree: the root's items stay plain text, every popup item is owner-drawn.
    // FALSE when the resource is missing or malformed, or this object already holds a menu.
    virtual BOOL LoadFromResource(LPCSTR lpszResourceName);
    // Deletes the child menu objects and records and destroys the menu; also for a root whose
    // handle was detached and handed to a window.
    virtual void DestroyMenuTree();

    // Gives every item whose command has a button on the toolbar that button's image.
    BOOL AddToolbarImages(UINT nToolBarId);
    // Appends one owner-drawn item; an id of 0 makes a separator.
    BOOL AppendIconItem(const std::wstring& text, UINT nFlags, UINT_PTR nIdOrPopup);
    // Copies one image of a list into the record of every item with the command; without a
    // list the items lose their image. FALSE when no item of the tree carries the command.
    BOOL SetItemImage(UINT nCommandId, CImageList* pImages, int nImageIndex);
    // The first menu of the tree, depth first, and the position in it that hold the command.
    CIconMenu* FindCommandOwner(UINT nCommandId, int& nPosition);
    // The text of an item by position (MF_BYPOSITION) or by command.
    BOOL GetItemText(UINT nPosOrId, std::string& text, UINT nFlags);
    // Pads the labels before accelerator texts with blanks so that the accelerators line up.
    void AlignAcceleratorText();

    static BOOL IsIconMenu(const CMenu* pMenu);
    static BOOL IsIconMenu(HMENU hMenu);

    // Puts the records of a popup back in step with its items after the framework touched it.
    static void RefreshPopup(CMenu* pMenu);
    void ResyncItems();
    // The answer to WM_MENUCHAR: execute the first item whose mnemonic is the typed letter.
    static LRESULT HandleMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);

    // The two looks of an item: flat on true-colour displays, raised on palette displays.
    void DrawItemFlat(LPDRAWITEMSTRUCT lpDrawItemStruct);
    void DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct);

    // Painting operations that depend on the image size.
    void PaintCheckCell(CDC* pDC, const RECT& cell, BOOL bSelected, BOOL bRadio);
    void PaintCheckCellFlat(CDC* pDC, const RECT& cell, BOOL bRadio, COLORREF frameColor);
    BOOL RenderIconBitmap(CDC* pDC, CImageList* pImages, int nIndex, CBitmap& bitmap);
    void DrawEmbossed(CDC* pDC, int x, int y, int nWidth, int nHeight, CBitmap& source, int sourceX, int sourceY,
                      COLORREF background);

    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    // The record at a position; raises CInvalidArgException outside the array.
    IconMenuItem* GetItem(int nPosition) const;

private:
    struct ItemLocation {
        CIconMenu* menu;
        int position;
    };

    // Every menu and position of the tree that hold the command, depth first.
    void CollectCommandItems(UINT nCommandId, std::vector<ItemLocation>& found);
    BOOL BuildFromTemplate(const BYTE* pData, size_t size);
    void MakeRootItemsPlain();
    void CopyImage(IconMenuItem& item, CImageList* pImages, int nImageIndex);
    IconMenuItem* TakeUnsynced(UINT_PTR nId);
    std::unique_ptr<IconMenuItem> MakeRecord(int nPosition, const std::string& text, UINT nFlags, UINT_PTR nId);

    std::vector<std::unique_ptr<IconMenuItem>> m_items;
    std::vector<HMENU> m_popupHandles;
    int m_imageWidth = 16;
    int m_imageHeight = 15;
};
