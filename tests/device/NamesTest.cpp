// Vendor, device and subsystem vendor names from a pcidevs.txt in the current directory.
// Needs no driver: the function is built without one, so it reads as absent
// until a test gives it IDs. Runs natively and under Wine, where the C runtime
// reads the file in text mode.
#include <windows.h>

#include "protocol/DriverProtocol.h"
#include "device/PciFunction.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

class NamesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        m_directory = std::filesystem::temp_directory_path() / (std::string("brisco-names-") + test->name());
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
        pci::PutLe32(m_function->m_config, vendor | uint32_t(device) << 16);
        m_function->m_config[0x0E] = headerType;
        m_function->m_config[0x2C] = uint8_t(subsystemVendor);
        m_function->m_config[0x2D] = uint8_t(subsystemVendor >> 8);
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

const char kNames[] =
    "# vendors and their devices\n"
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

TEST_F(NamesTest, AMissingFileLeavesEveryNameEmpty)
{
    WriteNames(kNames);
    Lookup(0x10EC, 0x8139, 0x8086);
    std::filesystem::remove("pcidevs.txt");
    Lookup(0x10EC, 0x8139, 0x8086);
    ExpectNames("", "", "");
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
    WriteNames("V\t1000\t" + longName + "V\t10EC\tFake\n" +
               "V\t10EC\tRealtime Semi " + std::string(233, 'y') + "D\t8139\tFake Device\n" +
               "D\t8139\tFast Ethernet\n");
    Lookup(0x10EC, 0x8139, 0x1000);
    EXPECT_EQ("Realtime Semi " + std::string(233, 'y'), m_function->GetVendorName());
    EXPECT_EQ("Fast Ethernet", m_function->GetDeviceName());
    EXPECT_EQ(longName, m_function->GetSubsystemVendorName());
}

TEST_F(NamesTest, ACardBusBridgeTakesItsSubsystemVendorFromOffset40h)
{
    WriteNames(kNames);
    m_function->m_config[0x40] = 0x06;
    m_function->m_config[0x41] = 0x11;
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

    WriteNames(filler + "V\t10EC\tRealtime Semi\r\n\x1A" "D\t8139\tFast Ethernet\r\nV\t1000\tBroadLogic\r\n");
    SCOPED_TRACE("Ctrl-Z ends the file");
    Lookup(0x10EC, 0x8139, 0x1000);
    ExpectNames("Realtime Semi", "", "");
}

} // namespace
