// Puts plain text on the clipboard, which both panes' Copy command needs.
#pragma once
#include <windows.h>

#include <string>

// Replaces the clipboard's contents by text (CF_TEXT); false when the clipboard is busy.
bool SetClipboardText(HWND owner, const std::string& text);
