// CFunctionPage: what every page does once an edit has been sent to the driver.
#include "views/FunctionPage.h"

#include "device/PciFunction.h"
#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "views/ModalQuestion.h"

namespace {

constexpr char kWarningCaption[] = "Warning";

} // namespace

bool CFunctionPage::ReportRefusedWrite(CPciFunction* function, bool beep) const
{
    const DWORD error = function != nullptr ? function->TakeWriteError() : DWORD(ERROR_SUCCESS);
    if (error == ERROR_SUCCESS)
        return false;
    if (beep)
        AfxMessageBeep(MB_ICONEXCLAMATION);
    if (CFrameWnd* frame = m_parent != nullptr ? m_parent->GetParentFrame() : nullptr)
        frame->SetMessageText(CPciFunction::DescribeWriteError(error, function->WasWriteErrorOnBar()).c_str());
    return true;
}

void CFunctionPage::ForgetRefusedWrite(CPciFunction* function)
{
    if (function != nullptr)
        function->TakeWriteError();
}

bool CFunctionPage::ConfirmHostOwnedWrite(const std::string& question) const
{
    HWND owner = m_parent != nullptr ? m_parent->m_hWnd : nullptr;
    return CModalQuestion::Ask(owner, question.c_str(), kWarningCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}
