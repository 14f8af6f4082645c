// The record behind one owner-drawn item of an icon menu; its address is the item's data.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "framework/ImageList.h"

// Created, changed and deleted only by CIconMenu.
struct IconMenuItem {
    // The item text with its "&" marker; a tab separates the label from an accelerator text.
    std::wstring m_text;
    // Index of the image in m_images; 0 once the item has an image, else -1.
    int m_imageIndex = -1;
    // -1: no image; 0: the image is in m_images.
    int m_imageSource = -1;
    // The MF_ flags under which the item was last added or modified.
    UINT m_flags = 0;
    // The command id; the popup's handle for an item that opens a popup; 0 for a separator.
    UINT_PTR m_commandId = 0;
    // Working mark of the resynchronisation of a popup.
    BOOL m_synced = FALSE;
    // The item's own one-image list.
    std::unique_ptr<CImageList> m_images;

    bool HasImage() const { return m_imageSource != -1; }
    bool IsSeparator() const { return (m_flags & MF_SEPARATOR) != 0; }
};
