#include "app/BriscoDoc.h"

#include <new>

#include "framework/Afx.h"

IMPLEMENT_DYNCREATE(CBriscoDoc, CDocument)

CBriscoDoc::CBriscoDoc() : CBriscoDoc(kDriverDevicePath)
{
}

CBriscoDoc::CBriscoDoc(const char* devicePath)
{
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

void CBriscoDoc::RescanBus()
{
    if (m_hDriver == INVALID_HANDLE_VALUE)
        return;
    m_pRoot.reset();
    try {
        m_pRoot = std::make_unique<CPciFunction>(m_hDriver);
    } catch (const std::bad_alloc&) {
        m_pRoot.reset();
    }
    UpdateAllViews(nullptr, HINT_MODEL_REBUILT, HintFromFunction(m_pRoot.get()));
}

CObject* CBriscoDoc::HintFromFunction(CPciFunction* pFunction)
{
    return reinterpret_cast<CObject*>(pFunction);
}

CPciFunction* CBriscoDoc::FunctionFromHint(CObject* pHint)
{
    return reinterpret_cast<CPciFunction*>(pHint);
}
