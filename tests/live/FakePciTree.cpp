#include "tests/live/FakePciTree.h"

#include "sim/SimFunction.h"
#include "sim/SimMachine.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// Linux's resource flags the live machine looks at, and the rest of a typical line.
constexpr uint64_t kResourceIo = 0x100;
constexpr uint64_t kResourceMemory = 0x200;

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string Format(const char* format, uint64_t a, uint64_t b, uint64_t c)
{
    char text[80];
    std::snprintf(text, sizeof(text), format, a, b, c);
    return text;
}

} // namespace

std::string FakeFunctionFolder(const std::string& folder, uint32_t bus, uint32_t device, uint32_t function,
                               uint16_t segment)
{
    char name[24];
    std::snprintf(name, sizeof(name), "%04x:%02x:%02x.%u", segment, bus, device, function);
    return folder + "/sys/bus/pci/devices/" + name;
}

std::string MakeFakePciTree(const std::string& imageText, const std::string& folder, const CFakeTreeOptions& options)
{
    CSimMachine machine;
    CSimError error = {};
    if (!machine.Load(imageText.data(), uint32_t(imageText.size()), "fake tree image", &error))
        return std::string(error.fileName) + ":" + std::to_string(error.line) + ": " + error.message;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder + "/sys/bus/pci/devices");
    std::string procList;
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction& f = *machine.GetFunction(i);
        std::string config(reinterpret_cast<const char*>(f.m_config), f.SpaceSize());
        char address[16];
        std::snprintf(address, sizeof(address), "%02x:%02x.%u", f.m_bus, f.m_device, f.m_function);
        char segment[8];
        std::snprintf(segment, sizeof(segment), "%04x:", f.m_segment);
        const bool cut = options.cutFunction == (f.m_segment ? segment : "") + std::string(address);
        config.resize(std::min<size_t>(config.size(), cut ? kNonRootVisibleBytes : options.visibleBytes));
        std::string resource;
        std::string procBases;
        std::string procSizes;
        for (uint32_t slot = 0; slot < kSimBarSlots; ++slot) {
            const uint64_t base = f.SlotBase(slot);
            const bool used = base != 0 && f.m_barKind[slot] != kSimBarNone && f.m_barKind[slot] != kSimBarUpperHalf;
            const bool io = f.m_barKind[slot] == kSimBarIo;
            const uint64_t size = used ? f.m_barSize[slot] : 0;
            const uint64_t flags = used ? (io ? kResourceIo : kResourceMemory) : 0;
            resource += Format("0x%016" PRIx64 " 0x%016" PRIx64 " 0x%016" PRIx64 "\n", used ? base : 0,
                               used ? base + size - 1 : 0, flags);
            procBases += Format("\t%16" PRIx64, used ? base | (io ? 1 : 0) : 0, 0, 0);
            procSizes += Format("\t%16" PRIx64, size, 0, 0);
        }
        if (options.sysfs) {
            const std::string function = FakeFunctionFolder(folder, f.m_bus, f.m_device, f.m_function, f.m_segment);
            WriteFile(function + "/config", config);
            WriteFile(function + "/resource", resource);
        }
        if (f.m_segment)
            continue;
        char name[16];
        std::snprintf(name, sizeof(name), "%02x/%02x.%u", f.m_bus, f.m_device, f.m_function);
        if (options.procfs)
            WriteFile(folder + "/proc/bus/pci/" + name, config);
        procList +=
            Format("%02" PRIx64 "%02" PRIx64 "\t%08" PRIx64, f.m_bus, (f.m_device << 3) | f.m_function,
                   uint64_t(f.m_config[1]) << 24 | uint64_t(f.m_config[0]) << 16 | f.m_config[3] << 8 | f.m_config[2]);
        procList += "\t0" + procBases + procSizes + "\t\n";
    }
    if (options.procfs)
        WriteFile(folder + "/proc/bus/pci/devices", procList);
    if (!options.sysfs)
        std::filesystem::remove_all(folder + "/sys", ignored);
    return "";
}
