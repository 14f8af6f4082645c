#pragma once
// Field-by-field comparison of lspci's -vvv reading of a dump with the rows Brisco decodes
// from the same bytes. Both sides are cut into fields by one tokeniser (Name+, Name-,
// Name=value, Name: value, "Name value"), then each lspci field is looked up among Brisco's
// fields of the same capability and classed as same, wrong, missing or other words.
#include "tests/decode/LspciDump.h"

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

struct COracleField
{
    std::string label; // the register or group the field sits in, e.g. "LnkSta"
    std::string name;
    std::string value; // "+" or "-" for a flag
};

// Cuts one line of text into fields; label is the register the line belongs to, and a leading
// "Name:" that only introduces further fields becomes the label of those.
std::vector<COracleField> TokeniseFields(const std::string& label, const std::string& text);

// A capability as lspci heads it: "[40]" for a standard one, "[100 v2]" for an extended one.
std::string CapabilityKey(uint32_t offset, bool extended, uint32_t version);

enum class COracleClass { kSame, kWrong, kMissing, kOtherWords };

const char* OracleClassName(COracleClass kind);

// One lspci field that Brisco does not read the same way.
struct COracleDifference
{
    std::string function;   // lspci's address, e.g. "00:1c.0"
    std::string capability; // lspci's key, e.g. "[100 v2]"
    std::string field;      // label/name
    COracleClass kind;
    std::string lspci;  // lspci's value
    std::string brisco; // Brisco's value, or empty when missing
};

struct COracleCounts
{
    size_t compared = 0; // lspci fields in capabilities both sides list
    size_t wrong = 0;
    size_t missing = 0;
    size_t otherWords = 0;
    size_t extra = 0; // Brisco fields no lspci field matched

    void Add(const COracleCounts& other);
};

struct COracleReport
{
    COracleCounts counts;
    std::vector<COracleDifference> differences; // wrong, missing and other words, in file order
};

// Compares every function of a dump with lspci's text for it (the .lspci file beside it, or
// the -vvv text captured in the dump itself); an empty report when there is no text.
COracleReport CompareDumpFields(const std::string& dumpPath);

// The allowed differences of a dump: "function<TAB>capability<TAB>field<TAB>class<TAB>reason" per
// line, keyed by all but the reason, a line per occurrence; '#' starts a comment line.
struct COracleAllowance
{
    std::string reason;
    size_t count = 0;
};
using COracleAllowances = std::map<std::string, COracleAllowance>;
std::string AllowanceKey(const COracleDifference& difference);
COracleAllowances ReadAllowances(const std::string& path);
// Writes the wrong and missing differences of a report, each with its reason from the old
// allowances, else newReason.
bool WriteAllowances(const std::string& path, const COracleReport& report, const COracleAllowances& old,
                     const std::string& newReason);
// The file of allowed differences beside a dump: caps-odd.txt -> caps-odd.expected.
std::string AllowancePath(const std::string& dumpPath);
