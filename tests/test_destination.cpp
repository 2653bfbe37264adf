// The destination page: the form test, the question about an existing
// directory, the free space, the one-level creation; and the directory
// browser.
#include "page_fixture.h"
#include "journal.h"
#include "test_support.h"

#include <dlgs.h>

namespace {

class Destination : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareSetupState();
        scratch = ScratchDir("destination");
    }
    void TearDown() override
    {
        JournalClose();
        RemoveTree(scratch);
    }
    std::string scratch;
};

// Expects one box with this text and icon, answers it with the button.
void ExpectBox(HWND page, const char *text, const char *icon, int answer)
{
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId())) << "no box: " << text;
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Velto Setup Program");
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), page);
    EXPECT_TRUE(UiAnswerMessageBox(box, answer));
}

void ExpectNoBox(void)
{
    UiMessageBox box;
    EXPECT_FALSE(UiWaitForMessageBox(&box, 400, GetCurrentProcessId())) << "unexpected: " << box.text;
}

const char *const cannotCreate =
    "Can not create directory !\nThe specified directory is either invalid or disk drive is write protected.";
const char *const exists =
    "The specified directory already exists !\nDo you still want to install into this directory ?";
const char *const noSpace = "There is no enough free space in the specified disk drive !";

// Next with the page left open after a message: Back ends the run.
void LeaveByBack(HWND page)
{
    EXPECT_TRUE(IsWindow(page)) << "the page closed";
    UiClick(page, IDC_BACK);
    EXPECT_TRUE(UiWaitGone(page));
}

TEST_F(Destination, ShowsTheProductAndTheDirectory)
{
    DrivePage(destinationPage, [](HWND page) {
        EXPECT_EQ(UiItemText(page, IDC_PAGE_TEXT), "Velto files are to be installed :");
        EXPECT_EQ(UiItemText(page, IDC_DESTINATION_PATH), "C:\\VELTO");
        LeaveByBack(page);
    });
}

TEST_F(Destination, TextsWithoutDriveFormAreRefused)
{
    const char *rows[] = {
        /* 0 */ "C:foo",
        /* 1 */ "\\\\server\\share",
        /* 2 */ "",
        /* 3 */ "C:",
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(std::string("row ") + std::to_string(i) + ": " + rows[i]);
        TEXT_COPY(g_setup.installDir, rows[i]);
        PageResult result = DrivePage(destinationPage, [](HWND page) {
            UiClick(page, IDC_NEXT);
            ExpectBox(page, cannotCreate, "exclamation", IDOK);
            ExpectNoBox();
            LeaveByBack(page);
        });
        EXPECT_EQ(result, PAGE_BACK);
    }
}

TEST_F(Destination, ExistingDirectoryAsksFirst)
{
    TEXT_COPY(g_setup.installDir, scratch.c_str());
    // Cancel: nothing more, the page stays.
    DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()));
        EXPECT_EQ(box.text, exists);
        EXPECT_EQ(box.icon, "question");
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK", "Cancel"}));
        UiAnswerMessageBox(box, IDCANCEL);
        ExpectNoBox();
        LeaveByBack(page);
    });
    // OK: the page closes with Next.
    PageResult result = DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        ExpectBox(page, exists, "question", IDOK);
        EXPECT_TRUE(UiWaitGone(page));
    });
    EXPECT_EQ(result, PAGE_NEXT);
    EXPECT_EQ(std::string(g_setup.installDir), scratch);
}

TEST_F(Destination, CreatesOneLevelOnly)
{
    std::string fresh = scratch + "\\new";
    TEXT_COPY(g_setup.installDir, fresh.c_str());
    PageResult result = DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        EXPECT_TRUE(UiWaitGone(page)) << "no question for a new directory";
    });
    EXPECT_EQ(result, PAGE_NEXT);
    EXPECT_EQ(DirectoryExists(fresh.c_str()), 1);

    std::string deep = scratch + "\\missing\\sub";
    TEXT_COPY(g_setup.installDir, deep.c_str());
    result = DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        ExpectBox(page, cannotCreate, "exclamation", IDOK);
        LeaveByBack(page);
    });
    EXPECT_EQ(result, PAGE_BACK);
    EXPECT_EQ(DirectoryExists((scratch + "\\missing").c_str()), 0);
}

// A drive that does not answer is not usable: message 33, never a pass.
TEST_F(Destination, DriveWithoutFreeSpaceAnswerIsRefused)
{
    char letter = 0;
    for (char c = 'Q'; c >= 'J' && letter == 0; c--) {
        char root[4] = { c, ':', '\\', '\0' };
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR)
            letter = c;
    }
    ASSERT_NE(letter, 0) << "no free drive letter";
    std::string path = std::string(1, letter) + ":\\VELTO";
    TEXT_COPY(g_setup.installDir, path.c_str());
    g_setup.minimumSpaceKb = 0;
    DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        ExpectBox(page, cannotCreate, "exclamation", IDOK);
        LeaveByBack(page);
    });
}

TEST_F(Destination, DirectoryExistsTellsDirectoriesOnly)
{
    WriteFileBytes(scratch + "\\file", "x");
    EXPECT_EQ(DirectoryExists(scratch.c_str()), 1);
    EXPECT_EQ(DirectoryExists((scratch + "\\file").c_str()), 0);
    EXPECT_EQ(DirectoryExists((scratch + "\\none").c_str()), 0);
    EXPECT_EQ(DirectoryExists("C:\\"), 1);
}

// ---- The browser ----

// Opens the browser from the page; returns it ready.
HWND OpenBrowser(HWND page)
{
    UiClick(page, IDC_BROWSE);
    HWND browser = UiWaitForBrowser(UI_TIMEOUT, GetCurrentProcessId());
    EXPECT_TRUE(browser != NULL) << "no Browse Directory dialog";
    if (browser != NULL)
        UiWaitItemText(browser, IDC_DESTINATION_PATH, g_setup.installDir);
    return browser;
}

TEST_F(Destination, BrowserStartsWithTheDirectoryAndTakesTheTypedOne)
{
    std::string longPath = "C:\\" + std::string(76, 'D');  // 79 characters, the most that fits
    char before[MAX_PATH];
    GetCurrentDirectoryA(sizeof(before), before);
    DrivePage(destinationPage, [&](HWND page) {
        HWND browser = OpenBrowser(page);
        ASSERT_TRUE(browser != NULL);
        EXPECT_EQ(UiText(browser), "Browse Directory");
        EXPECT_EQ(UiItemText(browser, IDC_DESTINATION_PATH), "C:\\VELTO");
        EXPECT_EQ(UiFocus(browser), UiItem(browser, IDC_DESTINATION_PATH)) << "the edit has the focus";
        DWORD_PTR selection = 0;
        SendMessageTimeoutA(UiItem(browser, IDC_DESTINATION_PATH), EM_GETSEL, 0, 0, SMTO_BLOCK, 2000, &selection);
        EXPECT_EQ(LOWORD(selection), 0);
        EXPECT_EQ(HIWORD(selection), 8) << "the whole text is selected";
        EXPECT_TRUE(UiSetItemText(browser, IDC_DESTINATION_PATH, longPath));
        UiPressKey(browser, VK_RETURN);
        EXPECT_TRUE(UiWaitGone(browser));
        EXPECT_EQ(UiWaitItemText(page, IDC_DESTINATION_PATH, longPath), longPath);
        LeaveByBack(page);
    });
    EXPECT_EQ(std::string(g_setup.installDir), longPath);
    char after[MAX_PATH];
    GetCurrentDirectoryA(sizeof(after), after);
    EXPECT_STREQ(after, before) << "the browser puts the current directory back";
}

// A path too long for installDir, typed or found by the refresh, is never
// cut into another directory: installDir is left empty, and Next refuses.
TEST_F(Destination, BrowserNeverCutsAPath)
{
    std::string deep = scratch + "\\" + std::string(60, 'L');
    ASSERT_GT(deep.size(), 79u);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    struct Row { std::string typed; } rows[] = {
        /* 0: 80 characters */ { "C:\\" + std::string(77, 'D') },
        /* 1 */                { "C:\\" + std::string(100, 'D') },
        /* 2: refreshed */     { "" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        TEXT_COPY(g_setup.installDir, "C:\\VELTO");
        DrivePage(destinationPage, [&](HWND page) {
            HWND browser = OpenBrowser(page);
            ASSERT_TRUE(browser != NULL);
            if (!rows[i].typed.empty()) {
                UiSetItemText(browser, IDC_DESTINATION_PATH, rows[i].typed);
            } else {
                // down from C:\ by double clicks into the deep directory
                std::string at = "C:";
                std::string steps[] = { "setup-tests", "destination", std::string(60, 'L') };
                for (const std::string &step : steps) {
                    int index = UiFindItem(UiListItems(browser, lst2), "[" + step + "]");
                    ASSERT_GE(index, 0) << step;
                    UiSelectListItem(browser, lst2, index, true);
                    at += "\\" + step;
                    EXPECT_EQ(lstrcmpiA(UiWaitItemText(browser, IDC_DESTINATION_PATH, at).c_str(), at.c_str()), 0);
                }
            }
            UiPressKey(browser, VK_RETURN);
            EXPECT_TRUE(UiWaitGone(browser));
            EXPECT_EQ(UiWaitItemText(page, IDC_DESTINATION_PATH, ""), "");
            UiClick(page, IDC_NEXT);
            ExpectBox(page, cannotCreate, "exclamation", IDOK);
            LeaveByBack(page);
        });
        EXPECT_STREQ(g_setup.installDir, "");
    }
}

// Every control of the browser's template has exactly its own styles:
// Tab stops only at the path and the two buttons.
TEST_F(Destination, BrowserControlStyles)
{
    const DWORD shown = WS_CHILD | WS_VISIBLE, hidden = WS_CHILD;
    struct Row { int id; DWORD style; } rows[] = {
        /*  0 */ { IDOK, shown | WS_TABSTOP | BS_DEFPUSHBUTTON },
        /*  1 */ { IDCANCEL, shown | WS_TABSTOP | BS_PUSHBUTTON },
        /*  2 */ { lst2, shown | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_SORT | LBS_HASSTRINGS | LBS_NOTIFY |
                         LBS_DISABLENOSCROLL },
        /*  3 */ { cmb2, shown | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_SORT | CBS_HASSTRINGS },
        /*  4 */ { stc1, shown | SS_LEFT | SS_NOPREFIX },
        /*  5 */ { cmb1, hidden | CBS_DROPDOWNLIST },
        /*  6 */ { edt1, hidden | ES_LEFT },
        /*  7 */ { stc3, shown | SS_LEFT },
        /*  8 */ { lst1, hidden },
        /*  9 */ { 0xFFFF, shown | SS_LEFT },
        /* 10 */ { stc2, hidden | SS_LEFT },
        /* 11 */ { stc4, shown | SS_LEFT },
        /* 12 */ { chx1, hidden | BS_CHECKBOX },
        /* 13 */ { stc5, hidden | SS_LEFT },
        /* 14 */ { 0xFFFF, shown | SS_BLACKFRAME | SS_SUNKEN },
        /* 15 */ { 0xFFFF, shown | SS_LEFT },
        /* 16 */ { IDC_DESTINATION_PATH, shown | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL },
    };
    DrivePage(destinationPage, [&](HWND page) {
        HWND browser = OpenBrowser(page);
        ASSERT_TRUE(browser != NULL);
        HWND control = GetWindow(browser, GW_CHILD);
        for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++, control = GetWindow(control, GW_HWNDNEXT)) {
            ASSERT_TRUE(control != NULL) << "row " << i << ": missing";
            EXPECT_EQ(GetDlgCtrlID(control) & 0xFFFF, rows[i].id) << "row " << i;
            // the platform draws a bordered edit or list with a client edge
            DWORD style = (DWORD)GetWindowLongA(control, GWL_STYLE);
            if (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
                style |= WS_BORDER;
            EXPECT_EQ(style, rows[i].style) << "row " << i << ": style " << std::hex << style;
        }
        EXPECT_TRUE(control == NULL) << "more controls than the template's";
        UiClick(browser, IDCANCEL);
        EXPECT_TRUE(UiWaitGone(browser));
        LeaveByBack(page);
    });
}

TEST_F(Destination, BrowserCancelKeepsTheOldText)
{
    DrivePage(destinationPage, [&](HWND page) {
        HWND browser = OpenBrowser(page);
        ASSERT_TRUE(browser != NULL);
        UiSetItemText(browser, IDC_DESTINATION_PATH, "D:\\OTHER");
        UiClick(browser, IDCANCEL);
        EXPECT_TRUE(UiWaitGone(browser));
        EXPECT_EQ(UiWaitItemText(page, IDC_DESTINATION_PATH, "C:\\VELTO"), "C:\\VELTO");
        LeaveByBack(page);
    });
    EXPECT_STREQ(g_setup.installDir, "C:\\VELTO");
}

// A click or a double click in the directory list and a change of drive
// put the dialog's current directory into the edit.
TEST_F(Destination, BrowserRefreshesFromTheDialog)
{
    DrivePage(destinationPage, [&](HWND page) {
        HWND browser = OpenBrowser(page);
        ASSERT_TRUE(browser != NULL);
        std::vector<std::string> directories = UiListItems(browser, lst2);
        int tests = UiFindItem(directories, "[setup-tests]");
        ASSERT_GE(tests, 0) << "C:\\ lists no [setup-tests]";

        UiSetItemText(browser, IDC_DESTINATION_PATH, "typed");
        UiSelectListItem(browser, lst2, tests, false);
        EXPECT_EQ(UiWaitItemText(browser, IDC_DESTINATION_PATH, "C:\\"), "C:\\") << "single click";

        UiSelectListItem(browser, lst2, tests, true);
        EXPECT_EQ(UiWaitItemText(browser, IDC_DESTINATION_PATH, "C:\\setup-tests"), "C:\\setup-tests")
            << "double click";

        std::vector<std::string> drives = UiComboItems(browser, cmb2);
        int z = UiFindItem(drives, "[-z-]");
        ASSERT_GE(z, 0) << "no drive Z: in the list";
        UiSelectComboItem(browser, cmb2, z);
        // the drive's listing may take a while: Z: is the whole Unix tree
        std::string text;
        UiWaitUntil([&]() {
            text = UiItemText(browser, IDC_DESTINATION_PATH);
            return lstrcmpiA(text.substr(0, 2).c_str(), "Z:") == 0;
        });
        EXPECT_EQ(lstrcmpiA(text.substr(0, 2).c_str(), "Z:"), 0) << text;

        UiClick(browser, IDOK);
        EXPECT_TRUE(UiWaitGone(browser));
        LeaveByBack(page);
    });
    EXPECT_EQ(lstrcmpiA(std::string(g_setup.installDir).substr(0, 2).c_str(), "Z:"), 0) << g_setup.installDir;
}

// ---- Free space, on the 1 MB drive S: ----

TEST_F(Destination, FreeSpaceAgainstTheMinimum)
{
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free))
        << "drive S: (tools/small-drive) is not there";
    ASSERT_LT(free.QuadPart, 32767ull * 1024) << "S: is not small";
    short freeKb = (short)(free.QuadPart / 1024);
    struct Row { short minimum; bool passes; } rows[] = {
        /* 0 */ { (short)(freeKb + 1), false },
        /* 1 */ { 32767, false },
        /* 2 */ { freeKb, true },
        /* 3 */ { 0, true },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i) + ", free " + std::to_string(freeKb) + " KB, minimum " +
                     std::to_string(rows[i].minimum));
        // the page journals the directory it makes: the journal goes with it
        JournalClose();
        RemoveTree("S:\\VELTO");
        TEXT_COPY(g_setup.installDir, "s:\\VELTO");
        g_setup.minimumSpaceKb = rows[i].minimum;
        PageResult result = DrivePage(destinationPage, [&](HWND page) {
            UiClick(page, IDC_NEXT);
            if (rows[i].passes) {
                EXPECT_TRUE(UiWaitGone(page));
            } else {
                ExpectBox(page, noSpace, "exclamation", IDOK);
                LeaveByBack(page);
            }
        });
        EXPECT_EQ(result, rows[i].passes ? PAGE_NEXT : PAGE_BACK);
        EXPECT_EQ(DirectoryExists("S:\\VELTO"), rows[i].passes ? 1 : 0);
    }
    JournalClose();
    RemoveTree("S:\\VELTO");
}

// A drive with far more than any minimum passes the largest one.
TEST_F(Destination, LargeDrivePassesAnyMinimum)
{
    TEXT_COPY(g_setup.installDir, (scratch + "\\big").c_str());
    g_setup.minimumSpaceKb = 32767;
    PageResult result = DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_NEXT);
        EXPECT_TRUE(UiWaitGone(page));
    });
    EXPECT_EQ(result, PAGE_NEXT);
}

}  // namespace
