#pragma once
// The record of every write Brisco makes: kept in memory for the program's life (capped), and
// appended line by line to a file as each write happens, so that a killed process leaves it.
#include <stdint.h>
#include <stdio.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

// One write, or one BAR probe, as the journal keeps it. Entries hold addresses and IDs, never
// pointers: the tree they were made on may have been scanned again since.
struct CJournalEntry
{
    enum class EKind : uint8_t {
        kConfig,   // a configuration register
        kBar,      // a unit of a BAR's range
        kBarProbe, // the sizing writes of a BAR probe, as one entry
    };
    enum class EResult : uint8_t { kKept, kDiffers, kRefused };

    int64_t timeMs = 0; // milliseconds since 1970, UTC
    uint16_t segment = 0;
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    std::string page;   // where the write was made: "Configuration Space", "BAR 2", "brisco-dump"
    std::string target; // what a person calls it: "Status Register", "Link Control"
    // The register in the write syntax: "06.W", "CAP_EXP+10.W", "ECAP_AER+04.L", "BAR2+0100.B".
    std::string reg;
    EKind kind = EKind::kConfig;
    int bar = -1;        // kBar, kBarProbe
    uint64_t offset = 0; // configuration offset, or offset into the BAR's range
    uint32_t width = 0;  // bytes
    uint32_t before = 0;
    uint32_t written = 0;
    uint32_t mask = 0;
    uint32_t readBack = 0;
    uint32_t predicted = 0;
    EResult result = EResult::kKept;
    std::string note;    // a refusal's reason, a probe's outcome ("1 MiB, restored")
    bool undone = false; // a later undo took this write back
    bool isUndo = false; // this write took an earlier one back
};

class CWriteJournal {
public:
    static constexpr size_t kMaxEntries = 10000;
    // The environment variable that moves the journal folder (for tests).
    static constexpr char kFolderVariable[] = "BRISCO_JOURNAL_DIR";
    // The last line of a journal whose program ended cleanly starts with this.
    static constexpr char kEndMark[] = "# end ";

    // A journal in memory only.
    CWriteJournal();
    // A journal appended to path as it grows; the file is created with a header line.
    explicit CWriteJournal(std::string path, const std::string& program);
    ~CWriteJournal();
    CWriteJournal(const CWriteJournal&) = delete;
    CWriteJournal& operator=(const CWriteJournal&) = delete;

    // Keeps the entry (dropping the oldest beyond kMaxEntries) and appends its line to the file.
    void Record(CJournalEntry entry);
    const std::deque<CJournalEntry>& Entries() const { return m_entries; }
    // Every entry recorded so far, the dropped ones included: an index taken before a Record
    // moves down by the growth of Dropped.
    size_t RecordedCount() const { return m_dropped + m_entries.size(); }
    // Marks entry index (of Entries) as taken back, so that Undo Write passes over it.
    void MarkUndone(size_t index);
    // How many of the oldest entries the cap dropped from memory (the file keeps them).
    size_t Dropped() const { return m_dropped; }
    // The note a view shows when the cap was reached; empty before.
    std::string CapNote() const;
    const std::string& Path() const { return m_path; }
    // Whether appending to the file failed (the journal goes on in memory).
    bool FileFailed() const { return m_fileFailed; }
    // Appends the end mark: the program ends cleanly.
    void Close();

    // One entry as a line of a journal file (no line end): the write in the syntax of
    // brisco-dump --write after the function's address and vendor:device, then a comment with
    // the time, the page, the before and read-back values and the result. Entries that changed
    // nothing (refused writes, probes) are comment lines: a replay skips them.
    static std::string FormatLine(const CJournalEntry& entry);
    // The whole journal as a file: a header comment, then one line per entry in memory.
    std::string FormatFile(const std::string& program) const;
    // The function's address as the file writes it: lspci's [SSSS:]BB:DD.F, the segment only
    // outside segment 0.
    static std::string FormatFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function);
    static std::string FormatTime(int64_t timeMs);
    static int64_t NowMs();

    // The folder journals live in: BRISCO_JOURNAL_DIR, else the user's local application data
    // folder's Brisco\Journal (on other systems ~/.local/share/brisco/journal).
    static std::string DefaultFolder();
    // A file name of its own for this process: "brisco-20261207-224100-1234.txt"; prefix names
    // the program ("brisco", "brisco-dump").
    static std::string FileName(const std::string& prefix, int64_t timeMs, uint32_t processId);

    // A journal file as read back: its complete lines, and whether a last line was cut short by
    // a kill (it is left out) and whether the end mark is there.
    struct CFileText
    {
        bool opened = false;
        std::vector<std::string> lines;
        bool torn = false;
        bool endedCleanly = false;
    };
    static CFileText ReadFile(const std::string& path);
    // The newest journal of the program named prefix in folder, other than except, that has no
    // end mark: the program that wrote it did not end cleanly. Empty when there is none.
    static std::string FindUnclean(const std::string& folder, const std::string& prefix, const std::string& except);

private:
    void Append(const std::string& line);

    std::deque<CJournalEntry> m_entries;
    size_t m_dropped = 0;
    std::string m_path;
    FILE* m_file = nullptr;
    bool m_fileFailed = false;
};
