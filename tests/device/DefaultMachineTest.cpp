// A full scan of the default machine through the driver as the program opens
// it: natively the in-process stand-in, under Windows the installed driver and
// the plug-and-play records in the system registry. Runs next to pcidevs.txt.
#include <windows.h>

#include "device/PciFunction.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kDriverPath[] = "\\\\.\\briscodrvDevice";

std::string Address(const CPciFunction& function)
{
    return std::to_string(function.m_bus) + "." + std::to_string(function.m_device) + "." +
           std::to_string(function.m_function);
}

// "b.d.f" for every function, its children in brackets.
std::string Describe(const CPciFunction& function)
{
    std::string text = Address(function);
    if (function.m_children.empty())
        return text;
    text += "[";
    for (size_t i = 0; i < function.m_children.size(); ++i) {
        if (i > 0)
            text += " ";
        text += Describe(*function.m_children[i]);
    }
    return text + "]";
}

const CPciFunction* Find(const CPciFunction& function, const std::string& address)
{
    if (Address(function) == address)
        return &function;
    for (const auto& child : function.m_children) {
        if (const CPciFunction* found = Find(*child, address))
            return found;
    }
    return nullptr;
}

class DefaultMachineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        FILE* names = fopen("pcidevs.txt", "r");
        ASSERT_NE(nullptr, names) << "the test runs in the folder that holds pcidevs.txt";
        fclose(names);
        m_driver = CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, m_driver) << "cannot open " << kDriverPath;
        m_root = std::make_unique<CPciFunction>(m_driver);
    }

    void TearDown() override
    {
        m_root.reset();
        if (m_driver != INVALID_HANDLE_VALUE)
            CloseHandle(m_driver);
    }

    const CPciFunction& At(const std::string& address)
    {
        const CPciFunction* function = Find(*m_root, address);
        if (!function) {
            ADD_FAILURE() << address << " is not in the tree";
            return *m_root;
        }
        return *function;
    }

    HANDLE m_driver = INVALID_HANDLE_VALUE;
    std::unique_ptr<CPciFunction> m_root;
};

TEST_F(DefaultMachineTest, TheTreeHoldsEveryFunctionOnceBehindItsBridge)
{
    EXPECT_EQ("0.0.0[0.1.0[1.0.0] 0.7.0 0.7.1 0.7.2 0.7.3 0.10.0 0.10.1 0.10.3 0.11.0 0.12.0 0.13.0[2.0.0 2.1.0]]",
              Describe(*m_root));
}

TEST_F(DefaultMachineTest, NamesComeFromTheNameFile)
{
    struct CCase
    {
        const char* address;
        const char* vendor;
        const char* device;
        const char* subsystemVendor;
    };
    const CCase cases[] = {
        {"0.0.0", "Intel Corporation", "440BX/ZX/DX - 82443BX/ZX/DX Host bridge", nullptr},
        {"0.10.0", "Creative Labs", "EMU10k1 [Sound Blaster Live! Series]", "Creative Labs"},
        {"0.12.0", "Broadcom / LSI", "53c895", "Broadcom / LSI"},
        {"1.0.0", "Advanced Micro Devices, Inc. [AMD/ATI]", "Rage 4 [Rage 128 PRO AGP 4X]",
         "Advanced Micro Devices, Inc. [AMD/ATI]"},
        // A CardBus bridge keeps its subsystem vendor at 40h.
        {"2.0.0", "Texas Instruments", "PCI1225", "Dell"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.address);
        const CPciFunction& function = At(c.address);
        EXPECT_EQ(c.vendor, function.GetVendorName());
        EXPECT_EQ(c.device, function.GetDeviceName());
        if (c.subsystemVendor) {
            EXPECT_EQ(c.subsystemVendor, function.GetSubsystemVendorName());
        }
    }
}

TEST_F(DefaultMachineTest, BarSizesComeFromTheRegistryWhereItHasThem)
{
    struct CCase
    {
        const char* address;
        std::vector<uint32_t> sizes;
    };
    const CCase cases[] = {
        {"0.0.0", {64u << 20, 0, 0, 0, 0, 0}},
        {"0.7.1", {0, 0, 0, 0, 16, 0}},
        {"0.10.0", {32, 0, 0, 0, 0, 0}},
        {"0.10.1", {0, 0, 0, 0, 0, 0}},
        {"0.11.0", {128, 128, 0, 0, 0, 0}},
        {"0.12.0", {0, 0, 0, 0, 0, 0}},
        {"1.0.0", {64u << 20, 256, 16u << 10, 0, 0, 0}},
        {"2.0.0", {0, 0, 0, 0, 0, 0}},
        {"2.1.0", {128u << 10, 0, 32, 0, 0, 0}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.address);
        const CPciFunction& function = At(c.address);
        EXPECT_EQ(c.sizes, std::vector<uint32_t>(function.m_barSizes, function.m_barSizes + 6));
    }
}

TEST_F(DefaultMachineTest, ProbingFindsTheSizesTheRegistryDoesNotHave)
{
    CPciFunction& scsi = const_cast<CPciFunction&>(At("0.12.0"));
    EXPECT_EQ(256u, scsi.ProbeBarSize(0));
    EXPECT_EQ(1024u, scsi.ProbeBarSize(1));
    EXPECT_EQ(4096u, scsi.ProbeBarSize(3));
    EXPECT_EQ(0, memcmp(scsi.m_image, scsi.m_lastRead, 256));
    uint8_t image[256];
    ASSERT_TRUE(scsi.ReadConfigSpace(0, 12, 0, image));
    EXPECT_EQ(0, memcmp(scsi.m_image, image, 256)) << "probing left a BAR changed";
}

} // namespace
