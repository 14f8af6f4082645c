// Full-scan figures measured in one run, so that they hold on a busy machine: the
// requests one scan sends, by kind and by the operation that sends them; the scan's
// time against its requests' cost (each kind's count times that kind's median round
// trip, replayed from the scan's own requests in the same run); the name lookups'
// share of the scan. Each machine is scanned under both probing rules (as an operating
// system probes, and every function number of every device), and the ratio of their
// median scans is printed. Run it from the folder that holds pcidevs.txt. Natively it
// scans the embedded machine and each image named, with requests served in-process;
// under Windows it scans what the driver serves.
#include "device/PciFunction.h"
#include "device/PciNameIndex.h"
#include "pci/ByteOrder.h"
#include "protocol/DriverProtocol.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include "compat/CompatMachine.h"
#endif

namespace {

using CClock = std::chrono::steady_clock;

const char kDriverPath[] = "\\\\.\\briscodrvDevice";
constexpr int kDefaultRounds = 7;
// SCAN_BENCH_ROUNDS overrides the number of rounds per machine and rule.
int Rounds()
{
    const char* text = getenv("SCAN_BENCH_ROUNDS");
    const int rounds = text ? atoi(text) : 0;
    return rounds > 0 ? rounds : kDefaultRounds;
}
constexpr size_t kReplaysPerKind = 300;

double MillisecondsSince(CClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(CClock::now() - start).count();
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One request of a scan as it was sent.
struct CRequest
{
    uint32_t code = 0;
    std::vector<uint8_t> in;
    uint32_t outLength = 0;
};

// The requests of the scan in progress; empty when nothing is recorded.
std::vector<CRequest>* g_recording = nullptr;
// The time spent inside the recorded requests, and in those of them that took over
// a millisecond: the stalls of a busy machine (measured under Windows only).
constexpr double kStallMs = 1.0;
double g_insideMs = 0;
double g_stalledMs = 0;

void Record(uint32_t code, const void* in, uint32_t inLength, uint32_t outLength)
{
    if (!g_recording)
        return;
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    g_recording->push_back({code, std::vector<uint8_t>(bytes, bytes + inLength), outLength});
}

#ifdef _WIN32
// The device layer calls DeviceIoControl through this process's import slot; the
// bench puts a recorder in it, so the scan runs unchanged and every request is seen.
using CDeviceIoControl = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
#ifdef __i386__
extern "C" CDeviceIoControl g_deviceIoControlSlot __asm__("__imp__DeviceIoControl@32"); // stdcall decoration
#else
extern "C" CDeviceIoControl g_deviceIoControlSlot __asm__("__imp_DeviceIoControl");
#endif
CDeviceIoControl g_deviceIoControl = nullptr;

BOOL WINAPI RecordingDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inLength, LPVOID out, DWORD outLength,
                                     LPDWORD returned, LPOVERLAPPED overlapped)
{
    Record(code, in, inLength, outLength);
    CClock::time_point start = CClock::now();
    BOOL ok = g_deviceIoControl(device, code, in, inLength, out, outLength, returned, overlapped);
    double took = MillisecondsSince(start);
    g_insideMs += took;
    if (took > kStallMs)
        g_stalledMs += took;
    return ok;
}

bool InstallRecorder()
{
    DWORD protection = 0;
    if (!VirtualProtect(&g_deviceIoControlSlot, sizeof g_deviceIoControlSlot, PAGE_READWRITE, &protection))
        return false;
    g_deviceIoControl = g_deviceIoControlSlot;
    g_deviceIoControlSlot = &RecordingDeviceIoControl;
    return true;
}

BOOL SendUnrecorded(HANDLE device, const CRequest& request, void* out, DWORD* returned)
{
    return g_deviceIoControl(device, request.code, const_cast<uint8_t*>(request.in.data()), DWORD(request.in.size()),
                             out, request.outLength, returned, nullptr);
}
#else
bool InstallRecorder()
{
    CompatSetRequestObserver([](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool) {
        Record(code, in.data(), uint32_t(in.size()), outLength);
    });
    return true;
}

BOOL SendUnrecorded(HANDLE device, const CRequest& request, void* out, DWORD* returned)
{
    std::vector<CRequest>* recording = g_recording;
    g_recording = nullptr;
    BOOL ok = DeviceIoControl(device, request.code, const_cast<uint8_t*>(request.in.data()), DWORD(request.in.size()),
                              out, request.outLength, returned, nullptr);
    g_recording = recording;
    return ok;
}
#endif

const char* KindName(uint32_t code)
{
    switch (code) {
    case IOCTL_PROBE_FUNCTION: return "probe";
    case IOCTL_READ_CONFIG_SPACE: return "read configuration space";
    case IOCTL_READ_CONFIG: return "read register";
    case IOCTL_WRITE_CONFIG: return "write register";
    case IOCTL_READ_DEVICE: return "read device range";
    case IOCTL_WRITE_DEVICE: return "write device range";
    case IOCTL_READ_EXTENDED_CONFIG_SPACE: return "read whole space";
    case IOCTL_DESCRIBE_SOURCE: return "describe source";
    default: return "other";
    }
}

// The function address of a configuration request: its bus field (segment and bus), device and
// function; all ones for a request that names no function.
uint64_t AddressOf(const CRequest& request)
{
    if (request.in.size() < kAddrFunctionOffset + 4)
        return UINT64_MAX;
    return uint64_t(pci::GetLe32(request.in.data() + kAddrBusOffset)) << 8 |
        pci::GetLe32(request.in.data() + kAddrDeviceOffset) << 3 |
        pci::GetLe32(request.in.data() + kAddrFunctionOffset);
}

// Counts by operation: the root's search for the host bridge sends everything up to
// and including the read of the host bridge; afterwards probes come from the bus
// scans and configuration reads from the constructors of the functions found. A
// request whose kind and address were sent before in the same scan is a repeat.
struct CRequestTable
{
    std::map<std::string, uint32_t> counts;
    std::map<uint32_t, uint32_t> byKind;
    uint32_t repeats = 0;
    uint32_t total = 0;
};

CRequestTable Tabulate(const std::vector<CRequest>& requests, const CPciFunction& root)
{
    CRequestTable table;
    const uint64_t rootAddress = uint64_t(root.BusField()) << 8 | root.m_device << 3 | root.m_function;
    bool searching = true;
    std::map<std::pair<uint32_t, uint64_t>, int> seen;
    for (const CRequest& request : requests) {
        const uint64_t address = AddressOf(request);
        const char* operation = searching          ? "host bridge search"
            : request.code == IOCTL_PROBE_FUNCTION ? "bus scan"
                                                   : "function construction";
        ++table.counts[std::string(KindName(request.code)) + ", " + operation];
        ++table.byKind[request.code];
        ++table.total;
        if (seen[{request.code, address}]++ > 0)
            ++table.repeats;
        if (searching && request.code == IOCTL_READ_CONFIG_SPACE && address == rootAddress)
            searching = false;
    }
    return table;
}

void CountFunctions(const CPciFunction& function, uint32_t* count)
{
    ++*count;
    for (const auto& child : function.m_children)
        CountFunctions(*child, count);
}

// The lookups as the scan makes them: the index taken once, then each function's names.
double TimeNameLookups(CPciFunction& root)
{
    CClock::time_point start = CClock::now();
    std::shared_ptr<const CPciNameIndex> index = CPciNameIndex::ForFile(CPciFunction::kNameFile);
    std::vector<CPciFunction*> pending = {&root};
    while (!pending.empty()) {
        CPciFunction* function = pending.back();
        pending.pop_back();
        function->LoadDeviceNames(index.get());
        for (const auto& child : function->m_children)
            pending.push_back(child.get());
    }
    return MillisecondsSince(start);
}

// Median round trip of each kind, from a spread sample of the scan's own requests.
std::map<uint32_t, std::vector<double>> ReplayTimes(HANDLE driver, const std::vector<CRequest>& requests)
{
    std::map<uint32_t, std::vector<const CRequest*>> byKind;
    for (const CRequest& request : requests)
        byKind[request.code].push_back(&request);
    std::map<uint32_t, std::vector<double>> times;
    std::vector<uint8_t> out;
    for (const auto& [code, list] : byKind) {
        size_t step = list.size() / kReplaysPerKind + 1;
        for (size_t i = 0; i < list.size(); i += step) {
            out.resize(list[i]->outLength + 1);
            DWORD returned = 0;
            CClock::time_point start = CClock::now();
            SendUnrecorded(driver, *list[i], out.data(), &returned);
            times[code].push_back(MillisecondsSince(start));
        }
    }
    return times;
}

// Rounds of scan, replay and name lookups alternate, so that all three see the same
// load; the medians are taken over the rounds. Returns the median scan in milliseconds.
double Measure(const char* machine, HANDLE driver, const CPciFunction::CScanOptions& options)
{
    // The first scan indexes the name file; the rounds after it find the index ready.
    CClock::time_point coldStart = CClock::now();
    std::shared_ptr<const CPciNameIndex> index = CPciNameIndex::ForFile(CPciFunction::kNameFile);
    double indexMs = MillisecondsSince(coldStart);
    std::vector<double> scans;
    std::vector<double> names;
    std::vector<double> outside;
    std::vector<double> stalled;
    std::map<uint32_t, std::vector<double>> roundTrips;
    std::vector<CRequest> requests;
    CRequestTable table;
    uint32_t functions = 0;
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        requests.clear();
        g_recording = &requests;
        g_insideMs = 0;
        g_stalledMs = 0;
        CClock::time_point start = CClock::now();
        CPciFunction root(driver, options);
        scans.push_back(MillisecondsSince(start));
        g_recording = nullptr;
        outside.push_back(scans.back() - g_insideMs);
        stalled.push_back(g_stalledMs);
        if (round == 0) {
            table = Tabulate(requests, root);
            CountFunctions(root, &functions);
        }
        names.push_back(TimeNameLookups(root));
        for (auto& [code, times] : ReplayTimes(driver, requests))
            roundTrips[code].insert(roundTrips[code].end(), times.begin(), times.end());
    }
    double scanMs = Median(scans);
    double namesMs = Median(names);
    double requestsMs = 0;
    printf("%s, %s: %u functions, %u requests per scan, %u of them repeats; name file indexed in %.1f ms\n", machine,
           options.everyFunction ? "every function number" : "function 0 first", functions, table.total, table.repeats,
           indexMs);
    for (const auto& [kindAndOperation, count] : table.counts)
        printf("  %-46s %7u\n", kindAndOperation.c_str(), count);
    for (const auto& [code, count] : table.byKind) {
        double median = Median(roundTrips[code]);
        requestsMs += count * median;
        printf("  %-28s %7u x %8.4f ms median round trip = %9.2f ms\n", KindName(code), count, median, count * median);
    }
    // The fastest scan is the one least disturbed by the machine's other work.
    double fastestMs = *std::min_element(scans.begin(), scans.end());
    printf("  scan %.2f ms fastest, %.2f ms median of %d; requests' cost %.2f ms: scan / requests' cost %.2f "
           "(median scan %.2f)\n",
           fastestMs, scanMs, rounds, requestsMs, requestsMs > 0 ? fastestMs / requestsMs : 0.0,
           requestsMs > 0 ? scanMs / requestsMs : 0.0);
#ifdef _WIN32
    // Round trips vary; what the scan spends outside its requests is its own cost.
    printf("  outside the requests %.2f ms (median): %.1f%% of the scan; requests over %.0f ms took %.2f ms\n",
           Median(outside), scanMs > 0 ? 100 * Median(outside) / scanMs : 0.0, kStallMs, Median(stalled));
#endif
    printf("  names %.3f ms: names / scan %.4f\n", namesMs, scanMs > 0 ? namesMs / scanMs : 0.0);
    return scanMs;
}

// The machine under both rules, in the same run.
void MeasureBothRules(const char* machine, HANDLE driver)
{
    CPciFunction::CScanOptions everyFunction;
    everyFunction.everyFunction = true;
    const double oldMs = Measure(machine, driver, everyFunction);
    const double newMs = Measure(machine, driver, CPciFunction::CScanOptions{});
    printf("%s: median scan, function 0 first / every function number: %.2f ms / %.2f ms = %.3f\n\n", machine, newMs,
           oldMs, oldMs > 0 ? newMs / oldMs : 0.0);
}

#ifndef _WIN32
bool ReadText(const char* path, std::string* text)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t read = 0;
    while ((read = fread(chunk, 1, sizeof chunk, file)) > 0)
        text->append(chunk, read);
    fclose(file);
    return true;
}
#endif

} // namespace

// Native: scan_bench [image...] scans the default machine and each image named.
// Windows: scan_bench [label] scans what the driver serves.
int main(int argc, char** argv)
{
    FILE* names = fopen(CPciFunction::kNameFile, "r");
    if (!names) {
        fprintf(stderr, "scan_bench: pcidevs.txt is not in the current directory\n");
        return 1;
    }
    fclose(names);
    HANDLE driver = CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "scan_bench: cannot open %s\n", kDriverPath);
        return 1;
    }
    if (!InstallRecorder()) {
        fprintf(stderr, "scan_bench: cannot record the requests\n");
        return 1;
    }
#ifdef _WIN32
    MeasureBothRules(argc > 1 ? argv[1] : "driver", driver);
#else
    CompatUseDefaultMachine();
    MeasureBothRules("default", driver);
    for (int i = 1; i < argc; ++i) {
        std::string image;
        std::string error;
        if (!ReadText(argv[i], &image) || !CompatLoadMachine(image, argv[i], &error)) {
            fprintf(stderr, "scan_bench: %s: %s\n", argv[i], error.empty() ? "cannot read" : error.c_str());
            return 1;
        }
        MeasureBothRules(argv[i], driver);
    }
    CompatSetRequestObserver(nullptr);
#endif
    CloseHandle(driver);
    return 0;
}
