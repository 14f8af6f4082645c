// A document template: the resource id of a document type (its document string, menu,
// accelerators and icon) and the run-time classes of its document, frame and view.
#pragma once
#include <string>
#include "framework/CmdTarget.h"
#include "framework/WinApp.h"

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    // Fields of the document string, in the order they appear (separated by '\n').
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    ~CDocTemplate() override;

    UINT GetResourceID() const { return m_nIDResource; }
    // One field of the document string; false when it is empty or missing.
    BOOL GetDocString(std::string& rString, DocStringIndex index) const;

    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual CDocument* OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
    virtual void SetDefaultTitle(CDocument* pDocument);
    // Asks for a file name with the open or save dialog and the template's filter.
    BOOL PromptFileName(std::string& path, bool save, CDocument* pDocument = nullptr);

protected:
    CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                 const CRuntimeClass* pViewClass);
    // Loads the document string of the resource id.
    void LoadTemplate();

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
    std::string m_strDocStrings;
};

// Asks for a file name with the open or save dialog, centred on its owner, filterText naming
// files of the extension (".txt"); path is the proposal (the folder it names is where the
// dialog starts) and receives the choice. The test seam answers instead when set.
BOOL AfxPromptFileName(std::string& path, bool save, const std::string& filterText, const std::string& extension);
