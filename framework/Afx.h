// Process-wide framework functions: the application, resources, message boxes, beeps,
// debugger traces and string loading. Message boxes, beeps and traces go through the
// test seams (TestSeams.h) when a test installed them.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

class CWinApp;
class CWnd;

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstance);
// The module that holds a resource of the given name and type (the resource module).
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
const char* AfxGetAppName();

// A message box owned by the main window, with the application's name as caption.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(const std::string& text, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
// A message box with an explicit owner (may be null) and caption (null: the application's name).
int AfxShowMessageBox(HWND hWndOwner, const char* lpszText, const char* lpszCaption, UINT nType);
// The system beep of the given MB_ICON* kind.
BOOL AfxMessageBeep(UINT uType);
// A system colour (GetSysColor), or the test seam's answer when one is installed.
COLORREF AfxGetSysColor(int nIndex);
// One line of diagnostic text on the debugger output channel.
void AfxOutputDebugString(const char* lpszText);
// printf-style form of AfxOutputDebugString.
void AfxTrace(const char* lpszFormat, ...) __attribute__((format(printf, 1, 2)));

// Loads a string resource from the resource module; false when it does not exist.
bool AfxLoadString(UINT nID, std::string& text);
// Field n (0-based) of a text whose fields are separated by '\n'; empty when missing.
std::string AfxExtractSubString(const std::string& text, int index, char separator = '\n');
// The framework's own text for a standard command or string id, or null.
const char* AfxGetStandardString(UINT nID);

// Raised for an argument outside the bounds an operation accepts.
class CInvalidArgException : public std::invalid_argument {
public:
    CInvalidArgException() : std::invalid_argument("invalid argument") {}
};
[[noreturn]] void AfxThrowInvalidArgException();

// Loads a 16-colour bitmap resource and replaces the standard button colours (black,
// dark grey, light grey, white) by the current system button colours.
HBITMAP AfxLoadSysColorBitmap(HINSTANCE hInst, HRSRC hRsrc, BOOL bMono = FALSE);

// Registers the common-control window classes that the framework's wrappers use.
void AfxInitCommonControls();
