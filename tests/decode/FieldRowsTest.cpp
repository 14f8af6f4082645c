// The field pane's rows: catalogue fields in bit order, reserved gaps, values in the page's
// radix, and the write a field edit makes.
#include <gtest/gtest.h>

#include <vector>

#include "decode/FieldRows.h"
#include "pci/ByteOrder.h"
#include "pci/ConfigSpace.h"
#include "pci/ExtendedCapability.h"

namespace {

constexpr uint32_t kExtendedSpaceBytes = 4096;
constexpr uint32_t kAerAt = 0x100;
constexpr uint32_t kAerHeader = 0x00010001; // AER, version 1, last entry

std::vector<uint8_t> ModernSpace()
{
    std::vector<uint8_t> space(kExtendedSpaceBytes);
    pci::PutLe16(space.data() + pci::kCommandOffset, 0x0406);
    pci::PutLe16(space.data() + pci::kStatusOffset, 0x2210); // RMA, DEVSEL medium, capability list
    pci::PutLe32(space.data() + kAerAt, kAerHeader);
    pci::PutLe32(space.data() + kAerAt + pci::kAerUncorrectableStatusOffset, 0x00104000);
    return space;
}

const CFieldRow* RowNamed(const CFieldRows& rows, const std::string& name)
{
    for (const CFieldRow& row : rows.GetRows())
        if (row.name == name)
            return &row;
    return nullptr;
}

} // namespace

TEST(FieldRows, ListsCatalogueFieldsWithValueAccessAndMeaning)
{
    const std::vector<uint8_t> space = ModernSpace();
    struct Case {
        const char* what;
        uint32_t offset;
        bool hex;
        const char* name;
        const char* bits;
        const char* value;
        const char* access;
        const char* meaning;
        bool editable;
    };
    const Case cases[] = {
        {"status RMA", pci::kStatusOffset + 1, true, "Received Master Abort", "13", "1h", "RW1C", "set", true},
        {"status DEVSEL", pci::kStatusOffset, true, "DEVSEL Timing", "10:9", "1h", "RO", "", false},
        {"status low reserved", pci::kStatusOffset, true, "Reserved", "2:0", "0h", "RsvdZ", "", false},
        {"status one-bit reserved", pci::kStatusOffset, true, "Reserved", "6", "0h", "RsvdZ", "", false},
        {"command bus master", pci::kCommandOffset, false, "Bus Master Enable", "2", "1d", "RW", "set", true},
        {"command reserved", pci::kCommandOffset, true, "Reserved", "15:11", "00h", "RsvdP", "", false},
        {"AER completion timeout", kAerAt + 5, true, "Completion Timeout", "14", "1h", "RW1CS", "set", true},
        {"AER gap as reserved", kAerAt + 4, true, "Reserved", "3:1", "0h", "RsvdZ", "", false},
        {"AER middle reserved", kAerAt + 5, true, "Reserved", "11:6", "00h", "RsvdZ", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CFieldRows rows = CFieldRows::Build(space.data(), uint32_t(space.size()), c.offset, c.hex);
        ASSERT_TRUE(rows.IsKnown());
        const CFieldRow* row = nullptr;
        for (const CFieldRow& candidate : rows.GetRows())
            if (candidate.name == c.name && candidate.bits == c.bits)
                row = &candidate;
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(c.value, row->value);
        EXPECT_EQ(c.access, row->access);
        EXPECT_EQ(c.meaning, row->meaning);
        EXPECT_EQ(c.editable, row->IsEditable());
    }
    // Every bit of a register is on exactly one row.
    for (uint32_t offset : {uint32_t(pci::kCommandOffset), uint32_t(pci::kStatusOffset), kAerAt + 4}) {
        SCOPED_TRACE(offset);
        const CFieldRows rows = CFieldRows::Build(space.data(), uint32_t(space.size()), offset, true);
        uint32_t covered = 0;
        for (const CFieldRow& row : rows.GetRows()) {
            EXPECT_EQ(0u, covered & row.mask) << row.name;
            covered |= row.mask;
        }
        EXPECT_EQ(rows.GetWidth() == 4 ? 0xFFFFFFFFu : (1u << (8 * rows.GetWidth())) - 1, covered);
    }
}

TEST(FieldRows, RegisterWithoutTableSaysSoInOneRow)
{
    const std::vector<uint8_t> space = ModernSpace();
    const CFieldRows rows = CFieldRows::Build(space.data(), uint32_t(space.size()), 0x80, true);
    EXPECT_FALSE(rows.IsKnown());
    ASSERT_EQ(1u, rows.GetRows().size());
    EXPECT_EQ(CFieldRows::kNoFieldsText, rows.GetRows()[0].name);
    EXPECT_FALSE(rows.GetRows()[0].IsEditable());
    EXPECT_FALSE(rows.ComposeEdit(0, 1).has_value());
}

// A field edit writes the whole register with only the field under the mask; an RW1C
// field's ones are the bits it clears.
TEST(FieldRows, EditWritesTheFieldAloneUnderItsMask)
{
    const std::vector<uint8_t> space = ModernSpace();
    const CFieldRows status = CFieldRows::Build(space.data(), uint32_t(space.size()), pci::kStatusOffset, true);
    const CFieldRow* rma = RowNamed(status, "Received Master Abort");
    ASSERT_NE(nullptr, rma);
    const size_t rmaRow = size_t(rma - status.GetRows().data());
    const auto clear = status.ComposeEdit(rmaRow, 1);
    ASSERT_TRUE(clear.has_value());
    EXPECT_EQ(pci::kStatusOffset, clear->offset);
    EXPECT_EQ(2u, clear->width);
    EXPECT_EQ(0x2000u, clear->value);
    EXPECT_EQ(0x2000u, clear->mask);
    EXPECT_FALSE(status.ComposeEdit(rmaRow, 2).has_value()) << "two bits do not fit a one-bit field";

    const CFieldRows aer = CFieldRows::Build(space.data(), uint32_t(space.size()), kAerAt + 6, true);
    const CFieldRow* unsupported = RowNamed(aer, "Unsupported Request Error");
    ASSERT_NE(nullptr, unsupported);
    const auto write = aer.ComposeEdit(size_t(unsupported - aer.GetRows().data()), 1);
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(kAerAt + pci::kAerUncorrectableStatusOffset, write->offset);
    EXPECT_EQ(1u << 20, write->value);
    EXPECT_EQ(1u << 20, write->mask);
}
