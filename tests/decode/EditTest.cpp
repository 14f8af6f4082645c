// Editing a register row: parsing the typed text, write-back through the
// simulated device, read-back, the beep and the text the cell shows.
#include "tests/decode/FunctionFixture.h"

#include "CompatMachine.h"
#include "protocol/DriverProtocol.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A host bridge, a device at 0.7.0 whose cache-line register keeps only its low
// nibble, one at 0.8.0 with "Received Master Abort" set in its status, and a CardBus bridge at 0.9.0.
const char kMachine[] =
    "00:00.0 Host bridge\n"
    "00: 86 80 90 71 06 00 00 22 03 00 00 06 00 40 00 00\n"
    "00:07.0 Ethernet controller\n"
    "00: 86 80 29 12 07 00 90 02 08 00 00 02 08 20 00 00\n"
    "@config 0c mask 0f\n"
    "00:08.0 Ethernet controller\n"
    "00: 86 80 29 12 07 00 90 22 08 00 00 02 08 20 00 00\n"
    "00:09.0 CardBus bridge\n"
    "00: 4c 10 1f ac 07 00 10 02 01 00 07 06 08 a8 82 00\n";

// Counts the warning beeps instead of sounding them.
class CCountingModel : public CConfigSpaceModel
{
public:
    int m_beeps = 0;

protected:
    void WarningBeep() override { ++m_beeps; }
};

class EditTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(CompatLoadMachine(kMachine, "edit-machine.txt", &error)) << error;
        m_driver = CreateFileA("\\\\.\\briscodrvDevice", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(m_driver, INVALID_HANDLE_VALUE);
        m_root = std::make_unique<CPciFunction>(m_driver);
        CompatSetRequestObserver([this](uint32_t code, const std::vector<uint8_t>&, uint32_t, bool) {
            if (code == IOCTL_WRITE_CONFIG)
                ++m_writes;
        });
    }

    void TearDown() override
    {
        CompatSetRequestObserver(nullptr);
        m_root.reset();
        if (m_driver != INVALID_HANDLE_VALUE)
            CloseHandle(m_driver);
        CompatUseDefaultMachine();
    }

    CPciFunction* Child(uint32_t device)
    {
        for (auto& child : m_root->m_children) {
            if (child->m_device == device)
                return child.get();
        }
        ADD_FAILURE() << "no function at device " << device;
        return nullptr;
    }

    static int RowIndex(const CConfigSpaceModel& model, uint32_t offset)
    {
        const auto& rows = model.GetRows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].offset == offset)
                return int(i);
        }
        return -1;
    }

    HANDLE m_driver = INVALID_HANDLE_VALUE;
    std::unique_ptr<CPciFunction> m_root;
    int m_writes = 0;
};

TEST_F(EditTest, TypedValuesAreWrittenReadBackAndShown)
{
    struct CCase
    {
        const char* text;
        bool hexMode;
        uint32_t offset;
        const char* cell;
        uint32_t device;  // what the function holds afterwards
        int beeps;
    };
    const CCase cases[] = {
        {"1FF", true, 0x0D, "FFh", 0xFF, 1},  // wider than the register
        {"12h", true, 0x0D, "12h", 0x12, 0},
        {"0x2A", true, 0x0D, "2Ah", 0x2A, 0},
        {"18d", false, 0x0D, "18d", 18, 0},
        {"", true, 0x0D, "00h", 0, 0},
        {"zz", true, 0x0D, "00h", 0, 0},
        {"  7", false, 0x0D, "7d", 7, 0},
        {"FF", true, 0x0C, "0Fh", 0x0F, 1},  // bits the device does not keep
        {"12345678", true, 0x40, "12345678h", 0x12345678, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed '" << c.text << "' at " << std::hex << c.offset);
        CPciFunction* function = Child(7);
        ASSERT_NE(function, nullptr);
        CCountingModel model;
        model.SetHexMode(c.hexMode);
        model.SetFunction(function);
        const int item = RowIndex(model, c.offset);
        ASSERT_GE(item, 0);
        const std::optional<std::string> cell = model.OnEndEdit(item, CRegisterRow::kValueColumn, c.text);
        ASSERT_TRUE(cell.has_value());
        EXPECT_EQ(*cell, c.cell);
        EXPECT_EQ(model.GetRows()[size_t(item)].valueText, c.cell);
        EXPECT_EQ(model.m_beeps, c.beeps);
        const uint32_t size = model.GetRows()[size_t(item)].size;
        EXPECT_EQ(function->ReadConfig(0, 7, 0, c.offset, uint8_t(size)), c.device) << "device register";
        EXPECT_EQ(memcmp(function->m_config, function->m_shadow, sizeof function->m_config), 0);
    }
}

// Typing the value shown is how a write-one-to-clear status bit is cleared: it is written.
TEST_F(EditTest, TypingTheValueShownStillWritesTheRegister)
{
    CPciFunction* function = Child(8);
    ASSERT_NE(function, nullptr);
    CCountingModel model;
    model.SetFunction(function);
    const int item = RowIndex(model, 0x06);
    ASSERT_GE(item, 0);
    ASSERT_EQ(model.GetRows()[size_t(item)].valueText, "2290h");
    m_writes = 0;
    EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, "2290h"), "0290h");
    EXPECT_EQ(m_writes, 1);
    EXPECT_EQ(function->ReadConfig(0, 8, 0, 0x06, 2), 0x0290u) << "the status bit was cleared";
    EXPECT_EQ(model.m_beeps, 1) << "the device did not keep what was typed";
}

TEST_F(EditTest, OnlyTheEditedCellChangesUntilTheListIsRebuilt)
{
    CPciFunction* function = Child(7);
    ASSERT_NE(function, nullptr);
    CCountingModel model;
    model.SetFunction(function);
    const int item = RowIndex(model, 0x04);
    ASSERT_GE(item, 0);
    const std::string oldDecoded = model.GetRows()[size_t(item)].decoded;
    EXPECT_EQ(oldDecoded, "Bus Master, Memory Space, I/O Space");
    m_writes = 0;
    EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, "0004"), "0004h");
    EXPECT_EQ(m_writes, 1) << "only the edited register is written";
    EXPECT_EQ(model.GetRows()[size_t(item)].decoded, oldDecoded);
    model.BuildRegisterList(function);
    EXPECT_EQ(model.GetRows()[size_t(item)].decoded, "Bus Master");
}

// The write-back of the whole image leaves these registers out; the edit still reaches the device.
TEST_F(EditTest, RegistersOutsideTheWriteBackListAreWrittenToo)
{
    struct CCase
    {
        const char* what;
        uint32_t device;
        uint32_t offset;
        const char* text;
        const char* cell;
        uint32_t held;
        int beeps;
    };
    const CCase cases[] = {
        {"CardBus memory base", 9, 0x1C, "10000000", "10000000h", 0x10000000, 0},
        {"CardBus memory base, low bits not kept", 9, 0x1C, "10000234", "10000000h", 0x10000000, 1},
        {"reserved byte of a device header", 7, 0x35, "5A", "00h", 0x00, 1},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        CPciFunction* function = Child(c.device);
        ASSERT_NE(function, nullptr);
        CCountingModel model;
        model.SetFunction(function);
        const int item = RowIndex(model, c.offset);
        ASSERT_GE(item, 0);
        const uint32_t size = model.GetRows()[size_t(item)].size;
        m_writes = 0;
        EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, c.text), c.cell);
        EXPECT_EQ(model.m_beeps, c.beeps);
        EXPECT_EQ(m_writes, 1);
        EXPECT_EQ(function->ReadConfig(0, c.device, 0, c.offset, uint8_t(size)), c.held);
        EXPECT_EQ(memcmp(function->m_config, function->m_shadow, sizeof function->m_config), 0)
            << "no edit is left in the image only";
    }
}

TEST_F(EditTest, NothingHappensWithoutARowOrFunction)
{
    CCountingModel model;
    EXPECT_FALSE(model.OnEndEdit(0, CRegisterRow::kValueColumn, "12").has_value());
    model.SetFunction(Child(7));
    EXPECT_FALSE(model.OnEndEdit(-1, CRegisterRow::kValueColumn, "12").has_value());
    EXPECT_FALSE(model.OnEndEdit(int(model.GetRows().size()), CRegisterRow::kValueColumn, "12").has_value());
    EXPECT_EQ(model.m_beeps, 0);
}

TEST(ParseValue, FollowsThe32BitLibraryRules)
{
    struct CCase
    {
        const char* text;
        bool hexMode;
        uint32_t value;
    };
    const CCase cases[] = {
        {"1FF", true, 0x1FF},          {"12h", true, 0x12},         {"0x12", true, 0x12},
        {"18d", false, 18},            {"0x12", false, 0},          {"", true, 0},
        {"  \t42", false, 42},         {"+7", false, 7},            {"-1", true, 0xFFFFFFFF},
        {"-2", false, 0xFFFFFFFE},     {"- 2", false, 0},           {"+-2", false, 0},
        {"FFFFFFFF", true, 0xFFFFFFFF}, {"100000000", true, 0xFFFFFFFF}, {"99999999999", false, 0xFFFFFFFF},
        {"-99999999999", false, 0xFFFFFFFF}, {"h", true, 0},       {"abc", false, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.text << "' base " << (c.hexMode ? 16 : 10));
        EXPECT_EQ(CConfigSpaceModel::ParseValue(c.text, c.hexMode), c.value);
    }
}

}  // namespace
