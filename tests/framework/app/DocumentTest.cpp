// The document: saved under the name the dialog gives, opened from a file (or a missing one
// reported), and Exit, which closes the program and so runs last.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/framework/app/AppTest.h"

namespace {

TEST_F(AppTest, SaveWritesTheDocumentUnderTheNameTheDialogGives)
{
    char tempDir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempDir);
    std::string path = std::string(tempDir) + "framework-save-test.tst";
    ::DeleteFileA(path.c_str());
    int dialogs = 0;
    CTestSeams::s_fileDialog = [&](bool save, std::string& name) {
        ++dialogs;
        EXPECT_TRUE(save);
        EXPECT_EQ("Untitled.tst", name) << "the suggested name has the template's extension";
        name = path;
        return true;
    };
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, dialogs);
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    CDocument* document = m_frame->GetActiveDocument();
    EXPECT_EQ("framework-save-test.tst", document->GetTitle());
    EXPECT_EQ(path, document->GetPathName());
    EXPECT_EQ("framework-save-test.tst - Framework Test", m_frame->GetWindowText()) << "the caption follows at idle time";
    CTestSeams::PressKey('S', false, true);
    EXPECT_EQ(1, dialogs) << "a named document is saved without asking";

    // A name in a folder that does not exist: an error, and the document keeps its name.
    std::vector<CMessageBoxRequest> boxes;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        boxes.push_back(request);
        return IDOK;
    };
    std::string bad = std::string(tempDir) + "no-such-folder\\x.tst";
    EXPECT_FALSE(document->DoSave(bad.c_str()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find(bad)) << boxes[0].text;
    EXPECT_EQ(path, document->GetPathName());
    ::DeleteFileA(path.c_str());
}

TEST_F(AppTest, OpeningAFileReusesTheDocumentAndReportsAMissingOne)
{
    std::vector<CMessageBoxRequest> boxes;
    CTestSeams::s_messageBox = [&](const CMessageBoxRequest& request) {
        boxes.push_back(request);
        return IDOK;
    };
    CDocument* document = m_frame->GetActiveDocument();
    std::string title = document->GetTitle();
    char tempDir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempDir);
    std::string missing = std::string(tempDir) + "framework-missing.tst";
    ::DeleteFileA(missing.c_str());
    EXPECT_EQ(nullptr, s_app->OpenDocumentFile(missing.c_str()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find(missing)) << boxes[0].text;
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK), boxes[0].type);
    EXPECT_EQ(title, document->GetTitle());

    std::string existing = std::string(tempDir) + "framework-existing.tst";
    std::FILE* file = std::fopen(existing.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    int initialUpdates = m_frame->Tree()->m_initialUpdates;
    EXPECT_EQ(document, s_app->OpenDocumentFile(existing.c_str())) << "one document at a time";
    EXPECT_EQ("framework-existing.tst", document->GetTitle());
    EXPECT_EQ(initialUpdates + 1, m_frame->Tree()->m_initialUpdates) << "the views start over";
    EXPECT_EQ("framework-existing.tst - Framework Test", m_frame->GetWindowText());
    ::DeleteFileA(existing.c_str());
}

TEST_F(AppTest, ExitClosesTheFrameAndEndsTheLoop)
{
    CDocument* document = m_frame->GetActiveDocument();
    m_frame->SendMessage(WM_COMMAND, ID_APP_EXIT);
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    EXPECT_EQ(nullptr, document->GetFirstViewPosition()) << "the views went with the frame";
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
