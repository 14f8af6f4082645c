// machine-check: loads a machine image the way the driver would and prints what
// it holds, or the parser's error with a non-zero exit status.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>
#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"

namespace {

constexpr int kExitBadImage = 1;
constexpr int kExitUsage = 2;

std::string FormatSize(uint64_t size)
{
    static const char* const kUnits[] = {"", "K", "M", "G", "T"};
    int unit = 0;
    while (unit < 4 && size >= 1024 && size % 1024 == 0) {
        size /= 1024;
        ++unit;
    }
    return std::to_string(size) + kUnits[unit];
}

const char* KindName(uint8_t kind)
{
    switch (kind) {
    case kSimBarIo: return "I/O";
    case kSimBarMem32: return "memory 32-bit";
    case kSimBarMem64: return "memory 64-bit";
    case kSimBarRom: return "expansion ROM";
    default: return "";
    }
}

void PrintFunction(const CSimFunction& f)
{
    std::printf("%02x:%02x.%x  %04x:%04x  class %02x%02x%02x  header %02x%s%s\n", f.m_bus, f.m_device, f.m_function,
                pci::GetLe16(f.m_config + pci::kVendorIdOffset), pci::GetLe16(f.m_config + pci::kDeviceIdOffset),
                f.m_config[pci::kBaseClassOffset], f.m_config[pci::kSubclassOffset],
                f.m_config[pci::kProgrammingInterfaceOffset], f.m_config[pci::kHeaderTypeOffset],
                f.m_answersAllFunctions ? "  (answers on every function number)" : "",
                f.m_registryMode == kSimRegistryNone            ? "  (no registry record)"
                    : f.m_registryMode == kSimRegistryNoControl ? "  (registry record without Control key)"
                                                                : "");
    if (f.m_hasExtendedSpace)
        std::printf("    PCI Express: 4 KiB configuration space\n");
    if (f.Layout() == pci::kLayoutPciBridge)
        std::printf("    bridge to bus %02x (subordinate %02x)\n", f.m_config[pci::kSecondaryBusOffset],
                    f.m_config[pci::kSubordinateBusOffset]);
    for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
        uint8_t kind = f.m_barKind[slot];
        if (kind == kSimBarNone || kind == kSimBarUpperHalf)
            continue;
        std::string name = slot == kSimRomSlot ? "ROM " : "BAR" + std::to_string(slot);
        std::printf("    %s  %-14s at %08llx  size %s%s\n", name.c_str(), KindName(kind),
                    static_cast<unsigned long long>(f.SlotBase(slot)), FormatSize(f.m_barSize[slot]).c_str(),
                    f.m_barSizeLine[slot] ? "" : " (default rule)");
    }
}

// One range that a BAR or expansion ROM decodes as the image leaves the function.
struct CDecodedRange
{
    const CSimFunction* function;
    uint32_t slot;
    uint8_t space;
    uint64_t base;
    uint64_t size;
};

std::string DescribeRange(const CDecodedRange& range)
{
    char text[96];
    std::snprintf(text, sizeof text, "%02x:%02x.%x %s (%s %llx-%llx)", range.function->m_bus, range.function->m_device,
                  range.function->m_function,
                  range.slot == kSimRomSlot ? "ROM" : ("BAR" + std::to_string(range.slot)).c_str(),
                  range.space == kSpaceIo ? "I/O" : "memory", static_cast<unsigned long long>(range.base),
                  static_cast<unsigned long long>(range.base + (range.size - 1)));
    return text;
}

// Two ranges that share addresses: firmware assigned them so, which a working machine never
// does. The simulator answers there for the lowest bus/device/function, and says so.
void WarnOverlaps(const CSimMachine& machine)
{
    std::vector<CDecodedRange> ranges;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction* f = machine.GetFunction(i);
        for (uint8_t space : {kSpaceIo, kSpaceMemory}) {
            for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
                CDecodedRange range = {f, slot, space, 0, 0};
                if (f->SlotRange(slot, space, &range.base, &range.size))
                    ranges.push_back(range);
            }
        }
    }
    // In machine order within a base, so the first of a pair is the one that decodes.
    std::stable_sort(ranges.begin(), ranges.end(), [](const CDecodedRange& a, const CDecodedRange& b) {
        return a.space != b.space ? a.space < b.space : a.base < b.base;
    });
    for (size_t i = 0; i < ranges.size(); ++i) {
        for (size_t j = i + 1; j < ranges.size() && ranges[j].space == ranges[i].space &&
             ranges[j].base - ranges[i].base < ranges[i].size;
             ++j) {
            const bool firstDecodes = ranges[i].function->Key() < ranges[j].function->Key() ||
                (ranges[i].function == ranges[j].function && ranges[i].slot < ranges[j].slot);
            const CDecodedRange& winner = firstDecodes ? ranges[i] : ranges[j];
            std::printf("warning: %s overlaps %s: broken firmware assignment; %02x:%02x.%x %s answers there\n",
                        DescribeRange(ranges[i]).c_str(), DescribeRange(ranges[j]).c_str(), winner.function->m_bus,
                        winner.function->m_device, winner.function->m_function,
                        winner.slot == kSimRomSlot ? "ROM" : ("BAR" + std::to_string(winner.slot)).c_str());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: machine-check IMAGE\n");
        return kExitUsage;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return kExitBadImage;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    CSimMachine machine;
    CSimError error = {};
    if (!machine.Load(text.data(), uint32_t(text.size()), argv[1], &error)) {
        std::fprintf(stderr, "%s:%u: %s\n", error.fileName, error.line, error.message);
        return kExitBadImage;
    }
    std::set<uint32_t> buses;
    uint32_t bridges = 0, bars = 0;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction& f = *machine.GetFunction(i);
        buses.insert(f.m_bus);
        const uint8_t subclass = f.m_config[pci::kSubclassOffset];
        bridges += f.m_config[pci::kBaseClassOffset] == pci::kClassBridge &&
            (subclass == pci::kSubclassPciBridge || subclass == pci::kSubclassCardBusBridge);
        for (uint32_t slot = 0; slot < kSimRomSlot; ++slot)
            bars += f.m_barKind[slot] != kSimBarNone && f.m_barKind[slot] != kSimBarUpperHalf;
        PrintFunction(f);
    }
    std::printf("%s: %u functions on %zu buses, %u PCI-to-PCI/CardBus bridges, %u BARs, %u registry instances\n",
                argv[1], machine.GetFunctionCount(), buses.size(), bridges, bars, machine.GetRegistryRecordCount());
    WarnOverlaps(machine);
    for (const char* note = machine.GetLoadNotes(); *note;) {
        const char* end = note;
        while (*end && *end != '\n')
            ++end;
        std::printf("note: %.*s\n", int(end - note), note);
        note = *end ? end + 1 : end;
    }
    return 0;
}
