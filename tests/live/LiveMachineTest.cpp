// The live machine against fake sysfs and procfs trees made from machine images
// in the test's own folder: what it reads, lists, sizes, publishes, refuses and
// writes. Nothing here touches the hardware of the machine the tests run on.
#include "tests/live/FakePciTree.h"
#include "tests/sim/SimTestSupport.h"

#include "live/LiveFilesPosix.h"
#include "live/LiveMachine.h"
#include "live/LiveWritePolicy.h"
#include "sim/SimFunction.h"

#include "pci/Bar.h"
#include "pci/Capability.h"
#include "pci/CommandStatus.h"
#include "pci/ExpressCapability.h"
#include "pci/ExtendedCapability.h"
#include "pci/RegisterLocator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string DefaultImage()
{
    return ReadTextFile(BRISCO_MACHINES "/default.txt");
}

std::string ThreeSegmentImage()
{
    return ReadTextFile(BRISCO_TEST_DATA "/three-segments.txt");
}

// One tree per test, in the test's own folder, and a live machine over it.
class LiveMachineTest : public testing::Test {
protected:
    void MakeTree(const CFakeTreeOptions& options = {}, const std::string& image = DefaultImage())
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_root = std::string(BRISCO_LIVE_TEST_FOLDER) + "/" + info->test_suite_name() + "." + info->name();
        ASSERT_EQ(MakeFakePciTree(image, m_root, options), "");
        m_model = std::make_unique<CSimMachine>();
        LoadOrFail(*m_model, image);
    }

    // Starts a live machine over the tree; "" or the start's message.
    std::string Start(bool writes = false)
    {
        m_files = std::make_unique<CLiveFilesPosix>(m_root);
        m_live = std::make_unique<CLiveMachine>(m_files.get(), writes);
        char message[256] = {};
        return m_live->Start(message, sizeof(message)) ? "" : message;
    }

    std::string Folder(uint32_t bus, uint32_t device, uint32_t function) const
    {
        return FakeFunctionFolder(m_root, bus, device, function);
    }

    std::vector<uint8_t> FileBytes(const std::string& path) const
    {
        std::ifstream file(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string m_root;
    std::unique_ptr<CSimMachine> m_model;
    std::unique_ptr<CLiveFilesPosix> m_files;
    std::unique_ptr<CLiveMachine> m_live;
};

TEST_F(LiveMachineTest, ServesWhatLinuxListsThroughSysfsOrProcfs)
{
    struct Case
    {
        const char* name;
        bool sysfs;
        std::string image;
    };
    for (const Case& c : {Case{"sysfs", true, DefaultImage()}, Case{"procfs only", false, DefaultImage()},
                          Case{"three segments", true, ThreeSegmentImage()}}) {
        SCOPED_TRACE(c.name);
        MakeTree({c.sysfs, true}, c.image);
        ASSERT_EQ(Start(), "");
        ASSERT_EQ(m_live->GetFunctionCount(), m_model->GetFunctionCount());
        EXPECT_EQ(DescribedSegments(*m_live), DescribedSegments(*m_model));
        for (uint32_t i = 0; i < m_model->GetFunctionCount(); ++i) {
            const CSimFunction& f = *m_model->GetFunction(i);
            SCOPED_TRACE(testing::Message() << "function " << std::hex << f.Key());
            const uint32_t bus = MakeBusField(f.m_segment, f.m_bus);
            EXPECT_EQ(Probe(*m_live, bus, f.m_device, f.m_function), Probe(*m_model, bus, f.m_device, f.m_function));
            EXPECT_EQ(ReadConfigSpace(*m_live, bus, f.m_device, f.m_function),
                      ReadConfigSpace(*m_model, bus, f.m_device, f.m_function));
            EXPECT_EQ(ReadConfig(*m_live, bus, f.m_device, f.m_function, 0x0A, 2),
                      ReadConfig(*m_model, bus, f.m_device, f.m_function, 0x0A, 2));
            const std::vector<uint8_t> address = AddressInput(bus, f.m_device, f.m_function, 12);
            EXPECT_EQ(Send(*m_live, IOCTL_READ_EXTENDED_CONFIG_SPACE, address, 4096).m_out,
                      Send(*m_model, IOCTL_READ_EXTENDED_CONFIG_SPACE, address, 4096).m_out)
                << "the whole space, 4 KiB where Linux shows it";
            for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
                const bool assigned = f.SlotBase(slot) != 0 && f.m_barKind[slot] != kSimBarUpperHalf;
                EXPECT_EQ(m_live->GetFunction(i).barSize[slot], assigned ? f.m_barSize[slot] : 0) << "slot " << slot;
            }
        }
        if (c.image != DefaultImage())
            continue;
        // A device the image answers at every function is listed by Linux at function 0 only.
        EXPECT_EQ(Probe(*m_live, 0, 0x0B, 1), 0xFFFFFFFFu);
        EXPECT_EQ(ReadConfigSpace(*m_live, 5, 0, 0), std::vector<uint8_t>(256, 0xFF));
    }
}

TEST_F(LiveMachineTest, RecordsAreTheOnesAnImageOfTheSameMachineGives)
{
    MakeTree();
    ASSERT_EQ(Start(), "");
    // The image's own annotations aside (no record, no Control key, extra instances), every record matches.
    int compared = 0;
    for (uint32_t i = 0; i < m_live->GetRegistryRecordCount(); ++i) {
        CSimRegistryRecord live = {};
        ASSERT_TRUE(m_live->GetRegistryRecord(i, &live));
        SCOPED_TRACE(std::string(live.deviceKey) + "\\" + live.instance);
        EXPECT_TRUE(live.hasControl);
        for (uint32_t j = 0; j < m_model->GetRegistryRecordCount(); ++j) {
            CSimRegistryRecord model = {};
            m_model->GetRegistryRecord(j, &model);
            if (std::string(model.deviceKey) == live.deviceKey && std::string(model.instance) == live.instance &&
                model.hasControl) {
                EXPECT_STREQ(live.location, model.location);
                EXPECT_EQ(std::vector<uint8_t>(live.allocConfig, live.allocConfig + live.allocConfigLength),
                          std::vector<uint8_t>(model.allocConfig, model.allocConfig + model.allocConfigLength));
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 10);
}

TEST_F(LiveMachineTest, OtherUsersSeeSixtyFourBytesAndNothingIsMadeUpForTheRest)
{
    MakeTree({true, false, 64});
    ASSERT_EQ(Start(), "");
    EXPECT_EQ(Probe(*m_live, 0, 7, 1), 0x71118086u);
    EXPECT_EQ(ReadConfig(*m_live, 0, 7, 1, 0x3C, 4), ReadConfig(*m_model, 0, 7, 1, 0x3C, 4));
    std::vector<uint8_t> in = AddressInput(0, 7, 1, kReadConfigInSize);
    pci::PutLe32(in.data() + kRegOffsetOffset, 0x40);
    in[kRegSizeOffset] = 4;
    EXPECT_EQ(Send(*m_live, IOCTL_READ_CONFIG, in, kReadConfigOutSize).m_status, kSimStatusDeviceNotReady);
    EXPECT_EQ(Send(*m_live, IOCTL_READ_CONFIG_SPACE, AddressInput(0, 7, 1, 12), 256).m_status, kSimStatusDeviceNotReady);
    // With writes on, bytes past the 64 are not written: what they hold cannot be judged.
    ASSERT_EQ(Start(true), "");
    EXPECT_EQ(WriteConfig(*m_live, 0, 7, 1, 0x40, 4, 0), kSimStatusDeviceNotReady);
}

TEST_F(LiveMachineTest, ResourceLinesGiveSizesOnlyWhenTheyDescribeTheBar)
{
    // 00:07.2 has an I/O BAR 4 at E000h of 32 bytes; 00:0b.0 a memory BAR 1.
    struct Case
    {
        const char* name;
        const char* text;
        uint64_t size;
    };
    const std::string four = "0x0 0x0 0x0\n0x0 0x0 0x0\n0x0 0x0 0x0\n0x0 0x0 0x0\n";
    const Case cases[] = {
        {"as Linux writes it", "0x000000000000e000 0x000000000000e01f 0x0000000000040101\n", 32},
        {"no file", nullptr, 0},
        {"empty file", "", 0},
        {"line missing", "", 0},
        {"not numbers", "start end flags\n", 0},
        {"a fourth column", "0xe000 0xe01f 0x101 0x0\n", 0},
        {"end before start", "0xe01f 0xe000 0x101\n", 0},
        {"fixed legacy ports elsewhere", "0x1f0 0x1f7 0x101\n", 0},
        {"not a power of two", "0xe000 0xe017 0x101\n", 0},
        {"memory where the register says I/O", "0xe000 0xe01f 0x200\n", 0},
    };
    MakeTree();
    const std::string resource = Folder(0, 7, 2) + "/resource";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(resource);
        if (c.text)
            std::ofstream(resource) << (std::string(c.name) == "line missing" ? "0x0 0x0 0x0\n" : four + c.text);
        ASSERT_EQ(Start(), "");
        uint32_t index = 0;
        while (m_live->GetFunction(index).key != pci::RoutingId(0, 7, 2))
            ++index;
        EXPECT_EQ(m_live->GetFunction(index).barSize[4], c.size);
    }
}

TEST_F(LiveMachineTest, FunctionsAppearAndVanishBetweenScans)
{
    MakeTree();
    ASSERT_EQ(Start(), "");
    const uint32_t ids = Probe(*m_live, 0, 7, 2);
    ASSERT_NE(ids, 0xFFFFFFFFu);
    fs::rename(Folder(0, 7, 2), Folder(0, 0x1F, 0));
    EXPECT_EQ(Probe(*m_live, 0, 7, 2), 0xFFFFFFFFu);
    EXPECT_EQ(Probe(*m_live, 0, 0x1F, 0), ids);
    EXPECT_EQ(ReadConfig(*m_live, 0, 0x1F, 0, 0, 4), ids);
}

TEST_F(LiveMachineTest, ListingsServeEveryDomainAndSayWhatWasLeftOut)
{
    MakeTree();
    fs::create_directories(m_root + "/sys/bus/pci/devices/10000:00:00.0");
    fs::create_directories(m_root + "/sys/bus/pci/devices/not-a-function");
    ASSERT_EQ(Start(), "");
    EXPECT_EQ(m_live->GetFunctionCount(), m_model->GetFunctionCount());
    EXPECT_NE(std::string(m_live->GetLoadNotes()).find("domain 10000 left out"), std::string::npos)
        << m_live->GetLoadNotes();

    // procfs names no domain: without sysfs, segment 0 alone is served.
    MakeTree({false, true}, ThreeSegmentImage());
    ASSERT_EQ(Start(), "");
    EXPECT_EQ(DescribedSegments(*m_live), std::vector<uint16_t>{0});
    EXPECT_EQ(Send(*m_live, IOCTL_PROBE_FUNCTION, AddressInput(MakeBusField(1, 0), 0, 0, kProbeInSize), kProbeOutSize)
                  .m_status,
              kSimStatusInvalidParameter);

    fs::remove_all(m_root + "/sys");
    fs::remove_all(m_root + "/proc");
    EXPECT_NE(Start().find("Linux lists no PCI functions here"), std::string::npos);

    // A procfs bus/devfn column past 16 bits is no function, though its low half names 00:1f.0.
    MakeTree({false, true});
    std::ofstream(m_root + "/proc/bus/pci/devices", std::ios::app) << "1000000f8\t80861234\t0\n";
    ASSERT_EQ(Start(), "");
    EXPECT_EQ(m_live->GetFunctionCount(), m_model->GetFunctionCount());
}

TEST_F(LiveMachineTest, WritesAreRefusedUnlessAllowedAndThenOnlyHarmlessOnesPass)
{
    // 00:0b.0: a device with BARs and a ROM; 00:01.0 and 00:0d.0: PCI-to-PCI bridges; 02:00.0: CardBus.
    struct Case
    {
        const char* name;
        uint32_t key;
        uint32_t offset;
        uint8_t size;
        uint32_t value; // xor-ed into the current value
        bool allowed;
    };
    const Case cases[] = {
        {"latency timer", pci::RoutingId(0, 0x0B, 0), pci::kLatencyTimerOffset, 1, 0x20, true},
        {"device-specific dword", pci::RoutingId(0, 0x0B, 0), 0x40, 4, 0x01010101, true},
        {"SERR enable", pci::RoutingId(0, 0x0B, 0), pci::kCommandOffset, 2, pci::kCommandSerrEnable, true},
        {"memory decode", pci::RoutingId(0, 0x0B, 0), pci::kCommandOffset, 1, pci::kCommandMemorySpace, false},
        {"bus master in a dword", pci::RoutingId(0, 0x0B, 0), pci::kCommandOffset, 4, pci::kCommandBusMaster, false},
        {"BAR probe", pci::RoutingId(0, 0x0B, 0), pci::BarOffset(1), 4, 0xFFFFFFFF, false},
        {"last BAR byte", pci::RoutingId(0, 0x0B, 0), pci::BarOffset(5) + 3, 1, 1, false},
        {"expansion ROM", pci::RoutingId(0, 0x0B, 0), pci::kExpansionRomOffset, 4, 1, false},
        {"bridge secondary bus", pci::RoutingId(0, 0x0D, 0), pci::kSecondaryBusOffset, 1, 1, false},
        {"bridge I/O window", pci::RoutingId(0, 0x0D, 0), pci::kIoBaseOffset, 2, 0x1010, false},
        {"bridge memory window", pci::RoutingId(0, 0x0D, 0), pci::kMemoryLimitOffset, 2, 0x10, false},
        {"bridge secondary latency", pci::RoutingId(0, 0x0D, 0), pci::kSecondaryLatencyTimerOffset, 1, 8, true},
        {"bridge ROM", pci::RoutingId(0, 0x01, 0), pci::kBridgeExpansionRomOffset, 4, 1, false},
        {"CardBus window", pci::RoutingId(2, 0, 0), pci::kCardBusIoWindowsOffset, 4, 0x100, false},
        {"CardBus subordinate bus", pci::RoutingId(2, 0, 0), pci::kSubordinateBusOffset, 1, 1, false},
    };
    MakeTree();
    for (bool writes : {false, true}) {
        ASSERT_EQ(Start(writes), "");
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (writes ? ", writes on" : ", writes off"));
            const uint32_t bus = pci::RoutingIdBus(c.key), device = pci::RoutingIdDevice(c.key),
                           function = pci::RoutingIdFunction(c.key);
            const std::string config = Folder(bus, device, function) + "/config";
            const std::vector<uint8_t> before = FileBytes(config);
            const uint32_t value = ReadConfig(*m_live, bus, device, function, c.offset, c.size) ^ c.value;
            const bool passes = writes && c.allowed;
            EXPECT_EQ(WriteConfig(*m_live, bus, device, function, c.offset, c.size, value),
                      passes ? kSimStatusSuccess : writes ? kSimStatusAccessDenied : kSimStatusWriteProtected);
            EXPECT_EQ(ReadConfig(*m_live, bus, device, function, c.offset, c.size), passes ? value : value ^ c.value);
            EXPECT_EQ(FileBytes(config) == before, !passes);
        }
        // A function Linux does not list is never written, not even as a new file.
        EXPECT_EQ(WriteConfig(*m_live, 0, 0x1E, 0, pci::kLatencyTimerOffset, 1, 0),
                  writes ? kSimStatusDeviceNotReady : kSimStatusWriteProtected);
        EXPECT_FALSE(fs::exists(Folder(0, 0x1E, 0)));
        // The program learns from the driver which of these answers to expect.
        const CRequestResult source = Send(*m_live, IOCTL_DESCRIBE_SOURCE, {}, SourceAnswerSize(1));
        ASSERT_EQ(source.m_status, kSimStatusSuccess);
        EXPECT_EQ(pci::GetLe32(&source.m_out[kSourceKindOffset]), kSourceKindLive);
        EXPECT_EQ(pci::GetLe32(&source.m_out[kSourceFlagsOffset]), writes ? kSourceConfigWritesAllowed : 0);
    }
}

TEST_F(LiveMachineTest, RangesReadOnlyThroughIoResourceFilesAndNeverTakeWrites)
{
    MakeTree();
    // 00:07.2's BAR 4: I/O ports E000h..E01Fh.
    std::ofstream(Folder(0, 7, 2) + "/resource4", std::ios::binary) << "0123456789abcdefghijklmnopqrstuv";
    ASSERT_EQ(Start(true), "");
    CRequestResult io = ReadDevice(*m_live, kSpaceIo, 0xE004, 2, 2);
    EXPECT_EQ(io.m_status, kSimStatusSuccess);
    EXPECT_EQ(std::string(io.m_out.begin(), io.m_out.end()), "4567");

    EXPECT_EQ(ReadDeviceWide(*m_live, kSpaceIo, 0xE004, 2, 2).m_out, io.m_out);

    struct Case
    {
        const char* name;
        uint8_t space;
        uint64_t address;
        uint32_t count;
    };
    const Case refused[] = {
        {"memory BAR", kSpaceMemory, m_model->FindFunction(0, 0x0B, 0)->SlotBase(1), 4},
        {"past the I/O BAR's end", kSpaceIo, 0xE01C, 8},
        {"I/O BAR without a resource file", kSpaceIo, 0xF000, 1},
        {"no BAR at all", kSpaceIo, 0x0CF8, 1},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadDevice(*m_live, c.space, uint32_t(c.address), 1, c.count).m_status, kSimStatusNotSupported);
        EXPECT_EQ(ReadDeviceWide(*m_live, c.space, c.address, 1, c.count).m_status, kSimStatusNotSupported);
    }
    EXPECT_EQ(ReadDeviceWide(*m_live, kSpaceMemory, 0x4000000000ull, 4, 1).m_status, kSimStatusNotSupported);
    EXPECT_EQ(WriteDevice(*m_live, kSpaceIo, 0xE000, 1, {0x55}), kSimStatusAccessDenied);
    EXPECT_EQ(WriteDeviceWide(*m_live, kSpaceIo, 0xE000, 1, {0x55}), kSimStatusAccessDenied);
    EXPECT_EQ(FileBytes(Folder(0, 7, 2) + "/resource4")[0], '0');
}

TEST_F(LiveMachineTest, FixedSizeInputsAreTakenAtTheirExactLengthOnly)
{
    MakeTree();
    ASSERT_EQ(Start(), "");
    std::vector<uint8_t> reg = AddressInput(0, 7, 1, kWriteConfigInSize);
    reg[kRegSizeOffset] = 4;
    struct Case
    {
        const char* name;
        uint32_t code;
        std::vector<uint8_t> in;
        uint32_t outLength;
        uint32_t status; // at the exact length
    };
    const Case cases[] = {
        {"write register, writes off", IOCTL_WRITE_CONFIG, reg, 0, kSimStatusWriteProtected},
        {"read register", IOCTL_READ_CONFIG, {reg.begin(), reg.begin() + kReadConfigInSize}, kReadConfigOutSize,
         kSimStatusSuccess},
        {"memory range", IOCTL_READ_DEVICE, RangeInput(kSpaceMemory, 0, 1, 1), 1, kSimStatusNotSupported},
        {"wide memory range", IOCTL_READ_DEVICE_WIDE, WideRangeInput(kSpaceMemory, 0, 1, 1), 1, kSimStatusNotSupported},
        {"whole space", IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 7, 1, kReadExtendedConfigSpaceInSize),
         kExtendedConfigSpaceSize, kSimStatusSuccess},
    };
    for (const Case& c : cases) {
        for (const size_t length : {c.in.size() - 1, c.in.size(), c.in.size() + 1}) {
            std::vector<uint8_t> in = c.in;
            in.resize(length);
            EXPECT_EQ(Send(*m_live, c.code, in, c.outLength).m_status,
                      length == c.in.size() ? c.status : kSimStatusInvalidParameter)
                << c.name << ", input of " << length;
        }
    }
}

TEST(LiveWritePolicy, UnknownHeaderLayoutsKeepTheirWholeHeader)
{
    uint8_t header[64] = {};
    header[pci::kHeaderTypeOffset] = 0x7F;
    EXPECT_FALSE(LiveWriteAllowed(header, sizeof header, 0x20, 4, 0));
    EXPECT_TRUE(LiveWriteAllowed(header, sizeof header, pci::kCacheLineSizeOffset, 1, 0x10));
    // Past the 64 bytes another user sees, nothing is known: no write goes there.
    EXPECT_FALSE(LiveWriteAllowed(header, sizeof header, 0x40, 4, 0));
}

// A function whose capability lists hold every register that resets, powers down, hides or
// moves it: power management at 40h, PCI Express at 50h, enhanced allocation at 90h (two
// entries), SR-IOV at 100h, resizable BAR at 200h (two entries), a list ending in a loop.
std::vector<uint8_t> GuardedSpace(uint8_t layout)
{
    std::vector<uint8_t> s(pci::kExtendedConfigSpaceBytes);
    s[pci::kHeaderTypeOffset] = layout;
    pci::PutLe16(&s[pci::kStatusOffset], pci::kStatusCapabilityList);
    s[pci::kCapabilitiesPointerOffset] = 0x40;
    auto cap = [&s](uint32_t at, uint8_t id, uint8_t next) {
        s[at + pci::kCapabilityIdOffset] = id;
        s[at + pci::kCapabilityNextOffset] = next;
    };
    cap(0x40, pci::kCapPowerManagement, 0x50);
    cap(0x50, pci::kCapPciExpress, 0x90);
    cap(0x90, pci::kCapEnhancedAllocation, 0x40);
    s[0x90 + pci::kEaEntryCountOffset] = 2;
    pci::PutLe32(&s[0x94], 2); // an entry of base and limit
    pci::PutLe32(&s[0xA0], 4); // one with both upper halves
    pci::PutLe32(&s[0x100], pci::kExtCapSriov | (0x200u << pci::kExtCapNextShift));
    pci::PutLe32(&s[0x200], pci::kExtCapResizableBar | (0x100u << pci::kExtCapNextShift));
    pci::PutLe32(&s[0x208], 2u << pci::kRebarCountShift);
    return s;
}

TEST(LiveWritePolicy, RegistersThatResetHideOrMoveAFunctionAreRefusedByName)
{
    struct Case
    {
        const char* name;
        uint8_t layout;
        uint32_t offset;
        uint8_t size;
        uint32_t value;   // written over the zeros of GuardedSpace
        const char* why;  // nullptr: the write passes
    };
    const Case cases[] = {
        {"secondary bus reset", 1, pci::kBridgeControlOffset, 2, pci::kBridgeControlSecondaryBusReset,
         "Bridge Control: Secondary Bus Reset"},
        {"VGA enable in the dword", 1, 0x3C, 4, uint32_t(pci::kBridgeControlVgaEnable) << 16,
         "Bridge Control: VGA Enable"},
        {"CardBus reset", 2, pci::kBridgeControlOffset, 1, pci::kBridgeControlSecondaryBusReset,
         "Bridge Control: Secondary Bus Reset"},
        {"other bridge control bits", 1, pci::kBridgeControlOffset, 2, 0x0003, nullptr},
        {"bridge control of a device", 0, pci::kBridgeControlOffset, 1, pci::kBridgeControlSecondaryBusReset, nullptr},
        {"power state D3hot", 0, 0x40 + pci::kPmControlStatusOffset, 2, 3, "Power Management Control/Status: Power State"},
        {"PME enable", 0, 0x40 + pci::kPmControlStatusOffset, 2, 0x0100, nullptr},
        {"initiate FLR", 0, 0x50 + pci::kExpDeviceControlOffset, 2, pci::kExpDeviceControlInitiateFlr,
         "Device Control: Initiate FLR"},
        {"FLR in the high byte", 0, 0x50 + pci::kExpDeviceControlOffset + 1, 1, 0x80, "Device Control: Initiate FLR"},
        {"max payload", 0, 0x50 + pci::kExpDeviceControlOffset, 2, 0x0020, nullptr},
        {"link disable", 0, 0x50 + pci::kExpLinkControlOffset, 2, pci::kExpLinkControlLinkDisable,
         "Link Control: Link Disable"},
        {"retrain link", 0, 0x50 + pci::kExpLinkControlOffset, 4, pci::kExpLinkControlRetrainLink,
         "Link Control: Retrain Link"},
        {"link status", 0, 0x50 + pci::kExpLinkStatusOffset, 2, 0xC000, nullptr},
        {"EA bus numbers of a bridge", 1, 0x94, 4, 1, "Enhanced Allocation entries"},
        {"second EA entry's last dword", 0, 0xB0, 4, 1, "Enhanced Allocation entries"},
        {"after the EA entries", 0, 0xB4, 4, 1, nullptr},
        {"VF enable", 0, 0x100 + pci::kSriovControlOffset, 2, pci::kSriovControlVfEnable, "SR-IOV Control: VF Enable"},
        {"VF memory space", 0, 0x100 + pci::kSriovControlOffset, 1, pci::kSriovControlVfMemorySpace,
         "SR-IOV Control: VF Memory Space Enable"},
        {"number of VFs", 0, 0x100 + pci::kSriovNumVfsOffset, 2, 4, nullptr},
        {"last VF BAR", 0, 0x100 + pci::kSriovVfBar0Offset + 5 * pci::kBarBytes, 4, 0x1000, "SR-IOV VF BARs"},
        {"second resizable BAR control", 0, 0x200 + pci::kRebarFirstOffset + pci::kRebarEntryBytes +
         pci::kRebarControlOffset, 4, 0x100, "Resizable BAR Control"},
        {"resizable BAR capabilities", 0, 0x200 + pci::kRebarFirstOffset, 4, 0x10, nullptr},
        {"past the resizable BAR entries", 0, 0x218, 4, 1, nullptr},
        {"bus master off", 0, pci::kCommandOffset, 2, pci::kCommandBusMaster,
         "Command: I/O Space, Memory Space or Bus Master"},
        {"command and status, decode kept", 0, pci::kCommandOffset, 4, 0xF9000140, nullptr},
        {"a BAR written with what it holds", 0, pci::BarOffset(2), 4, 0, nullptr},
        {"a BAR's high byte", 0, pci::BarOffset(5) + 3, 1, 0xFE, "BARs"},
        {"ROM reserved bits", 0, pci::kExpansionRomOffset, 2, 0x0100, "expansion ROM BAR"},
        {"subordinate bus", 1, pci::kPrimaryBusOffset + 2, 1, 5, "bus numbers"},
        {"I/O limit's type bits", 1, pci::kIoBaseOffset + 1, 1, 1, "I/O window"},
        {"ISA enable", 1, pci::kBridgeControlOffset, 2, 0x0004, "ISA Enable"},
        {"CardBus legacy base", 2, pci::kCardBusLegacyBaseOffset, 4, 0x3E0, "legacy mode base"},
        {"CardBus I/O window", 2, pci::kCardBusIoWindowsOffset + 4, 2, 0x100, "memory and I/O windows"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> space = GuardedSpace(c.layout);
        const char* why = LiveWriteRefusal(space.data(), uint32_t(space.size()), c.offset, c.size, c.value);
        EXPECT_STREQ(why, c.why) << c.name;
    }
    // Another user sees the header alone: its host-owned bits are still refused.
    std::vector<uint8_t> header = GuardedSpace(1);
    header.resize(pci::kDeviceSpecificOffset);
    EXPECT_STREQ(LiveWriteRefusal(header.data(), uint32_t(header.size()), pci::kPrimaryBusOffset + 1, 1, 2),
                 "bus numbers");
    EXPECT_EQ(LiveWriteRefusal(header.data(), uint32_t(header.size()), pci::kLatencyTimerOffset, 1, 0x40), nullptr);
    // A space with the capability list bit clear has no list to guard.
    std::vector<uint8_t> space = GuardedSpace(0);
    space[pci::kStatusOffset] = 0;
    EXPECT_EQ(LiveWriteRefusal(space.data(), uint32_t(space.size()), 0x44, 2, 3), nullptr);
}

// Every header bit the catalogue gives the host is refused through a byte write at its place,
// and every other bit passes: the window arithmetic holds for each register of each layout.
TEST(LiveWritePolicy, HeaderBitsAreRefusedExactlyWhereTheCatalogueGivesThemToTheHost)
{
    for (uint8_t layout = 0; layout <= pci::kLayoutCardBusBridge; ++layout) {
        const pci::CRegisterBlock* block = pci::FindBlock(pci::EBlockKind::kHeader, layout);
        ASSERT_NE(block, nullptr) << "layout " << int(layout);
        std::vector<uint8_t> space = GuardedSpace(layout);
        for (uint32_t at = 0; at < pci::kDeviceSpecificOffset; ++at) {
            const pci::CRegisterPlace place = pci::RegisterCovering(*block, at);
            ASSERT_NE(place.def, nullptr) << "layout " << int(layout) << " byte " << at;
            const uint32_t shift = 8 * (at - place.offset);
            const uint32_t owned = pci::BitsOf(*place.def).hostOwned >> shift & 0xFF;
            for (uint32_t bit = 0; bit < 8; ++bit) {
                const uint32_t flipped = space[at] ^ (1u << bit);
                const bool refused = LiveWriteRefusal(space.data(), uint32_t(space.size()), at, 1, flipped) != nullptr;
                EXPECT_EQ(refused, (owned >> bit & 1) != 0)
                    << "layout " << int(layout) << ", " << place.def->name << ", byte " << at << " bit " << bit;
            }
        }
    }
}

} // namespace
