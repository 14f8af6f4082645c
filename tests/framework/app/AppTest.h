#pragma once
// A small document/view program built on the framework and driven in-process through the
// test seams: a frame with toolbar and status bar, a static splitter with a tree view and
// a form view, a modal dialog, an owner-drawn context menu and the document commands.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "framework/Framework.h"
#include "tests/framework/app/TestApp.h"
#include "tests/framework/app/TestFrame.h"
#include "tests/support/StartedApp.h"

// Shows rectangles in failure messages as their four edges.
void PrintTo(const CRect& rect, std::ostream* os);

// The program, started once for every test of every file: the tests run in the order given
// in CMakeLists.txt, so that start-up is checked first and Exit ends the program last. Each
// test begins with the tree view active.
class AppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    void ActivateTree();
    void ActivateForm();
    bool IsButtonEnabled(UINT nID) const;
    std::string StatusText() const;
    // A child of the frame in the frame's client coordinates.
    CRect ChildRect(CWnd& child) const;

    static std::unique_ptr<CStartedApp<CTestApp>> s_app;
    CTestFrame* m_frame = nullptr;
};
