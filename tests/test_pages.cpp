// The welcome, mouse type and finish pages, and what every page shares:
// caption, size, position, Next, Back, Cancel, Enter and Esc.
#include "page_fixture.h"
#include "test_support.h"

#include <stdlib.h>

#include <map>
#include <vector>

namespace {

class Pages : public ::testing::Test {
protected:
    void SetUp() override { PrepareSetupState(); }
};

TEST_F(Pages, WelcomeGreetsWithTheProductAndNextEnds)
{
    PageResult result = DrivePage(welcomePage, [](HWND page) {
        EXPECT_EQ(UiText(page), "Velto Setup");
        EXPECT_EQ(UiItemText(page, IDC_WELCOME_TEXT),
                  "This program will install Velto into your computer.");
        EXPECT_EQ(UiItemText(page, IDC_PAGE_TEXT), " Welcome to the Setup Program.");
        EXPECT_EQ(UiItemText(page, IDC_NEXT), "&Next >");
        EXPECT_FALSE(UiIsEnabled(page, IDC_BACK)) << "the welcome page has no Back";
        UiClick(page, IDC_NEXT);
        EXPECT_TRUE(UiWaitGone(page));
    });
    EXPECT_EQ(result, PAGE_NEXT);
}

// Cancel, by its button and by Esc, on each page that offers it: the
// warning, then the page ends with Cancel.
TEST_F(Pages, CancelWarnsAndEnds)
{
    struct Row { const PageKind *page; bool byKey; } rows[] = {
        /* 0 */ { &welcomePage, false },
        /* 1 */ { &welcomePage, true },
        /* 2 */ { &mouseTypePage, false },
        /* 3 */ { &mouseTypePage, true },
        /* 4 */ { &destinationPage, false },
        /* 5 */ { &destinationPage, true },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        g_setup.pageResult = PAGE_NEXT;
        PageResult result = DrivePage(*rows[i].page, [&](HWND page) {
            if (rows[i].byKey)
                UiPressKey(page, VK_ESCAPE);
            else
                UiClick(page, IDC_CANCEL);
            ExpectNotCompletedWarning(page);
            EXPECT_TRUE(UiWaitGone(page));
        });
        EXPECT_EQ(result, PAGE_CANCEL);
    }
}

// A close the page did not ask for (Alt+F4 turns into SC_CLOSE): Cancel
// with the warning, on the destination page also after a refused Next;
// Finish with the choice shown on the finish page.
TEST_F(Pages, UnaskedCloseIsCancelOrFinish)
{
    struct Row { const PageKind *page; int click; PageResult expect; int restart; } rows[] = {
        /* 0 */ { &welcomePage, 0, PAGE_CANCEL, 1 },
        /* 1 */ { &mouseTypePage, 0, PAGE_CANCEL, 1 },
        /* 2 */ { &destinationPage, IDC_NEXT, PAGE_CANCEL, 1 },
        /* 3 */ { &finishPage, IDC_RESTART_LATER, PAGE_BACK, 0 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        TEXT_COPY(g_setup.installDir, "C:foo");
        g_setup.pageResult = PAGE_BACK;
        g_setup.restartAfterFinish = 1;
        PageResult result = DrivePage(*rows[i].page, [&](HWND page) {
            if (rows[i].click == IDC_NEXT) {
                UiClick(page, IDC_NEXT);
                UiMessageBox box;
                ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()));
                UiAnswerMessageBox(box, IDOK);
            } else if (rows[i].click != 0) {
                UiClick(page, rows[i].click);
                UiWaitUntil([&]() { return UiIsChecked(page, rows[i].click) == BST_CHECKED; });
            }
            PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (rows[i].expect == PAGE_CANCEL)
                ExpectNotCompletedWarning(page);
            EXPECT_TRUE(UiWaitGone(page));
        });
        EXPECT_EQ(result, rows[i].expect);
        EXPECT_EQ(g_setup.restartAfterFinish, rows[i].restart);
    }
}

// Enter is Next on every page; the finish page stores no result.
TEST_F(Pages, EnterIsNext)
{
    std::string scratch = ScratchDir("enter");
    struct Row { const PageKind *page; PageResult expect; } rows[] = {
        /* 0 */ { &welcomePage, PAGE_NEXT },
        /* 1 */ { &mouseTypePage, PAGE_NEXT },
        /* 2 */ { &destinationPage, PAGE_NEXT },
        /* 3 */ { &finishPage, 7 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        TEXT_COPY(g_setup.installDir, (scratch + "\\new").c_str());
        g_setup.pageResult = 7;
        PageResult result = DrivePage(*rows[i].page, [&](HWND page) {
            UiPressKey(page, VK_RETURN);
            EXPECT_TRUE(UiWaitGone(page));
        });
        EXPECT_EQ(result, rows[i].expect);
    }
    RemoveTree(scratch);
}

// The mouse choice shows the stored value, is kept at the click and
// survives Back; Back follows backEnabled.
TEST_F(Pages, MouseTypeShowsAndKeepsTheChoice)
{
    struct Row { int serial; int backEnabled; int click; int button; int expectSerial; PageResult expect; } rows[] = {
        /* 0 */ { 1, 1, 0, IDC_NEXT, 1, PAGE_NEXT },
        /* 1 */ { 0, 1, 0, IDC_NEXT, 0, PAGE_NEXT },
        /* 2 */ { 1, 1, IDC_PS2_MOUSE, IDC_BACK, 0, PAGE_BACK },
        /* 3 */ { 0, 1, IDC_SERIAL_MOUSE, IDC_NEXT, 1, PAGE_NEXT },
        /* 4 */ { 1, 0, IDC_PS2_MOUSE, IDC_NEXT, 0, PAGE_NEXT },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        g_setup.serialMouse = rows[i].serial;
        g_setup.backEnabled = rows[i].backEnabled;
        PageResult result = DrivePage(mouseTypePage, [&](HWND page) {
            EXPECT_EQ(UiIsChecked(page, IDC_SERIAL_MOUSE), rows[i].serial ? BST_CHECKED : BST_UNCHECKED);
            EXPECT_EQ(UiIsChecked(page, IDC_PS2_MOUSE), rows[i].serial ? BST_UNCHECKED : BST_CHECKED);
            EXPECT_EQ(UiIsEnabled(page, IDC_BACK), rows[i].backEnabled != 0);
            if (rows[i].click != 0) {
                UiClick(page, rows[i].click);
                UiWaitUntil([&]() { return UiIsChecked(page, rows[i].click) == BST_CHECKED; });
                EXPECT_EQ(UiIsChecked(page, rows[i].click), BST_CHECKED);
            }
            UiClick(page, rows[i].button);
            EXPECT_TRUE(UiWaitGone(page));
        });
        EXPECT_EQ(result, rows[i].expect);
        EXPECT_EQ(g_setup.serialMouse, rows[i].expectSerial);
    }
    // After Back with PS/2 chosen, the page shows PS/2 again.
    g_setup.backEnabled = 1;
    DrivePage(mouseTypePage, [](HWND page) {
        EXPECT_EQ(UiIsChecked(page, IDC_PS2_MOUSE), BST_CHECKED);
        UiClick(page, IDC_NEXT);
        UiWaitGone(page);
    });
}

// The restart choice: kept by Finish or Enter, cleared by "later".
TEST_F(Pages, FinishRestartChoice)
{
    struct Row { int restart; int click; UINT key; int expect; } rows[] = {
        /* 0 */ { 1, 0, 0, 1 },
        /* 1 */ { 1, 0, VK_RETURN, 1 },
        /* 2 */ { 1, IDC_RESTART_LATER, 0, 0 },
        /* 3 */ { 1, IDC_RESTART_LATER, VK_RETURN, 0 },
        /* 4 */ { 0, 0, 0, 0 },
        /* 5 */ { 0, IDC_RESTART_NOW, 0, 0 },   /* nothing sets it back to 1 */
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        g_setup.restartAfterFinish = rows[i].restart;
        g_setup.pageResult = PAGE_BACK;
        PageResult result = DrivePage(finishPage, [&](HWND page) {
            EXPECT_EQ(UiItemText(page, IDC_PAGE_TEXT), "You have installed Velto Successfully !");
            EXPECT_EQ(UiIsChecked(page, IDC_RESTART_NOW), rows[i].restart ? BST_CHECKED : BST_UNCHECKED);
            EXPECT_EQ(UiIsChecked(page, IDC_RESTART_LATER), rows[i].restart ? BST_UNCHECKED : BST_CHECKED);
            if (rows[i].click != 0) {
                UiClick(page, rows[i].click);
                UiWaitUntil([&]() { return UiIsChecked(page, rows[i].click) == BST_CHECKED; });
            }
            if (rows[i].key != 0)
                UiPressKey(page, rows[i].key);
            else
                UiClick(page, IDC_NEXT);
            EXPECT_TRUE(UiWaitGone(page));
        });
        EXPECT_EQ(result, PAGE_BACK) << "the finish page stores no result";
        EXPECT_EQ(g_setup.restartAfterFinish, rows[i].expect);
    }
}

// Esc on the finish page: no warning, the page stays.
TEST_F(Pages, EscOnFinishDoesNothing)
{
    DrivePage(finishPage, [](HWND page) {
        UiPressKey(page, VK_ESCAPE);
        UiMessageBox box;
        EXPECT_FALSE(UiWaitForMessageBox(&box, 800, GetCurrentProcessId())) << box.text;
        EXPECT_TRUE(IsWindow(page)) << "Esc closed the finish page";
        UiClick(page, IDC_NEXT);
        EXPECT_TRUE(UiWaitGone(page));
    });
}

// Caption and "%s" texts: the product name goes in each time a page runs,
// from the template's own texts.
TEST_F(Pages, CaptionAndTextsTakeTheProductEachRun)
{
    struct Row { const char *product; const char *caption; const char *text; } rows[] = {
        /* 0 */ { "Velto", "Velto Setup", "This program will install Velto into your computer." },
        /* 1 */ { "Other", "Other Setup", "This program will install Other into your computer." },
        /* 2 */ { "", " Setup", "This program will install  into your computer." },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        TEXT_COPY(g_setup.productName, rows[i].product);
        DrivePage(welcomePage, [&](HWND page) {
            EXPECT_EQ(UiText(page), rows[i].caption);
            EXPECT_EQ(UiItemText(page, IDC_WELCOME_TEXT), rows[i].text);
            UiClick(page, IDC_NEXT);
            UiWaitGone(page);
        });
    }
}

// With an empty product name the warning starts with its blank.
TEST_F(Pages, WarningWithEmptyProduct)
{
    g_setup.productName[0] = '\0';
    TEXT_COPY(g_setup.caption, " Setup Program");
    DrivePage(welcomePage, [](HWND page) {
        UiClick(page, IDC_CANCEL);
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()));
        EXPECT_EQ(box.text, " installation is not completed !");
        EXPECT_EQ(box.caption, " Setup Program");
        UiAnswerMessageBox(box, IDOK);
        UiWaitGone(page);
    });
}

// At every screen depth (the entries pages_16bpp and pages_8bpp run it
// at 16 bpp and at 256 colours too): every text of every page stands
// out from the face it is drawn on.
BOOL CALLBACK CollectTexts(HWND child, LPARAM list)
{
    char className[16];
    GetClassNameA(child, className, sizeof(className));
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT &&
        !UiText(child).empty() && IsWindowVisible(child))
        ((std::vector<HWND> *)list)->push_back(child);
    return TRUE;
}

int Brightness(DWORD pixel)
{
    return (int)(((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 + (pixel & 0xFF)) / 10;
}

TEST_F(Pages, TextsReadableAtAnyDepth)
{
    const PageKind *pages[] = { &welcomePage, &mouseTypePage, &destinationPage, &finishPage };
    HDC screen = GetDC(NULL);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);
    for (const PageKind *kind : pages) {
        SCOPED_TRACE(testing::Message() << kind->name << " page at " << depth << " bpp");
        g_setup.pageResult = PAGE_NEXT;
        DrivePage(*kind, [&](HWND page) {
            UiWaitPainted(page);
            std::vector<HWND> texts;
            EnumChildWindows(page, CollectTexts, (LPARAM)&texts);
            EXPECT_GE(texts.size(), 1u);
            for (HWND text : texts) {
                // the face is the control's commonest colour; the text's
                // pixels differ from it in brightness by half the scale
                std::vector<DWORD> pixels = UiScreenPixels(UiWindowRect(text));
                std::map<DWORD, int> counts;
                for (DWORD p : pixels)
                    counts[p & 0xFFFFFF]++;
                DWORD face = 0;
                int most = 0;
                for (auto &c : counts) {
                    if (c.second > most) {
                        most = c.second;
                        face = c.first;
                    }
                }
                int contrasting = 0;
                for (DWORD p : pixels)
                    contrasting += abs(Brightness(p) - Brightness(face)) >= 128;
                EXPECT_GE(contrasting, 10) << "text \"" << UiText(text) << "\" hardly shows on face "
                                           << std::hex << face;
            }
            if (kind == &finishPage) {
                UiClick(page, IDC_NEXT);
            } else {
                UiClick(page, IDC_CANCEL);
                ExpectNotCompletedWarning(page);
            }
            EXPECT_TRUE(UiWaitGone(page));
        });
    }
}

}  // namespace
