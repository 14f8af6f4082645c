// BAR sizes from the resource lists that plug and play recorded for each instance.
#include "tests/device/DeviceFixture.h"
#include "tests/device/MachineText.h"

#include "compat/CompatMachine.h"
#include "protocol/DriverProtocol.h"
#include "device/PciFunction.h"

#include <string.h>

#include <memory>

namespace {

const char kDeviceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_24C3&SUBSYS_80891043&REV_02";
constexpr uint32_t kResourceListType = 8;
constexpr uint8_t kPort = 1;
constexpr uint8_t kInterrupt = 2;
constexpr uint8_t kMemory = 3;
// Partial descriptors are 16 bytes apart on 32-bit Windows and 20 on 64-bit, whose descriptor
// holds a pointer-sized affinity. The system that compat stands in for has the program's bitness.
constexpr uint32_t kNarrowStride = 16;
constexpr uint32_t kWideStride = 20;
constexpr uint32_t kSystemStride = sizeof(void*) == 8 ? kWideStride : kNarrowStride;

struct CDescriptor
{
    uint8_t type;
    uint64_t start;
    uint32_t length;
    uint16_t flags = 0;
};

// A resource list with one full descriptor; count defaults to the number of descriptors.
std::vector<uint8_t> ResourceList(const std::vector<CDescriptor>& descriptors, int count = -1,
                                  uint32_t stride = kSystemStride)
{
    std::vector<uint8_t> data(20 + stride * descriptors.size(), 0);
    pci::PutLe32(data.data(), 1);
    pci::PutLe32(data.data() + 4, 5);
    pci::PutLe32(data.data() + 16, count < 0 ? uint32_t(descriptors.size()) : uint32_t(count));
    for (size_t i = 0; i < descriptors.size(); ++i) {
        uint8_t* partial = data.data() + 20 + stride * i;
        partial[0] = descriptors[i].type;
        pci::PutLe16(partial + 2, descriptors[i].flags);
        pci::PutLe64(partial + 4, descriptors[i].start);
        pci::PutLe32(partial + 12, descriptors[i].length);
    }
    return data;
}

class RegistryTest : public CDeviceFixture
{
protected:
    void SetUp() override
    {
        CDeviceFixture::SetUp();
        // The served machine has nothing at 0.31.3; the tests give the function its identity.
        CMachineText machine;
        machine.AddFunction(0, 0, 0, CMachineText::MakeHeader(0x8086, 0x7190, 0x06, 0x00));
        LoadMachine(machine.Text());
        m_function = std::make_unique<CPciFunction>(m_driver, 0, 31, 3);
        uint8_t* config = m_function->m_image;
        memset(config, 0, 256);
        pci::PutLe32(config + 0x00, 0x24C38086);
        config[0x08] = 0x02;
        pci::PutLe32(config + 0x2C, 0x80891043);
        pci::PutLe32(config + 0x10, 0xF0000000);
        pci::PutLe32(config + 0x20, 0xE001);
    }

    void AddInstance(const std::string& name, const std::string& location, const std::vector<uint8_t>* resources)
    {
        std::string path = std::string(kDeviceKey) + "\\" + name;
        CompatSetRegistryString(HKEY_LOCAL_MACHINE, path, "LocationInformation", location);
        if (resources)
            CompatSetRegistryValue(HKEY_LOCAL_MACHINE, path + "\\Control", "AllocConfig", kResourceListType,
                                   *resources);
    }

    std::vector<uint64_t> Sizes()
    {
        m_function->LoadAssignedResources();
        return std::vector<uint64_t>(m_function->m_barSizes, m_function->m_barSizes + 6);
    }

    std::unique_ptr<CPciFunction> m_function;
};

TEST_F(RegistryTest, OnlyTheInstanceAtTheFunctionsLocationIsUsed)
{
    std::vector<uint8_t> other = ResourceList({{kPort, 0xE000, 64}});
    std::vector<uint8_t> mine = ResourceList({{kPort, 0xE000, 32}, {kMemory, 0xF0000000, 0x1000}});
    AddInstance("3&11583659&0&F9", "PCI bus 0, device 30, function 3", &other);
    AddInstance("3&11583659&0&FB", "PCI bus 0, device 31, function 3", &mine);
    EXPECT_EQ((std::vector<uint64_t>{0x1000, 0, 0, 0, 32, 0}), Sizes());
    // The same location in segment 1: its Segment value tells it apart, both ways.
    std::vector<uint8_t> segmentOne = ResourceList({{kPort, 0xE000, 16}});
    AddInstance("1&2&0&FB", "PCI bus 0, device 31, function 3", &segmentOne);
    CompatSetRegistryValue(HKEY_LOCAL_MACHINE, std::string(kDeviceKey) + "\\1&2&0&FB", kPnpSegmentValue, REG_DWORD,
                           {1, 0, 0, 0});
    EXPECT_EQ((std::vector<uint64_t>{0x1000, 0, 0, 0, 32, 0}), Sizes()) << "segment 0";
    m_function->m_segment = 1;
    EXPECT_EQ((std::vector<uint64_t>{0, 0, 0, 0, 16, 0}), Sizes()) << "segment 1";
    m_function->m_segment = 2;
    Sizes();
    EXPECT_FALSE(m_function->HasRegistryRecord()) << "segment 2";
}

TEST_F(RegistryTest, OnlyRangesOfTheBarsKindAtItsBaseSetASize)
{
    std::vector<uint8_t> resources = ResourceList({{kInterrupt, 0xE000, 9},
                                                   {kMemory, 0xF0100000, 0x100000},
                                                   {kPort, 0xE001, 8},
                                                   {kMemory, 0xE000, 16},
                                                   {kPort, 0xF0000000, 0x100},
                                                   {kMemory, 0xF0000000, 0x800},
                                                   {kMemory, 0xF0000000, 0x400},
                                                   {kMemory, 0xF0000000, 0x1000}});
    AddInstance("1", "PCI bus 0, device 31, function 3", &resources);
    EXPECT_EQ((std::vector<uint64_t>{0x400, 0, 0, 0, 0, 0}), Sizes())
        << "memory at the I/O BAR's base and ports at the memory BAR's are another BAR's kind; "
           "of a BAR's own descriptors the smallest wins";
}

// A 64-bit BAR is matched by its whole start, and a large memory descriptor scales its length;
// a length the BAR cannot decode at its base is no size of it.
TEST_F(RegistryTest, SixtyFourBitBarsMatchTheirFullStartAndLargeDescriptorsScale)
{
    constexpr uint8_t kMemoryLarge = 7;
    struct CCase
    {
        const char* what;
        uint64_t base; // of the 64-bit prefetchable BAR 0
        CDescriptor descriptor;
        uint64_t size;
    };
    const CCase cases[] = {
        {"low 32 bits of the start only", 0x1F0000000ull, {kMemory, 0xF0000000, 0x1000}, 0},
        {"full start", 0x1F0000000ull, {kMemory, 0x1F0000000ull, 0x1000}, 0x1000},
        {"large, length in 256-byte units", 0x100000000ull, {kMemoryLarge, 0x100000000ull, 0x1000000, 0x0200},
         0x100000000ull},
        {"large, length in 64 KiB units", 0x200000000ull, {kMemoryLarge, 0x200000000ull, 0x20000, 0x0400},
         0x200000000ull},
        {"large, length in 4 GiB units", 0x400000000ull, {kMemoryLarge, 0x400000000ull, 4, 0x0800}, 0x400000000ull},
        {"large without a scale", 0x400000000ull, {kMemoryLarge, 0x400000000ull, 4, 0}, 0},
        {"large, all ones in 4 GiB units", 0x400000000ull, {kMemoryLarge, 0x400000000ull, 0xFFFFFFFF, 0x0800}, 0},
        {"longer than the base's alignment", 0x1F0000000ull, {kMemory, 0x1F0000000ull, 0x20000000}, 0},
        {"not a power of two", 0x1F0000000ull, {kMemory, 0x1F0000000ull, 0x3000}, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        pci::PutLe32(m_function->m_image + 0x10, uint32_t(c.base) | 0xC);
        pci::PutLe32(m_function->m_image + 0x14, uint32_t(c.base >> 32));
        CompatDeleteRegistryKey(HKEY_LOCAL_MACHINE, kDeviceKey);
        std::vector<uint8_t> resources = ResourceList({c.descriptor});
        AddInstance("1", "PCI bus 0, device 31, function 3", &resources);
        EXPECT_EQ(c.size, Sizes()[0]);
    }
}

// The offsets inside a descriptor are the same in both layouts, so a list read with the wrong
// stride still gives its first range; the later reads land on padding or inside a field, whose
// bytes name no range at a BAR's base here, so those sizes stay unknown rather than wrong.
TEST_F(RegistryTest, EachLayoutIsReadWithItsOwnStride)
{
    pci::PutLe32(m_function->m_image + 0x14, 0xF0100000);
    const std::vector<CDescriptor> assigned = {
        {kMemory, 0xF0000000, 0x1000}, {kPort, 0xE000, 32}, {kMemory, 0xF0100000, 0x100000}};
    const std::vector<uint64_t> all = {0x1000, 0x100000, 0, 0, 32, 0};
    const std::vector<uint64_t> firstOnly = {0x1000, 0, 0, 0, 0, 0};
    struct CCase
    {
        const char* what;
        uint32_t written;
        uint32_t read;
        std::vector<uint64_t> sizes;
    };
    const CCase cases[] = {
        {"16-byte list read as 16", kNarrowStride, kNarrowStride, all},
        {"20-byte list read as 20", kWideStride, kWideStride, all},
        {"16-byte list read as 20", kNarrowStride, kWideStride, firstOnly},
        {"20-byte list read as 16", kWideStride, kNarrowStride, firstOnly},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (uint64_t& size : m_function->m_barSizes)
            size = 0;
        m_function->ReadAssignedResources(ResourceList(assigned, int(assigned.size()), c.written), c.read);
        EXPECT_EQ(c.sizes, std::vector<uint64_t>(m_function->m_barSizes, m_function->m_barSizes + 6));
    }
}

TEST_F(RegistryTest, ACardBusBridgeHasNoBarsToSize)
{
    std::vector<uint8_t> resources = ResourceList({{kMemory, 0xF0000000, 0x1000}});
    AddInstance("1", "PCI bus 0, device 31, function 3", &resources);
    m_function->m_image[0x0E] = 0x02;
    EXPECT_EQ(std::vector<uint64_t>(6, 0), Sizes());
}

TEST_F(RegistryTest, MissingPiecesLeaveEverySizeUnknown)
{
    std::vector<uint8_t> resources = ResourceList({{kMemory, 0xF0000000, 0x1000}});
    AddInstance("1", "PCI bus 0, device 31, function 3", &resources);
    ASSERT_EQ(0x1000u, Sizes()[0]);

    CompatDeleteRegistryKey(HKEY_LOCAL_MACHINE, std::string(kDeviceKey) + "\\1\\Control");
    EXPECT_EQ(std::vector<uint64_t>(6, 0), Sizes()) << "no Control key";

    AddInstance("1", "PCI bus 0, device 31, function 3", &resources);
    m_function->m_image[0x08] = 0x03;
    EXPECT_EQ(std::vector<uint64_t>(6, 0), Sizes()) << "another revision has another device key";
}

TEST_F(RegistryTest, LocationsMustNameAllThreeNumbers)
{
    std::vector<uint8_t> resources = ResourceList({{kMemory, 0xF0000000, 0x1000}});
    for (const char* location : {"PCI bus 0, device 31", "PCI bus 0, device 31, function x", "bus 0, device 31, function 3"}) {
        SCOPED_TRACE(location);
        CompatDeleteRegistryKey(HKEY_LOCAL_MACHINE, kDeviceKey);
        AddInstance("1", location, &resources);
        EXPECT_EQ(std::vector<uint64_t>(6, 0), Sizes());
    }
    // Numbers compare as 8-bit values.
    AddInstance("1", "PCI bus 256, device 287, function 259", &resources);
    EXPECT_EQ(0x1000u, Sizes()[0]);
}

TEST_F(RegistryTest, ShortOrOvercountedResourceListsAreReadOnlyWithinTheirData)
{
    struct CCase
    {
        const char* what;
        std::vector<uint8_t> data;
        uint32_t bar0;
        uint32_t bar4;
    };
    std::vector<uint8_t> cut = ResourceList({{kMemory, 0xF0000000, 0x1000}, {kPort, 0xE000, 32}});
    cut.resize(cut.size() - 1);
    std::vector<CCase> cases = {
        {"count above the data", ResourceList({{kMemory, 0xF0000000, 0x1000}}, 1000), 0x1000, 0},
        {"last descriptor cut short", cut, 0x1000, 0},
        {"no descriptor count", std::vector<uint8_t>(18, 0xFF), 0, 0},
        {"empty value", {}, 0, 0},
        {"count of zero", ResourceList({{kMemory, 0xF0000000, 0x1000}}, 0), 0, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        AddInstance("1", "PCI bus 0, device 31, function 3", &c.data);
        std::vector<uint64_t> sizes = Sizes();
        EXPECT_EQ(c.bar0, sizes[0]);
        EXPECT_EQ(c.bar4, sizes[4]);
    }
}

TEST_F(RegistryTest, EveryKeyIsClosedAgain)
{
    std::vector<uint8_t> resources = ResourceList({{kMemory, 0xF0000000, 0x1000}});
    AddInstance("A", "PCI bus 0, device 30, function 3", nullptr);
    AddInstance("B", "PCI bus 0, device 31, function 3", &resources);
    uint32_t before = CompatOpenHandleCount();
    EXPECT_EQ(0x1000u, Sizes()[0]);
    EXPECT_EQ(before, CompatOpenHandleCount());
    CompatDeleteRegistryKey(HKEY_LOCAL_MACHINE, std::string(kDeviceKey) + "\\B\\Control");
    Sizes();
    EXPECT_EQ(before, CompatOpenHandleCount()) << "after a stop at the missing Control key";

    HKEY deviceKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                                           &deviceKey));
    HKEY instance = CPciFunction::FindInstanceKey(deviceKey, 0, 31, 3);
    ASSERT_NE(nullptr, instance);
    EXPECT_EQ(before + 2, CompatOpenHandleCount()) << "the device key and the found instance are open";
    EXPECT_EQ(nullptr, CPciFunction::FindInstanceKey(deviceKey, 0, 31, 4));
    RegCloseKey(instance);
    RegCloseKey(deviceKey);
    EXPECT_EQ(before, CompatOpenHandleCount());
}

TEST_F(RegistryTest, TheSimulatedMachinesRecordsGiveTheBarSizesAtConstruction)
{
    std::vector<uint8_t> config = CMachineText::MakeHeader(0x8086, 0x7112, 0x0C, 0x03);
    CMachineText::Put32(config, 0x10, 0xF0000000);
    CMachineText::Put32(config, 0x20, 0xE001);
    CMachineText machine;
    machine.AddFunction(0, 0, 0, CMachineText::MakeHeader(0x8086, 0x7190, 0x06, 0x00));
    // Two ranges, so the second is found only when the record is read in the layout it was written in.
    machine.AddFunction(
        0, 7, 2, config,
        {"\tRegion 0: Memory at f0000000 (32-bit) [size=4K]", "\tRegion 4: I/O ports at e000 [size=32]"});
    CMachineText::Put32(config, 0x20, 0xE101);
    machine.AddFunction(0, 8, 0, config, {"\tRegion 4: I/O ports at e100 [size=32]", "@registry nocontrol"});
    // A bridge whose 64-bit prefetchable window starts 4 GiB above its own BAR.
    std::vector<uint8_t> bridge = CMachineText::MakeHeader(0x8086, 0x7191, 0x06, 0x04, 0x01);
    CMachineText::Put32(bridge, 0x10, 0xE0000000);
    CMachineText::Put32(bridge, 0x18, 0x00010100);
    CMachineText::Put32(bridge, 0x24, 0xEFF1E001);
    CMachineText::Put32(bridge, 0x28, 0x4);
    CMachineText::Put32(bridge, 0x2C, 0x4);
    machine.AddFunction(0, 9, 0, bridge, {"\tRegion 0: Memory at e0000000 (32-bit) [size=16K]"});
    LoadMachine(machine.Text());
    // 0.7.2 has no function 0 beside it.
    CPciFunction::CScanOptions everyFunction;
    everyFunction.everyFunction = true;
    CPciFunction root(m_driver, everyFunction);
    ASSERT_EQ(3u, root.m_children.size());
    EXPECT_EQ(0x1000u, root.m_children[0]->m_barSizes[0]);
    EXPECT_EQ(32u, root.m_children[0]->m_barSizes[4]);
    EXPECT_EQ(0u, root.m_children[1]->m_barSizes[4]);
    EXPECT_EQ(0x4000u, root.m_children[2]->m_barSizes[0]) << "not the window's 256 MiB";
}

} // namespace
