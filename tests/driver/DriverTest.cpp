// Runs every request of the driver protocol through the real briscodrv.sys
// under Wine and compares each answer with the same machine image simulated in
// this process: same success, same error, same bytes. The machine is the one
// the harness started the driver on (BRISCO_MACHINE, or the embedded default).
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "machines/DefaultMachine.h"
#include "driver/install/DriverService.h"
#include "protocol/ResourceList.h"
#include "protocol/SimControl.h"
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

namespace
{

struct CAnswer
{
    bool ok = false;
    DWORD error = 0;
    std::vector<uint8_t> out;
};

using Bytes = std::vector<uint8_t>;

// The model in this process writes resource lists in this program's layout; the driver writes
// its system's, which under WoW64 has 20-byte descriptors with the same fields at the same offsets.
Bytes InSystemLayout(const uint8_t* list, uint32_t length)
{
    BOOL wow = FALSE;
    const bool wide = sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow) && wow);
    const uint32_t stride = wide ? kResPartialBytes64 : kResPartialBytes32;
    Bytes out(list, list + kResListFirstPartialOffset);
    for (uint32_t at = kResListFirstPartialOffset; at + kResPartialBytesOwn <= length; at += kResPartialBytesOwn) {
        out.insert(out.end(), list + at, list + at + kResPartialBytesOwn);
        out.resize(out.size() - kResPartialBytesOwn + stride);
    }
    return out;
}

constexpr char kEnumPciKey[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr char kWineDisplayKey[] = "VEN_0000&DEV_0000&SUBSYS_00000000&REV_00";
constexpr DWORD kRegResourceList = 8;
constexpr uint32_t kLatencyTimerOffset = 0x0D;
constexpr uint32_t kRangeProbeBytes = 64;

void PutLe(Bytes* bytes, uint32_t offset, uint32_t value)
{
    pci::PutLe32(bytes->data() + offset, value);
}

Bytes AddressIn(uint32_t size, uint32_t bus, uint32_t device, uint32_t function)
{
    Bytes in(size, 0);
    PutLe(&in, kAddrBusOffset, bus);
    PutLe(&in, kAddrDeviceOffset, device);
    PutLe(&in, kAddrFunctionOffset, function);
    return in;
}

// key is bus << 8 | device << 3 | function, as the machine sorts its functions.
Bytes AddressOf(uint32_t size, uint32_t key)
{
    return AddressIn(size, key >> 8, (key >> 3) & 31, key & 7);
}

Bytes RegisterIn(uint32_t size, uint32_t key, uint32_t offset, uint8_t width)
{
    Bytes in = AddressOf(size, key);
    PutLe(&in, kRegOffsetOffset, offset);
    in[kRegSizeOffset] = width;
    return in;
}

// The wide form carries a 64-bit address and no trailer after its data.
Bytes WideRangeIn(uint8_t space, uint64_t address, uint32_t unit, uint32_t count, const Bytes& data = {})
{
    Bytes in(kWideRangeHeaderSize, 0);
    in[kWideRangeSpaceOffset] = space;
    pci::PutLe64(in.data() + kWideRangeAddressOffset, address);
    PutLe(&in, kWideRangeUnitOffset, unit);
    PutLe(&in, kWideRangeCountOffset, count);
    in.insert(in.end(), data.begin(), data.end());
    return in;
}

Bytes RangeIn(uint8_t space, uint32_t address, uint32_t unit, uint32_t count, const Bytes& data = {})
{
    const size_t extra = data.empty() ? 0 : data.size() + kWriteDeviceTrailerSize;
    Bytes in(kRangeHeaderSize + extra, 0);
    in[kRangeSpaceOffset] = space;
    PutLe(&in, kRangeAddressOffset, address);
    PutLe(&in, kRangeUnitOffset, unit);
    PutLe(&in, kRangeCountOffset, count);
    for (size_t i = 0; i < data.size(); ++i) {
        in[kRangeHeaderSize + i] = data[i];
    }
    return in;
}

// The Win32 error the I/O manager reports for a completion status.
DWORD ErrorOfStatus(uint32_t status)
{
    using Convert = ULONG(WINAPI*)(LONG);
    static const auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
    return convert ? convert(static_cast<LONG>(status)) : status;
}

std::string ReadFileText(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The driver's device and, next to it, the same machine in this process.
class DriverTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_model = std::make_unique<CSimMachine>();
        const char* image = std::getenv("BRISCO_MACHINE");
        CSimError error = {};
        bool loaded = false;
        if (image && *image) {
            s_imageText = ReadFileText(image);
            loaded = s_model->Load(s_imageText.data(), static_cast<uint32_t>(s_imageText.size()), image, &error);
        } else {
            loaded = s_model->Load(kDefaultMachineImage, kDefaultMachineImageSize, "default", &error);
        }
        s_modelError = loaded ? "" : std::string(error.fileName) + ":" + std::to_string(error.line) + ": " + error.message;
        s_device = CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    }

    static void TearDownTestSuite()
    {
        if (s_device != INVALID_HANDLE_VALUE) {
            CloseHandle(s_device);
        }
        s_model.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_modelError.empty()) << s_modelError;
        ASSERT_NE(s_device, INVALID_HANDLE_VALUE) << "cannot open the driver: error " << GetLastError();
    }

    static CAnswer FromDriver(uint32_t code, const Bytes& in, uint32_t outLength)
    {
        CAnswer answer;
        answer.out.assign(outLength, 0xCD);
        DWORD returned = 0;
        answer.ok = DeviceIoControl(s_device, code, const_cast<uint8_t*>(in.data()), static_cast<DWORD>(in.size()),
                                    outLength ? answer.out.data() : nullptr, outLength, &returned, nullptr);
        answer.error = answer.ok ? 0 : GetLastError();
        answer.out.resize(answer.ok ? returned : 0);
        return answer;
    }

    static CAnswer FromModel(uint32_t code, const Bytes& in, uint32_t outLength)
    {
        CAnswer answer;
        answer.out.assign(outLength, 0xCD);
        uint32_t returned = 0;
        const uint32_t status = s_model->Dispatch(code, in.empty() ? nullptr : in.data(),
                                                  static_cast<uint32_t>(in.size()),
                                                  outLength ? answer.out.data() : nullptr, outLength, &returned);
        answer.ok = status == 0;
        answer.error = answer.ok ? 0 : ErrorOfStatus(status);
        answer.out.resize(answer.ok ? returned : 0);
        return answer;
    }

    // Sends the request to both and expects the same outcome; returns the driver's.
    static CAnswer Both(uint32_t code, const Bytes& in, uint32_t outLength)
    {
        const CAnswer driver = FromDriver(code, in, outLength);
        const CAnswer model = FromModel(code, in, outLength);
        EXPECT_EQ(driver.ok, model.ok) << "request " << std::hex << code;
        EXPECT_EQ(driver.error, model.error) << "request " << std::hex << code;
        EXPECT_EQ(driver.out, model.out) << "request " << std::hex << code;
        return driver;
    }

    static uint32_t ReadRegister(uint32_t key, uint32_t offset, uint8_t width)
    {
        const CAnswer answer = Both(IOCTL_READ_CONFIG, RegisterIn(kReadConfigInSize, key, offset, width),
                                    kReadConfigOutSize);
        return answer.out.size() == kReadConfigOutSize ? pci::GetLe32(answer.out.data()) : 0xFFFFFFFFu;
    }

    static void WriteRegister(uint32_t key, uint32_t offset, uint8_t width, uint32_t value)
    {
        Bytes in = RegisterIn(kWriteConfigInSize, key, offset, width);
        PutLe(&in, kRegValueOffset, value);
        EXPECT_TRUE(Both(IOCTL_WRITE_CONFIG, in, 0).ok);
    }

    static std::vector<uint32_t> FunctionKeys()
    {
        std::vector<uint32_t> keys;
        for (uint32_t i = 0; i < s_model->GetFunctionCount(); ++i) {
            keys.push_back(s_model->GetFunction(i)->Key());
        }
        return keys;
    }

    static std::string KeyText(uint32_t key)
    {
        char text[16];
        std::snprintf(text, sizeof(text), "%02x:%02x.%u", key >> 8, (key >> 3) & 31, key & 7);
        return text;
    }

    static std::unique_ptr<CSimMachine> s_model;
    static std::string s_imageText;
    static std::string s_modelError;
    static HANDLE s_device;
};

std::unique_ptr<CSimMachine> DriverTest::s_model;
std::string DriverTest::s_imageText;
std::string DriverTest::s_modelError;
HANDLE DriverTest::s_device = INVALID_HANDLE_VALUE;

// Switches fault injection off however the test ends.
class CFaultGuard
{
public:
    explicit CFaultGuard(HANDLE device) : m_device(device) {}
    ~CFaultGuard() { Set(kSimFaultOff, 0, 0, 0); }
    bool Set(uint32_t mode, uint32_t bus, uint32_t device, uint32_t function)
    {
        uint8_t in[kSimFaultInSize] = {};
        pci::PutLe32(in + kSimFaultModeOffset, mode);
        pci::PutLe32(in + kSimFaultBusOffset, bus);
        pci::PutLe32(in + kSimFaultDeviceOffset, device);
        pci::PutLe32(in + kSimFaultFunctionOffset, function);
        DWORD returned = 0;
        return DeviceIoControl(m_device, IOCTL_SIM_SET_FAULT, in, sizeof(in), nullptr, 0, &returned, nullptr);
    }

private:
    HANDLE m_device;
};

TEST_F(DriverTest, EveryBusAnswersProbesAndConfigurationReadsAsSimulated)
{
    std::set<uint32_t> buses;
    for (uint32_t key : FunctionKeys()) {
        buses.insert(key >> 8);
    }
    buses.insert(0xFF); // a bus no bridge leads to
    for (uint32_t bus : buses) {
        for (uint32_t device = 0; device < 32; ++device) {
            for (uint32_t function = 0; function < 8; ++function) {
                SCOPED_TRACE(KeyText((bus << 8) | (device << 3) | function));
                const CAnswer probe = Both(IOCTL_PROBE_FUNCTION, AddressIn(kProbeInSize, bus, device, function),
                                           kProbeOutSize);
                ASSERT_TRUE(probe.ok);
                ASSERT_EQ(probe.out.size(), kProbeOutSize);
                // Whole spaces of the present functions and of one absent one per bus.
                const bool absent = pci::GetLe32(probe.out.data()) == 0xFFFFFFFFu;
                if (absent && !(device == 31 && function == 7)) {
                    continue;
                }
                const CAnswer space = Both(IOCTL_READ_CONFIG_SPACE,
                                           AddressIn(kReadConfigSpaceInSize, bus, device, function), kConfigSpaceSize);
                ASSERT_EQ(space.out.size(), kConfigSpaceSize);
                EXPECT_EQ(pci::GetLe32(space.out.data()), pci::GetLe32(probe.out.data()));
                // The whole space: 4096 bytes with extended space, else the same 256.
                const CAnswer whole =
                    Both(IOCTL_READ_EXTENDED_CONFIG_SPACE,
                         AddressIn(kReadExtendedConfigSpaceInSize, bus, device, function), kExtendedConfigSpaceSize);
                ASSERT_TRUE(whole.ok);
                ASSERT_GE(whole.out.size(), kConfigSpaceSize);
                EXPECT_EQ(Bytes(whole.out.begin(), whole.out.begin() + kConfigSpaceSize), space.out);
            }
        }
    }
}

TEST_F(DriverTest, RegistersReadAtEveryWidthAndOffset)
{
    // Whole spaces were compared above; two functions and the first with extended space cover
    // the register path, up to FFFh and one register past the function's space (refused).
    std::vector<const CSimFunction*> functions = {s_model->GetFunction(0),
                                                  s_model->GetFunction(s_model->GetFunctionCount() - 1)};
    for (uint32_t i = 0; i < s_model->GetFunctionCount(); ++i) {
        if (s_model->GetFunction(i)->SpaceSize() > kConfigSpaceSize) {
            functions.push_back(s_model->GetFunction(i));
            break;
        }
    }
    for (const CSimFunction* f : functions) {
        SCOPED_TRACE(KeyText(f->Key()));
        for (uint8_t width : {1, 2, 4}) {
            for (uint32_t offset = 0; offset + width <= f->SpaceSize() + width; offset += width) {
                ReadRegister(f->Key(), offset, width);
            }
        }
    }
}

TEST_F(DriverTest, RegisterWritesAreKeptAsTheDeviceAllowsAndRestored)
{
    for (uint32_t key : FunctionKeys()) {
        SCOPED_TRACE(KeyText(key));
        const uint32_t latency = ReadRegister(key, kLatencyTimerOffset, 1);
        WriteRegister(key, kLatencyTimerOffset, 1, latency ^ 0x20);
        EXPECT_EQ(ReadRegister(key, kLatencyTimerOffset, 1), (latency ^ 0x20) & 0xFF);
        WriteRegister(key, kLatencyTimerOffset, 1, latency);
        // Vendor and device IDs are read-only: the write is accepted and changes nothing.
        const uint32_t ids = ReadRegister(key, 0, 4);
        WriteRegister(key, 0, 4, ~ids);
        EXPECT_EQ(ReadRegister(key, 0, 4), ids);
    }
}

TEST_F(DriverTest, DeviceRangesReadAndWriteAtEveryUnitAsSimulated)
{
    int ranges = 0;
    for (uint32_t i = 0; i < s_model->GetFunctionCount(); ++i) {
        const CSimFunction* function = s_model->GetFunction(i);
        for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
            const uint64_t fullBase = function->SlotBase(slot);
            const bool io = slot < kSimRomSlot && (function->ReadConfig(function->SlotRegister(slot), 4) & 1);
            const uint8_t space = io ? kSpaceIo : kSpaceMemory;
            uint64_t offset = 0;
            if (fullBase == 0 || !function->SlotDecodes(slot, space, fullBase, &offset)) {
                continue;
            }
            SCOPED_TRACE(KeyText(function->Key()) + " slot " + std::to_string(slot));
            ++ranges;
            const CAnswer wide = Both(IOCTL_READ_DEVICE_WIDE, WideRangeIn(space, fullBase, 1, kRangeProbeBytes),
                                      kRangeProbeBytes);
            ASSERT_TRUE(wide.ok);
            if (fullBase >= kNarrowAddressLimit) {
                continue;
            }
            const uint32_t base = static_cast<uint32_t>(fullBase);
            for (uint32_t unit : {1u, 2u, 4u}) {
                const CAnswer read = Both(IOCTL_READ_DEVICE, RangeIn(space, base, unit, kRangeProbeBytes / unit),
                                          kRangeProbeBytes);
                ASSERT_TRUE(read.ok);
                Bytes changed(read.out.begin(), read.out.begin() + unit);
                for (uint8_t& byte : changed) {
                    byte ^= 0x5A;
                }
                Both(IOCTL_WRITE_DEVICE, RangeIn(space, base, unit, 1, changed), 0);
                Both(IOCTL_READ_DEVICE, RangeIn(space, base, unit, 1), unit);
                const Bytes original(read.out.begin(), read.out.begin() + unit);
                Both(IOCTL_WRITE_DEVICE, RangeIn(space, base, unit, 1, original), 0);
            }
        }
    }
    EXPECT_GT(ranges, 0) << "the machine decodes no range";
}

TEST_F(DriverTest, MalformedRequestsAreRefusedAndChangeNothing)
{
    const uint32_t key = FunctionKeys().front();
    const CAnswer before = Both(IOCTL_READ_CONFIG_SPACE, AddressOf(kReadConfigSpaceInSize, key), kConfigSpaceSize);
    Bytes badWrite = RegisterIn(kWriteConfigInSize, key, kLatencyTimerOffset, 3);
    PutLe(&badWrite, kRegValueOffset, 0x12345678);
    Bytes shortRangeWrite = RangeIn(kSpaceMemory, 0, 4, 2, Bytes(8, 0xEE));
    shortRangeWrite.pop_back();

    struct Case
    {
        const char* name;
        uint32_t code;
        Bytes in;
        uint32_t outLength;
        DWORD error;
    };
    const Case cases[] = {
        {"probe with short input", IOCTL_PROBE_FUNCTION, Bytes(kProbeInSize - 1, 0), kProbeOutSize,
         ERROR_INVALID_PARAMETER},
        {"probe without room for the answer", IOCTL_PROBE_FUNCTION, AddressIn(kProbeInSize, 0, 0, 0), kProbeOutSize - 1,
         ERROR_INSUFFICIENT_BUFFER},
        {"device 32", IOCTL_READ_CONFIG_SPACE, AddressIn(kReadConfigSpaceInSize, 0, 32, 0), kConfigSpaceSize,
         ERROR_INVALID_PARAMETER},
        {"function 8", IOCTL_PROBE_FUNCTION, AddressIn(kProbeInSize, 0, 0, 8), kProbeOutSize, ERROR_INVALID_PARAMETER},
        {"register past the end", IOCTL_READ_CONFIG, RegisterIn(kReadConfigInSize, key, 0xFE, 4), kReadConfigOutSize,
         ERROR_INVALID_PARAMETER},
        {"register width 3", IOCTL_WRITE_CONFIG, badWrite, 0, ERROR_INVALID_PARAMETER},
        {"range unit 3", IOCTL_READ_DEVICE, RangeIn(kSpaceMemory, 0, 3, 1), 3, ERROR_INVALID_PARAMETER},
        {"range unit times count overflowing", IOCTL_READ_DEVICE, RangeIn(kSpaceMemory, 0, 4, 0x40000001u), 4,
         ERROR_INVALID_PARAMETER},
        {"range write one byte short", IOCTL_WRITE_DEVICE, shortRangeWrite, 0, ERROR_INVALID_PARAMETER},
        {"unknown request", MakeControlCode(0x8FF, kFileReadAccess), AddressIn(kProbeInSize, 0, 0, 0), kProbeOutSize,
         ERROR_INVALID_FUNCTION},
        {"source described with input", IOCTL_DESCRIBE_SOURCE, Bytes(4, 0), SourceAnswerSize(1),
         ERROR_INVALID_PARAMETER},
        {"source without room for its segment", IOCTL_DESCRIBE_SOURCE, Bytes(), SourceAnswerSize(1) - 1,
         ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CAnswer answer = Both(c.code, c.in, c.outLength);
        EXPECT_FALSE(answer.ok);
        EXPECT_EQ(answer.error, c.error);
    }
    const CAnswer after = Both(IOCTL_READ_CONFIG_SPACE, AddressOf(kReadConfigSpaceInSize, key), kConfigSpaceSize);
    EXPECT_EQ(after.out, before.out);
}

TEST_F(DriverTest, InjectedFaultsFailRequestsUntilSwitchedOff)
{
    const std::vector<uint32_t> keys = FunctionKeys();
    ASSERT_GE(keys.size(), 2u);
    const uint32_t target = keys[1];
    const uint32_t other = keys[0];
    CFaultGuard fault(s_device);
    const auto probe = [](uint32_t key) {
        return FromDriver(IOCTL_PROBE_FUNCTION, AddressOf(kProbeInSize, key), kProbeOutSize);
    };

    ASSERT_TRUE(fault.Set(kSimFaultAll, 0, 0, 0));
    EXPECT_FALSE(probe(other).ok);
    ASSERT_TRUE(fault.Set(kSimFaultFunction, target >> 8, (target >> 3) & 31, target & 7));
    EXPECT_FALSE(probe(target).ok);
    EXPECT_TRUE(probe(other).ok);
    ASSERT_TRUE(fault.Set(kSimFaultOff, 0, 0, 0));
    EXPECT_TRUE(probe(target).ok);

    // Writes refused as a live machine refuses them reach the program as distinct errors.
    const Bytes write = RegisterIn(kWriteConfigInSize, target, kLatencyTimerOffset, 1);
    ASSERT_TRUE(fault.Set(kSimFaultWriteProtect, 0, 0, 0));
    EXPECT_EQ(FromDriver(IOCTL_WRITE_CONFIG, write, 0).error, DWORD(ERROR_WRITE_PROTECT));
    const CAnswer source = FromDriver(IOCTL_DESCRIBE_SOURCE, Bytes(), SourceAnswerSize(1));
    ASSERT_EQ(source.out.size(), SourceAnswerSize(1));
    EXPECT_EQ(pci::GetLe32(source.out.data() + kSourceFlagsOffset), 0u) << "writes off";
    ASSERT_TRUE(fault.Set(kSimFaultWriteDenied, 0, 0, 0));
    EXPECT_EQ(FromDriver(IOCTL_WRITE_CONFIG, write, 0).error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(probe(target).ok) << "reads go on";
}

// Reads a value of a key below HKLM; returns false when key or value is missing.
bool ReadValue(const std::string& path, const char* name, DWORD* type, Bytes* data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data->assign(size, 0);
        ok = RegQueryValueExA(key, name, nullptr, type, data->data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::set<std::string> SubkeysOf(const std::string& path)
{
    std::set<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.insert(name);
    }
    RegCloseKey(key);
    return names;
}

TEST_F(DriverTest, PlugAndPlayRecordsMatchTheMachineAndNothingElseOfOurs)
{
    std::set<std::string> deviceKeys;
    for (uint32_t i = 0; i < s_model->GetRegistryRecordCount(); ++i) {
        CSimRegistryRecord record = {};
        ASSERT_TRUE(s_model->GetRegistryRecord(i, &record));
        const std::string instance = std::string(kEnumPciKey) + "\\" + record.deviceKey + "\\" + record.instance;
        SCOPED_TRACE(instance);
        deviceKeys.insert(record.deviceKey);
        ASSERT_TRUE(KeyExists(instance));

        DWORD type = 0;
        Bytes data;
        const bool hasLocation = ReadValue(instance, "LocationInformation", &type, &data);
        EXPECT_EQ(hasLocation, record.hasLocation);
        if (hasLocation && record.hasLocation) {
            EXPECT_EQ(type, DWORD(REG_SZ));
            EXPECT_STREQ(reinterpret_cast<const char*>(data.data()), record.location);
        }
        const bool hasAlloc = ReadValue(instance + "\\Control", "AllocConfig", &type, &data);
        EXPECT_EQ(hasAlloc, record.hasControl);
        EXPECT_EQ(KeyExists(instance + "\\Control"), record.hasControl);
        if (hasAlloc && record.hasControl) {
            EXPECT_EQ(type, kRegResourceList);
            EXPECT_EQ(data, InSystemLayout(record.allocConfig, record.allocConfigLength));
        }
    }
    // Records of an earlier machine are gone; Wine's own display entry stays.
    for (const std::string& name : SubkeysOf(kEnumPciKey)) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(deviceKeys.count(name) || name == kWineDisplayKey);
    }
    EXPECT_TRUE(KeyExists(std::string(kEnumPciKey) + "\\" + kWineDisplayKey));
}

} // namespace
