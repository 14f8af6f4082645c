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
constexpr int kLineBufferSize = 255;
constexpr int kNameBufferSize = 255;
constexpr int kFieldsPerLine = 2;
constexpr unsigned kIdPreset = 0xFFFF;

// Reads the file in pieces of at most 254 characters and reports only pieces
// that start a line: the rest of an overlong line is never taken for a line.
class CLineReader
{
public:
    explicit CLineReader(FILE* file) : m_file(file) {}

    const char* Next()
    {
        while (fgets(m_buffer, kLineBufferSize, m_file)) {
            bool startsLine = m_atLineStart;
            size_t length = strlen(m_buffer);
            m_atLineStart = length > 0 && m_buffer[length - 1] == '\n';
            if (startsLine)
                return m_buffer;
        }
        return nullptr;
    }

    void Restart() { m_atLineStart = true; }

private:
    FILE* m_file;
    char m_buffer[kLineBufferSize] = {};
    bool m_atLineStart = true;
};

// Reads on from the current place to the first line of the tag whose ID matches.
bool FindNamedLine(CLineReader& reader, char tag, const char* format, uint16_t id, std::string* name)
{
    while (const char* line = reader.Next()) {
        if (line[0] != tag)
            continue;
        unsigned lineId = kIdPreset;
        char lineName[kNameBufferSize] = "";
        if (sscanf(line, format, &lineId, lineName) == kFieldsPerLine && uint16_t(lineId) == id) {
            *name = lineName;
            return true;
        }
    }
    return false;
}

} // namespace

void CPciFunction::LoadDeviceNames()
{
    FILE* file = fopen(kNameFile, "r");
    if (!file)
        return;
    CLineReader reader(file);
    // The device search reads on after the vendor line, through later vendors' lines too.
    if (FindNamedLine(reader, kVendorTag, kVendorFormat, GetVendorId(), &m_vendorName))
        FindNamedLine(reader, kDeviceTag, kDeviceFormat, GetDeviceId(), &m_deviceName);
    if (fseek(file, 0, SEEK_SET) == 0) {
        reader.Restart();
        uint32_t subsystemOffset =
            GetHeaderLayout() == kLayoutCardBusBridge ? kCardBusSubsystemVendorIdOffset : kSubsystemVendorIdOffset;
        FindNamedLine(reader, kVendorTag, kVendorFormat, GetConfigWord(subsystemOffset), &m_subsystemVendorName);
    }
    fclose(file);
}
