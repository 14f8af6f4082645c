#include "tests/decode/FieldOracle.h"

#include "decode/CapabilityDecoder.h"
#include "decode/HyperTransportCapabilityRows.h"
#include "pci/Capability.h"

#include <ctype.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr size_t kConventionalBytes = 256;
constexpr size_t kExtendedStart = 0x100;
const char kSeparator = '\t';

// Fields whose names differ but mean the same: lspci's name, then Brisco's, both normalised.
// A name listed here is looked up among its synonyms first, whose values are in other words.
const std::pair<const char*, const char*> kSynonyms[] = {
    {"headerlog", "headerlog0"},        // one line of four DWORDs, one row each
    {"laneerrstat", "laneerrstat"},     // lanes listed, a bit mask
    {"atlane", "laneerrstat"},          //
    {"subsystem", "subsystemvendorid"}, // "Device f00d:9197", a row per ID
};

// Fields one register holds under another name, values compared as they are: lspci's name,
// then Brisco's row, both normalised. Where one lspci name is listed twice, its first field
// takes Brisco's first row, as for lspci's two "AlternateBus" lines (bus, then memory window).
const std::pair<const char*, const char*> kLabels[] = {
    {"slotid", "expansionslot"},          // "Slot ID: 3 slots" on the title line
    {"rciepbitmap", "associationbitmap"}, //
    {"range1", "range1baselow"},          // the whole CXL range, first-last, on its low base row
    {"range2", "range2baselow"},          //
    {"alternatebus", "alternatebusbaselimit"},
    {"alternatebus", "alternatememorybaselimit"},
};

// A row that carries a 64-bit value on its low half names the value without " low".
constexpr char kLowHalf[] = " low";

std::string Normalise(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (isalnum(static_cast<unsigned char>(c)))
            out += char(tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool IsHexText(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// Values compare without case, blanks, a trailing "h" of hex numbers and leading zeros.
std::string NormaliseValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (!isspace(static_cast<unsigned char>(c)))
            out += char(tolower(static_cast<unsigned char>(c)));
    }
    if (out.size() > 1 && out.back() == 'h' && IsHexText(out.substr(0, out.size() - 1)))
        out.pop_back();
    if (IsHexText(out)) {
        const size_t first = out.find_first_not_of('0');
        out = first == std::string::npos ? "0" : out.substr(first);
    }
    return out;
}

std::string Join(const std::vector<std::string>& words, size_t from, size_t to)
{
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += (out.empty() ? "" : " ") + words[i];
    return out;
}

// Text segments: runs between commas, semicolons, tabs and double blanks.
std::vector<std::string> Segments(const std::string& text)
{
    std::vector<std::string> segments;
    std::string current;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool cut = c == ',' || c == ';' || c == '\t' || (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ');
        if (cut) {
            segments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    segments.push_back(current);
    return segments;
}

// "f00d:9197", a vendor and device ID: one value, not a name and its value.
bool IsIdPair(const std::string& word, size_t colon)
{
    constexpr size_t kIdDigits = 4;
    return colon == kIdDigits && word.size() == 2 * kIdDigits + 1 && IsHexText(word.substr(0, colon)) &&
        IsHexText(word.substr(colon + 1));
}

std::string StripBrackets(std::string word)
{
    while (!word.empty() && (word.back() == ')' || word.back() == ']'))
        word.pop_back();
    while (!word.empty() && (word.front() == '(' || word.front() == '['))
        word.erase(0, 1);
    return word;
}

bool IsFlag(const std::string& word)
{
    return word.size() >= 2 && (word.back() == '+' || word.back() == '-') &&
        (isalnum(static_cast<unsigned char>(word[word.size() - 2])) || word[word.size() - 2] == ':' ||
         word[word.size() - 2] == ')');
}

// The cutting state of one line: the label fields take, and whether plain words may still be
// the label's own value.
struct CTokeniser
{
    std::string lineLabel;
    std::string group;
    bool fresh = true;
    bool named = false; // the group is a "Name:" of the text, not the register's label
    std::vector<COracleField> fields;

    void Emit(const std::string& name, const std::string& value)
    {
        // "VC1 Arb" tells VC1's arbitration flags from VC0's.
        fields.push_back({lineLabel == group || lineLabel.empty() ? group : lineLabel + " " + group, name, value});
        fresh = false;
    }

    void Flush(std::vector<std::string>& pending)
    {
        if (!pending.empty() && fresh) {
            fields.push_back({lineLabel, group, Join(pending, 0, pending.size())});
            fresh = false;
        }
        pending.clear();
    }

    void Segment(const std::string& segment)
    {
        std::istringstream words(segment);
        std::vector<std::string> pending;
        for (std::string word; words >> word;) {
            const std::string bare = StripBrackets(word);
            const size_t equals = bare.find('=');
            const size_t colon = bare.find(':');
            if (word.size() > 1 && word.back() == ':' && equals == std::string::npos) {
                // A new name: the words before it, unless they are a number the previous name
                // still wanted, as in "ERR_COR: 0100 ERR_FATAL/NONFATAL: 0100".
                size_t nameStart = 0;
                if (named && fresh && !pending.empty() &&
                    std::any_of(pending.back().begin(), pending.back().end(), ::isdigit)) {
                    nameStart = pending.size();
                    fields.push_back({lineLabel, group, Join(pending, 0, nameStart)});
                }
                const std::string before = Join(pending, nameStart, pending.size());
                group = (before.empty() ? before : before + " ") + word.substr(0, word.size() - 1);
                lineLabel = lineLabel.empty() ? group : lineLabel;
                pending.clear();
                fresh = true;
                named = true;
            } else if (IsFlag(bare)) {
                Flush(pending);
                Emit(bare.substr(0, bare.size() - 1), bare.substr(bare.size() - 1));
            } else if (equals != std::string::npos && equals > 0) {
                Flush(pending);
                std::string value = bare.substr(equals + 1);
                if (!value.empty() && value.back() == ':')
                    value.pop_back();
                Emit(bare.substr(0, equals), value);
            } else if (colon != std::string::npos && colon > 0 && !IsIdPair(bare, colon)) {
                Flush(pending);
                Emit(bare.substr(0, colon), bare.substr(colon + 1));
            } else {
                pending.push_back(word);
            }
        }
        Flush(pending);
    }
};

struct CBriscoField
{
    COracleField field;
    bool used = false;
};

struct CLspciCapability
{
    std::string key;
    std::vector<COracleField> fields;
};

// lspci's capabilities of one function, each with the fields of its header and register lines.
std::vector<CLspciCapability> LspciCapabilities(const LspciFunction& text)
{
    static const std::regex capability(R"(^\tCapabilities: (\[[0-9a-f]+(?: v\d+)?\]) ?(.*)$)");
    std::vector<CLspciCapability> capabilities;
    std::smatch match;
    std::string label;
    for (const std::string& line : text.lines) {
        if (std::regex_match(line, match, capability)) {
            capabilities.push_back({match[1].str(), {}});
            label.clear();
            capabilities.back().fields = TokeniseFields("", match[2].str());
            continue;
        }
        if (capabilities.empty() || line.rfind("\t\t", 0) != 0)
            continue;
        const size_t depth = line.find_first_not_of('\t');
        const std::string body = line.substr(depth);
        // Deeper lines go on with the register above them.
        CTokeniser tokeniser;
        if (depth > 2 || body.rfind(' ', 0) == 0) {
            tokeniser.lineLabel = tokeniser.group = label;
            tokeniser.fresh = false;
        }
        for (const std::string& segment : Segments(body))
            tokeniser.Segment(segment);
        if (depth == 2 && body.rfind(' ', 0) != 0)
            label = tokeniser.lineLabel;
        for (COracleField& field : tokeniser.fields)
            capabilities.back().fields.push_back(std::move(field));
    }
    return capabilities;
}

std::vector<CBriscoField> BriscoFields(const Capability& capability)
{
    std::vector<CBriscoField> fields;
    // lspci names a HyperTransport block's type on the title line, Brisco in its command row.
    if (capability.space == CapabilitySpace::kStandard && capability.id == pci::kCapHyperTransport) {
        for (const CapabilityRow& row : capability.rows) {
            if (row.name == "Command") {
                fields.push_back(
                    {{capability.name, capability.name, CHyperTransportCapabilityRows::TypeName(row.value)}});
                break;
            }
        }
    }
    for (const CapabilityRow& row : capability.rows) {
        std::string name = row.name;
        if (name.size() > sizeof kLowHalf - 1 &&
            name.compare(name.size() - (sizeof kLowHalf - 1), std::string::npos, kLowHalf) == 0)
            name.resize(name.size() - (sizeof kLowHalf - 1));
        // A register without decoded text is a field of its own: its raw value.
        if (row.text.empty()) {
            char raw[16];
            snprintf(raw, sizeof raw, "%x", row.value);
            fields.push_back({{name, name, raw}});
        }
        for (COracleField& field : TokeniseFields(name, row.text))
            fields.push_back({std::move(field)});
    }
    return fields;
}

// lspci's "Region N" in an SR-IOV capability is Brisco's "VF BAR N".
bool SameRegion(const std::string& lspci, const std::string& brisco)
{
    static const std::string kRegion = "region", kVfBar = "vfbar";
    return lspci.rfind(kRegion, 0) == 0 && brisco.rfind(kVfBar, 0) == 0 &&
        lspci.substr(kRegion.size()) == brisco.substr(kVfBar.size());
}

bool SameName(const std::string& lspci, const std::string& brisco)
{
    const std::string left = Normalise(lspci), right = Normalise(brisco);
    if (left == right || SameRegion(left, right))
        return true;
    for (const auto& [lspciName, briscoName] : kLabels) {
        if (left == lspciName && right == briscoName)
            return true;
    }
    return false;
}

bool Synonyms(const std::string& lspci, const std::string& brisco)
{
    for (const auto& [lspciName, briscoName] : kSynonyms) {
        if (Normalise(lspci) == lspciName && Normalise(brisco) == briscoName)
            return true;
    }
    return false;
}

// The first unused Brisco field of that name, in the same register when there is one.
CBriscoField* FindField(std::vector<CBriscoField>& fields, const COracleField& wanted, bool synonym)
{
    CBriscoField* fallback = nullptr;
    for (CBriscoField& candidate : fields) {
        if (candidate.used)
            continue;
        const bool named =
            synonym ? Synonyms(wanted.name, candidate.field.name) : SameName(wanted.name, candidate.field.name);
        if (!named)
            continue;
        if (SameName(wanted.label, candidate.field.label))
            return &candidate;
        if (fallback == nullptr)
            fallback = &candidate;
    }
    return fallback;
}

void CompareCapability(const std::string& function, const CLspciCapability& lspci, const Capability& capability,
                       COracleReport& report)
{
    std::vector<CBriscoField> brisco = BriscoFields(capability);
    for (const COracleField& field : lspci.fields) {
        if (field.name.empty())
            continue;
        ++report.counts.compared;
        COracleDifference difference{function,    lspci.key, field.label + "/" + field.name, COracleClass::kSame,
                                     field.value, {}};
        CBriscoField* found = FindField(brisco, field, true);
        if (found != nullptr) {
            difference.kind = COracleClass::kOtherWords;
        } else if ((found = FindField(brisco, field, false)) != nullptr) {
            if (NormaliseValue(found->field.value) != NormaliseValue(field.value))
                difference.kind = COracleClass::kWrong;
        } else {
            difference.kind = COracleClass::kMissing;
        }
        if (found != nullptr) {
            found->used = true;
            difference.brisco = found->field.value;
        }
        switch (difference.kind) {
        case COracleClass::kSame: continue;
        case COracleClass::kWrong: ++report.counts.wrong; break;
        case COracleClass::kMissing: ++report.counts.missing; break;
        case COracleClass::kOtherWords: ++report.counts.otherWords; break;
        }
        report.differences.push_back(difference);
    }
    for (const CBriscoField& field : brisco) {
        if (!field.used)
            ++report.counts.extra;
    }
}

} // namespace

std::string CapabilityKey(uint32_t offset, bool extended, uint32_t version)
{
    char text[32];
    if (extended)
        snprintf(text, sizeof text, "[%x v%u]", offset, version);
    else
        snprintf(text, sizeof text, "[%x]", offset);
    return text;
}

std::vector<COracleField> TokeniseFields(const std::string& label, const std::string& text)
{
    CTokeniser tokeniser;
    tokeniser.lineLabel = tokeniser.group = label;
    for (const std::string& segment : Segments(text))
        tokeniser.Segment(segment);
    return tokeniser.fields;
}

const char* OracleClassName(COracleClass kind)
{
    switch (kind) {
    case COracleClass::kSame: return "same";
    case COracleClass::kWrong: return "wrong";
    case COracleClass::kMissing: return "missing";
    case COracleClass::kOtherWords: return "other words";
    }
    return "";
}

void COracleCounts::Add(const COracleCounts& other)
{
    compared += other.compared;
    wrong += other.wrong;
    missing += other.missing;
    otherWords += other.otherWords;
    extra += other.extra;
}

COracleReport CompareDumpFields(const std::string& dumpPath)
{
    COracleReport report;
    fs::path textPath = dumpPath;
    textPath.replace_extension(".lspci");
    const std::vector<LspciFunction> dumps = ReadLspciFile(dumpPath);
    const std::vector<LspciFunction> texts = fs::exists(textPath) ? ReadLspciFile(textPath.string()) : dumps;
    for (const LspciFunction& dump : dumps) {
        if (dump.bytes.size() < kConventionalBytes)
            continue;
        const LspciFunction* text = nullptr;
        for (const LspciFunction& candidate : texts) {
            if (candidate.address == dump.address)
                text = &candidate;
        }
        if (text == nullptr)
            continue;
        const CapabilityList list = CCapabilityDecoder(dump.bytes.data(), uint32_t(dump.bytes.size())).Decode();
        for (const CLspciCapability& lspci : LspciCapabilities(*text)) {
            for (const Capability& capability : list.capabilities) {
                const bool extended = capability.space == CapabilitySpace::kExtended;
                if (CapabilityKey(capability.offset, extended, extended ? capability.version : 0) == lspci.key &&
                    (!extended || dump.bytes.size() > kExtendedStart))
                    CompareCapability(dump.address, lspci, capability, report);
            }
        }
    }
    return report;
}

std::string AllowanceKey(const COracleDifference& difference)
{
    return difference.function + kSeparator + difference.capability + kSeparator + difference.field + kSeparator +
        OracleClassName(difference.kind);
}

COracleAllowances ReadAllowances(const std::string& path)
{
    COracleAllowances allowances;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t reason = line.rfind(kSeparator);
        if (reason == std::string::npos)
            continue;
        COracleAllowance& allowance = allowances[line.substr(0, reason)];
        allowance.reason = line.substr(reason + 1);
        ++allowance.count;
    }
    return allowances;
}

bool WriteAllowances(const std::string& path, const COracleReport& report, const COracleAllowances& old,
                     const std::string& newReason)
{
    std::ofstream out(path);
    out << "# Fields lspci reads that Brisco does not read the same way, one per line:\n"
        << "# function, capability, register/field, class (wrong or missing), reason; tab-separated.\n";
    for (const COracleDifference& difference : report.differences) {
        if (difference.kind != COracleClass::kWrong && difference.kind != COracleClass::kMissing)
            continue;
        const std::string key = AllowanceKey(difference);
        const auto kept = old.find(key);
        out << key << kSeparator << (kept != old.end() ? kept->second.reason : newReason) << '\n';
    }
    return bool(out);
}

std::string AllowancePath(const std::string& dumpPath)
{
    fs::path path = dumpPath;
    path.replace_extension(".expected");
    return path.string();
}
