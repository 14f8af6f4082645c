#include "views/GoToOffsetDialog.h"

#include <ctype.h>

#include "decode/DecodeText.h"
#include "framework/Afx.h"
#include "res/resource.h"
#include "views/BarSummary.h"

CGoToOffsetDialog::CGoToOffsetDialog(CWnd* parent, const CRange& range, bool hex)
    : CDialog(IDD_GOTO_OFFSET, parent), m_range(range), m_hex(hex)
{
}

std::optional<uint64_t> CGoToOffsetDialog::ParseOffset(const std::string& input, bool hex)
{
    std::string text = CDecodeText::Trim(input);
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    else if (!text.empty() && tolower(static_cast<unsigned char>(text.back())) == (hex ? 'h' : 'd'))
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    const uint64_t base = hex ? 16 : 10;
    uint64_t value = 0;
    for (const char c : text) {
        const int ch = static_cast<unsigned char>(c);
        if (!(hex ? isxdigit(ch) : isdigit(ch)))
            return std::nullopt;
        const uint64_t digit = isdigit(ch) ? uint64_t(ch - '0') : uint64_t(tolower(ch) - 'a' + 10);
        value = value > (UINT64_MAX - digit) / base ? UINT64_MAX : value * base + digit;
    }
    return value;
}

std::string CGoToOffsetDialog::FormatNumber(uint64_t value) const
{
    if (!m_hex)
        return std::to_string(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[value % 16]);
        value /= 16;
    } while (value != 0);
    return digits + "h";
}

std::string CGoToOffsetDialog::Check(const std::string& text) const
{
    const std::optional<uint64_t> offset = ParseOffset(text, m_hex);
    if (!offset) {
        const char* hint =
            m_hex ? "hexadecimal number. Type an offset such as 1F0h." : "decimal number. Type an offset such as 496.";
        return std::string(1, '"').append(CDecodeText::Trim(text)).append("\" is not a ").append(hint);
    }
    if (*offset < m_range.shown)
        return {};
    std::string message = std::string("Offset ").append(FormatNumber(*offset));
    const std::string& name = m_range.name;
    if (m_range.size == 0)
        message += " lies beyond the " + std::to_string(m_range.shown) + " bytes shown of " + name +
            ", whose size is not known.";
    else if (*offset >= m_range.size)
        message += " lies beyond the range of " + name + " (" + std::to_string(m_range.size) + " bytes).";
    else
        message += " lies beyond the first " + CBarSummary::FormatSize(m_range.shown) + " of " + name +
            ", which is all the grid shows of its " + CBarSummary::FormatSize(m_range.size) + ".";
    return message;
}

BOOL CGoToOffsetDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const std::string prompt = "&Offset within " + m_range.name + " (" + (m_hex ? "hexadecimal" : "decimal") + "):";
    ::SetDlgItemTextA(m_hWnd, IDC_GOTO_PROMPT, prompt.c_str());
    return TRUE;
}

// A text that cannot be gone to keeps the dialog open, with the message owned by it.
void CGoToOffsetDialog::OnOK()
{
    char text[256] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_GOTO_OFFSET, text, sizeof text);
    const std::string problem = Check(text);
    if (!problem.empty()) {
        AfxShowMessageBox(m_hWnd, problem.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
        HWND edit = ::GetDlgItem(m_hWnd, IDC_GOTO_OFFSET);
        ::SetFocus(edit);
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
        return;
    }
    m_offset = *ParseOffset(text, m_hex);
    EndDialog(IDOK);
}
