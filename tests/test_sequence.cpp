// The page sequence of the running program: SETUP.EXE started from a
// scratch package folder and driven from here.
#include "page_fixture.h"
#include "test_support.h"

namespace {

class Sequence : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = ScratchDir("sequence");
        ASSERT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE,
                                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                             "Kestrel"), "<absent>")
            << "a Kestrel start-up entry makes SETUP.EXE refuse";
        ASSERT_TRUE(CopyFileA((ProgramDir() + "\\SETUP.EXE").c_str(), (folder + "\\SETUP.EXE").c_str(), FALSE));
    }
    void TearDown() override
    {
        if (process.hProcess != NULL)
            UiWaitProcess(&process, 1, NULL);
        RemoveTree(folder);
    }
    void Start(const std::string &main)
    {
        WriteFileBytes(folder + "\\SETUP.INF",
                       "[Main]\r\nProductName=Velto\r\nDefaultPath=C:\\setup-tests\\sequence\\target\r\n" + main);
        ASSERT_TRUE(UiStartProcess("\"" + folder + "\\SETUP.EXE\"", folder, &process));
    }
    // Waits for the page of the child; the earlier one must be gone.
    HWND Page(const char *className)
    {
        HWND page = UiWaitForPage(className, UI_TIMEOUT, process.dwProcessId);
        EXPECT_TRUE(page != NULL) << "no " << className << " page";
        return page;
    }
    void Press(HWND page, int id)
    {
        UiClick(page, id);
        EXPECT_TRUE(UiWaitGone(page)) << "the page stayed after " << id;
    }
    void ExpectWarningAndEnd(HWND page)
    {
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId, page));
        EXPECT_EQ(box.text, "Velto installation is not completed !");
        EXPECT_EQ(box.caption, "Velto Setup Program");
        EXPECT_EQ(box.icon, "exclamation");
        EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
        UiAnswerMessageBox(box, IDOK);
        DWORD code = 99;
        EXPECT_TRUE(UiWaitProcess(&process, UI_TIMEOUT, &code)) << "SETUP.EXE did not end";
        EXPECT_EQ(code, 0u);
    }
    std::string folder;
    PROCESS_INFORMATION process = {};
};

TEST_F(Sequence, BackAndNextWithTheMouseTypePage)
{
    Start("DefaultSerialMouse=1\r\n");
    HWND page = Page("SETUP_BEGIN");
    if (page == NULL) return;
    EXPECT_EQ(UiText(page), "Velto Setup");
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELMOUSE");
    if (page == NULL) return;
    EXPECT_EQ(UiIsChecked(page, IDC_SERIAL_MOUSE), BST_CHECKED);
    UiClick(page, IDC_PS2_MOUSE);
    Press(page, IDC_BACK);
    page = Page("SETUP_BEGIN");
    if (page == NULL) return;
    UiPressKey(page, VK_RETURN);                 // Enter is Next
    EXPECT_TRUE(UiWaitGone(page));
    page = Page("SETUP_SELMOUSE");
    if (page == NULL) return;
    EXPECT_EQ(UiIsChecked(page, IDC_PS2_MOUSE), BST_CHECKED) << "Back kept the choice";
    EXPECT_TRUE(UiIsEnabled(page, IDC_BACK));
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    if (page == NULL) return;
    EXPECT_EQ(UiItemText(page, IDC_DESTINATION_PATH), "C:\\setup-tests\\sequence\\target");
    Press(page, IDC_BACK);
    page = Page("SETUP_SELMOUSE");
    if (page == NULL) return;
    EXPECT_EQ(UiIsChecked(page, IDC_PS2_MOUSE), BST_CHECKED);
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    if (page == NULL) return;
    UiPressKey(page, VK_ESCAPE);                 // Esc is Cancel
    ExpectWarningAndEnd(page);
}

TEST_F(Sequence, Ps2OnlySkipsTheMouseTypePage)
{
    Start("PS2Only=1\r\nDefaultSerialMouse=1\r\n");
    HWND page = Page("SETUP_BEGIN");
    if (page == NULL) return;
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    if (page == NULL) return;
    EXPECT_EQ(UiFindWindow("SETUP_SELMOUSE", NULL, process.dwProcessId), (HWND)NULL);
    Press(page, IDC_BACK);
    page = Page("SETUP_BEGIN");
    if (page == NULL) return;
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    if (page == NULL) return;
    UiClick(page, IDC_CANCEL);
    ExpectWarningAndEnd(page);
}

// Cancel on the first two pages, by button and by Esc.
TEST_F(Sequence, CancelEndsTheRun)
{
    struct Row { int pages; bool byKey; } rows[] = {
        /* 0 */ { 1, false },
        /* 1 */ { 2, true },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        Start("");
        HWND page = Page("SETUP_BEGIN");
        if (page == NULL) return;
        if (rows[i].pages == 2) {
            Press(page, IDC_NEXT);
            page = Page("SETUP_SELMOUSE");
            if (page == NULL) return;
        }
        if (rows[i].byKey)
            UiPressKey(page, VK_ESCAPE);
        else
            UiClick(page, IDC_CANCEL);
        ExpectWarningAndEnd(page);
    }
}

}  // namespace
