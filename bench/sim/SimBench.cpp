// Round-trip figures of the simulated machine: each request kind through the
// dispatcher directly and through the native DeviceIoControl stand-in, image
// loading, and a bus-0..255 probe sweep of the large machine.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>
#include "CompatMachine.h"
#include "machines/DefaultMachine.h"
#include "protocol/DriverProtocol.h"
#include "sim/SimMachine.h"

namespace {

using CClock = std::chrono::steady_clock;

// Runs the body repeatedly for about a quarter of a second; returns ns per call.
double NanosecondsPerCall(const std::function<void()>& body)
{
    uint64_t calls = 0;
    auto start = CClock::now();
    auto elapsed = CClock::duration::zero();
    do {
        for (int i = 0; i < 64; ++i)
            body();
        calls += 64;
        elapsed = CClock::now() - start;
    } while (elapsed < std::chrono::milliseconds(250));
    return std::chrono::duration<double, std::nano>(elapsed).count() / double(calls);
}

std::vector<uint8_t> Address(uint32_t bus, uint32_t device, uint32_t function, uint32_t length)
{
    std::vector<uint8_t> in(length);
    pci::PutLe32(in.data() + kAddrBusOffset, bus);
    pci::PutLe32(in.data() + kAddrDeviceOffset, device);
    pci::PutLe32(in.data() + kAddrFunctionOffset, function);
    return in;
}

std::vector<uint8_t> Range(uint32_t address, uint32_t unit, uint32_t count, uint32_t extra)
{
    std::vector<uint8_t> in(kRangeHeaderSize + extra);
    in[kRangeSpaceOffset] = kSpaceMemory;
    pci::PutLe32(in.data() + kRangeAddressOffset, address);
    pci::PutLe32(in.data() + kRangeUnitOffset, unit);
    pci::PutLe32(in.data() + kRangeCountOffset, count);
    return in;
}

struct CRequest
{
    const char* m_name;
    uint32_t m_code;
    std::vector<uint8_t> m_in;
    uint32_t m_outLength;
};

std::string ReadFile(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

} // namespace

int main()
{
    constexpr uint32_t kFramebuffer = 0xD4000000; // BAR 0 of the default machine's display adapter
    std::vector<uint8_t> readReg = Address(0, 7, 1, kReadConfigInSize);
    pci::PutLe32(readReg.data() + kRegOffsetOffset, 0x3C);
    readReg[kRegSizeOffset] = 1;
    std::vector<uint8_t> writeReg = Address(0, 7, 1, kWriteConfigInSize);
    pci::PutLe32(writeReg.data() + kRegOffsetOffset, 0x3C);
    writeReg[kRegSizeOffset] = 1;
    std::vector<uint8_t> writeRange = Range(kFramebuffer + 0x100, 4, 1, 4 + kWriteDeviceTrailerSize);
    const std::vector<CRequest> requests = {
        {"probe (present)", IOCTL_PROBE_FUNCTION, Address(0, 7, 1, kProbeInSize), kProbeOutSize},
        {"probe (absent)", IOCTL_PROBE_FUNCTION, Address(0, 30, 7, kProbeInSize), kProbeOutSize},
        {"read config space", IOCTL_READ_CONFIG_SPACE, Address(1, 0, 0, kReadConfigSpaceInSize), kConfigSpaceSize},
        {"read register", IOCTL_READ_CONFIG, readReg, kReadConfigOutSize},
        {"write register", IOCTL_WRITE_CONFIG, writeReg, 0},
        {"read range 4 bytes", IOCTL_READ_DEVICE, Range(kFramebuffer, 4, 1, 0), 4},
        {"write range 4 bytes", IOCTL_WRITE_DEVICE, writeRange, 0},
        {"read range 64 KiB", IOCTL_READ_DEVICE, Range(kFramebuffer, 4, 0x4000, 0), 0x10000},
    };

    CSimMachine machine;
    CSimError error = {};
    if (!machine.Load(kDefaultMachineImage, kDefaultMachineImageSize, "default.txt", &error)) {
        std::fprintf(stderr, "default machine: %s:%u: %s\n", error.fileName, error.line, error.message);
        return 1;
    }
    HANDLE device = CreateFileA("\\\\.\\briscodrvDevice", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<uint8_t> out(0x10000);
    std::printf("%-22s %14s %18s\n", "request", "dispatch ns", "DeviceIoControl ns");
    for (const CRequest& r : requests) {
        std::vector<uint8_t> in = r.m_in;
        uint32_t returned = 0;
        double direct = NanosecondsPerCall(
            [&] { machine.Dispatch(r.m_code, in.data(), uint32_t(in.size()), out.data(), r.m_outLength, &returned); });
        DWORD bytes = 0;
        double stand_in = NanosecondsPerCall([&] {
            DeviceIoControl(device, r.m_code, in.data(), DWORD(in.size()), out.data(), r.m_outLength, &bytes, nullptr);
        });
        std::printf("%-22s %14.0f %18.0f\n", r.m_name, direct, stand_in);
    }
    CloseHandle(device);

    std::string large = ReadFile(BRISCO_LARGE_MACHINE);
    double loadDefault = NanosecondsPerCall([&] {
        CSimMachine m;
        m.Load(kDefaultMachineImage, kDefaultMachineImageSize, "default.txt", &error);
    });
    double loadLarge = NanosecondsPerCall([&] {
        CSimMachine m;
        m.Load(large.data(), uint32_t(large.size()), "large.txt", &error);
    });
    std::printf("load default.txt: %.1f us; load large.txt (%zu bytes): %.1f us\n", loadDefault / 1000, large.size(),
                loadLarge / 1000);

    CSimMachine big;
    big.Load(large.data(), uint32_t(large.size()), "large.txt", &error);
    std::vector<uint8_t> probe(kProbeInSize);
    double sweep = NanosecondsPerCall([&] {
        uint32_t returned = 0;
        for (uint32_t bus = 0; bus < 256; ++bus)
            for (uint32_t slot = 0; slot < 256; ++slot) {
                pci::PutLe32(probe.data() + kAddrBusOffset, bus);
                pci::PutLe32(probe.data() + kAddrDeviceOffset, slot >> 3);
                pci::PutLe32(probe.data() + kAddrFunctionOffset, slot & 7);
                big.Dispatch(IOCTL_PROBE_FUNCTION, probe.data(), kProbeInSize, out.data(), 4, &returned);
            }
    });
    std::printf("probe sweep of 65536 addresses on large.txt: %.2f ms\n", sweep / 1e6);
    return 0;
}
