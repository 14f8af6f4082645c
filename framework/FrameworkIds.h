// Command, window and string ids that the framework defines for every program.
// Plain #defines only, so that resource scripts can include this file too.
#pragma once

// Standard commands.
#ifndef ID_SEPARATOR
#define ID_SEPARATOR 0
#endif
#ifndef ID_FILE_NEW
#define ID_FILE_NEW 57600
#endif
#ifndef ID_FILE_OPEN
#define ID_FILE_OPEN 57601
#endif
#ifndef ID_FILE_CLOSE
#define ID_FILE_CLOSE 57602
#endif
#ifndef ID_FILE_SAVE
#define ID_FILE_SAVE 57603
#endif
#ifndef ID_FILE_SAVE_AS
#define ID_FILE_SAVE_AS 57604
#endif
#ifndef ID_EDIT_CLEAR
#define ID_EDIT_CLEAR 57632
#endif
#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY 57634
#endif
#ifndef ID_EDIT_CUT
#define ID_EDIT_CUT 57635
#endif
#ifndef ID_EDIT_PASTE
#define ID_EDIT_PASTE 57637
#endif
#ifndef ID_EDIT_SELECT_ALL
#define ID_EDIT_SELECT_ALL 57642
#endif
#ifndef ID_EDIT_UNDO
#define ID_EDIT_UNDO 57643
#endif
#ifndef ID_APP_ABOUT
#define ID_APP_ABOUT 57664
#endif
#ifndef ID_APP_EXIT
#define ID_APP_EXIT 57665
#endif
#ifndef ID_NEXT_PANE
#define ID_NEXT_PANE 57680
#endif
#ifndef ID_PREV_PANE
#define ID_PREV_PANE 57681
#endif

// Child window ids of a frame.
#ifndef AFX_IDW_TOOLBAR
#define AFX_IDW_TOOLBAR 59392
#endif
#ifndef AFX_IDW_STATUS_BAR
#define AFX_IDW_STATUS_BAR 59393
#endif
#ifndef AFX_IDW_PANE_FIRST
#define AFX_IDW_PANE_FIRST 59648
#endif
#ifndef AFX_IDW_PANE_LAST
#define AFX_IDW_PANE_LAST 59903
#endif

// String ids.
#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE 57344
#endif
#ifndef AFX_IDS_IDLEMESSAGE
#define AFX_IDS_IDLEMESSAGE 57345
#endif

// Frame style bit: append the document title to the caption.
#ifndef FWS_ADDTOTITLE
#define FWS_ADDTOTITLE 0x00008000L
#endif

// Control bar styles (kept by the bar, never given to the window).
#ifndef CBRS_BORDER_LEFT
#define CBRS_BORDER_LEFT 0x0100L
#endif
#ifndef CBRS_BORDER_TOP
#define CBRS_BORDER_TOP 0x0200L
#endif
#ifndef CBRS_BORDER_RIGHT
#define CBRS_BORDER_RIGHT 0x0400L
#endif
#ifndef CBRS_BORDER_BOTTOM
#define CBRS_BORDER_BOTTOM 0x0800L
#endif
#ifndef CBRS_BORDER_ANY
#define CBRS_BORDER_ANY 0x0F00L
#endif
#ifndef CBRS_TOOLTIPS
#define CBRS_TOOLTIPS 0x0010L
#endif
#ifndef CBRS_FLYBY
#define CBRS_FLYBY 0x0020L
#endif
#ifndef CBRS_ALIGN_LEFT
#define CBRS_ALIGN_LEFT 0x1000L
#endif
#ifndef CBRS_ALIGN_TOP
#define CBRS_ALIGN_TOP 0x2000L
#endif
#ifndef CBRS_ALIGN_RIGHT
#define CBRS_ALIGN_RIGHT 0x4000L
#endif
#ifndef CBRS_ALIGN_BOTTOM
#define CBRS_ALIGN_BOTTOM 0x8000L
#endif
#ifndef CBRS_ALIGN_ANY
#define CBRS_ALIGN_ANY 0xF000L
#endif
#ifndef CBRS_TOP
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#endif
#ifndef CBRS_BOTTOM
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)
#endif
#ifndef CBRS_ALL
#define CBRS_ALL 0xFFFFL
#endif
