#pragma once
// brisco-dump: prints the bus tree and the register rows of a machine as text, exactly as
// the bus tree and the configuration-space page show them, or its capabilities one line each,
// or everything as one JSON document, or the grid of one BAR's range as the BAR page shows it;
// or writes registers of one function in setpci's REG=VALUE[:MASK] form and reports each read-back,
// or replays a write journal or a file of setpci commands. Every write it makes is journaled.
#include "decode/FunctionAddress.h"
#include "decode/WriteJournal.h"
#include "device/PciFunction.h"

#include <stdint.h>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBusTreeModel;
struct CBusTreeItem;
struct CReplayLine;
struct CReplayStep;
struct CReplayWrite;
struct CWriteCommand;

class CDumpTool {
public:
    using CScanOptions = CPciFunction::CScanOptions;

    // Runs one command line (without the program name); returns the exit code.
    // programPath locates a pcidevs.txt next to the program.
    int Run(const std::string& programPath, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static constexpr int kExitOk = 0;
    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;
    static constexpr uint32_t kDefaultGridRows = 256;

private:
    int RunCommand(const std::string& programPath, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err);
    bool ParseArguments(const std::vector<std::string>& args, std::ostream& err);
    // Checks the options --write excludes and that it has something to write.
    bool CheckWriteArguments(std::ostream& err) const;
    bool CheckReplayArguments(std::ostream& err) const;
    bool LoadMachine(std::ostream& err);
    std::string FindNameFolder(const std::string& programPath, std::ostream& err);
    void PrintTree(const CBusTreeModel& tree, std::ostream& out) const;
    void PrintRows(CPciFunction* function, const std::string& label, std::ostream& out) const;
    // The BAR page's grid of the chosen function; false with a message when it has no such range.
    bool PrintBarGrid(CPciFunction* function, std::ostream& out, std::ostream& err);
    int PrintDifferences(const CPciFunction* root, std::ostream& out, std::ostream& err) const;
    void PrintCapabilities(const CPciFunction& function, std::ostream& out) const;
    // Resolves every REG=VALUE[:MASK] first, then makes (or with --dry-run only describes) each
    // write, one line each; kExitOk only when every read-back is the predicted value.
    int RunWrites(CPciFunction& function, std::ostream& out, std::ostream& err);
    // The replay file's lines, a journal's torn last line left out with a note; false with a message.
    bool ReadReplayFile(std::vector<CReplayLine>* lines, std::ostream& err) const;
    // --as-setpci: the replay file as setpci commands.
    int PrintAsSetpci(std::ostream& out, std::ostream& err) const;
    // Checks every line of the replay file against the machine, then makes its writes in order,
    // one line each; stops at the first that does not read back as predicted unless --keep-going.
    int RunReplay(const CBusTreeModel& tree, std::ostream& out, std::ostream& err);
    // Each function a line reaches, with its writes resolved; false with one message per refusal.
    bool PlanReplay(const CBusTreeModel& tree, const std::vector<CReplayLine>& lines, std::vector<CReplayStep>* steps,
                    std::ostream& err) const;
    // One write of a replay: printed, made (unless --dry-run) and journaled; false when it failed
    // or read back other than predicted.
    bool ReplayStep(const CReplayStep& step, std::ostream& out, std::ostream& err);
    // One configuration write through the function's write path, journaled; its result line.
    // what names the register in a refusal's message.
    bool WriteConfig(CPciFunction& function, const CWriteCommand& command, const std::string& what, std::ostream& out,
                     std::ostream& err);
    // One unit of a BAR's range: read, written under its mask, read back; predicted is the value written.
    bool WriteBarUnit(CPciFunction& function, const CReplayWrite& write, std::ostream& out, std::ostream& err);
    // Keeps entry in this run's journal, created with its file on the first write.
    void Record(CJournalEntry entry);
    // The whole machine as one JSON document; the schema is in docs/brisco-dump.md.
    void PrintJson(const CBusTreeModel& tree, const CBusTreeItem* chosen, std::ostream& out) const;
    void PrintJsonFunction(CPciFunction* function, const std::string& label, std::ostream& out) const;

    enum class Output { kRegisters, kCapabilities, kJson };

    Output m_output = Output::kRegisters;
    bool m_hexMode = true;
    bool m_showHelp = false;
    CScanOptions m_scanOptions;
    std::optional<CFunctionAddress> m_address;
    bool m_write = false;
    bool m_dryRun = false;
    std::vector<std::string> m_writes; // REG=VALUE[:MASK] as typed
    std::string m_replayFile;
    bool m_asSetpci = false;
    bool m_force = false;
    bool m_keepGoing = false;
    std::unique_ptr<CWriteJournal> m_journal; // none until the first write
    std::optional<int> m_barIndex;
    int m_unitWidth = 1;
    uint32_t m_rowLimit = kDefaultGridRows;
    bool m_probe = false;
    std::string m_namesFile;
    std::string m_machineFile;
    std::string m_diffImage;
    std::string m_saveImage;
    std::string m_temporaryFolder;
};
