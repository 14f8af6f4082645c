// The real briscodrv.sys serving the live machine under Wine, on a fake sysfs
// tree made from an image (never the host's hardware): reads, records,
// refused ranges, and writes as BRISCO_LIVE_WRITES says (the harness passes
// it to the driver as a service parameter).
#include "driver/install/DriverService.h"
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "protocol/DriverProtocol.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ConfigFile(uint32_t bus, uint32_t device, uint32_t function)
{
    char name[96];
    std::snprintf(name, sizeof(name), "/sys/bus/pci/devices/0000:%02x:%02x.%u/config", bus, device, function);
    return "Z:" BRISCO_LIVE_TREE + std::string(name);
}

class LiveDriverTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_image = ReadWholeFile("Z:" BRISCO_LIVE_IMAGE);
        CSimError error = {};
        s_loaded = s_model.Load(s_image.data(), uint32_t(s_image.size()), "image", &error);
        s_device = CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    }
    static void TearDownTestSuite() { CloseHandle(s_device); }

    void SetUp() override
    {
        ASSERT_TRUE(s_loaded);
        ASSERT_NE(s_device, INVALID_HANDLE_VALUE) << "cannot open the driver: error " << GetLastError();
        std::string source;
        ASSERT_TRUE(CDriverService::ReadParameter(kMachineSourceParameter, &source) && source == "live")
            << "the harness did not start the live machine";
    }

    // Returns 0 or the request's Win32 error; out is resized to what came back.
    static DWORD Request(uint32_t code, const Bytes& in, Bytes* out)
    {
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(s_device, code, const_cast<uint8_t*>(in.data()), DWORD(in.size()),
                                        out->empty() ? nullptr : out->data(), DWORD(out->size()), &returned, nullptr);
        out->resize(ok ? returned : 0);
        return ok ? 0 : GetLastError();
    }

    static Bytes Address(uint32_t size, uint32_t bus, uint32_t device, uint32_t function)
    {
        Bytes in(size, 0);
        pci::PutLe32(in.data() + kAddrBusOffset, bus);
        pci::PutLe32(in.data() + kAddrDeviceOffset, device);
        pci::PutLe32(in.data() + kAddrFunctionOffset, function);
        return in;
    }

    static DWORD Write(const CSimFunction& f, uint32_t offset, uint8_t size, uint32_t value)
    {
        Bytes in = Address(kWriteConfigInSize, f.m_bus, f.m_device, f.m_function);
        pci::PutLe32(in.data() + kRegOffsetOffset, offset);
        in[kRegSizeOffset] = size;
        pci::PutLe32(in.data() + kRegValueOffset, value);
        Bytes out;
        return Request(IOCTL_WRITE_CONFIG, in, &out);
    }

    static CSimMachine s_model;
    static std::string s_image;
    static bool s_loaded;
    static HANDLE s_device;
};

CSimMachine LiveDriverTest::s_model;
std::string LiveDriverTest::s_image;
bool LiveDriverTest::s_loaded = false;
HANDLE LiveDriverTest::s_device = INVALID_HANDLE_VALUE;

TEST_F(LiveDriverTest, ReadsGiveTheTreesBytesAndAbsentFunctionsReadAllOnes)
{
    for (uint32_t i = 0; i < s_model.GetFunctionCount(); ++i) {
        const CSimFunction& f = *s_model.GetFunction(i);
        SCOPED_TRACE(testing::Message() << "function " << std::hex << f.Key());
        Bytes space(kConfigSpaceSize);
        ASSERT_EQ(Request(IOCTL_READ_CONFIG_SPACE, Address(kReadConfigSpaceInSize, f.m_bus, f.m_device, f.m_function),
                          &space),
                  0u);
        EXPECT_EQ(space, Bytes(f.m_config, f.m_config + kConfigSpaceSize));
    }
    Bytes probe(kProbeOutSize);
    ASSERT_EQ(Request(IOCTL_PROBE_FUNCTION, Address(kProbeInSize, 0, 31, 7), &probe), 0u);
    EXPECT_EQ(pci::GetLe32(probe.data()), 0xFFFFFFFFu);
}

TEST_F(LiveDriverTest, WritesPassOnlyWhenAllowedAndNeverToBars)
{
    const bool allowed = std::getenv("BRISCO_LIVE_WRITES") && std::string(std::getenv("BRISCO_LIVE_WRITES")) == "1";
    const CSimFunction& f = *s_model.GetFunction(0);
    const std::string config = ConfigFile(f.m_bus, f.m_device, f.m_function);
    const std::string before = ReadWholeFile(config);
    ASSERT_EQ(before.size(), kConfigSpaceSize);
    const uint8_t latency = uint8_t(before[pci::kLatencyTimerOffset]);

    const DWORD refused = allowed ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_WRITE_PROTECT);
    EXPECT_EQ(Write(f, pci::kLatencyTimerOffset, 1, latency ^ 0x20), allowed ? 0u : refused);
    EXPECT_EQ(uint8_t(ReadWholeFile(config)[pci::kLatencyTimerOffset]), allowed ? latency ^ 0x20 : latency);
    EXPECT_EQ(Write(f, pci::kLatencyTimerOffset, 1, latency), allowed ? 0u : refused);
    EXPECT_EQ(Write(f, pci::BarOffset(0), 4, 0xFFFFFFFF), refused);
    EXPECT_EQ(ReadWholeFile(config), before);
}

TEST_F(LiveDriverTest, RangesAreOutOfReachAndRefused)
{
    Bytes in(kRangeHeaderSize, 0);
    in[kRangeSpaceOffset] = kSpaceMemory;
    pci::PutLe32(in.data() + kRangeAddressOffset, 0xE0000000);
    pci::PutLe32(in.data() + kRangeUnitOffset, 4);
    pci::PutLe32(in.data() + kRangeCountOffset, 1);
    Bytes out(4);
    EXPECT_EQ(Request(IOCTL_READ_DEVICE, in, &out), DWORD(ERROR_NOT_SUPPORTED));
    Bytes wide(kWideRangeHeaderSize, 0);
    wide[kWideRangeSpaceOffset] = kSpaceMemory;
    pci::PutLe64(wide.data() + kWideRangeAddressOffset, 0x4000000000ull);
    pci::PutLe32(wide.data() + kWideRangeUnitOffset, 4);
    pci::PutLe32(wide.data() + kWideRangeCountOffset, 1);
    out.assign(4, 0);
    EXPECT_EQ(Request(IOCTL_READ_DEVICE_WIDE, wide, &out), DWORD(ERROR_NOT_SUPPORTED));
    in.resize(kRangeHeaderSize + 4 + kWriteDeviceTrailerSize);
    out.clear();
    const bool allowed = std::getenv("BRISCO_LIVE_WRITES") && std::string(std::getenv("BRISCO_LIVE_WRITES")) == "1";
    EXPECT_EQ(Request(IOCTL_WRITE_DEVICE, in, &out), allowed ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_WRITE_PROTECT));
}

TEST_F(LiveDriverTest, EveryListedFunctionHasARecordWithItsResources)
{
    for (uint32_t i = 0; i < s_model.GetRegistryRecordCount(); ++i) {
        CSimRegistryRecord record = {};
        ASSERT_TRUE(s_model.GetRegistryRecord(i, &record));
        if (!record.hasControl)
            continue; // the image's own "no record" and "not started" marks have no live equivalent
        const std::string path = std::string("SYSTEM\\CurrentControlSet\\Enum\\PCI\\") + record.deviceKey + "\\" +
            record.instance + "\\Control";
        SCOPED_TRACE(path);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        Bytes data(512);
        DWORD size = DWORD(data.size());
        EXPECT_EQ(RegQueryValueExA(key, "AllocConfig", nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
        RegCloseKey(key);
        data.resize(size);
        EXPECT_EQ(data, Bytes(record.allocConfig, record.allocConfig + record.allocConfigLength));
    }
}

} // namespace
