// The welcome, mouse type and finish pages, and what every page shares:
// caption, size, position, Next, Back, Cancel, Enter and Esc.
#include "page_fixture.h"
#include "test_support.h"

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

}  // namespace
