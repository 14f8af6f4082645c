// The extended capability tables are well formed: fields fit their register and do not
// overlap, registers of a block do not overlap, and blocks are found by ID and symbol.
#include "pci/ExtendedCapabilityRegisters.h"
#include "pci/RegisterLocator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace pci;

struct CSpan
{
    uint32_t first;
    uint32_t end;
    std::string what;
};

std::string Where(const CRegisterBlock& block, const CRegisterDef& def)
{
    return std::string(block.symbol ? block.symbol : "?") + " " + def.name;
}

TEST(ExtendedCatalogue, FieldsLieInsideTheirRegisterWithoutOverlap)
{
    for (const CRegisterBlock& block : extended::kExtendedCapabilityBlocks) {
        for (uint32_t r = 0; r < block.count; ++r) {
            const CRegisterDef& def = block.registers[r];
            ASSERT_TRUE(def.width == 1 || def.width == 2 || def.width == 4) << Where(block, def);
            uint32_t taken = 0;
            for (uint32_t f = 0; f < def.fieldCount; ++f) {
                const CFieldDef& field = def.fields[f];
                const std::string where = Where(block, def) + " / " + field.name;
                EXPECT_LE(field.low, field.high) << where;
                EXPECT_LT(field.high, def.width * 8u) << where;
                EXPECT_EQ(taken & FieldMask(field), 0u) << where << " overlaps an earlier field";
                taken |= FieldMask(field);
            }
        }
    }
}

TEST(ExtendedCatalogue, RegistersOfABlockDoNotOverlap)
{
    for (const CRegisterBlock& block : extended::kExtendedCapabilityBlocks) {
        std::vector<CSpan> spans;
        for (uint32_t r = 0; r < block.count; ++r) {
            const CRegisterDef& def = block.registers[r];
            EXPECT_TRUE(def.repeat == 1 || def.stride >= def.width) << Where(block, def);
            for (uint32_t n = 0; n < def.repeat; ++n) {
                const uint32_t first = def.offset + n * def.stride;
                EXPECT_EQ(first % def.width, 0u) << Where(block, def) << " " << n << " is not naturally aligned";
                spans.push_back({first, first + def.width, Where(block, def) + " " + std::to_string(n)});
            }
        }
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_LE(spans[i].end, extended::kExtendedSpaceBytes) << spans[i].what;
            for (size_t j = i + 1; j < spans.size(); ++j)
                EXPECT_TRUE(spans[i].end <= spans[j].first || spans[j].end <= spans[i].first)
                    << spans[i].what << " overlaps " << spans[j].what;
        }
    }
}

TEST(ExtendedCatalogue, EachBlockIsFoundByItsIdAndSymbol)
{
    for (const CRegisterBlock& block : extended::kExtendedCapabilityBlocks) {
        ASSERT_NE(block.symbol, nullptr) << "ID " << block.id;
        EXPECT_EQ(FindBlock(EBlockKind::kExtendedCapability, block.id, block.variant), &block) << block.symbol;
        if (block.variant == 0)
            EXPECT_EQ(FindBlockBySymbol(true, block.symbol, uint32_t(std::strlen(block.symbol))), &block)
                << block.symbol;
        ASSERT_GT(block.count, 0u) << block.symbol;
        EXPECT_EQ(block.registers[0].offset, 0u) << block.symbol << " starts with its header dword";
    }
}

// What a write does to the registers engineers edit most, found by setpci's names.
TEST(ExtendedCatalogue, PredictsStatusClearsMasksAndHostOwnedBits)
{
    struct CCase
    {
        const char* block;
        const char* reg;
        uint32_t before;
        uint32_t written;
        uint32_t readBack;
        uint32_t hostOwned;
    };
    const CCase cases[] = {
        {"AER", "UESTA", 0x00101010, 0x00000010, 0x00101000, 0},
        {"AER", "UEMSK", 0x00000000, 0xFFFFFFFF, 0xFFFFF030, 0},
        {"AER", "CESTA", 0x000031C1, 0x00002001, 0x000011C0, 0},
        {"AER", "ROOTSTA", 0xF800007F, 0x00000001, 0xF800007E, 0},
        {"DPC", "STA", 0x00002019, 0x00000001, 0x00002018, 0},
        {"L1PM", "STA", 0x00000001, 0x00000001, 0x00000000, 0},
        {"SRIOV", "CTL", 0x00000000, 0x0000FFFF, 0x0000003F, 0x0009},
        {"REBAR", "CTL", 0x00000820, 0x00000D20, 0x00000D20, 0xFFFFFFFF},
    };
    for (const CCase& c : cases) {
        const std::string where = std::string(c.block) + "." + c.reg;
        const CRegisterBlock* block = FindBlockBySymbol(true, c.block, uint32_t(std::strlen(c.block)));
        ASSERT_NE(block, nullptr) << where;
        const CRegisterDef* def = RegisterNamed(*block, c.reg, uint32_t(std::strlen(c.reg)));
        ASSERT_NE(def, nullptr) << where;
        const CRegisterBits bits = BitsOf(*def);
        EXPECT_EQ(PredictReadBack(bits, c.before, c.written), c.readBack) << where;
        EXPECT_EQ(bits.hostOwned, c.hostOwned & RegisterMask(def->width)) << where;
    }
}

// VC resources end at the extended VC count: past them lie the arbitration tables, plain storage.
TEST(ExtendedCatalogue, VcResourcesEndWhereTheExtendedVcCountSays)
{
    constexpr uint32_t kVcAt = kExtCapFirstOffset;
    constexpr uint32_t kSecondResource = kVcAt + kVcResourceOffset + kVcResourceBytes;
    for (const uint8_t extendedVcs : {0, 1, 7}) {
        std::vector<uint8_t> space(kExtendedConfigSpaceBytes);
        space[kVcAt] = uint8_t(kExtCapVirtualChannel);
        space[kVcAt + kVcPortCap1Offset] = extendedVcs;
        const CRegisterLocation location = LocateRegister(space.data(), uint32_t(space.size()), kSecondResource);
        ASSERT_NE(location.block, nullptr) << int(extendedVcs);
        EXPECT_EQ(location.place.def != nullptr, extendedVcs > 0) << "extended VC count " << int(extendedVcs);
    }
}

} // namespace
