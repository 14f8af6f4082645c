#pragma once
// Reads lspci dump files (the -x/-xxx/-xxxx hex form, with or without -vvv text)
// and lspci -vvv output into per-function records for the oracle tests.
#include <stdint.h>

#include <string>
#include <vector>

struct LspciFunction
{
    std::string address; // as the header line gives it, e.g. "0000:00:1c.0" or "01:00.0"
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;
    std::vector<uint8_t> bytes;     // 256 or 4096 bytes from the hex lines
    std::vector<std::string> lines; // the -vvv text lines under the header, tabs kept
};

// Every function of a file, in file order. Hex lines fill the bytes; other lines are text.
std::vector<LspciFunction> ReadLspciFile(const std::string& path);
