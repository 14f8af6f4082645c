#pragma once
// What every register Brisco knows is: its offset, width and name, its fields with their
// access, and which bits the host owns. The header layouts and the capability tables live in
// HeaderRegisters.h, CapabilityRegisters.h and ExtendedCapabilityRegisters.h; everything that
// masks, predicts, refuses or names a register asks here. No standard library and no static
// constructors, so the kernel driver uses it too.
#include <stdint.h>

namespace pci {

// How a field answers writes, in the access names of PCI and PCI Express.
enum class EAccess : uint8_t {
    kRO,     // read-only
    kRW,     // read-write
    kRW1C,   // write one to clear
    kRsvdP,  // reserved: software preserves what it read
    kRsvdZ,  // reserved: software writes zero
    kHwInit, // set by hardware or firmware, read-only afterwards
    kROS,    // sticky read-only
    kRWS,    // sticky read-write
    kRW1CS,  // sticky write one to clear
};

// The access's short name, as a field view shows it ("RW1C").
constexpr const char* AccessName(EAccess access)
{
    switch (access) {
    case EAccess::kRO: return "RO";
    case EAccess::kRW: return "RW";
    case EAccess::kRW1C: return "RW1C";
    case EAccess::kRsvdP: return "RsvdP";
    case EAccess::kRsvdZ: return "RsvdZ";
    case EAccess::kHwInit: return "HwInit";
    case EAccess::kROS: return "ROS";
    case EAccess::kRWS: return "RWS";
    case EAccess::kRW1CS: return "RW1CS";
    }
    return "?";
}
constexpr bool IsWritable(EAccess access)
{
    return access == EAccess::kRW || access == EAccess::kRWS;
}
constexpr bool IsWriteOneToClear(EAccess access)
{
    return access == EAccess::kRW1C || access == EAccess::kRW1CS;
}
// Whether a user may edit a field of this access at all.
constexpr bool IsEditable(EAccess access)
{
    return IsWritable(access) || IsWriteOneToClear(access);
}

// One field of a register: bits low..high (inclusive) of the register's value.
struct CFieldDef
{
    uint8_t low;
    uint8_t high;
    const char* name;   // "Received Master Abort"
    const char* symbol; // "RMA", as in STATUS.RMA; null when the field has none
    EAccess access;
    bool hostOwned; // the operating system owns it: refused live, confirmed on an image
};

constexpr uint32_t FieldMask(uint8_t low, uint8_t high)
{
    return (high >= 31 ? 0xFFFFFFFFu : ((1u << (high + 1)) - 1)) & ~((1u << low) - 1);
}
constexpr uint32_t FieldMask(const CFieldDef& field)
{
    return FieldMask(field.low, field.high);
}

// One register of a header layout or a capability; offset is from the block's first byte.
struct CRegisterDef
{
    uint16_t offset;
    uint8_t width;      // 1, 2 or 4 bytes
    const char* name;   // the name the register list and the decoder show
    const char* symbol; // setpci-style name ("COMMAND"); null when none
    EAccess rest;       // the access of bits no field names
    bool hostOwned;     // the whole register belongs to the host (BARs, bus numbers)
    const CFieldDef* fields;
    uint8_t fieldCount;
    // A register repeated at offset + i * stride for i < repeat (a log, a table of entries);
    // the capability's end cuts the repetition short.
    uint8_t repeat = 1;
    uint8_t stride = 0;
};

// Where a block of registers sits: a header layout, or a capability of either list.
enum class EBlockKind : uint8_t { kHeader, kCapability, kExtendedCapability };

struct CRegisterBlock
{
    EBlockKind kind;
    uint16_t id;        // the header layout, or the capability ID
    const char* symbol; // setpci's capability name ("EXP", "AER"); null for a header
    const CRegisterDef* registers;
    uint16_t count;
    // Capabilities whose layout depends on their own bits (MSI's 64-bit address and masking)
    // have one block per layout; RegisterLocator.h picks it from the function's bytes.
    uint8_t variant = 0;
};

// Builds a table entry from an array without spelling its length.
template <uint32_t N>
constexpr CRegisterDef Register(uint16_t offset, uint8_t width, const char* name, const char* symbol, EAccess rest,
                                 const CFieldDef (&fields)[N], bool hostOwned = false)
{
    return {offset, width, name, symbol, rest, hostOwned, fields, uint8_t(N)};
}
constexpr CRegisterDef Register(uint16_t offset, uint8_t width, const char* name, const char* symbol, EAccess rest,
                                 bool hostOwned = false)
{
    return {offset, width, name, symbol, rest, hostOwned, nullptr, 0};
}
// The same register repeated count times, stride bytes apart.
constexpr CRegisterDef Repeated(CRegisterDef def, uint8_t count, uint8_t stride)
{
    def.repeat = count;
    def.stride = stride;
    return def;
}
template <uint32_t N>
constexpr CRegisterBlock Block(EBlockKind kind, uint16_t id, const char* symbol, const CRegisterDef (&registers)[N],
                               uint8_t variant = 0)
{
    return {kind, id, symbol, registers, uint16_t(N), variant};
}

// The bits of one register, by what a write does to them.
struct CRegisterBits
{
    uint32_t writable;  // RW, RWS, and bits no table describes (plain storage)
    uint32_t clear;     // RW1C, RW1CS
    uint32_t preserved; // RsvdP: a masked write keeps what it read
    uint32_t hostOwned;
    uint32_t described; // bits some table gives an access to
};

constexpr uint32_t RegisterMask(uint32_t width)
{
    return width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
}

// The bits of a register by access, before any shift into a wider window.
constexpr CRegisterBits BitsOf(const CRegisterDef& def)
{
    CRegisterBits bits = {0, 0, 0, 0, RegisterMask(def.width)};
    uint32_t named = 0;
    for (uint32_t i = 0; i < def.fieldCount; ++i) {
        const CFieldDef& field = def.fields[i];
        const uint32_t mask = FieldMask(field);
        named |= mask;
        if (IsWritable(field.access))
            bits.writable |= mask;
        if (IsWriteOneToClear(field.access))
            bits.clear |= mask;
        if (field.access == EAccess::kRsvdP)
            bits.preserved |= mask;
        if (field.hostOwned)
            bits.hostOwned |= mask;
    }
    const uint32_t rest = RegisterMask(def.width) & ~named;
    if (IsWritable(def.rest))
        bits.writable |= rest;
    if (IsWriteOneToClear(def.rest))
        bits.clear |= rest;
    if (def.rest == EAccess::kRsvdP)
        bits.preserved |= rest;
    if (def.hostOwned)
        bits.hostOwned = RegisterMask(def.width);
    return bits;
}

// What a register reads after written went to it over before: RW bits hold what was written,
// the RW1C bits written as one read zero, everything else reads as it did.
constexpr uint32_t PredictReadBack(const CRegisterBits& bits, uint32_t before, uint32_t written)
{
    const uint32_t kept = before & ~bits.writable & ~(bits.clear & written);
    return kept | (written & bits.writable);
}

// The value a masked write sends: the masked bits of value over a fresh read, with zero in
// every RW1C bit outside the mask so that only the bits asked for are cleared.
constexpr uint32_t ComposeWrite(const CRegisterBits& bits, uint32_t fresh, uint32_t value, uint32_t mask)
{
    const uint32_t merged = (fresh & ~mask) | (value & mask);
    return merged & ~(bits.clear & ~mask);
}

// The field of a register that holds bit, or null.
constexpr const CFieldDef* FieldAt(const CRegisterDef& def, uint32_t bit)
{
    for (uint32_t i = 0; i < def.fieldCount; ++i)
        if (bit >= def.fields[i].low && bit <= def.fields[i].high)
            return &def.fields[i];
    return nullptr;
}

// Case-blind comparison of an ASCII symbol, for setpci-style names.
constexpr bool SymbolEquals(const char* symbol, const char* text, uint32_t length)
{
    if (!symbol)
        return false;
    uint32_t i = 0;
    for (; i < length; ++i) {
        char a = symbol[i];
        char b = text[i];
        if (a == '\0')
            return false;
        if (a >= 'a' && a <= 'z')
            a = char(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = char(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return symbol[i] == '\0';
}

// Where a register of a block lies: its definition, which repetition, and its first byte from
// the block's first byte.
struct CRegisterPlace
{
    const CRegisterDef* def;
    uint32_t index;
    uint32_t offset;
};

// The register of block whose bytes include offset (from the block's first byte); def null
// when none does.
constexpr CRegisterPlace RegisterCovering(const CRegisterBlock& block, uint32_t offset)
{
    for (uint32_t i = 0; i < block.count; ++i) {
        const CRegisterDef& def = block.registers[i];
        for (uint32_t n = 0; n < def.repeat; ++n) {
            const uint32_t first = def.offset + n * def.stride;
            if (offset >= first && offset < first + def.width)
                return {&def, n, first};
        }
    }
    return {nullptr, 0, 0};
}

// The register of block that starts at offset, or null.
constexpr const CRegisterDef* RegisterAt(const CRegisterBlock& block, uint32_t offset)
{
    const CRegisterPlace place = RegisterCovering(block, offset);
    return place.def && place.offset == offset ? place.def : nullptr;
}

// The register of block named symbol (length bytes of text, any case), or null.
constexpr const CRegisterDef* RegisterNamed(const CRegisterBlock& block, const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < block.count; ++i)
        if (SymbolEquals(block.registers[i].symbol, text, length))
            return &block.registers[i];
    return nullptr;
}

// The field of a register named symbol, or null.
constexpr const CFieldDef* FieldNamed(const CRegisterDef& def, const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < def.fieldCount; ++i)
        if (SymbolEquals(def.fields[i].symbol, text, length))
            return &def.fields[i];
    return nullptr;
}

} // namespace pci
