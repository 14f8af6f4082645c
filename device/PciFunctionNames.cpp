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
// Lines are read 254 characters at a time.
constexpr size_t kLineBufferSize = 255;
constexpr int kNameBufferSize = 255;
constexpr int kFieldsPerLine = 2;
constexpr unsigned kIdPreset = 0xFFFF;
constexpr size_t kIdDigits = 4;
constexpr size_t kIdStart = 2;

constexpr size_t kReadChunkSize = 64u << 10;

// Reads the file in pieces of at most 254 characters, as fgets into a buffer
// of 255 would, and reports only pieces that start a line: the rest of an
// overlong line is never taken for a line. The file is read in large chunks
// because the searches skip most lines after looking at their first characters.
class CLineReader
{
public:
    explicit CLineReader(FILE* file) : m_file(file), m_chunk(kReadChunkSize) {}

    const char* Next()
    {
        size_t length = 0;
        while (ReadPiece(&length)) {
            bool startsLine = m_atLineStart;
            m_atLineStart = m_piece[length - 1] == '\n';
            if (startsLine)
                return m_piece;
        }
        return nullptr;
    }

private:
    bool Fill()
    {
        m_begin = 0;
        m_end = fread(m_chunk.data(), 1, m_chunk.size(), m_file);
        return m_end > 0;
    }

    bool ReadPiece(size_t* length)
    {
        size_t size = 0;
        while (size < kLineBufferSize - 1) {
            if (m_begin == m_end && !Fill())
                break;
            size_t available = m_end - m_begin;
            if (available > kLineBufferSize - 1 - size)
                available = kLineBufferSize - 1 - size;
            const char* start = m_chunk.data() + m_begin;
            const char* newline = static_cast<const char*>(memchr(start, '\n', available));
            size_t take = newline ? size_t(newline - start) + 1 : available;
            memcpy(m_piece + size, start, take);
            size += take;
            m_begin += take;
            if (newline)
                break;
        }
        m_piece[size] = '\0';
        *length = size;
        return size > 0;
    }

    FILE* m_file;
    std::vector<char> m_chunk;
    size_t m_begin = 0;
    size_t m_end = 0;
    char m_piece[kLineBufferSize] = {};
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
int QuickId(const char* line)
{
    if (line[1] != '\t')
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

// Parses the line in full and ends every open search whose ID it carries.
void MatchLine(const char* line, const char* format, CNameSearch* const* searches, size_t count)
{
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
    FILE* file = fopen(kNameFile, "r");
    if (!file)
        return;
    uint32_t subsystemOffset =
        GetHeaderLayout() == kLayoutCardBusBridge ? kCardBusSubsystemVendorIdOffset : kSubsystemVendorIdOffset;
    CNameSearch vendor = {GetVendorId(), &m_vendorName, false};
    CNameSearch device = {GetDeviceId(), &m_deviceName, false};
    CNameSearch subsystemVendor = {GetConfigWord(subsystemOffset), &m_subsystemVendorName, false};
    CLineReader reader(file);
    while (!(vendor.found && device.found && subsystemVendor.found)) {
        const char* line = reader.Next();
        if (!line)
            break;
        int quickId = QuickId(line);
        if (line[0] == kVendorTag) {
            CNameSearch* open[2] = {};
            size_t count = 0;
            if (MightMatch(quickId, vendor))
                open[count++] = &vendor;
            if (MightMatch(quickId, subsystemVendor))
                open[count++] = &subsystemVendor;
            if (count > 0)
                MatchLine(line, kVendorFormat, open, count);
        } else if (line[0] == kDeviceTag && vendor.found && MightMatch(quickId, device)) {
            CNameSearch* open[1] = {&device};
            MatchLine(line, kDeviceFormat, open, 1);
        }
    }
    fclose(file);
}
