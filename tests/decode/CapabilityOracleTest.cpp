// Every dump in tests/data against lspci's reading of it: the same capabilities
// at the same offsets (and versions) under lspci's names, and the same link speed
// and width, AER status bits, device serial numbers, HyperTransport registers and
// the fields listed below. lspci's text comes from the .lspci file
// beside a dump, or from the dump itself when it was captured with -vvv.
#include "tests/decode/FieldOracle.h"
#include "tests/decode/LspciDump.h"

#include "decode/CapabilityDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr size_t kConventionalBytes = 256;
constexpr size_t kExtendedStart = 0x100;

std::vector<std::string> DumpFiles()
{
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(BRISCO_TEST_DATA)) {
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// lspci's capability lines, less its notes on broken chains; extended ones only when the dump holds them.
std::vector<std::string> ExpectedCapabilities(const LspciFunction& text, bool haveExtended)
{
    static const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)(?: v(\d+))?\] ?(.*)$)");
    std::vector<std::string> keys;
    std::smatch match;
    for (const std::string& line : text.lines) {
        if (!std::regex_match(line, match, capability) || match[3].str().rfind("<chain", 0) == 0)
            continue;
        const uint32_t offset = uint32_t(std::stoul(match[1].str(), nullptr, 16));
        const bool extended = match[2].matched;
        if (extended && !haveExtended)
            continue;
        keys.push_back(CapabilityKey(offset, extended, extended ? uint32_t(std::stoul(match[2].str())) : 0));
    }
    return keys;
}

// The text after "Name:" on lspci's first line for that register, or nothing.
std::vector<std::string> LspciValues(const LspciFunction& text, const std::string& name)
{
    std::vector<std::string> values;
    const std::string prefix = "\t\t" + name + ":";
    for (const std::string& line : text.lines) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        value.erase(0, value.find_first_not_of(" \t"));
        values.push_back(value);
    }
    return values;
}

std::vector<std::string> DecodedValues(const CapabilityList& list, const std::string& name)
{
    std::vector<std::string> values;
    for (const Capability& capability : list.capabilities) {
        for (const CapabilityRow& row : capability.rows) {
            if (row.name == name)
                values.push_back(row.text);
        }
    }
    return values;
}

// Registers compared field by field within one kind of capability: lspci's label there (lines nested
// under a "VCn:" line get "VC " before theirs; a line without a colon is labelled by its first word),
// and the rows whose texts, in order, hold lspci's values. Joined rows hold one lspci line between them.
struct FieldCase
{
    const char* capability; // part of lspci's capability line
    const char* label;      // regular expressions, whole match
    const char* rows;
    size_t linesPerRow = 1; // lspci lines one row's text holds
    bool joined = false;
};

const FieldCase kFieldCases[] = {
    {"] Virtual Channel", "Caps", "Port VC Capability 1"},
    {"] Virtual Channel", "Arb", "Port VC Capability 2"},
    {"] Virtual Channel", "Ctrl", "Port VC Control"},
    {"] Virtual Channel", "Status", "Port VC Status"},
    {"] Virtual Channel", "VC (Caps|Arb)", "VC\\d Resource Capability", 2},
    {"] Virtual Channel", "VC Ctrl", "VC\\d Resource Control"},
    {"] Virtual Channel", "VC Status", "VC\\d Resource Status"},
    {"Vendor=1e98", "CXL(Cap|Ctl|Sta|Sta2|PortSta|PortCtl)", "CXL(Cap|Ctl|Sta|Sta2|PortSta|PortCtl)"},
    {"Vendor=1e98", "Cache Size|Cache", "CXLCap2"},
    {"Vendor=1e98", "Range\\d", "Range\\d Base Low"},
    {"Vendor=1e98", "Valid", "Range\\d Size Low"},
    {"Vendor=1e98", "FuncMap \\d|Block\\d|GPF Phase .*|FB(Cap|Ctl|Sta|ModTS)",
     "FuncMap \\d|Block\\d|GPF Phase .*|FB(Cap|Ctl|Sta|ModTS)"},
    {"Vendor=1e98", "AlternateBus", "Alternate (Bus|Memory) Base/Limit"},
    {"VirtIO", "Vendor Specific Information", "Configuration Type"},
    {"VirtIO", "BAR", "BAR|Offset|Region Length|Notify Offset Multiplier", 1, true},
};

struct LspciField
{
    std::string label;
    std::string value;
};

// lspci's lines of one capability, its own line first (less "Capabilities: [..] "), as labelled fields.
std::vector<LspciField> CapabilityFields(const std::vector<std::string>& lines)
{
    static const std::regex nested(R"(^VC\d+:\t(.*)$)");
    std::vector<LspciField> fields;
    bool inVc = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t depth = lines[i].find_first_not_of('\t');
        std::string line = lines[i].substr(std::min(depth, lines[i].size()));
        if (i == 0)
            line = line.substr(line.find("] ") + 2);
        std::smatch match;
        if (depth == 2)
            inVc = std::regex_match(line, match, nested);
        if (inVc && depth == 2)
            line = match[1].str();
        const size_t colon = line.find(':');
        LspciField field;
        if (colon == std::string::npos) {
            field.label = line.substr(0, line.find_first_of(" =+-"));
            field.value = line;
        } else {
            field.label = line.substr(0, colon);
            field.value = line.substr(std::min(line.find_first_not_of(" \t", colon + 1), line.size()));
        }
        if (inVc && depth >= 2)
            field.label = "VC " + field.label;
        fields.push_back(field);
    }
    return fields;
}

// text holds value as whole words: "10us" does not hold "0us".
bool HoldsWords(const std::string& text, const std::string& value)
{
    for (size_t at = text.find(value); at != std::string::npos; at = text.find(value, at + 1)) {
        const size_t end = at + value.size();
        if ((at == 0 || text[at - 1] == ' ') && (end == text.size() || text[end] == ' ' || text[end] == ','))
            return true;
    }
    return false;
}

// Each capability lspci decodes against Brisco's rows of the capability at the same offset.
void CompareFields(const LspciFunction& text, const CapabilityList& list)
{
    static const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)( v\d+)?\] .*$)");
    for (size_t first = 0; first < text.lines.size(); ++first) {
        std::smatch match;
        if (!std::regex_match(text.lines[first], match, capability))
            continue;
        size_t end = first + 1;
        while (end < text.lines.size() && text.lines[end].rfind("\t\t", 0) == 0)
            ++end;
        const uint32_t offset = uint32_t(std::stoul(match[1].str(), nullptr, 16));
        const CapabilitySpace space = match[2].matched ? CapabilitySpace::kExtended : CapabilitySpace::kStandard;
        const Capability* found = nullptr;
        for (const Capability& entry : list.capabilities) {
            if (entry.offset == offset && entry.space == space)
                found = &entry;
        }
        const std::vector<LspciField> fields =
            CapabilityFields({text.lines.begin() + long(first), text.lines.begin() + long(end)});
        for (const FieldCase& field : kFieldCases) {
            if (text.lines[first].find(field.capability) == std::string::npos || found == nullptr)
                continue;
            SCOPED_TRACE(text.lines[first] + " / " + field.label);
            const std::regex label(field.label);
            const std::regex rowName(field.rows);
            std::vector<std::string> expected;
            for (const LspciField& lspci : fields) {
                if (std::regex_match(lspci.label, label))
                    expected.push_back(lspci.value);
            }
            std::vector<std::string> texts;
            for (const CapabilityRow& row : found->rows) {
                if (!std::regex_match(row.name, rowName))
                    continue;
                if (field.joined && !texts.empty())
                    texts.back() += " " + row.text;
                else
                    texts.insert(texts.end(), field.linesPerRow, row.text);
            }
            ASSERT_EQ(expected.size(), texts.size());
            for (size_t i = 0; i < expected.size(); ++i)
                EXPECT_TRUE(HoldsWords(texts[i], expected[i])) << texts[i] << " lacks " << expected[i];
        }
    }
}

// One field lspci prints: the value its line captures must appear, in order, in the texts of
// Brisco's rows of that name (Brisco may show more rows, such as BARs lspci leaves out, and
// one row may hold several of lspci's lines).
struct OracleField
{
    const char* lspciLine; // regex over a whole line, capturing the value
    const char* rowName;   // regex over Brisco's row names
};

const OracleField kOracleFields[] = {
    {R"(\tCapabilities: \[[0-9a-f]+\] (Express \(v\d\) [^,]+), MSI.*)", "PCI Express Capabilities"},
    {R"(\t\tAddress: ([0-9a-f]+)  Data: .*)", "Message Address"},
    {R"(\t\t\tSlot #\d+, (PowerLimit [^;]+);.*)", "SltCap"},
    {R"(.* (SlotPowerLimit \S+W)$)", "DevCap"},
    {R"(.* (BrConfRtry[+-])$)", "DevCtl"},
    {R"(.*(LN System CLS [^,]+),.*)", "DevCap2"},
    {R"(\t\tLnkCtl2: (Target Link Speed: [^,]+),.*)", "LnkCtl2"},
    {R"(\t\tRegion \d+: (Memory at .*))", R"(VF BAR \d+)"},
    {R"(\t\tLaneErrStat: (.*))", "LaneErrStat"},
    {R"(\t\tMcastBAR: (.*))", "McastBAR low"},
    {R"(\t\tMcastOverlayBAR: (.*))", "McastOverlayBAR low"},
    {R"(\t\t(?:McastReceiveVec|McastBlockAllVec|McastBlockUntransVec): +(.*))", R"(Mcast\w+Vec low)"},
    {R"(\t\tDesc:\t(PortNumber=.*))", "Element Self Description"},
    {R"(\t\tRCiEPBitmap: (.*))", "Association Bitmap"},
    {R"(\t\tLink\d+:\tDesc:\t(.*))", R"(Link \d+ Description)"},
    {R"(\t\t\tAddr:\t(.*))", R"(Link \d+ Address low)"},
    {R"(\t\tEntry \d+: (.*))", R"(Entry \d+)"},
    {R"(\t\t\t ((?:BAR Equivalent Indicator|PrimaryProperties|SecondaryProperties): .*))", R"(Entry \d+)"},
    {R"(\t\t\t (Base: .*))", R"(Entry \d+ Base)"},
    {R"(\t\t\t (MaxOffset: .*))", R"(Entry \d+ MaxOffset)"},
};

void CompareField(const LspciFunction& text, const CapabilityList& list, const OracleField& field)
{
    const std::regex line(field.lspciLine);
    const std::regex rowName(field.rowName);
    std::vector<std::string> decoded;
    for (const Capability& capability : list.capabilities) {
        for (const CapabilityRow& row : capability.rows) {
            if (std::regex_match(row.name, rowName))
                decoded.push_back(row.text);
        }
    }
    size_t next = 0;
    std::smatch match;
    for (const std::string& lspci : text.lines) {
        if (!std::regex_match(lspci, match, line))
            continue;
        const std::string value = match[1].str();
        while (next < decoded.size() && decoded[next].find(value) == std::string::npos)
            ++next;
        EXPECT_LT(next, decoded.size()) << field.rowName << ": no row shows \"" << value << "\"";
    }
}

// lspci's capability line starts with Brisco's name, except where lspci names none.
void CompareNames(const LspciFunction& text, const CapabilityList& list)
{
    static const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)(?: v\d+)?\] (.*)$)");
    size_t next = 0;
    std::smatch match;
    for (const std::string& line : text.lines) {
        if (!std::regex_match(line, match, capability) || match[2].str().rfind("<chain", 0) == 0)
            continue;
        const uint32_t offset = uint32_t(std::stoul(match[1].str(), nullptr, 16));
        while (next < list.capabilities.size() && list.capabilities[next].offset != offset)
            ++next;
        if (next == list.capabilities.size())
            return; // an extended capability the dump does not hold
        const std::string& name = list.capabilities[next].name;
        const std::string lspci = match[2].str();
        const bool unnamed = lspci.rfind("Capability ID", 0) == 0 || lspci.rfind("Extended Capability ID", 0) == 0 ||
            lspci == "Null" || name == "PCI Express" || name == "Bridge Subsystem Vendor ID";
        if (!unnamed) {
            EXPECT_EQ(name, lspci.substr(0, name.size())) << "capability at " << match[1].str();
        }
    }
}

// lspci's lines of each HyperTransport capability by offset: the block type from the capability
// line, then its register lines, less the notes lspci adds on old revisions ("!!! ...").
std::map<uint32_t, std::vector<std::string>> LspciHyperTransport(const LspciFunction& text)
{
    static const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)\] HyperTransport: (.*)$)");
    std::map<uint32_t, std::vector<std::string>> blocks;
    std::vector<std::string>* block = nullptr;
    std::smatch match;
    for (const std::string& line : text.lines) {
        if (std::regex_match(line, match, capability)) {
            block = &blocks[uint32_t(std::stoul(match[1].str(), nullptr, 16))];
            block->push_back(match[2].str());
        } else if (line.rfind("\t\t", 0) != 0) {
            block = nullptr;
        } else if (block && line.find("!!!") == std::string::npos) {
            block->push_back(line.substr(2));
        }
    }
    return blocks;
}

// Each way one of the rows may carry an lspci line: "Name: text"; the name with the text before
// ", " and every ", " part (one register byte that lspci prints as two lines); and for the command
// word, the block type before ": " and "Command: " with the fields after it.
std::set<std::string> RowReadings(const Capability& capability)
{
    std::set<std::string> readings;
    for (const CapabilityRow& row : capability.rows) {
        readings.insert(row.name + ": " + row.text);
        readings.insert(row.name + ": " + row.text.substr(0, row.text.find(", ")));
        for (size_t start = 0, end = 0; end != std::string::npos; start = end + 2) {
            end = row.text.find(", ", start);
            readings.insert(row.text.substr(start, end == std::string::npos ? end : end - start));
        }
        const size_t colon = row.text.find(": ");
        if (row.name == "Command" && colon != std::string::npos) {
            readings.insert(row.text.substr(0, colon));
            readings.insert("Command: " + row.text.substr(colon + 2));
        }
    }
    return readings;
}

// Where lspci is known to differ: it reads only the low byte of a link frequency capability, so
// its 1.4GHz, 1.6GHz and Vend bits always print "-"; the frequencies before them must agree.
bool ReadsAsLspci(const std::set<std::string>& readings, const std::string& line)
{
    const std::string lowByteOnly = "Link Frequency Capability";
    if (line.rfind(lowByteOnly, 0) != 0)
        return readings.count(line) == 1;
    const std::string agreed = line.substr(0, line.find(" 1.4GHz"));
    return std::any_of(readings.begin(), readings.end(),
                       [&](const std::string& reading) { return reading.rfind(agreed, 0) == 0; });
}

// complete: the text is lspci's whole output, not the abridged -vvv text kept in a capture.
void CompareFunction(const std::string& file, const LspciFunction& dump, const LspciFunction& text, bool complete)
{
    SCOPED_TRACE(file + " " + dump.address);
    const CCapabilityDecoder decoder(dump.bytes.data(), uint32_t(dump.bytes.size()));
    const CapabilityList list = decoder.Decode();
    std::vector<std::string> found;
    for (const Capability& capability : list.capabilities)
        found.push_back(
            CapabilityKey(capability.offset, capability.space == CapabilitySpace::kExtended, capability.version));
    EXPECT_EQ(ExpectedCapabilities(text, dump.bytes.size() > kExtendedStart), found);

    // lspci prints the first part of these; Brisco's text goes on with the flags of its next lines.
    for (const char* name : {"LnkCap", "LnkSta"}) {
        const std::vector<std::string> expected = LspciValues(text, name);
        const std::vector<std::string> decoded = DecodedValues(list, name);
        if (!complete && expected.empty())
            continue;
        ASSERT_EQ(expected.size(), decoded.size()) << name;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(expected[i], decoded[i].substr(0, expected[i].size())) << name;
    }
    for (const char* name : {"UESta", "UEMsk", "UESvrt", "CESta", "CEMsk"}) {
        if (complete || !LspciValues(text, name).empty()) {
            EXPECT_EQ(LspciValues(text, name), DecodedValues(list, name)) << name;
        }
    }
    static const std::regex serial(R"(^\tCapabilities: \[[0-9a-f]+ v\d+\] Device Serial Number (\S+)$)");
    std::vector<std::string> serials;
    std::smatch match;
    for (const std::string& line : text.lines) {
        if (std::regex_match(line, match, serial))
            serials.push_back(match[1].str());
    }
    std::vector<std::string> decodedSerials = DecodedValues(list, "Serial Number");
    EXPECT_EQ(serials, decodedSerials);
    CompareFields(text, list);
    // On a broken list lspci reads on past where Brisco stops, so only intact ones are compared field by field.
    const bool intact = list.standardEnd.empty() && list.extendedEnd.empty() &&
        std::none_of(list.capabilities.begin(), list.capabilities.end(),
                     [](const Capability& capability) { return !capability.problem.empty(); });
    if (!complete || !intact)
        return;
    CompareNames(text, list);
    for (const OracleField& field : kOracleFields)
        CompareField(text, list, field);
}

TEST(CapabilityOracle, EveryDumpListsWhatLspciLists)
{
    const std::vector<std::string> files = DumpFiles();
    ASSERT_FALSE(files.empty());
    size_t compared = 0;
    for (const std::string& file : files) {
        const std::vector<LspciFunction> dumps = ReadLspciFile(file);
        const std::string expectedFile = file.substr(0, file.size() - 4) + ".lspci";
        const bool complete = fs::exists(expectedFile);
        const std::vector<LspciFunction> texts = complete ? ReadLspciFile(expectedFile) : dumps;
        ASSERT_EQ(dumps.size(), texts.size()) << file;
        for (size_t i = 0; i < dumps.size(); ++i) {
            ASSERT_EQ(dumps[i].address, texts[i].address) << file;
            if (dumps[i].bytes.size() < kConventionalBytes)
                continue;
            CompareFunction(file, dumps[i], texts[i], complete);
            ++compared;
        }
    }
    EXPECT_GT(compared, 30u);
}

TEST(CapabilityOracle, HyperTransportRegistersReadAsLspciReadsThem)
{
    size_t compared = 0;
    for (const std::string& file : DumpFiles()) {
        const std::string expectedFile = file.substr(0, file.size() - 4) + ".lspci";
        const std::vector<LspciFunction> dumps = ReadLspciFile(file);
        const std::vector<LspciFunction> texts = fs::exists(expectedFile) ? ReadLspciFile(expectedFile) : dumps;
        for (size_t i = 0; i < dumps.size() && i < texts.size(); ++i) {
            if (dumps[i].bytes.size() < kConventionalBytes)
                continue;
            const CCapabilityDecoder decoder(dumps[i].bytes.data(), uint32_t(dumps[i].bytes.size()));
            const CapabilityList list = decoder.Decode();
            for (const auto& [offset, lines] : LspciHyperTransport(texts[i])) {
                SCOPED_TRACE(file + " " + dumps[i].address + " " + CapabilityKey(offset, false, 0));
                const auto found = std::find_if(list.capabilities.begin(), list.capabilities.end(),
                                                [&](const Capability& c) { return c.offset == offset; });
                ASSERT_NE(found, list.capabilities.end());
                const std::set<std::string> readings = RowReadings(*found);
                for (const std::string& line : lines) {
                    EXPECT_TRUE(ReadsAsLspci(readings, line)) << line;
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 60u);
}

} // namespace

namespace {

// Field by field: every field lspci reads that Brisco reads otherwise or not at all is listed,
// with its reason, in the dump's .expected file (capability-field-oracle --update rewrites them).
TEST(CapabilityOracle, EveryFieldLspciReadsIsReadTheSameOrListed)
{
    size_t compared = 0;
    for (const std::string& file : DumpFiles()) {
        const COracleReport report = CompareDumpFields(file);
        COracleAllowances allowed = ReadAllowances(AllowancePath(file));
        compared += report.counts.compared;
        for (const COracleDifference& d : report.differences) {
            if (d.kind != COracleClass::kWrong && d.kind != COracleClass::kMissing)
                continue;
            COracleAllowance& allowance = allowed[AllowanceKey(d)];
            EXPECT_TRUE(allowance.count > 0 && !allowance.reason.empty())
                << file << ": " << AllowanceKey(d) << " lspci \"" << d.lspci << "\" Brisco \"" << d.brisco
                << "\" is not listed with a reason (as often as it occurs)";
            if (allowance.count > 0)
                --allowance.count;
        }
    }
    EXPECT_GT(compared, 1000u);
}

// One tokeniser cuts both sides; these are the forms lspci and the rows share.
TEST(CapabilityOracle, TokeniserCutsEachFieldForm)
{
    const struct
    {
        const char* text;
        std::vector<std::string> fields; // label/name=value
    } cases[] = {
        {"Enable+ Count=2/4 Maskable-", {"L/Enable=+", "L/Count=2/4", "L/Maskable=-"}},
        {"Speed 16GT/s, Width x16", {"L/L=Speed 16GT/s"}},
        {"Completion Timeout: Range ABCD, TimeoutDis+", {"L/Completion Timeout=Range ABCD", "L Completion Timeout/TimeoutDis=+"}},
        {"ERR_COR: 0100 ERR_FATAL/NONFATAL: 0100", {"L/ERR_COR=0100", "L/ERR_FATAL/NONFATAL=0100"}},
        {"Trigger:2 Requester:- PME(D0+,D1-)", {"L/Trigger=2", "L/Requester:=-", "L/PME(D0=+", "L/D1=-"}},
        {"Address: fee00418  Data: 4023", {"L/Address=fee00418", "L/Data=4023"}},
        {"Subsystem: Device f00d:9197", {"L/Subsystem=Device f00d:9197"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const COracleField& f : TokeniseFields("L", c.text))
            found.push_back(f.label + "/" + f.name + "=" + f.value);
        EXPECT_EQ(c.fields, found) << c.text;
    }
}

} // namespace
