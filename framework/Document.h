// A document: the data that views show. It keeps its views (borrowed), tells them about
// changes (UpdateAllViews) and serves the save command by writing itself to a file.
#pragma once
#include <string>
#include <vector>
#include "framework/CmdTarget.h"
#include "framework/WinApp.h"

class CArchive;
class CDocTemplate;
class CView;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument() = default;
    ~CDocument() override;

    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const char* lpszTitle);
    const std::string& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(const char* lpszPathName);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

    // Views.
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& pos) const;
    // Calls OnUpdate of every view except pSender.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

    // Life cycle and storage.
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const char* lpszPathName);
    virtual BOOL OnSaveDocument(const char* lpszPathName);
    virtual void OnCloseDocument();
    virtual void DeleteContents();
    virtual void Serialize(CArchive& ar);
    // Saves under a name, asking for one (lpszPathName null) through the save dialog.
    virtual BOOL DoSave(const char* lpszPathName, BOOL bReplace = TRUE);
    BOOL DoFileSave();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    void OnFileSave();
    void OnFileSaveAs();

    // Set by the template that created the document.
    CDocTemplate* m_pDocTemplate = nullptr;

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strTitle;
    std::string m_strPathName;
    BOOL m_bModified = FALSE;
    std::vector<CView*> m_viewList;
};
