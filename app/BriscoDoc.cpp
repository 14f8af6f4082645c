#include "app/BriscoDoc.h"

#include "views/ModalQuestion.h"
#include "views/ViewHints.h"

#include "app/BriscoSettings.h"
#include "app/JournalTextDlg.h"
#include "app/ScanPump.h"
#include "decode/JournalUndo.h"
#include "decode/MachineSnapshot.h"
#include "framework/CmdUI.h"
#include "framework/DocTemplate.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"

#include <shlobj.h>
#include <stdio.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <string>

#include "framework/Afx.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"

IMPLEMENT_DYNCREATE(CBriscoDoc, CDocument)

BEGIN_MESSAGE_MAP(CBriscoDoc, CDocument)
ON_COMMAND(ID_OPTIONS_ALL_ROOT_BUSES, OnScanAllRootBuses)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_ALL_ROOT_BUSES, OnUpdateScanAllRootBuses)
ON_COMMAND(ID_OPTIONS_EVERY_FUNCTION, OnProbeEveryFunction)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_EVERY_FUNCTION, OnUpdateProbeEveryFunction)
ON_COMMAND(ID_OPTIONS_SAVE_IMAGE, OnSaveMachineImage)
ON_COMMAND(ID_OPTIONS_COMPARE, OnCompareWithImage)
ON_COMMAND(ID_OPTIONS_CLEAR_COMPARISON, OnClearComparison)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_CLEAR_COMPARISON, OnUpdateClearComparison)
ON_COMMAND(ID_OPTIONS_SAVE_JOURNAL, OnSaveWriteJournal)
ON_COMMAND(ID_OPTIONS_OPEN_LAST_JOURNAL, OnOpenLastJournal)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_OPEN_LAST_JOURNAL, OnUpdateOpenLastJournal)
END_MESSAGE_MAP()

namespace {

constexpr char kAllRootBusesValue[] = "ScanAllRootBuses";
constexpr char kEveryFunctionValue[] = "ProbeEveryFunction";

bool LoadSwitch(const char* name)
{
    DWORD value = 0;
    return CBriscoSettings::LoadNumber(name, &value) && value != 0;
}
constexpr char kImageFilter[] = "Machine Images (*.txt)";
constexpr char kImageExtension[] = ".txt";
constexpr char kCompareErrorCaption[] = "Compare With Image";
constexpr char kJournalFilter[] = "Write Journals (*.txt)";

// Whether a journal file holds a write: every line but a write is a comment.
bool HoldsWrite(const std::string& path)
{
    const CWriteJournal::CFileText file = CWriteJournal::ReadFile(path);
    return std::any_of(file.lines.begin(), file.lines.end(),
                       [](const std::string& line) { return !line.empty() && line[0] != '#'; });
}

} // namespace

CBriscoDoc::CBriscoDoc() : CBriscoDoc(kDriverDevicePath)
{
}

CBriscoDoc::CBriscoDoc(const char* devicePath)
{
    m_allRootBuses = LoadSwitch(kAllRootBusesValue);
    m_everyFunction = LoadSwitch(kEveryFunctionValue);
    OpenJournal();
    m_hDriver = ::CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (m_hDriver == INVALID_HANDLE_VALUE) {
        AfxShowMessageBox(nullptr, kFatalErrorText, kFatalErrorCaption, MB_OK | MB_ICONERROR);
        m_scanFailure = kNoDriverText;
    }
}

CBriscoDoc::~CBriscoDoc()
{
    // The functions borrow the handle and the recorder: they go first.
    m_pRoot.reset();
    m_journal->Close();
    if (m_hDriver != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hDriver);
}

void CBriscoDoc::OpenJournal()
{
    const std::string folder = CWriteJournal::DefaultFolder();
    const std::string path =
        folder + "\\" + CWriteJournal::FileName(kJournalPrefix, CWriteJournal::NowMs(), ::GetCurrentProcessId());
    m_uncleanJournal = CWriteJournal::FindUnclean(folder, kJournalPrefix, path);
    if (!m_uncleanJournal.empty() && m_uncleanJournal != CBriscoSettings::LoadText(kAnnouncedJournalValue) &&
        HoldsWrite(m_uncleanJournal)) {
        m_announceUnclean = true;
        CBriscoSettings::SaveText(kAnnouncedJournalValue, m_uncleanJournal);
    }
    m_journal = std::make_unique<CWriteJournal>(path, kJournalPrefix);
    m_recorder = std::make_unique<CJournalRecorder>(*m_journal);
}

bool CBriscoDoc::UndoJournalEntry(size_t index, std::string* status)
{
    if (!m_pRoot) {
        *status = "Nothing to undo on: no tree";
        return false;
    }
    const bool written = CJournalUndo::Undo(*m_journal, *m_recorder, index, *m_pRoot, status);
    if (written)
        UpdateAllViews(nullptr, CViewHints::HINT_FUNCTION_WRITTEN, nullptr);
    return written;
}

bool CBriscoDoc::UndoLastWrite(std::string* status)
{
    const long last = CJournalUndo::LastUndoable(*m_journal);
    if (last < 0) {
        *status = "Nothing to undo: no write of this session is left to take back";
        return false;
    }
    return UndoJournalEntry(size_t(last), status);
}

bool CBriscoDoc::CanUndoWrite() const
{
    return m_pRoot != nullptr && CJournalUndo::LastUndoable(*m_journal) >= 0;
}

void CBriscoDoc::OnSaveWriteJournal()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    std::string path = ProposedImageName(now);
    path.insert(path.find('-'), "-journal");
    if (!AfxPromptFileName(path, true, kJournalFilter, kImageExtension))
        return;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << m_journal->FormatFile(kJournalPrefix);
    file.close();
    if (!file)
        AfxMessageBox("The write journal was not saved to " + path, MB_OK | MB_ICONEXCLAMATION);
}

void CBriscoDoc::OnOpenLastJournal()
{
    if (m_uncleanJournal.empty())
        return;
    CJournalTextDlg dialog(m_uncleanJournal, CJournalTextDlg::FormatFile(m_uncleanJournal));
    dialog.DoModal();
}

void CBriscoDoc::OnUpdateOpenLastJournal(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_uncleanJournal.empty() ? FALSE : TRUE);
}

bool CBriscoDoc::CompareWithImage(const std::string& path, std::string* error)
{
    if (!m_comparison.LoadMachineImage(path, error))
        return false;
    m_comparison.Compare(m_pRoot.get());
    UpdateAllViews(nullptr, CViewHints::HINT_COMPARISON_CHANGED, nullptr);
    UpdateStatusText();
    return true;
}

void CBriscoDoc::ClearComparison()
{
    m_comparison.Clear();
    UpdateAllViews(nullptr, CViewHints::HINT_COMPARISON_CHANGED, nullptr);
    UpdateStatusText();
}

const CMachineComparison* CBriscoDoc::GetComparison() const
{
    return m_comparison.HasImage() ? &m_comparison : nullptr;
}

std::string CBriscoDoc::ProposedImageName(const SYSTEMTIME& time)
{
    char name[64];
    snprintf(name, sizeof name, "brisco-%04u%02u%02u-%02u%02u%s", unsigned(time.wYear), unsigned(time.wMonth),
             unsigned(time.wDay), unsigned(time.wHour), unsigned(time.wMinute), kImageExtension);
    return name;
}

bool CBriscoDoc::PromptImagePath(bool save, std::string* path)
{
    std::string folder = CBriscoSettings::LoadText(kImageFolderValue);
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        char documents[MAX_PATH] = {};
        folder = SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))
            ? documents
            : "";
    }
    std::string chosen = folder.empty() ? std::string() : folder + "\\";
    if (save) {
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        chosen += ProposedImageName(now);
    }
    if (!AfxPromptFileName(chosen, save, kImageFilter, kImageExtension))
        return false;
    const size_t slash = chosen.find_last_of("\\/");
    if (slash != std::string::npos)
        CBriscoSettings::SaveText(kImageFolderValue, chosen.substr(0, slash));
    *path = chosen;
    return true;
}

void CBriscoDoc::OnSaveMachineImage()
{
    std::string path;
    if (!PromptImagePath(true, &path))
        return;
    std::string error;
    CWaitCursor wait;
    if (!CMachineSnapshot::Save(m_pRoot.get(), path, &error))
        AfxMessageBox("The machine image was not saved:\n\n" + error, MB_OK | MB_ICONEXCLAMATION);
}

void CBriscoDoc::OnCompareWithImage()
{
    std::string path;
    if (!PromptImagePath(false, &path))
        return;
    std::string error;
    CWaitCursor wait;
    if (!CompareWithImage(path, &error))
        AfxMessageBox("The image cannot be compared:\n\n" + error, MB_OK | MB_ICONEXCLAMATION);
}

void CBriscoDoc::OnClearComparison()
{
    ClearComparison();
}

void CBriscoDoc::OnUpdateClearComparison(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_comparison.HasImage() ? TRUE : FALSE);
}

void CBriscoDoc::UpdateStatusText()
{
    if (CWnd* pMainWnd = AfxGetMainWnd())
        pMainWnd->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
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

void CBriscoDoc::SetProbingEveryFunction(bool on)
{
    m_everyFunction = on;
    CBriscoSettings::SaveNumber(kEveryFunctionValue, on ? 1 : 0);
}

void CBriscoDoc::OnProbeEveryFunction()
{
    SetProbingEveryFunction(!m_everyFunction);
    CWaitCursor wait;
    RescanBus();
}

void CBriscoDoc::OnUpdateProbeEveryFunction(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_everyFunction ? 1 : 0);
}

void CBriscoDoc::RescanBus()
{
    if (m_hDriver == INVALID_HANDLE_VALUE)
        return;
    // The question's answer still acts on a function of the current tree.
    if (CModalQuestion::IsAnyOpen()) {
        m_rescanPending = true;
        return;
    }
    m_rescanPending = false;
    UpdateAllViews(nullptr, CViewHints::HINT_SCAN_STARTING, nullptr);
    // The old tree stays on screen while the new one is built, so that Escape can keep it.
    CScanPump pump(DYNAMIC_DOWNCAST(CFrameWnd, AfxGetMainWnd()), m_pRoot != nullptr, m_lastBusCount);
    std::unique_ptr<CPciFunction> root;
    // A scan that fails half-way leaves no tree, never a partial one; the views then empty.
    try {
        CPciFunction::CScanOptions options;
        options.allRootBuses = m_allRootBuses;
        options.everyFunction = m_everyFunction;
        root = std::make_unique<CPciFunction>(
            m_hDriver, options, [&pump](const CPciFunction::CScanProgress& progress) { return pump.Step(progress); });
    } catch (const std::exception& error) {
        root.reset();
        AfxOutputDebugString((std::string("CBriscoDoc::RescanBus: ") + error.what() + "\r\n").c_str());
    }
    if (root && root->GetScanReport().cancelled) {
        UpdateStatusText();
        return;
    }
    m_lastBusCount = pump.GetBusesScanned();
    // The views let go of the old functions (and commit an open edit to them) while they still exist.
    UpdateAllViews(nullptr, CViewHints::HINT_MODEL_REBUILDING, nullptr);
    m_pRoot = std::move(root);
    if (m_pRoot)
        m_pRoot->SetWriteObserver(m_recorder.get());
    m_scanFailure.clear();
    // Without a host bridge bus 0 is the root; a scan that found no function at all shows no
    // invented one. Either way the status bar says why.
    if (m_pRoot && !m_pRoot->GetScanReport().hostBridgeFound) {
        const CPciFunction::CScanReport& report = m_pRoot->GetScanReport();
        const uint32_t functionRequests = report.requests - (report.sourceDescribed ? 1 : 0);
        const bool refused = functionRequests > 0 && report.failedRequests == functionRequests;
        if (!m_pRoot->GetTopFunctions().empty()) {
            m_scanFailure = kBusZeroRootText;
        } else {
            m_scanFailure = refused ? kDriverRefusedText : kNoHostBridgeText;
            m_pRoot.reset();
        }
    }
    // A comparison goes on with the new scan.
    if (m_comparison.HasImage())
        m_comparison.Compare(m_pRoot.get());
    UpdateAllViews(nullptr, CViewHints::HINT_MODEL_REBUILT, CViewHints::HintFromFunction(m_pRoot.get()));
    UpdateStatusText();
}

bool CBriscoDoc::RunPendingRescan()
{
    if (!m_rescanPending || CModalQuestion::IsAnyOpen())
        return false;
    CWaitCursor wait;
    RescanBus();
    return true;
}
