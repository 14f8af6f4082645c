// The simulated machine, the driver handle and a log of driver requests for the device tests.
#include "tests/device/DeviceFixture.h"

#include "compat/CompatMachine.h"
#include "sim/SimMachine.h"
#include "protocol/DriverProtocol.h"

namespace {
const char kDriverPath[] = "\\\\.\\briscodrvDevice";
}

void CDeviceFixture::SetUp()
{
    CompatUseDefaultMachine();
    m_driver = CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(m_driver, INVALID_HANDLE_VALUE);
    CompatSetRequestObserver([this](uint32_t code, const std::vector<uint8_t>& in, uint32_t outLength, bool ok) {
        m_requests.push_back({code, in, outLength, ok});
    });
}

void CDeviceFixture::TearDown()
{
    CompatSetRequestObserver(nullptr);
    CompatSetRequestFilter(nullptr);
    CompatMachine().SetFault(0, 0, 0, 0);
    if (m_driver != INVALID_HANDLE_VALUE)
        CloseHandle(m_driver);
    CompatUseDefaultMachine();
}

void CDeviceFixture::LoadMachine(const std::string& text)
{
    std::string error;
    ASSERT_TRUE(CompatLoadMachine(text, "test-machine.txt", &error)) << error << "\n" << text;
    ClearRequests();
}

std::vector<CObservedRequest> CDeviceFixture::RequestsOf(uint32_t code) const
{
    std::vector<CObservedRequest> result;
    for (const CObservedRequest& request : m_requests) {
        if (request.code == code)
            result.push_back(request);
    }
    return result;
}

uint32_t InU32(const CObservedRequest& request, uint32_t offset)
{
    if (offset + 4 > request.in.size()) {
        ADD_FAILURE() << "request input of " << request.in.size() << " bytes has no u32 at " << offset;
        return 0;
    }
    return pci::GetLe32(request.in.data() + offset);
}
