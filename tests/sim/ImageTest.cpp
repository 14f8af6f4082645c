// Machine images: the default machine, captures of real machines, and the
// exact errors of malformed images.
#include <gtest/gtest.h>
#include "machines/DefaultMachine.h"
#include "sim/SimFunction.h"
#include "tests/sim/SimTestSupport.h"

namespace {

const char kHost[] = "00:00.0 Host bridge: Intel Corporation 440BX/ZX/DX - 82443BX/ZX/DX Host bridge (rev 03)\n"
                     "00: 86 80 90 71 06 00 10 22 03 00 00 06 00 40 00 00\n";

std::vector<std::string> Addresses(const CSimMachine& machine)
{
    std::vector<std::string> result;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction* f = machine.GetFunction(i);
        char text[16];
        std::snprintf(text, sizeof(text), "%02x:%02x.%x", f->m_bus, f->m_device, f->m_function);
        result.push_back(text);
    }
    return result;
}

const CSimFunction* Find(const CSimMachine& machine, uint32_t bus, uint32_t device, uint32_t function)
{
    return machine.FindFunction(bus, device, function);
}

} // namespace

TEST(Images, DefaultMachineHasEveryRequiredKindOfFunction)
{
    CSimMachine machine;
    LoadOrFail(machine, std::string(kDefaultMachineImage, kDefaultMachineImageSize));
    EXPECT_EQ(Addresses(machine), (std::vector<std::string>{"00:00.0", "00:01.0", "00:07.0", "00:07.1", "00:07.2",
                                                            "00:07.3", "00:0a.0", "00:0a.1", "00:0a.3", "00:0b.0",
                                                            "00:0c.0", "00:0d.0", "01:00.0", "02:00.0", "02:01.0"}));
    EXPECT_EQ(Find(machine, 0, 0, 0)->m_config[0x0B], 0x06) << "host bridge";
    EXPECT_EQ(Find(machine, 0, 1, 0)->m_config[0x19], 1) << "AGP bridge to bus 1";
    EXPECT_EQ(Find(machine, 0, 7, 0)->m_config[0x0E], 0x80) << "multi-function ISA bridge";
    const CSimFunction* ide = Find(machine, 0, 7, 1);
    EXPECT_EQ(ide->m_config[0x09], 0x80);
    EXPECT_EQ(ide->m_barKind[4], kSimBarIo);
    EXPECT_EQ(ide->m_barSize[4], 16u);
    EXPECT_EQ(Probe(machine, 0, 10, 2), 0xFFFFFFFFu) << "functions 0, 1 and 3 only";
    for (uint32_t function = 0; function < 8; ++function)
        EXPECT_EQ(Probe(machine, 0, 11, function), 0x905510B7u) << "answers on function " << function;
    const CSimFunction* scsi = Find(machine, 0, 12, 0);
    EXPECT_EQ(scsi->m_barKind[3], kSimBarMem64);
    EXPECT_NE(scsi->m_config[0x20], 0) << "upper half of a 64-bit BAR";
    EXPECT_EQ(Find(machine, 0, 13, 0)->m_config[0x19], 2) << "bridge to bus 2";
    EXPECT_EQ(Find(machine, 2, 0, 0)->Layout(), 2u) << "CardBus bridge";
    const CSimFunction* nic = Find(machine, 2, 1, 0);
    std::vector<uint8_t> ids;
    for (uint32_t at = nic->m_config[0x34], steps = 0; at && steps < 48; at = nic->m_config[at + 1], ++steps)
        ids.push_back(nic->m_config[at]);
    EXPECT_EQ(ids, (std::vector<uint8_t>{3, 4, 5, 9, 0x10, 1})) << "VPD, slot, MSI, vendor, unknown, then one more";
    EXPECT_EQ(nic->m_config[0x52] & 0x80, 0x80) << "64-bit MSI";
}

TEST(Images, CapturesOfRealMachinesLoad)
{
    struct CCapture
    {
        const char* m_file;
        uint32_t m_functions;
        const char* m_notes;
        std::vector<uint16_t> m_segments; // as 809h lists them
    };
    for (const CCapture& capture : {CCapture{"vm-lspci-vvv-xxx.txt", 6, "", {0}},
                                    CCapture{"vm-lspci-D-vvv-xxxx.txt", 6, "", {0}},
                                    CCapture{"two-domains-lspci-D-vvv-xxx.txt", 6, "", {0, 1}},
                                    CCapture{"three-segments.txt", 8, "", {0, 1, 0x10}}}) {
        SCOPED_TRACE(capture.m_file);
        CSimMachine machine;
        LoadOrFail(machine, ReadTextFile(std::string(BRISCO_TEST_DATA) + "/" + capture.m_file));
        EXPECT_EQ(machine.GetFunctionCount(), capture.m_functions);
        EXPECT_STREQ(machine.GetLoadNotes(), capture.m_notes);
        EXPECT_EQ(DescribedSegments(machine), capture.m_segments);
    }
}

TEST(Images, RegionLinesGiveBarSizes)
{
    CSimMachine machine;
    LoadOrFail(machine, ReadTextFile(std::string(BRISCO_TEST_DATA) + "/two-domains-lspci-D-vvv-xxx.txt"));
    const CSimFunction* nic = Find(machine, 1, 0, 0);
    ASSERT_NE(nic, nullptr);
    EXPECT_EQ(nic->m_barSize[0], 512u * 1024);
    EXPECT_EQ(nic->m_barSize[2], 32u);
    EXPECT_EQ(nic->m_barSize[3], 16u * 1024);
    EXPECT_EQ(nic->m_barSize[kSimRomSlot], 512u * 1024);
    EXPECT_EQ(ProbeBarSize(machine, 1, 0, 0, 0), 512u * 1024);
    EXPECT_EQ(Find(machine, 2, 0, 0)->m_barKind[3], kSimBarNone) << "unassigned region without size";
}

TEST(Images, RegionLinesNoBarCanHoldBecomeNotes)
{
    // lspci shows the fixed legacy ports of an IDE controller in compatibility mode as Regions.
    struct CCase
    {
        const char* m_what;
        uint32_t m_bar0;
        uint32_t m_bar1;
        const char* m_regions;
        const char* m_notes;
        uint8_t m_kind1;
        uint64_t m_size1;
    };
    const CCase cases[] = {
        {"registers 0: the ports are no BARs", 0, 0,
         "\tRegion 0: I/O ports at 01f0 [size=8]\n\tRegion 1: I/O ports at 03f4 [size=1]\n",
         "line 2: size 8 of BAR 0 is below the smallest size of its kind; the Region line is ignored\n"
         "line 3: size 1 of BAR 1 is below the smallest size of its kind; the Region line is ignored",
         kSimBarNone, 0},
        {"an I/O BAR at 3f4 gets the default size", 0x1F1, 0x3F5, "\tRegion 1: I/O ports at 03f4 [size=1]\n",
         "line 2: size 1 of BAR 1 is below the smallest size of its kind; the Region line is ignored", kSimBarIo, 4},
        {"the upper half of a 64-bit BAR", 0xF0000004, 0, "\tRegion 1: I/O ports at 03f4 [size=1]\n",
         "line 2: a size was given for BAR 1, which is not a BAR of its own (beyond the header type's BARs or the "
         "upper half of a 64-bit BAR); the Region line is ignored",
         kSimBarUpperHalf, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.m_what);
        auto config = MakeConfig(0x8086, 0x7111, 0x01, 0x01, 0x00);
        config[0x09] = 0x80;
        Put32(config, 0x10, c.m_bar0);
        Put32(config, 0x14, c.m_bar1);
        Put32(config, 0x20, 0xF001);
        std::string dump = DumpFunction("00:07.1", config);
        const size_t firstHexLine = dump.find('\n') + 1;
        dump.insert(firstHexLine, std::string(c.m_regions) + "\tRegion 4: I/O ports at f000 [size=16]\n");
        CSimMachine machine;
        LoadOrFail(machine, dump);
        EXPECT_STREQ(machine.GetLoadNotes(), c.m_notes);
        const CSimFunction* ide = machine.GetFunction(0);
        EXPECT_EQ(ide->m_barKind[1], c.m_kind1);
        if (c.m_size1) {
            EXPECT_EQ(ProbeBarSize(machine, 0, 7, 1, 1), c.m_size1);
        }
        EXPECT_EQ(ProbeBarSize(machine, 0, 7, 1, 4), 16u) << "a Region line the BAR holds still sizes it";
    }
}

TEST(Images, DefaultSizeRuleUsesTheBaseAlignmentCapped)
{
    auto c = MakeConfig(0x1234, 0x5678, 0x02, 0x00, 0x00);
    Put32(c, 0x10, 0xFEBF0000); // aligned to 64K: capped at 4K
    Put32(c, 0x14, 0x000001F1); // I/O at 1F0: 16
    Put32(c, 0x18, 0x00000001); // I/O at 0: the cap, 256
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:01.0", c));
    EXPECT_EQ(ProbeBarSize(machine, 0, 1, 0, 0), 4096u);
    EXPECT_EQ(ProbeBarSize(machine, 0, 1, 0, 1), 16u);
    EXPECT_EQ(ProbeBarSize(machine, 0, 1, 0, 2), 256u);
}

TEST(Images, AcceptedVariations)
{
    CSimMachine machine;
    LoadOrFail(machine, "# a comment\r\n\r\n00:00.0 Host bridge\r\n00: 86 80 90 71\r\n");
    EXPECT_EQ(Probe(machine, 0, 0, 0), 0x71908086u) << "CRLF line ends, short hex line";
    LoadOrFail(machine, std::string(kHost) + "100: 01 00 01 00\nff0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01\n");
    EXPECT_EQ(machine.GetFunction(0)->m_config[0xFFF], 1) << "extended bytes are kept";
    EXPECT_EQ(machine.GetFunction(0)->SpaceSize(), 256u) << "but not served without a PCI Express capability";
    LoadOrFail(machine, "\xEF\xBB\xBF" "00:00.0 Host bridge\n00: 86 80 90 71\n");
    EXPECT_EQ(Probe(machine, 0, 0, 0), 0x71908086u) << "UTF-8 byte-order mark";
    LoadOrFail(machine, "0000:00:00.0 Host bridge\n00: 86 80 90 71\n");
    EXPECT_EQ(Probe(machine, 0, 0, 0), 0x71908086u) << "domain 0000 prefix";
    LoadOrFail(machine, "0001:00:00.0 Host bridge\n00: 86 80 90 71\n10000:00:00.0 x\n00: 86 80 91 71\n");
    EXPECT_EQ(Probe(machine, MakeBusField(1, 0), 0, 0), 0x71908086u) << "another segment";
    EXPECT_EQ(Send(machine, IOCTL_PROBE_FUNCTION, AddressInput(0, 0, 0, kProbeInSize), kProbeOutSize).m_status,
              kSimStatusInvalidParameter)
        << "segment 0 holds nothing, so it is not served";
    EXPECT_STREQ(machine.GetLoadNotes(), "left out PCI domain 10000 (requests name segments 0000..FFFF only)");
    LoadOrFail(machine, std::string(kHost) + "@range 0 0 text \"\\x41\\\\\\\"\"\n@bar 0 size 1K\n"
                        "10: 00 00 00 fe\n");
    EXPECT_EQ(ReadDevice(machine, 1, 0xFE000000, 1, 3).m_out, (std::vector<uint8_t>{'A', '\\', '"'}));
}

TEST(Images, MalformedImagesNameFileLineAndWhatWasExpected)
{
    struct CBadImage
    {
        std::string m_text;
        std::string m_error;
    };
    const std::string h = kHost; // two lines
    const std::vector<CBadImage> cases = {
        {"", "bad.txt:0: expected at least one function header \"BB:DD.F ...\"; the image has none"},
        {"# only a comment\n", "bad.txt:1: expected at least one function header \"BB:DD.F ...\"; the image has none"},
        {"00: 86 80\n", "bad.txt:1: hex line before any function header \"BB:DD.F ...\""},
        {"hello\n", "bad.txt:1: expected a function header \"BB:DD.F ...\" or \"DDDD:BB:DD.F ...\", a hex line "
                    "\"XX: hh hh ...\", an annotation \"@...\" or a comment \"# ...\""},
        {"00:20.0 x\n", "bad.txt:1: expected a device number 00..1F in the header"},
        {"00:00.8 x\n", "bad.txt:1: expected a function number 0..7 after the device number in the header"},
        {"000:00.0 x\n", "bad.txt:1: expected a function header \"BB:DD.F ...\" or \"DDDD:BB:DD.F ...\", a hex line "
                         "\"XX: hh hh ...\", an annotation \"@...\" or a comment \"# ...\""},
        {h + h, "bad.txt:3: expected each function once; this one already appeared at line 1"},
        {h + "08: 00\n", "bad.txt:3: expected a hex line offset that is a multiple of 10h"},
        {h + "10: 0 1\n", "bad.txt:3: expected 1 to 16 bytes of two hex digits after the offset"},
        {h + "10: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
         "bad.txt:3: expected 1 to 16 bytes of two hex digits after the offset"},
        {h + "10: zz\n", "bad.txt:3: expected 1 to 16 bytes of two hex digits after the offset"},
        {h + "\tRegion 0: Memory at e0000000 (32-bit, prefetchable) [size=64Q]\n",
         "bad.txt:3: expected a size like \"[size=64K]\" in the line"},
        {h + "\tRegion 7: Memory at e0000000 [size=4K]\n", "bad.txt:3: expected a region number 0..5"},
        {h + "10: 00 00 00 e0\n@bar 0 size 3K\n",
         "bad.txt:4: size 3072 of BAR 0 is not a power of two"},
        {h + "10: 00 10 00 e0\n@bar 0 size 64K\n", "bad.txt:4: size 65536 of BAR 0 does not align with the base E0001000"},
        {h + "10: 01 e0 00 00\n@bar 0 size 128K\n", "bad.txt:4: size 131072 of BAR 0 is above the largest size of its kind"},
        {h + "10: 00 00 00 e0\n@bar 0 size 8\n", "bad.txt:4: size 8 of BAR 0 is below the smallest size of its kind"},
        {h + "10: 04 00 00 e0\n@bar 1 size 4K\n", "bad.txt:4: a size was given for BAR 1, which is not a BAR of its own (beyond the "
                                 "header type's BARs or the upper half of a 64-bit BAR)"},
        {h + "@bar 6 size 4K\n", "bad.txt:3: expected a BAR number 0..5 after \"@bar\""},
        {h + "@bar 0 4K\n", "bad.txt:3: expected \"size\" and a size like 4K, 16M or 256"},
        {h + "@bar 0 size 4K extra\n", "bad.txt:3: expected the end of the line after the size"},
        {h + "@frobnicate\n", "bad.txt:3: expected an annotation \"@bar\", \"@rom\", \"@range\", \"@config\", "
                              "\"@registry\" or \"@all-functions\""},
        {"@bar 0 size 4K\n", "bad.txt:1: \"@bar\" before any function header \"BB:DD.F ...\""},
        {h + "@range 0 0 bytes 01\n", "bad.txt:3: expected a BAR that the function implements (the BAR register is 0 "
                                      "or the upper half of a 64-bit BAR)"},
        {h + "10: 00 00 00 e0\n@bar 0 size 16\n@range 0 c bytes 01 02 03 04 05\n",
         "bad.txt:5: expected the bytes to lie within the BAR's 16 bytes"},
        {h + "@range 0 0 blob 01\n", "bad.txt:3: expected \"bytes\", \"text\" or \"mask\" after the offset"},
        {h + "@range 0 0 text \"open\n", "bad.txt:3: expected a quoted text of at most 1024 bytes (escapes \\\\ \\\" "
                                         "\\n \\r \\t \\0 \\xHH)"},
        {h + "@range x 0 bytes 01\n", "bad.txt:3: expected a BAR number 0..5 or \"rom\" after \"@range\""},
        {h + "@config 1000 mask ff\n", "bad.txt:3: expected a hexadecimal register offset 000..FFF after \"@config\""},
        {h + "@config ffe mask ff ff ff\n", "bad.txt:3: expected the masks to end at offset FFF or before"},
        {h + "@config 40 keep ff\n", "bad.txt:3: expected \"mask\" or \"w1c\" after the offset"},
        {h + "@registry maybe\n", "bad.txt:3: expected \"none\", \"nocontrol\", \"instance NAME\" or \"extra NAME "
                                  "[at BB:DD.F] [nocontrol]\""},
        {h + "@registry extra one at 0:1.2\n", "bad.txt:3: expected a location \"BB:DD.F\" after \"at\""},
        {h + "@registry instance a\\b\n",
         "bad.txt:3: expected an instance name of 1 to 63 printable characters without \\"},
        {h + "00:00.1 x\n@all-functions\n", "bad.txt:4: expected \"@all-functions\" only on function 0 of a device"},
        {h + "@registry instance same\n00:01.0 x\n00: 86 80 90 71 00 00 00 00 03\n@registry instance same\n",
         "bad.txt:4: expected a distinct instance name for this function; its device key already has the instance same"},
        {std::string("\xFF\xFE" "0\0" "0\0", 6),
         "bad.txt:1: expected ASCII or UTF-8 text; this image is UTF-16 (save it as ASCII or UTF-8)"},
        {"10000:00:00.0 Host bridge\n00: 86 80 90 71\n",
         "bad.txt:2: expected at least one function in PCI segments 0000..FFFF; the image has only other domains"},
        {h + "0000:00:00.0 x\n", "bad.txt:3: expected each function once; this one already appeared at line 1"},
    };
    for (const CBadImage& c : cases) {
        SCOPED_TRACE(c.m_text);
        CSimMachine machine;
        EXPECT_EQ(LoadError(machine, c.m_text, "bad.txt"), c.m_error);
    }
}

TEST(Images, FailedLoadKeepsTheServedMachine)
{
    CSimMachine machine;
    LoadOrFail(machine, std::string(kDefaultMachineImage, kDefaultMachineImageSize));
    WriteConfig(machine, 0, 7, 2, 0x3C, 1, 0x05);
    std::string broken = std::string(kHost) + "00:01.0 ok\n00: 86 80 91 71\n@bar 0 size 3\n";
    EXPECT_NE(LoadError(machine, broken), "(loaded)");
    EXPECT_EQ(machine.GetFunctionCount(), 15u);
    EXPECT_EQ(ReadConfig(machine, 0, 7, 2, 0x3C, 1), 0x05u) << "state of the served machine kept";
}

TEST(Images, LargeMachineHasManyBusesBehindBridges)
{
    CSimMachine machine;
    LoadOrFail(machine, ReadTextFile(std::string(BRISCO_MACHINES) + "/large.txt"));
    EXPECT_GE(machine.GetFunctionCount(), 200u);
    std::vector<bool> buses(256);
    uint32_t busCount = 0;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i)
        if (!buses[machine.GetFunction(i)->m_bus]) {
            buses[machine.GetFunction(i)->m_bus] = true;
            ++busCount;
        }
    EXPECT_GE(busCount, 32u);
}
