// Editing a register row: parsing the typed text, write-back through the
// simulated device, read-back, the beep and the text the cell shows.
#include "tests/decode/FunctionFixture.h"

#include "CompatMachine.h"
#include "decode/CapabilityPageModel.h"
#include "decode/TypedValue.h"
#include "protocol/DriverProtocol.h"
#include "protocol/SimControl.h"
#include "sim/SimMachine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A host bridge, a device at 0.7.0 whose cache-line register keeps only its low nibble and
// whose BAR 0 is 64-bit, one at 0.8.0 with "Received Master Abort" set in its status, and a
// CardBus bridge at 0.9.0.
const char kMachine[] =
    "00:00.0 Host bridge\n"
    "00: 86 80 90 71 06 00 00 22 03 00 00 06 00 40 00 00\n"
    "00:07.0 Ethernet controller\n"
    "00: 86 80 29 12 07 00 90 02 08 00 00 02 08 20 00 00\n"
    "10: 0c 00 00 f0 00 00 00 00 00 00 00 00 00 00 00 00\n"
    "@config 0c mask 0f\n"
    "00:08.0 Ethernet controller\n"
    "00: 86 80 29 12 07 00 90 22 08 00 00 02 08 20 00 00\n"
    "00:09.0 CardBus bridge\n"
    "00: 4c 10 1f ac 07 00 10 02 01 00 07 06 08 a8 82 00\n";

// Counts the warning beeps instead of sounding them, and keeps the last refusal.
class CCountingModel : public CConfigSpaceModel
{
public:
    int m_beeps = 0;
    std::string m_refusal;
    std::string m_status;
    std::vector<std::string> m_questions;
    bool m_answer = true;

protected:
    void WarningBeep() override { ++m_beeps; }
    void ShowRefusal(const std::string& why) override { m_refusal = why; }
    void ShowWriteStatus(const std::string& text) override { m_status = text; }
    bool ConfirmWrite(const std::string& question) override
    {
        m_questions.push_back(question);
        return m_answer;
    }
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
        CompatMachine().SetFault(kSimFaultOff, 0, 0, 0);
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
        {"12h", true, 0x0D, "12h", 0x12, 0},
        {"0x2A", true, 0x0D, "2Ah", 0x2A, 0},
        {"18d", false, 0x0D, "18d", 18, 0},
        {"  7", false, 0x0D, "7d", 7, 0},
        {"FF", true, 0x0C, "0Fh", 0x0F, 1},  // RW bits the device does not keep
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
        EXPECT_EQ(model.m_status.empty(), c.beeps == 0) << "the status names the bits that differ";
        const uint32_t size = model.GetRows()[size_t(item)].size;
        EXPECT_EQ(function->ReadConfig(0, 7, 0, c.offset, uint8_t(size)), c.device) << "device register";
        EXPECT_EQ(memcmp(function->m_image, function->m_lastRead, function->GetSpaceSize()), 0);
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
    EXPECT_EQ(model.m_beeps, 0) << "the read-back is what the catalogue predicts";
    EXPECT_EQ(model.m_status, "clears Received Master Abort");
}

// Bits the host owns are written on an image only when the user says yes.
TEST_F(EditTest, HostOwnedBitsAreWrittenOnlyWhenConfirmed)
{
    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "yes" : "no");
        CPciFunction* function = Child(7);
        ASSERT_NE(function, nullptr);
        CCountingModel model;
        model.m_answer = answer;
        model.SetFunction(function);
        const int item = RowIndex(model, 0x04);
        ASSERT_GE(item, 0);
        m_writes = 0;
        EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, "0003"), answer ? "0003h" : "0007h");
        ASSERT_EQ(model.m_questions.size(), 1u);
        EXPECT_EQ(model.m_questions[0],
                  "The operating system owns bit 2 (Bus Master Enable) of this register. Write anyway?");
        EXPECT_EQ(m_writes, answer ? 1 : 0);
        EXPECT_EQ(model.m_beeps, 0);
        // Changing only bits the host does not own asks nothing.
        model.m_questions.clear();
        EXPECT_TRUE(model.OnEndEdit(item, CRegisterRow::kValueColumn, answer ? "0403" : "0407").has_value());
        EXPECT_TRUE(model.m_questions.empty());
    }
}

// Refused texts write nothing: each would have changed the register it names.
TEST_F(EditTest, TextsThatAreNotANumberOfTheRegistersWidthWriteNothing)
{
    struct CCase
    {
        const char* text;
        bool hexMode;
        uint32_t offset;
        const char* refusal;
    };
    const CCase cases[] = {
        {"o117", true, 0x04, "Not written: o117 is not a hexadecimal number"},
        {"zz", true, 0x0D, "Not written: zz is not a hexadecimal number"},
        {"4O", true, 0x0D, "Not written: 4O is not a hexadecimal number"},
        {"6 junk", false, 0x0D, "Not written: 6 junk is not a decimal number"},
        {"300", false, 0x0D, "Not written: 300 does not fit a BYTE"},
        {"1FF", true, 0x0D, "Not written: 1FF does not fit a BYTE"},
        {"100000000", true, 0x10, "Not written: 100000000 does not fit a DWORD"},
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
        const std::string shown = model.GetRows()[size_t(item)].valueText;
        m_writes = 0;
        EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, c.text), shown);
        EXPECT_EQ(m_writes, 0);
        EXPECT_EQ(model.m_beeps, 1);
        EXPECT_EQ(model.m_refusal, c.refusal);
    }
}

// Every cell follows what the device holds after an edit: the row's decoded text, and rows
// decoded from the same bytes, such as a 64-bit BAR whose upper half was edited.
TEST_F(EditTest, EveryRowShowsWhatTheDeviceHoldsAfterAnEdit)
{
    struct CCase
    {
        uint32_t offset;
        const char* text;
        uint32_t changedRow; // a row whose decoded text the edit changes
    };
    const CCase cases[] = {
        {0x04, "0004", 0x04},
        {0x0D, "40", 0x0D},
        {0x14, "00000001", 0x10},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed '" << c.text << "' at " << std::hex << c.offset);
        CPciFunction* function = Child(7);
        ASSERT_NE(function, nullptr);
        CCountingModel model;
        model.SetFunction(function);
        const int item = RowIndex(model, c.offset);
        const int changed = RowIndex(model, c.changedRow);
        ASSERT_GE(item, 0);
        const std::string before = model.GetRows()[size_t(changed)].decoded;
        ASSERT_TRUE(model.OnEndEdit(item, CRegisterRow::kValueColumn, c.text).has_value());
        EXPECT_NE(model.GetRows()[size_t(changed)].decoded, before);
        CConfigSpaceModel fresh;
        fresh.SetFunction(function);
        ASSERT_EQ(model.GetRows().size(), fresh.GetRows().size());
        for (size_t row = 0; row < fresh.GetRows().size(); ++row) {
            for (int column = 0; column < CRegisterRow::kColumnCount; ++column)
                EXPECT_EQ(model.GetRows()[row].Column(column), fresh.GetRows()[row].Column(column))
                    << "row " << row << " column " << column;
        }
    }
}

// A read-back that fails leaves the last value read in the image: the row shows no number
// until the function is read again.
TEST_F(EditTest, ARegisterWhoseReadBackFailedShowsAsUnread)
{
    CPciFunction* function = Child(7);
    ASSERT_NE(function, nullptr);
    CCountingModel model;
    model.SetFunction(function);
    const int item = RowIndex(model, 0x10);
    ASSERT_GE(item, 0);
    const uint64_t base = function->GetBar(0).base;
    CompatSetRequestObserver([](uint32_t code, const std::vector<uint8_t>&, uint32_t, bool) {
        if (code == IOCTL_WRITE_CONFIG)
            CompatMachine().SetFault(kSimFaultFunction, 0, 7, 0);
    });
    EXPECT_EQ(model.OnEndEdit(item, CRegisterRow::kValueColumn, "E000000C"), "--");
    CompatMachine().SetFault(kSimFaultOff, 0, 0, 0);
    EXPECT_EQ(model.m_beeps, 1);
    EXPECT_EQ(model.GetRows()[size_t(item)].valueText, "--");
    EXPECT_EQ(function->GetBar(0).base, base);

    ASSERT_TRUE(function->ReloadSpace());
    model.BuildRegisterList(function);
    EXPECT_EQ(model.GetRows()[size_t(item)].valueText, "E000000Ch");
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
        // Read-only bits that keep their value are what the catalogue predicts: no beep.
        {"CardBus memory base, low bits not kept", 9, 0x1C, "10000234", "10000000h", 0x10000000, 0},
        {"reserved byte of a device header", 7, 0x35, "5A", "00h", 0x00, 0},
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
        EXPECT_EQ(memcmp(function->m_image, function->m_lastRead, function->GetSpaceSize()), 0)
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

// The Capabilities page of a broken list: the problem under its capability's header row, why
// the walk stopped as the last row, and neither one a register that takes an edit.
TEST_F(EditTest, CapabilityPageShowsEachProblemAndWhyTheWalkStopped)
{
    // Power management at 40h, then MSI at FCh, whose registers run past the space and whose
    // next pointer leads back to 40h.
    const char broken[] = "00:00.0 Host bridge\n"
                          "00: 86 80 90 71 06 00 00 22 03 00 00 06 00 40 00 00\n"
                          "00:07.0 Ethernet controller\n"
                          "00: 86 80 29 12 07 00 10 00 08 00 00 02 08 00 00 00\n"
                          "30: 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00\n"
                          "40: 01 fc 03 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                          "f0: 00 00 00 00 00 00 00 00 00 00 00 00 05 40 00 00\n";
    std::string error;
    ASSERT_TRUE(CompatLoadMachine(broken, "broken-machine.txt", &error)) << error;
    m_root = std::make_unique<CPciFunction>(m_driver);
    CCapabilityPageModel model;
    model.SetFunction(Child(7));
    std::vector<std::string> shown;
    for (const CCapabilityPageRow& row : model.GetRows()) {
        if (row.header || row.note)
            shown.push_back(row.columns[0] + "|" + row.columns[4]);
    }
    EXPECT_EQ((std::vector<std::string>{"40h|ID 01h Power Management, next FCh", "FCh|ID 05h MSI, next 40h",
                                        "FCh|problem at 0FCh: register at 100h runs past 100h",
                                        "|walk stopped: the list loops back to 040h"}),
              shown);
    EXPECT_TRUE(model.GetRows().back().note);
    EXPECT_FALSE(model.Write(model.GetRows().back().offset, model.GetRows().back().size, "1", true).has_value());
}

// The one reading of a typed value for every editable cell.
TEST(TypedValue, AcceptsExactlyANumberOfTheWidthInTheRadixShown)
{
    struct CCase
    {
        const char* text;
        bool hexMode;
        uint32_t width;
        std::optional<uint32_t> value;
        const char* refusal;
    };
    const CCase cases[] = {
        // A cell's own text, and the forms around it that are still one number.
        {"001Fh", true, 2, 0x1F, ""},
        {"31d", false, 1, 31, ""},
        {" \t0x2a ", true, 1, 0x2A, ""},
        {"0X2AH", true, 1, 0x2A, ""},
        {"0000000001", true, 1, 1, ""},
        {"7d", true, 1, 0x7D, ""},
        {"FF", true, 1, 0xFF, ""},
        {"65535", false, 2, 0xFFFF, ""},
        {"FFFFFFFFh", true, 4, 0xFFFFFFFF, ""},
        {"4294967295", false, 4, 0xFFFFFFFF, ""},
        // Not a number in the radix shown.
        {"", true, 1, std::nullopt, "Not written: no value was typed"},
        {"   ", false, 1, std::nullopt, "Not written: no value was typed"},
        {"0x", true, 1, std::nullopt, "Not written: 0x is not a hexadecimal number"},
        {"h", true, 1, std::nullopt, "Not written: h is not a hexadecimal number"},
        {"12hh", true, 1, std::nullopt, "Not written: 12hh is not a hexadecimal number"},
        {"12h", false, 1, std::nullopt, "Not written: 12h is not a decimal number"},
        {"0x12", false, 1, std::nullopt, "Not written: 0x12 is not a decimal number"},
        {"1 2", false, 1, std::nullopt, "Not written: 1 2 is not a decimal number"},
        {"-1", true, 4, std::nullopt, "Not written: -1 is not a hexadecimal number"},
        {"+7", false, 1, std::nullopt, "Not written: +7 is not a decimal number"},
        // Wider than the register.
        {"100", true, 1, std::nullopt, "Not written: 100 does not fit a BYTE"},
        {"256", false, 1, std::nullopt, "Not written: 256 does not fit a BYTE"},
        {"10000h", true, 2, std::nullopt, "Not written: 10000h does not fit a WORD"},
        {"65536", false, 2, std::nullopt, "Not written: 65536 does not fit a WORD"},
        {"4294967296", false, 4, std::nullopt, "Not written: 4294967296 does not fit a DWORD"},
        {"FFFFFFFFFFFFFFFFF", true, 4, std::nullopt, "Not written: FFFFFFFFFFFFFFFFF does not fit a DWORD"},
        {"99999999999999999999999", false, 4, std::nullopt,
         "Not written: 99999999999999999999999 does not fit a DWORD"},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.text << "' base " << (c.hexMode ? 16 : 10) << " width "
                                        << c.width);
        const CTypedValue typed = CTypedValue::Parse(c.text, c.hexMode, c.width);
        EXPECT_EQ(typed.value, c.value);
        EXPECT_EQ(typed.refusal, c.refusal);
    }
}

}  // namespace
