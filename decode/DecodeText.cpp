#include "decode/DecodeText.h"

#include <ctype.h>

#include <stdarg.h>
#include <stdio.h>

std::string CDecodeText::Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string CDecodeText::Flags(uint32_t value, std::initializer_list<Flag> flags)
{
    std::string text;
    for (const Flag& flag : flags) {
        if (!text.empty())
            text += ' ';
        text += flag.name;
        text += Sign((value >> flag.bit) & 1);
    }
    return text;
}

std::string CDecodeText::Nanoseconds(uint64_t ns)
{
    if (ns >= 1000000000 && ns % 1000000000 == 0)
        return Format("%llus", (unsigned long long)(ns / 1000000000));
    if (ns >= 1000000 && ns % 1000000 == 0)
        return Format("%llums", (unsigned long long)(ns / 1000000));
    if (ns >= 1000 && ns % 1000 == 0)
        return Format("%lluus", (unsigned long long)(ns / 1000));
    return Format("%lluns", (unsigned long long)ns);
}

std::string CDecodeText::Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::vector<std::string> CDecodeText::Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}
