// A question put to the user about the function on screen, open while it exists. A message
// box's own loop still dispatches commands; a rescan among them would free the function
// before the answer is acted on, so the document puts rescans off while any question is open.
#pragma once
#include "framework/Afx.h"

class CModalQuestion {
public:
    CModalQuestion() { ++s_openCount; }
    ~CModalQuestion() { --s_openCount; }
    CModalQuestion(const CModalQuestion&) = delete;
    CModalQuestion& operator=(const CModalQuestion&) = delete;

    static bool IsAnyOpen() { return s_openCount > 0; }

    // A message box with a question open while it shows; returns its answer (IDYES ...).
    static int Ask(HWND owner, const char* text, const char* caption, UINT type)
    {
        const CModalQuestion question;
        return AfxShowMessageBox(owner, text, caption, type);
    }

private:
    static inline int s_openCount = 0;
};
