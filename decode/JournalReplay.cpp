#include "decode/JournalReplay.h"

#include "decode/DecodeText.h"
#include "decode/WriteCommand.h"
#include "decode/WriteJournal.h"
#include "pci/Bar.h"
#include "pci/RegisterLocator.h"

#include <algorithm>
#include <sstream>

namespace {

using T = CDecodeText;

constexpr char kComment = '#';
constexpr char kValueSeparator = '=';
constexpr char kMaskSeparator = ':';
constexpr char kIdSeparator = ':';
constexpr char kWidthSeparator = '.';
constexpr char kLineEnd = '\n';
constexpr char kBarPrefix[] = "BAR";
constexpr char kSetpciCommand[] = "setpci";
constexpr char kSlotOption[] = "-s";
constexpr char kIdOption[] = "-d";
// Every journal file starts with this header line.
constexpr char kJournalHeader[] = "# Brisco write journal";
constexpr int kBarCount = int(pci::kMaxBars);
constexpr size_t kMaxIdDigits = 4;

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::optional<uint16_t> ParseId(const std::string& text)
{
    if (text.size() > kMaxIdDigits)
        return std::nullopt;
    const std::optional<uint32_t> value = CWriteCommand::ParseHex(text);
    return value ? std::optional<uint16_t>(uint16_t(*value)) : std::nullopt;
}

// "8086:a348"; setpci lets either side be empty, a journal never does.
bool ParseIds(const std::string& text, bool bothNeeded, CReplayLine* line)
{
    const size_t colon = text.find(kIdSeparator);
    if (colon == std::string::npos)
        return false;
    const std::string vendor = text.substr(0, colon);
    const std::string device = text.substr(colon + 1);
    if (bothNeeded && (vendor.empty() || device.empty()))
        return false;
    line->vendorId = vendor.empty() ? std::nullopt : ParseId(vendor);
    line->deviceId = device.empty() ? std::nullopt : ParseId(device);
    return (vendor.empty() || line->vendorId) && (device.empty() || line->deviceId);
}

bool IsBarWrite(const std::string& text)
{
    return text.size() > sizeof kBarPrefix && text.compare(0, sizeof kBarPrefix - 1, kBarPrefix) == 0 &&
        text[sizeof kBarPrefix - 1] >= '0' && text[sizeof kBarPrefix - 1] <= '9';
}

// "BAR2+0100.B=12:ff": a unit of a BAR's range; false with *error.
bool ParseBarWrite(const std::string& text, CReplayWrite* write, std::string* error)
{
    const size_t plus = text.find(CWriteCommand::kCapabilitySeparator);
    const size_t dot = text.find(kWidthSeparator);
    const size_t equals = text.find(kValueSeparator);
    if (plus == std::string::npos || dot == std::string::npos || equals == std::string::npos || dot < plus ||
        equals != dot + 2) {
        *error = "bad BAR write '" + text + "': expected BARn+OFFSET.W=VALUE[:MASK]";
        return false;
    }
    const std::string index = text.substr(sizeof kBarPrefix - 1, plus - (sizeof kBarPrefix - 1));
    write->bar = index.size() == 1 ? index[0] - '0' : kBarCount;
    if (write->bar >= kBarCount) {
        *error = "bad BAR write '" + text + "': BAR" + index + " does not exist";
        return false;
    }
    const std::optional<uint32_t> offset = CWriteCommand::ParseHex(text.substr(plus + 1, dot - plus - 1));
    write->width = CWriteCommand::WidthOfLetter(text[dot + 1]);
    const std::string values = text.substr(equals + 1);
    const size_t colon = values.find(kMaskSeparator);
    const std::optional<uint32_t> value = CWriteCommand::ParseHex(values.substr(0, colon));
    const uint32_t full = pci::RegisterMask(write->width ? write->width : 1);
    const std::optional<uint32_t> mask =
        colon == std::string::npos ? std::optional<uint32_t>(full) : CWriteCommand::ParseHex(values.substr(colon + 1));
    if (!offset || !write->width || !value || !mask) {
        *error = "bad BAR write '" + text + "': OFFSET, VALUE and MASK are hexadecimal, the width B, W or L";
        return false;
    }
    if (*offset % write->width || (*value & ~full) || (*mask & ~full)) {
        *error = "bad BAR write '" + text +
            "': " + (*offset % write->width ? "the offset is not aligned to the width" : "wider than the unit");
        return false;
    }
    write->offset = *offset;
    write->value = *value;
    write->mask = *mask;
    return true;
}

bool ParseWrite(const std::string& text, bool setpci, CReplayWrite* write, std::string* error)
{
    write->text = text;
    if (text.find(kValueSeparator) == std::string::npos) {
        *error = "'" + text + "' reads a register: a replay only writes (REG=VALUE[:MASK])";
        return false;
    }
    if (!IsBarWrite(text))
        return true;
    if (setpci) {
        *error = "setpci cannot write a BAR's range: '" + text + "'";
        return false;
    }
    return ParseBarWrite(text, write, error);
}

// setpci [-s [SSSS:]BB:DD.F] [-d VENDOR:DEVICE] REG=VALUE[:MASK] ...
bool ParseSetpci(const std::vector<std::string>& words, CReplayLine* line, std::string* error)
{
    line->setpci = true;
    size_t i = 1;
    for (; i < words.size() && words[i].size() > 1 && words[i][0] == '-'; i += 2) {
        const std::string& option = words[i];
        if (i + 1 >= words.size()) {
            *error = option + " needs a value";
            return false;
        }
        const std::string& value = words[i + 1];
        if (option == kSlotOption) {
            line->address = CFunctionAddress::Parse(value);
            if (!line->address) {
                *error = "bad function '" + value + "': expected [SSSS:]BB:DD.F";
                return false;
            }
        } else if (option == kIdOption) {
            if (!ParseIds(value, false, line)) {
                *error = "bad -d '" + value + "': expected VENDOR:DEVICE";
                return false;
            }
        } else {
            *error = "setpci option " + option + " is not replayed: only -s and -d";
            return false;
        }
    }
    if (i == words.size()) {
        *error = "setpci line has no REG=VALUE";
        return false;
    }
    for (; i < words.size(); ++i) {
        line->writes.emplace_back();
        if (!ParseWrite(words[i], true, &line->writes.back(), error))
            return false;
    }
    return true;
}

// ADDRESS VENDOR:DEVICE REG=VALUE[:MASK] ...
bool ParseJournalLine(const std::vector<std::string>& words, CReplayLine* line, std::string* error)
{
    if (words.size() < 3) {
        *error = "expected ADDRESS VENDOR:DEVICE REG=VALUE[:MASK], or a setpci command";
        return false;
    }
    line->address = CFunctionAddress::Parse(words[0]);
    if (!line->address) {
        *error = "bad function '" + words[0] + "': expected [SSSS:]BB:DD.F";
        return false;
    }
    if (!ParseIds(words[1], true, line)) {
        *error = "bad vendor:device '" + words[1] + "'";
        return false;
    }
    for (size_t i = 2; i < words.size(); ++i) {
        line->writes.emplace_back();
        if (!ParseWrite(words[i], false, &line->writes.back(), error))
            return false;
    }
    return true;
}

enum class ELine { kSkip, kWrite, kBad };

// One line of a file: a comment or blank, a write line into *line, or bad with *error.
ELine ParseLine(const std::string& text, int number, CReplayLine* line, std::string* error)
{
    const size_t hash = text.find(kComment);
    const std::vector<std::string> words = Words(text.substr(0, hash));
    if (words.empty())
        return ELine::kSkip;
    *line = CReplayLine();
    line->number = number;
    if (hash != std::string::npos)
        line->comment = text.substr(hash);
    std::string why;
    const bool parsed =
        words[0] == kSetpciCommand ? ParseSetpci(words, line, &why) : ParseJournalLine(words, line, &why);
    if (parsed)
        return ELine::kWrite;
    *error = "line " + std::to_string(number) + ": " + why;
    return ELine::kBad;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Ids(const CReplayLine& line)
{
    return (line.vendorId ? T::Format("%04x", *line.vendorId) : "") + kIdSeparator +
        (line.deviceId ? T::Format("%04x", *line.deviceId) : "");
}

std::string Address(const CReplayLine& line)
{
    const CFunctionAddress& a = *line.address;
    return CWriteJournal::FormatFunction(a.segment, a.bus, a.device, a.function);
}

// A write line as setpci commands: its configuration writes as one command, its BAR writes as
// comment lines (setpci reaches only configuration space).
std::string ExportLine(const CReplayLine& line)
{
    std::string command = kSetpciCommand;
    if (line.address)
        command += std::string(" ") + kSlotOption + " " + Address(line);
    if (line.vendorId || line.deviceId)
        command += std::string(" ") + kIdOption + " " + Ids(line);
    std::string text;
    bool anyConfig = false;
    for (const CReplayWrite& write : line.writes) {
        if (write.bar >= 0) {
            text += std::string(1, kComment) +
                " setpci cannot write a BAR's range: " + (line.address ? Address(line) + " " : "") + Ids(line) + " " +
                write.text + kLineEnd;
        } else {
            command += " " + write.text;
            anyConfig = true;
        }
    }
    if (anyConfig)
        text += command + (line.comment.empty() ? "" : "  " + line.comment) + kLineEnd;
    return text;
}

std::string HexOffset(uint64_t offset, int digits)
{
    return T::Format("%0*llX", digits, static_cast<unsigned long long>(offset));
}

// The first entry of the capability list that holds start with the same ID, or start itself.
uint32_t FirstOfItsId(const uint8_t* space, uint32_t size, pci::EBlockKind kind, uint16_t id, uint32_t start)
{
    uint32_t entry = 0;
    if (kind == pci::EBlockKind::kCapability) {
        for (pci::CCapabilityWalk walk(space, size); walk.Next(&entry);)
            if (space[entry + pci::kCapabilityIdOffset] == id)
                return entry;
    } else {
        for (pci::CExtendedCapabilityWalk walk(space, size); walk.Next(&entry);)
            if ((pci::GetLe32(space + entry) & pci::kExtCapIdMask) == id)
                return entry;
    }
    return start;
}

constexpr int kOffsetDigits = 2;
constexpr int kBarOffsetDigits = 4;

} // namespace

std::optional<std::vector<CReplayLine>> CJournalReplay::Parse(const std::string& text, std::string* error)
{
    std::vector<CReplayLine> lines;
    int number = 0;
    for (const std::string& source : Lines(text)) {
        CReplayLine line;
        switch (ParseLine(source, ++number, &line, error)) {
        case ELine::kSkip: break;
        case ELine::kWrite: lines.push_back(std::move(line)); break;
        case ELine::kBad: return std::nullopt;
        }
    }
    return lines;
}

std::optional<std::string> CJournalReplay::ExportAsSetpci(const std::string& text, std::string* error)
{
    std::string out;
    int number = 0;
    for (const std::string& source : Lines(text)) {
        CReplayLine line;
        switch (ParseLine(source, ++number, &line, error)) {
        case ELine::kSkip: out += source + kLineEnd; break;
        case ELine::kWrite: out += ExportLine(line); break;
        case ELine::kBad: return std::nullopt;
        }
    }
    return out;
}

std::string CJournalReplay::DropTornLine(const std::string& text, std::string* note)
{
    note->clear();
    const size_t lastEnd = text.rfind(kLineEnd);
    const bool cut = !text.empty() && text.back() != kLineEnd;
    if (!cut || text.compare(0, sizeof kJournalHeader - 1, kJournalHeader) != 0)
        return text;
    const size_t keep = lastEnd == std::string::npos ? 0 : lastEnd + 1;
    const int number = int(std::count(text.begin(), text.begin() + keep, kLineEnd)) + 1;
    *note = "line " + std::to_string(number) + " was cut short (the program was killed while writing it); left out";
    return text.substr(0, keep);
}

std::string CJournalReplay::FormatRegister(const uint8_t* space, uint32_t size, uint32_t offset, uint32_t width)
{
    const std::string plain = HexOffset(offset, kOffsetDigits) + kWidthSeparator + CWriteCommand::WidthLetter(width);
    const pci::CRegisterLocation at = pci::LocateRegister(space, size, offset);
    if (!at.block || at.block->kind == pci::EBlockKind::kHeader || offset + width > at.end)
        return plain;
    const pci::CRegisterBlock* named = pci::FindBlock(at.block->kind, at.block->id);
    // CWriteCommand reaches the first entry of an ID: a second one is named by its offset.
    if (!named || !named->symbol || FirstOfItsId(space, size, at.block->kind, at.block->id, at.start) != at.start)
        return plain;
    const bool extended = at.block->kind == pci::EBlockKind::kExtendedCapability;
    return std::string(extended ? CWriteCommand::kExtendedPrefix : CWriteCommand::kCapabilityPrefix) + named->symbol +
        CWriteCommand::kCapabilitySeparator + HexOffset(offset - at.start, kOffsetDigits) + kWidthSeparator +
        CWriteCommand::WidthLetter(width);
}

std::string CJournalReplay::FormatBarRegister(int bar, uint64_t offset, uint32_t width)
{
    return kBarPrefix + std::to_string(bar) + CWriteCommand::kCapabilitySeparator +
        HexOffset(offset, kBarOffsetDigits) + kWidthSeparator + CWriteCommand::WidthLetter(width);
}
