// capture-machine: writes a machine image of the computer it runs on, from
// Linux's sysfs (or procfs), through the same live machine the driver serves
// and the same image writer a saved image will use. Native; needs root.
#include "live/LiveFilesPosix.h"
#include "live/LiveMachine.h"
#include "sim/ImageWriter.h"

#include "pci/Bar.h"
#include "pci/ConfigSpace.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRangeBytes = 4096;
constexpr char kUsage[] =
    "usage: capture-machine [--ranges] [--root FOLDER] [FILE]\n"
    "Writes a machine image of this computer's PCI functions (domain 0000) to FILE\n"
    "(default: standard output): all configuration bytes Linux shows, the BAR sizes\n"
    "of sysfs and the plug-and-play records the live driver publishes.\n"
    "  --ranges       also record the first 4 KiB behind each memory BAR, mapped\n"
    "                 read-only from sysfs. WARNING: reading device memory can clear\n"
    "                 status bits or hang a device; use it only where that is safe.\n"
    "  --root FOLDER  read FOLDER/sys and FOLDER/proc instead of /sys and /proc\n"
    "Needs root: Linux shows other users only the first 64 bytes of each function.\n";

// Writes the image to a C stream.
class CFileSink : public CImageSink {
public:
    explicit CFileSink(FILE* file) : m_file(file) {}
    bool Write(const char* text, uint32_t length) override { return std::fwrite(text, 1, length, m_file) == length; }

private:
    FILE* m_file;
};

// Copies the start of a memory BAR's range with aligned dword reads, as a driver would.
bool ReadMemoryRange(const std::string& path, uint32_t bytes, std::vector<uint8_t>* out)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    void* map = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (map == MAP_FAILED)
        return false;
    out->resize(bytes);
    const volatile uint32_t* source = static_cast<const volatile uint32_t*>(map);
    for (uint32_t i = 0; i < bytes / 4; ++i) {
        const uint32_t value = source[i];
        std::memcpy(out->data() + i * 4, &value, 4);
    }
    munmap(map, bytes);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bool ranges = false;
    std::string root = "/";
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ranges") {
            ranges = true;
        } else if (arg == "--root" && i + 1 < argc) {
            root = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.empty() || arg[0] == '-' || !output.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            output = arg;
        }
    }
    if (root == "/" && geteuid() != 0) {
        std::fputs("capture-machine: needs root: Linux shows other users only the first 64 bytes of each function\n",
                   stderr);
        return 1;
    }
    CLiveFilesPosix files(root);
    CLiveMachine machine(&files, false);
    char message[256] = {};
    if (!machine.Start(message, sizeof(message))) {
        std::fprintf(stderr, "capture-machine: %s\n", message);
        return 1;
    }
    const uint32_t count = machine.GetFunctionCount();
    std::unique_ptr<CImageRange[][kSimBarSlots]> contents(new CImageRange[count][kSimBarSlots]());
    std::vector<std::vector<uint8_t>> buffers;
    buffers.reserve(count * kSimBarSlots);
    for (uint32_t i = 0; ranges && i < count; ++i) {
        const CLiveFunction& f = machine.GetFunction(i);
        for (uint32_t slot = 0; slot < kSimRomSlot; ++slot) {
            if (!f.barSize[slot] || f.barIo[slot])
                continue;
            char leaf[96];
            std::snprintf(leaf, sizeof(leaf), "%s/0000:%02x:%02x.%u/resource%u", kSysfsDevicesPath,
                          pci::RoutingIdBus(f.key), pci::RoutingIdDevice(f.key), pci::RoutingIdFunction(f.key), slot);
            const uint32_t bytes = f.barSize[slot] < kRangeBytes ? uint32_t(f.barSize[slot]) : kRangeBytes;
            buffers.emplace_back();
            if (!ReadMemoryRange(files.FullPath(leaf), bytes, &buffers.back())) {
                std::fprintf(stderr, "capture-machine: %s cannot be mapped; its range is left out\n",
                             files.FullPath(leaf).c_str());
                continue;
            }
            contents[i][slot] = {buffers.back().data(), bytes};
        }
    }
    FILE* file = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
    if (!file) {
        std::perror(("capture-machine: " + output).c_str());
        return 1;
    }
    char host[64] = "this computer";
    gethostname(host, sizeof(host) - 1);
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(when, sizeof(when), "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
    const std::string about = std::string("Machine image of ") + host + ", captured by capture-machine on " + when +
        "\nfrom " + root + (ranges ? " with the first 4 KiB of each memory BAR's range." : ".") +
        "\nRegion sizes come from sysfs; the @registry lines name the live driver's records.";
    CFileSink sink(file);
    CImageWriter writer(&sink);
    bool ok = writer.Comment(about.c_str()) && (!machine.GetLoadNotes()[0] || writer.Comment(machine.GetLoadNotes()));
    ok = ok && sink.Write("\n", 1) && machine.WriteImage(&writer, contents.get());
    ok = (file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "capture-machine: cannot write %s\n", output.empty() ? "the image" : output.c_str());
        return 1;
    }
    return 0;
}
