// The device of the native Win32 stand-in: opening, requests with Windows
// error codes, and the request observer.
#include <gtest/gtest.h>
#include "CompatMachine.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"
#include "tests/sim/SimTestSupport.h"

namespace {

class CompatDeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        CompatUseDefaultMachine();
        m_device = CreateFileA("\\\\.\\briscodrvDevice", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(m_device, INVALID_HANDLE_VALUE);
    }

    void TearDown() override
    {
        CompatSetRequestObserver(nullptr);
        CompatSetRequestFilter(nullptr);
        CompatMachine().SetFault(0, 0, 0, 0);
        EXPECT_TRUE(CloseHandle(m_device));
        EXPECT_EQ(CompatOpenHandleCount(), 0u);
    }

    BOOL Control(DWORD code, std::vector<uint8_t> in, std::vector<uint8_t>* out, DWORD* returned)
    {
        return DeviceIoControl(m_device, code, in.data(), DWORD(in.size()), out->empty() ? nullptr : out->data(),
                               DWORD(out->size()), returned, nullptr);
    }

    HANDLE m_device = INVALID_HANDLE_VALUE;
};

} // namespace

TEST(CompatDevice, OnlyTheDriverDeviceOpens)
{
    SetLastError(0);
    EXPECT_EQ(CreateFileA("\\\\.\\otherDevice", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DWORD returned = 0;
    uint8_t out[4];
    EXPECT_FALSE(DeviceIoControl(nullptr, IOCTL_PROBE_FUNCTION, out, 4, out, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(CompatDeviceTest, SuccessfulRequestsCopyTheAnswer)
{
    std::vector<uint8_t> out(4);
    DWORD returned = 0;
    ASSERT_TRUE(Control(IOCTL_PROBE_FUNCTION, AddressInput(0, 0, 0, 16), &out, &returned));
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(pci::GetLe32(out.data()), 0x71908086u);
}

TEST_F(CompatDeviceTest, RefusedRequestsReportWindowsErrorsAndLeaveTheOutputAlone)
{
    struct CCase
    {
        const char* m_what;
        DWORD m_code;
        std::vector<uint8_t> m_in;
        DWORD m_outLength;
        DWORD m_error;
    };
    const std::vector<CCase> cases = {
        {"device 32", IOCTL_PROBE_FUNCTION, AddressInput(0, 32, 0, 16), 4, ERROR_INVALID_PARAMETER},
        {"output too small", IOCTL_READ_CONFIG_SPACE, AddressInput(0, 0, 0, 12), 128, ERROR_INSUFFICIENT_BUFFER},
        {"unknown code", 0x80006100u, AddressInput(0, 0, 0, 16), 4, ERROR_INVALID_FUNCTION},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.m_what);
        std::vector<uint8_t> out(c.m_outLength, 0xCD);
        DWORD returned = 99;
        EXPECT_FALSE(Control(c.m_code, c.m_in, &out, &returned));
        EXPECT_EQ(GetLastError(), c.m_error);
        EXPECT_EQ(returned, 0u);
        EXPECT_EQ(out, std::vector<uint8_t>(c.m_outLength, 0xCD));
    }
    CompatMachine().SetFault(1, 0, 0, 0);
    std::vector<uint8_t> out(4, 0xCD);
    DWORD returned = 0;
    EXPECT_FALSE(Control(IOCTL_PROBE_FUNCTION, AddressInput(0, 0, 0, 16), &out, &returned));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_DEVICE));
    EXPECT_EQ(out, std::vector<uint8_t>(4, 0xCD)) << "a failed probe leaves the caller's buffer as it was";
    CompatMachine().SetFault(0, 0, 0, 0);

    // The refusals the program tells apart, mapped as Windows maps them.
    const std::pair<uint32_t, DWORD> refusals[] = {
        {kSimStatusAccessDenied, ERROR_ACCESS_DENIED},
        {kSimStatusWriteProtected, ERROR_WRITE_PROTECT},
        {kSimStatusDeviceNotReady, ERROR_NOT_READY},
        {kSimStatusNotSupported, ERROR_NOT_SUPPORTED},
    };
    for (const auto& [status, error] : refusals) {
        CompatSetRequestFilter([status = status](uint32_t, uint32_t* answer) {
            *answer = status;
            return true;
        });
        EXPECT_FALSE(Control(IOCTL_PROBE_FUNCTION, AddressInput(0, 0, 0, 16), &out, &returned));
        EXPECT_EQ(GetLastError(), error) << "status " << std::hex << status;
    }
}

TEST_F(CompatDeviceTest, ObserverSeesEveryRequestWithItsBytes)
{
    std::vector<std::tuple<uint32_t, std::vector<uint8_t>, uint32_t, bool>> seen;
    CompatSetRequestObserver([&seen](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok) {
        seen.emplace_back(code, in, outLength, ok);
    });
    std::vector<uint8_t> out(4);
    DWORD returned = 0;
    std::vector<uint8_t> probe = AddressInput(0, 7, 1, 16);
    Control(IOCTL_PROBE_FUNCTION, probe, &out, &returned);
    Control(IOCTL_PROBE_FUNCTION, AddressInput(0, 40, 1, 16), &out, &returned);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_tuple(IOCTL_PROBE_FUNCTION, probe, 4u, true));
    EXPECT_FALSE(std::get<3>(seen[1]));
}

TEST_F(CompatDeviceTest, DebugOutputReachesTheObserver)
{
    std::string text;
    CompatSetDebugOutputObserver([&text](const std::string& line) { text += line; });
    OutputDebugStringA("CPciFunction::WriteDeviceData\r\n");
    CompatSetDebugOutputObserver(nullptr);
    OutputDebugStringA("dropped");
    EXPECT_EQ(text, "CPciFunction::WriteDeviceData\r\n");
}
