#pragma once
// The view-update hints that the document and the two panes exchange. The object of
// both is a CPciFunction (or null), carried unchanged in the framework's object pointer.
#include <windows.h>

class CObject;
class CPciFunction;

class CViewHints {
public:
    // Sent by the document after a rescan; the object is the new root.
    static constexpr LPARAM HINT_MODEL_REBUILT = 0;
    // Sent by the tree view when its selection changes; the object is the selected function.
    static constexpr LPARAM HINT_SELECTION_CHANGED = 1;
    // Sent by the document before a rescan frees the functions: views end edits and drop them.
    static constexpr LPARAM HINT_MODEL_REBUILDING = 2;
    // Sent by the document when a comparison with a saved image starts, ends or is recomputed.
    static constexpr LPARAM HINT_COMPARISON_CHANGED = 3;
    // Sent by the document before it scans: an open edit is written first, so the scan reads it.
    static constexpr LPARAM HINT_SCAN_STARTING = 4;
    // Sent by the document after it wrote a register itself (an undo): the pages show it again.
    static constexpr LPARAM HINT_FUNCTION_WRITTEN = 5;

    static CObject* HintFromFunction(CPciFunction* pFunction) { return reinterpret_cast<CObject*>(pFunction); }
    static CPciFunction* FunctionFromHint(CObject* pHint) { return reinterpret_cast<CPciFunction*>(pHint); }
};
