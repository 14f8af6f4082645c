// Refresh through the main window (scan, tree rebuild, register list, paint) against
// a scan alone, in rounds that alternate so both see the same load, and where the
// rest of the Refresh goes: the tree rebuild (with the register list of the root it
// selects), the register list alone and the paint. Then the same Refresh sent to
// brisco.exe, and the program's private memory and GDI and USER objects after it.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/BriscoApp.h"
#include "app/BriscoDoc.h"
#include "app/MainFrame.h"
#include "decode/ConfigSpaceModel.h"
#include "device/PciFunction.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/e2e/BriscoProcess.h"
#include "views/PciBusView.h"
#include "views/PciFunctionView.h"
#include "views/ViewHints.h"

namespace {

using CClock = std::chrono::steady_clock;

constexpr char kDriverPath[] = "\\\\.\\briscodrvDevice";
constexpr int kRounds = 5;

double MillisecondsSince(CClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(CClock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Paints whatever the last step invalidated, as the message loop would next.
void PaintPending(CWnd* frame)
{
    frame->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

size_t CountFunctions(const CPciFunction& function)
{
    size_t count = 1;
    for (const auto& child : function.m_children)
        count += CountFunctions(*child);
    return count;
}

} // namespace

// No arguments: the application would take one for a document to open.
int main()
{
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDOK; };
    CBriscoApp app;
    app.InitApplication();
    if (!app.InitInstance()) {
        fprintf(stderr, "refresh_bench: the main window did not start\n");
        return 1;
    }
    auto* frame = DYNAMIC_DOWNCAST(CMainFrame, AfxGetMainWnd());
    CBriscoDoc* doc = app.GetDocument();
    HANDLE driver = ::CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (!frame || !doc || !doc->GetRoot() || driver == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "refresh_bench: no machine behind the driver\n");
        return 1;
    }
    CPciBusView* busView = frame->GetBusView();
    CPciFunctionView* functionView = frame->GetFunctionView();
    frame->SetActiveView(busView);
    CTestSeams::PumpUntilIdle();

    std::vector<double> scans, refreshes, trees, lists, decodes, paints;
    for (int round = 0; round < kRounds; ++round) {
        CClock::time_point start = CClock::now();
        {
            CPciFunction root(driver);
        }
        scans.push_back(MillisecondsSince(start));

        start = CClock::now();
        frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_OPTIONS_REFRESH, 0), 0);
        PaintPending(frame);
        refreshes.push_back(MillisecondsSince(start));
        CTestSeams::PumpUntilIdle();

        CPciFunction* root = doc->GetRoot();
        start = CClock::now();
        busView->OnUpdate(nullptr, CViewHints::HINT_MODEL_REBUILT, CViewHints::HintFromFunction(root));
        trees.push_back(MillisecondsSince(start));
        start = CClock::now();
        functionView->OnUpdate(busView, CViewHints::HINT_SELECTION_CHANGED, CViewHints::HintFromFunction(root));
        lists.push_back(MillisecondsSince(start));
        start = CClock::now();
        CConfigSpaceModel rows;
        rows.SetFunction(root);
        decodes.push_back(MillisecondsSince(start));
        start = CClock::now();
        frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        paints.push_back(MillisecondsSince(start));
        CTestSeams::PumpUntilIdle();
    }
    CConfigSpaceModel rows;
    rows.SetFunction(doc->GetRoot());
    size_t rowCount = rows.GetRows().size();
    double scanMs = Median(scans);
    double refreshMs = Median(refreshes);
    const char* machine = getenv("BRISCO_MACHINE");
    printf("%s: %zu functions, %u tree items\n", machine ? machine : "default machine", CountFunctions(*doc->GetRoot()),
           busView->GetTreeCtrl().GetCount());
    printf("  scan %.1f ms, Refresh %.1f ms (medians of %d): Refresh / scan %.2f\n", scanMs, refreshMs, kRounds,
           scanMs > 0 ? refreshMs / scanMs : 0.0);
    printf("  of the Refresh: tree rebuild with the root's register list %.1f ms, register list alone %.1f ms "
           "(its %zu rows decoded in %.2f ms), full repaint %.1f ms\n",
           Median(trees), Median(lists), rowCount, Median(decodes), Median(paints));

    ::CloseHandle(driver);
    frame->DestroyWindow();

    // brisco.exe as the user starts it: Refresh through its window, and what it holds
    // once its tree shows the machine.
    CBriscoProcess brisco;
    std::string why;
    if (!brisco.Start(ExpectedTreeItemCount(), &why)) {
        fprintf(stderr, "refresh_bench: %s\n", why.c_str());
        return 1;
    }
    driver = ::CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    std::vector<double> processScans, processRefreshes;
    for (int round = 0; round < kRounds; ++round) {
        CClock::time_point start = CClock::now();
        {
            CPciFunction root(driver);
        }
        processScans.push_back(MillisecondsSince(start));
        start = CClock::now();
        brisco.Send(brisco.Tree(), WM_COMMAND, MAKEWPARAM(ID_OPTIONS_REFRESH, 0), 0);
        processRefreshes.push_back(MillisecondsSince(start));
    }
    ::CloseHandle(driver);
    scanMs = Median(processScans);
    brisco.Settle();
    CProcessFootprint footprint = MeasureFootprint(brisco.Handle());
    // Under Wine GetGuiResources answers 0: USER objects are counted as the windows.
    printf("  brisco.exe: scan %.1f ms, Refresh %.1f ms: Refresh / scan %.2f; after the scan private %lu KiB, working "
           "set %lu KiB, "
           "GDI objects %lu, USER objects %lu, windows %lu\n",
           scanMs, Median(processRefreshes), scanMs > 0 ? Median(processRefreshes) / scanMs : 0.0,
           static_cast<unsigned long>(footprint.privateBytes / 1024),
           static_cast<unsigned long>(footprint.workingSet / 1024), footprint.gdiObjects,
           footprint.userObjects ? footprint.userObjects : footprint.windows, footprint.windows);
    DWORD exitCode = 0;
    brisco.ExitThroughMenu(&exitCode, &why);
    return 0;
}
