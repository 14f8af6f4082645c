// A function view in a window of its own, fed with functions of the machine that the
// stand-in driver serves, and the seams through which the tests answer its questions
// and hear its beeps and traces.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/EditListCtrl.h"
#include "device/PciFunction.h"
#include "framework/Framework.h"
#include "res/resource.h"
#include "tests/support/TraceCapture.h"
#include "views/BarPage.h"
#include "views/ConfigSpacePage.h"
#include "views/PciFunctionView.h"

class FunctionViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A function of the machine with its image read afresh and its sizes as first found.
    // Reading names is slow under Wine, so each function is built once per program.
    CPciFunction* ReadFunction(uint32_t bus, uint32_t device, uint32_t function) const;
    // What the tree view does when an item is selected.
    void Select(CPciFunction* function);
    // What a click on a tab does.
    void ClickTab(int index);
    std::vector<std::string> TabTexts() const;
    int CurrentTab() const;

    CEditListCtrl& ConfigList() const;
    CListCtrl& BarList(int barIndex) const;
    CBarPage* BarPage(int barIndex) const;
    // Paints whatever of the view is invalid, as the message loop would.
    void Paint() const;
    std::vector<std::string> Headings(CListCtrl& list) const;

    // The middle of a cell, in the list's client coordinates.
    static CPoint CellMiddle(CListCtrl& list, int row, int column);
    // Double-clicks a cell's middle, the way the user opens an edit.
    void DoubleClickCell(CListCtrl& list, int row, int column) const;
    HWND OpenEdit() const;
    // Replaces the text of the open edit and leaves it with a key (Enter, Escape ...).
    void TypeAndEnd(const std::string& text, UINT endKey) const;

    // The clipboard's text, as a paste would see it.
    static std::string ClipboardText();

    // Ctrl+G with the text typed into its dialog and OK pressed; a message shown (which is
    // recorded and returned) is followed by Cancel.
    std::vector<std::string> GoToOffset(const std::string& typed);

    // Answers message boxes in order (IDYES, IDNO ...); each question asked is recorded.
    void Answer(std::vector<int> answers);

    static HANDLE s_driver;
    struct CKnownFunction;
    static std::vector<CKnownFunction>* s_functions;
    static CWnd* s_host;
    CPciFunctionView* m_view = nullptr;
    std::vector<std::string> m_questions;
    std::vector<int> m_answers;
    std::vector<UINT> m_beeps;
    CTraceCapture m_trace;
};

// Addresses of the functions of the default machine the tests use.
struct CFunctionAddress {
    uint32_t bus;
    uint32_t device;
    uint32_t function;
};
constexpr CFunctionAddress kVga = {1, 0, 0};          // BAR 0 RAM, BAR 1 I/O, BAR 2 with read-only bytes
constexpr CFunctionAddress kScsi = {0, 0x0c, 0};      // no registry record: sizes must be probed
constexpr CFunctionAddress kEthernet = {2, 1, 0};     // 64-bit BAR 0, I/O BAR 2
constexpr CFunctionAddress kCardBus = {2, 0, 0};
constexpr CFunctionAddress kAgpBridge = {0, 1, 0};
constexpr CFunctionAddress kUsb = {0, 7, 2};          // I/O BAR 4 of 32 ports
