// Identifiers of Brisco's resources, shared by brisco.rc and the program.
// Plain macros only: windres reads this file too.
#pragma once

// ---- Main frame: menu, accelerators, toolbar, icon and document string ----
#define IDR_MAINFRAME                128

// ---- Context menus of the function view's pages ----
#define IDR_CONFIG_SPACE_POPUP       129
#define IDR_BAR_POPUP                130
#define IDR_CAPABILITIES_POPUP       131
#define IDR_SPACE_HEX_POPUP          132

// ---- Bitmaps ----
// IDR_MAINFRAME doubles as the toolbar's bitmap (sixteen colours, 16 x 15 images).
#define IDB_TREE_IMAGES              133

// Geometry of the images in the toolbar bitmap and the tree image strip.
#define BRISCO_IMAGE_WIDTH           16
#define BRISCO_IMAGE_HEIGHT          15
#define BRISCO_TREE_IMAGE_COUNT      20

// Images of IDB_TREE_IMAGES, one per device kind.
#define IMG_TREE_OTHER               0
#define IMG_TREE_BRIDGE              1
#define IMG_TREE_MULTI_FUNCTION      2
#define IMG_TREE_SYSTEM_PERIPHERAL   3
#define IMG_TREE_NETWORK             4
#define IMG_TREE_DISPLAY             5
#define IMG_TREE_ENCRYPTION          6
#define IMG_TREE_WIRELESS            7
#define IMG_TREE_SIGNAL_PROCESSING   8
#define IMG_TREE_COMMUNICATION       9
#define IMG_TREE_STORAGE             10
#define IMG_TREE_FLOPPY_DOCK         11
#define IMG_TREE_FIREWIRE            12
#define IMG_TREE_SATELLITE           13
#define IMG_TREE_INPUT               14
#define IMG_TREE_INTELLIGENT_IO      15
#define IMG_TREE_MEMORY_PROCESSOR    16
#define IMG_TREE_AUDIO               17
#define IMG_TREE_USB                 18
#define IMG_TREE_VIDEO               19

// ---- Dialog templates ----
#define IDD_ABOUTBOX                 100
#define IDD_FUNCTION_VIEW            101
#define IDD_GOTO_OFFSET              102
#define IDD_FIND_FUNCTION            110
#define IDD_JOURNAL_TEXT             111
#define IDD_WRITE_JOURNAL            112

// ---- Controls of the function view (IDD_FUNCTION_VIEW) ----
#define IDC_FUNCTION_TABS            1000
#define IDC_CONFIG_LIST              1001
// The in-place edit that an edit list creates over a cell; not in any template.
#define IDC_CELL_EDIT                1002
// The list of BAR n is IDC_BAR0_LIST + n.
#define IDC_BAR0_LIST                1003
#define IDC_BAR1_LIST                1004
#define IDC_BAR2_LIST                1005
#define IDC_BAR3_LIST                1006
#define IDC_BAR4_LIST                1007
#define IDC_BAR5_LIST                1008
#define BRISCO_BAR_COUNT             6
#define IDC_CAPABILITIES_LIST        1011
#define IDC_SPACE_HEX_LIST           1012
// The field panes below the register lists, and the list inside each; not in any template.
#define IDC_CONFIG_FIELD_PANE        1013
#define IDC_CAPABILITY_FIELD_PANE    1014
#define IDC_FIELD_LIST               1015

// ---- Controls of the About box (IDD_ABOUTBOX) ----
#define IDC_ABOUT_LINK               1009
#define IDC_ABOUT_MAKER              1010

// ---- Controls of the go-to dialog of a BAR grid (IDD_GOTO_OFFSET) ----
#define IDC_GOTO_PROMPT              1020
#define IDC_GOTO_OFFSET              1021

// ---- Controls of the Find Function dialog (IDD_FIND_FUNCTION) ----
#define IDC_FIND_PROMPT              1030
#define IDC_FIND_TEXT                1031

// ---- Controls of the Open Last Journal dialog (IDD_JOURNAL_TEXT) ----
#define IDC_JOURNAL_TEXT             1040

// ---- Controls of the Write Journal window (IDD_WRITE_JOURNAL) ----
#define IDC_JOURNAL_LIST             1045
#define IDC_JOURNAL_STATUS           1046
#define IDC_JOURNAL_UNDO             1047
#define IDC_JOURNAL_EXPORT           1048

// ---- Brisco's own commands ----
#define ID_VIEW_32BIT                32784
#define ID_VIEW_16BIT                32785
#define ID_VIEW_8BIT                 32786
#define ID_VIEW_HEXADECIMAL          32775
#define ID_PAGE_REFRESH              32789
#define ID_OPTIONS_REFRESH           32790
// F5: the active pane's own refresh (the bus rescan in the tree, the page's in the function view).
#define ID_REFRESH_ACTIVE_PANE       32791
// Options: sweep every bus that no bridge of bus 0 reaches (remembered; off by default).
#define ID_OPTIONS_ALL_ROOT_BUSES    32792
#define ID_OPTIONS_COMPARE           32793
#define ID_OPTIONS_CLEAR_COMPARISON  32794
#define ID_OPTIONS_SAVE_IMAGE        32795
// Options: probe functions 1..7 of a device whose function 0 does not answer (remembered; off by default).
#define ID_OPTIONS_EVERY_FUNCTION    32796
// Ctrl+G: go to an offset of the current BAR grid.
#define ID_EDIT_GOTO_OFFSET          32800
// Ctrl+Tab / Ctrl+PgDn and Ctrl+Shift+Tab / Ctrl+PgUp: the function view's next or previous tab.
#define ID_NEXT_FUNCTION_TAB         32810
#define ID_PREV_FUNCTION_TAB         32811
// Ctrl+F and F3: select the first, then the next function that matches an address or IDs.
#define ID_EDIT_FIND_FUNCTION        32812
#define ID_EDIT_FIND_NEXT            32813
// Options: the write journal as a file, and the one an earlier session left unclean.
// Undo Write is the framework's undo command (Ctrl+Z, Alt+Backspace).
#define ID_OPTIONS_SAVE_JOURNAL      32820
#define ID_OPTIONS_OPEN_LAST_JOURNAL 32821
// Options: the modeless window that lists the write journal.
#define ID_OPTIONS_WRITE_JOURNAL     32822

// ---- Standard framework ids that the resources use ----
#include "framework/FrameworkIds.h"

// Resource type of toolbar button layouts (version, image size, button ids).
#define BRISCO_RT_TOOLBAR            241
