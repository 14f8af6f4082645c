#include "decode/WriteJournal.h"

#include "decode/DecodeText.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

using T = CDecodeText;

constexpr int64_t kMsPerSecond = 1000;

std::string Hex(uint32_t value, uint32_t width)
{
    return T::Format("%0*x", int(width * 2), value);
}

const char* ResultText(CJournalEntry::EResult result)
{
    switch (result) {
    case CJournalEntry::EResult::kKept: return "kept";
    case CJournalEntry::EResult::kDiffers: return "differs from the prediction";
    case CJournalEntry::EResult::kRefused: return "refused";
    }
    return "";
}

// The comment after a write: when, where, and what came of it.
std::string Comment(const CJournalEntry& entry)
{
    std::string text = CWriteJournal::FormatTime(entry.timeMs) + " " + entry.page;
    if (!entry.target.empty())
        text += ", " + entry.target;
    if (entry.kind == CJournalEntry::EKind::kBarProbe)
        return text + ": probed BAR " + std::to_string(entry.bar) + ": " + entry.note;
    text += ": before " + Hex(entry.before, entry.width);
    if (entry.result == CJournalEntry::EResult::kRefused)
        return text + ", refused" + (entry.note.empty() ? "" : ": " + entry.note);
    text += ", read back " + Hex(entry.readBack, entry.width);
    if (entry.result == CJournalEntry::EResult::kDiffers)
        text += ", predicted " + Hex(entry.predicted, entry.width);
    return text + ", " + ResultText(entry.result);
}

// The calendar parts of a time, in UTC.
std::tm UtcParts(int64_t timeMs)
{
    const std::time_t seconds = std::time_t(timeMs / kMsPerSecond);
    std::tm parts = {};
#ifdef _WIN32
    gmtime_s(&parts, &seconds);
#else
    gmtime_r(&seconds, &parts);
#endif
    return parts;
}

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

CWriteJournal::CWriteJournal() = default;

CWriteJournal::CWriteJournal(std::string path, const std::string& program) : m_path(std::move(path))
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    m_file = std::fopen(m_path.c_str(), "ab");
    m_fileFailed = m_file == nullptr;
    Append("# Brisco write journal of " + program + ", started " + FormatTime(NowMs()));
}

CWriteJournal::~CWriteJournal()
{
    if (m_file)
        std::fclose(m_file);
}

void CWriteJournal::Record(CJournalEntry entry)
{
    Append(FormatLine(entry));
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > kMaxEntries) {
        m_entries.pop_front();
        ++m_dropped;
    }
}

void CWriteJournal::MarkUndone(size_t index)
{
    if (index < m_entries.size())
        m_entries[index].undone = true;
}

std::string CWriteJournal::CapNote() const
{
    if (m_dropped == 0)
        return {};
    return T::Format("The journal keeps the last %u writes; %u earlier ones are only in its file",
                     unsigned(kMaxEntries), unsigned(m_dropped));
}

void CWriteJournal::Close()
{
    Append(kEndMark + FormatTime(NowMs()));
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

// Each line reaches the system in one write and is flushed at once: a kill loses at most the
// line being written, which then lacks its line end.
void CWriteJournal::Append(const std::string& line)
{
    if (!m_file)
        return;
    const std::string text = line + "\n";
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() || std::fflush(m_file) != 0)
        m_fileFailed = true;
}

std::string CWriteJournal::FormatFunction(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function)
{
    std::string text = segment ? T::Format("%04x:", segment) : std::string();
    return text + T::Format("%02x:%02x.%x", bus, device, function);
}

std::string CWriteJournal::FormatLine(const CJournalEntry& entry)
{
    const std::string function = FormatFunction(entry.segment, entry.bus, entry.device, entry.function) + " " +
        T::Format("%04x:%04x", entry.vendorId, entry.deviceId);
    if (entry.kind == CJournalEntry::EKind::kBarProbe || entry.result == CJournalEntry::EResult::kRefused)
        return "# " + function + "  # " + Comment(entry);
    return function + " " + entry.reg + "=" + Hex(entry.written, entry.width) + ":" + Hex(entry.mask, entry.width) +
        "  # " + Comment(entry);
}

std::string CWriteJournal::FormatFile(const std::string& program) const
{
    std::string text = "# Brisco write journal of " + program + ", saved " + FormatTime(NowMs()) + "\n";
    if (m_dropped)
        text += "# " + CapNote() + "\n";
    for (const CJournalEntry& entry : m_entries)
        text += FormatLine(entry) + "\n";
    return text;
}

std::string CWriteJournal::FormatTime(int64_t timeMs)
{
    const std::tm parts = UtcParts(timeMs);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return T::Format("%s.%03d UTC", text, int(timeMs % kMsPerSecond));
}

int64_t CWriteJournal::NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string CWriteJournal::DefaultFolder()
{
    const std::string moved = EnvironmentValue(kFolderVariable);
    if (!moved.empty())
        return moved;
    const std::string local = EnvironmentValue("LOCALAPPDATA");
    if (!local.empty())
        return (std::filesystem::path(local) / "Brisco" / "Journal").string();
    const std::string home = EnvironmentValue("HOME");
    return (std::filesystem::path(home.empty() ? "." : home) / ".local" / "share" / "brisco" / "journal").string();
}

std::string CWriteJournal::FileName(const std::string& prefix, int64_t timeMs, uint32_t processId)
{
    const std::tm parts = UtcParts(timeMs);
    char stamp[24] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    return prefix + "-" + stamp + "-" + std::to_string(processId) + ".txt";
}

CWriteJournal::CFileText CWriteJournal::ReadFile(const std::string& path)
{
    CFileText file;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return file;
    file.opened = true;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            file.torn = true;
            break;
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        file.lines.push_back(std::move(line));
        start = end + 1;
    }
    file.endedCleanly = !file.lines.empty() && file.lines.back().rfind(kEndMark, 0) == 0;
    return file;
}

std::string CWriteJournal::FindUnclean(const std::string& folder, const std::string& prefix, const std::string& except)
{
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    std::string newest;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::path path = it->path();
        const std::string name = path.filename().string();
        // The stamp follows the prefix: "brisco-dump-..." is not one of "brisco"'s journals.
        const bool ours = name.size() > prefix.size() + 1 && name.rfind(prefix + "-", 0) == 0 &&
            name[prefix.size() + 1] >= '0' && name[prefix.size() + 1] <= '9';
        if (!ours || path.extension() != ".txt" || name <= std::filesystem::path(newest).filename().string())
            continue;
        std::error_code ignored;
        if (!except.empty() && std::filesystem::equivalent(path, except, ignored))
            continue;
        if (!ReadFile(path.string()).endedCleanly)
            newest = path.string();
    }
    return newest;
}
