// The driver requests as the simulated driver receives them, and how their failures read.
#include "tests/device/DeviceFixture.h"
#include "tests/device/MachineText.h"

#include "compat/CompatMachine.h"
#include "sim/SimMachine.h"
#include "protocol/DriverProtocol.h"
#include "device/PciFunction.h"

#include <string.h>

#include <memory>

namespace {

constexpr uint32_t kFaultOff = 0;
constexpr uint32_t kFaultEverything = 1;
constexpr uint32_t kFaultOneFunction = 2;

// A host bridge at 0.0.0 and a device at 0.5.0 with an I/O BAR at E000h and a memory BAR at F0000000h.
std::string SmallMachine()
{
    CMachineText machine;
    machine.AddFunction(0, 0, 0, CMachineText::MakeHeader(0x8086, 0x7190, 0x06, 0x00));
    std::vector<uint8_t> device = CMachineText::MakeHeader(0x10EC, 0x8139, 0x02, 0x00);
    CMachineText::Put32(device, 0x10, 0xE001);
    CMachineText::Put32(device, 0x14, 0xF0000000);
    // I/O and memory decoding on.
    device[0x04] = 0x03;
    device[0x3C] = 0x0A;
    machine.AddFunction(0, 5, 0, device,
                        {"\tRegion 0: I/O ports at e000 [size=64]",
                         "\tRegion 1: Memory at f0000000 (32-bit, non-prefetchable) [size=4K]"});
    return machine.Text();
}

class RequestTest : public CDeviceFixture
{
protected:
    void SetUp() override
    {
        CDeviceFixture::SetUp();
        LoadMachine(SmallMachine());
    }

    std::unique_ptr<CPciFunction> MakeDevice()
    {
        auto function = std::make_unique<CPciFunction>(m_driver, 0, 5, 0);
        ClearRequests();
        return function;
    }
};

TEST_F(RequestTest, ConfigurationRequestsCarryTheFunctionAddressAndRegister)
{
    auto function = MakeDevice();
    uint8_t image[256];
    ASSERT_TRUE(function->ReadConfigSpace(0, 5, 0, image));
    EXPECT_EQ(0, memcmp(image, function->m_image, sizeof image));
    EXPECT_EQ(0xE001u, function->ReadConfig(0, 5, 0, 0x10, 4));
    EXPECT_TRUE(function->WriteConfig(0, 5, 0, 0x3C, 1, 0x0B));

    ASSERT_EQ(3u, m_requests.size());
    const CObservedRequest& space = m_requests[0];
    EXPECT_EQ(0x80006008u, space.code);
    EXPECT_EQ(12u, space.in.size());
    EXPECT_EQ(256u, space.outLength);
    EXPECT_EQ(0u, InU32(space, 0));
    EXPECT_EQ(5u, InU32(space, 4));
    EXPECT_EQ(0u, InU32(space, 8));

    const CObservedRequest& read = m_requests[1];
    EXPECT_EQ(0x8000600cu, read.code);
    ASSERT_EQ(17u, read.in.size());
    EXPECT_EQ(4u, read.outLength);
    EXPECT_EQ(5u, InU32(read, 4));
    EXPECT_EQ(0x10u, InU32(read, 12));
    EXPECT_EQ(4, read.in[16]);

    const CObservedRequest& write = m_requests[2];
    EXPECT_EQ(0x8000a004u, write.code);
    ASSERT_EQ(21u, write.in.size());
    EXPECT_EQ(0u, write.outLength);
    EXPECT_EQ(0x3Cu, InU32(write, 12));
    EXPECT_EQ(1, write.in[16]);
    EXPECT_EQ(0x0Bu, InU32(write, 17));
    EXPECT_EQ(0x0Bu, function->ReadConfig(0, 5, 0, 0x3C, 1));
}

TEST_F(RequestTest, ProbeSendsSixteenBytesWithAZeroTail)
{
    CPciFunction root(m_driver);
    std::vector<CObservedRequest> probes = RequestsOf(IOCTL_PROBE_FUNCTION);
    ASSERT_FALSE(probes.empty());
    EXPECT_EQ(0x80006000u, probes[0].code);
    ASSERT_EQ(16u, probes[0].in.size());
    EXPECT_EQ(4u, probes[0].outLength);
    EXPECT_EQ(std::vector<uint8_t>(16, 0), probes[0].in);
}

TEST_F(RequestTest, RangeRequestsAddressTheBarBasePlusOffset)
{
    auto function = MakeDevice();
    uint8_t in[6] = {};
    EXPECT_TRUE(function->ReadDeviceData(0, 4, in, 2, 3));
    const uint8_t out[4] = {0x11, 0x22, 0x33, 0x44};
    EXPECT_TRUE(function->WriteDeviceData(1, 8, out, 4, 1));

    ASSERT_EQ(2u, m_requests.size());
    const CObservedRequest& read = m_requests[0];
    EXPECT_EQ(0x80006010u, read.code);
    ASSERT_EQ(13u, read.in.size());
    EXPECT_EQ(kSpaceIo, read.in[0]);
    EXPECT_EQ(0xE004u, InU32(read, 1));
    EXPECT_EQ(2u, InU32(read, 5));
    EXPECT_EQ(3u, InU32(read, 9));
    EXPECT_EQ(6u, read.outLength);

    const CObservedRequest& write = m_requests[1];
    EXPECT_EQ(0x8000a014u, write.code);
    ASSERT_EQ(4u + 17u, write.in.size());
    EXPECT_EQ(kSpaceMemory, write.in[0]);
    EXPECT_EQ(0xF0000008u, InU32(write, 1));
    EXPECT_EQ(4u, InU32(write, 5));
    EXPECT_EQ(1u, InU32(write, 9));
    EXPECT_EQ(0, memcmp(out, write.in.data() + 13, sizeof out));

    uint8_t back[4] = {};
    EXPECT_TRUE(function->ReadDeviceData(1, 8, back, 4, 1));
    EXPECT_EQ(0, memcmp(out, back, sizeof out));
}

TEST_F(RequestTest, RangeRequestsOutsideTheLayoutOrBuffersAreRefusedWithoutARequest)
{
    auto function = MakeDevice();
    uint8_t buffer[8] = {};
    EXPECT_FALSE(function->ReadDeviceData(6, 0, buffer, 1, 1));
    EXPECT_FALSE(function->ReadDeviceData(-1, 0, buffer, 1, 1));
    EXPECT_FALSE(function->ReadDeviceData(0, 0, buffer, 3, 1));
    EXPECT_FALSE(function->WriteDeviceData(0, 0, buffer, 4, 0x40000000));
    EXPECT_FALSE(function->WriteDeviceData(0, 0, buffer, 8, 1));
    EXPECT_TRUE(m_requests.empty());
}

TEST_F(RequestTest, FailedRequestsReadAsFailuresAndLeaveTheirOutputAlone)
{
    auto function = MakeDevice();
    CompatMachine().SetFault(kFaultOneFunction, 0, 5, 0);
    uint8_t image[256];
    memset(image, 0x5A, sizeof image);
    EXPECT_FALSE(function->ReadConfigSpace(0, 5, 0, image));
    EXPECT_EQ(std::vector<uint8_t>(256, 0x5A), std::vector<uint8_t>(image, image + 256));
    EXPECT_EQ(0xFFFFFFFFu, function->ReadConfig(0, 5, 0, 0x00, 4));
    EXPECT_FALSE(function->WriteConfig(0, 5, 0, 0x3C, 1, 1));
    uint8_t data[4] = {};
    EXPECT_FALSE(function->ReadDeviceData(1, 0, data, 4, 1));
    EXPECT_FALSE(function->WriteDeviceData(1, 0, data, 4, 1));
    uint32_t knownSize = function->m_barSizes[1];
    EXPECT_EQ(0u, function->ProbeBarSize(1));
    EXPECT_EQ(knownSize, function->m_barSizes[1]);
    CompatMachine().SetFault(kFaultOff, 0, 0, 0);
}

TEST_F(RequestTest, ARefusedWriteKeepsItsReasonPastTheReadBack)
{
    struct Case
    {
        const char* name;
        uint32_t status; // what the driver answers every write with
        DWORD error;
        const char* text;
    };
    const Case cases[] = {
        {"writes off", 0xC00000A2u, ERROR_WRITE_PROTECT, "Live mode is read-only: set BRISCO_LIVE_WRITES=1 to write"},
        {"the host owns it", 0xC0000022u, ERROR_ACCESS_DENIED, "Refused: the host owns this device's BARs"},
        {"unreadable", 0xC00000A3u, ERROR_NOT_READY, "Refused: the device's registers cannot be read"},
    };
    auto function = MakeDevice();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CompatSetRequestFilter([&c](uint32_t code, uint32_t* status) {
            *status = c.status;
            return code == IOCTL_WRITE_CONFIG || code == IOCTL_WRITE_DEVICE;
        });
        function->m_image[0x3C] = 0x0B;
        function->WriteEditedRegister(0x3C, 1);
        EXPECT_EQ(function->m_image[0x3C], 0x0A) << "the read-back shows what the device kept";
        EXPECT_EQ(function->TakeWriteError(), c.error);
        EXPECT_EQ(function->TakeWriteError(), DWORD(ERROR_SUCCESS)) << "taken once";
        uint8_t data[4] = {};
        EXPECT_FALSE(function->WriteDeviceData(1, 0, data, 4, 1));
        function->WriteConfig(0, 5, 0, 0x3C, 1, 0x0A);
        EXPECT_EQ(function->TakeWriteError(), c.error) << "the first refusal is kept";
        EXPECT_EQ(CPciFunction::DescribeWriteError(c.error), c.text);
    }
    EXPECT_EQ(CPciFunction::DescribeWriteError(ERROR_ACCESS_DENIED, false), "Refused: the host owns this register");
    CompatSetRequestFilter(nullptr);
    function->WriteEditedRegister(0x3C, 1);
    EXPECT_EQ(function->TakeWriteError(), DWORD(ERROR_SUCCESS));
}

TEST_F(RequestTest, TheSourceIsDescribedAndADriverThatRefusesItIsAnImage)
{
    const CPciFunction::CSource image = CPciFunction::DescribeSource(m_driver);
    EXPECT_FALSE(image.live);
    EXPECT_TRUE(image.configWritesAllowed);
    EXPECT_EQ(image.segments, std::vector<uint16_t>{0});
    ASSERT_EQ(RequestsOf(IOCTL_DESCRIBE_SOURCE).size(), 1u);
    EXPECT_TRUE(RequestsOf(IOCTL_DESCRIBE_SOURCE)[0].in.empty());

    CompatSetRequestFilter([](uint32_t code, uint32_t* status) {
        *status = 0xC0000010u; // STATUS_INVALID_DEVICE_REQUEST: an older driver
        return code == IOCTL_DESCRIBE_SOURCE;
    });
    const CPciFunction::CSource older = CPciFunction::DescribeSource(m_driver);
    EXPECT_FALSE(older.live);
    EXPECT_TRUE(older.configWritesAllowed);
    EXPECT_EQ(older.segments, std::vector<uint16_t>{0});
}

TEST_F(RequestTest, AFunctionWhoseProbeFailsIsNotInTheTree)
{
    CompatMachine().SetFault(kFaultOneFunction, 0, 5, 0);
    CPciFunction root(m_driver);
    EXPECT_EQ(0u, root.m_device);
    EXPECT_TRUE(root.m_children.empty());
    for (const CObservedRequest& request : RequestsOf(IOCTL_READ_CONFIG_SPACE))
        EXPECT_NE(5u, InU32(request, 4)) << "the failed function was read after its probe";
}

TEST_F(RequestTest, WithEveryRequestFailingTheRootReadsAsAnAbsentFunction)
{
    CompatMachine().SetFault(kFaultEverything, 0, 0, 0);
    CPciFunction root(m_driver);
    EXPECT_EQ(std::vector<uint8_t>(256, 0xFF), std::vector<uint8_t>(root.m_image, root.m_image + 256));
    EXPECT_EQ(0, memcmp(root.m_image, root.m_lastRead, 256));
    EXPECT_TRUE(root.m_children.empty());
    EXPECT_FALSE(root.IsBridge());
}

TEST_F(RequestTest, AChildWhoseConfigurationReadFailsAfterItsProbeReadsAsAllOnes)
{
    // The fault starts right after the function answered its probe.
    CompatSetRequestObserver([this](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok) {
        m_requests.push_back({code, in, outLength, ok});
        if (code == IOCTL_PROBE_FUNCTION && ok && pci::GetLe32(in.data() + 4) == 5)
            CompatMachine().SetFault(kFaultOneFunction, 0, 5, 0);
    });
    CPciFunction root(m_driver);
    ASSERT_EQ(1u, root.m_children.size());
    const CPciFunction& child = *root.m_children[0];
    EXPECT_EQ(5u, child.m_device);
    EXPECT_EQ(std::vector<uint8_t>(256, 0xFF), std::vector<uint8_t>(child.m_image, child.m_image + 256));
    EXPECT_EQ(0, memcmp(child.m_image, child.m_lastRead, 256));
    EXPECT_TRUE(child.m_children.empty());
}

} // namespace
