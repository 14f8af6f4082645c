#pragma once
// Takes journal entries back on the tree as it is now: the function is found again by its
// address and checked by its IDs, so an undo after a rescan reaches the same device.
#include "decode/JournalRecorder.h"
#include "decode/WriteJournal.h"

#include <stddef.h>

#include <string>

class CPciFunction;

class CJournalUndo {
public:
    // Undoes journal entry index on the tree rooted at root (found by address and IDs, never by
    // pointer): plans with CWriteUndo::Plan, writes with CPciFunction::Write (BAR units:
    // WriteDeviceData and a read-back), records the undo in the journal, and returns the status
    // bar text (what was restored, what cannot be). false when nothing was written.
    static bool Undo(CWriteJournal& journal, CJournalRecorder& recorder, size_t index, CPciFunction& root,
                     std::string* status);
    // The last entry an Undo Write can take back (a kept or differing write not yet undone), or -1.
    static long LastUndoable(const CWriteJournal& journal);
    // The function of the tree at this address, or null.
    static CPciFunction* FindFunction(CPciFunction& root, uint16_t segment, uint32_t bus, uint32_t device,
                                      uint32_t function);
};
