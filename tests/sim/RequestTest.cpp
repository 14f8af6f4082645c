// Validation of the requests: every malformed one is refused with the
// right status and leaves the machine exactly as it was.
#include <gtest/gtest.h>
#include "protocol/SimControl.h"
#include "tests/sim/SimTestSupport.h"

namespace {

constexpr uint32_t kRamBase = 0xF0000000; // BAR 0 of the test function, 64K of RAM
constexpr uint32_t kIoBase = 0xE000;

std::string TestImage()
{
    auto c = MakeConfig(0x8086, 0x100E, 0x02, 0x00, 0x00);
    Put32(c, 0x10, kRamBase);
    Put32(c, 0x14, kIoBase | 1);
    return DumpFunction("00:03.0", c, "@bar 0 size 64K\n@bar 1 size 64\n@range 0 0 text \"keep\"\n");
}

std::vector<uint8_t> ConfigWrite(uint32_t device, uint32_t function, uint32_t offset, uint8_t size, uint32_t length,
                                 uint16_t segment = 0)
{
    std::vector<uint8_t> in = AddressInput(MakeBusField(segment, 0), device, function, length < 21 ? 21 : length);
    pci::PutLe32(in.data() + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = size;
    pci::PutLe32(in.data() + kRegValueOffset, 0);
    in.resize(length);
    return in;
}

std::vector<uint8_t> ConfigRead(uint32_t device, uint32_t function, uint32_t offset, uint8_t size)
{
    std::vector<uint8_t> in = AddressInput(0, device, function, kReadConfigInSize);
    pci::PutLe32(in.data() + kRegOffsetOffset, offset);
    in[kRegSizeOffset] = size;
    return in;
}

std::vector<uint8_t> RangeWrite(uint8_t space, uint32_t address, uint32_t unit, uint32_t count, uint32_t length)
{
    std::vector<uint8_t> in = RangeInput(space, address, unit, count);
    in.resize(length, 0x00); // zeros would overwrite "keep" if the write were served
    return in;
}

std::vector<uint8_t> WideWrite(uint64_t address, uint32_t count, uint32_t length)
{
    std::vector<uint8_t> in = WideRangeInput(1, address, 1, count);
    in.resize(length, 0x00);
    return in;
}

std::vector<uint8_t> Shortened(std::vector<uint8_t> in)
{
    in.pop_back();
    return in;
}

// A well-formed request at its exact input length; probe and configuration space also take longer inputs.
struct CExactRequest
{
    const char* m_what;
    uint32_t m_code;
    std::vector<uint8_t> m_in;
    uint32_t m_outLength;
    bool m_takesLonger;
};

std::vector<CExactRequest> ExactRequests()
{
    std::vector<uint8_t> write = ConfigWrite(3, 0, 0x3C, 1, kWriteConfigInSize);
    write[kRegValueOffset] = 0x0A; // shows in the snapshot if a refused write were served
    return {
        {"probe", IOCTL_PROBE_FUNCTION, AddressInput(0, 3, 0, kProbeInSize), kProbeOutSize, true},
        {"write register", IOCTL_WRITE_CONFIG, write, 0, false},
        {"config space", IOCTL_READ_CONFIG_SPACE, AddressInput(0, 3, 0, kReadConfigSpaceInSize), kConfigSpaceSize,
         true},
        {"read register", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0, 4), kReadConfigOutSize, false},
        {"read range", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 1, 4), 4, false},
        {"write range", IOCTL_WRITE_DEVICE, RangeWrite(1, kRamBase, 1, 4, kRangeHeaderSize + 4 + kWriteDeviceTrailerSize),
         0, false},
        {"wide read", IOCTL_READ_DEVICE_WIDE, WideRangeInput(1, kRamBase, 1, 4), 4, false},
        {"wide write", IOCTL_WRITE_DEVICE_WIDE, WideWrite(kRamBase, 4, kWideRangeHeaderSize + 4), 0, false},
        {"whole space", IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 3, 0, kReadExtendedConfigSpaceInSize),
         kExtendedConfigSpaceSize, false},
        {"describe source", IOCTL_DESCRIBE_SOURCE, {}, SourceAnswerSize(1), false},
    };
}

struct CBadRequest
{
    std::string m_what;
    uint32_t m_code;
    std::vector<uint8_t> m_in;
    uint32_t m_outLength;
    uint32_t m_status;
};

std::vector<CBadRequest> BadRequests()
{
    const uint32_t kParam = kSimStatusInvalidParameter;
    const uint32_t kSmall = kSimStatusBufferTooSmall;
    std::vector<CBadRequest> requests = {
        {"probe: output shorter than 4", IOCTL_PROBE_FUNCTION, AddressInput(0, 3, 0, 16), 3, kSmall},
        {"probe: device 32", IOCTL_PROBE_FUNCTION, AddressInput(0, 32, 0, 16), 4, kParam},
        {"probe: function 8", IOCTL_PROBE_FUNCTION, AddressInput(0, 3, 8, 16), 4, kParam},
        {"probe: bus 256", IOCTL_PROBE_FUNCTION, AddressInput(256, 3, 0, 16), 4, kParam},
        {"probe: bus field bit 15", IOCTL_PROBE_FUNCTION, AddressInput(0x8000, 3, 0, 16), 4, kParam},
        {"probe: segment 1, which holds no function", IOCTL_PROBE_FUNCTION, AddressInput(MakeBusField(1, 0), 3, 0, 16),
         4, kParam},
        {"write register: segment FFFFh", IOCTL_WRITE_CONFIG, ConfigWrite(3, 0, 0x3C, 1, 21, 0xFFFF), 0, kParam},
        {"config space: output of 255", IOCTL_READ_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 255, kSmall},
        {"config space: device above 31", IOCTL_READ_CONFIG_SPACE, AddressInput(0, 0xFFFFFFFF, 0, 12), 256, kParam},
        {"read register: output of 2", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0, 2), 2, kSmall},
        {"read register: size 3", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0, 3), 4, kParam},
        {"read register: size 0", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0, 0), 4, kParam},
        {"read register: offset 0xFE size 4", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0xFE, 4), 4, kParam},
        {"read register: offset 256", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0x100, 1), 4, kParam},
        {"read register: offset wraps", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0xFFFFFFFF, 2), 4, kParam},
        {"read register: offset 0xFFE size 4", IOCTL_READ_CONFIG, ConfigRead(3, 0, 0xFFE, 4), 4, kParam},
        {"write register: beyond a 256-byte space", IOCTL_WRITE_CONFIG, ConfigWrite(3, 0, 0x100, 4, 21), 0, kParam},
        {"whole space: output of 4095", IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 4095, kSmall},
        {"whole space: function 8", IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 3, 8, 12), 4096, kParam},
        {"write register: function 8", IOCTL_WRITE_CONFIG, ConfigWrite(3, 8, 4, 2, 21), 0, kParam},
        {"write register: size 8", IOCTL_WRITE_CONFIG, ConfigWrite(3, 0, 4, 8, 21), 0, kParam},
        {"write register: offset 0xFD size 4", IOCTL_WRITE_CONFIG, ConfigWrite(3, 0, 0xFD, 4, 21), 0, kParam},
        {"read range: output smaller than unit x count", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 4, 4), 15, kSmall},
        {"read range: unit 3", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 3, 4), 12, kParam},
        {"read range: unit 8", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 8, 1), 8, kParam},
        {"read range: count 0", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 4, 0), 4, kParam},
        {"read range: unit x count above 64K", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 4, 0x4001), 0x10004, kParam},
        {"read range: unit x count overflows", IOCTL_READ_DEVICE, RangeInput(1, kRamBase, 4, 0x40000001), 4, kParam},
        {"read range: space 2", IOCTL_READ_DEVICE, RangeInput(2, kRamBase, 1, 1), 1, kParam},
        {"read range: end beyond 4 GiB", IOCTL_READ_DEVICE, RangeInput(1, 0xFFFFFFFE, 4, 1), 4, kParam},
        {"write range: header only", IOCTL_WRITE_DEVICE, RangeWrite(1, kRamBase, 1, 4, 13), 0, kParam},
        {"write range: no trailer", IOCTL_WRITE_DEVICE, RangeWrite(1, kRamBase, 1, 4, 17), 0, kParam},
        {"write range: unit 3", IOCTL_WRITE_DEVICE, RangeWrite(1, kRamBase, 3, 1, 20), 0, kParam},
        {"write range: count overflows to a small length", IOCTL_WRITE_DEVICE, RangeWrite(1, kRamBase, 4, 0x40000001, 21), 0, kParam},
        {"write range: input shorter than the header", IOCTL_WRITE_DEVICE, std::vector<uint8_t>(12), 0, kParam},
        {"unknown code", 0x80006028u, AddressInput(0, 3, 0, 16), 4, kSimStatusInvalidDeviceRequest},
        {"describe source: output of 17", IOCTL_DESCRIBE_SOURCE, {}, SourceAnswerSize(1) - 1, kSmall},
        {"describe source: any input", IOCTL_DESCRIBE_SOURCE, std::vector<uint8_t>(4), SourceAnswerSize(1), kParam},
        {"wide read: unit x count above 64K", IOCTL_READ_DEVICE_WIDE, WideRangeInput(1, kRamBase, 4, 0x4001), 0x10004,
         kParam},
        {"wide read: wraps past the 64-bit space", IOCTL_READ_DEVICE_WIDE, WideRangeInput(1, ~0ull - 1, 4, 1), 4,
         kParam},
        {"wide write: a trailer after the data", IOCTL_WRITE_DEVICE_WIDE, WideWrite(kRamBase, 4, 17 + 4 + 4), 0, kParam},
        {"code with another device type", 0x00226000u, AddressInput(0, 3, 0, 16), 4, kSimStatusInvalidDeviceRequest},
        {"fault control: short input", IOCTL_SIM_SET_FAULT, std::vector<uint8_t>(15), 0, kParam},
    };
    for (const CExactRequest& exact : ExactRequests()) {
        if (!exact.m_in.empty())
            requests.push_back({std::string(exact.m_what) + ": input one byte short", exact.m_code,
                                Shortened(exact.m_in), exact.m_outLength, kParam});
        std::vector<uint8_t> longer = exact.m_in;
        longer.push_back(0);
        if (!exact.m_takesLonger)
            requests.push_back({std::string(exact.m_what) + ": input one byte long", exact.m_code, longer,
                                exact.m_outLength, kParam});
    }
    return requests;
}

} // namespace

TEST(Requests, MalformedRequestsAreRefusedWithoutSideEffects)
{
    CSimMachine machine;
    LoadOrFail(machine, TestImage());
    const std::vector<uint8_t> before = SnapshotConfig(machine);
    for (const CBadRequest& request : BadRequests()) {
        SCOPED_TRACE(request.m_what);
        std::vector<uint8_t> out(request.m_outLength + 1, 0xCD);
        uint32_t returned = 0x12345678;
        uint32_t status = machine.Dispatch(request.m_code, request.m_in.empty() ? nullptr : request.m_in.data(),
                                           uint32_t(request.m_in.size()), out.data(), request.m_outLength, &returned);
        EXPECT_EQ(status, request.m_status);
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(out, std::vector<uint8_t>(request.m_outLength + 1, 0xCD)) << "output untouched";
    }
    EXPECT_EQ(SnapshotConfig(machine), before);
    CRequestResult ram = ReadDevice(machine, 1, kRamBase, 1, 4);
    EXPECT_EQ(std::string(ram.m_out.begin(), ram.m_out.end()), "keep");
}

TEST(Requests, ExactInputsAreServedAndOnlyProbeAndConfigSpaceTakeLongerOnes)
{
    CSimMachine machine;
    LoadOrFail(machine, TestImage());
    for (const CExactRequest& exact : ExactRequests()) {
        std::vector<uint8_t> longer = exact.m_in;
        longer.push_back(0);
        EXPECT_EQ(Send(machine, exact.m_code, exact.m_in, exact.m_outLength).m_status, kSimStatusSuccess)
            << exact.m_what << ": exact input";
        if (exact.m_takesLonger) {
            EXPECT_EQ(Send(machine, exact.m_code, longer, exact.m_outLength).m_status, kSimStatusSuccess)
                << exact.m_what << ": input one byte long";
        }
    }
}

TEST(Requests, NullBuffersWithLengthsAreRefused)
{
    CSimMachine machine;
    LoadOrFail(machine, TestImage());
    uint32_t returned = 7;
    uint8_t out[4];
    EXPECT_EQ(machine.Dispatch(IOCTL_PROBE_FUNCTION, nullptr, 16, out, 4, &returned), kSimStatusInvalidParameter);
    std::vector<uint8_t> in = AddressInput(0, 3, 0, 16);
    EXPECT_EQ(machine.Dispatch(IOCTL_PROBE_FUNCTION, in.data(), 16, nullptr, 4, &returned), kSimStatusInvalidParameter);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(machine.Dispatch(IOCTL_PROBE_FUNCTION, in.data(), 16, out, 4, nullptr), kSimStatusSuccess)
        << "the returned count is optional";
}

TEST(Requests, WellFormedRequestsReturnExactLayouts)
{
    CSimMachine machine;
    LoadOrFail(machine, TestImage());
    CRequestResult probe = Send(machine, IOCTL_PROBE_FUNCTION, AddressInput(0, 3, 0, 16), 8);
    EXPECT_EQ(probe.m_status, kSimStatusSuccess);
    EXPECT_EQ(probe.m_out, (std::vector<uint8_t>{0x86, 0x80, 0x0E, 0x10})) << "only 4 bytes returned";
    CRequestResult absent = Send(machine, IOCTL_PROBE_FUNCTION, AddressInput(7, 31, 7, 16), 4);
    EXPECT_EQ(absent.m_status, kSimStatusSuccess);
    EXPECT_EQ(absent.Value(), 0xFFFFFFFFu);
    CRequestResult reg = Send(machine, IOCTL_READ_CONFIG, ConfigRead(3, 0, 0x02, 1), 4);
    EXPECT_EQ(reg.m_out, (std::vector<uint8_t>{0x0E, 0, 0, 0})) << "register in the low bytes";
    CRequestResult space = Send(machine, IOCTL_READ_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 300);
    EXPECT_EQ(space.m_out.size(), 256u);
    CRequestResult whole = Send(machine, IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 4096);
    EXPECT_EQ(whole.m_out, space.m_out) << "no PCI Express capability: the 256 bytes";
    CRequestResult absentWhole = Send(machine, IOCTL_READ_EXTENDED_CONFIG_SPACE, AddressInput(0, 9, 0, 12), 4096);
    EXPECT_EQ(absentWhole.m_out, std::vector<uint8_t>(256, 0xFF)) << "absent: as 802h answers";
    CRequestResult source = Send(machine, IOCTL_DESCRIBE_SOURCE, {}, 64);
    EXPECT_EQ(source.m_out, (std::vector<uint8_t>{18, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0}))
        << "an image that takes writes, segment 0 alone";
    std::vector<uint8_t> write = ConfigWrite(3, 0, 0x3C, 1, 21);
    pci::PutLe32(write.data() + kRegValueOffset, 0xAABBCC0A);
    EXPECT_EQ(Send(machine, IOCTL_WRITE_CONFIG, write, 0).m_status, kSimStatusSuccess);
    EXPECT_EQ(ReadConfig(machine, 0, 3, 0, 0x3C, 4), 0x0000000Au) << "only the low size bytes are written";
    EXPECT_EQ(WriteDevice(machine, 1, kRamBase, 4, std::vector<uint8_t>(0x10000, 0x5A)), kSimStatusSuccess)
        << "the largest transfer";
    EXPECT_EQ(ReadDevice(machine, 1, kRamBase + 0xFFFC, 4, 1).Value(), 0x5A5A5A5Au);
}

TEST(Requests, InjectedFaultsFailRequestsWithoutChangingAnything)
{
    CSimMachine machine;
    LoadOrFail(machine, TestImage());
    machine.SetFault(2, 0, 3, 0);
    EXPECT_EQ(Probe(machine, 0, 3, 0), 0xFFFFFFFFu) << "a failed probe reads as absent";
    EXPECT_EQ(Send(machine, IOCTL_READ_CONFIG_SPACE, AddressInput(0, 3, 0, 12), 256).m_status, kSimStatusIoDeviceError);
    EXPECT_EQ(WriteConfig(machine, 0, 3, 0, 0x3C, 1, 9), kSimStatusIoDeviceError);
    EXPECT_EQ(ReadDevice(machine, 1, kRamBase + 8, 1, 1).m_status, kSimStatusIoDeviceError) << "inside its BAR";
    EXPECT_EQ(WriteDevice(machine, 1, kRamBase - 2, 4, {1, 2, 3, 4}), kSimStatusIoDeviceError) << "overlaps its BAR";
    EXPECT_EQ(ReadDevice(machine, 0, 0x1000, 1, 1).m_status, kSimStatusSuccess) << "elsewhere";
    EXPECT_EQ(Probe(machine, 0, 4, 0), 0xFFFFFFFFu);

    std::vector<uint8_t> control(kSimFaultInSize);
    pci::PutLe32(control.data() + kSimFaultModeOffset, kSimFaultAll);
    EXPECT_EQ(Send(machine, IOCTL_SIM_SET_FAULT, control, 0).m_status, kSimStatusSuccess);
    EXPECT_EQ(Send(machine, IOCTL_PROBE_FUNCTION, AddressInput(0, 4, 0, 16), 4).m_status, kSimStatusIoDeviceError);
    pci::PutLe32(control.data() + kSimFaultModeOffset, kSimFaultOff);
    EXPECT_EQ(Send(machine, IOCTL_SIM_SET_FAULT, control, 0).m_status, kSimStatusSuccess)
        << "the control request itself never fails";
    EXPECT_EQ(ReadConfig(machine, 0, 3, 0, 0x3C, 1), 0u) << "the faulted write changed nothing";

    CRequestResult ram = ReadDevice(machine, 1, kRamBase, 1, 4);
    EXPECT_EQ(std::string(ram.m_out.begin(), ram.m_out.end()), "keep");
}
