// Times full bus scans: driver requests, scan time and the share of name lookups.
// Run from the folder that holds pcidevs.txt. Natively it scans the embedded
// machine and a large generated one; under Windows it scans what the driver serves.
#include "device/PciFunction.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"

#include <stdint.h>
#include <stdio.h>

#include <chrono>
#include <string>

#ifndef _WIN32
#include "compat/CompatMachine.h"
#endif

namespace {

using CClock = std::chrono::steady_clock;

const char kDriverPath[] = "\\\\.\\briscodrvDevice";
constexpr int kRepetitions = 7;

double MillisecondsSince(CClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(CClock::now() - start).count();
}

void CountFunctions(const CPciFunction& function, uint32_t* count)
{
    ++*count;
    for (const auto& child : function.m_children)
        CountFunctions(*child, count);
}

// Looks the names of the whole tree up again, as the scan did, and returns the time taken.
double TimeNameLookups(CPciFunction& function)
{
    CClock::time_point start = CClock::now();
    function.LoadDeviceNames();
    double total = MillisecondsSince(start);
    for (const auto& child : function.m_children)
        total += TimeNameLookups(*child);
    return total;
}

struct CFigures
{
    uint32_t functions = 0;
    double scanMs = 0;
    double namesMs = 0;
};

// The fastest of several scans and, separately, the fastest of the name passes:
// the machine is shared, so the minimum is the figure least disturbed by others.
CFigures MeasureScan(HANDLE driver)
{
    CFigures best;
    for (int i = 0; i < kRepetitions; ++i) {
        CClock::time_point start = CClock::now();
        CPciFunction root(driver);
        double scanMs = MillisecondsSince(start);
        double namesMs = TimeNameLookups(root);
        if (i == 0 || scanMs < best.scanMs)
            best.scanMs = scanMs;
        if (i == 0 || namesMs < best.namesMs)
            best.namesMs = namesMs;
        best.functions = 0;
        CountFunctions(root, &best.functions);
    }
    return best;
}

// requests = 0: not counted (through the real driver); the native run of the same machine counts them.
void Report(const char* machine, const CFigures& figures, uint32_t requests)
{
    char counted[16] = "-";
    if (requests)
        snprintf(counted, sizeof counted, "%u", requests);
    double share = figures.scanMs > 0 ? 100.0 * figures.namesMs / figures.scanMs : 0.0;
    printf("%-10s functions %4u  requests/scan %6s  scan %9.2f ms  names %9.2f ms (%4.1f%%)  other %9.2f ms\n", machine,
           figures.functions, counted, figures.scanMs, figures.namesMs, share, figures.scanMs - figures.namesMs);
}

#ifndef _WIN32
// A tree of bridges: bus 0 holds a host bridge and eight bridges; every bus
// below holds bridges until busCount buses exist, and devices whose IDs are
// partly known to the name file and partly not.
std::string LargeMachine(uint32_t busCount, uint32_t devicesPerBus)
{
    std::string text;
    auto add = [&text](uint32_t bus, uint32_t device, uint32_t function, const uint8_t* config) {
        char line[64];
        snprintf(line, sizeof line, "%02x:%02x.%u Generated\n", bus, device, function);
        text += line;
        for (uint32_t row = 0; row < 256; row += 16) {
            snprintf(line, sizeof line, "%02x:", row);
            text += line;
            for (uint32_t i = row; i < row + 16; ++i) {
                snprintf(line, sizeof line, " %02x", config[i]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    };
    auto header = [](uint8_t* config, uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subclass,
                     uint8_t type) {
        for (uint32_t i = 0; i < pci::kConfigSpaceBytes; ++i)
            config[i] = 0;
        pci::PutLe16(config + pci::kVendorIdOffset, vendor);
        pci::PutLe16(config + pci::kDeviceIdOffset, device);
        config[pci::kSubclassOffset] = subclass;
        config[pci::kBaseClassOffset] = baseClass;
        config[pci::kHeaderTypeOffset] = type;
    };
    // Device IDs: known Intel parts, a known vendor with unknown devices, and an unknown vendor.
    const uint16_t vendors[] = {0x8086, 0x8086, 0x10EC, 0x1234};
    const uint16_t devices[] = {0x7111, 0x7112, 0x8139, 0xBEEF};
    uint8_t config[pci::kConfigSpaceBytes];
    header(config, 0x8086, 0x7190, 0x06, 0x00, 0x00);
    add(0, 0, 0, config);
    uint32_t nextBus = 1;
    for (uint32_t bus = 0; bus < busCount; ++bus) {
        uint32_t device = 1;
        for (uint32_t b = 0; b < 4 && nextBus < busCount; ++b, ++device, ++nextBus) {
            header(config, 0x8086, 0x244E, 0x06, 0x04, 0x01);
            config[pci::kPrimaryBusOffset] = uint8_t(bus);
            config[pci::kSecondaryBusOffset] = uint8_t(nextBus);
            config[pci::kSubordinateBusOffset] = uint8_t(nextBus);
            add(bus, device, 0, config);
        }
        for (uint32_t d = 0; d < devicesPerBus; ++d, ++device) {
            uint32_t kind = (bus + d) % 4;
            header(config, vendors[kind], devices[kind], 0x02, 0x00, 0x00);
            add(bus, device, 0, config);
        }
    }
    return text;
}
#endif

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

bool WriteText(const char* path, const std::string& text)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
}
#endif

} // namespace

// Native: scan_bench [image...] scans the default machine, a generated large
// one and each image named; scan_bench --write-large FILE saves the generated
// machine for the driver. Windows: scan_bench [label] scans what the driver serves.
int main(int argc, char** argv)
{
#ifndef _WIN32
    const std::string large = LargeMachine(40, 5);
    if (argc == 3 && std::string(argv[1]) == "--write-large")
        return WriteText(argv[2], large) ? 0 : 1;
#endif
    FILE* names = fopen("pcidevs.txt", "r");
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
#ifdef _WIN32
    // Requests cannot be counted through the driver; the native run counts them for the same machine.
    Report(argc > 1 ? argv[1] : "driver", MeasureScan(driver), 0);
#else
    uint32_t requests = 0;
    CompatSetRequestObserver([&requests](uint32_t, const std::vector<uint8_t>&, uint32_t, bool) { ++requests; });
    auto run = [driver, &requests](const char* name, const std::string& image) {
        std::string error;
        if (image.empty())
            CompatUseDefaultMachine();
        else if (!CompatLoadMachine(image, name, &error)) {
            fprintf(stderr, "scan_bench: %s\n", error.c_str());
            return false;
        }
        requests = 0;
        {
            CPciFunction once(driver);
        }
        uint32_t perScan = requests;
        Report(name, MeasureScan(driver), perScan);
        return true;
    };
    bool ok = run("default", std::string()) && run("large", large);
    for (int i = 1; ok && i < argc; ++i) {
        std::string image;
        ok = ReadText(argv[i], &image) && run(argv[i], image);
    }
    CompatSetRequestObserver(nullptr);
    if (!ok)
        return 1;
#endif
    CloseHandle(driver);
    return 0;
}
