#include "page_fixture.h"

const PageKind welcomePage = { "welcome", "SETUP_BEGIN", WelcomePageProc, IDD_WELCOME };
const PageKind mouseTypePage = { "mouse type", "SETUP_SELMOUSE", MouseTypePageProc, IDD_MOUSE_TYPE };
const PageKind destinationPage = { "destination", "SETUP_SELDIR", DestinationPageProc, IDD_DESTINATION };
const PageKind finishPage = { "finish", "SETUP_END", FinishPageProc, IDD_FINISH };

void PrepareSetupState(void)
{
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.productName, "Velto");
    TEXT_COPY(g_setup.caption, "Velto Setup Program");
    TEXT_COPY(g_setup.installDir, "C:\\VELTO");
    g_setup.screenWidth = (short)GetSystemMetrics(SM_CXSCREEN);
    g_setup.screenHeight = (short)GetSystemMetrics(SM_CYSCREEN);
    g_setup.mainWindow = NULL;
}

PageResult DrivePage(const PageKind &page, const std::function<void(HWND)> &script)
{
    SCOPED_TRACE(std::string("page ") + page.name);
    PageResult result = -1;
    bool clean = UiDrive(
        [&]() {
            HWND window = UiWaitForPage(page.className, UI_TIMEOUT, GetCurrentProcessId());
            EXPECT_TRUE(window != NULL) << "no " << page.className << " page appeared";
            if (window != NULL)
                script(window);
        },
        [&]() { result = RunPage(page.className, page.pageProc, page.templateId); });
    EXPECT_TRUE(clean) << "the page had to be closed by force";
    EXPECT_EQ(UiFindWindow(page.className, NULL, GetCurrentProcessId()), (HWND)NULL)
        << "the page is still there after RunPage";
    return result;
}

void ExpectNotCompletedWarning(HWND page)
{
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()))
        << "no not-completed warning";
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    EXPECT_EQ(box.caption, "Velto Setup Program");
    EXPECT_EQ(box.icon, "exclamation");
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), page) << "the warning belongs to the page";
    EXPECT_TRUE(UiAnswerMessageBox(box, IDOK));
}
