#pragma once
// The rows of the Capabilities page: every capability of one function's whole space, its
// header row then its registers, in the current radix, and the write-back of an edited value.
// A capability's problem follows its header row, and a last row tells why a walk stopped early.
// Portable, so that the rows and the edit rules are tested without a window.
#include "decode/RegisterEdit.h"

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

class CPciFunction;

struct CCapabilityPageRow
{
    static constexpr int kColumnCount = 5;
    static constexpr int kValueColumn = 3;

    uint32_t offset = 0;
    uint32_t size = 0;
    uint32_t value = 0;
    bool header = false; // the first row of a capability
    bool note = false;   // a problem or a walk's end, in the text column; no register to edit
    std::string columns[kColumnCount];
};

class CCapabilityPageModel {
public:
    // Both store their argument and relist the rows from the function's space.
    void SetFunction(CPciFunction* function);
    void SetHexMode(bool hex);
    // Lists the rows again from the space as the function holds it now.
    void Rebuild();

    CPciFunction* GetFunction() const { return m_function; }
    bool IsHexMode() const { return m_hexMode; }
    const std::vector<CCapabilityPageRow>& GetRows() const { return m_rows; }
    // The row of the register (offset, size), or -1.
    int FindRow(uint32_t offset, uint32_t size) const;

    struct CWriteResult
    {
        uint32_t readBack;
        bool kept;             // the register reads back as the register catalogue predicts
        std::string refusal;   // why nothing was written; empty when the text was written
        std::string status;    // how the read-back compares with the prediction, for the status bar
        bool declined = false; // the user kept bits the host owns from being written
    };
    // Writes text, read in the given radix, to register (offset, size) of the function and
    // relists the rows, whose decoded texts follow the new value; nothing without a function.
    // A text that is not a number of the register's width is refused and nothing is written;
    // a change to bits the host owns is written only when confirm agrees.
    std::optional<CWriteResult> Write(uint32_t offset, uint32_t size, const char* text, bool typedInHex,
                                      const CRegisterEdit::Confirm& confirm = {});

private:
    void AddNote(uint32_t offset, std::string offsetText, std::string text);

    CPciFunction* m_function = nullptr;
    bool m_hexMode = true;
    std::vector<CCapabilityPageRow> m_rows;
};
