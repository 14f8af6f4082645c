// Register write behaviour per header type and BAR probing arithmetic.
#include <gtest/gtest.h>
#include "machines/DefaultMachine.h"
#include "sim/SimFunction.h"
#include "tests/sim/SimTestSupport.h"

namespace {

struct CWriteCase
{
    const char* m_what;
    uint32_t m_offset;
    uint8_t m_size;
    uint32_t m_write;
    uint32_t m_expected;
};

void RunWriteCases(CSimMachine& machine, uint32_t bus, uint32_t device, const std::vector<CWriteCase>& cases)
{
    for (const CWriteCase& c : cases) {
        SCOPED_TRACE(c.m_what);
        ASSERT_EQ(WriteConfig(machine, bus, device, 0, c.m_offset, c.m_size, c.m_write), kSimStatusSuccess);
        EXPECT_EQ(ReadConfig(machine, bus, device, 0, c.m_offset, c.m_size), c.m_expected);
    }
}

std::string EndpointImage()
{
    auto c = MakeConfig(0x8086, 0x1229, 0x02, 0x00, 0x00);
    c[0x06] = 0x10; // capability list
    c[0x07] = 0xF9; // every error bit set
    c[0x08] = 0x05;
    c[0x0F] = 0x80; // BIST capable
    Put32(c, 0x10, 0x0000E001);  // I/O
    Put32(c, 0x14, 0xF0001000);  // 32-bit memory
    Put32(c, 0x18, 0xF0100004);  // 64-bit memory, low half
    Put32(c, 0x1C, 0x00000000);  // upper half
    Put32(c, 0x20, 0x00000000);  // not implemented
    Put32(c, 0x30, 0xF0200001);  // expansion ROM, enabled
    c[0x34] = 0x40;
    c[0x3C] = 0x0B;
    c[0x3D] = 0x01;
    c[0x40] = 0x01; c[0x41] = 0x50; // power management -> MSI
    c[0x50] = 0x05; c[0x51] = 0x00;
    c[0x84] = 0xAA;
    return DumpFunction("00:03.0", c,
                        "\tRegion 0: I/O ports at e000 [size=32]\n"
                        "@bar 1 size 4K\n"
                        "\tRegion 2: Memory at f0100000 (64-bit, non-prefetchable) [size=1M]\n"
                        "\tExpansion ROM at f0200000 [size=64K]\n"
                        "@config 80 mask 0f\n"
                        "@config 84 w1c ff\n");
}

} // namespace

TEST(ConfigWrite, HeaderType0RegistersKeepOnlyTheirWritableBits)
{
    CSimMachine machine;
    LoadOrFail(machine, EndpointImage());
    RunWriteCases(machine, 0, 3, {
        {"vendor and device IDs are read-only", 0x00, 4, 0xFFFFFFFF, 0x12298086},
        {"command keeps its implemented bits", 0x04, 2, 0xFFFF, 0x0557},
        {"command bits clear", 0x04, 2, 0x0000, 0x0000},
        {"status error bit cleared by writing one", 0x06, 2, 0x0100, 0xF810},
        {"status: zeros change nothing", 0x06, 2, 0x0000, 0xF810},
        {"status: all ones clear every error bit but not the capability bit", 0x06, 2, 0xFFFF, 0x0010},
        {"revision and class are read-only", 0x08, 4, 0xFFFFFFFF, 0x02000005},
        {"cache line size is writable", 0x0C, 1, 0x10, 0x10},
        {"latency timer is writable", 0x0D, 1, 0x40, 0x40},
        {"header type is read-only", 0x0E, 1, 0x7F, 0x00},
        {"BIST is read-only", 0x0F, 1, 0x40, 0x80},
        {"unimplemented BAR stays zero", 0x20, 4, 0xFFFFFFFF, 0x00000000},
        {"interrupt line is writable", 0x3C, 1, 0x05, 0x05},
        {"interrupt pin is read-only", 0x3D, 1, 0x04, 0x01},
        {"capability ID and next pointer are read-only", 0x40, 2, 0xFFFF, 0x5001},
        {"MSI enable is writable, its capability bits are not", 0x52, 2, 0xFFFF, 0x0071},
        {"image mask keeps only the low nibble", 0x80, 1, 0xFF, 0x0F},
        {"image write-one-to-clear bits", 0x84, 1, 0x0F, 0xA0},
        {"device-specific registers are plain storage", 0xF0, 4, 0x12345678, 0x12345678},
    });
}

// A PCI Express endpoint: statuses set, AER at 100h with errors logged, Resizable BAR at 150h.
std::string ExpressImage()
{
    auto c = MakeConfig(0x8086, 0x1521, 0x02, 0x00, 0x00);
    c[0x06] = 0x10;
    c[0x34] = 0x40;
    c[0x40] = 0x10; c[0x41] = 0x00; c[0x42] = 0x02; c[0x43] = 0x00; // PCI Express v2 endpoint
    Put32(c, 0x44, 0x00008021);  // device capabilities
    Put32(c, 0x48, 0x001F2936);  // device control, status: every error bit and AuxPwr
    Put32(c, 0x4C, 0x00000412);  // link capabilities
    Put32(c, 0x50, 0xC0110040);  // link control, status: both bandwidth change bits
    return DumpFunction("00:03.0", c,
                        "100: 01 00 02 15 00 40 10 00 00 00 40 00 30 20 46 00\n"
                        "110: c1 00 00 00 00 20 00 00 ae 00 00 00 01 00 00 4a\n"
                        "150: 15 00 01 00 00 f0 07 00 20 0e 00 00\n"
                        "@config 1f0 mask 0f\n");
}

TEST(ConfigWrite, ExtendedSpaceKeepsCapabilityFieldsAndClearsStatusesByWritingOnes)
{
    CSimMachine machine;
    LoadOrFail(machine, ExpressImage());
    EXPECT_EQ(Send(machine, IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 4096).m_out.size(), 4096u);
    RunWriteCases(machine, 0, 3, {
        {"PCI Express capabilities are read-only", 0x42, 2, 0xFFFF, 0x0002},
        {"device control is writable", 0x48, 2, 0x1234, 0x1234},
        {"device status error bits clear by writing one, AuxPwr stays", 0x4A, 2, 0x0005, 0x001A},
        {"link capabilities are read-only", 0x4C, 4, 0, 0x00000412},
        {"link status bandwidth bits clear, speed and width stay", 0x52, 2, 0xFFFF, 0x0011},
        {"extended header: ID, version and next are read-only", 0x100, 4, 0, 0x15020001},
        {"AER uncorrectable status clears by writing one", 0x104, 4, 0x00004000, 0x00100000},
        {"AER uncorrectable mask is writable", 0x108, 4, 0x00001000, 0x00001000},
        {"AER correctable status clears by writing one", 0x110, 4, 0x00000001, 0x000000C0},
        {"AER control: first error pointer read-only, enables writable", 0x118, 4, 0xFFFFFFFF, 0x000005EE},
        {"AER header log is read-only", 0x11C, 4, 0, 0x4A000001},
        {"Resizable BAR capability is read-only", 0x154, 4, 0, 0x0007F000},
        {"Resizable BAR control keeps only its size field", 0x158, 4, 0xFFFFFFFF, 0x00003F20},
        {"image mask in extended space", 0x1F0, 1, 0xFF, 0x0F},
        {"other extended bytes are plain storage", 0xFFC, 4, 0xCAFEF00D, 0xCAFEF00D},
    });
}

TEST(ConfigWrite, PartialWritesToABarMergeIntoItsBaseBits)
{
    CSimMachine machine;
    LoadOrFail(machine, EndpointImage());
    RunWriteCases(machine, 0, 3, {
        {"byte 3 of the 4K memory BAR", 0x17, 1, 0xE0, 0xE0},
        {"word 2 of the 4K memory BAR", 0x16, 2, 0xC123, 0xC123},
        {"low byte keeps its type bits", 0x14, 1, 0xFF, 0x00},
        {"dword write across two registers at an unaligned offset", 0x12, 4, 0xFFFFFFFF, 0xF000FFFF},
    });
}

TEST(ConfigWrite, HeaderType1BridgeRegisters)
{
    auto c = MakeConfig(0x1011, 0x0024, 0x06, 0x04, 0x01);
    c[0x19] = 0x01;
    c[0x1C] = 0x01;  // 32-bit I/O decoding
    c[0x1F] = 0x80;  // a detected parity error on the secondary side
    c[0x24] = 0x01;  // 64-bit prefetchable decoding
    std::string image = DumpFunction("00:0d.0", c);
    CSimMachine machine;
    LoadOrFail(machine, image);
    RunWriteCases(machine, 0, 13, {
        {"bus numbers and secondary latency are writable", 0x18, 4, 0x40050201, 0x40050201},
        {"I/O base keeps its capability nibble", 0x1C, 1, 0xFF, 0xF1},
        {"I/O limit keeps its capability nibble", 0x1D, 1, 0xFF, 0xF0},
        {"secondary status clears by writing one", 0x1E, 2, 0x8000, 0x0000},
        {"memory base low nibble is read-only", 0x20, 2, 0xFFFF, 0xFFF0},
        {"memory limit low nibble is read-only", 0x22, 2, 0xFFFF, 0xFFF0},
        {"prefetchable base keeps its 64-bit nibble", 0x24, 2, 0xFFFF, 0xFFF1},
        {"prefetchable upper base is writable when 64-bit", 0x28, 4, 0x12345678, 0x12345678},
        {"I/O upper base is writable when 32-bit", 0x30, 2, 0xABCD, 0xABCD},
        {"unsized BARs of a bridge stay zero", 0x10, 4, 0xFFFFFFFF, 0},
        {"bridge control", 0x3E, 2, 0xFFFF, 0x0FFF},
    });
}

TEST(ConfigWrite, HeaderType1WithoutUpperHalvesKeepsThemZero)
{
    auto c = MakeConfig(0x8086, 0x7191, 0x06, 0x04, 0x01);
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:01.0", c));
    RunWriteCases(machine, 0, 1, {
        {"prefetchable upper base without 64-bit decoding", 0x28, 4, 0xFFFFFFFF, 0},
        {"I/O upper base without 32-bit decoding", 0x30, 2, 0xFFFF, 0},
    });
}

TEST(ConfigWrite, HeaderType2CardBusRegisters)
{
    auto c = MakeConfig(0x104C, 0xAC1C, 0x06, 0x07, 0x02);
    Put32(c, 0x10, 0xDC000000);
    c[0x14] = 0xA0;
    c[0x40] = 0x28;
    c[0x41] = 0x10;
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("02:00.0", c));
    RunWriteCases(machine, 2, 0, {
        {"socket register BAR probes as 4K", 0x10, 4, 0xFFFFFFFF, 0xFFFFF000},
        {"capability pointer is read-only", 0x14, 1, 0x00, 0xA0},
        {"memory window 0 base is 4K aligned", 0x1C, 4, 0xFFFFFFFF, 0xFFFFF000},
        {"I/O window 1 limit keeps dword granularity", 0x38, 4, 0xFFFFFFFF, 0xFFFFFFFC},
        {"subsystem vendor is read-only", 0x40, 2, 0xFFFF, 0x1028},
        {"legacy mode base is writable", 0x44, 4, 0x000003E1, 0x000003E1},
    });
}

TEST(ConfigWrite, AbsentFunctionsReadAllOnesAndIgnoreWrites)
{
    CSimMachine machine;
    LoadOrFail(machine, EndpointImage());
    EXPECT_EQ(Probe(machine, 0, 4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(WriteConfig(machine, 0, 4, 0, 0x04, 2, 0x0007), kSimStatusSuccess);
    EXPECT_EQ(ReadConfig(machine, 0, 4, 0, 0x04, 2), 0xFFFFu);
    EXPECT_EQ(ReadConfig(machine, 0, 4, 0, 0x3C, 1), 0xFFu);
    EXPECT_EQ(ReadConfigSpace(machine, 0, 4, 0), std::vector<uint8_t>(256, 0xFF));
}

TEST(ConfigWrite, DeviceThatIgnoresTheFunctionNumberAnswersEverywhere)
{
    auto c = MakeConfig(0x10B7, 0x9055, 0x02, 0x00, 0x00);
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:0b.0", c, "@all-functions\n"));
    for (uint32_t function = 0; function < 8; ++function)
        EXPECT_EQ(Probe(machine, 0, 11, function), 0x905510B7u) << "function " << function;
    WriteConfig(machine, 0, 11, 5, 0x3C, 1, 0x0A);
    EXPECT_EQ(ReadConfig(machine, 0, 11, 0, 0x3C, 1), 0x0Au) << "one function behind every number";
}

TEST(BarProbing, FindsTheDeclaredSizeForEachKind)
{
    CSimMachine machine;
    LoadOrFail(machine, EndpointImage());
    EXPECT_EQ(ProbeBarSize(machine, 0, 3, 0, 0), 32u) << "I/O BAR";
    EXPECT_EQ(ProbeBarSize(machine, 0, 3, 0, 1), 4096u) << "32-bit memory BAR";
    EXPECT_EQ(ProbeBarSize(machine, 0, 3, 0, 2), 0x100000u) << "64-bit memory BAR, low half";
    EXPECT_EQ(ProbeBarSize(machine, 0, 3, 0, 4), 0u) << "unimplemented BAR";
    WriteConfig(machine, 0, 3, 0, 0x1C, 4, 0xFFFFFFFF);
    EXPECT_EQ(ReadConfig(machine, 0, 3, 0, 0x1C, 4), 0xFFFFFFFFu) << "upper half of a 1M BAR is all address";
    WriteConfig(machine, 0, 3, 0, 0x30, 4, 0xFFFFFFFE);
    EXPECT_EQ(ReadConfig(machine, 0, 3, 0, 0x30, 4), 0xFFFF0000u) << "64K ROM, disabled by the write";
}

TEST(BarProbing, SixtyFourBitBarsAboveFourGigabytes)
{
    auto c = MakeConfig(0x10DE, 0x1EB8, 0x03, 0x02, 0x00);
    Put32(c, 0x10, 0x0000000C);
    Put32(c, 0x14, 0x00000004);
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:05.0", c, "\tRegion 0: Memory at 400000000 (64-bit, prefetchable) [size=16G]\n"));
    EXPECT_EQ(ProbeBarSize(machine, 0, 5, 0, 0), 0u) << "the low half holds no address bits";
    WriteConfig(machine, 0, 5, 0, 0x14, 4, 0xFFFFFFFF);
    EXPECT_EQ(ReadConfig(machine, 0, 5, 0, 0x14, 4), 0xFFFFFFFCu) << "16G in the upper half";
}

TEST(BarProbing, EveryBarOfTheDefaultMachineProbesToItsImageSize)
{
    CSimMachine machine;
    LoadOrFail(machine, std::string(kDefaultMachineImage, kDefaultMachineImageSize));
    uint32_t probed = 0;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction& f = *machine.GetFunction(i);
        uint32_t bars = f.Layout() == 0 ? 6 : f.Layout() == 1 ? 2 : 0;
        for (uint32_t bar = 0; bar < bars; ++bar) {
            uint8_t kind = f.m_barKind[bar];
            if (kind != kSimBarIo && kind != kSimBarMem32 && kind != kSimBarMem64)
                continue;
            SCOPED_TRACE(testing::Message() << std::hex << int(f.m_bus) << ":" << int(f.m_device) << "."
                                            << int(f.m_function) << " BAR " << bar);
            EXPECT_EQ(ProbeBarSize(machine, f.m_bus, f.m_device, f.m_function, bar), f.m_barSize[bar]);
            ++probed;
        }
    }
    EXPECT_GE(probed, 15u);
}
