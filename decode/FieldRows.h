// The fields of one register as the field pane lists them: bits, name, value in the page's
// radix, access and meaning, from the register catalogue. Bits no field names are listed as
// reserved with the register's own access; a register the catalogue does not describe gives
// a single row that says so.
#pragma once
#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "pci/RegisterCatalogue.h"

struct CFieldRow
{
    static constexpr int kColumnCount = 5;
    static constexpr int kValueColumn = 2;

    std::string bits; // "15:8" or "3"
    std::string name;
    std::string value;   // in the page's radix
    std::string access;  // "RW1C"
    std::string meaning; // the decoder's words, "set"/"clear" for one bit, or empty
    uint32_t mask = 0;   // the field's bits within the register
    uint8_t low = 0;
    pci::EAccess accessKind = pci::EAccess::kRO;
    bool hostOwned = false;
    bool known = true; // false on the one row of a register without fields

    const std::string& Column(int column) const;
    bool IsEditable() const { return known && pci::IsEditable(accessKind); }
    // An RW1C field's edit clears the bits typed as one, and nothing else.
    bool IsClearAction() const { return pci::IsWriteOneToClear(accessKind); }
};

// What a field edit asks the function to write: value's bits under mask, the register's width.
struct CFieldWrite
{
    uint32_t offset = 0;
    uint32_t width = 0;
    uint32_t value = 0;
    uint32_t mask = 0;
};

class CFieldRows {
public:
    static constexpr char kNoFieldsText[] = "no fields known";
    static constexpr char kReservedName[] = "Reserved";

    // The register that holds the byte at offset of a space of size bytes.
    static CFieldRows Build(const uint8_t* space, uint32_t size, uint32_t offset, bool hexMode);

    bool IsKnown() const { return m_known; }
    // The register's first byte in the space and its width; the byte asked for when unknown.
    uint32_t GetOffset() const { return m_offset; }
    uint32_t GetWidth() const { return m_width; }
    const std::vector<CFieldRow>& GetRows() const { return m_rows; }

    // The write that puts typed (in the field's own units) into row's field; none when the
    // number does not fit the field. Zeros typed into an RW1C field write zero, which clears
    // nothing.
    std::optional<CFieldWrite> ComposeEdit(size_t row, uint32_t typed) const;

private:
    bool m_known = false;
    uint32_t m_offset = 0;
    uint32_t m_width = 0;
    std::vector<CFieldRow> m_rows;
};
