#include "tests/decode/LspciDump.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <regex>

std::vector<LspciFunction> ReadLspciFile(const std::string& path)
{
    static const std::regex header(R"(^(?:[0-9a-f]{4,}:)?([0-9a-f]{2}):([0-9a-f]{2})\.([0-7]) .*)");
    static const std::regex hex(R"(^([0-9a-f]{2,3}):((?: [0-9a-f]{2})+)\s*$)");
    std::vector<LspciFunction> functions;
    std::ifstream in(path);
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (std::regex_match(line, match, header)) {
            LspciFunction f;
            f.address = line.substr(0, line.find(' '));
            f.bus = uint32_t(strtoul(match[1].str().c_str(), nullptr, 16));
            f.device = uint32_t(strtoul(match[2].str().c_str(), nullptr, 16));
            f.function = uint32_t(strtoul(match[3].str().c_str(), nullptr, 16));
            functions.push_back(f);
        } else if (!functions.empty() && std::regex_match(line, match, hex)) {
            const size_t offset = strtoul(match[1].str().c_str(), nullptr, 16);
            std::vector<uint8_t>& bytes = functions.back().bytes;
            const std::string values = match[2].str();
            for (size_t i = 0; i + 2 < values.size() + 1; i += 3) {
                const size_t at = offset + i / 3;
                if (bytes.size() <= at)
                    bytes.resize(at + 1);
                bytes[at] = uint8_t(strtoul(values.substr(i + 1, 2).c_str(), nullptr, 16));
            }
        } else if (!functions.empty() && !line.empty()) {
            functions.back().lines.push_back(line);
        }
    }
    return functions;
}
