// brisco-dump over the simulated machine: golden output of the default machine,
// the choice of one function, names files, and one clear error line per failure.
#include "tools/brisco-dump/DumpTool.h"

#include "decode/WriteJournal.h"

#include "CompatMachine.h"
#include "pci/ByteOrder.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"
#include "tests/decode/LspciDump.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CRunResult
{
    int exitCode;
    std::string out;
    std::string err;
};

// Journals of the runs go to a folder of the test's own, never the user's.
fs::path JournalDir()
{
    return fs::path(testing::TempDir()) / "brisco-dump-test-journal";
}

CRunResult RunDump(const std::vector<std::string>& args)
{
    setenv(CWriteJournal::kFolderVariable, JournalDir().string().c_str(), 1);
    std::ostringstream out;
    std::ostringstream err;
    CDumpTool tool;
    const int exitCode = tool.Run("", args, out, err);
    CompatUseDefaultMachine();
    return {exitCode, out.str(), err.str()};
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

fs::path GoldenDir()
{
    return BRISCO_DECODE_GOLDEN_DIR;
}

// Compares line by line so that a failure names the first line that differs.
void ExpectSameLines(const std::string& actual, const std::string& expected)
{
    std::istringstream a(actual);
    std::istringstream e(expected);
    std::string actualLine;
    std::string expectedLine;
    for (int line = 1;; ++line) {
        const bool moreActual = bool(std::getline(a, actualLine));
        const bool moreExpected = bool(std::getline(e, expectedLine));
        if (!moreActual && !moreExpected)
            return;
        ASSERT_EQ(moreActual, moreExpected) << "output and golden file differ in length at line " << line;
        ASSERT_EQ(actualLine, expectedLine) << "line " << line;
    }
}

TEST(DumpTool, DefaultMachineMatchesTheGoldenFiles)
{
    const fs::path names = GoldenDir() / "pcidevs.txt";
    for (const char* mode : {"hex", "decimal"}) {
        SCOPED_TRACE(mode);
        std::vector<std::string> args = {"--names", names.string()};
        if (std::string(mode) == "decimal")
            args.push_back("--decimal");
        const CRunResult result = RunDump(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        ExpectSameLines(result.out, ReadFile(GoldenDir() / (std::string("default-") + mode + ".txt")));
    }
}

TEST(DumpTool, ModernMachineCapabilitiesAndJsonMatchTheGoldenFiles)
{
    const std::string modern = std::string(BRISCO_MACHINES) + "/modern.txt";
    const std::string names = (GoldenDir() / "pcidevs.txt").string();
    for (const char* mode : {"capabilities", "json"}) {
        SCOPED_TRACE(mode);
        const CRunResult result = RunDump({"--names", names, std::string("--") + mode, modern});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        ExpectSameLines(result.out, ReadFile(GoldenDir() / (std::string("modern-") + mode + ".txt")));
    }
}

// B.D.F (after the domain outside 0000, as the tree writes it), offset and space of every
// capability lspci lists, in its order.
std::vector<std::string> LspciCapabilities(const std::vector<LspciFunction>& functions)
{
    static const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)( v\d+)?\] ?(.*)$)");
    std::vector<std::string> keys;
    std::smatch match;
    for (const LspciFunction& f : functions) {
        std::string domain = f.address.size() > 7 ? f.address.substr(0, 5) : "0000:";
        std::transform(domain.begin(), domain.end(), domain.begin(), ::toupper);
        for (const std::string& line : f.lines) {
            if (!std::regex_match(line, match, capability) || match[3].str().rfind("<", 0) == 0)
                continue;
            char key[48];
            snprintf(key, sizeof key, "%s%u.%u.%u %03lXh %s", domain == "0000:" ? "" : domain.c_str(), f.bus, f.device, f.function,
                     std::stoul(match[1].str(), nullptr, 16), match[2].matched ? "extended" : "standard");
            keys.push_back(key);
        }
    }
    return keys;
}

TEST(DumpTool, CapabilitiesAgreeWithLspciOnEveryDump)
{
    std::vector<fs::path> dumps;
    for (const fs::directory_entry& entry : fs::directory_iterator(BRISCO_TEST_DATA)) {
        if (entry.path().extension() == ".txt")
            dumps.push_back(entry.path());
    }
    for (const fs::path& dump : dumps) {
        SCOPED_TRACE(dump.filename().string());
        const CRunResult result = RunDump({"--capabilities", dump.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> listed;
        std::vector<std::string> notes;
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string address, offset, space;
            std::getline(fields, address, '\t');
            std::getline(fields, offset, '\t');
            std::getline(fields, space, '\t');
            if (space.empty())
                notes.push_back(line);
            else
                listed.push_back(address + " " + offset + " " + space);
        }
        // Broken lists end in notes: why a walk stopped, what a capability lacks.
        if (dump.filename() == "caps-broken.txt") {
            EXPECT_NE(std::find(notes.begin(), notes.end(), "0.4.0\twalk stopped: the list loops back to 040h"),
                      notes.end());
        }
        // lspci's own reading: the .lspci file beside a dump, else the -vvv text captured with it.
        fs::path expected = dump;
        expected.replace_extension(".lspci");
        const std::vector<LspciFunction> text = ReadLspciFile(fs::exists(expected) ? expected.string() : dump.string());
        // A capture may hold functions behind a bridge it left out; no scan reaches those.
        const CRunResult tree = RunDump({dump.string()});
        std::set<std::string> reached;
        std::istringstream treeLines(tree.out.substr(0, tree.out.find("\n\n")));
        for (std::string line; std::getline(treeLines, line);) {
            const size_t start = line.find_first_not_of(' ');
            reached.insert(line.substr(start, line.find(' ', start) - start));
        }
        std::vector<std::string> wanted;
        for (const std::string& key : LspciCapabilities(text)) {
            if (reached.count(key.substr(0, key.find(' '))))
                wanted.push_back(key);
        }
        // brisco-dump lists functions in tree order, lspci in address order.
        std::sort(listed.begin(), listed.end());
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(listed, wanted);
    }
}

TEST(DumpTool, OneFunctionAfterTheTree)
{
    const CRunResult all = RunDump({});
    const CRunResult one = RunDump({"--function", "0.0.0"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    // The tree comes first, then a blank line and the function's own label.
    const size_t treeEnd = all.out.find("\n\n");
    ASSERT_NE(treeEnd, std::string::npos);
    EXPECT_EQ(one.out.substr(0, treeEnd + 2), all.out.substr(0, treeEnd + 2));
    EXPECT_EQ(one.out.find("\n\n", treeEnd + 2), std::string::npos) << "only one function's rows";
    EXPECT_NE(one.out.find("\n\n0.0.0   Bridge"), std::string::npos);
    EXPECT_NE(one.out.find("00h\tWORD\tVendor ID\t"), std::string::npos);
    EXPECT_NE(one.out.find("FCh\tDWORD\tVendor Specific\t"), std::string::npos);
}

// --function takes the tree's label and lspci's form, in any segment; --json names the segment.
TEST(DumpTool, FunctionsAreNamedAsTheTreeOrLspciNamesThem)
{
    const std::string image = (GoldenDir().parent_path().parent_path() / "data" / "three-segments.txt").string();
    const struct
    {
        const char* given;
        const char* label;
    } cases[] = {
        {"0.1.0", "0.1.0   Bridge"},           {"00:01.0", "0.1.0   Bridge"},
        {"0000:01:00.0", "1.0.0   Function"}, {"0001:1.0.1", "0001:1.0.1   Function"},
        {"0001:01:00.1", "0001:1.0.1   Function"}, {"0010:3.0.0", "0010:3.0.0   Function"},
        {"10:03:00.0", "0010:3.0.0   Function"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        const CRunResult result = RunDump({"--function", c.given, image});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(std::string("\n\n") + c.label), std::string::npos) << result.out;
    }
    EXPECT_NE(RunDump({image}).out.find("\nSegment 0001\n  0001:0.0.0   Bridge"), std::string::npos);
    const CRunResult json = RunDump({"--json", "--function", "0010:03:00.0", image});
    EXPECT_NE(json.out.find("\"address\": \"0010:3.0.0\",\n      \"segment\": 16, \"bus\": 3,"), std::string::npos)
        << json.out;
    for (const char* wrong : {"0001:3.0", "10000:0.0.0", "00:20.0", "00:1f.8", "0001:00:00", "g:0.0.0"}) {
        EXPECT_EQ(RunDump({"--function", wrong, image}).exitCode, 2) << wrong;
    }
    EXPECT_EQ(RunDump({"--function", "0002:0.0.0", image}).err, "brisco-dump: no function 0002:0.0.0 in the machine\n");
}

// 0.10.0 of the default machine answers the probe, then refuses the read of its
// configuration, as sysfs does for a user who may see only 64 bytes.
class CUnreadableFunction {
public:
    CUnreadableFunction()
    {
        CompatSetRequestObserver([](uint32_t code, const std::vector<uint8_t>& in, uint32_t, bool ok) {
            if (code == IOCTL_PROBE_FUNCTION && ok && pci::GetLe32(in.data() + kAddrBusOffset) == 0 &&
                pci::GetLe32(in.data() + kAddrDeviceOffset) == 10 && pci::GetLe32(in.data() + kAddrFunctionOffset) == 0)
                CompatMachine().SetFault(kSimFaultFunction, 0, 10, 0);
        });
    }
    ~CUnreadableFunction()
    {
        CompatSetRequestObserver(nullptr);
        CompatMachine().SetFault(kSimFaultOff, 0, 0, 0);
    }
};

TEST(DumpTool, AFunctionThatCannotBeReadIsListedWithoutRegisters)
{
    CUnreadableFunction fault;
    const CRunResult rows = RunDump({});
    ASSERT_EQ(rows.exitCode, 0) << rows.err;
    // No group item: an unreadable function 0 cannot say its device has more functions.
    EXPECT_NE(rows.out.find("\n  0.10.0   could not be read\n  0.10.1   Function   (1102/7002) - "),
              std::string::npos)
        << rows.out;
    EXPECT_EQ(rows.out.find("0.10.x"), std::string::npos) << rows.out;
    EXPECT_NE(rows.out.find("\n\n0.10.0   could not be read\n\n0.10.1   Function"), std::string::npos)
        << "no register rows";

    EXPECT_EQ(RunDump({"--capabilities"}).out.find("0.10.0\t"), std::string::npos);
    const CRunResult json = RunDump({"--json", "--function", "0.10.0"});
    EXPECT_NE(json.out.find("\"label\": \"0.10.0   could not be read\",\n      \"readable\": false\n    }"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find("\"registers\""), std::string::npos) << json.out;
    const CRunResult bar = RunDump({"--function", "0.10.0", "--bar", "0"});
    EXPECT_EQ(bar.exitCode, 1);
    EXPECT_EQ(bar.err, "brisco-dump: function 0.10.0 could not be read\n");
}

TEST(DumpTool, LoadsAMachineImage)
{
    const fs::path image = fs::temp_directory_path() / "brisco-dump-test-machine.txt";
    std::ofstream(image) << "00:00.0 Host bridge\n"
                            "00: 86 80 90 71 06 00 00 22 03 00 00 06 00 40 00 00\n"
                            "00:03.0 VGA compatible controller\n"
                            "00: 34 12 11 11 03 00 00 00 00 00 00 03 00 00 00 00\n";
    const CRunResult result = RunDump({"--decimal", "--function", "0.3.0", image.string()});
    fs::remove(image);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\n  0.3.0   Function   (1234/1111) - "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("011d\tBYTE\tClass Code\t3d\tDisplay Controller\n"), std::string::npos) << result.out;
}

TEST(DumpTool, LoadsAnLspciDumpOfARealMachine)
{
    const fs::path dump = GoldenDir().parent_path() / "data" / "virtual-machine-lspci-xxx.txt";
    const CRunResult result = RunDump({dump.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("0.0.0   Bridge   (8086/d57) - ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("\n  0.5.0   Function   (1af4/1044) - "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("40h\tDWORD\tVendor Specific\t01105009h\tNew Capability: Vendor Specific\n"),
              std::string::npos);
}

// Buses that no bridge of bus 0 reaches (a second socket, uncore host bridges on bus FFh)
// appear only when swept, each as a root of its own, and every function appears once.
TEST(DumpTool, AllRootBusesShowsEveryFunctionOnce)
{
    const fs::path image = GoldenDir().parent_path().parent_path() / "data" / "root-buses-lspci-xxx.txt";
    struct CCase
    {
        std::vector<std::string> args;
        size_t functions;
        size_t rootBuses;
    };
    for (const CCase& c : {CCase{{image.string()}, 4, 0}, CCase{{"--all-root-buses", image.string()}, 11, 2}}) {
        SCOPED_TRACE(c.args.size() == 1 ? "bus 0 only" : "every root bus");
        const CRunResult result = RunDump(c.args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::istringstream lines(result.out.substr(0, result.out.find("\n\n")));
        std::set<std::string> functions;
        size_t listed = 0;
        size_t roots = 0;
        for (std::string line; std::getline(lines, line);) {
            roots += line.rfind("Root Bus ", 0) == 0;
            const size_t start = line.find_first_not_of(' ');
            if (line.find("   Bridge   (") == std::string::npos && line.find("   Function   (") == std::string::npos)
                continue;
            ++listed;
            functions.insert(line.substr(start, line.find(' ', start) - start));
        }
        EXPECT_EQ(functions.size(), c.functions) << result.out;
        EXPECT_EQ(listed, c.functions) << "no function is listed twice";
        EXPECT_EQ(roots, c.rootBuses);
    }
}

// Machines without a host bridge on bus 0 start at bus 0 itself, and a device without function
// 0 shows its other functions only when every function number is probed: the tree then lists
// exactly the functions lspci lists from the same file.
TEST(DumpTool, TreesListWhatLspciLists)
{
    const fs::path data = GoldenDir().parent_path().parent_path() / "data";
    const struct
    {
        const char* image;
        bool everyFunction;
        const char* root;
        size_t hidden; // functions lspci lists that the tree leaves out
    } cases[] = {
        {"root-port-root-lspci-xxx.txt", false, "PCI Bus 00h", 0},
        {"endpoints-only-lspci-xxx.txt", false, "PCI Bus 00h", 0},
        {"no-function-zero-lspci-xxx.txt", true, "0.0.0   Bridge   (8086/1237) - ", 0},
        {"no-function-zero-lspci-xxx.txt", false, "0.0.0   Bridge   (8086/1237) - ", 3},
        {"root-buses-lspci-xxx.txt", false, "0.0.0   Bridge   (8086/2e10) - ", 7},
        {"three-segments.txt", false, "0.0.0   Bridge   (8086/29c0) - ", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image << (c.everyFunction ? " --every-function" : ""));
        const std::string path = (data / c.image).string();
        std::vector<std::string> args = {path};
        if (c.everyFunction)
            args.insert(args.begin(), "--every-function");
        const CRunResult result = RunDump(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::istringstream lines(result.out.substr(0, result.out.find("\n\n")));
        std::set<std::string> listed;
        std::string first;
        for (std::string line; std::getline(lines, line);) {
            if (first.empty())
                first = line;
            const size_t start = line.find_first_not_of(' ');
            if (line.find("   Bridge   (") != std::string::npos || line.find("   Function   (") != std::string::npos) {
                EXPECT_TRUE(listed.insert(line.substr(start, line.find(' ', start) - start)).second) << line;
            }
        }
        EXPECT_EQ(first.rfind(c.root, 0), 0u) << first;
        size_t missing = 0;
        for (const LspciFunction& f : ReadLspciFile(path)) {
            std::string domain = f.address.size() > 7 && f.address.rfind("0000:", 0) != 0 ? f.address.substr(0, 5) : "";
            std::transform(domain.begin(), domain.end(), domain.begin(), ::toupper);
            missing += listed.count(domain + std::to_string(f.bus) + '.' + std::to_string(f.device) + '.' +
                                    std::to_string(f.function)) == 0;
        }
        EXPECT_EQ(missing, c.hidden);
        EXPECT_EQ(listed.size() + missing, ReadLspciFile(path).size()) << "nothing the file lacks is listed";
    }
}

// --diff prints one line per register in which the machine differs from a saved image, and
// nothing when they are equal; a function on one side only is named.
TEST(DumpTool, DiffNamesEveryChangedRegister)
{
    const fs::path image = GoldenDir().parent_path().parent_path() / "data" / "root-buses-lspci-xxx.txt";
    std::string saved = ReadFile(image);
    const size_t lpc = saved.find("00:1f.0");
    ASSERT_NE(lpc, std::string::npos);
    const size_t command = saved.find("00: 86 80 16 3a 06 00", lpc);
    ASSERT_NE(command, std::string::npos);
    saved.replace(command, 21, "00: 86 80 16 3a 07 00");
    saved.erase(saved.find("01:00.0"), saved.find("\n\n", saved.find("01:00.0")) + 2 - saved.find("01:00.0"));
    const fs::path changed = fs::temp_directory_path() / "brisco-diff-saved.txt";
    std::ofstream(changed, std::ios::binary) << saved;

    struct CCase
    {
        const char* what;
        std::string image;
        std::string expected;
    };
    const CCase cases[] = {
        {"equal", image.string(), ""},
        {"changed", changed.string(), "0.31.0\t04h\tCommand Register\t0007h\t0006h\n1.0.0\tonly in the machine\n"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        const CRunResult result = RunDump({"--all-root-buses", "--diff", c.image, image.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.expected);
    }
    // Functions of other segments are compared with their own, and named with their segment.
    const fs::path segments = image.parent_path() / "three-segments.txt";
    std::string other = ReadFile(segments);
    other.replace(other.find("00: 86 80 fb 10 06 00", other.find("0001:01:00.1")), 21, "00: 86 80 fb 10 02 00");
    other.erase(other.find("0010:03:00.0"));
    std::ofstream(changed, std::ios::binary) << other;
    EXPECT_EQ(RunDump({"--diff", changed.string(), segments.string()}).out,
              "0001:1.0.1\t04h\tCommand Register\t0002h\t0006h\n0010:3.0.0\tonly in the machine\n");
    const CRunResult broken = RunDump({"--diff", image.string() + ".missing", image.string()});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("cannot be read"), std::string::npos) << broken.err;
    fs::remove(changed);
}

// A saved image loads back as the same machine: every row the same. A file that cannot be
// written is reported and the old one kept.
TEST(DumpTool, SavedImagesLoadBackAsTheSameMachine)
{
    const fs::path machines = GoldenDir().parent_path().parent_path().parent_path() / "machines";
    const fs::path saved = fs::temp_directory_path() / "brisco-saved-image.txt";
    const fs::path data = GoldenDir().parent_path().parent_path() / "data";
    for (const fs::path& original : {machines / "default.txt", machines / "modern.txt",
                                     data / "root-port-root-lspci-xxx.txt", data / "three-segments.txt"}) {
        SCOPED_TRACE(original.filename().string());
        ASSERT_EQ(RunDump({"--save-image", saved.string(), original.string()}).exitCode, 0);
        const CRunResult reloaded = RunDump({saved.string()});
        ASSERT_EQ(reloaded.exitCode, 0) << reloaded.err;
        ExpectSameLines(reloaded.out, RunDump({original.string()}).out);
    }
    const std::string kept = ReadFile(saved);
    const CRunResult refused = RunDump({"--save-image", (saved / "no-such-folder" / "x.txt").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("cannot be written"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(saved), kept);
    fs::remove(saved);
}

TEST(DumpTool, FailuresGiveOneLineAndNonZeroExit)
{
    const fs::path broken = fs::temp_directory_path() / "brisco-dump-test-broken.txt";
    std::ofstream(broken) << "00:00.0 Host bridge\nthis is not a hex line\n";
    struct CCase
    {
        std::vector<std::string> args;
        int exitCode;
        const char* errorStart;
    };
    const CCase cases[] = {
        {{"--function", "0.9.0"}, 1, "brisco-dump: no function 0.9.0 in the machine"},
        {{"--function", "0.32.0"}, 2, "brisco-dump: bad function address '0.32.0'"},
        {{"--function", "1.2"}, 2, "brisco-dump: bad function address '1.2'"},
        {{"--function"}, 2, "brisco-dump: --function needs a value"},
        {{"--frobnicate"}, 2, "brisco-dump: unknown option '--frobnicate'"},
        {{"/nonexistent/machine.txt"}, 1, "brisco-dump: cannot read machine image '/nonexistent/machine.txt'"},
        {{broken.string()}, 1, "brisco-dump: "},
        {{"--names", "/nonexistent/names.txt"}, 1, "brisco-dump: cannot read names file '/nonexistent/names.txt'"},
        {{"a.txt", "b.txt"}, 2, "brisco-dump: only one machine image may be given"},
        {{"--function", "0.12.0", "--bar", "2"},
         1,
         "brisco-dump: BAR 2 of 0.12.0 is the upper half of the 64-bit BAR 1"},
        {{"--function", "0.12.0", "--bar", "5"}, 1, "brisco-dump: function 0.12.0 has no BAR 5"},
        {{"--function", "0.12.0", "--bar", "6"}, 2, "brisco-dump: bad BAR index '6'"},
        {{"--bar", "0"}, 2, "brisco-dump: --bar needs --function"},
        {{"--function", "1.0.0", "--bar", "0", "--unit", "3"}, 2, "brisco-dump: bad unit width '3'"},
        {{"--function", "1.0.0", "--rows", "4"}, 2, "brisco-dump: --rows needs --bar"},
        {{"--write", "1.0.0"}, 2, "brisco-dump: --write needs at least one REG=VALUE[:MASK]"},
        {{"COMMAND=0"}, 2, "brisco-dump: COMMAND=0 needs --write FUNCTION"},
        {{"--write", "1.0.0", "--json", "COMMAND=0"}, 2, "brisco-dump: --write excludes"},
        {{"--write", "0.9.0", "COMMAND=0"}, 1, "brisco-dump: no function 0.9.0 in the machine"},
        {{"--keep-going"}, 2, "brisco-dump: --keep-going needs --replay FILE"},
        {{"--replay", "j.txt", "--capabilities"}, 2, "brisco-dump: --replay excludes"},
        {{"--replay", "/nonexistent/j.txt"}, 2, "brisco-dump: cannot read '/nonexistent/j.txt'"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "args: " << testing::PrintToString(c.args));
        const CRunResult result = RunDump(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind(c.errorStart, 0), 0u) << result.err;
    }
    const CRunResult parseError = RunDump({broken.string()});
    EXPECT_NE(parseError.err.find(broken.string() + ":2:"), std::string::npos) << parseError.err;
    fs::remove(broken);
}

TEST(DumpTool, BarGridsShowEachDeviceItsOwnBytes)
{
    struct CCase
    {
        const char* image; // under tests/decode/data
        std::vector<std::string> args;
        std::string expected; // a golden file's name, or the whole output
    };
    const CCase cases[] = {
        // Both BAR 0 ranges start at F0000000h in their low 32 bits; only one is above 4 GiB.
        {"two-ranges.txt", {"--function", "0.3.0", "--bar", "0", "--rows", "3"}, "two-ranges-bar32.txt"},
        {"two-ranges.txt", {"--function", "0.4.0", "--bar", "0", "--rows", "3", "--unit", "4"},
         "two-ranges-bar64.txt"},
        // 8 ports at D800h with the other device's ports at D808h: 8 units and 8 empty cells.
        {"two-ranges.txt", {"--function", "0.3.0", "--bar", "1", "--decimal"},
         "Address\t+0\t+1\t+2\t+3\t+4\t+5\t+6\t+7\t+8\t+9\t+10\t+11\t+12\t+13\t+14\t+15\tASCII\n"
         "0d\t65d\t66d\t67d\t68d\t69d\t70d\t71d\t72d\t\t\t\t\t\t\t\t\tABCDEFGH\n"},
        {"two-ranges.txt", {"--function", "0.4.0", "--bar", "2", "--unit", "2", "--rows", "9"},
         "Address\t+00h\t+02h\t+04h\t+06h\t+08h\t+0ah\t+0ch\t+0eh\tASCII\n"
         "00000000h\t656Eh\t6769h\t6268h\t726Fh\t\t\t\t\tneighbor\n"},
        // The bridge's BAR keeps its own 16 KiB, not its prefetchable window's 256 MiB.
        {"narrow-decoders.txt", {"--function", "0.1.0"}, "narrow-decoders-bridge.txt"},
        // Probed sizes are the lowest address bit that sticks: 32 bytes behind a 40-bit
        // decoder, 16 bytes where bits 5 to 19 are not implemented.
        {"narrow-decoders.txt", {"--function", "0.2.0", "--bar", "0", "--rows", "4", "--probe", "--unit", "4"},
         "Address\t+00h\t+04h\t+08h\t+0ch\tASCII\n"
         "00000000h\t622D3034h\t42207469h\t30205241h\t20746120h\t40-bit BAR 0 at \n"
         "00000010h\t465F3231h\t30303030h\t68303030h\t0000002Eh\t12_F0000000h....\n"},
        {"narrow-decoders.txt", {"--function", "0.3.0", "--bar", "0", "--rows", "4", "--probe", "--unit", "4"},
         "Address\t+00h\t+04h\t+08h\t+0ch\tASCII\n"
         "00000000h\t74786953h\t206E6565h\t65747962h\t002E2E73h\tSixteen bytes...\n"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image << ", args: " << testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        args.push_back((GoldenDir().parent_path() / "data" / c.image).string());
        const CRunResult result = RunDump(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        if (c.expected.find('\n') == std::string::npos)
            ExpectSameLines(result.out, ReadFile(GoldenDir() / c.expected));
        else
            EXPECT_EQ(result.out, c.expected);
    }
}

TEST(DumpTool, NamesFileOfAnyName)
{
    const fs::path names = fs::temp_directory_path() / "brisco-dump-test-names.ids";
    std::ofstream(names) << "V\t8086\tTest Vendor\nD\t7190\tTest Host\n";
    const CRunResult result = RunDump({"--names", names.string(), "--function", "0.0.0"});
    fs::remove(names);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("0.0.0   Bridge   (8086/7190) - Test Vendor / Test Host\n", 0), 0u) << result.out;
}

// Each write prints what the register read before, what was sent and kept, and the catalogue's
// prediction; a BAR keeps only its size's bits, so the call fails. A bad write anywhere in the
// call, or a dry run, writes nothing.
TEST(DumpTool, WritesReportTheirReadBackAgainstThePrediction)
{
    int writes = 0;
    CompatSetRequestObserver([&writes](uint32_t code, const std::vector<uint8_t>&, uint32_t, bool) {
        writes += code == IOCTL_WRITE_CONFIG;
    });
    const CRunResult made = RunDump({"--write", "01:00.0", "0x0c.b=10", "COMMAND=0", "BASE_ADDRESS_0=FFFFFFFF"});
    EXPECT_EQ(made.exitCode, 1) << made.err;
    EXPECT_EQ(made.out,
              "0x0c.b (0Ch.B)\tbefore 08h\twritten 10h\tmask FFh\tread back 10h\tpredicted 10h\n"
              "COMMAND (04h.W)\tbefore 0087h\twritten 0000h\tmask FFFFh\tread back 0080h\tpredicted 0080h\n"
              "BASE_ADDRESS_0 (10h.L)\tbefore D4000008h\twritten FFFFFFFFh\tmask FFFFFFFFh\tread back FC000008h"
              "\tpredicted FFFFFFFFh\tdiffers 03FFFFF7h\n");
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(RunDump({"--write", "1.0.0", "CAP_PM+PMCSR.STATE=3"}).exitCode, 0);

    writes = 0;
    const CRunResult dry = RunDump({"--dry-run", "--write", "1.0.0", "COMMAND=83:3"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(dry.out, "COMMAND (04h.W)\tbefore 0087h\twritten 0087h\tmask 0003h\tread back not written"
                       "\tpredicted 0087h\n");
    const CRunResult bad = RunDump({"--write", "1.0.0", "COMMAND=0", "ECAP_AER+04.L=0"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "brisco-dump: bad write 'ECAP_AER+04.L=0': the function has no capability ECAP_AER\n");
    EXPECT_EQ(writes, 0) << "a dry run or a call with a bad write wrote";
    CompatSetRequestObserver(nullptr);
}

// --write leaves a journal whose replay on a fresh machine, and the replay of its setpci
// export, give the same machine; BAR units, which setpci cannot write, are compared by --bar.
TEST(DumpTool, ReplaysOfAJournalAndOfItsSetpciExportGiveTheSameMachine)
{
    fs::remove_all(JournalDir());
    ASSERT_EQ(RunDump({"--write", "2.1.0", "CAP_EXP+08.W=0:20", "COMMAND=0406", "0x3c.b=5"}).exitCode, 0);
    ASSERT_EQ(RunDump({"--function", "1.0.0", "--bar", "0"}).exitCode, 0) << "a read-only run";
    ASSERT_EQ(std::distance(fs::directory_iterator(JournalDir()), fs::directory_iterator()), 1);
    const fs::path written = fs::directory_iterator(JournalDir())->path();
    const std::string journalText = ReadFile(written);
    EXPECT_NE(journalText.find("\n02:01.0 8086:1008 CAP_EXP+08.W=0000:0020  # "), std::string::npos) << journalText;
    EXPECT_NE(journalText.find("\n# end "), std::string::npos) << journalText;

    const fs::path journal = fs::temp_directory_path() / "brisco-dump-test-replay.txt";
    const fs::path setpci = fs::temp_directory_path() / "brisco-dump-test-replay.sh";
    const fs::path image = fs::temp_directory_path() / "brisco-dump-test-replayed.txt";
    std::ofstream(journal) << journalText << "01:00.0 1002:5046 BAR0+0010.W=1234  # by hand\n";
    const CRunResult replayed = RunDump({"--replay", journal.string(), "--save-image", image.string()});
    ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
    EXPECT_NE(replayed.out.find("2\t2.1.0\tCAP_EXP+08.W (78h.W)\tbefore 0000h\twritten 0000h\tmask 0020h\t"),
              std::string::npos)
        << replayed.out;
    EXPECT_NE(replayed.out.find("6\t1.0.0\tBAR0+0010.W\tbefore 6361h\twritten 1234h\tmask FFFFh\tread back 1234h"),
              std::string::npos)
        << replayed.out;
    const CRunResult exported = RunDump({"--replay", journal.string(), "--as-setpci"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    std::ofstream(setpci) << exported.out;
    const CRunResult same = RunDump({"--replay", setpci.string(), "--diff", image.string()});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out.find("only in"), std::string::npos) << same.out;
    EXPECT_EQ(std::count(same.out.begin(), same.out.end(), '\n'), 3) << "three writes and no difference:\n"
                                                                     << same.out;
    EXPECT_EQ(RunDump({"--diff", image.string()}).out.empty(), false) << "the fresh machine differs from the replay";
    const CRunResult grid = RunDump({"--replay", journal.string(), "--function", "1.0.0", "--bar", "0", "--rows", "2"});
    EXPECT_NE(grid.out.find("00000010h\t34h\t12h\t68h"), std::string::npos) << grid.out;
    fs::remove(journal);
    fs::remove(setpci);
    fs::remove(image);

    // A probe's sizing writes are one comment line of the journal.
    fs::remove_all(JournalDir());
    const std::string narrow = (GoldenDir().parent_path() / "data" / "narrow-decoders.txt").string();
    ASSERT_EQ(RunDump({"--function", "0.2.0", "--bar", "0", "--rows", "1", "--probe", narrow}).exitCode, 0);
    const std::string probed = ReadFile(fs::directory_iterator(JournalDir())->path());
    EXPECT_NE(probed.find("\n# 00:02.0 "), std::string::npos) << probed;
    EXPECT_NE(probed.find(": probed BAR 0: 32 bytes, restored\n"), std::string::npos) << probed;
}

// A file is checked whole before its first write: one refused line, anywhere, writes nothing.
// A torn last line of a journal is left out with a note; the first write that does not read back
// as predicted stops the replay unless --keep-going.
TEST(DumpTool, ReplayRefusesTheWholeFileOrStopsAtTheFirstSurprise)
{
    int writes = 0;
    CompatSetRequestObserver([&writes](uint32_t code, const std::vector<uint8_t>&, uint32_t, bool) {
        writes += code == IOCTL_WRITE_CONFIG || code == IOCTL_WRITE_DEVICE || code == IOCTL_WRITE_DEVICE_WIDE;
    });
    const std::string good = "# Brisco write journal of brisco\n02:01.0 8086:1008 04.W=0406  # kept\n";
    const struct
    {
        const char* line; // the third line on: each ends in a line end, but a torn one
        std::vector<std::string> options;
        int exitCode, writes;
        const char* err; // part of the error output
    } cases[] = {
        {"02:01.0 8086:1009 3C.B=05\n", {}, 2, 0, "line 3: function 2.1.0 is 8086:1008, not the file's 8086:1009"},
        {"02:01.0 8086:1009 3C.B=05\n", {"--force"}, 0, 2, ""},
        {"setpci -s 02:01.0 -d 8086:1009 3C.B=05\n", {"--force"}, 2, 0, "not -d 8086:1009"},
        {"setpci -d 8086:1009 3C.B=05\n", {}, 2, 0, "line 3: no function matches -d 8086:1009"},
        {"09:00.0 8086:1008 3C.B=05\n", {}, 2, 0, "line 3: no function 09:00.0 in the machine"},
        {"02:01.0 8086:1008 ECAP_AER+04.L=0\n", {}, 2, 0, "the function has no capability ECAP_AER"},
        {"02:01.0 8086:1008 BAR5+00.B=1\n", {}, 2, 0, "function 2.1.0 has no BAR 5"},
        {"01:00.0 1002:5046 BAR0+4000000.L=1\n", {}, 2, 0, "the offset is outside BAR 0"},
        {"02:01.0 8086:1008 3C.B\n", {}, 2, 0, "line 3: '3C.B' reads a register"},
        {"02:01.0 8086:1008 10.L=ffffffff  # cut sh", {}, 0, 1, "line 3 was cut short"},
        {"02:01.0 8086:1008 10.L=ffffffff\n02:01.0 8086:1008 3C.B=05\n", {}, 1, 2, "line 3 did not read back"},
        {"02:01.0 8086:1008 10.L=ffffffff\n02:01.0 8086:1008 3C.B=05\n", {"--keep-going"}, 1, 3, ""},
        {"02:01.0 8086:1008 3C.B=05\n", {"--dry-run"}, 0, 0, ""},
    };
    const fs::path file = fs::temp_directory_path() / "brisco-dump-test-refused.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line << " " << testing::PrintToString(c.options));
        std::ofstream(file, std::ios::binary) << good << c.line;
        std::vector<std::string> args = {"--replay", file.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        writes = 0;
        const CRunResult result = RunDump(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(writes, c.writes);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        if (c.exitCode == 2)
            EXPECT_EQ(result.out, "");
    }
    fs::remove(file);
    CompatSetRequestObserver(nullptr);
}

} // namespace
