#pragma once
// STUB until the replay lands on main: removed before the branch is finished.
#include <optional>
#include <string>

class CJournalReplay {
public:
    static std::optional<std::string> ExportAsSetpci(const std::string& text, std::string*)
    {
        return "# setpci export stub\n" + text;
    }
};
