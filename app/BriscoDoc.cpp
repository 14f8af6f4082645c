#include "app/BriscoDoc.h"

#include "views/ViewHints.h"

#include "app/BriscoSettings.h"
#include "framework/CmdUI.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"

#include <exception>
#include <string>

#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"

IMPLEMENT_DYNCREATE(CBriscoDoc, CDocument)

BEGIN_MESSAGE_MAP(CBriscoDoc, CDocument)
ON_COMMAND(ID_OPTIONS_ALL_ROOT_BUSES, OnScanAllRootBuses)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_ALL_ROOT_BUSES, OnUpdateScanAllRootBuses)
END_MESSAGE_MAP()

namespace {

constexpr char kAllRootBusesValue[] = "ScanAllRootBuses";

} // namespace

CBriscoDoc::CBriscoDoc() : CBriscoDoc(kDriverDevicePath)
{
}

CBriscoDoc::CBriscoDoc(const char* devicePath)
{
    DWORD allRootBuses = 0;
    m_allRootBuses = CBriscoSettings::LoadNumber(kAllRootBusesValue, &allRootBuses) && allRootBuses != 0;
    m_hDriver = ::CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (m_hDriver == INVALID_HANDLE_VALUE)
        AfxShowMessageBox(nullptr, kFatalErrorText, kFatalErrorCaption, MB_OK | MB_ICONERROR);
}

CBriscoDoc::~CBriscoDoc()
{
    // The functions borrow the handle: they go first.
    m_pRoot.reset();
    if (m_hDriver != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hDriver);
}

void CBriscoDoc::SetScanningAllRootBuses(bool on)
{
    m_allRootBuses = on;
    CBriscoSettings::SaveNumber(kAllRootBusesValue, on ? 1 : 0);
}

void CBriscoDoc::OnScanAllRootBuses()
{
    SetScanningAllRootBuses(!m_allRootBuses);
    CWaitCursor wait;
    RescanBus();
}

void CBriscoDoc::OnUpdateScanAllRootBuses(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_allRootBuses ? 1 : 0);
}

void CBriscoDoc::RescanBus()
{
    if (m_hDriver == INVALID_HANDLE_VALUE)
        return;
    // The views let go of the old functions (and commit an open edit to them) while they still exist.
    UpdateAllViews(nullptr, CViewHints::HINT_MODEL_REBUILDING, nullptr);
    m_pRoot.reset();
    m_scanFailure.clear();
    // A scan that fails half-way leaves no tree, never a partial one; the views then empty.
    try {
        m_pRoot = std::make_unique<CPciFunction>(m_hDriver, m_allRootBuses);
    } catch (const std::exception& error) {
        m_pRoot.reset();
        AfxOutputDebugString((std::string("CBriscoDoc::RescanBus: ") + error.what() + "\r\n").c_str());
    }
    // A scan that found no host bridge shows no invented function, and says why.
    if (m_pRoot && !m_pRoot->GetScanReport().hostBridgeFound) {
        const CPciFunction::CScanReport& report = m_pRoot->GetScanReport();
        m_scanFailure = report.requests > 0 && report.failedRequests == report.requests ? kDriverRefusedText
                                                                                        : kNoHostBridgeText;
        m_pRoot.reset();
    }
    UpdateAllViews(nullptr, CViewHints::HINT_MODEL_REBUILT, CViewHints::HintFromFunction(m_pRoot.get()));
    if (CWnd* pMainWnd = AfxGetMainWnd())
        pMainWnd->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
}
