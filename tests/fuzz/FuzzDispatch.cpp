// libFuzzer target: a sequence of arbitrary requests against the default
// machine. Each request is: code selector (1 byte), input length (2 bytes),
// output length (2 bytes), then the input bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include "machines/DefaultMachine.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"
#include "sim/SimStatus.h"

namespace {

const uint32_t kCodes[] = {IOCTL_PROBE_FUNCTION,   IOCTL_WRITE_CONFIG,      IOCTL_READ_CONFIG_SPACE,
                           IOCTL_READ_CONFIG,      IOCTL_READ_DEVICE,       IOCTL_WRITE_DEVICE,
                           IOCTL_READ_DEVICE_WIDE, IOCTL_WRITE_DEVICE_WIDE, IOCTL_READ_EXTENDED_CONFIG_SPACE,
                           IOCTL_DESCRIBE_SOURCE,  IOCTL_SIM_SET_FAULT};
constexpr uint32_t kCodeCount = sizeof(kCodes) / sizeof(kCodes[0]);
constexpr uint32_t kMaxOut = 0x10008;
constexpr uint32_t kRequestHeader = 5;
constexpr uint8_t kCanary = 0xA5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static uint8_t out[kMaxOut + 1];
    CSimMachine machine;
    CSimError error;
    if (!machine.Load(kDefaultMachineImage, kDefaultMachineImageSize, "default.txt", &error))
        __builtin_trap();
    while (size >= kRequestHeader) {
        uint32_t code = kCodes[data[0] % kCodeCount];
        uint32_t inLength = uint32_t(data[1] | (data[2] << 8));
        uint32_t outLength = uint32_t(data[3] | (data[4] << 8));
        if (data[0] & 0x80)
            outLength <<= 1; // reach the 64 KiB transfers as well
        data += kRequestHeader;
        size -= kRequestHeader;
        if (inLength > size)
            inLength = uint32_t(size);
        if (outLength > kMaxOut)
            outLength = kMaxOut;
        // Copy the input so that reading past its end is caught.
        uint8_t* in = new uint8_t[inLength ? inLength : 1];
        memcpy(in, data, inLength);
        out[outLength] = kCanary;
        uint32_t returned = 0xFFFFFFFFu;
        uint32_t status = machine.Dispatch(code, inLength ? in : nullptr, inLength, outLength ? out : nullptr,
                                           outLength, &returned);
        delete[] in;
        if (returned > outLength || out[outLength] != kCanary || (status != kSimStatusSuccess && returned != 0))
            __builtin_trap();
        data += inLength;
        size -= inLength;
    }
    return 0;
}
