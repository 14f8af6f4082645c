// The framework's own prompt and tooltip texts ("prompt\ntip") for the standard commands,
// used when the program's string table has no entry of its own.
#include "framework/Afx.h"
#include "framework/FrameworkIds.h"

namespace {

struct StandardString {
    UINT id;
    const char* text;
};

constexpr StandardString kStandardStrings[] = {
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_CLOSE, "Close the active document\nClose"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_EDIT_CLEAR, "Erase the selection\nErase"},
    {ID_EDIT_COPY, "Copy the selection to the clipboard\nCopy"},
    {ID_EDIT_CUT, "Cut the selection to the clipboard\nCut"},
    {ID_EDIT_PASTE, "Insert the contents of the clipboard\nPaste"},
    {ID_EDIT_SELECT_ALL, "Select the whole document\nSelect All"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_APP_ABOUT, "Show the program's name, version and copyright\nAbout"},
    {ID_APP_EXIT, "Close the program\nExit"},
    {ID_NEXT_PANE, "Move to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Move back to the previous window pane\nPrevious Pane"},
};

} // namespace

const char* AfxGetStandardString(UINT nID)
{
    for (const StandardString& entry : kStandardStrings) {
        if (entry.id == nID)
            return entry.text;
    }
    return nullptr;
}
