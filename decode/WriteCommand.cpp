#include "decode/WriteCommand.h"

#include "pci/ByteOrder.h"
#include "pci/RegisterLocator.h"

#include <stdio.h>

namespace {

constexpr size_t kMaxHexDigits = 8;
constexpr uint32_t kHexDigitBase = 10;
constexpr char kValueSeparator = '=';
constexpr char kMaskSeparator = ':';
constexpr char kFieldSeparator = '.';
constexpr char kCapabilitySeparator = CWriteCommand::kCapabilitySeparator;
constexpr const char* kCapabilityPrefix = CWriteCommand::kCapabilityPrefix;
constexpr const char* kExtendedPrefix = CWriteCommand::kExtendedPrefix;

// The width letters after an offset, in setpci's spelling, and the bytes each names.
struct CWidthSuffix
{
    char letter;
    uint32_t bytes;
};
constexpr CWidthSuffix kWidthSuffixes[] = {{'B', 1}, {'W', 2}, {'L', 4}};

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i]; ++i)
        if (i >= text.size() || Upper(text[i]) != prefix[i])
            return false;
    return true;
}

// Hexadecimal with an optional 0x, at most eight digits; nothing for anything else.
std::optional<uint32_t> ParseHex(std::string text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = text.substr(2);
    if (text.empty() || text.size() > kMaxHexDigits)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        const char u = Upper(c);
        uint32_t digit = 0;
        if (u >= '0' && u <= '9')
            digit = uint32_t(u - '0');
        else if (u >= 'A' && u <= 'F')
            digit = uint32_t(u - 'A') + kHexDigitBase;
        else
            return std::nullopt;
        value = (value << 4) | digit;
    }
    return value;
}

std::string HexOffset(uint32_t offset)
{
    char text[16];
    snprintf(text, sizeof text, "%02Xh", unsigned(offset));
    return text;
}

char WidthLetter(uint32_t width)
{
    for (const CWidthSuffix& suffix : kWidthSuffixes)
        if (suffix.bytes == width)
            return suffix.letter;
    return '?';
}

// Where REG lies and which of its bits a value fills: the whole register, or one field.
struct CPlace
{
    uint32_t offset = 0;
    uint32_t width = 0;
    uint32_t low = 0;  // the field's lowest bit (0 for a register)
    uint32_t bits = 0; // the field's mask, unshifted (the register's mask for a register)
    std::string what;  // how an error names it
};

// The block's register named by text, or one of its fields after a dot; false with *error.
bool PlaceByName(const pci::CRegisterBlock& block, uint32_t blockStart, const std::string& text, CPlace* place,
                 std::string* error)
{
    const size_t dot = text.find(kFieldSeparator);
    const std::string name = text.substr(0, dot);
    const pci::CRegisterDef* def = pci::RegisterNamed(block, name.c_str(), uint32_t(name.size()));
    if (!def) {
        *error = "no register named " + name;
        return false;
    }
    place->offset = blockStart + def->offset;
    place->width = def->width;
    place->bits = pci::RegisterMask(def->width);
    place->what = name;
    if (dot == std::string::npos)
        return true;
    const std::string fieldName = text.substr(dot + 1);
    const pci::CFieldDef* field = pci::FieldNamed(*def, fieldName.c_str(), uint32_t(fieldName.size()));
    if (!field) {
        *error = name + " has no field " + fieldName;
        return false;
    }
    place->low = field->low;
    place->bits = pci::FieldMask(*field) >> field->low;
    place->what = text;
    return true;
}

// "OFF.W": an offset from base and its width; false with *error. A bare offset has no width.
bool PlaceByOffset(uint32_t base, const std::string& text, CPlace* place, std::string* error)
{
    const size_t dot = text.find(kFieldSeparator);
    const std::optional<uint32_t> offset = ParseHex(text.substr(0, dot));
    if (!offset) {
        *error = "bad offset " + text.substr(0, dot);
        return false;
    }
    if (dot == std::string::npos || dot + 2 != text.size()) {
        *error = "offset " + text.substr(0, dot) + " needs a width: .B, .W or .L";
        return false;
    }
    const char letter = Upper(text[dot + 1]);
    for (const CWidthSuffix& suffix : kWidthSuffixes)
        if (suffix.letter == letter)
            place->width = suffix.bytes;
    if (place->width == 0) {
        *error = "bad width ." + text.substr(dot + 1) + ": .B, .W or .L";
        return false;
    }
    place->offset = base + *offset;
    place->bits = pci::RegisterMask(place->width);
    place->what = HexOffset(place->offset);
    return true;
}

// A token of hex digits alone (with an optional 0x) before any dot is an offset; anything else a name.
bool IsOffset(const std::string& text)
{
    return ParseHex(text.substr(0, text.find(kFieldSeparator))).has_value();
}

// The first entry of capability `id` in the function's list, or false.
template <typename Walk>
bool FindCapability(const uint8_t* space, uint32_t size, uint16_t id, bool extended, uint32_t* start)
{
    Walk walk(space, size);
    for (uint32_t entry = 0; walk.Next(&entry);) {
        const uint16_t entryId = extended ? uint16_t(pci::GetLe32(space + entry) & pci::kExtCapIdMask)
                                          : space[entry + pci::kCapabilityIdOffset];
        if (entryId == id) {
            *start = entry;
            return true;
        }
    }
    return false;
}

// "CAP_PM+04.W" or "ECAP_AER+UESTA.DLP": a place inside the function's first such capability.
bool PlaceInCapability(const std::string& text, const uint8_t* space, uint32_t size, CPlace* place, std::string* error)
{
    const bool extended = StartsWithNoCase(text, kExtendedPrefix);
    const size_t plus = text.find(kCapabilitySeparator);
    const size_t prefix =
        extended ? sizeof CWriteCommand::kExtendedPrefix - 1 : sizeof CWriteCommand::kCapabilityPrefix - 1;
    const std::string capability = text.substr(0, plus);
    const std::string symbol = capability.substr(prefix);
    if (plus == std::string::npos || plus + 1 == text.size()) {
        *error = capability + " needs +OFFSET.WIDTH or +REGISTER";
        return false;
    }
    const pci::CRegisterBlock* block = pci::FindBlockBySymbol(extended, symbol.c_str(), uint32_t(symbol.size()));
    if (!block) {
        *error = "unknown capability " + capability;
        return false;
    }
    uint32_t start = 0;
    const bool found = extended ? FindCapability<pci::CExtendedCapabilityWalk>(space, size, block->id, true, &start)
                                : FindCapability<pci::CCapabilityWalk>(space, size, block->id, false, &start);
    if (!found) {
        *error = "the function has no capability " + capability;
        return false;
    }
    const std::string rest = text.substr(plus + 1);
    if (IsOffset(rest))
        return PlaceByOffset(start, rest, place, error);
    const pci::EBlockKind kind = extended ? pci::EBlockKind::kExtendedCapability : pci::EBlockKind::kCapability;
    const pci::CRegisterBlock* layout =
        pci::FindBlock(kind, block->id, pci::CapabilityVariant(space, size, start, kind, block->id));
    return PlaceByName(layout ? *layout : *block, start, rest, place, error);
}

bool PlaceOf(const std::string& text, const uint8_t* space, uint32_t size, CPlace* place, std::string* error)
{
    if (StartsWithNoCase(text, kCapabilityPrefix) || StartsWithNoCase(text, kExtendedPrefix))
        return PlaceInCapability(text, space, size, place, error);
    if (IsOffset(text))
        return PlaceByOffset(0, text, place, error);
    if (size < pci::kConfigSpaceBytes) {
        *error = "the function's header could not be read";
        return false;
    }
    const uint32_t layout = space[pci::kHeaderTypeOffset] & pci::kHeaderLayoutMask;
    const pci::CRegisterBlock* header = pci::FindBlock(pci::EBlockKind::kHeader, uint16_t(layout));
    if (!header) {
        *error = "header layout " + HexOffset(layout) + " names no registers";
        return false;
    }
    return PlaceByName(*header, 0, text, place, error);
}

} // namespace

std::optional<uint32_t> CWriteCommand::ParseHex(const std::string& text)
{
    return ::ParseHex(text);
}

uint32_t CWriteCommand::WidthOfLetter(char letter)
{
    for (const CWidthSuffix& suffix : kWidthSuffixes)
        if (suffix.letter == Upper(letter))
            return suffix.bytes;
    return 0;
}

char CWriteCommand::WidthLetter(uint32_t width)
{
    return ::WidthLetter(width);
}

std::string CWriteCommand::Describe() const
{
    return target + " (" + HexOffset(offset) + kFieldSeparator + WidthLetter(width) + ")";
}

CWriteCommand::CPreview CWriteCommand::Preview(const uint8_t* space, uint32_t size) const
{
    CPreview preview;
    if (offset >= size || width > size - offset)
        return preview;
    const uint32_t full = pci::RegisterMask(width);
    const pci::CRegisterBits bits = pci::DescribeWindow(space, size, offset, width);
    preview.before = uint32_t(pci::GetLe(space + offset, width));
    preview.written = mask == full ? value : pci::ComposeWrite(bits, preview.before, value, mask);
    preview.predicted = pci::PredictReadBack(bits, preview.before, preview.written) & full;
    return preview;
}

std::optional<CWriteCommand> CWriteCommand::Parse(const std::string& text, const uint8_t* space, uint32_t size,
                                                  std::string* error)
{
    const size_t equals = text.find(kValueSeparator);
    if (equals == std::string::npos || equals == 0) {
        *error = "bad write '" + text + "': expected REG=VALUE[:MASK]";
        return std::nullopt;
    }
    CWriteCommand command;
    command.target = text.substr(0, equals);
    CPlace place;
    std::string why;
    if (!PlaceOf(command.target, space, size, &place, &why)) {
        *error = "bad write '" + text + "': " + why;
        return std::nullopt;
    }
    if (place.offset % place.width != 0 || place.offset >= size || place.width > size - place.offset) {
        *error = "bad write '" + text + "': " + place.what + " is " +
            (place.offset % place.width ? "not aligned to its width" : "outside the function's space");
        return std::nullopt;
    }
    const std::string values = text.substr(equals + 1);
    const size_t colon = values.find(kMaskSeparator);
    const std::optional<uint32_t> value = ParseHex(values.substr(0, colon));
    const std::optional<uint32_t> mask =
        colon == std::string::npos ? std::optional<uint32_t>(place.bits) : ParseHex(values.substr(colon + 1));
    if (!value || !mask) {
        *error = "bad write '" + text + "': VALUE and MASK are hexadecimal";
        return std::nullopt;
    }
    if ((*value & ~place.bits) != 0 || (*mask & ~place.bits) != 0) {
        *error =
            "bad write '" + text + "': " + (*value & ~place.bits ? "value" : "mask") + " is wider than " + place.what;
        return std::nullopt;
    }
    command.offset = place.offset;
    command.width = place.width;
    command.value = *value << place.low;
    command.mask = *mask << place.low;
    return command;
}

std::optional<std::vector<CWriteCommand>>
CWriteCommand::ParseAll(const std::vector<std::string>& texts, const uint8_t* space, uint32_t size, std::string* error)
{
    std::vector<CWriteCommand> commands;
    for (const std::string& text : texts) {
        std::optional<CWriteCommand> command = Parse(text, space, size, error);
        if (!command)
            return std::nullopt;
        commands.push_back(*command);
    }
    return commands;
}
