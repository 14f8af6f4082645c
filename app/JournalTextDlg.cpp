#include "app/JournalTextDlg.h"

#include "decode/WriteJournal.h"
#include "res/resource.h"

IMPLEMENT_DYNAMIC(CJournalTextDlg, CDialog)

namespace {

constexpr char kLineEnd[] = "\r\n";

} // namespace

CJournalTextDlg::CJournalTextDlg(std::string path, std::string text)
    : CDialog(IDD_JOURNAL_TEXT), m_path(std::move(path)), m_text(std::move(text))
{
}

std::string CJournalTextDlg::FormatFile(const std::string& path)
{
    const CWriteJournal::CFileText file = CWriteJournal::ReadFile(path);
    if (!file.opened)
        return "The journal " + path + " cannot be read." + kLineEnd;
    std::string text;
    for (const std::string& line : file.lines)
        text += line + kLineEnd;
    if (file.torn)
        text += std::string("# The last line was cut short when the program stopped; it is left out.") + kLineEnd;
    if (!file.endedCleanly)
        text += std::string("# The program that wrote this journal did not end cleanly.") + kLineEnd;
    return text;
}

BOOL CJournalTextDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextA(m_hWnd, ("Last Journal - " + m_path).c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_JOURNAL_TEXT, m_text.c_str());
    return TRUE;
}
