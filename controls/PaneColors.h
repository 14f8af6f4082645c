#pragma once
// The colours of Brisco's panes: the background of the tree, the function view,
// its lists and the tabs that are not current, and the current tab with the band under the tab row.
#include <windows.h>

constexpr COLORREF kPaneBackgroundColor = RGB(247, 243, 233);
constexpr COLORREF kCurrentTabColor = RGB(212, 208, 200);
// A register that differs from the image the machine is compared with.
constexpr COLORREF kComparisonColor = RGB(255, 205, 160);
// The selected tree item while another pane has the focus.
constexpr COLORREF kInactiveSelectionColor = RGB(196, 208, 228);
