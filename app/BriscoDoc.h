// The one document: owns the driver handle and the tree of PCI functions scanned through it,
// rebuilds that tree on request and tells the views.
#pragma once
#include <windows.h>

#include <memory>

#include "device/PciFunction.h"
#include "framework/Document.h"

class CBriscoDoc : public CDocument {
    DECLARE_DYNCREATE(CBriscoDoc)
public:
    // View-update hints. The hint object of both is a CPciFunction (or null); use
    // HintFromFunction and FunctionFromHint to pass it through UpdateAllViews.
    static constexpr LPARAM HINT_MODEL_REBUILT = 0;
    static constexpr LPARAM HINT_SELECTION_CHANGED = 1;

    static constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
    static constexpr char kFatalErrorCaption[] = "Brisco - Fatal Error!";
    static constexpr char kFatalErrorText[] =
        "Failed to open the kernel-mode driver 'briscodrv.sys'!\r\n\r\n"
        "Please make sure the driver is installed and started\r\nbefore restarting Brisco.";

    CBriscoDoc();
    ~CBriscoDoc() override;

    // Deletes the current tree, scans every bus again and sends HINT_MODEL_REBUILT.
    // Does nothing when the driver could not be opened.
    void RescanBus();

    bool HasDriver() const { return m_hDriver != INVALID_HANDLE_VALUE; }
    CPciFunction* GetRoot() const { return m_pRoot.get(); }

    // The framework's view hints carry an object pointer; a function travels in it unchanged.
    static CObject* HintFromFunction(CPciFunction* pFunction);
    static CPciFunction* FunctionFromHint(CObject* pHint);

protected:
    // Opens the given device instead of the driver's; lets tests start without a driver.
    explicit CBriscoDoc(const char* devicePath);

private:
    HANDLE m_hDriver = INVALID_HANDLE_VALUE;
    std::unique_ptr<CPciFunction> m_pRoot;
};
