// REG=VALUE[:MASK] resolved against one function's bytes, and the function addresses users type.
#include "decode/FunctionAddress.h"
#include "decode/WriteCommand.h"
#include "pci/ByteOrder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A device with Power Management at 40h and AER at 100h, Received Master Abort set.
std::vector<uint8_t> ExpressSpace()
{
    std::vector<uint8_t> space(4096);
    pci::PutLe16(&space[0x04], 0x0007);
    pci::PutLe16(&space[0x06], 0x2010);
    space[0x34] = 0x40;
    space[0x40] = 0x01;
    pci::PutLe32(&space[0x100], 0x00010001);
    return space;
}

TEST(WriteCommand, ResolvesEachFormOfRegister)
{
    const std::vector<uint8_t> space = ExpressSpace();
    const struct
    {
        const char* text;
        uint32_t offset, width, value, mask;
    } cases[] = {
        {"04.W=7", 0x04, 2, 0x7, 0xFFFF},
        {"0x3c.b=0A", 0x3C, 1, 0x0A, 0xFF},
        {"04.l=0x1:0x3", 0x04, 4, 0x1, 0x3},
        {"command=0406", 0x04, 2, 0x406, 0xFFFF},
        {"STATUS.RMA=1", 0x06, 2, 0x2000, 0x2000},
        {"COMMAND.BM=1:0", 0x04, 2, 0x4, 0x0},
        {"CAP_PM+04.W=8000", 0x44, 2, 0x8000, 0xFFFF},
        {"cap_pm+PMCSR.STATE=3", 0x44, 2, 0x3, 0x3},
        {"ECAP_AER+04.L=10", 0x104, 4, 0x10, 0xFFFFFFFF},
        {"ECAP_AER+UESTA.DLP=1", 0x104, 4, 0x10, 0x10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto command = CWriteCommand::Parse(c.text, space.data(), uint32_t(space.size()), &error);
        ASSERT_TRUE(command) << error;
        EXPECT_EQ(command->offset, c.offset);
        EXPECT_EQ(command->width, c.width);
        EXPECT_EQ(command->value, c.value);
        EXPECT_EQ(command->mask, c.mask);
    }
    EXPECT_EQ(CWriteCommand::Parse("STATUS.RMA=1", space.data(), 4096, nullptr)->Describe(), "STATUS.RMA (06h.W)");
}

TEST(WriteCommand, RefusesWhatCannotBeWrittenAsTyped)
{
    const std::vector<uint8_t> space = ExpressSpace();
    const struct
    {
        const char* text;
        const char* error;
    } cases[] = {
        {"04=1", "offset 04 needs a width"},
        {"04.Q=1", "bad width .Q"},
        {"05.W=1", "not aligned"},
        {"1000.B=1", "outside the function's space"},
        {"COMMAND.W=1", "COMMAND has no field W"},
        {"FROB=1", "no register named FROB"},
        {"COMMAND=10000", "value is wider than COMMAND"},
        {"STATUS.RMA=2", "value is wider than STATUS.RMA"},
        {"COMMAND=1:1FFFF", "mask is wider"},
        {"COMMAND=0x", "hexadecimal"},
        {"COMMAND=", "hexadecimal"},
        {"COMMAND", "expected REG=VALUE"},
        {"CAP_PM=1", "needs +OFFSET.WIDTH or +REGISTER"},
        {"CAP_FROB+0.B=1", "unknown capability CAP_FROB"},
        {"ECAP_AER+UESTA.NOPE=1", "UESTA has no field NOPE"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(CWriteCommand::Parse(c.text, space.data(), uint32_t(space.size()), &error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    }
    // A capability the function lacks is named; nothing of a call is resolved when one part fails.
    std::string error;
    EXPECT_FALSE(CWriteCommand::ParseAll({"COMMAND=0", "ECAP_AER+04.L=0"}, space.data(), 256, &error));
    EXPECT_NE(error.find("no capability ECAP_AER"), std::string::npos) << error;
}

// The dry run's prediction: a partial mask keeps the bits read but never clears an RW1C bit
// outside it.
TEST(WriteCommand, PreviewClearsOnlyTheBitsAskedFor)
{
    const std::vector<uint8_t> space = ExpressSpace();
    const auto clear = CWriteCommand::Parse("STATUS.RMA=1", space.data(), 4096, nullptr);
    const CWriteCommand::CPreview cleared = clear->Preview(space.data(), 4096);
    EXPECT_EQ(cleared.before, 0x2010u);
    EXPECT_EQ(cleared.written, 0x2010u);
    EXPECT_EQ(cleared.predicted, 0x0010u);
    const auto other = CWriteCommand::Parse("STATUS.STA=1", space.data(), 4096, nullptr);
    const CWriteCommand::CPreview kept = other->Preview(space.data(), 4096);
    EXPECT_EQ(kept.written, 0x0810u) << "RMA must be sent as 0";
    EXPECT_EQ(kept.predicted, 0x2010u);
}

TEST(FunctionAddress, TakesTheTreeLabelAndLspciForm)
{
    const struct
    {
        const char* text;
        bool valid;
        CFunctionAddress address;
    } cases[] = {
        {"0.31.3", true, {0, 0, 31, 3}},         {"0001:3.0.0", true, {1, 3, 0, 0}},
        {"00:1f.3", true, {0, 0, 31, 3}},        {"0001:03:00.1", true, {1, 3, 0, 1}},
        {"00000010:3.0.0", true, {16, 3, 0, 0}}, {"10000:0.0.0", false, {}},
        {"0.32.0", false, {}},                   {"00:1f.8", false, {}},
        {"0001:00:00", false, {}},               {" 0.0.0", false, {}},
        {"1:2:3:4.0", false, {}},                {"0.0", false, {}},
    };
    for (const auto& c : cases) {
        const std::optional<CFunctionAddress> address = CFunctionAddress::Parse(c.text);
        ASSERT_EQ(address.has_value(), c.valid) << c.text;
        if (address) {
            EXPECT_TRUE(*address == c.address) << c.text;
        }
    }
}

} // namespace
