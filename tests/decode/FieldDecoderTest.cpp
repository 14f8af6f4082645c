// The register decoders and column formats on hand-made configuration images.
#include "tests/decode/ConfigImage.h"

#include "decode/ConfigDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CWordCase
{
    uint16_t value;
    const char* text;
};

TEST(FieldDecoder, CommandJoinsSetBitsHighToLow)
{
    const CWordCase cases[] = {
        {0x0000, ""},
        {0x0007, "Bus Master, Memory Space, I/O Space"},
        {0x0200, "Fast Back-to-back"},
        {0x0300, "Fast Back-to-back, SERR# Enable"},
        {0x0001, "I/O Space"},
        {0xFC00, ""},  // bits 15..10 are not named
        {0x03FF, "Fast Back-to-back, SERR# Enable, Stepping Control, Parity Error Response, VGA Palette Snoop, "
                 "Memory Write and Invalidate Enable, Special Cycles, Bus Master, Memory Space, I/O Space"},
    };
    for (const CWordCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << std::hex << c.value);
        EXPECT_EQ(CConfigDecoder::DecodeCommand(CConfigImage().Set16(0x04, c.value).Data()), c.text);
    }
}

TEST(FieldDecoder, StatusNamesErrorsTimingAndFeatures)
{
    const CWordCase cases[] = {
        {0x0000, "Fast Device Select Timing"},
        {0x0290, "Medium Device Select Timing, Fast Back-to-Back Capable, Capabilities List Implemented"},
        {0x0600, ""},  // timing 3 is named by nothing
        {0x0610, "Capabilities List Implemented"},
        {0x0400, "Slow Device Select Timing"},
        {0x000F, "Fast Device Select Timing"},  // bits 3..0 are not named
        {0xF800, "Detected Parity Error, Signaled System Error, Received Master Abort, Received Target Abort, "
                 "Signaled Target Abort, Fast Device Select Timing"},
        {0x0760, "Master Data Parity Error, User-Definable Features, 66 MHz Capable"},
    };
    for (const CWordCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << std::hex << c.value);
        EXPECT_EQ(CConfigDecoder::DecodeStatus(CConfigImage().Set16(0x06, c.value).Data()), c.text);
    }
}

TEST(FieldDecoder, BusTimingTruncatesNanoseconds)
{
    auto latency = [](uint8_t v) { return CConfigDecoder::DecodeLatencyTimer(CConfigImage().Set8(0x0D, v).Data()); };
    auto minGrant = [](uint8_t v) { return CConfigDecoder::DecodeMinGrant(CConfigImage().Set8(0x3E, v).Data()); };
    auto maxLatency = [](uint8_t v) { return CConfigDecoder::DecodeMaxLatency(CConfigImage().Set8(0x3F, v).Data()); };

    EXPECT_EQ(latency(0x20), "969 ns guaranteed bus master ownership (32 PCI cycles at 33 MHz)");
    EXPECT_EQ(latency(1), "30 ns guaranteed bus master ownership (1 PCI cycles at 33 MHz)");
    EXPECT_EQ(latency(0xFF), "7727 ns guaranteed bus master ownership (255 PCI cycles at 33 MHz)");
    EXPECT_EQ(minGrant(1), "Requests minimum 30 ns bus master ownership (1 PCI cycles at 33 MHz)");
    EXPECT_EQ(minGrant(3), "Requests minimum 90 ns bus master ownership (3 PCI cycles at 33 MHz)");
    EXPECT_EQ(maxLatency(3), "Requests bus master ownership every 90 ns interval (every 3 PCI cycles at 33 MHz)");
    EXPECT_EQ(latency(0), "");
    EXPECT_EQ(minGrant(0), "");
    EXPECT_EQ(maxLatency(0), "");
}

TEST(FieldDecoder, CacheLineBistAndInterrupts)
{
    EXPECT_EQ(CConfigDecoder::DecodeCacheLineSize(CConfigImage().Set8(0x0C, 0x10).Data()), "64 bytes");
    EXPECT_EQ(CConfigDecoder::DecodeCacheLineSize(CConfigImage().Data()), "");
    EXPECT_EQ(CConfigDecoder::DecodeBist(CConfigImage().Set8(0x0F, 0x80).Data()), "Built-in Self-test supported");
    EXPECT_EQ(CConfigDecoder::DecodeBist(CConfigImage().Set8(0x0F, 0x7F).Data()), "");

    const char* const pins[] = {"", "INTA#", "INTB#", "INTC#", "INTD#", "", ""};
    for (uint8_t pin = 0; pin < 7; ++pin) {
        SCOPED_TRACE(testing::Message() << "pin " << int(pin));
        const CConfigImage image = CConfigImage().Set8(0x3C, 0x0B).Set8(0x3D, pin);
        EXPECT_EQ(CConfigDecoder::DecodeInterruptPin(image.Data()), pins[pin]);
        // The line is shown whenever the pin is not 0, even for an unnamed pin.
        EXPECT_EQ(CConfigDecoder::DecodeInterruptLine(image.Data()), pin == 0 ? "" : "IRQ11");
    }
    EXPECT_EQ(CConfigDecoder::DecodeInterruptLine(CConfigImage().Set8(0x3C, 0xFF).Set8(0x3D, 1).Data()), "IRQ255");
}

struct CBarCase
{
    uint32_t value;
    uint32_t upper;
    uint64_t size;
    bool is64Bit;
    const char* hex;
    const char* decimal;
};

TEST(FieldDecoder, BarsOfEveryKindInBothModes)
{
    const CBarCase cases[] = {
        {0x00000000, 5, 0x10, false, "", ""},
        {0x00000001, 0, 0x10, false, "", ""},  // I/O with base 0
        {0x00000301, 0, 0x20, false, "I/O Range (Base = 00000300h, Size = 00000020h)",
         "I/O Range (Base = 768d, Size = 32d)"},
        {0x0000E003, 0, 0, false, "I/O Range (Base = 0000E000h, Size = 00000000h)",
         "I/O Range (Base = 57344d, Size = 0d)"},
        {0x00000800, 7, 0x100, false, "32-bit  Memory (Base = 00000800h, Size = 00000100h)",
         "32-bit  Memory (Base = 2048d, Size = 256d)"},
        {0x0000080C, 1, 0x800, true, "64-bit Prefetchable Memory (Base = 00000001h:00000800h, Size = 00000800h)",
         "64-bit Prefetchable Memory (Base = 1d:2048d, Size = 2048d)"},
        {0xFD000004, 0, 0x1000, true, "64-bit  Memory (Base = 00000000h:FD000000h, Size = 00001000h)",
         "64-bit  Memory (Base = 0d:4244635648d, Size = 4096d)"},
        // A range of 4 GiB or more shows its size in the form of a 64-bit base.
        {0x0000000C, 2, 0x100000000ull, true,
         "64-bit Prefetchable Memory (Base = 00000002h:00000000h, Size = 00000001h:00000000h)",
         "64-bit Prefetchable Memory (Base = 2d:0d, Size = 4294967296d)"},
        // Type 1 (below 1 MB) and the reserved type 3 are shown as 32-bit BARs.
        {0x000C0002, 9, 0x4000, false, "32-bit  Memory (Base = 000C0000h, Size = 00004000h)",
         "32-bit  Memory (Base = 786432d, Size = 16384d)"},
        {0xF000000E, 9, 0, false, "32-bit Prefetchable Memory (Base = F0000000h, Size = 00000000h)",
         "32-bit Prefetchable Memory (Base = 4026531840d, Size = 0d)"},
        // Base bits all 0 but flags set: still decoded, with base 0.
        {0x00000008, 0, 0, false, "32-bit Prefetchable Memory (Base = 00000000h, Size = 00000000h)",
         "32-bit Prefetchable Memory (Base = 0d, Size = 0d)"},
    };
    const CConfigDecoder hex(true);
    const CConfigDecoder decimal(false);
    for (const CBarCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "BAR " << std::hex << c.value);
        bool is64Bit = !c.is64Bit;
        EXPECT_EQ(hex.DecodeBar(c.value, c.upper, c.size, &is64Bit), c.hex);
        EXPECT_EQ(is64Bit, c.is64Bit);
        is64Bit = !c.is64Bit;
        EXPECT_EQ(decimal.DecodeBar(c.value, c.upper, c.size, &is64Bit), c.decimal);
        EXPECT_EQ(is64Bit, c.is64Bit);
        EXPECT_EQ(hex.DecodeBar(c.value, c.upper, c.size), c.hex);
    }
}

TEST(FieldDecoder, BridgeWindowsAlwaysHexadecimal)
{
    CConfigImage image;
    image.Set8(0x1C, 0x21).Set8(0x1D, 0x31).Set16(0x30, 1).Set16(0x32, 1);
    image.Set16(0x20, 0x0120).Set16(0x22, 0x0130);
    image.Set16(0x24, 0x1001).Set16(0x26, 0x1FF1).Set32(0x28, 0x2).Set32(0x2C, 0x3);
    EXPECT_EQ(CConfigDecoder::DecodeIoBase(image.Data()), "Secondary Bus 32-bit I/O Address Range Start: 00012000h");
    EXPECT_EQ(CConfigDecoder::DecodeIoLimit(image.Data()), "Secondary Bus 32-bit I/O Address Range End: 00013FFFh");
    EXPECT_EQ(CConfigDecoder::DecodeMemoryBase(image.Data()),
              "Secondary Bus Memory-mapped 32-bit I/O Address Range Start: 01200000h");
    EXPECT_EQ(CConfigDecoder::DecodeMemoryLimit(image.Data()),
              "Secondary Bus Memory-mapped 32-bit I/O Address Range End: 013FFFFFh");
    EXPECT_EQ(CConfigDecoder::DecodePrefetchableBase(image.Data()),
              "Secondary Bus 64-bit Prefetchable Memory Address Range Start: 00000002h:10000000h");
    EXPECT_EQ(CConfigDecoder::DecodePrefetchableLimit(image.Data()),
              "Secondary Bus 64-bit Prefetchable Memory Address Range End: 00000003h:1FFFFFFFh");

    // Any non-zero low nibble selects the wide form, not only 1.
    image.Set8(0x1C, 0x2F);
    EXPECT_EQ(CConfigDecoder::DecodeIoBase(image.Data()), "Secondary Bus 32-bit I/O Address Range Start: 00012000h");

    const CConfigImage closed;
    EXPECT_EQ(CConfigDecoder::DecodeIoBase(closed.Data()), "Secondary Bus 16-bit I/O Address Range Start: 0000h");
    EXPECT_EQ(CConfigDecoder::DecodeIoLimit(closed.Data()), "Secondary Bus 16-bit I/O Address Range End: 0FFFh");
    EXPECT_EQ(CConfigDecoder::DecodeMemoryBase(closed.Data()),
              "Secondary Bus Memory-mapped 32-bit I/O Address Range Start: 00000000h");
    EXPECT_EQ(CConfigDecoder::DecodeMemoryLimit(closed.Data()),
              "Secondary Bus Memory-mapped 32-bit I/O Address Range End: 000FFFFFh");
    EXPECT_EQ(CConfigDecoder::DecodePrefetchableBase(closed.Data()),
              "Secondary Bus 32-bit Prefetchable Memory Address Range Start: 00000000h");
    EXPECT_EQ(CConfigDecoder::DecodePrefetchableLimit(closed.Data()),
              "Secondary Bus 32-bit Prefetchable Memory Address Range End: 000FFFFFh");
}

TEST(FieldDecoder, ColumnFormatsFollowTheMode)
{
    const CConfigDecoder hex(true);
    const CConfigDecoder decimal(false);
    EXPECT_EQ(hex.FormatOffset(0x3C), "3Ch");
    EXPECT_EQ(hex.FormatOffset(0xFC), "FCh");
    EXPECT_EQ(decimal.FormatOffset(0x3C), "060d");
    EXPECT_EQ(decimal.FormatOffset(0x04), "004d");
    EXPECT_EQ(decimal.FormatOffset(0xFC), "252d");
    EXPECT_EQ(hex.FormatValue(0xA, 1), "0Ah");
    EXPECT_EQ(hex.FormatValue(0x1EC, 2), "01ECh");
    EXPECT_EQ(hex.FormatValue(0xFD000000, 4), "FD000000h");
    EXPECT_EQ(decimal.FormatValue(0x1EC, 2), "492d");
    EXPECT_EQ(decimal.FormatValue(0xFFFFFFFF, 4), "4294967295d");
    EXPECT_STREQ(CConfigDecoder::FormatSize(1), "BYTE");
    EXPECT_STREQ(CConfigDecoder::FormatSize(2), "WORD");
    EXPECT_STREQ(CConfigDecoder::FormatSize(4), "DWORD");
}

}  // namespace
