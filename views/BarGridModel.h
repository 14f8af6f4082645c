#pragma once
// The grid of one BAR's range as the BAR page and brisco-dump show it: 16 bytes a row in
// units of 1, 2 or 4 bytes, an address column and an ASCII column. Each unit inside the range
// is read from the device once, when its text is first asked for, and kept until the cache is
// emptied; cells past the range's end are empty and never read.
#include "decode/ConfigDecoder.h"

#include <stdint.h>

#include <map>
#include <optional>
#include <string>

class CPciFunction;

class CBarGridModel {
public:
    static constexpr uint32_t kBytesPerRow = 16;
    // The first 2 GiB: offsets stay 32-bit and a list's item count stays an int.
    static constexpr int kMaxRowCount = 0x8000000;
    // What a unit whose read failed shows instead of a number.
    static constexpr const char* kUnreadText = CConfigDecoder::kUnreadText;

    // The BAR shown and its range size in bytes, 0 while unknown. A range of unknown size shows
    // one row holding only what the smallest BAR of its kind decodes. Another BAR empties the cache.
    void SetRange(CPciFunction* function, int barIndex, uint64_t size);
    // 1, 2 or 4 bytes a unit, others ignored; values read at another width are forgotten.
    void SetUnitWidth(int width);
    void SetHexDisplay(bool hex) { m_hexDisplay = hex; }
    int GetUnitWidth() const { return m_unitWidth; }
    bool IsHexDisplay() const { return m_hexDisplay; }

    int GetUnitColumnCount() const { return int(kBytesPerRow) / m_unitWidth; }
    // The address column, the unit columns and the ASCII column.
    int GetColumnCount() const { return GetUnitColumnCount() + 2; }
    int GetAsciiColumn() const { return GetUnitColumnCount() + 1; }
    std::string GetHeading(int column) const;
    // The rows of the range, and after them the note row when the range goes on past them.
    int GetRowCount() const { return m_rowCount + (m_bytesBeyond != 0 ? 1 : 0); }
    // The bytes of the range the rows list: the range, at most the first kMaxRowCount rows.
    uint64_t GetShownBytes() const { return m_rangeBytes; }
    // The row after the last that lists units, which says how much of the range it leaves out.
    bool IsNoteRow(int row) const { return m_bytesBeyond != 0 && row == m_rowCount; }
    std::string GetNoteText() const;
    // Reads the units the cell shows that the cache holds neither as a value nor as a failure.
    std::string GetCellText(int row, int column);

    // The byte offset of the unit cell at (row, column) when it lies wholly inside the range.
    std::optional<uint32_t> GetEditableOffset(int row, int column) const;
    bool IsEditableUnit(int row, int column) const { return GetEditableOffset(row, column).has_value(); }
    // Keeps what a write-back read from the device: the value, or no value when the read failed.
    void StoreUnit(uint32_t offset, std::optional<uint32_t> value);

    void EmptyCache() { m_cache.clear(); }
    // Each unit held, value or failure, cost exactly one device read or write-back.
    size_t GetCachedUnitCount() const { return m_cache.size(); }

private:
    bool IsInside(uint64_t offset) const { return offset + uint64_t(m_unitWidth) <= m_rangeBytes; }
    std::optional<uint32_t> ReadUnit(uint32_t offset);
    std::string FormatUnit(uint32_t value) const;
    std::string AsciiText(int row);

    CPciFunction* m_function = nullptr;
    int m_barIndex = -1;
    uint64_t m_rangeBytes = 0;  // the bytes shown, at most the rows' worth
    uint64_t m_bytesBeyond = 0; // the bytes of the range past the rows
    int m_rowCount = 1;         // the rows that list units
    int m_unitWidth = 1;
    bool m_hexDisplay = true;
    std::map<uint32_t, std::optional<uint32_t>> m_cache; // no value: the read failed
};
