// The template of a single-document program: one document at a time, in one frame.
#pragma once
#include <memory>
#include "framework/DocTemplate.h"
#include "framework/Document.h"

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                       const CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;

    // Without a path: a new document (OnNewDocument); with one: OnOpenDocument. The first
    // call also creates the frame and its views; later calls reuse them.
    CDocument* OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible = TRUE) override;
    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& rPos) const override;

private:
    std::unique_ptr<CDocument> m_pOnlyDoc;
};
