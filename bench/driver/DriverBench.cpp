// Round-trip figures of the real driver under Wine: each request kind of the
// protocol, timed one request at a time, and a probe sweep of bus 0 as the bus
// scan does it. Prints median, mean and fastest time per request.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "pci/Bar.h"
#include "protocol/DriverProtocol.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kDevicePath[] = "\\\\.\\briscodrvDevice";
constexpr uint32_t kBigRangeBytes = 4096;
constexpr double kSecondsPerKind = 0.5;

struct CRequest
{
    std::string name;
    uint32_t code;
    Bytes in;
    uint32_t outLength;
};

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

Bytes Address(uint32_t size, uint32_t bus, uint32_t device, uint32_t function)
{
    Bytes in(size, 0);
    pci::PutLe32(in.data() + kAddrBusOffset, bus);
    pci::PutLe32(in.data() + kAddrDeviceOffset, device);
    pci::PutLe32(in.data() + kAddrFunctionOffset, function);
    return in;
}

Bytes Register(uint32_t size, uint32_t offset, uint8_t width, uint32_t value = 0)
{
    Bytes in = Address(size, 0, 0, 0);
    pci::PutLe32(in.data() + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = width;
    if (size == kWriteConfigInSize) {
        pci::PutLe32(in.data() + kRegValueOffset, value);
    }
    return in;
}

Bytes Range(uint32_t address, uint32_t unit, uint32_t count, bool write)
{
    Bytes in(kRangeHeaderSize + (write ? unit * count + kWriteDeviceTrailerSize : 0), 0);
    in[kRangeSpaceOffset] = kSpaceMemory;
    pci::PutLe32(in.data() + kRangeAddressOffset, address);
    pci::PutLe32(in.data() + kRangeUnitOffset, unit);
    pci::PutLe32(in.data() + kRangeCountOffset, count);
    return in;
}

bool Send(HANDLE device, const CRequest& request, Bytes* out)
{
    out->resize(request.outLength);
    DWORD returned = 0;
    return DeviceIoControl(device, request.code, const_cast<uint8_t*>(request.in.data()),
                           static_cast<DWORD>(request.in.size()), out->empty() ? nullptr : out->data(),
                           request.outLength, &returned, nullptr);
}

// The first memory range of bus 0 to 2 that answers a read, or 0.
uint32_t FindMemoryRange(HANDLE device)
{
    Bytes out;
    for (uint32_t bus = 0; bus < 3; ++bus) {
        for (uint32_t slot = 0; slot < 32; ++slot) {
            CRequest read = {"", IOCTL_READ_CONFIG, Address(kReadConfigInSize, bus, slot, 0), kReadConfigOutSize};
            pci::PutLe32(read.in.data() + kRegOffsetOffset, pci::kBar0Offset);
            read.in[kRegSizeOffset] = pci::kBarBytes;
            if (!Send(device, read, &out)) {
                continue;
            }
            const uint32_t bar = pci::GetLe32(out.data());
            const uint32_t base = pci::BarBase(bar);
            CRequest probe = {"", IOCTL_READ_DEVICE, Range(base, 4, kBigRangeBytes / 4, false), kBigRangeBytes};
            if (bar != pci::kAbsentFunctionDword && !pci::IsIoBar(bar) && base != 0 && Send(device, probe, &out)) {
                return base;
            }
        }
    }
    return 0;
}

void Measure(HANDLE device, const CRequest& request, uint32_t requestsPerSample = 1)
{
    std::vector<double> samples;
    Bytes out;
    bool ok = true;
    const double start = Now();
    while (Now() - start < kSecondsPerKind) {
        const double before = Now();
        for (uint32_t i = 0; i < requestsPerSample; ++i) {
            ok = Send(device, request, &out) && ok;
        }
        samples.push_back((Now() - before) * 1e6 / requestsPerSample);
    }
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples) {
        sum += s;
    }
    std::printf("%-38s %9.1f %9.1f %9.1f %8zu%s\n", request.name.c_str(), samples[samples.size() / 2],
                sum / double(samples.size()), samples.front(), samples.size() * requestsPerSample,
                ok ? "" : "  (some requests failed)");
}

// One probe of every device and function of bus 0, as the bus scan sends them.
void MeasureBusSweep(HANDLE device)
{
    Bytes out;
    std::vector<double> sweeps;
    const double start = Now();
    while (Now() - start < kSecondsPerKind * 2) {
        const double before = Now();
        for (uint32_t slot = 0; slot < 32; ++slot) {
            for (uint32_t function = 0; function < 8; ++function) {
                Send(device, {"", IOCTL_PROBE_FUNCTION, Address(kProbeInSize, 0, slot, function), kProbeOutSize}, &out);
            }
        }
        sweeps.push_back((Now() - before) * 1e3);
    }
    std::sort(sweeps.begin(), sweeps.end());
    std::printf("%-38s %9.2f ms median, %.2f ms fastest, %zu sweeps\n", "bus 0 sweep (256 probes)",
                sweeps[sweeps.size() / 2], sweeps.front(), sweeps.size());
}

} // namespace

int main()
{
    HANDLE device = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "driver-bench: cannot open %s (error %lu)\n", kDevicePath, GetLastError());
        return 1;
    }
    Bytes out;
    CRequest latency = {"", IOCTL_READ_CONFIG, Register(kReadConfigInSize, pci::kLatencyTimerOffset, pci::kByteBytes),
                        kReadConfigOutSize};
    const uint32_t latencyValue = Send(device, latency, &out) ? pci::GetLe32(out.data()) & 0xFF : 0;
    const uint32_t range = FindMemoryRange(device);

    std::printf("%-38s %9s %9s %9s %8s\n", "request (microseconds each)", "median", "mean", "fastest", "count");
    Measure(device, {"probe, present function", IOCTL_PROBE_FUNCTION, Address(kProbeInSize, 0, 0, 0), kProbeOutSize});
    Measure(device, {"probe, absent function", IOCTL_PROBE_FUNCTION, Address(kProbeInSize, 0, 31, 7), kProbeOutSize});
    Measure(device,
            {"read configuration space (256 B)", IOCTL_READ_CONFIG_SPACE, Address(kReadConfigSpaceInSize, 0, 0, 0),
             kConfigSpaceSize});
    Measure(device, {"read register (4 B)", IOCTL_READ_CONFIG, Register(kReadConfigInSize, 0, 4), kReadConfigOutSize});
    Measure(device,
            {"write register (1 B, same value)", IOCTL_WRITE_CONFIG,
             Register(kWriteConfigInSize, pci::kLatencyTimerOffset, pci::kByteBytes, latencyValue), 0});
    if (range) {
        Measure(device, {"read device range (4 B)", IOCTL_READ_DEVICE, Range(range, 4, 1, false), 4});
        Measure(device,
                {"read device range (4 KiB, unit 4)", IOCTL_READ_DEVICE, Range(range, 4, kBigRangeBytes / 4, false),
                 kBigRangeBytes});
        Measure(device,
                {"read device range (4 KiB, unit 1)", IOCTL_READ_DEVICE, Range(range, 1, kBigRangeBytes, false),
                 kBigRangeBytes});
        CRequest read = {"", IOCTL_READ_DEVICE, Range(range, 4, 1, false), 4};
        if (Send(device, read, &out)) {
            CRequest write = {"write device range (4 B, same value)", IOCTL_WRITE_DEVICE, Range(range, 4, 1, true), 0};
            std::copy(out.begin(), out.end(), write.in.begin() + kRangeHeaderSize);
            Measure(device, write);
        }
    } else {
        std::printf("(no memory range found on buses 0 to 2: range requests not measured)\n");
    }
    MeasureBusSweep(device);
    CloseHandle(device);
    return 0;
}
