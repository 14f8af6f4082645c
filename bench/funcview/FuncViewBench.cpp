// Figures of the function view under Wine: the time from selecting a function to its
// configuration list being painted, and for each unit width the device requests and the
// time it takes to paint a full screen of a BAR grid from an empty cache.
// Run it from the folder that holds pcidevs.txt, with the stand-in driver running.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "views/ViewHints.h"
#include "app/BriscoDoc.h"
#include "device/PciFunction.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "views/BarPage.h"
#include "views/PciFunctionView.h"

namespace {

constexpr char kDriverPath[] = "\\\\.\\briscodrvDevice";
// A full-screen pane of a 1024 x 768 screen below the tree.
constexpr int kPaneWidth = 1024;
constexpr int kPaneHeight = 700;
constexpr int kRounds = 5;
// The graphics card of the default machine: BAR 0 is 64 MiB of plain memory.
constexpr uint32_t kBus = 1;
constexpr uint32_t kDevice = 0;
constexpr uint32_t kFunction = 0;
constexpr int kBarTab = 1;
// The Ethernet controller of the default machine, also header layout 0.
constexpr uint32_t kOtherBus = 2;
constexpr uint32_t kOtherDevice = 1;
constexpr uint32_t kOtherFunction = 0;

class CBenchApp : public CWinApp {
public:
    BOOL InitInstance() override { return TRUE; }
};

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PaintNow(CWnd& window)
{
    window.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace

int main()
{
    CBenchApp app;
    app.InitApplication();
    HANDLE driver = ::CreateFileA(kDriverPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (driver == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "funcview-bench: the stand-in driver is not running\n");
        return 1;
    }
    CTestSeams::s_messageBox = [](const CMessageBoxRequest&) { return IDYES; };
    CTestSeams::s_trace = [](const std::string&) {};

    CWnd host;
    host.CreateEx(0, AfxRegisterWndClass(0), "Function view bench", WS_POPUP | WS_VISIBLE, 0, 0, kPaneWidth,
                  kPaneHeight, nullptr, nullptr);
    auto* view = new CPciFunctionView;
    view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, kPaneWidth, kPaneHeight), &host,
                 AFX_IDW_PANE_FIRST);
    view->OnInitialUpdate();
    view->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(kPaneWidth, kPaneHeight));
    CTestSeams::PumpUntilIdle();

    auto function = std::make_unique<CPciFunction>(driver, kBus, kDevice, kFunction);
    // Selections alternate with another function of the same header layout, as a user
    // moving through the tree makes them; selecting the same function again changes no row.
    auto other = std::make_unique<CPciFunction>(driver, kOtherBus, kOtherDevice, kOtherFunction);
    std::vector<double> selectTimes;
    for (int round = 0; round < kRounds; ++round) {
        view->OnUpdate(nullptr, CViewHints::HINT_SELECTION_CHANGED, CViewHints::HintFromFunction(other.get()));
        PaintNow(*view);
        const auto start = Clock::now();
        view->OnUpdate(nullptr, CViewHints::HINT_SELECTION_CHANGED, CViewHints::HintFromFunction(function.get()));
        PaintNow(*view);
        selectTimes.push_back(Milliseconds(start));
    }
    printf("select %02X:%02X.%X after %02X:%02X.%X to its configuration list painted: %.1f ms (median of %d)\n", kBus,
           kDevice, kFunction, kOtherBus, kOtherDevice, kOtherFunction, Median(selectTimes), kRounds);

    view->GetTabCtrl().SetCurSel(kBarTab);
    view->SelectTab(kBarTab, 0);
    auto* page = static_cast<CBarPage*>(view->GetPage(kBarTab));
    CWnd* grid = view->GetDlgItem(IDC_BAR0_LIST);
    const int rowsShown = static_cast<int>(grid->SendMessage(LVM_GETCOUNTPERPAGE));
    for (const UINT command : {ID_VIEW_8BIT, ID_VIEW_16BIT, ID_VIEW_32BIT}) {
        view->SendMessage(WM_COMMAND, command);
        std::vector<double> paintTimes;
        size_t requests = 0;
        for (int round = 0; round < kRounds; ++round) {
            page->Refresh();
            const auto start = Clock::now();
            PaintNow(*grid);
            paintTimes.push_back(Milliseconds(start));
            requests = page->GetCachedUnitCount();
        }
        const double paint = Median(paintTimes);
        printf("BAR grid, %d-byte units, %d rows: %zu driver requests, painted in %.1f ms (%.3f ms per request)\n",
               CBarPage::GetUnitWidth(), rowsShown, requests, paint, paint / static_cast<double>(requests));
        const auto start = Clock::now();
        PaintNow(*grid);
        printf("  painted again from the cache: %.1f ms, %zu requests in all\n", Milliseconds(start),
               page->GetCachedUnitCount());
    }

    view->DestroyWindow();
    host.DestroyWindow();
    ::CloseHandle(driver);
    return 0;
}
