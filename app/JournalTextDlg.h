// Shows a journal file read-only: the writes an earlier session left, one per line.
#pragma once
#include "framework/Dialog.h"

#include <string>

class CJournalTextDlg : public CDialog {
    DECLARE_DYNAMIC(CJournalTextDlg)
public:
    // path is named in the caption; text is what the dialog shows.
    CJournalTextDlg(std::string path, std::string text);

    // A journal file as the dialog shows it: its complete lines, and a note when the last one
    // was cut short or the end mark is missing.
    static std::string FormatFile(const std::string& path);

protected:
    BOOL OnInitDialog() override;

private:
    std::string m_path;
    std::string m_text;
};
