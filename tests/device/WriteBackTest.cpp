// Writing edited registers of the image back to the device and reading them back.
#include "tests/device/DeviceFixture.h"
#include "tests/device/MachineText.h"

#include "compat/CompatMachine.h"
#include "device/PciFunction.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"

#include <string.h>

#include <memory>
#include <utility>

namespace {

using CRegisterList = std::vector<std::pair<uint32_t, uint32_t>>;

class WriteBackTest : public CDeviceFixture
{
protected:
    // One function at 0.3.0 of the given header type.
    std::unique_ptr<CPciFunction> MakeFunction(uint8_t headerType, uint8_t baseClass = 0x02, uint8_t subclass = 0)
    {
        CMachineText machine;
        machine.AddFunction(0, 3, 0, CMachineText::MakeHeader(0x8086, 0x1229, baseClass, subclass, headerType));
        LoadMachine(machine.Text());
        auto function = std::make_unique<CPciFunction>(m_driver, 0, 3, 0);
        ClearRequests();
        return function;
    }

    // The (offset, size) of every write request, in order.
    CRegisterList WrittenRegisters() const
    {
        CRegisterList written;
        for (const CObservedRequest& request : RequestsOf(IOCTL_WRITE_CONFIG))
            written.emplace_back(InU32(request, 12), request.in[16]);
        return written;
    }
};

// Every byte edited in its top bit, which leaves the header layout as it is.
void EditEverything(CPciFunction& function)
{
    for (uint32_t offset = 0; offset < 256; ++offset)
        function.m_image[offset] ^= 0x80;
}

CRegisterList UpperDwords()
{
    CRegisterList list;
    for (uint32_t offset = 0x40; offset < 0x100; offset += 4)
        list.emplace_back(offset, 4);
    return list;
}

void AddBytes(CRegisterList& list, uint32_t first, uint32_t last)
{
    for (uint32_t offset = first; offset <= last; ++offset)
        list.emplace_back(offset, 1);
}

TEST_F(WriteBackTest, ARefreshWithoutEditsSendsNothing)
{
    for (uint8_t headerType : {0x00, 0x01, 0x02}) {
        SCOPED_TRACE(testing::Message() << "header type " << int(headerType));
        auto function = MakeFunction(headerType, 0x06, 0x04);
        function->RefreshConfigSpace();
        EXPECT_TRUE(m_requests.empty());
    }
}

TEST_F(WriteBackTest, AnEditedByteAboveTheHeaderWritesItsDwordAndReadsItBack)
{
    auto function = MakeFunction(0x00);
    function->m_image[0x81] = 0x5A;
    function->RefreshConfigSpace();
    ASSERT_EQ(2u, m_requests.size());
    EXPECT_EQ(IOCTL_WRITE_CONFIG, m_requests[0].code);
    EXPECT_EQ(0x80u, InU32(m_requests[0], 12));
    EXPECT_EQ(4, m_requests[0].in[16]);
    EXPECT_EQ(0x5A00u, InU32(m_requests[0], 17));
    EXPECT_EQ(IOCTL_READ_CONFIG, m_requests[1].code);
    EXPECT_EQ(0x80u, InU32(m_requests[1], 12));
    EXPECT_EQ(0x5A, function->m_image[0x81]);
    EXPECT_EQ(0, memcmp(function->m_image, function->m_lastRead, 256));
}

TEST_F(WriteBackTest, BitsTheDeviceDoesNotKeepReadBackAsTheDeviceHoldsThem)
{
    auto function = MakeFunction(0x00);
    // The vendor ID is read-only; the interrupt line keeps what is written.
    function->m_image[0x00] = 0x34;
    function->m_image[0x3C] = 0x0B;
    function->RefreshConfigSpace();
    EXPECT_EQ(0x8086, function->GetVendorId());
    EXPECT_EQ(0x0B, function->m_image[0x3C]);
    EXPECT_EQ(0, memcmp(function->m_image, function->m_lastRead, 256));
    EXPECT_EQ(2u, RequestsOf(IOCTL_WRITE_CONFIG).size());
}

TEST_F(WriteBackTest, WriteConfigRegisterIgnoresRegistersOutsideTheImage)
{
    auto function = MakeFunction(0x00);
    function->m_image[0xFF] ^= 0xFF;
    function->WriteConfigRegister(0xFE, 4);
    function->WriteConfigRegister(0x100, 1);
    function->WriteConfigRegister(0xFC, 3);
    EXPECT_TRUE(m_requests.empty());
}

TEST_F(WriteBackTest, TheDeviceLayoutWritesItsHeaderRegistersInOrder)
{
    auto function = MakeFunction(0x80);
    EditEverything(*function);
    function->RefreshConfigSpace();
    CRegisterList expected = {{0x00, 2}, {0x02, 2}, {0x04, 2}, {0x06, 2}};
    AddBytes(expected, 0x08, 0x0F);
    for (uint32_t offset = 0x10; offset <= 0x28; offset += 4)
        expected.emplace_back(offset, 4);
    expected.insert(expected.end(), {{0x2C, 2}, {0x2E, 2}, {0x30, 4}, {0x34, 1}, {0x38, 4}});
    AddBytes(expected, 0x3C, 0x3F);
    CRegisterList upper = UpperDwords();
    expected.insert(expected.end(), upper.begin(), upper.end());
    EXPECT_EQ(expected, WrittenRegisters());
}

TEST_F(WriteBackTest, TheBridgeLayoutWritesItsHeaderRegistersInOrder)
{
    auto function = MakeFunction(0x81, 0x06, 0x04);
    EditEverything(*function);
    function->RefreshConfigSpace();
    CRegisterList expected = {{0x00, 2}, {0x02, 2}, {0x04, 2}, {0x06, 2}};
    AddBytes(expected, 0x08, 0x0F);
    expected.insert(expected.end(), {{0x10, 4}, {0x14, 4}});
    AddBytes(expected, 0x18, 0x1D);
    expected.insert(expected.end(), {{0x1E, 2}, {0x20, 2}, {0x22, 2}, {0x24, 2}, {0x26, 2}, {0x28, 4}, {0x2C, 4},
                                     {0x30, 2}, {0x32, 2}, {0x34, 1}, {0x38, 4}, {0x3C, 1}, {0x3D, 1}, {0x3E, 2}});
    CRegisterList upper = UpperDwords();
    expected.insert(expected.end(), upper.begin(), upper.end());
    EXPECT_EQ(expected, WrittenRegisters());
}

TEST_F(WriteBackTest, OtherLayoutsWriteOnlyTheDwordsAboveTheHeader)
{
    auto function = MakeFunction(0x02, 0x06, 0x07);
    EditEverything(*function);
    function->RefreshConfigSpace();
    EXPECT_EQ(UpperDwords(), WrittenRegisters());
}

} // namespace

TEST_F(WriteBackTest, SpaceRegistersWriteAtAnyOffsetAndReadBackIntoBothCopies)
{
    std::vector<uint8_t> config = CMachineText::MakeHeader(0x8086, 0x1521, 0x02, 0x00);
    config.resize(4096);
    config[0x06] = 0x10;
    config[0x34] = 0x40;
    CMachineText::Put32(config, 0x40, 0x00020010);  // PCI Express v2 endpoint
    CMachineText::Put32(config, 0x48, 0x00010000);  // correctable error detected
    CMachineText::Put32(config, 0x100, 0x00020001); // AER, the last extended capability
    CMachineText::Put32(config, 0x110, 0x00000041); // correctable errors logged
    CMachineText machine;
    machine.AddFunction(0, 3, 0, config);
    LoadMachine(machine.Text());
    CPciFunction function(m_driver, 0, 3, 0);
    ASSERT_EQ(function.GetSpaceSize(), 4096u);
    EXPECT_EQ(function.GetExtendedCapabilityOffsets(), std::vector<uint32_t>{0x100});

    struct CCase
    {
        const char* what;
        uint32_t offset;
        uint32_t size;
        uint32_t value;
        uint32_t kept;
    };
    const CCase cases[] = {
        {"extended storage keeps the value", 0x800, 4, 0x12345678, 0x12345678},
        {"an extended header is read-only", 0x100, 4, 0, 0x00020001},
        {"a status clears where ones are written", 0x110, 4, 0x00000001, 0x00000040},
        {"below 100h the first 256 bytes show it too", 0x4A, 2, 0x0001, 0x0000},
        {"the last dword of the space", 0xFFC, 4, 0xA5A5A5A5, 0xA5A5A5A5},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t readBack = 0;
        ASSERT_TRUE(function.WriteSpaceRegister(c.offset, c.size, c.value, &readBack));
        EXPECT_EQ(readBack, c.kept);
        EXPECT_EQ(function.GetSpaceValue(c.offset, c.size), c.kept);
        EXPECT_EQ(pci::GetLe(function.m_lastRead + c.offset, c.size), c.kept);
        if (c.offset < 256) {
            EXPECT_EQ(function.GetConfigWord(c.offset), c.kept);
        }
    }
    ClearRequests();
    EXPECT_FALSE(function.WriteSpaceRegister(0xFFE, 4, 0)) << "past the space";
    EXPECT_FALSE(function.WriteSpaceRegister(0x800, 3, 0)) << "no such width";
    EXPECT_TRUE(m_requests.empty()) << "refused before any request";
    ASSERT_TRUE(function.ReloadSpace());
    EXPECT_EQ(function.GetSpaceValue(0x800, 4), 0x12345678u);
    EXPECT_EQ(RequestsOf(IOCTL_READ_EXTENDED_CONFIG_SPACE).size(), 1u) << "a reload is one request";
}

// A read-back that fails answers all ones; kept, BAR 0 would move to FFFFFFFCh or, through a
// failed upper half, to FFFFFFFF_F0000000h. The last value read stays, marked unread, until the
// space is read again.
TEST_F(WriteBackTest, AFailedReadBackKeepsTheLastValueReadUntilTheSpaceIsReadAgain)
{
    constexpr uint64_t kBar0Base = 0x1F0000000;
    struct CCase
    {
        const char* what;
        bool spacePath;
        uint32_t offset;
        uint32_t typed;
    };
    const CCase cases[] = {
        {"BAR 0 edited", false, 0x10, 0xE000000C},
        {"upper half edited", false, 0x14, 0x2},
        {"BAR 0 written at its space offset", true, 0x10, 0xE000000C},
        {"upper half written at its space offset", true, 0x14, 0x2},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> config = CMachineText::MakeHeader(0x8086, 0x1229, 0x02, 0x00);
        CMachineText::Put32(config, 0x10, 0xF000000C); // 64-bit prefetchable memory
        CMachineText::Put32(config, 0x14, 0x00000001);
        CMachineText machine;
        machine.AddFunction(0, 3, 0, config);
        LoadMachine(machine.Text());
        CPciFunction function(m_driver, 0, 3, 0);
        ASSERT_EQ(function.GetBar(0).base, kBar0Base);
        const uint32_t before = function.GetSpaceValue(c.offset, 4);
        CompatSetRequestObserver([](uint32_t code, const std::vector<uint8_t>&, uint32_t, bool) {
            if (code == IOCTL_WRITE_CONFIG)
                CompatMachine().SetFault(kSimFaultFunction, 0, 3, 0);
        });
        uint32_t readBack = 0;
        if (c.spacePath) {
            EXPECT_TRUE(function.WriteSpaceRegister(c.offset, 4, c.typed, &readBack));
        } else {
            pci::PutLe32(function.m_image + c.offset, c.typed);
            EXPECT_FALSE(function.WriteEditedRegister(c.offset, 4));
            readBack = function.GetSpaceValue(c.offset, 4);
        }
        CompatMachine().SetFault(kSimFaultOff, 0, 0, 0);
        EXPECT_EQ(readBack, before);
        EXPECT_EQ(function.GetBar(0).base, kBar0Base);
        EXPECT_EQ(function.GetSpaceValue(c.offset, 4), before);
        EXPECT_EQ(0, memcmp(function.m_image, function.m_lastRead, 256));
        EXPECT_TRUE(function.IsUnread(c.offset + 3, 1));
        EXPECT_FALSE(function.IsUnread(c.offset ^ 4, 4)) << "the other half was read";

        ASSERT_TRUE(function.ReloadSpace());
        EXPECT_FALSE(function.IsUnread(c.offset, 4));
        EXPECT_EQ(function.GetSpaceValue(c.offset, 4), c.typed) << "the write itself reached the device";
    }
}

// A masked write starts from what the device holds now, not from the image, and never clears a
// write-one-to-clear bit it was not asked to.
TEST_F(WriteBackTest, AMaskedWriteTakesTheOtherBitsFromAFreshReadAndClearsOnlyWhatItIsAskedTo)
{
    constexpr uint32_t kBusMaster = 0x0004;
    constexpr uint32_t kMemorySpace = 0x0002;
    constexpr uint32_t kReceivedMasterAbort = 0x2000u << 16;
    std::vector<uint8_t> config = CMachineText::MakeHeader(0x8086, 0x1229, 0x02, 0x00);
    CMachineText::Put16(config, 0x06, 0x2000);
    CMachineText machine;
    machine.AddFunction(0, 3, 0, config);
    LoadMachine(machine.Text());
    CPciFunction function(m_driver, 0, 3, 0);
    // Bus mastering turned on behind the image's back.
    ASSERT_TRUE(function.WriteConfig(0, 3, 0, 0x04, 2, kBusMaster));
    ASSERT_EQ(function.GetSpaceValue(0x04, 4) & kBusMaster, 0u);
    ClearRequests();

    const CPciFunction::CWriteResult set = function.Write(0x04, 4, kMemorySpace, kMemorySpace);
    const std::vector<CObservedRequest> writes = RequestsOf(IOCTL_WRITE_CONFIG);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(RequestsOf(IOCTL_READ_CONFIG).size(), 2u) << "a fresh read before, the read-back after";
    EXPECT_EQ(set.before & kBusMaster, kBusMaster) << "the fresh read, not the image";
    EXPECT_EQ(InU32(writes[0], kRegValueOffset), (set.before | kMemorySpace) & ~kReceivedMasterAbort)
        << "the status bit outside the mask is sent as zero";
    EXPECT_EQ(set.readBack & (kBusMaster | kMemorySpace | kReceivedMasterAbort),
              kBusMaster | kMemorySpace | kReceivedMasterAbort);
    EXPECT_EQ(set.Differs(), 0u) << "set memory space";

    const CPciFunction::CWriteResult clear =
        function.Write(0x04, 4, kReceivedMasterAbort, kReceivedMasterAbort);
    EXPECT_EQ(clear.readBack & (kBusMaster | kMemorySpace | kReceivedMasterAbort), kBusMaster | kMemorySpace);
    EXPECT_EQ(clear.Differs(), 0u) << "clear received master abort";
    EXPECT_EQ(function.GetSpaceValue(0x04, 4), clear.readBack) << "the read-back is in the image";
}
