// Plug-and-play records of the simulated machine and the registry that the
// native Win32 stand-in builds from them.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include "CompatMachine.h"
#include "machines/DefaultMachine.h"
#include "protocol/ResourceList.h"
#include "tests/sim/SimTestSupport.h"

namespace {

struct CPartial
{
    uint8_t m_type;
    uint64_t m_start;
    uint32_t m_length;
    bool operator==(const CPartial& o) const
    {
        return m_type == o.m_type && m_start == o.m_start && m_length == o.m_length;
    }
};

std::ostream& operator<<(std::ostream& os, const CPartial& p)
{
    return os << "{type " << int(p.m_type) << ", start " << std::hex << p.m_start << ", length " << p.m_length << "}";
}

// Partial descriptors are 20 bytes apart on 64-bit Windows and 16 on 32-bit; the records
// take the layout of the build's own bitness.
constexpr uint32_t kPartialStride = sizeof(void*) == 8 ? 20 : 16;

// Reads a resource list at the offsets the program uses.
std::vector<CPartial> Partials(const uint8_t* data, uint32_t length)
{
    std::vector<CPartial> result;
    if (length < 20)
        return result;
    uint32_t count = pci::GetLe32(data + 16);
    for (uint32_t i = 0; i < count && 20 + kPartialStride * (i + 1) <= length; ++i) {
        const uint8_t* p = data + 20 + kPartialStride * i;
        // An interrupt holds its level where a range holds its start, and its vector above it.
        const uint64_t start = p[0] == kResTypeInterrupt ? pci::GetLe32(p + 4) : pci::GetLe64(p + 4);
        result.push_back({p[0], start, pci::GetLe32(p + 12)});
    }
    return result;
}

std::map<std::string, CSimRegistryRecord> RecordsByPlace(const CSimMachine& machine)
{
    std::map<std::string, CSimRegistryRecord> records;
    for (uint32_t i = 0; i < machine.GetRegistryRecordCount(); ++i) {
        CSimRegistryRecord record = {};
        EXPECT_TRUE(machine.GetRegistryRecord(i, &record));
        records[std::string(record.deviceKey) + "\\" + record.instance] = record;
    }
    return records;
}

const CSimRegistryRecord* FindByLocation(const std::map<std::string, CSimRegistryRecord>& records,
                                         const std::string& location)
{
    for (const auto& entry : records)
        if (entry.second.hasLocation && entry.second.location == location)
            return &entry.second;
    return nullptr;
}

} // namespace

TEST(RegistryRecords, DefaultMachineRecordsMatchItsFunctions)
{
    CSimMachine machine;
    LoadOrFail(machine, std::string(kDefaultMachineImage, kDefaultMachineImageSize));
    auto records = RecordsByPlace(machine);
    CSimRegistryRecord unused;
    EXPECT_FALSE(machine.GetRegistryRecord(machine.GetRegistryRecordCount(), &unused));

    const CSimRegistryRecord* ide = FindByLocation(records, "PCI bus 0, device 7, function 1");
    ASSERT_NE(ide, nullptr);
    EXPECT_STREQ(ide->deviceKey, "VEN_8086&DEV_7111&SUBSYS_00000000&REV_01");
    ASSERT_TRUE(ide->hasControl);
    EXPECT_EQ(Partials(ide->allocConfig, ide->allocConfigLength), (std::vector<CPartial>{{1, 0xF000, 16}}));

    const CSimRegistryRecord* vga = FindByLocation(records, "PCI bus 1, device 0, function 0");
    ASSERT_NE(vga, nullptr);
    EXPECT_STREQ(vga->deviceKey, "VEN_1002&DEV_5046&SUBSYS_04081002&REV_00");
    EXPECT_EQ(Partials(vga->allocConfig, vga->allocConfigLength),
              (std::vector<CPartial>{{3, 0xD4000000, 64u << 20}, {1, 0xA000, 256}, {3, 0xD9000000, 16384}, {2, 0x0B, 1}}))
        << "BARs, then the interrupt; the disabled ROM is not assigned";

    const CSimRegistryRecord* bridge = FindByLocation(records, "PCI bus 0, device 1, function 0");
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(Partials(bridge->allocConfig, bridge->allocConfigLength),
              (std::vector<CPartial>{{1, 0xA000, 0x1000}, {3, 0xD8000000, 0x2000000}, {3, 0xD0000000, 0x8000000}}))
        << "bridge windows are resources that match no BAR";

    const CSimRegistryRecord* gamePort = FindByLocation(records, "PCI bus 0, device 10, function 1");
    ASSERT_NE(gamePort, nullptr);
    EXPECT_FALSE(gamePort->hasControl) << "instance without Control key";
    EXPECT_EQ(gamePort->allocConfig, nullptr);

    for (const auto& entry : records)
        EXPECT_NE(std::string(entry.second.deviceKey).substr(0, 17), "VEN_1000&DEV_000C")
            << "the SCSI controller is left out, so its BAR sizes must be probed";

    uint32_t nicInstances = 0;
    for (const auto& entry : records)
        nicInstances += std::string(entry.second.deviceKey) == "VEN_10B7&DEV_9055&SUBSYS_905510B7&REV_30";
    EXPECT_EQ(nicInstances, 2u) << "the network card has an instance of another place too";
    EXPECT_EQ(FindByLocation(records, "PCI bus 0, device 11, function 1"), nullptr)
        << "a device answering on every function number is recorded once";
}

// As Windows does, a BAR of 4 GiB or more is published as a large memory range whose
// length counts units that its flags name.
TEST(RegistryRecords, RangesOfFourGiBOrMoreAreLargeMemoryDescriptors)
{
    auto c = MakeConfig(0x10DE, 0x2684, 0x03, 0x00, 0x00);
    Put32(c, 0x10, 0x0000000C);
    Put32(c, 0x14, 0x00000060);
    Put32(c, 0x18, 0xE000000C);
    Put32(c, 0x1C, 0x00000060);
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("01:00.0", c, "@bar 0 size 16G\n@bar 2 size 32M\n"));
    CSimRegistryRecord record = {};
    ASSERT_TRUE(machine.GetRegistryRecord(0, &record));
    ASSERT_EQ(record.allocConfigLength, 20u + 2 * kPartialStride);
    const uint8_t* large = record.allocConfig + 20;
    EXPECT_EQ(large[0], 7);
    EXPECT_EQ(pci::GetLe16(large + 2), 0x0204) << "prefetchable, length in 256-byte units";
    EXPECT_EQ(pci::GetLe64(large + 4), 0x6000000000ull);
    EXPECT_EQ(pci::GetLe32(large + 12), uint32_t(16ull * 1024 * 1024 * 1024 >> 8));
    const uint8_t* small = large + kPartialStride;
    EXPECT_EQ(small[0], 3);
    EXPECT_EQ(pci::GetLe64(small + 4), 0x60E0000000ull);
    EXPECT_EQ(pci::GetLe32(small + 12), 32u * 1024 * 1024);
}

// A bridge's prefetchable window is published at its whole start, where its upper registers
// say it lies; one of 4 GiB or more is a large memory range as a BAR would be.
TEST(RegistryRecords, PrefetchableWindowsStartWhereTheirUpperRegistersSay)
{
    struct CCase
    {
        const char* what;
        uint32_t baseLimit; // 24h: limit word, base word
        uint32_t upperBase;
        uint32_t upperLimit;
        CPartial window;
    };
    const CCase cases[] = {
        {"64-bit, 256 MiB above 4 GiB", 0xEFF1E001, 4, 4, {3, 0x4E0000000ull, 0x10000000}},
        {"64-bit, 8 GiB", 0xFFF10001, 8, 9, {7, 0x800000000ull, 0x2000000}},
        {"32-bit: the upper registers do not count", 0xEFF0E000, 4, 4, {3, 0xE0000000, 0x10000000}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto bridge = MakeConfig(0x8086, 0x7191, 0x06, 0x04, 0x01);
        Put32(bridge, 0x18, 0x00010100);
        Put32(bridge, 0x24, c.baseLimit);
        Put32(bridge, 0x28, c.upperBase);
        Put32(bridge, 0x2C, c.upperLimit);
        CSimMachine machine;
        LoadOrFail(machine, DumpFunction("00:01.0", bridge, ""));
        CSimRegistryRecord record = {};
        ASSERT_TRUE(machine.GetRegistryRecord(0, &record));
        EXPECT_EQ(Partials(record.allocConfig, record.allocConfigLength), std::vector<CPartial>{c.window});
    }
}

TEST(RegistryRecords, ImageControlsInstancesAndTheirKeys)
{
    auto c = MakeConfig(0x8086, 0x7112, 0x0C, 0x03, 0x00);
    Put32(c, 0x20, 0x0000E001);
    c[0x08] = 0x01;
    c[0x2C] = 0x34;
    c[0x2D] = 0x12;
    c[0x2E] = 0x78;
    c[0x2F] = 0x56;
    CSimMachine machine;
    LoadOrFail(machine, DumpFunction("00:1f.3", c,
                                     "@bar 4 size 32\n"
                                     "@registry instance 3&11583659&0&FB\n"
                                     "@registry extra 3&11583659&0&08 at 00:01.0\n"
                                     "@registry extra ghost nocontrol\n"));
    ASSERT_EQ(machine.GetRegistryRecordCount(), 3u);
    CSimRegistryRecord own = {}, moved = {}, ghost = {};
    ASSERT_TRUE(machine.GetRegistryRecord(0, &own));
    ASSERT_TRUE(machine.GetRegistryRecord(1, &moved));
    ASSERT_TRUE(machine.GetRegistryRecord(2, &ghost));
    EXPECT_STREQ(own.deviceKey, "VEN_8086&DEV_7112&SUBSYS_56781234&REV_01") << "subsystem ID before its vendor";
    EXPECT_STREQ(own.instance, "3&11583659&0&FB");
    EXPECT_STREQ(own.location, "PCI bus 0, device 31, function 3");
    EXPECT_EQ(Partials(own.allocConfig, own.allocConfigLength), (std::vector<CPartial>{{1, 0xE000, 32}}));
    EXPECT_STREQ(moved.deviceKey, own.deviceKey);
    EXPECT_STREQ(moved.location, "PCI bus 0, device 1, function 0");
    ASSERT_TRUE(moved.hasControl);
    EXPECT_TRUE(Partials(moved.allocConfig, moved.allocConfigLength).empty()) << "nothing assigned elsewhere";
    EXPECT_FALSE(ghost.hasLocation);
    EXPECT_FALSE(ghost.hasControl);
}

TEST(CompatRegistry, RecordsAppearAsKeysAndValues)
{
    CompatUseDefaultMachine();
    HKEY device = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_10B7&DEV_9055&SUBSYS_905510B7&REV_30",
                            0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &device),
              ERROR_SUCCESS);
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[255];
        DWORD length = sizeof(name);
        LONG status = RegEnumKeyExA(device, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(length, strlen(name));
        names.push_back(name);
    }
    ASSERT_EQ(names.size(), 2u);
    char tiny[4];
    DWORD tinyLength = sizeof(tiny);
    EXPECT_EQ(RegEnumKeyExA(device, 0, tiny, &tinyLength, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    HKEY instance = nullptr;
    std::string ownName = names[0] == "3&61AAA01&0&60" ? names[1] : names[0];
    ASSERT_EQ(RegOpenKeyExA(device, ownName.c_str(), 0, KEY_QUERY_VALUE, &instance), ERROR_SUCCESS);
    char location[255];
    DWORD type = 0, size = sizeof(location);
    ASSERT_EQ(RegQueryValueExA(instance, "LocationInformation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(location, "PCI bus 0, device 11, function 0");
    EXPECT_EQ(size, strlen(location) + 1);
    EXPECT_EQ(RegEnumKeyExA(instance, 0, location, &size, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED)
        << "enumeration needs KEY_ENUMERATE_SUB_KEYS";

    HKEY control = nullptr;
    ASSERT_EQ(RegOpenKeyExA(instance, "Control", 0, KEY_QUERY_VALUE, &control), ERROR_SUCCESS);
    DWORD needed = 0;
    ASSERT_EQ(RegQueryValueExA(control, "AllocConfig", nullptr, &type, nullptr, &needed), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_RESOURCE_LIST);
    std::vector<BYTE> data(needed);
    DWORD small = needed - 1;
    EXPECT_EQ(RegQueryValueExA(control, "AllocConfig", nullptr, nullptr, data.data(), &small), ERROR_MORE_DATA);
    EXPECT_EQ(small, needed);
    ASSERT_EQ(RegQueryValueExA(control, "AllocConfig", nullptr, nullptr, data.data(), &needed), ERROR_SUCCESS);
    EXPECT_EQ(Partials(data.data(), needed),
              (std::vector<CPartial>{{1, 0xD000, 128}, {3, 0xDB000000, 128}, {2, 0x0B, 1}}));
    EXPECT_EQ(RegQueryValueExA(control, "Missing", nullptr, nullptr, nullptr, &needed), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegCloseKey(control), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(instance), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(device), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(device), ERROR_INVALID_HANDLE);
    EXPECT_EQ(CompatOpenHandleCount(), 0u);
}

TEST(CompatRegistry, LoadingAMachineReplacesTheRecordsOnlyWhenItLoads)
{
    CompatUseDefaultMachine();
    auto c = MakeConfig(0x1234, 0xABCD, 0x02, 0x00, 0x00);
    std::string error;
    EXPECT_FALSE(CompatLoadMachine("00:00.0 x\n@bogus\n", "broken.txt", &error));
    EXPECT_EQ(error, "broken.txt:2: expected an annotation \"@bar\", \"@rom\", \"@range\", \"@config\", \"@registry\" "
                     "or \"@all-functions\"");
    HKEY key = nullptr;
    const char kOld[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_7111&SUBSYS_00000000&REV_01";
    const char kNew[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1234&DEV_ABCD&SUBSYS_00000000&REV_00";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOld, 0, KEY_READ, &key), ERROR_SUCCESS) << "kept after a failure";
    RegCloseKey(key);
    ASSERT_TRUE(CompatLoadMachine(DumpFunction("00:00.0", c), "one.txt", &error)) << error;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOld, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNew, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    CompatUseDefaultMachine();
    EXPECT_EQ(CompatOpenHandleCount(), 0u);
}

TEST(CompatRegistry, TestValuesAndDefaultValues)
{
    CompatSetRegistryString(HKEY_CLASSES_ROOT, ".htm", "", "htmlfile");
    CompatSetRegistryString(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", "", "browser.exe \"%1\"");
    char text[64];
    LONG size = sizeof(text);
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", text, &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "htmlfile");
    EXPECT_EQ(size, 9);
    size = 4;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", text, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 17);
    CompatDeleteRegistryKey(HKEY_CLASSES_ROOT, ".htm");
    size = sizeof(text);
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", text, &size), ERROR_FILE_NOT_FOUND);
    CompatDeleteRegistryKey(HKEY_CLASSES_ROOT, "htmlfile");
}

TEST(CompatRegistry, RecordsOutsideSegmentZeroCarryTheirSegment)
{
    std::string error;
    ASSERT_TRUE(CompatLoadMachine(ReadTextFile(BRISCO_TEST_DATA "/three-segments.txt"), "three.txt", &error)) << error;
    // The two root ports are alike and sit at 00:00.0 of segments 0001 and 0010: two instances.
    const std::string port = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1B36&DEV_000C&SUBSYS_00000000&REV_01";
    std::map<std::string, DWORD> segments; // instance name: its Segment value, or ~0 without one
    HKEY device = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, port.c_str(), 0, KEY_READ, &device), ERROR_SUCCESS);
    char name[255];
    for (DWORD index = 0, length = sizeof(name);
         RegEnumKeyExA(device, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++index, length = sizeof(name)) {
        DWORD segment = ~0u, type = 0, size = sizeof(segment);
        HKEY instance = nullptr;
        ASSERT_EQ(RegOpenKeyExA(device, name, 0, KEY_QUERY_VALUE, &instance), ERROR_SUCCESS);
        if (RegQueryValueExA(instance, "Segment", nullptr, &type, reinterpret_cast<BYTE*>(&segment), &size) ==
            ERROR_SUCCESS) {
            EXPECT_EQ(type, REG_DWORD);
        }
        RegCloseKey(instance);
        segments[name] = segment;
    }
    RegCloseKey(device);
    std::vector<DWORD> values;
    for (const auto& entry : segments)
        values.push_back(entry.second);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<DWORD>{0x1, 0x10, ~0u})) << "segment 0000's port has no value";
    CompatUseDefaultMachine();
    EXPECT_EQ(CompatOpenHandleCount(), 0u);
}
