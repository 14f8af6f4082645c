// The simulator answers writes to every catalogued register of the modern machine as the
// register catalogue predicts.
#include <gtest/gtest.h>
#include <cstring>
#include <sstream>
#include "pci/RegisterLocator.h"
#include "sim/SimFunction.h"
#include "tests/sim/SimTestSupport.h"

namespace {

// Header registers whose bits the function's own hardware narrows below what the catalogue allows.
struct CNarrowed
{
    const char* m_symbol;
    const char* m_why;
};
constexpr CNarrowed kNarrowed[] = {
    {"BASE_ADDRESS_0", "address bits below the BAR's size read zero"},
    {"BASE_ADDRESS_1", "address bits below the BAR's size read zero"},
    {"BASE_ADDRESS_2", "address bits below the BAR's size read zero"},
    {"BASE_ADDRESS_3", "address bits below the BAR's size read zero"},
    {"BASE_ADDRESS_4", "address bits below the BAR's size read zero"},
    {"BASE_ADDRESS_5", "address bits below the BAR's size read zero"},
    {"ROM_ADDRESS", "address bits below the ROM's size read zero"},
    {"ROM_ADDRESS1", "address bits below the ROM's size read zero"},
    {"BIST", "a simulated self test ends as it starts, so Start BIST never reads set"},
};

bool Narrowed(const pci::CRegisterLocation& at)
{
    if (at.block->kind != pci::EBlockKind::kHeader || !at.place.def->symbol)
        return false;
    for (const CNarrowed& n : kNarrowed)
        if (std::strcmp(n.m_symbol, at.place.def->symbol) == 0)
            return true;
    return false;
}

constexpr uint32_t kPatterns[] = {0xFFFFFFFF, 0x00000000, 0xAAAAAAAA, 0x55555555};

} // namespace

TEST(CataloguePrediction, EveryRegisterOfTheModernMachineReadsBackAsPredicted)
{
    CSimMachine machine;
    LoadOrFail(machine, ReadTextFile(std::string(BRISCO_MACHINES) + "/modern.txt"));
    ASSERT_GT(machine.GetFunctionCount(), 0u);
    for (uint32_t i = 0; i < machine.GetFunctionCount(); ++i) {
        const CSimFunction& f = *machine.GetFunction(i);
        const uint32_t size = f.SpaceSize();
        std::ostringstream function;
        function << std::hex << int(f.m_bus) << ":" << int(f.m_device) << "." << int(f.m_function);
        uint32_t checked = 0;
        for (uint32_t offset = 0; offset < size; ++offset) {
            const pci::CRegisterLocation at = pci::LocateRegister(f.m_config, size, offset);
            if (!at.place.def || at.start + at.place.offset != offset || Narrowed(at))
                continue;
            const uint32_t width = at.place.def->width;
            for (uint32_t pattern : kPatterns) {
                const uint32_t written = pattern & pci::RegisterMask(width);
                const uint32_t before = ReadConfig(machine, f.m_bus, f.m_device, f.m_function, offset, uint8_t(width));
                const pci::CRegisterBits bits = pci::DescribeWindow(f.m_config, size, offset, width);
                ASSERT_EQ(WriteConfig(machine, f.m_bus, f.m_device, f.m_function, offset, uint8_t(width), written),
                          kSimStatusSuccess);
                EXPECT_EQ(ReadConfig(machine, f.m_bus, f.m_device, f.m_function, offset, uint8_t(width)),
                          pci::PredictReadBack(bits, before, written))
                    << function.str() << " offset " << std::hex << offset << " (" << at.place.def->name << ") pattern "
                    << written;
            }
            ++checked;
        }
        EXPECT_GT(checked, 0u) << function.str() << " has catalogued registers";
    }
}
