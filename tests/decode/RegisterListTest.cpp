// The register rows of a function: tables per header type, the BAR pair rule,
// the capability rows and the texts of both display modes.
#include "tests/decode/FunctionFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kStatusCapabilities = 0x0010;

CConfigImage Header(uint8_t headerType)
{
    CConfigImage image;
    image.Set16(0x00, 0x8086).Set16(0x02, 0x7190).Set8(0x0E, headerType);
    return image;
}

TEST(RegisterList, RowsPerHeaderType)
{
    struct CCase
    {
        uint8_t headerType;
        size_t headerRows;
        size_t reservedRows;
        size_t vendorRows;
    };
    const CCase cases[] = {
        {0x00, 31, 0, 48}, {0x80, 31, 0, 48}, {0x01, 37, 0, 48}, {0x81, 37, 0, 48}, {0x02, 38, 14, 32},
        {0x03, 0, 0, 0},   {0x7F, 0, 0, 0},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "header type " << std::hex << int(c.headerType));
        auto function = MakeFunction(Header(c.headerType));
        CConfigSpaceModel model;
        model.SetFunction(function.get());
        const auto& rows = model.GetRows();
        ASSERT_EQ(rows.size(), c.headerRows + c.reservedRows + c.vendorRows);
        uint32_t nextOffset = 0;
        size_t vendorRows = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "row " << i);
            EXPECT_EQ(rows[i].offset, nextOffset) << "rows are contiguous and in offset order";
            EXPECT_EQ(rows[i].Tag(), (uint32_t(rows[i].offset) << 16) | rows[i].size);
            nextOffset += rows[i].size;
            if (i >= c.headerRows + c.reservedRows) {
                EXPECT_EQ(rows[i].name, "Vendor Specific");
                ++vendorRows;
            } else if (i >= c.headerRows) {
                EXPECT_EQ(rows[i].name, "Reserved");
            }
        }
        EXPECT_EQ(vendorRows, c.vendorRows);
        if (!rows.empty()) {
            EXPECT_EQ(nextOffset, 0x100u);
        }
    }
}

TEST(RegisterList, NoFunctionGivesNoRows)
{
    auto function = MakeFunction(Header(0));
    CConfigSpaceModel model;
    model.SetFunction(function.get());
    ASSERT_FALSE(model.GetRows().empty());
    model.SetFunction(nullptr);
    EXPECT_TRUE(model.GetRows().empty());
}

TEST(RegisterList, RowTextsInBothModes)
{
    CConfigImage image = Header(0);
    image.Set16(0x00, 0x01EC).Set16(0x04, 0x0007).Set8(0x3C, 0x0B).Set8(0x3D, 0x01).Set32(0x40, 0x12345678);
    auto function = MakeFunction(image);
    function->m_vendorName = "Acme";
    function->m_deviceName = "Widget";
    function->m_subsystemVendorName = "Acme Sub";
    CConfigSpaceModel model;
    model.SetFunction(function.get());

    const CRegisterRow* vendor = FindRow(model, 0x00);
    EXPECT_EQ(vendor->offsetText, "00h");
    EXPECT_EQ(vendor->sizeText, "WORD");
    EXPECT_EQ(vendor->name, "Vendor ID");
    EXPECT_EQ(vendor->valueText, "01ECh");
    EXPECT_EQ(vendor->decoded, "Acme");
    EXPECT_EQ(DecodedAt(model, 0x02), "Widget");
    EXPECT_EQ(DecodedAt(model, 0x2C), "Acme Sub");
    EXPECT_EQ(DecodedAt(model, 0x04), "Bus Master, Memory Space, I/O Space");
    EXPECT_EQ(FindRow(model, 0x3C)->offsetText, "3Ch");
    EXPECT_EQ(DecodedAt(model, 0x3C), "IRQ11");
    EXPECT_EQ(FindRow(model, 0x40)->valueText, "12345678h");

    model.SetHexMode(false);
    EXPECT_EQ(FindRow(model, 0x00)->valueText, "492d");
    EXPECT_EQ(FindRow(model, 0x00)->offsetText, "000d");
    EXPECT_EQ(FindRow(model, 0x3C)->offsetText, "060d");
    EXPECT_EQ(FindRow(model, 0x3C)->valueText, "11d");
    EXPECT_EQ(FindRow(model, 0x40)->valueText, "305419896d");
    EXPECT_EQ(DecodedAt(model, 0x04), "Bus Master, Memory Space, I/O Space");
}

TEST(RegisterList, CardBusHeaderKeepsItsSubsystemAt40AndShowsNoCapabilities)
{
    CConfigImage image = Header(0x02);
    // A CardBus bridge keeps its capabilities pointer at 14h; the page still shows no capability texts.
    image.Set16(0x06, kStatusCapabilities).Set8(0x14, 0x80).Set8(0x80, 0x01).Set16(0x40, 0x1234);
    auto function = MakeFunction(image);
    function->m_subsystemVendorName = "Card Vendor";
    CConfigSpaceModel model;
    model.SetFunction(function.get());
    EXPECT_EQ(FindRow(model, 0x40)->name, "Subsystem Vendor ID");
    EXPECT_EQ(DecodedAt(model, 0x40), "Card Vendor");
    EXPECT_EQ(FindRow(model, 0x44)->name, "Legacy Mode Base Address");
    EXPECT_EQ(FindRow(model, 0x7C)->name, "Reserved");
    EXPECT_EQ(FindRow(model, 0x80)->name, "Vendor Specific");
    for (const CRegisterRow& row : model.GetRows()) {
        if (row.offset > 0x40) {
            EXPECT_EQ(row.decoded, "") << "row " << row.offsetText;
        }
    }
}

TEST(RegisterList, BarPairRule)
{
    struct CCase
    {
        const char* what;
        uint8_t headerType;
        uint32_t bars[6];
        const char* texts[6];
    };
    const CCase cases[] = {
        {"64-bit BAR 0 takes BAR 1 as its upper half",
         0x00,
         {0x0000000C, 0x00000001, 0, 0, 0, 0},
         {"64-bit Prefetchable Memory (Base = 00000001h:00000000h, Size = 00000100h)", "", "", "", "", ""}},
        {"the 64-bit answer of BAR 0 does not carry over to BAR 3",
         0x00,
         {0xFE00000C, 0x00000000, 0x00000000, 0xFD000000, 0, 0},
         {"64-bit Prefetchable Memory (Base = 00000000h:FE000000h, Size = 00000100h)", "", "",
          "32-bit  Memory (Base = FD000000h, Size = 00000400h)", "", ""}},
        {"a 64-bit BAR in an odd slot takes the next BAR as its upper half",
         0x00,
         {0x0000E001, 0x80000004, 0x00000001, 0x0000E101, 0, 0},
         {"I/O Range (Base = 0000E000h, Size = 00000100h)", "64-bit  Memory (Base = 00000001h:80000000h, Size = 00000200h)",
          "", "I/O Range (Base = 0000E100h, Size = 00000400h)", "", ""}},
        {"a 64-bit BAR in the last slot has no upper half",
         0x00,
         {0, 0, 0, 0, 0, 0xFD00000C},
         {"", "", "", "", "", "64-bit Prefetchable Memory (Base = 00000000h:FD000000h, Size = 00000600h)"}},
        {"32-bit pairs decode both BARs",
         0x00,
         {0, 0, 0, 0, 0xFC000000, 0xFB000008},
         {"", "", "", "", "32-bit  Memory (Base = FC000000h, Size = 00000500h)",
          "32-bit Prefetchable Memory (Base = FB000000h, Size = 00000600h)"}},
        {"a bridge has only the pair 0, 1",
         0x01,
         {0xF000000C, 0x00000002, 0, 0, 0, 0},
         {"64-bit Prefetchable Memory (Base = 00000002h:F0000000h, Size = 00000100h)", "", nullptr, nullptr, nullptr,
          nullptr}},
        {"a bridge's BAR 1 is its last BAR",
         0x01,
         {0x0000E001, 0xF000000C, 0, 0, 0, 0},
         {"I/O Range (Base = 0000E000h, Size = 00000100h)",
          "64-bit Prefetchable Memory (Base = 00000000h:F0000000h, Size = 00000200h)", nullptr, nullptr, nullptr,
          nullptr}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        CConfigImage image = Header(c.headerType);
        for (uint32_t i = 0; i < 6; ++i) {
            if (c.headerType == 0 || i < 2)
                image.Set32(0x10 + 4 * i, c.bars[i]);
        }
        auto function = MakeFunction(image);
        for (uint32_t i = 0; i < 6; ++i)
            function->m_barSizes[i] = 0x100 * (i + 1);
        CConfigSpaceModel model;
        model.SetFunction(function.get());
        for (uint32_t i = 0; i < 6; ++i) {
            if (!c.texts[i])
                continue;
            SCOPED_TRACE(testing::Message() << "BAR " << i);
            EXPECT_EQ(FindRow(model, 0x10 + 4 * i)->name, "BAR " + std::to_string(i));
            EXPECT_EQ(DecodedAt(model, 0x10 + 4 * i), c.texts[i]);
        }
    }
}

// A capability list laid out by offset: ID and next pointer per entry.
CConfigImage WithCapabilities(uint8_t firstPointer, std::initializer_list<std::array<uint8_t, 3>> entries,
                              uint16_t status = kStatusCapabilities)
{
    CConfigImage image = Header(0);
    image.Set16(0x06, status).Set8(0x34, firstPointer);
    for (const auto& entry : entries)
        image.Set8(entry[0], entry[1]).Set8(entry[0] + 1, entry[2]);
    return image;
}

TEST(RegisterList, CapabilityWalks)
{
    const std::string slot = "New Capability: Slot Identification (Expansion Slot Register = 00h, Chassis Number = 00h)";
    const std::string hotSwap = "New Capability: CompactPCI Hot Swap";
    const std::string debug = "New Capability: Debug Port";
    struct CCase
    {
        const char* what;
        CConfigImage image;
        std::vector<std::pair<uint32_t, std::string>> texts;  // all other rows 40h..FCh stay empty
    };
    const CCase cases[] = {
        {"two entries", WithCapabilities(0x50, {{0x50, 0x04, 0x60}, {0x60, 0x06, 0x00}}),
         {{0x50, slot}, {0x60, hotSwap}}},
        {"pointers drop their two low bits", WithCapabilities(0x52, {{0x50, 0x04, 0x63}, {0x60, 0x06, 0x00}}),
         {{0x50, slot}, {0x60, hotSwap}}},
        {"no list without the status bit", WithCapabilities(0x50, {{0x50, 0x04, 0x00}}, 0x0000), {}},
        {"no list for a pointer below 4", WithCapabilities(0x03, {{0x50, 0x04, 0x00}}), {}},
        {"an unknown ID shows nothing but the walk goes on",
         WithCapabilities(0x80, {{0x80, 0x10, 0xA0}, {0xA0, 0x06, 0x00}}), {{0xA0, hotSwap}}},
        {"a cycle ends at the first repeated entry",
         WithCapabilities(0x50, {{0x50, 0x04, 0x60}, {0x60, 0x06, 0x50}}), {{0x50, slot}, {0x60, hotSwap}}},
        {"an entry that points at itself", WithCapabilities(0xFC, {{0xFC, 0x0A, 0xFD}}), {{0xFC, debug}}},
        {"an entry in the header is shown nowhere and ends the list",
         WithCapabilities(0x50, {{0x50, 0x04, 0x38}, {0x38, 0x06, 0x70}, {0x70, 0x0A, 0x00}}), {{0x50, slot}}},
        {"an entry reading ID FFh ends the list",
         WithCapabilities(0x50, {{0x50, 0x04, 0x60}, {0x60, 0xFF, 0x70}, {0x70, 0x0A, 0x00}}), {{0x50, slot}}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto function = MakeFunction(c.image);
        CConfigSpaceModel model;
        model.SetFunction(function.get());
        for (uint32_t offset = 0x40; offset < 0x100; offset += 4) {
            std::string expected;
            for (const auto& [at, text] : c.texts) {
                if (at == offset)
                    expected = text;
            }
            const CRegisterRow* row = FindRow(model, offset);
            EXPECT_EQ(row->name, "Vendor Specific");
            EXPECT_EQ(row->decoded, expected) << "row " << row->offsetText;
        }
    }
}

TEST(RegisterList, RebuildFollowsTheImageAndTheMode)
{
    CConfigImage image = WithCapabilities(0x70, {{0x70, 0x04, 0x00}});
    image.Set8(0x72, 3).Set8(0x73, 1);
    auto function = MakeFunction(image);
    CConfigSpaceModel model;
    model.SetFunction(function.get());
    EXPECT_EQ(DecodedAt(model, 0x70),
              "New Capability: Slot Identification (Expansion Slot Register = 03h, Chassis Number = 01h)");
    model.SetHexMode(false);
    EXPECT_EQ(DecodedAt(model, 0x70),
              "New Capability: Slot Identification (Expansion Slot Register = 3d, Chassis Number = 1d)");
    EXPECT_FALSE(model.IsHexMode());
}

}  // namespace

namespace {

// Random images (any header type, capability lists that point anywhere) always
// give the row layout of their header type and decode without reading past the image.
TEST(RegisterList, RandomImagesKeepTheRowLayout)
{
    std::mt19937 random(20261207);
    auto function = MakeFunction(Header(0));
    const size_t expectedRows[] = {79, 85, 84};
    for (int round = 0; round < 3000; ++round) {
        for (uint8_t& byte : function->m_image)
            byte = uint8_t(random());
        function->m_image[0x06] |= 0x10;  // most images carry a capability list
        // Every other round uses one of the three known layouts, keeping the multi-function bit.
        if (round % 2)
            function->m_image[0x0E] = uint8_t((function->m_image[0x0E] & 0x80) | (round % 3));
        const uint32_t layout = function->m_image[0x0E] & 0x7F;
        SCOPED_TRACE(testing::Message() << "round " << round << " layout " << layout);
        for (bool hex : {true, false}) {
            CConfigSpaceModel model;
            model.SetHexMode(hex);
            model.SetFunction(function.get());
            const size_t expected = layout < 3 ? expectedRows[layout] : 0;
            ASSERT_EQ(model.GetRows().size(), expected);
            if (expected != 0) {
                ASSERT_EQ(model.GetRows().back().offset, 0xFC);
            }
        }
    }
}

}  // namespace
