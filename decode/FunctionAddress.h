#pragma once
// Where a function sits, as a user types it: the bus tree's label ("0.31.3", "0001:3.0.0",
// decimal with a hexadecimal segment) or lspci's "[SSSS:]BB:DD.F" (hexadecimal).
#include <stdint.h>

#include <optional>
#include <string>

struct CFunctionAddress
{
    uint16_t segment = 0;
    uint32_t bus = 0;
    uint32_t device = 0;
    uint32_t function = 0;

    // Either form, hex digits of either case; nothing for any other text (no blanks allowed).
    static std::optional<CFunctionAddress> Parse(const std::string& text);

    bool operator==(const CFunctionAddress& other) const = default;
};
