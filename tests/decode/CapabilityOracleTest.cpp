// Every dump in tests/data against lspci's reading of it: the same capabilities
// at the same offsets (and versions), and the same link speed and width, AER
// status bits and device serial numbers. lspci's text comes from the .lspci file
// beside a dump, or from the dump itself when it was captured with -vvv.
#include "tests/decode/FieldOracle.h"
#include "tests/decode/LspciDump.h"

#include "decode/CapabilityDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
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

std::string CapabilityKey(uint32_t offset, bool extended, uint32_t version)
{
    char text[32];
    if (extended)
        snprintf(text, sizeof text, "[%x v%u]", offset, version);
    else
        snprintf(text, sizeof text, "[%x]", offset);
    return text;
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
    std::vector<std::string> decodedSerials = DecodedValues(list, "Serial Number low");
    EXPECT_EQ(serials, decodedSerials);
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
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const COracleField& f : TokeniseFields("L", c.text))
            found.push_back(f.label + "/" + f.name + "=" + f.value);
        EXPECT_EQ(c.fields, found) << c.text;
    }
}

} // namespace
