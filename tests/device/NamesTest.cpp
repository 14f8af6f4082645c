// Vendor, device and subsystem vendor names from a pcidevs.txt in the current directory.
// Needs no driver: the function is built without one, so it reads as absent
// until a test gives it IDs. Runs natively and under Wine, where the C runtime
// reads the file in text mode.
#include <windows.h>

#include "protocol/DriverProtocol.h"
#include "device/PciFunction.h"
#include "device/PciNameIndex.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <memory>
#include <string>
#include <vector>

namespace {

class NamesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        // A folder of this run's own: several builds may run the tests at once.
        m_directory = std::filesystem::temp_directory_path() /
            (std::string("brisco-names-") + test->name() + "-" + std::to_string(std::random_device()()));
        std::filesystem::remove_all(m_directory);
        ASSERT_TRUE(std::filesystem::create_directory(m_directory));
        std::filesystem::current_path(m_directory);
        m_function = std::make_unique<CPciFunction>(INVALID_HANDLE_VALUE, 200, 0, 0);
    }

    void TearDown() override
    {
        m_function.reset();
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    void WriteNames(const std::string& text)
    {
        FILE* file = fopen("pcidevs.txt", "wb");
        ASSERT_NE(nullptr, file);
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }

    // Sets the IDs of the function (layout 0 unless given) and looks its names up.
    void Lookup(uint16_t vendor, uint16_t device, uint16_t subsystemVendor, uint8_t headerType = 0)
    {
        pci::PutLe32(m_function->m_image, vendor | uint32_t(device) << 16);
        m_function->m_image[0x0E] = headerType;
        m_function->m_image[0x2C] = uint8_t(subsystemVendor);
        m_function->m_image[0x2D] = uint8_t(subsystemVendor >> 8);
        m_function->LoadDeviceNames();
    }

    void ExpectNames(const std::string& vendor, const std::string& device, const std::string& subsystemVendor)
    {
        EXPECT_EQ(vendor, m_function->GetVendorName());
        EXPECT_EQ(device, m_function->GetDeviceName());
        EXPECT_EQ(subsystemVendor, m_function->GetSubsystemVendorName());
    }

    std::filesystem::path m_previous;
    std::filesystem::path m_directory;
    std::unique_ptr<CPciFunction> m_function;
};

const char kNames[] = "# vendors and their devices\n"
                      "V\t1000\tBroadLogic\n"
                      "D\t0001\tFirst Controller\n"
                      "V\t10EC\tRealtime Semi\n"
                      "D\t8029\tNE2000 Clone\n"
                      "D\t8139\tFast Ethernet\n"
                      "V\t1106\tVectra\n"
                      "D\t3038\tUSB Hub\n"
                      "D\t1234\tListed Under Vectra\n"
                      "V\t8086\tIntegrated\n"
                      "D\t7190\tHost Bridge\n";

// A file that fopen in text mode reads as the C runtime's text mode reads the
// given one: natively a translated copy (CR LF becomes LF, Ctrl-Z ends the file),
// under Windows the file itself.
std::string TextModeCopy(const std::string& path)
{
#ifdef _WIN32
    return path;
#else
    std::string copy = std::filesystem::path(path).filename().string() + ".text";
    FILE* in = fopen(path.c_str(), "rb");
    FILE* out = fopen(copy.c_str(), "wb");
    int previous = EOF;
    for (int c = in ? fgetc(in) : EOF; c != EOF && c != 0x1A; c = fgetc(in)) {
        if (previous == '\r' && c != '\n')
            fputc('\r', out);
        if (c != '\r')
            fputc(c, out);
        previous = c;
    }
    if (previous == '\r')
        fputc('\r', out);
    if (in)
        fclose(in);
    fclose(out);
    return copy;
#endif
}

// The lookup as first written, kept as the reference for the index: three searches
// with fgets, first match wins, the rest of an overlong line is never a line.
class CReferenceLookup {
public:
    static CPciNameIndex::CNames Run(const std::string& path, uint16_t vendor, uint16_t device,
                                     uint16_t subsystemVendor)
    {
        CPciNameIndex::CNames names;
        FILE* file = fopen(path.c_str(), "r");
        if (!file)
            return names;
        CReferenceLookup reader(file);
        if (reader.Find('V', "V\t%4X\t%254[^\r\n]", vendor, &names.vendor))
            reader.Find('D', "D\t%4X\t%254[^\r\n]", device, &names.device);
        rewind(file);
        reader.m_atLineStart = true;
        reader.Find('V', "V\t%4X\t%254[^\r\n]", subsystemVendor, &names.subsystemVendor);
        fclose(file);
        return names;
    }

private:
    explicit CReferenceLookup(FILE* file) : m_file(file) {}

    const char* Next()
    {
        while (fgets(m_buffer, sizeof m_buffer, m_file)) {
            bool startsLine = m_atLineStart;
            size_t length = strlen(m_buffer);
            m_atLineStart = length > 0 && m_buffer[length - 1] == '\n';
            if (startsLine)
                return m_buffer;
        }
        return nullptr;
    }

    bool Find(char tag, const char* format, uint16_t id, std::string* name)
    {
        while (const char* line = Next()) {
            unsigned lineId = 0xFFFF;
            char lineName[255] = "";
            if (line[0] == tag && sscanf(line, format, &lineId, lineName) == 2 && uint16_t(lineId) == id) {
                *name = lineName;
                return true;
            }
        }
        return false;
    }

    FILE* m_file;
    char m_buffer[255] = {};
    bool m_atLineStart = true;
};

struct CLookup
{
    uint16_t vendor;
    uint16_t device;
    uint16_t subsystemVendor;
};

// Compares the index with the reference on every lookup; the message names the file and the IDs.
void ExpectSameAsReference(const std::string& path, const std::vector<CLookup>& lookups)
{
    std::shared_ptr<const CPciNameIndex> index = CPciNameIndex::Load(path.c_str());
    ASSERT_NE(nullptr, index) << path;
    std::string textModeCopy = TextModeCopy(path);
    for (const CLookup& lookup : lookups) {
        CPciNameIndex::CNames expected =
            CReferenceLookup::Run(textModeCopy, lookup.vendor, lookup.device, lookup.subsystemVendor);
        CPciNameIndex::CNames names = index->Lookup(lookup.vendor, lookup.device, lookup.subsystemVendor);
        char ids[48];
        snprintf(ids, sizeof ids, "%04X/%04X/%04X", lookup.vendor, lookup.device, lookup.subsystemVendor);
        ASSERT_EQ(expected.vendor, names.vendor) << path << " " << ids;
        ASSERT_EQ(expected.device, names.device) << path << " " << ids;
        ASSERT_EQ(expected.subsystemVendor, names.subsystemVendor) << path << " " << ids;
    }
}

// A small deterministic generator, so a failing file can be made again.
class CRandom {
public:
    explicit CRandom(uint32_t seed) : m_state(seed) {}
    uint32_t Next(uint32_t bound)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % bound;
    }

private:
    uint32_t m_state;
};

const uint16_t kSmallIds[] = {0x10EC, 0x8086, 0x1000, 0xFFFF, 0x0000, 0x8139};

// Lines of every kind the rules treat differently, with IDs from a small set so that
// they repeat: duplicates, malformed fields, overlong lines whose rest looks like a
// line, lower-case hexadecimal, CR LF, lone CRs and, sometimes, a Ctrl-Z.
std::string GeneratedNameFile(uint32_t seed)
{
    CRandom random(seed);
    std::string text;
    for (int i = 0; i < 80; ++i) {
        char id[8];
        snprintf(id, sizeof id, random.Next(4) == 0 ? "%04x" : "%04X", kSmallIds[random.Next(6)]);
        const char* tag = random.Next(2) == 0 ? "V" : "D";
        std::string name = "Name " + std::to_string(i);
        switch (random.Next(10)) {
        case 0:
            text += std::string(tag) + "\t" + id + "\t" + std::string(240 + random.Next(30), 'x') + "V\t" + id +
                "\tRest Of A Long Line";
            break;
        case 1: text += std::string(tag) + "\t" + id + (random.Next(2) ? "\t" : ""); break;
        case 2: text += std::string(tag) + "\t\t" + name; break;
        case 3: text += std::string(" ") + tag + "\t" + id + "\t" + name; break;
        case 4: text += std::string(tag) + "\t" + id + "\t" + name + "\rafter a lone CR"; break;
        case 5: text += std::string(tag) + " " + id + "  " + name; break;
        default: text += std::string(tag) + "\t" + id + "\t" + name; break;
        }
        text += random.Next(3) == 0 ? "\r\n" : "\n";
        if (random.Next(120) == 0)
            text += '\x1A';
    }
    return text;
}

TEST_F(NamesTest, TheDeviceNameComesFromTheFirstMatchingLineAfterTheVendor)
{
    WriteNames(kNames);
    Lookup(0x10EC, 0x8139, 0x8086);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Integrated");
    // Device 1234 is listed only under a later vendor; the search reads on through it.
    Lookup(0x10EC, 0x1234, 0x1000);
    ExpectNames("Realtime Semi", "Listed Under Vectra", "BroadLogic");
    // Device 0001 is listed only before the vendor line.
    Lookup(0x10EC, 0x0001, 0x10EC);
    ExpectNames("Realtime Semi", "", "Realtime Semi");
}

TEST_F(NamesTest, AnUnknownVendorStillFindsTheSubsystemVendor)
{
    WriteNames(kNames);
    Lookup(0x5555, 0x8139, 0x1106);
    ExpectNames("", "", "Vectra");
}

// A program started from another folder still finds the file beside itself; the one in the
// current folder comes first.
TEST_F(NamesTest, WithoutAFileInTheCurrentFolderTheOneBesideTheProgramAnswers)
{
    WriteNames(kNames);
    Lookup(0x10EC, 0x8139, 0x8086);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Integrated");
    std::filesystem::remove("pcidevs.txt");
    Lookup(0x10EC, 0x8139, 0x8086);
    EXPECT_NE("", m_function->GetVendorName()) << "the build puts pcidevs.txt beside the test program";
    EXPECT_NE("Realtime Semi", m_function->GetVendorName());
}

TEST_F(NamesTest, LinesWithoutBothFieldsNeverMatch)
{
    WriteNames("V\t10EC\t\n"
               "V\t10EC\n"
               "V\t\tNo ID\n"
               "V\tZZZZ\tBad ID\n"
               "v\t10EC\tLower Tag\n"
               " V\t10EC\tIndented\n"
               "V\t10EC\tRealtime Semi\n"
               "D\t8139\n"
               "D\t8139\tFast Ethernet\n"
               "V\tFFFF\tAll Ones\n"
               "V\t0000\tZero\n");
    Lookup(0x10EC, 0x8139, 0xFFFF);
    ExpectNames("Realtime Semi", "Fast Ethernet", "All Ones");
    Lookup(0x10EC, 0x8139, 0x0000);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Zero");
}

TEST_F(NamesTest, SubsystemVendorIdsZeroAndAllOnesMatchOnlyTheirOwnLines)
{
    WriteNames("V\t\tNo ID\n"
               "V\tx\tBroken\n"
               "V\t10EC\tRealtime Semi\n");
    Lookup(0x10EC, 0x8139, 0xFFFF);
    ExpectNames("Realtime Semi", "", "");
    Lookup(0x10EC, 0x8139, 0x0000);
    ExpectNames("Realtime Semi", "", "");
}

TEST_F(NamesTest, HexadecimalIdsMayBeLowerCaseAndLinesMayEndInCarriageReturns)
{
    WriteNames("V\t10ec\tRealtime Semi\r\n"
               "D\t8139\tFast Ethernet\r\n"
               "V\tabCD\tMixed\r\n");
    Lookup(0x10EC, 0x8139, 0xABCD);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Mixed");
}

TEST_F(NamesTest, TheRestOfAnOverlongLineIsNeverReadAsALine)
{
    // The first 254 characters form one piece; what follows starts with a V line of its own.
    std::string longName(247, 'x');
    WriteNames("V\t1000\t" + longName + "V\t10EC\tFake\n" + "V\t10EC\tRealtime Semi " + std::string(233, 'y') +
               "D\t8139\tFake Device\n" + "D\t8139\tFast Ethernet\n");
    Lookup(0x10EC, 0x8139, 0x1000);
    EXPECT_EQ("Realtime Semi " + std::string(233, 'y'), m_function->GetVendorName());
    EXPECT_EQ("Fast Ethernet", m_function->GetDeviceName());
    EXPECT_EQ(longName, m_function->GetSubsystemVendorName());
}

TEST_F(NamesTest, ACardBusBridgeTakesItsSubsystemVendorFromOffset40h)
{
    WriteNames(kNames);
    m_function->m_image[0x40] = 0x06;
    m_function->m_image[0x41] = 0x11;
    Lookup(0x10EC, 0x8139, 0x8086, 0x82);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Vectra");
    Lookup(0x10EC, 0x8139, 0x8086, 0x81);
    ExpectNames("Realtime Semi", "Fast Ethernet", "Integrated");
}

TEST_F(NamesTest, TheFileReadsAsTextModeReadsItAcrossReadChunks)
{
    // Filler lines put the vendor line across the first 64 KiB of the file, and its CR LF after it.
    std::string filler;
    while (filler.size() < 65536 - 40)
        filler += "# filler line of no meaning\r\n";
    filler += std::string(65536 - 12 - filler.size(), '#') + "\r\n";
    WriteNames(filler + "V\t10EC\tRealtime Semi\r\nD\t8139\tFast Ethernet\r\nV\t1000\tBroadLogic");
    Lookup(0x10EC, 0x8139, 0x1000);
    ExpectNames("Realtime Semi", "Fast Ethernet", "BroadLogic");

    WriteNames(filler +
               "V\t10EC\tRealtime Semi\r\n\x1A"
               "D\t8139\tFast Ethernet\r\nV\t1000\tBroadLogic\r\n");
    SCOPED_TRACE("Ctrl-Z ends the file");
    Lookup(0x10EC, 0x8139, 0x1000);
    ExpectNames("Realtime Semi", "", "");
}

TEST_F(NamesTest, TheIndexAnswersAsTheReferenceOnGeneratedFiles)
{
    std::vector<CLookup> lookups;
    for (uint16_t vendor : kSmallIds)
        for (uint16_t device : kSmallIds)
            for (uint16_t subsystemVendor : kSmallIds)
                lookups.push_back({vendor, device, subsystemVendor});
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        char path[32];
        snprintf(path, sizeof path, "generated-%u.txt", unsigned(seed));
        FILE* file = fopen(path, "wb");
        ASSERT_NE(nullptr, file);
        std::string text = GeneratedNameFile(seed);
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
        ExpectSameAsReference(path, lookups);
    }
}

// The file generated from pci.ids: vendors with their own devices, devices listed
// only under a later or an earlier vendor, and IDs the file does not have.
TEST_F(NamesTest, TheIndexAnswersAsTheReferenceOnTheGeneratedPciDevs)
{
    std::string path = (m_previous / "pcidevs.txt").string();
    FILE* file = fopen(path.c_str(), "r");
    ASSERT_NE(nullptr, file) << "the build generates " << path;
    std::vector<uint16_t> vendors;
    std::vector<uint16_t> devices;
    char line[512];
    unsigned id = 0;
    while (fgets(line, sizeof line, file)) {
        if (sscanf(line, "V\t%4X", &id) == 1)
            vendors.push_back(uint16_t(id));
        else if (sscanf(line, "D\t%4X", &id) == 1)
            devices.push_back(uint16_t(id));
    }
    fclose(file);
    ASSERT_GT(vendors.size(), 1000u);
    std::vector<CLookup> lookups = {{0x0000, 0x0000, 0x0000}, {0xFFFF, 0xFFFF, 0xFFFF}, {0x8086, 0xFFFF, 0x1234}};
    CRandom random(18);
    for (int i = 0; i < 120; ++i) {
        size_t vendor = random.Next(uint32_t(vendors.size()));
        // Most devices from near the vendor's own, some from anywhere.
        size_t device = random.Next(4) == 0 ? random.Next(uint32_t(devices.size()))
                                            : vendor * devices.size() / vendors.size() + random.Next(40);
        lookups.push_back(
            {vendors[vendor], devices[device % devices.size()], vendors[random.Next(uint32_t(vendors.size()))]});
    }
    ExpectSameAsReference(path, lookups);
}

TEST_F(NamesTest, TheIndexIsReusedWhileTheFileIsUnchanged)
{
    WriteNames(kNames);
    std::shared_ptr<const CPciNameIndex> first = CPciNameIndex::ForFile("pcidevs.txt");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, CPciNameIndex::ForFile("pcidevs.txt")) << "unchanged";
    WriteNames(std::string(kNames) + "V\t1234\tAdded\n");
    std::shared_ptr<const CPciNameIndex> grown = CPciNameIndex::ForFile("pcidevs.txt");
    EXPECT_NE(first, grown) << "another size";
    EXPECT_EQ("Added", grown->Lookup(0x1234, 0, 0).vendor);
    auto modified = std::filesystem::last_write_time("pcidevs.txt");
    std::filesystem::last_write_time("pcidevs.txt", modified + std::chrono::hours(1));
    EXPECT_NE(grown, CPciNameIndex::ForFile("pcidevs.txt")) << "another modification time";
    std::filesystem::create_directory("other");
    std::filesystem::copy_file("pcidevs.txt", "other/pcidevs.txt");
    std::filesystem::last_write_time("other/pcidevs.txt", modified + std::chrono::hours(1));
    EXPECT_NE(CPciNameIndex::ForFile("pcidevs.txt"), CPciNameIndex::ForFile("other/pcidevs.txt")) << "another path";
}

} // namespace
