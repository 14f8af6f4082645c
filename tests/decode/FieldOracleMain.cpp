// Compares lspci's reading of each dump with Brisco's capability rows field by field and prints
// the counts; with --update it rewrites each dump's list of allowed differences.
#include "tests/decode/FieldOracle.h"

#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kUsage[] = "usage: capability-field-oracle [--update[=REASON]] [--list] [DUMP...]\n"
                      "Compares every capability field lspci reads in each dump (default: every dump in the\n"
                      "test data) with Brisco's rows and prints the counts per dump and in total.\n"
                      "  --update[=REASON]  rewrite each dump's .expected file with today's wrong and missing\n"
                      "                     fields, keeping the reasons already written (new ones: REASON)\n"
                      "  --list             also print every difference\n";
const char kDefaultReason[] = "not decoded yet";

void PrintCounts(const std::string& name, const COracleCounts& counts)
{
    printf("%-32s fields %5zu  wrong %4zu  missing %4zu  other words %4zu  extra %5zu\n", name.c_str(), counts.compared,
           counts.wrong, counts.missing, counts.otherWords, counts.extra);
}

} // namespace

int main(int argc, char** argv)
{
    bool update = false;
    bool list = false;
    std::string reason = kDefaultReason;
    std::vector<std::string> dumps;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--update" || arg.rfind("--update=", 0) == 0) {
            update = true;
            if (arg.size() > 9)
                reason = arg.substr(9);
        } else if (arg == "--list") {
            list = true;
        } else if (arg.rfind("--", 0) == 0) {
            fputs(kUsage, stderr);
            return 2;
        } else {
            dumps.push_back(arg);
        }
    }
    if (dumps.empty()) {
        for (const fs::directory_entry& entry : fs::directory_iterator(BRISCO_TEST_DATA)) {
            if (entry.path().extension() == ".txt")
                dumps.push_back(entry.path().string());
        }
        std::sort(dumps.begin(), dumps.end());
    }
    COracleCounts total;
    for (const std::string& dump : dumps) {
        const COracleReport report = CompareDumpFields(dump);
        if (report.counts.compared == 0)
            continue;
        PrintCounts(fs::path(dump).filename().string(), report.counts);
        total.Add(report.counts);
        if (list) {
            for (const COracleDifference& d : report.differences)
                printf("  %s\t%s\t%s\t%s\tlspci %s\tbrisco %s\n", d.function.c_str(), d.capability.c_str(),
                       d.field.c_str(), OracleClassName(d.kind), d.lspci.c_str(), d.brisco.c_str());
        }
        if (update) {
            const std::string path = AllowancePath(dump);
            if (!WriteAllowances(path, report, ReadAllowances(path), reason)) {
                fprintf(stderr, "capability-field-oracle: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    PrintCounts("total", total);
    return 0;
}
