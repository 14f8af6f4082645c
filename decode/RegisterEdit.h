#pragma once
// A typed value written whole to one register of a function through its one write, and judged
// against the register catalogue: what the status bar says while the edit is open, which bits
// the host owns need a yes first, and whether the read-back is what the catalogue predicted.
// Shared by the register list, the Capabilities page and the Hex grid.
#include <stdint.h>

#include <functional>
#include <optional>
#include <string>

class CPciFunction;

class CRegisterEdit {
public:
    // Answers a question about a write; true to write.
    using Confirm = std::function<bool(const std::string& question)>;

    struct COutcome
    {
        bool written = false;  // the write was sent
        bool declined = false; // confirm kept bits the host owns from being written
        bool readOk = false;
        uint32_t readBack = 0;
        bool agrees = false; // read back as the catalogue predicted
        std::string status;  // what the status bar says afterwards; empty for nothing to say
    };

    // What text, typed into the register at offset, will do when written; why it would be
    // refused when it is not a number of the register's width.
    static std::string Preview(const CPciFunction& function, uint32_t offset, uint32_t width, const char* text,
                               bool typedInHex);
    // The question to put before writing value when it changes bits the host owns and the
    // function is an image; empty when no question is due. Live, the driver refuses such writes.
    static std::string HostOwnedQuestion(const CPciFunction& function, uint32_t offset, uint32_t width, uint32_t value);
    // Writes value to the register after confirm agreed to any question due (none asked
    // without confirm), and tells how the read-back compares with the prediction.
    static COutcome Commit(CPciFunction& function, uint32_t offset, uint32_t width, uint32_t value,
                           const Confirm& confirm);
};
