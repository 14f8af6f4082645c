// The small modal dialog of Ctrl+F: it asks for a function by its lspci address, its tree
// address or its vendor:device IDs, and stays open with a message while the text is none of them.
#pragma once
#include <optional>
#include <string>

#include "framework/Dialog.h"
#include "views/FunctionQuery.h"

class CFindFunctionDialog : public CDialog {
public:
    static constexpr char kCaption[] = "Find Function";

    // text is what the edit starts with: the last text searched for.
    CFindFunctionDialog(CWnd* parent, std::string text);

    const std::string& GetText() const { return m_text; }
    const CFunctionQuery& GetQuery() const { return *m_query; }

    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::string m_text;
    std::optional<CFunctionQuery> m_query;
};
