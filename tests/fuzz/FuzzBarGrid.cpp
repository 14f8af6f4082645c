// libFuzzer target: the BAR grid over any BAR register, range size, unit width and cells.
// Every device read a cell costs must lie inside the BAR's range (its given size, or the
// smallest BAR of its kind while the size is unknown), and so must every editable unit.
// Input: kind and display flags (1 byte), the BAR's two dwords (8), the range size (8), then
// cells of a row (4 bytes) and a column (1 byte).
#include "compat/CompatMachine.h"
#include "device/PciFunction.h"
#include "pci/Bar.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "protocol/DriverProtocol.h"
#include "views/BarGridModel.h"

#include <windows.h>

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <vector>

namespace {

const char kDriverPath[] = "\\\\.\\briscodrvDevice";
constexpr int kBarIndex = 0;
constexpr size_t kHeaderBytes = 17;
constexpr size_t kCellBytes = 5;
constexpr size_t kMaxCells = 64;
constexpr uint8_t kKindMask = 0x3;
constexpr uint8_t kKindIo = 0, kKindMemory64 = 2;
constexpr uint8_t kDecimalFlag = 0x4;
constexpr uint8_t kWidthShift = 3;
constexpr uint8_t kWidthMask = 0x7;
constexpr uint8_t kRowWithinGridFlag = 0x40;

// One device read: its first address and its length in bytes.
struct CRead
{
    uint64_t address;
    uint64_t bytes;
};

std::vector<CRead> g_reads;

void Observe(uint32_t code, const std::vector<uint8_t>& in, uint32_t, bool)
{
    if (code == IOCTL_READ_DEVICE && in.size() >= kRangeHeaderSize)
        g_reads.push_back({pci::GetLe32(in.data() + kRangeAddressOffset),
                           uint64_t(pci::GetLe32(in.data() + kRangeUnitOffset)) *
                               pci::GetLe32(in.data() + kRangeCountOffset)});
    else if (code == IOCTL_READ_DEVICE_WIDE && in.size() >= kWideRangeHeaderSize)
        g_reads.push_back({pci::GetLe64(in.data() + kWideRangeAddressOffset),
                           uint64_t(pci::GetLe32(in.data() + kWideRangeUnitOffset)) *
                               pci::GetLe32(in.data() + kWideRangeCountOffset)});
    else if (code == IOCTL_WRITE_DEVICE || code == IOCTL_WRITE_DEVICE_WIDE)
        __builtin_trap(); // showing a grid never writes
}

// A function of the served machine whose image each input replaces.
CPciFunction& Function()
{
    static HANDLE driver = [] {
        CompatUseDefaultMachine();
        CompatSetRequestObserver(Observe);
        return CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    static std::unique_ptr<CPciFunction> function = std::make_unique<CPciFunction>(driver, 0, 3, 0);
    return *function;
}

bool Inside(uint64_t address, uint64_t bytes, uint64_t base, uint64_t rangeBytes)
{
    return bytes > 0 && address >= base && address - base <= rangeBytes && bytes <= rangeBytes - (address - base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeaderBytes)
        return 0;
    const uint8_t flags = data[0];
    const uint8_t kind = flags & kKindMask;
    uint32_t low = pci::GetLe32(data + 1);
    const uint32_t high = pci::GetLe32(data + 5);
    const uint64_t rangeSize = pci::GetLe64(data + 9);
    data += kHeaderBytes;
    size -= kHeaderBytes;

    // The BAR's address from its register bits alone, as a bus would decode it.
    uint64_t base;
    if (kind == kKindIo) {
        low = (low & pci::kIoBarBaseMask) | pci::kBarIoFlag;
        base = low & pci::kIoBarBaseMask;
    } else if (kind == kKindMemory64) {
        low = (low & pci::kMemoryBarBaseMask) | (pci::kMemoryType64Bit << pci::kMemoryTypeShift);
        base = (uint64_t(high) << 32) | (low & pci::kMemoryBarBaseMask);
    } else {
        low &= pci::kMemoryBarBaseMask;
        base = low;
    }
    const uint64_t rangeBytes =
        rangeSize ? rangeSize : kind == kKindIo ? pci::kMinIoBarBytes : pci::kMinMemoryBarBytes;

    uint8_t image[pci::kConfigSpaceBytes] = {};
    pci::PutLe32(image + pci::BarOffset(kBarIndex), low);
    pci::PutLe32(image + pci::BarOffset(kBarIndex + 1), kind == kKindMemory64 ? high : 0);
    CPciFunction& function = Function();
    function.SetConfigImage(image);

    CBarGridModel grid;
    grid.SetUnitWidth(int((flags >> kWidthShift) & kWidthMask));
    grid.SetHexDisplay(!(flags & kDecimalFlag));
    grid.SetRange(&function, kBarIndex, rangeSize);
    const uint64_t unitBytes = uint64_t(grid.GetUnitWidth());
    g_reads.clear();
    for (size_t cell = 0; cell < kMaxCells && size >= kCellBytes; ++cell, data += kCellBytes, size -= kCellBytes) {
        int row = int(pci::GetLe32(data));
        if ((flags & kRowWithinGridFlag) && row >= 0)
            row %= grid.GetRowCount();
        const int column = int(data[4] % (grid.GetColumnCount() + 1));
        grid.GetCellText(row, column);
        if (const auto offset = grid.GetEditableOffset(row, column)) {
            if (base == 0 || !Inside(base + *offset, unitBytes, base, rangeBytes))
                __builtin_trap();
        }
    }
    for (const CRead& read : g_reads) {
        if (base == 0 || !Inside(read.address, read.bytes, base, rangeBytes))
            __builtin_trap();
    }
    return 0;
}
