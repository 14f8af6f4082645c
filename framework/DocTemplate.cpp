#include "framework/DocTemplate.h"

#include <commdlg.h>
#include <vector>
#include "framework/Afx.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/SingleDocTemplate.h"
#include "framework/TestSeams.h"
#include "framework/View.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                           const CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass)
{
    LoadTemplate();
}

CDocTemplate::~CDocTemplate() = default;

void CDocTemplate::LoadTemplate()
{
    if (!AfxLoadString(m_nIDResource, m_strDocStrings))
        AfxTrace("CDocTemplate: no document string %u\r\n", m_nIDResource);
}

BOOL CDocTemplate::GetDocString(std::string& rString, DocStringIndex index) const
{
    rString = AfxExtractSubString(m_strDocStrings, static_cast<int>(index));
    return rString.empty() ? FALSE : TRUE;
}

CDocument* CDocTemplate::CreateNewDocument()
{
    CObject* pObject = m_pDocClass != nullptr ? m_pDocClass->CreateObject() : nullptr;
    if (pObject == nullptr) {
        AfxTrace("CDocTemplate: the document class cannot be created\r\n");
        return nullptr;
    }
    if (!pObject->IsKindOf(RUNTIME_CLASS(CDocument))) {
        AfxTrace("CDocTemplate: %s is not a document class\r\n", m_pDocClass->m_lpszClassName);
        delete pObject;
        return nullptr;
    }
    auto* pDocument = static_cast<CDocument*>(pObject);
    pDocument->m_pDocTemplate = this;
    return pDocument;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd*)
{
    CObject* pObject = m_pFrameClass != nullptr ? m_pFrameClass->CreateObject() : nullptr;
    if (pObject == nullptr || !pObject->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        AfxTrace("CDocTemplate: the frame class cannot be created\r\n");
        delete pObject;
        return nullptr;
    }
    auto* pFrame = static_cast<CFrameWnd*>(pObject);
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    context.m_pCurrentFrame = pFrame;
    // A frame that fails to load has already deleted itself.
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        AfxTrace("CDocTemplate: creating the frame window failed\r\n");
        return nullptr;
    }
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible)
{
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::SetDefaultTitle(CDocument* pDocument)
{
    std::string title;
    if (!GetDocString(title, docName))
        title = "Untitled";
    pDocument->SetTitle(title.c_str());
}

BOOL CDocTemplate::PromptFileName(std::string& path, bool save, CDocument* pDocument)
{
    std::string filterText;
    std::string extension;
    GetDocString(filterText, filterName);
    GetDocString(extension, filterExt);
    if (pDocument != nullptr && path.empty()) {
        path = pDocument->GetTitle();
        if (!extension.empty() && path.find('.') == std::string::npos)
            path += extension;
    }
    return AfxPromptFileName(path, save, filterText, extension);
}

namespace {

// The file dialog places itself at the screen's corner; once it is laid out it moves over the
// middle of its owner, as every other dialog of the program opens.
UINT_PTR CALLBACK CentreOnOwner(HWND hookDialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_NOTIFY && reinterpret_cast<const OFNOTIFYA*>(lParam)->hdr.code == CDN_INITDONE) {
        CWnd dialog;
        dialog.m_hWnd = ::GetParent(hookDialog);
        dialog.CenterWindow();
        dialog.m_hWnd = nullptr;
    }
    return 0;
}

} // namespace

BOOL AfxPromptFileName(std::string& path, bool save, const std::string& filterText, const std::string& extension)
{
    if (CTestSeams::s_fileDialog)
        return CTestSeams::s_fileDialog(save, path) ? TRUE : FALSE;

    // "Name (*.ext)\0*.ext\0All Files (*.*)\0*.*\0\0"
    std::string filter;
    if (!filterText.empty() && !extension.empty()) {
        filter += filterText;
        filter.push_back('\0');
        filter += "*" + extension;
        filter.push_back('\0');
    }
    filter += "All Files (*.*)";
    filter.push_back('\0');
    filter += "*.*";
    filter.push_back('\0');
    filter.push_back('\0');

    // A folder in the proposal is where the dialog starts; the edit shows the name alone.
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash != std::string::npos ? path.substr(0, slash + 1) : std::string();
    const std::string name = slash != std::string::npos ? path.substr(slash + 1) : path;
    std::vector<char> buffer(MAX_PATH * 4, '\0');
    name.copy(buffer.data(), buffer.size() - 1);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    CWnd* pMainWnd = AfxGetMainWnd();
    ofn.hwndOwner = pMainWnd != nullptr ? pMainWnd->m_hWnd : nullptr;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    std::string defaultExt = extension.empty() || extension[0] != '.' ? extension : extension.substr(1);
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpfnHook = CentreOnOwner;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING |
        (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL chosen = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
    if (chosen)
        path = buffer.data();
    return chosen;
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible)
{
    bool created = false;
    CDocument* pDocument = m_pOnlyDoc.get();
    CFrameWnd* pFrame = nullptr;
    if (pDocument == nullptr) {
        pDocument = CreateNewDocument();
        if (pDocument == nullptr)
            return nullptr;
        m_pOnlyDoc.reset(pDocument);
        created = true;
        pFrame = CreateNewFrame(pDocument, nullptr);
        if (pFrame == nullptr) {
            m_pOnlyDoc.reset();
            return nullptr;
        }
    } else {
        POSITION pos = pDocument->GetFirstViewPosition();
        CView* pView = pos != nullptr ? pDocument->GetNextView(pos) : nullptr;
        pFrame = pView != nullptr ? pView->GetParentFrame() : nullptr;
    }

    BOOL loaded = FALSE;
    if (lpszPathName == nullptr) {
        SetDefaultTitle(pDocument);
        loaded = pDocument->OnNewDocument();
    } else {
        loaded = pDocument->OnOpenDocument(lpszPathName);
        if (loaded)
            pDocument->SetPathName(lpszPathName);
    }
    if (!loaded) {
        if (created) {
            pFrame->DestroyWindow();
            m_pOnlyDoc.reset();
        }
        return nullptr;
    }
    CWinApp* pApp = AfxGetApp();
    if (created && pApp != nullptr && pApp->m_pMainWnd == nullptr)
        pApp->m_pMainWnd = pFrame;
    if (pFrame != nullptr)
        InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const
{
    return m_pOnlyDoc != nullptr ? reinterpret_cast<POSITION>(static_cast<size_t>(1)) : nullptr;
}

CDocument* CSingleDocTemplate::GetNextDoc(POSITION& rPos) const
{
    CDocument* pDocument = rPos != nullptr ? m_pOnlyDoc.get() : nullptr;
    rPos = nullptr;
    return pDocument;
}
