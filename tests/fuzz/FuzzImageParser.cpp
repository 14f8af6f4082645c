// libFuzzer target: arbitrary text as a machine image. A loaded machine is then
// scanned and its registry records formatted, so every parsed field is used.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include "protocol/DriverProtocol.h"
#include "sim/SimMachine.h"

namespace {

void ScanBusZero(CSimMachine& machine)
{
    uint8_t in[kReadConfigInSize] = {};
    uint8_t out[kConfigSpaceSize];
    uint32_t returned = 0;
    for (uint32_t device = 0; device < 32; ++device) {
        pci::PutLe32(in + kAddrDeviceOffset, device);
        machine.Dispatch(IOCTL_READ_CONFIG_SPACE, in, kReadConfigSpaceInSize, out, sizeof(out), &returned);
        // Probing a BAR walks the write masks the image produced.
        pci::PutLe32(in + kRegOffsetOffset, 0x10);
        in[kRegSizeOffset] = 4;
        uint8_t write[kWriteConfigInSize];
        memcpy(write, in, sizeof(in));
        pci::PutLe32(write + kRegValueOffset, 0xFFFFFFFFu);
        machine.Dispatch(IOCTL_WRITE_CONFIG, write, sizeof(write), nullptr, 0, &returned);
        machine.Dispatch(IOCTL_READ_CONFIG, in, sizeof(in), out, 4, &returned);
        if (returned != 4)
            continue;
        uint32_t base = pci::GetLe32(out) & ~0xFu;
        uint8_t range[kRangeHeaderSize] = {};
        range[kRangeSpaceOffset] = kSpaceMemory;
        pci::PutLe32(range + kRangeAddressOffset, base);
        pci::PutLe32(range + kRangeUnitOffset, 4);
        pci::PutLe32(range + kRangeCountOffset, 16);
        machine.Dispatch(IOCTL_READ_DEVICE, range, sizeof(range), out, 64, &returned);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSimMachine machine;
    CSimError error;
    if (!machine.Load(reinterpret_cast<const char*>(data), uint32_t(size), "fuzz.txt", &error)) {
        // Messages must be terminated and name a line within the input.
        if (strnlen(error.message, sizeof(error.message)) == sizeof(error.message))
            __builtin_trap();
        return 0;
    }
    ScanBusZero(machine);
    CSimRegistryRecord record;
    for (uint32_t i = 0; i < machine.GetRegistryRecordCount(); ++i)
        if (!machine.GetRegistryRecord(i, &record) || record.allocConfigLength > 256)
            __builtin_trap();
    return 0;
}
