// CPciFunction: vendor, device and subsystem vendor names from pcidevs.txt.
#include "device/PciFunction.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kNameFile[] = "pcidevs.txt";
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
constexpr size_t kIdDigits = 4;
constexpr size_t kIdStart = 2;
constexpr size_t kReadChunkSize = 64u << 10;
// Text mode ends the file at the first Ctrl-Z.
constexpr char kEndOfText = 0x1A;

// Reads the file in pieces of at most 254 characters and reports only pieces
// that start a line: the rest of an overlong line is never taken for a line.
// The file is read in binary chunks and translated as the Windows C runtime's
// text mode would read it (CR LF becomes LF, Ctrl-Z ends the file), on every
// platform; that is cheaper than the runtime's own translation, and pieces are
// handed out in place because the searches skip nearly every line unparsed.
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

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The ID of a line of the usual form (tag, tab, four hexadecimal digits), or
// -1 for any other line. A line of the usual form whose ID is not sought
// cannot match, so it need not be parsed in full.
int QuickId(const char* line, size_t length)
{
    if (length < kIdStart + kIdDigits || line[1] != '\t')
        return -1;
    int value = 0;
    for (size_t i = 0; i < kIdDigits; ++i) {
        int digit = HexDigit(line[kIdStart + i]);
        if (digit < 0)
            return -1;
        value = value << 4 | digit;
    }
    return value;
}

// One search for the first line of a tag that carries an ID.
struct CNameSearch
{
    uint16_t id;
    std::string* name;
    bool found;
};

bool MightMatch(int quickId, const CNameSearch& search)
{
    return !search.found && (quickId < 0 || quickId == search.id);
}

// Parses the piece in full and ends every open search whose ID it carries.
void MatchLine(const char* piece, size_t length, const char* format, CNameSearch* const* searches, size_t count)
{
    char line[kLineBufferSize];
    memcpy(line, piece, length);
    line[length] = '\0';
    unsigned lineId = kIdPreset;
    char lineName[kNameBufferSize] = "";
    if (sscanf(line, format, &lineId, lineName) != kFieldsPerLine)
        return;
    for (size_t i = 0; i < count; ++i) {
        CNameSearch& search = *searches[i];
        if (!search.found && uint16_t(lineId) == search.id) {
            *search.name = lineName;
            search.found = true;
        }
    }
}

} // namespace

// The three searches share one pass over the file, each keeping its own
// first-match result: the vendor and the subsystem vendor over the V lines from
// the top, the device over the D lines after the vendor's line, through later
// vendors' lines too. That gives what three passes would give, for a third of the reading.
void CPciFunction::LoadDeviceNames()
{
    m_vendorName.clear();
    m_deviceName.clear();
    m_subsystemVendorName.clear();
    FILE* file = fopen(kNameFile, "rb");
    if (!file)
        return;
    uint32_t subsystemOffset = GetHeaderLayout() == pci::kLayoutCardBusBridge ? pci::kCardBusSubsystemVendorIdOffset
                                                                              : pci::kSubsystemVendorIdOffset;
    CNameSearch vendor = {GetVendorId(), &m_vendorName, false};
    CNameSearch device = {GetDeviceId(), &m_deviceName, false};
    CNameSearch subsystemVendor = {GetConfigWord(subsystemOffset), &m_subsystemVendorName, false};
    CLineReader reader(file);
    const char* line = nullptr;
    size_t length = 0;
    while (!(vendor.found && device.found && subsystemVendor.found) && reader.Next(&line, &length)) {
        int quickId = QuickId(line, length);
        if (line[0] == kVendorTag) {
            CNameSearch* open[2] = {};
            size_t count = 0;
            if (MightMatch(quickId, vendor))
                open[count++] = &vendor;
            if (MightMatch(quickId, subsystemVendor))
                open[count++] = &subsystemVendor;
            if (count > 0)
                MatchLine(line, length, kVendorFormat, open, count);
        } else if (line[0] == kDeviceTag && vendor.found && MightMatch(quickId, device)) {
            CNameSearch* open[1] = {&device};
            MatchLine(line, length, kDeviceFormat, open, 1);
        }
    }
    fclose(file);
}
