#pragma once
// Journal files and files of setpci command lines read back as writes to make again, and the
// text both share: a register in the write syntax, and the journal as setpci commands.
#include "decode/FunctionAddress.h"

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

// One REG=VALUE[:MASK] of a file line. A configuration register is resolved only against the
// function it reaches (a capability may sit elsewhere there); a BAR unit is complete here.
struct CReplayWrite
{
    std::string text;    // REG=VALUE[:MASK] as the file has it
    int bar = -1;        // BARn+OFFSET.W: n; -1 for a configuration register
    uint64_t offset = 0; // BAR units: the offset into the BAR's range
    uint32_t width = 0;  // BAR units: bytes
    uint32_t value = 0;  // BAR units
    uint32_t mask = 0;   // BAR units: the bits to write, all of the unit's unless given
};

// One line of a file that writes: a journal line ("00:1f.3 8086:a348 06.W=2000:2000  # ...") or
// a setpci command line ("setpci -s 00:1f.3 -d 8086:a348 06.W=2000:2000").
struct CReplayLine
{
    int number = 0; // from 1
    bool setpci = false;
    std::optional<CFunctionAddress> address; // absent: a setpci line without -s
    std::optional<uint16_t> vendorId;        // a journal's vendor:device, or setpci's -d
    std::optional<uint16_t> deviceId;
    std::vector<CReplayWrite> writes;
    std::string comment; // what followed '#', with the '#'
};

class CJournalReplay {
public:
    // The writes of a journal or setpci file, blank lines and '#' comments skipped; nothing and
    // *error ("line 4: ...") on the first bad line.
    static std::optional<std::vector<CReplayLine>> Parse(const std::string& text, std::string* error);

    // The journal (or setpci file) text as setpci command lines for a Linux machine; BAR writes,
    // which setpci cannot make, become comment lines saying so. Nothing and *error on a bad line.
    static std::optional<std::string> ExportAsSetpci(const std::string& text, std::string* error);

    // A journal's text with a last line cut short by a kill left out, *note saying so (empty
    // when nothing was cut). Only a journal's lines all end: a hand-written file's last line stays.
    static std::string DropTornLine(const std::string& text, std::string* note);

    // The register at offset in the write syntax: "CAP_EXP+10.W" or "ECAP_AER+04.L" inside the
    // first capability of its ID that has a setpci name, so that a replay reaches it wherever the
    // capability sits; else "06.W". width is 1, 2 or 4.
    static std::string FormatRegister(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width);
    // A unit of a BAR's range in the write syntax: "BAR2+0100.B".
    static std::string FormatBarRegister(int bar, uint64_t offset, uint32_t width);
};
