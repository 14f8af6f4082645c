// Bus tree items: labels, images and the grouping of multi-function devices.
#include "tests/decode/FunctionFixture.h"

#include "views/BarSummary.h"
#include "views/BusTreeModel.h"
#include "views/FunctionQuery.h"
#include "pci/ByteOrder.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

std::unique_ptr<CPciFunction> MakeAt(uint32_t bus, uint32_t device, uint32_t function, uint8_t baseClass,
                                     uint8_t subclass, uint8_t headerType = 0)
{
    CConfigImage image;
    image.Set16(0x00, 0x1A2).Set16(0x02, 0x3C4).Set8(0x0B, baseClass).Set8(0x0A, subclass).Set8(0x0E, headerType);
    auto f = MakeFunction(image);
    f->m_bus = bus;
    f->m_device = device;
    f->m_function = function;
    return f;
}

TEST(BusTreeModel, LabelsWithAndWithoutNames)
{
    auto host = MakeAt(0, 0, 0, 0x06, 0x00);
    host->m_vendorName = "Acme";
    host->m_deviceName = "Host Bridge";
    EXPECT_EQ(CBusTreeModel::FormatFunctionLabel(*host), "0.0.0   Bridge   (1a2/3c4) - Acme / Host Bridge");
    host->m_vendorName.clear();
    host->m_deviceName.clear();
    EXPECT_EQ(CBusTreeModel::FormatFunctionLabel(*host), "0.0.0   Bridge   (1a2/3c4) -  / Device 03c4");
    auto isa = MakeAt(2, 31, 7, 0x06, 0x01);
    EXPECT_EQ(CBusTreeModel::FormatFunctionLabel(*isa), "2.31.7   Function   (1a2/3c4) -  / Device 03c4");
    // A known vendor with a device the names file lacks reads as lspci prints it.
    isa->m_vendorName = "Acme";
    pci::PutLe16(isa->m_image + 0x02, 0x0D57);
    EXPECT_EQ(CBusTreeModel::FormatFunctionLabel(*isa), "2.31.7   Function   (1a2/d57) - Acme / Device 0d57");
    EXPECT_EQ(CBusTreeModel::FormatGroupLabel(0, 31), "0.31.x   Multi Function Device");
}

TEST(BusTreeModel, GroupsMultiFunctionDevicesBelowTheirBridge)
{
    auto root = MakeAt(0, 0, 0, 0x06, 0x00);
    auto bridge = MakeAt(0, 1, 0, 0x06, 0x04, 0x01);
    bridge->m_children.push_back(MakeAt(2, 0, 0, 0x03, 0x00));
    root->m_children.push_back(std::move(bridge));
    root->m_children.push_back(MakeAt(0, 7, 0, 0x06, 0x01, 0x80));
    root->m_children.push_back(MakeAt(0, 7, 1, 0x01, 0x01));
    root->m_children.push_back(MakeAt(0, 7, 3, 0x0C, 0x03));
    root->m_children.push_back(MakeAt(0, 9, 0, 0x02, 0x00));
    // A second multi-function device right after the first starts its own group.
    root->m_children.push_back(MakeAt(0, 31, 0, 0x04, 0x01, 0x80));
    root->m_children.push_back(MakeAt(0, 31, 1, 0x04, 0x00));

    CBusTreeModel tree;
    tree.Build(root.get());
    struct CExpected
    {
        int depth;
        int parent;
        const char* labelStart;
        int image;
        bool hasFunction;
    };
    const CExpected expected[] = {
        {0, -1, "0.0.0   Bridge", 1, true},
        {1, 0, "0.1.0   Bridge", 1, true},
        {2, 1, "2.0.0   Function", 5, true},
        {1, 0, "0.7.x   Multi Function Device", 2, false},
        {2, 3, "0.7.0   Function", 1, true},
        {2, 3, "0.7.1   Function", 10, true},
        {2, 3, "0.7.3   Function", 18, true},
        {1, 0, "0.9.0   Function", 4, true},
        {1, 0, "0.31.x   Multi Function Device", 2, false},
        {2, 8, "0.31.0   Function", 17, true},
        {2, 8, "0.31.1   Function", 19, true},
    };
    const auto& items = tree.GetItems();
    ASSERT_EQ(items.size(), std::size(expected));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i << ": " << items[i].label);
        EXPECT_EQ(items[i].depth, expected[i].depth);
        EXPECT_EQ(items[i].parent, expected[i].parent);
        EXPECT_EQ(items[i].label.rfind(expected[i].labelStart, 0), 0u);
        EXPECT_EQ(items[i].image, expected[i].image);
        EXPECT_EQ(items[i].function != nullptr, expected[i].hasFunction);
    }
    EXPECT_EQ(items[0].function, root.get());

    tree.Build(nullptr);
    EXPECT_TRUE(tree.GetItems().empty());
}

TEST(BusTreeModel, ImagesFollowClassAndSubclass)
{
    const struct
    {
        uint8_t baseClass;
        uint8_t subclass;
        int image;
    } cases[] = {
        {0x00, 0x00, 0}, {0x01, 0x00, 10}, {0x01, 0x02, 11}, {0x04, 0x00, 19}, {0x04, 0x01, 17}, {0x04, 0x80, 0},
        {0x06, 0x80, 1}, {0x0A, 0x00, 11}, {0x0B, 0x40, 16}, {0x0C, 0x00, 12}, {0x0C, 0x03, 18}, {0x0C, 0x05, 0},
        {0x0D, 0x00, 0}, {0xFF, 0x00, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "class " << int(c.baseClass) << " subclass " << int(c.subclass));
        EXPECT_EQ(CBusTreeModel::GetImageIndex(c.baseClass, c.subclass), c.image);
    }
}

}  // namespace

// The status bar's line for the current BAR tab: kind, full bus address and size.
TEST(BarSummary, NamesKindAddressAndSize)
{
    struct CCase
    {
        CBarInfo bar;
        const char* text;
    };
    const CCase cases[] = {
        {{0, pci::BarKind::kMemory64, true, 0x60E0000000ull, 256ull << 20},
         "BAR 0: 64-bit prefetchable memory at 00000060E0000000h, 256 MiB"},
        {{2, pci::BarKind::kMemory32, false, 0xF0000000, 4096}, "BAR 2: 32-bit memory at F0000000h, 4 KiB"},
        {{1, pci::BarKind::kIo, false, 0xD800, 8}, "BAR 1: I/O ports at 0000D800h, 8 bytes"},
        {{4, pci::BarKind::kMemory64, false, 0x200000000ull, 0}, "BAR 4: 64-bit memory at 0000000200000000h, size unknown"},
        {{5, pci::BarKind::kMemory64, true, 0x4000000000ull, 24ull << 30},
         "BAR 5: 64-bit prefetchable memory at 0000004000000000h, 24 GiB"},
        {{3, pci::BarKind::kUpperHalf, false, 0, 0}, ""},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CBarSummary::Text(c.bar), c.text);
    }
}

// Find Function's texts against the SCSI controller at 00:0c.0 (tree 0.12.0) with IDs 1000:000c.
TEST(FunctionQuery, ParsesTheThreeFormsAndMatchesOnlyTheirFunction)
{
    struct CCase
    {
        const char* text;
        bool valid;
        bool matches;
    };
    const CCase cases[] = {
        {"00:0c.0", true, true},        {" 00:0C.0 ", true, true},     {"0000:00:0c.0", true, true},
        {"0001:00:0c.0", true, false},  {"0c:00.0", true, false},      {"0.12.0", true, true},
        {"12.0", false, false},         {"0.0.12", false, false},      {"1000:000c", true, true},
        {"1000:C", true, true},         {"1000:0010", true, false},    {"00:20.0", false, false},
        {"00:0c.8", false, false},      {"256.0.0", false, false},     {"10000:1", false, false},
        {"", false, false},             {"00:0c.0.0", false, false},   {"1:2:3:4.0", false, false},
        {"g0:00.0", false, false},      {"0000:0.12.0", true, true},   {"0001:0.12.0", true, false},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        const std::optional<CFunctionQuery> query = CFunctionQuery::Parse(c.text);
        ASSERT_EQ(c.valid, query.has_value());
        if (query) {
            EXPECT_EQ(c.matches, query->Matches(0, 0, 0x0C, 0, 0x1000, 0x000C));
        }
    }
}

TEST(FunctionQuery, StatusLineIsTheAddressAndIdsAsLspciPrintsThem)
{
    auto bridge = MakeAt(0, 13, 0, 0x06, 0x04);
    EXPECT_EQ("00:0d.0  [01a2:03c4]", CFunctionQuery::FormatLspciLine(*bridge));
    EXPECT_TRUE(CFunctionQuery::Parse("00:0d.0")->Matches(*bridge));
}
