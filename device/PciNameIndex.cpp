// The name file indexed in one pass; the lookups answer as the searches of the file would.
#include "device/PciNameIndex.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char kVendorFormat[] = "V\t%4X\t%254[^\r\n]";
const char kDeviceFormat[] = "D\t%4X\t%254[^\r\n]";
constexpr char kVendorTag = 'V';
constexpr char kDeviceTag = 'D';
// Lines are taken 254 characters at a time, as fgets into a buffer of 255 takes them.
constexpr size_t kLineBufferSize = 255;
constexpr size_t kMaxPiece = kLineBufferSize - 1;
constexpr int kNameBufferSize = 255;
constexpr int kFieldsPerLine = 2;
constexpr unsigned kIdPreset = 0xFFFF;
constexpr size_t kReadChunkSize = 64u << 10;
// All names together: entries keep 32-bit offsets, so an index stays small on 64-bit builds too.
constexpr size_t kMaxNameBytes = 0xFFFFFFFFu;
// Text mode ends the file at the first Ctrl-Z.
constexpr char kEndOfText = 0x1A;

// Reads the file in pieces of at most 254 characters and reports only pieces
// that start a line: the rest of an overlong line is never taken for a line.
// The file is read in binary chunks and translated as the Windows C runtime's
// text mode would read it (CR LF becomes LF, Ctrl-Z ends the file), on every
// platform; that is cheaper than the runtime's own translation, and pieces are
// handed out in place, so only the V and D lines are copied for parsing.
class CLineReader {
public:
    explicit CLineReader(FILE* file) : m_file(file), m_chunk(kReadChunkSize) {}

    // The next piece that starts a line; it is not terminated.
    bool Next(const char** piece, size_t* length)
    {
        while (ReadPiece(piece, length)) {
            bool startsLine = m_atLineStart;
            m_atLineStart = (*piece)[*length - 1] == '\n';
            if (startsLine)
                return true;
        }
        return false;
    }

private:
    // Reads and translates the next chunk; false at the end of the text.
    bool Fill()
    {
        m_begin = 0;
        m_end = 0;
        if (m_ended)
            return false;
        size_t size = 0;
        if (m_pendingCr) {
            m_chunk[size++] = '\r';
            m_pendingCr = false;
        }
        size_t read = fread(m_chunk.data() + size, 1, m_chunk.size() - size, m_file);
        size += read;
        if (read == 0)
            m_ended = true;
        char* text = m_chunk.data();
        size_t limit = size;
        if (const void* endOfText = memchr(text, kEndOfText, size)) {
            limit = size_t(static_cast<const char*>(endOfText) - text);
            m_ended = true;
        }
        size_t out = 0;
        size_t i = 0;
        while (i < limit) {
            const char* cr = static_cast<const char*>(memchr(text + i, '\r', limit - i));
            size_t segmentEnd = cr ? size_t(cr - text) : limit;
            memmove(text + out, text + i, segmentEnd - i);
            out += segmentEnd - i;
            i = segmentEnd;
            if (!cr)
                break;
            // Whether this CR starts a CR LF pair is known only with the next chunk.
            if (i + 1 == limit && !m_ended) {
                m_pendingCr = true;
                break;
            }
            if (i + 1 == limit || text[i + 1] != '\n')
                text[out++] = '\r';
            ++i;
        }
        m_end = out;
        // A chunk that held only a held-back CR says nothing yet; the next read decides.
        if (out == 0 && !m_ended)
            return Fill();
        return out > 0;
    }

    bool ReadPiece(const char** piece, size_t* length)
    {
        if (m_begin == m_end && !Fill())
            return false;
        const char* start = m_chunk.data() + m_begin;
        size_t available = m_end - m_begin < kMaxPiece ? m_end - m_begin : kMaxPiece;
        const char* newline = static_cast<const char*>(memchr(start, '\n', available));
        if (newline || available == kMaxPiece) {
            size_t size = newline ? size_t(newline - start) + 1 : available;
            m_begin += size;
            *piece = start;
            *length = size;
            return true;
        }
        // The piece runs on into the next chunk.
        size_t size = 0;
        while (size < kMaxPiece && (m_begin < m_end || Fill())) {
            size_t take = m_end - m_begin < kMaxPiece - size ? m_end - m_begin : kMaxPiece - size;
            const char* from = m_chunk.data() + m_begin;
            const char* end = static_cast<const char*>(memchr(from, '\n', take));
            if (end)
                take = size_t(end - from) + 1;
            memcpy(m_joined + size, from, take);
            size += take;
            m_begin += take;
            if (end)
                break;
        }
        *piece = m_joined;
        *length = size;
        return size > 0;
    }

    FILE* m_file;
    std::vector<char> m_chunk;
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_pendingCr = false;
    bool m_ended = false;
    char m_joined[kMaxPiece] = {};
    bool m_atLineStart = true;
};

// What tells one state of the name file from another.
struct CFileIdentity
{
    std::string path;
    uint64_t size = 0;
    uint64_t modified = 0;

    bool operator==(const CFileIdentity& other) const
    {
        return path == other.path && size == other.size && modified == other.modified;
    }
};

bool Identify(const char* name, CFileIdentity* identity)
{
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
    if (length == 0 || length >= sizeof path)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    identity->path = path;
    identity->size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    identity->modified = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
#else
    char* path = realpath(name, nullptr);
    if (!path)
        return false;
    identity->path = path;
    free(path);
    struct stat status;
    if (stat(identity->path.c_str(), &status) != 0)
        return false;
    identity->size = uint64_t(status.st_size);
    identity->modified = uint64_t(status.st_mtim.tv_sec) * 1000000000u + uint64_t(status.st_mtim.tv_nsec);
#endif
    return true;
}

// The name beside the running program, for a program started from another folder.
std::string BesideProgram(const char* name)
{
#ifdef _WIN32
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return {};
#else
    char program[4096];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0)
        return {};
    program[length] = '\0';
#endif
    std::string path(program);
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1) + name;
}

// The index last built by ForFile and the file state it was built from.
struct CCachedIndex
{
    CFileIdentity identity;
    std::shared_ptr<const CPciNameIndex> index;
};

CCachedIndex& Cache()
{
    static CCachedIndex cache;
    return cache;
}

} // namespace

std::shared_ptr<const CPciNameIndex> CPciNameIndex::Load(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return nullptr;
    auto index = std::make_shared<CPciNameIndex>();
    CLineReader reader(file);
    const char* piece = nullptr;
    size_t length = 0;
    uint32_t line = 0;
    while (reader.Next(&piece, &length)) {
        ++line;
        bool isVendor = piece[0] == kVendorTag;
        if (!isVendor && piece[0] != kDeviceTag)
            continue;
        char text[kLineBufferSize];
        memcpy(text, piece, length);
        text[length] = '\0';
        unsigned id = kIdPreset;
        char name[kNameBufferSize] = "";
        if (sscanf(text, isVendor ? kVendorFormat : kDeviceFormat, &id, name) == kFieldsPerLine)
            index->Add(isVendor ? index->m_vendors : index->m_devices, id, line, name);
    }
    fclose(file);
    auto byId = [](const CEntry& a, const CEntry& b) { return a.id < b.id; };
    // Stable sorts keep each ID's lines in file order, so the first line of an ID stays first.
    std::stable_sort(index->m_vendors.begin(), index->m_vendors.end(), byId);
    auto sameId = [](const CEntry& a, const CEntry& b) { return a.id == b.id; };
    index->m_vendors.erase(std::unique(index->m_vendors.begin(), index->m_vendors.end(), sameId),
                           index->m_vendors.end());
    std::stable_sort(index->m_devices.begin(), index->m_devices.end(), byId);
    index->m_vendors.shrink_to_fit();
    index->m_devices.shrink_to_fit();
    index->m_names.shrink_to_fit();
    return index;
}

std::shared_ptr<const CPciNameIndex> CPciNameIndex::ForFile(const char* name)
{
    CCachedIndex& cache = Cache();
    CFileIdentity identity;
    // The current folder first, as the program always looked; then beside the program.
    const std::string beside = BesideProgram(name);
    if (!Identify(name, &identity) && (beside.empty() || !Identify(beside.c_str(), &identity))) {
        cache = CCachedIndex();
        return nullptr;
    }
    if (!cache.index || !(cache.identity == identity)) {
        cache.index = Load(identity.path.c_str());
        cache.identity = identity;
    }
    return cache.index;
}

void CPciNameIndex::Add(std::vector<CEntry>& entries, unsigned id, uint32_t line, const char* name)
{
    const size_t length = strlen(name); // below kNameBufferSize
    // A name that would end past the 32-bit offsets is left out rather than found at a wrapped one.
    if (m_names.size() > kMaxNameBytes - length)
        return;
    entries.push_back({uint16_t(id), line, uint32_t(m_names.size()), uint32_t(length)});
    m_names.append(name, length);
}

const CPciNameIndex::CEntry* CPciNameIndex::FindVendor(uint16_t id) const
{
    auto found = std::lower_bound(m_vendors.begin(), m_vendors.end(), id,
                                  [](const CEntry& entry, uint16_t value) { return entry.id < value; });
    return found != m_vendors.end() && found->id == id ? &*found : nullptr;
}

std::string CPciNameIndex::Name(const CEntry& entry) const
{
    return m_names.substr(entry.nameOffset, entry.nameLength);
}

CPciNameIndex::CNames CPciNameIndex::Lookup(uint16_t vendorId, uint16_t deviceId, uint16_t subsystemVendorId) const
{
    CNames names;
    if (const CEntry* vendor = FindVendor(vendorId)) {
        names.vendor = Name(*vendor);
        // The device search reads on after the vendor's line, through later vendors' lines too.
        auto device = std::lower_bound(m_devices.begin(), m_devices.end(), vendor->line,
                                       [deviceId](const CEntry& entry, uint32_t line) {
                                           return entry.id < deviceId || (entry.id == deviceId && entry.line <= line);
                                       });
        if (device != m_devices.end() && device->id == deviceId)
            names.device = Name(*device);
    }
    if (const CEntry* subsystemVendor = FindVendor(subsystemVendorId))
        names.subsystemVendor = Name(*subsystemVendor);
    return names;
}
