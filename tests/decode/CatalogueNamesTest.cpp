// The register catalogue against the decoders over every dump in tests/data: a row that
// starts on a catalogued register carries its width and (unless repeated) its name, and no
// row starts inside one. Every table's fields lie inside their register without overlapping.
#include "tests/decode/LspciDump.h"

#include "decode/CapabilityDecoder.h"
#include "pci/RegisterLocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

std::string Where(const std::string& file, const LspciFunction& function, const Capability& capability,
                  const CapabilityRow& row)
{
    char text[96];
    std::snprintf(text, sizeof text, " %s cap %02Xh@%03Xh row %03Xh", function.address.c_str(), capability.id,
                  capability.offset, row.offset);
    return std::filesystem::path(file).filename().string() + text;
}

TEST(CatalogueNames, DecodedRowsTakeTheCataloguesNameAndWidth)
{
    for (const auto& entry : std::filesystem::directory_iterator(BRISCO_TEST_DATA)) {
        if (entry.path().extension() != ".txt")
            continue;
        for (const LspciFunction& function : ReadLspciFile(entry.path().string())) {
            const uint8_t* space = function.bytes.data();
            const uint32_t size = uint32_t(function.bytes.size());
            for (const Capability& capability : CCapabilityDecoder(space, size).Decode().capabilities) {
                const pci::EBlockKind kind = capability.space == CapabilitySpace::kExtended
                    ? pci::EBlockKind::kExtendedCapability
                    : pci::EBlockKind::kCapability;
                const uint8_t variant = pci::CapabilityVariant(space, size, capability.offset, kind, capability.id);
                const pci::CRegisterBlock* block = pci::FindBlock(kind, capability.id, variant);
                if (!block)
                    continue;
                for (const CapabilityRow& row : capability.rows) {
                    const pci::CRegisterPlace place = pci::RegisterCovering(*block, row.offset - capability.offset);
                    if (!place.def)
                        continue;
                    const std::string where = Where(entry.path().string(), function, capability, row);
                    EXPECT_EQ(place.offset, row.offset - capability.offset) << where << " starts inside a register";
                    EXPECT_EQ(place.def->width, row.size) << where;
                    // Entries of a table (stride set) keep the decoder's own numbering.
                    if (place.def->stride == 0) {
                        EXPECT_EQ(place.def->name, row.name) << where;
                    }
                }
            }
        }
    }
}

template <uint32_t N>
void ExpectSoundFields(const pci::CRegisterBlock (&blocks)[N], const char* table)
{
    for (const pci::CRegisterBlock& block : blocks) {
        for (uint32_t r = 0; r < block.count; ++r) {
            const pci::CRegisterDef& def = block.registers[r];
            const std::string where = std::string(table) + " " + std::to_string(block.id) + "/" +
                std::to_string(block.variant) + " " + def.name;
            uint32_t seen = 0;
            for (uint32_t f = 0; f < def.fieldCount; ++f) {
                const pci::CFieldDef& field = def.fields[f];
                EXPECT_LE(field.low, field.high) << where << " " << field.name;
                EXPECT_LT(field.high, 8u * def.width) << where << " " << field.name;
                EXPECT_EQ(seen & pci::FieldMask(field), 0u) << where << " " << field.name << " overlaps";
                seen |= pci::FieldMask(field);
            }
            for (uint32_t other = 0; other < r; ++other) {
                const pci::CRegisterDef& earlier = block.registers[other];
                const bool apart =
                    earlier.offset + earlier.width <= def.offset || def.offset + def.width <= earlier.offset;
                EXPECT_TRUE(apart) << where << " overlaps " << earlier.name;
            }
        }
    }
}

TEST(CatalogueNames, FieldsLieInsideTheirRegisterApart)
{
    ExpectSoundFields(pci::header::kHeaderBlocks, "header");
    ExpectSoundFields(pci::capability::kCapabilityBlocks, "capability");
    ExpectSoundFields(pci::extended::kExtendedCapabilityBlocks, "extended");
}

// PM at 40h, MSI with a 64-bit address and masking at 48h, a PCI Express endpoint at 60h:
// what a write does to each bit of a window comes from the layout the entry's bits pick.
TEST(CatalogueNames, WindowsTakeTheirAccessFromTheCapability)
{
    uint8_t space[pci::kConfigSpaceBytes] = {};
    const auto put16 = [&](uint32_t at, uint32_t value) {
        space[at] = uint8_t(value);
        space[at + 1] = uint8_t(value >> 8);
    };
    put16(0x06, 0x0010);
    space[0x34] = 0x40;
    put16(0x40, 0x4801);
    put16(0x48, 0x6005);
    put16(0x4A, 0x0180);
    put16(0x60, 0x0010);
    put16(0x62, 0x0002);
    struct CCase
    {
        const char* what;
        uint32_t offset, width, writable, clear, hostOwned;
    };
    const CCase cases[] = {
        {"PMCSR", 0x44, 2, 0x1F03, 0x8000, 0x0003},
        {"MSI Message Data after the upper address", 0x54, 2, 0xFFFF, 0, 0},
        {"MSI Mask Bits", 0x58, 4, 0xFFFFFFFF, 0, 0},
        {"MSI Pending Bits", 0x5C, 4, 0, 0, 0},
        {"DevCtl and DevSta", 0x68, 4, 0x0000FFFF, 0x004F0000, 0x8000},
        {"LnkCtl", 0x70, 2, 0xCFFB, 0, 0x0030},
        {"RootSta", 0x80, 4, 0, 0x00010000, 0},
        {"LnkSta2", 0x92, 2, 0, 0x8020, 0},
    };
    for (const CCase& c : cases) {
        const pci::CRegisterBits bits = pci::DescribeWindow(space, sizeof space, c.offset, c.width);
        EXPECT_EQ(bits.writable, c.writable) << c.what;
        EXPECT_EQ(bits.clear, c.clear) << c.what;
        EXPECT_EQ(bits.hostOwned, c.hostOwned) << c.what;
    }
}

} // namespace
