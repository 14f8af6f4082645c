// The small modal dialog of Ctrl+G in a BAR grid: it asks for an offset within the BAR's
// range, in the radix the grid shows, and stays open with a message while the text is not
// a number or lies beyond the range.
#pragma once
#include <stdint.h>

#include <optional>
#include <string>

#include "framework/Dialog.h"

class CGoToOffsetDialog : public CDialog {
public:
    // limit is the number of bytes one may go to: the range size, or the one row shown
    // (rangeKnown false) while the size is not known.
    CGoToOffsetDialog(CWnd* parent, int barIndex, bool hex, uint32_t limit, bool rangeKnown);

    // A hexadecimal text may carry "0x" before or "h" after it, a decimal one "d" after it;
    // blanks around it are ignored. Numbers past 64 bits saturate.
    static std::optional<uint64_t> ParseOffset(const std::string& text, bool hex);
    // Why text cannot be gone to, or empty when it can.
    std::string Check(const std::string& text) const;

    uint64_t GetOffset() const { return m_offset; }

    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::string FormatNumber(uint64_t value) const;

    int m_barIndex;
    bool m_hex;
    uint32_t m_limit;
    bool m_rangeKnown;
    uint64_t m_offset = 0;
};
