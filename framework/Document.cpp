#include "framework/Document.h"

#include <cstdio>
#include "framework/Afx.h"
#include "framework/Archive.h"
#include "framework/DocTemplate.h"
#include "framework/FrameworkIds.h"
#include "framework/View.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

CDocument::~CDocument()
{
    // Views outlive nothing of ours: forget them so they do not call back.
    for (CView* pView : m_viewList)
        pView->m_pDocument = nullptr;
}

void CDocument::SetTitle(const char* lpszTitle)
{
    m_strTitle = lpszTitle != nullptr ? lpszTitle : "";
}

void CDocument::SetPathName(const char* lpszPathName)
{
    m_strPathName = lpszPathName != nullptr ? lpszPathName : "";
    std::string name = m_strPathName;
    size_t slash = name.find_last_of("\\/");
    SetTitle(name.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
}

void CDocument::AddView(CView* pView)
{
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView)
{
    for (auto it = m_viewList.begin(); it != m_viewList.end(); ++it) {
        if (*it == pView) {
            m_viewList.erase(it);
            break;
        }
    }
    pView->m_pDocument = nullptr;
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<size_t>(1));
}

CView* CDocument::GetNextView(POSITION& pos) const
{
    size_t index = reinterpret_cast<size_t>(pos) - 1;
    CView* pView = index < m_viewList.size() ? m_viewList[index] : nullptr;
    pos = index + 1 < m_viewList.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
    return pView;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint)
{
    // A copy: a view may add or remove views while it updates.
    std::vector<CView*> views = m_viewList;
    for (CView* pView : views) {
        if (pView != pSender)
            pView->OnUpdate(pSender, lHint, pHint);
    }
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char* lpszPathName)
{
    std::FILE* file = std::fopen(lpszPathName, "rb");
    if (file == nullptr) {
        std::string text = std::string("Cannot open the file \"") + lpszPathName + "\".";
        AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION | MB_OK);
        return FALSE;
    }
    DeleteContents();
    CArchive archive(file, CArchive::load);
    Serialize(archive);
    bool failed = archive.HasError();
    std::fclose(file);
    if (failed) {
        std::string text = std::string("Reading the file \"") + lpszPathName + "\" failed.";
        AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION | MB_OK);
        DeleteContents();
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const char* lpszPathName)
{
    // Written next to the target first, so that a failed save leaves the old file intact.
    std::string temporary = std::string(lpszPathName) + ".~sav";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool failed = file == nullptr;
    if (!failed) {
        CArchive archive(file, CArchive::store);
        Serialize(archive);
        failed = archive.HasError();
        failed = std::fclose(file) != 0 || failed;
        if (!failed)
            failed = !::MoveFileExA(temporary.c_str(), lpszPathName, MOVEFILE_REPLACE_EXISTING);
        if (failed)
            ::DeleteFileA(temporary.c_str());
    }
    if (failed) {
        std::string text = std::string("Cannot save the file \"") + lpszPathName + "\".";
        AfxMessageBox(text.c_str(), MB_ICONEXCLAMATION | MB_OK);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument()
{
    DeleteContents();
}

void CDocument::DeleteContents() {}

void CDocument::Serialize(CArchive&) {}

BOOL CDocument::DoSave(const char* lpszPathName, BOOL bReplace)
{
    std::string path = lpszPathName != nullptr ? lpszPathName : "";
    if (path.empty()) {
        if (m_pDocTemplate == nullptr || !m_pDocTemplate->PromptFileName(path, true, this))
            return FALSE;
    }
    if (!OnSaveDocument(path.c_str()))
        return FALSE;
    if (bReplace)
        SetPathName(path.c_str());
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    return DoSave(m_strPathName.empty() ? nullptr : m_strPathName.c_str());
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

void CDocument::OnFileSaveAs()
{
    DoSave(nullptr);
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
