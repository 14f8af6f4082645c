#include "tools/brisco-dump/DumpTool.h"

#include "views/BarGridModel.h"
#include "decode/MachineComparison.h"
#include "decode/MachineSnapshot.h"

#include "views/BusTreeModel.h"
#include "decode/CapabilityDecoder.h"
#include "decode/CapabilityListing.h"
#include "views/DisplaySettings.h"
#include "decode/ConfigSpaceModel.h"
#include "decode/JournalRecorder.h"
#include "decode/JournalReplay.h"
#include "decode/WriteCommand.h"
#include "device/PciFunction.h"
#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/RegisterLocator.h"
#include "views/BarSummary.h"

#include <windows.h>
#ifndef _WIN32
#include "CompatMachine.h"

#include <unistd.h>
#endif

#include <errno.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kProgramName[] = "brisco-dump";
const char kDriverPath[] = "\\\\.\\briscodrvDevice";
const char kNameFileName[] = "pcidevs.txt";
const char kUsage[] =
    "usage: brisco-dump [--decimal] [--capabilities | --json | --diff IMAGE] [--all-root-buses]\n"
    "                   [--every-function] [--function BUS.DEVICE.FUNCTION] [--names FILE] [MACHINE]\n"
    "       brisco-dump --function BUS.DEVICE.FUNCTION --bar N [--unit 1|2|4] [--rows R] [--probe]\n"
    "                   [--decimal] [MACHINE]\n"
    "       brisco-dump [--dry-run] --write FUNCTION REG=VALUE[:MASK]... [MACHINE]\n"
    "       brisco-dump [--dry-run] [--force] [--keep-going] --replay FILE [--diff IMAGE | --save-image\n"
    "                   FILE | --function F --bar N ...] [MACHINE]\n"
    "       brisco-dump --replay FILE --as-setpci\n"
    "Prints the bus tree, then the configuration registers of every function (or of the one\n"
    "given), one row per line: offset, size, name, value and decoded text separated by tabs.\n"
    "With --bar, prints instead the grid of that BAR's range as its BAR page shows it: the\n"
    "headings, then one row of 16 bytes per line, cells separated by tabs.\n"
    "  --capabilities  print one line per capability instead: B.D.F, offset, standard or\n"
    "                extended, ID and name, separated by tabs; a broken list ends in\n"
    "                B.D.F, a tab and a note per problem and per walk that stopped early\n"
    "  --json        print the tree, functions, registers and capabilities as one JSON document\n"
    "  --decimal     show offsets and values in decimal instead of hexadecimal\n"
    "  --all-root-buses  also sweep every bus that no bridge of bus 0 reaches; each one\n"
    "                with functions is listed as a further root \"Root Bus NNh\"\n"
    "  --every-function  also probe functions 1 to 7 of a device whose function 0 does\n"
    "                not answer (by default such a device is not probed further)\n"
    "  --save-image FILE  write the machine as a machine image (configuration bytes, BAR\n"
    "                sizes, plug-and-play records) that loads back as the same machine\n"
    "  --diff IMAGE  print only the registers in which the machine differs from the saved\n"
    "                IMAGE: function, offset, name, old (image) and new value; nothing\n"
    "                when they are equal\n"
    "  --function    list the registers of that function only, as the tree labels it (0.31.3,\n"
    "                0001:3.0.0) or as lspci writes it (00:1f.3, 0001:03:00.0)\n"
    "  --names FILE  take vendor and device names from FILE (default: pcidevs.txt in the\n"
    "                current folder, else next to the program)\n"
    "  --bar N       print the range of BAR N (0..5) of the function given\n"
    "  --unit W      bytes per unit in the grid: 1 (default), 2 or 4\n"
    "  --rows R      print at most R rows of the grid (default 256)\n"
    "  --probe       size the BAR by probing when its size is not known (otherwise one row)\n"
    "  --write FUNCTION REG=VALUE[:MASK]...  write registers of FUNCTION as setpci does and\n"
    "                print one line per write: register, before, written, mask, read back and\n"
    "                predicted value; REG is OFFSET.B|.W|.L, NAME, NAME.FIELD, CAP_ID+...\n"
    "                or ECAP_ID+...; VALUE and MASK are hexadecimal. Exit 0 only when every\n"
    "                read-back is the predicted value\n"
    "  --dry-run     with --write or --replay: print the lines without writing\n"
    "  --replay FILE  make again the writes of a journal file or a file of setpci command lines,\n"
    "                each through the same checks as --write; every line is checked before the\n"
    "                first write, and a refused line writes nothing (exit 2). Prints one line per\n"
    "                write: the file's line number, the function and --write's line. Stops with\n"
    "                exit 1 at the first read-back other than predicted. With --diff, --save-image\n"
    "                or --bar, those run on the machine as the replay left it\n"
    "  --force       with --replay: write to a function whose vendor:device is not the journal's\n"
    "  --keep-going  with --replay: go on after a read-back other than predicted (still exit 1)\n"
    "  --as-setpci   with --replay: print the file as setpci command lines instead\n"
    "  MACHINE       machine image to load (native build; default: the built-in machine)\n"
    "Every write is kept in a journal file of this run in the folder BRISCO_JOURNAL_DIR names,\n"
    "else the user's local application data folder's Brisco\\Journal.\n";
constexpr size_t kMaxCountDigits = 10;

constexpr int kIndentPerLevel = 2;

// Makes a folder the current one and restores the previous one when it ends.
class CCurrentFolder {
public:
    explicit CCurrentFolder(const std::string& folder)
    {
        if (folder.empty())
            return;
        std::error_code error;
        m_saved = fs::current_path(error);
        if (!error)
            fs::current_path(folder, error);
        m_changed = !error;
    }
    ~CCurrentFolder()
    {
        std::error_code error;
        if (m_changed)
            fs::current_path(m_saved, error);
    }
    CCurrentFolder(const CCurrentFolder&) = delete;
    CCurrentFolder& operator=(const CCurrentFolder&) = delete;

private:
    fs::path m_saved;
    bool m_changed = false;
};

// Closes the driver handle when the dump ends.
class CDriverHandle {
public:
    CDriverHandle()
        : m_handle(CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~CDriverHandle()
    {
        if (IsOpen())
            CloseHandle(m_handle);
    }
    CDriverHandle(const CDriverHandle&) = delete;
    CDriverHandle& operator=(const CDriverHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool ParseNumber(const std::string& text, uint32_t limit, uint32_t* value)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = uint32_t(strtoul(text.c_str(), nullptr, 10));
    return *value < limit;
}

bool ParseCount(const std::string& text, uint32_t* value)
{
    if (text.empty() || text.size() > kMaxCountDigits || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long long count = strtoull(text.c_str(), nullptr, 10);
    *value = uint32_t(count);
    return count <= UINT32_MAX;
}

std::ostream& Error(std::ostream& err)
{
    return err << kProgramName << ": ";
}

// "0290h": a register's value in as many digits as its bytes take, as --diff writes it.
std::string HexValue(uint32_t value, uint32_t width)
{
    char text[16];
    snprintf(text, sizeof text, "%0*Xh", int(width * 2), unsigned(value));
    return text;
}

uint32_t ProcessId()
{
#ifdef _WIN32
    return uint32_t(GetCurrentProcessId());
#else
    return uint32_t(getpid());
#endif
}

// The catalogue's name of the register at offset, or "" where no table names it.
std::string BarName(int bar)
{
    return "BAR " + std::to_string(bar);
}

// The rest of a write's line after what it names: before, written, mask, read back, predicted.
void PrintOutcome(std::ostream& out, uint32_t width, uint32_t before, uint32_t written, uint32_t mask,
                  const std::optional<uint32_t>& readBack, uint32_t predicted, bool made)
{
    out << "\tbefore " << HexValue(before, width) << "\twritten " << HexValue(written, width) << "\tmask "
        << HexValue(mask, width) << "\tread back "
        << (!made          ? std::string("not written")
                : readBack ? HexValue(*readBack, width)
                           : std::string("failed"))
        << "\tpredicted " << HexValue(predicted, width);
    if (readBack && *readBack != predicted)
        out << "\tdiffers " << HexValue(*readBack ^ predicted, width);
    out << '\n';
}

} // namespace

// One write a replay makes: a line of the file on one function it reaches.
struct CReplayStep
{
    int line = 0;
    CPciFunction* function = nullptr;
    const CReplayWrite* write = nullptr;
    CWriteCommand command; // a configuration register's write, resolved on the function
};

int CDumpTool::Run(const std::string& programPath, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err)
{
    const int code = RunCommand(programPath, args, out, err);
    if (!m_journal)
        return code;
    m_journal->Close();
    if (m_journal->FileFailed())
        Error(err) << "could not write the journal file " << m_journal->Path() << '\n';
    return code;
}

int CDumpTool::RunCommand(const std::string& programPath, const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err)
{
    if (!ParseArguments(args, err))
        return kExitUsage;
    if (m_showHelp) {
        out << kUsage;
        return kExitOk;
    }
    if (m_asSetpci)
        return PrintAsSetpci(out, err);
    if (!LoadMachine(err))
        return kExitFailure;

    const std::string nameFolder = FindNameFolder(programPath, err);
    if (!m_namesFile.empty() && nameFolder.empty())
        return kExitFailure;
    // Open as long as the functions live: a BAR grid reads their ranges through it.
    CDriverHandle driver;
    if (!driver.IsOpen()) {
        const DWORD error = GetLastError();
        Error(err) << "cannot open the driver " << kDriverPath << " (error " << error << ")\n";
        return kExitFailure;
    }
    std::unique_ptr<CPciFunction> root;
    {
        // Names are looked up in the current folder while the functions are built.
        CCurrentFolder folder(nameFolder);
        root = std::make_unique<CPciFunction>(driver.Get(), m_scanOptions);
    }
    if (!m_temporaryFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(m_temporaryFolder, ignored);
    }
    if (root->GetTopFunctions().empty()) {
        Error(err) << "no host bridge found on bus 0\n";
        return kExitFailure;
    }

    CBusTreeModel tree;
    tree.Build(root.get());
    const CBusTreeItem* chosen = nullptr;
    if (m_address) {
        for (const CBusTreeItem& item : tree.GetItems()) {
            const CPciFunction* f = item.function;
            if (f && f->m_segment == m_address->segment && f->m_bus == m_address->bus &&
                f->m_device == m_address->device && f->m_function == m_address->function) {
                chosen = &item;
                break;
            }
        }
        if (!chosen) {
            Error(err) << "no function "
                       << CBusTreeModel::FormatAddress(m_address->segment, m_address->bus, m_address->device,
                                                       m_address->function)
                       << " in the machine\n";
            return kExitFailure;
        }
    }

    if (!m_replayFile.empty()) {
        const int code = RunReplay(tree, out, err);
        if (code != kExitOk || (m_diffImage.empty() && m_saveImage.empty() && !m_barIndex))
            return code;
    }
    if (!m_diffImage.empty())
        return PrintDifferences(root.get(), out, err);
    if (!m_saveImage.empty()) {
        std::string error;
        if (CMachineSnapshot::Save(root.get(), m_saveImage, &error))
            return kExitOk;
        Error(err) << error << '\n';
        return kExitFailure;
    }

    if (m_write)
        return RunWrites(*chosen->function, out, err);
    if (m_barIndex) {
        if (!PrintBarGrid(chosen->function, out, err))
            return kExitFailure;
    } else if (m_output == Output::kJson) {
        PrintJson(tree, chosen, out);
    } else if (m_output == Output::kCapabilities) {
        for (const CBusTreeItem& item : tree.GetItems()) {
            if (item.function && item.function->IsReadable() && (!chosen || &item == chosen))
                PrintCapabilities(*item.function, out);
        }
    } else {
        PrintTree(tree, out);
        for (const CBusTreeItem& item : tree.GetItems()) {
            if (item.function && (!chosen || &item == chosen))
                PrintRows(item.function, item.label, out);
        }
    }
    out.flush();
    if (!out) {
        Error(err) << "cannot write the output\n";
        return kExitFailure;
    }
    return kExitOk;
}

int CDumpTool::PrintDifferences(const CPciFunction* root, std::ostream& out, std::ostream& err) const
{
    CMachineComparison comparison;
    std::string error;
    if (!comparison.LoadMachineImage(m_diffImage, &error)) {
        Error(err) << error << '\n';
        return kExitFailure;
    }
    comparison.Compare(root);
    for (const CRegisterDifference& difference : comparison.GetDifferences())
        out << CMachineComparison::FormatLine(difference) << '\n';
    for (const std::string& function : comparison.GetOnlyInImage())
        out << function << "\tonly in the image\n";
    for (const std::string& function : comparison.GetOnlyInMachine())
        out << function << "\tonly in the machine\n";
    out.flush();
    return out ? kExitOk : kExitFailure;
}

bool CDumpTool::ParseArguments(const std::vector<std::string>& args, std::ostream& err)
{
    std::string gridOption; // the last option that means something only with --bar
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--decimal") {
            m_hexMode = false;
        } else if (arg == "--hex") {
            m_hexMode = true;
        } else if (arg == "--save-image" && hasValue) {
            m_saveImage = args[++i];
        } else if (arg == "--save-image") {
            Error(err) << arg << " needs a value\n" << kUsage;
            return false;
        } else if (arg == "--diff" && hasValue) {
            m_diffImage = args[++i];
        } else if (arg == "--diff") {
            Error(err) << arg << " needs a value\n" << kUsage;
            return false;
        } else if (arg == "--all-root-buses") {
            m_scanOptions.allRootBuses = true;
        } else if (arg == "--every-function") {
            m_scanOptions.everyFunction = true;
        } else if (arg == "--capabilities" || arg == "--json") {
            const Output output = arg == "--json" ? Output::kJson : Output::kCapabilities;
            if (m_output != Output::kRegisters && m_output != output) {
                Error(err) << "--capabilities and --json exclude each other\n";
                return false;
            }
            m_output = output;
        } else if (arg == "--help" || arg == "-h") {
            m_showHelp = true;
        } else if (arg == "--function" && hasValue) {
            if (m_write) {
                Error(err) << "--write names its own function; --function is not needed\n";
                return false;
            }
            m_address = CFunctionAddress::Parse(args[++i]);
            if (!m_address) {
                Error(err) << "bad function address '" << args[i]
                           << "': expected BUS.DEVICE.FUNCTION in decimal as the tree writes it (0.7.1, "
                              "0001:3.0.0) or lspci's BB:DD.F (00:07.1, 0001:03:00.0)\n";
                return false;
            }
        } else if (arg == "--write" && hasValue) {
            if (m_address) {
                Error(err) << "--write names its own function; --function is not needed\n";
                return false;
            }
            m_write = true;
            m_address = CFunctionAddress::Parse(args[++i]);
            if (!m_address) {
                Error(err) << "bad function address '" << args[i]
                           << "': expected the tree's B.D.F (0.7.1, 0001:3.0.0) or lspci's BB:DD.F (00:07.1)\n";
                return false;
            }
        } else if (arg == "--dry-run") {
            m_dryRun = true;
        } else if (arg == "--replay" && hasValue) {
            m_replayFile = args[++i];
        } else if (arg == "--as-setpci") {
            m_asSetpci = true;
        } else if (arg == "--force") {
            m_force = true;
        } else if (arg == "--keep-going") {
            m_keepGoing = true;
        } else if (arg.find('=') != std::string::npos && arg[0] != '-') {
            m_writes.push_back(arg);
        } else if (arg == "--names" && hasValue) {
            m_namesFile = args[++i];
        } else if (arg == "--bar" && hasValue) {
            uint32_t index = 0;
            if (!ParseNumber(args[++i], pci::kMaxBars, &index)) {
                Error(err) << "bad BAR index '" << args[i] << "': expected 0 to " << pci::kMaxBars - 1 << '\n';
                return false;
            }
            m_barIndex = int(index);
        } else if (arg == "--unit" && hasValue) {
            const std::string& width = args[++i];
            if (width != "1" && width != "2" && width != "4") {
                Error(err) << "bad unit width '" << width << "': expected 1, 2 or 4\n";
                return false;
            }
            m_unitWidth = width[0] - '0';
            gridOption = arg;
        } else if (arg == "--rows" && hasValue) {
            if (!ParseCount(args[++i], &m_rowLimit)) {
                Error(err) << "bad row count '" << args[i] << "': expected a decimal number\n";
                return false;
            }
            gridOption = arg;
        } else if (arg == "--probe") {
            m_probe = true;
            gridOption = arg;
        } else if (arg == "--function" || arg == "--write" || arg == "--replay" || arg == "--names" || arg == "--bar" ||
                   arg == "--unit" || arg == "--rows") {
            Error(err) << arg << " needs a value\n" << kUsage;
            return false;
        } else if (!arg.empty() && arg[0] == '-') {
            Error(err) << "unknown option '" << arg << "'\n" << kUsage;
            return false;
        } else if (m_machineFile.empty()) {
            m_machineFile = arg;
        } else {
            Error(err) << "only one machine image may be given ('" << m_machineFile << "' and '" << arg << "')\n";
            return false;
        }
    }
    if (m_barIndex && !m_address) {
        Error(err) << "--bar needs --function\n" << kUsage;
        return false;
    }
    if (!m_barIndex && !gridOption.empty()) {
        Error(err) << gridOption << " needs --bar\n" << kUsage;
        return false;
    }
    return CheckWriteArguments(err) && CheckReplayArguments(err);
}

bool CDumpTool::CheckReplayArguments(std::ostream& err) const
{
    if (m_replayFile.empty()) {
        if (m_asSetpci || m_force || m_keepGoing) {
            Error(err) << (m_asSetpci    ? "--as-setpci"
                               : m_force ? "--force"
                                         : "--keep-going")
                       << " needs --replay FILE\n"
                       << kUsage;
            return false;
        }
        return true;
    }
    if (m_write || m_output != Output::kRegisters) {
        Error(err) << "--replay excludes --write, --capabilities and --json\n";
        return false;
    }
    return true;
}

bool CDumpTool::CheckWriteArguments(std::ostream& err) const
{
    if (!m_write) {
        if (!m_writes.empty() || (m_dryRun && m_replayFile.empty())) {
            Error(err) << (m_writes.empty() ? "--dry-run" : m_writes.front().c_str())
                       << " needs --write FUNCTION or --replay FILE\n"
                       << kUsage;
            return false;
        }
        return true;
    }
    if (m_writes.empty()) {
        Error(err) << "--write needs at least one REG=VALUE[:MASK]\n" << kUsage;
        return false;
    }
    if (m_output != Output::kRegisters || m_barIndex || !m_diffImage.empty() || !m_saveImage.empty()) {
        Error(err) << "--write excludes --capabilities, --json, --diff, --save-image and --bar\n";
        return false;
    }
    return true;
}

#ifdef _WIN32
bool CDumpTool::LoadMachine(std::ostream& err)
{
    if (m_machineFile.empty())
        return true;
    Error(err) << "cannot load '" << m_machineFile
               << "': this build reads the machine from the driver; machine images are loaded by the native build\n";
    return false;
}
#else
bool CDumpTool::LoadMachine(std::ostream& err)
{
    if (m_machineFile.empty()) {
        CompatUseDefaultMachine();
        return true;
    }
    std::ifstream file(m_machineFile, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file || !text) {
        std::error_code code(errno, std::generic_category());
        Error(err) << "cannot read machine image '" << m_machineFile << "': " << code.message() << '\n';
        return false;
    }
    std::string error;
    if (!CompatLoadMachine(text.str(), m_machineFile, &error)) {
        Error(err) << error << '\n';
        return false;
    }
    return true;
}
#endif

// The folder whose pcidevs.txt names the functions, or "" for the current one.
// A names file of another name is copied into a temporary folder under that name.
std::string CDumpTool::FindNameFolder(const std::string& programPath, std::ostream& err)
{
    std::error_code error;
    if (!m_namesFile.empty()) {
        const fs::path names = fs::absolute(m_namesFile, error);
        if (error || !fs::is_regular_file(names, error) || !std::ifstream(names).good()) {
            Error(err) << "cannot read names file '" << m_namesFile << "'\n";
            return {};
        }
        if (names.filename() == kNameFileName)
            return names.parent_path().string();
        const fs::path folder =
            fs::temp_directory_path(error) / ("brisco-dump-" + std::to_string(std::random_device()()));
        if (error || !fs::create_directories(folder, error) || !fs::copy_file(names, folder / kNameFileName, error)) {
            Error(err) << "cannot prepare names file '" << m_namesFile << "': " << error.message() << '\n';
            return {};
        }
        m_temporaryFolder = folder.string();
        return m_temporaryFolder;
    }
    if (fs::exists(kNameFileName, error) || programPath.empty())
        return {};
    const fs::path besideProgram = fs::absolute(programPath, error).parent_path();
    if (!error && fs::exists(besideProgram / kNameFileName, error))
        return besideProgram.string();
    return {};
}

void CDumpTool::PrintTree(const CBusTreeModel& tree, std::ostream& out) const
{
    for (const CBusTreeItem& item : tree.GetItems())
        out << std::string(size_t(item.depth * kIndentPerLevel), ' ') << item.label << '\n';
}

void CDumpTool::PrintRows(CPciFunction* function, const std::string& label, std::ostream& out) const
{
    CConfigSpaceModel model;
    model.SetHexMode(m_hexMode);
    model.SetFunction(function);
    out << '\n' << label << '\n';
    if (!function->IsReadable())
        return;
    for (const CRegisterRow& row : model.GetRows()) {
        for (int column = 0; column < CRegisterRow::kColumnCount; ++column)
            out << (column ? "\t" : "") << row.Column(column);
        out << '\n';
    }
}

void CDumpTool::PrintCapabilities(const CPciFunction& function, std::ostream& out) const
{
    const CapabilityList list = CCapabilityDecoder(function.GetSpace(), function.GetSpaceSize()).Decode();
    out << CCapabilityListing::Lines(CBusTreeModel::FormatAddress(function), list);
}

namespace {

// A JSON string literal: quotes, backslashes and control characters escaped; other bytes as they are.
std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (u < 0x20) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", u);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string Hex(const uint8_t* bytes, uint32_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (uint32_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

void PrintJsonRow(std::ostream& out, uint32_t offset, uint32_t size, const std::string& name, uint32_t value,
                  const std::string& text)
{
    out << "{\"offset\": " << offset << ", \"size\": " << size << ", \"name\": " << Quote(name)
        << ", \"value\": " << value << ", \"text\": " << Quote(text) << '}';
}

} // namespace

void CDumpTool::PrintJson(const CBusTreeModel& tree, const CBusTreeItem* chosen, std::ostream& out) const
{
    const std::vector<CBusTreeItem>& items = tree.GetItems();
    out << "{\n  \"format\": \"brisco-dump 1\",\n  \"tree\": [";
    for (size_t i = 0; i < items.size(); ++i) {
        const CBusTreeItem& item = items[i];
        out << (i ? "," : "") << "\n    {\"depth\": " << item.depth << ", \"parent\": " << item.parent
            << ", \"label\": " << Quote(item.label)
            << ", \"function\": " << (item.function ? Quote(CBusTreeModel::FormatAddress(*item.function)) : "null")
            << '}';
    }
    out << "\n  ],\n  \"functions\": [";
    bool first = true;
    for (const CBusTreeItem& item : items) {
        if (!item.function || (chosen && &item != chosen))
            continue;
        out << (first ? "" : ",") << "\n";
        first = false;
        PrintJsonFunction(item.function, item.label, out);
    }
    out << "\n  ]\n}\n";
}

void CDumpTool::PrintJsonFunction(CPciFunction* function, const std::string& label, std::ostream& out) const
{
    const CPciFunction& f = *function;
    out << "    {\n      \"address\": " << Quote(CBusTreeModel::FormatAddress(f)) << ",\n      ";
    // Segment 0 is left unnamed, as in the tree.
    if (f.m_segment != 0)
        out << "\"segment\": " << f.m_segment << ", ";
    out << "\"bus\": " << f.m_bus << ", \"device\": " << f.m_device << ", \"function\": " << f.m_function
        << ",\n      \"label\": " << Quote(label);
    if (!f.IsReadable()) {
        out << ",\n      \"readable\": false\n    }";
        return;
    }
    out << ",\n      \"vendorId\": " << f.GetVendorId() << ", \"deviceId\": " << f.GetDeviceId()
        << ",\n      \"vendorName\": " << Quote(f.GetVendorName()) << ", \"deviceName\": " << Quote(f.GetDeviceName())
        << ", \"subsystemVendorName\": " << Quote(f.GetSubsystemVendorName())
        << ",\n      \"spaceSize\": " << f.GetSpaceSize()
        << ",\n      \"space\": " << Quote(Hex(f.GetSpace(), f.GetSpaceSize())) << ",\n      \"registers\": [";
    CConfigSpaceModel model;
    model.SetHexMode(m_hexMode);
    model.SetFunction(function);
    const std::vector<CRegisterRow>& rows = model.GetRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        out << (i ? "," : "") << "\n        ";
        PrintJsonRow(out, rows[i].offset, rows[i].size, rows[i].name, rows[i].value, rows[i].decoded);
    }
    out << "\n      ],\n      \"capabilities\": [";
    const CapabilityList list = CCapabilityDecoder(f.GetSpace(), f.GetSpaceSize()).Decode();
    for (size_t i = 0; i < list.capabilities.size(); ++i) {
        const Capability& c = list.capabilities[i];
        const bool extended = c.space == CapabilitySpace::kExtended;
        out << (i ? "," : "") << "\n        {\"offset\": " << c.offset << ", \"space\": \""
            << (extended ? "extended" : "standard") << "\", \"id\": " << c.id
            << ", \"version\": " << unsigned(c.version) << ", \"name\": " << Quote(c.name)
            << ", \"portType\": " << Quote(c.portType) << ", \"problem\": " << Quote(c.problem)
            << ",\n         \"rows\": [";
        for (size_t r = 0; r < c.rows.size(); ++r) {
            out << (r ? "," : "") << "\n          ";
            const CapabilityRow& row = c.rows[r];
            PrintJsonRow(out, row.offset, row.size, row.name, row.value, row.text);
        }
        out << "]}";
    }
    out << "\n      ],\n      \"standardEnd\": " << Quote(list.standardEnd)
        << ", \"extendedEnd\": " << Quote(list.extendedEnd) << "\n    }";
}

bool CDumpTool::PrintBarGrid(CPciFunction* function, std::ostream& out, std::ostream& err)
{
    const int index = *m_barIndex;
    if (!function->IsReadable()) {
        Error(err) << "function " << CBusTreeModel::FormatAddress(*function) << " could not be read\n";
        return false;
    }
    const CBarInfo bar = function->GetBar(index);
    if (bar.kind == pci::BarKind::kUpperHalf) {
        Error(err) << "BAR " << index << " of " << CBusTreeModel::FormatAddress(*function)
                   << " is the upper half of the 64-bit BAR " << index - 1 << '\n';
        return false;
    }
    if (!bar.IsPresent()) {
        Error(err) << "function " << CBusTreeModel::FormatAddress(*function) << " has no BAR " << index << '\n';
        return false;
    }
    // Probing writes to the device, so only when asked; the page asks the user instead.
    uint64_t size = bar.size;
    if (size == 0 && m_probe) {
        size = function->ProbeBarSize(index);
        CJournalEntry probe = CJournalRecorder::EntryFor(*function);
        probe.kind = CJournalEntry::EKind::kBarProbe;
        probe.bar = index;
        probe.offset = pci::BarOffset(uint32_t(index));
        probe.width = pci::kDwordBytes;
        probe.target = BarName(index);
        probe.note = (size ? CBarSummary::FormatSize(size) : std::string("no size found")) + ", restored";
        Record(probe);
    }

    CBarGridModel grid;
    grid.SetUnitWidth(m_unitWidth);
    grid.SetHexDisplay(m_hexMode);
    grid.SetRange(function, index, size);
    for (int column = 0; column < grid.GetColumnCount(); ++column)
        out << (column ? "\t" : "") << grid.GetHeading(column);
    out << '\n';
    const int rows = int(std::min<uint64_t>(m_rowLimit, uint64_t(grid.GetRowCount())));
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < grid.GetColumnCount(); ++column)
            out << (column ? "\t" : "") << grid.GetCellText(row, column);
        out << '\n';
    }
    return true;
}

int CDumpTool::RunWrites(CPciFunction& function, std::ostream& out, std::ostream& err)
{
    const std::string address = CBusTreeModel::FormatAddress(function);
    if (!function.IsReadable()) {
        Error(err) << "function " << address << " could not be read\n";
        return kExitFailure;
    }
    std::string error;
    const std::optional<std::vector<CWriteCommand>> commands =
        CWriteCommand::ParseAll(m_writes, function.GetSpace(), function.GetSpaceSize(), &error);
    if (!commands) {
        Error(err) << error << '\n';
        return kExitUsage;
    }
    bool asPredicted = true;
    for (const CWriteCommand& command : *commands) {
        out << command.Describe();
        if (m_dryRun) {
            const CWriteCommand::CPreview preview = command.Preview(function.GetSpace(), function.GetSpaceSize());
            PrintOutcome(out, command.width, preview.before, preview.written, command.mask, std::nullopt,
                         preview.predicted, false);
            continue;
        }
        asPredicted = WriteConfig(function, command, command.Describe(), out, err) && asPredicted;
    }
    out.flush();
    if (!out) {
        Error(err) << "cannot write the output\n";
        return kExitFailure;
    }
    return asPredicted ? kExitOk : kExitFailure;
}

bool CDumpTool::WriteConfig(CPciFunction& function, const CWriteCommand& command, const std::string& what,
                            std::ostream& out, std::ostream& err)
{
    CJournalEntry entry = CJournalRecorder::EntryFor(function);
    entry.target = CJournalRecorder::DescribeTarget(function.GetSpace(), function.GetSpaceSize(), command.offset);
    entry.reg =
        CJournalReplay::FormatRegister(function.GetSpace(), function.GetSpaceSize(), command.offset, command.width);
    const CPciFunction::CWriteResult result =
        function.Write(command.offset, command.width, command.value, command.mask);
    PrintOutcome(out, command.width, result.before, result.written, command.mask,
                 result.readOk ? std::optional<uint32_t>(result.readBack) : std::nullopt, result.predicted, true);
    const DWORD refused = function.TakeWriteError();
    if (refused) {
        entry.note = CPciFunction::DescribeWriteError(refused, false);
        Error(err) << what << ": " << entry.note << '\n';
    }
    entry.offset = command.offset;
    entry.width = command.width;
    entry.before = result.before;
    entry.written = result.written;
    entry.mask = command.mask;
    entry.readBack = result.readBack;
    entry.predicted = result.predicted;
    const bool kept = result.sent && result.readOk && !result.Differs();
    entry.result = refused || !result.sent ? CJournalEntry::EResult::kRefused
        : kept                             ? CJournalEntry::EResult::kKept
                                           : CJournalEntry::EResult::kDiffers;
    Record(entry);
    return kept && !refused;
}

bool CDumpTool::WriteBarUnit(CPciFunction& function, const CReplayWrite& write, std::ostream& out, std::ostream& err)
{
    const uint32_t full = pci::RegisterMask(write.width);
    uint8_t bytes[pci::kDwordBytes] = {};
    const bool beforeOk = function.ReadDeviceData(write.bar, uint32_t(write.offset), bytes, write.width, 1);
    const uint32_t before = uint32_t(pci::GetLe(bytes, write.width));
    const uint32_t written = (before & ~write.mask) | (write.value & write.mask);
    if (m_dryRun || (!beforeOk && write.mask != full)) {
        PrintOutcome(out, write.width, before, written, write.mask, std::nullopt, written, false);
        if (m_dryRun)
            return true;
        Error(err) << write.text << ": the unit could not be read, so its other bits are not known\n";
        return false;
    }
    pci::PutLe(bytes, write.width, written);
    const bool sent = function.WriteDeviceData(write.bar, uint32_t(write.offset), bytes, write.width, 1);
    const bool readOk = function.ReadDeviceData(write.bar, uint32_t(write.offset), bytes, write.width, 1);
    const uint32_t readBack = uint32_t(pci::GetLe(bytes, write.width));
    PrintOutcome(out, write.width, before, written, write.mask,
                 readOk ? std::optional<uint32_t>(readBack) : std::nullopt, written, true);
    CJournalEntry entry = CJournalRecorder::EntryFor(function);
    entry.kind = CJournalEntry::EKind::kBar;
    entry.bar = write.bar;
    entry.target = BarName(write.bar);
    entry.reg = CJournalReplay::FormatBarRegister(write.bar, write.offset, write.width);
    entry.offset = write.offset;
    entry.width = write.width;
    entry.before = before;
    entry.written = written;
    entry.mask = write.mask;
    entry.readBack = readBack;
    entry.predicted = written;
    const DWORD refused = function.TakeWriteError();
    if (refused || !sent) {
        entry.note = refused ? CPciFunction::DescribeWriteError(refused, true) : "the write was not sent";
        Error(err) << write.text << ": " << entry.note << '\n';
    }
    const bool kept = sent && readOk && readBack == written;
    entry.result = refused || !sent ? CJournalEntry::EResult::kRefused
        : kept                      ? CJournalEntry::EResult::kKept
                                    : CJournalEntry::EResult::kDiffers;
    Record(entry);
    return kept && !refused;
}

void CDumpTool::Record(CJournalEntry entry)
{
    if (!m_journal) {
        const int64_t now = CWriteJournal::NowMs();
        const fs::path path =
            fs::path(CWriteJournal::DefaultFolder()) / CWriteJournal::FileName(kProgramName, now, ProcessId());
        m_journal = std::make_unique<CWriteJournal>(path.string(), kProgramName);
    }
    entry.page = kProgramName;
    m_journal->Record(std::move(entry));
}

namespace {

// A replay file's text, a journal's torn last line left out with a note; nothing with a message.
std::optional<std::string> ReadReplayText(const std::string& path, std::ostream& err)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file || !text) {
        Error(err) << "cannot read '" << path << "'\n";
        return std::nullopt;
    }
    std::string note;
    std::string whole = CJournalReplay::DropTornLine(text.str(), &note);
    if (!note.empty())
        Error(err) << path << ": " << note << '\n';
    return whole;
}

} // namespace

bool CDumpTool::ReadReplayFile(std::vector<CReplayLine>* lines, std::ostream& err) const
{
    const std::optional<std::string> text = ReadReplayText(m_replayFile, err);
    if (!text)
        return false;
    std::string error;
    std::optional<std::vector<CReplayLine>> parsed = CJournalReplay::Parse(*text, &error);
    if (!parsed) {
        Error(err) << m_replayFile << ": " << error << '\n';
        return false;
    }
    *lines = std::move(*parsed);
    return true;
}

int CDumpTool::PrintAsSetpci(std::ostream& out, std::ostream& err) const
{
    const std::optional<std::string> text = ReadReplayText(m_replayFile, err);
    if (!text)
        return kExitUsage;
    std::string error;
    const std::optional<std::string> setpci = CJournalReplay::ExportAsSetpci(*text, &error);
    if (!setpci) {
        Error(err) << m_replayFile << ": " << error << '\n';
        return kExitUsage;
    }
    out << *setpci;
    out.flush();
    return out ? kExitOk : kExitFailure;
}

namespace {

bool SameAddress(const CPciFunction& f, const CFunctionAddress& a)
{
    return f.m_segment == a.segment && f.m_bus == a.bus && f.m_device == a.device && f.m_function == a.function;
}

bool IdsMatch(const CReplayLine& line, const CPciFunction& f)
{
    return (!line.vendorId || *line.vendorId == f.GetVendorId()) &&
        (!line.deviceId || *line.deviceId == f.GetDeviceId());
}

std::string Ids(uint16_t vendor, uint16_t device)
{
    char text[16];
    snprintf(text, sizeof text, "%04x:%04x", unsigned(vendor), unsigned(device));
    return text;
}

std::string LineIds(const CReplayLine& line)
{
    const std::string ids = Ids(line.vendorId.value_or(0), line.deviceId.value_or(0));
    return (line.vendorId ? ids.substr(0, ids.find(':')) : "") + ":" +
        (line.deviceId ? ids.substr(ids.find(':') + 1) : "");
}

// The functions a line writes to: the one it names, or with setpci's -d alone every one that matches.
std::vector<CPciFunction*> Targets(const CBusTreeModel& tree, const CReplayLine& line)
{
    std::vector<CPciFunction*> targets;
    for (const CBusTreeItem& item : tree.GetItems()) {
        CPciFunction* f = item.function;
        if (!f)
            continue;
        const bool named = line.address ? SameAddress(*f, *line.address)
                                        : (line.vendorId || line.deviceId) && f->IsReadable() && IdsMatch(line, *f);
        if (named && std::find(targets.begin(), targets.end(), f) == targets.end())
            targets.push_back(f);
    }
    return targets;
}

} // namespace

bool CDumpTool::PlanReplay(const CBusTreeModel& tree, const std::vector<CReplayLine>& lines,
                           std::vector<CReplayStep>* steps, std::ostream& err) const
{
    bool allowed = true;
    auto refuse = [&](const CReplayLine& line, const std::string& why) {
        Error(err) << m_replayFile << ": line " << line.number << ": " << why << '\n';
        allowed = false;
    };
    for (const CReplayLine& line : lines) {
        const std::vector<CPciFunction*> targets = Targets(tree, line);
        if (targets.empty()) {
            if (line.address)
                refuse(line,
                       "no function " +
                           CWriteJournal::FormatFunction(line.address->segment, line.address->bus, line.address->device,
                                                         line.address->function) +
                           " in the machine");
            else if (line.vendorId || line.deviceId)
                refuse(line, "no function matches -d " + LineIds(line));
            else
                refuse(line, "names no function: give -s or -d");
            continue;
        }
        for (CPciFunction* f : targets) {
            const std::string address = CBusTreeModel::FormatAddress(*f);
            if (!f->IsReadable()) {
                refuse(line, "function " + address + " could not be read");
                continue;
            }
            if (!IdsMatch(line, *f) && (line.setpci || !m_force)) {
                refuse(line,
                       "function " + address + " is " + Ids(f->GetVendorId(), f->GetDeviceId()) +
                           (line.setpci ? ", not -d " : ", not the file's ") + LineIds(line) +
                           (line.setpci ? "" : " (--force writes anyway)"));
                continue;
            }
            for (const CReplayWrite& write : line.writes) {
                CReplayStep step;
                step.line = line.number;
                step.function = f;
                step.write = &write;
                std::string error;
                if (write.bar < 0) {
                    std::optional<CWriteCommand> command =
                        CWriteCommand::Parse(write.text, f->GetSpace(), f->GetSpaceSize(), &error);
                    if (!command) {
                        refuse(line, error);
                        continue;
                    }
                    step.command = *command;
                } else {
                    const CBarInfo bar = f->GetBar(write.bar);
                    if (!bar.IsPresent())
                        error = "function " + address + " has no BAR " + std::to_string(write.bar);
                    else if (bar.size == 0)
                        error = "the size of BAR " + std::to_string(write.bar) + " of " + address + " is not known";
                    else if (write.offset + write.width > bar.size)
                        error = write.text + ": the offset is outside BAR " + std::to_string(write.bar) + " (" +
                            CBarSummary::FormatSize(bar.size) + ")";
                    if (!error.empty()) {
                        refuse(line, error);
                        continue;
                    }
                }
                steps->push_back(step);
            }
        }
    }
    return allowed;
}

bool CDumpTool::ReplayStep(const CReplayStep& step, std::ostream& out, std::ostream& err)
{
    CPciFunction& function = *step.function;
    out << step.line << '\t' << CBusTreeModel::FormatAddress(function) << '\t';
    if (step.write->bar >= 0) {
        out << step.write->text.substr(0, step.write->text.find('='));
        return WriteBarUnit(function, *step.write, out, err);
    }
    const CWriteCommand& command = step.command;
    out << command.Describe();
    if (!m_dryRun)
        return WriteConfig(function, command, command.Describe(), out, err);
    const CWriteCommand::CPreview preview = command.Preview(function.GetSpace(), function.GetSpaceSize());
    PrintOutcome(out, command.width, preview.before, preview.written, command.mask, std::nullopt, preview.predicted,
                 false);
    return true;
}

int CDumpTool::RunReplay(const CBusTreeModel& tree, std::ostream& out, std::ostream& err)
{
    std::vector<CReplayLine> lines;
    if (!ReadReplayFile(&lines, err))
        return kExitUsage;
    std::vector<CReplayStep> steps;
    if (!PlanReplay(tree, lines, &steps, err)) {
        Error(err) << m_replayFile << ": refused; nothing was written\n";
        return kExitUsage;
    }
    bool asPredicted = true;
    for (const CReplayStep& step : steps) {
        if (ReplayStep(step, out, err))
            continue;
        asPredicted = false;
        if (!m_keepGoing) {
            Error(err) << m_replayFile << ": line " << step.line
                       << " did not read back as predicted; the replay stops there (--keep-going goes on)\n";
            break;
        }
    }
    out.flush();
    if (!out) {
        Error(err) << "cannot write the output\n";
        return kExitFailure;
    }
    return asPredicted ? kExitOk : kExitFailure;
}
