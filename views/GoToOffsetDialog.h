// The small modal dialog of Ctrl+G in a hex grid (a BAR's range, the configuration space):
// it asks for an offset within what the grid shows, in the radix the grid shows, and stays
// open with a message while the text is not a number or lies beyond that.
#pragma once
#include <stdint.h>

#include <optional>
#include <string>

#include "framework/Dialog.h"

class CGoToOffsetDialog : public CDialog {
public:
    // What a grid offers to go to.
    struct CRange
    {
        std::string name;   // "BAR 1", "the configuration space"
        uint64_t size = 0;  // the range's size in bytes; 0 while it is not known
        uint64_t shown = 0; // the bytes the grid lists from offset 0: the size, or less
    };

    CGoToOffsetDialog(CWnd* parent, const CRange& range, bool hex);

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

    CRange m_range;
    bool m_hex;
    uint64_t m_offset = 0;
};
