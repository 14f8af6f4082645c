#pragma once
// Turns the writes a tree of functions makes into journal entries: the observer the document
// sets on every tree it builds, and the way the BAR page records writes to a BAR's range.
#include "decode/WriteJournal.h"
#include "device/WriteObserver.h"

#include <stdint.h>

#include <string>

class CJournalRecorder : public CWriteObserver {
public:
    // Records into journal, which outlives the recorder.
    explicit CJournalRecorder(CWriteJournal& journal) : m_journal(journal) {}

    // The page an undo's own entries name.
    static constexpr char kUndoPage[] = "Undo Write";

    // Where the writes that follow are made: "Configuration Space", "BAR 2".
    void SetPage(std::string page) { m_page = std::move(page); }
    const std::string& GetPage() const { return m_page; }
    // While set, the writes recorded take earlier ones back: they are marked so and name kUndoPage.
    void SetUndoing(bool undoing) { m_undoing = undoing; }

    void OnConfigWrite(const CPciFunction& function, uint32_t offset, uint32_t width, uint32_t mask,
                       const CPciFunction::CWriteResult& result, bool refused) override;
    void OnBarProbe(const CPciFunction& function, int bar, uint64_t size, bool restored) override;
    // One unit written to a BAR's range: its whole width is written, and a range keeps what it
    // is given, so the read-back is compared with the value written. The entry names the page "BAR n".
    void RecordBarUnit(const CPciFunction& function, int bar, uint64_t offset, uint32_t width, uint32_t before,
                       uint32_t written, uint32_t readBack, bool refused);

    // An entry stamped now with the function's address and the IDs it reads now.
    static CJournalEntry EntryFor(const CPciFunction& function);
    // What a person calls the register at offset: the catalogue's name, else its offset.
    static std::string DescribeTarget(const uint8_t* space, uint32_t size, uint32_t offset);

private:
    // EntryFor with this recorder's page filled in.
    CJournalEntry Begin(const CPciFunction& function) const;

    CWriteJournal& m_journal;
    std::string m_page = "Configuration Space";
    bool m_undoing = false;
};
