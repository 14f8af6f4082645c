#pragma once
// The Hex page's grid: one function's whole configuration space (256 bytes or 4 KiB) in the
// BAR grid's form, 16 bytes a row in 1-, 2- or 4-byte units with an address and an ASCII
// column. Its cells come from the space the function keeps, which only the configuration
// requests fill, so showing it never touches a BAR.
#include "decode/RegisterEdit.h"

#include <stdint.h>

#include <optional>
#include <string>

class CPciFunction;

class CSpaceGridModel {
public:
    static constexpr uint32_t kBytesPerRow = 16;

    void SetFunction(CPciFunction* function) { m_function = function; }
    // 1, 2 or 4 bytes a unit, others ignored.
    void SetUnitWidth(int width);
    void SetHexDisplay(bool hex) { m_hexDisplay = hex; }
    int GetUnitWidth() const { return m_unitWidth; }

    int GetUnitColumnCount() const { return int(kBytesPerRow) / m_unitWidth; }
    int GetColumnCount() const { return GetUnitColumnCount() + 2; }
    int GetAsciiColumn() const { return GetUnitColumnCount() + 1; }
    std::string GetHeading(int column) const;
    int GetRowCount() const;
    std::string GetCellText(int row, int column) const;

    // The offset of the unit cell at (row, column) within the space.
    std::optional<uint32_t> GetEditableOffset(int row, int column) const;

    struct CWriteResult
    {
        uint32_t readBack;
        bool kept;             // the register reads back as the register catalogue predicts
        std::string refusal;   // why nothing was written; empty when the text was written
        std::string status;    // how the read-back compares with the prediction, for the status bar
        bool declined = false; // the user kept bits the host owns from being written
    };
    // Writes text, read in the given radix, to the unit of the given width at offset and reads it
    // back. A text that is not a number of the unit's width is refused and nothing is written;
    // a change to bits the host owns is written only when confirm agrees.
    std::optional<CWriteResult> Write(uint32_t offset, int width, const char* text, bool typedInHex,
                                      const CRegisterEdit::Confirm& confirm = {});

private:
    std::string FormatUnit(uint32_t value) const;

    CPciFunction* m_function = nullptr;
    int m_unitWidth = 1;
    bool m_hexDisplay = true;
};
