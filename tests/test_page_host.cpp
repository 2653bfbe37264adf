// The page host: RunPage's ending in its odd cases, and the size and
// position every page takes.
#include "page_fixture.h"

namespace {

class PageHost : public ::testing::Test {
protected:
    void SetUp() override { PrepareSetupState(); }
};

// A page procedure that closes its page inside PAGE_INIT and then, as
// long work does, takes every message off the queue, the quit included.
LRESULT CALLBACK SelfClosingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG pending;
    switch (LOWORD(message)) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case PAGE_INIT:
        g_setup.pageResult = PAGE_BACK;
        SendMessageA(page, WM_CLOSE, 0, 0);
        while (PeekMessageA(&pending, NULL, 0, 0, PM_REMOVE))
            ;
        return 0;
    }
    return DefWindowProcA(page, message, wParam, lParam);
}

TEST_F(PageHost, PageGoneDuringInitEndsTheRun)
{
    // The template names its class; run it with the test procedure.
    UnregisterClassA("SETUP_BEGIN", g_setup.instance);
    g_setup.pageResult = PAGE_NEXT;
    DWORD start = GetTickCount();
    PageResult result = -1;
    bool clean = UiDrive([]() { UiPause(100); },
                         [&]() { result = RunPage("SETUP_BEGIN", SelfClosingPageProc, IDD_WELCOME); },
                         10000);
    DWORD took = GetTickCount() - start;
    UnregisterClassA("SETUP_BEGIN", g_setup.instance);
    EXPECT_TRUE(clean) << "RunPage waited for a page that was gone";
    EXPECT_EQ(result, PAGE_BACK);
    EXPECT_LT(took, 5000u);
    // No quit message is left for the next page.
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(PageHost, MissingTemplateReturnsCancelAtOnce)
{
    g_setup.pageResult = PAGE_NEXT;
    DWORD start = GetTickCount();
    PageResult result = -1;
    bool clean = UiDrive([]() { UiPause(100); },
                         [&]() { result = RunPage("SETUP_MISSING", WelcomePageProc, 999); }, 10000);
    EXPECT_TRUE(clean);
    EXPECT_EQ(result, PAGE_CANCEL);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

// A page whose earlier run the user left keeps nothing of it: the second
// run starts from the template.
TEST_F(PageHost, SecondRunRegistersNothingNew)
{
    for (int run = 0; run < 2; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        PageResult result = DrivePage(mouseTypePage, [](HWND page) {
            EXPECT_EQ(UiItemText(page, IDC_NEXT), "&Next >");
            UiClick(page, IDC_BACK);
            UiWaitGone(page);
        });
        EXPECT_EQ(result, PAGE_BACK);
    }
}

struct Placement { RECT rect; RECT client; RECT mapped; };

Placement PlaceOf(HWND page)
{
    Placement placement;
    placement.rect = UiWindowRect(page);
    GetClientRect(page, &placement.client);
    SetRect(&placement.mapped, 0, 0, 280, 183);
    MapDialogRect(page, &placement.mapped);
    return placement;
}

// The page grows by one pixel each way and is centred on the saved
// screen size (the finish page on the size of the moment), negative
// differences halved toward zero.
TEST_F(PageHost, SizeAndCentring)
{
    Placement measured;
    DrivePage(welcomePage, [&](HWND page) {
        measured = PlaceOf(page);
        UiClick(page, IDC_NEXT);
        UiWaitGone(page);
    });
    int width = measured.rect.right - measured.rect.left;
    int height = measured.rect.bottom - measured.rect.top;
    EXPECT_EQ(measured.client.right, measured.mapped.right + 1) << "client width";
    EXPECT_EQ(measured.client.bottom, measured.mapped.bottom + 1) << "client height";

    struct Row { const PageKind *page; int screenWidth; int screenHeight; int x; int y; } rows[] = {
        /* 0 */ { &welcomePage, 1000, 700, (1000 - width) / 2, (700 - height) / 2 },
        /* 1 */ { &mouseTypePage, width + 11, height + 9, 5, 4 },
        /* 2 */ { &destinationPage, width - 3, height - 4, -1, -2 },
        /* 3 */ { &welcomePage, width - 1, height, 0, 0 },
        /* 4 */ { &finishPage, 100, 100, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        g_setup.screenWidth = (short)rows[i].screenWidth;
        g_setup.screenHeight = (short)rows[i].screenHeight;
        RECT rect = { 0, 0, 0, 0 };
        DrivePage(*rows[i].page, [&](HWND page) {
            rect = UiWindowRect(page);
            UiClick(page, rows[i].page == &finishPage ? IDC_NEXT : IDC_CANCEL);
            UiMessageBox box;
            if (rows[i].page != &finishPage && UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()))
                UiAnswerMessageBox(box, IDOK);
            UiWaitGone(page);
        });
        EXPECT_EQ(rect.left, rows[i].x);
        EXPECT_EQ(rect.top, rows[i].y);
        EXPECT_EQ(rect.right - rect.left, width);
        EXPECT_EQ(rect.bottom - rect.top, height);
    }
}

// Run on a 640 x 480 screen: the page sits where that screen centres it.
TEST_F(PageHost, SmallScreenPlacement)
{
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 640) << "run with WINERUN_SCREEN=640x480x24";
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    Placement measured;
    DrivePage(welcomePage, [&](HWND page) {
        measured = PlaceOf(page);
        UiClick(page, IDC_NEXT);
        UiWaitGone(page);
    });
    int width = measured.rect.right - measured.rect.left;
    int height = measured.rect.bottom - measured.rect.top;
    // Under Wine's Arial the template measures 426 x 300 before it grows.
    EXPECT_EQ(measured.client.right, measured.mapped.right + 1);
    EXPECT_EQ(measured.rect.left, (640 - width) / 2) << "width " << width;
    EXPECT_EQ(measured.rect.top, (480 - height) / 2) << "height " << height;
    std::cout << "page " << width << " x " << height << " at (" << measured.rect.left << ", "
              << measured.rect.top << ")\n";
}

}  // namespace
