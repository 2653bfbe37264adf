// Pictures of every page for a person to look at. Not part of the test
// run: tools/screenshots runs it with the output folder in
// SETUP_SCREENSHOTS and turns the BMP files into PNG.
#include <stdlib.h>

#include "page_fixture.h"
#include "test_support.h"

namespace {

std::string ShotPath(const char *name)
{
    const char *folder = getenv("SETUP_SCREENSHOTS");
    return std::string(folder != NULL ? folder : ".") + "\\" + name + ".bmp";
}

// The page alone, then Cancel or Next to end it.
void Shoot(const PageKind &kind, const char *name)
{
    DrivePage(kind, [&](HWND page) {
        UiPause(300);
        EXPECT_TRUE(UiSaveScreenshot(ShotPath(name), page)) << name;
        if (kind.pageProc == FinishPageProc || kind.pageProc == WelcomePageProc) {
            UiClick(page, IDC_NEXT);
        } else {
            UiClick(page, IDC_BACK);
        }
        UiWaitGone(page);
    });
}

TEST(DISABLED_Screenshots, EveryPage)
{
    PrepareSetupState();
    Shoot(welcomePage, "welcome");
    Shoot(mouseTypePage, "mousetype");
    Shoot(destinationPage, "destination");
    Shoot(finishPage, "finish");
    DrivePage(destinationPage, [](HWND page) {
        UiClick(page, IDC_BROWSE);
        HWND browser = UiWaitForBrowser(UI_TIMEOUT, GetCurrentProcessId());
        ASSERT_TRUE(browser != NULL);
        UiPause(300);
        EXPECT_TRUE(UiSaveScreenshot(ShotPath("browser"), browser));
        EXPECT_TRUE(UiSaveScreenshot(ShotPath("screen"), NULL));
        UiClick(browser, IDCANCEL);
        UiWaitGone(browser);
        UiClick(page, IDC_BACK);
        UiWaitGone(page);
    });
}

}  // namespace
