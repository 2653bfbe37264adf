// The install page: its template, the percentage and the bar, the
// message pump and the discarding wait, and Cancel during the copy.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "setup_state.h"
#include "text.h"
#include "wizard.h"
#include "install_test.h"
#include "resource.h"
#include "install_fixtures.h"
#include "ui_driver.h"
#include "test_support.h"

namespace {

TEST(InstallPage, TemplateHoldsEveryControl)
{
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.productName, "Velto");
    HWND page = CreateInstallPage();
    ASSERT_TRUE(page != NULL);
    char title[64] = "";
    GetWindowTextA(page, title, sizeof(title));
    EXPECT_STREQ(title, "Velto Setup");

    struct Row { int id; bool visible; const char *text; } rows[] = {
        /*  0 */ { IDC_NEXT, true, "Cancel" },
        /*  1 */ { IDC_INSTALL_STATUS, true, "" },
        /*  2 */ { IDC_INSTALL_BAR, false, "" },
        /*  3 */ { IDC_INSTALL_PERCENT, true, "0%" },
        /*  4 */ { IDC_RULE, true, "" },
        /*  5 */ { IDC_SIDE_PICTURE, true, NULL },
        /*  6 */ { IDC_INSTALL_FRAME1, false, "" },
        /*  7 */ { IDC_INSTALL_FRAME2, false, "" },
        /*  8 */ { IDC_INSTALL_FRAME3, false, "" },
        /*  9 */ { IDC_INSTALL_PERCENT2, false, "0%" },
        /* 10 */ { IDC_INSTALL_ICON1, false, NULL },
        /* 11 */ { IDC_INSTALL_ICON2, false, NULL },
        /* 12 */ { IDC_INSTALL_ICON3, false, NULL },
        /* 13 */ { IDC_INSTALL_ICON4, false, NULL },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        HWND control = GetDlgItem(page, rows[i].id);
        ASSERT_TRUE(control != NULL) << "row " << i << ": control " << rows[i].id;
        EXPECT_EQ((GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0, rows[i].visible)
            << "row " << i << ": control " << rows[i].id;
        if (rows[i].text != NULL) {
            EXPECT_EQ(ControlText(page, rows[i].id), rows[i].text) << "row " << i;
        }
    }
    EXPECT_EQ(GetWindowLongA(GetDlgItem(page, IDC_NEXT), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(GetDlgItem(page, IDC_BACK) == NULL) << "no Back button";
    EXPECT_TRUE(GetDlgItem(page, IDC_CANCEL) == NULL) << "no second Cancel";

    RECT expected = { 96, 69, 96 + 141, 69 + 12 };
    MapDialogRect(page, &expected);
    RECT got;
    GetControlRect(page, IDC_INSTALL_BAR, &got);
    EXPECT_EQ(got.left, expected.left);
    EXPECT_EQ(got.top, expected.top);
    EXPECT_EQ(got.right, expected.right);
    EXPECT_EQ(got.bottom, expected.bottom);
    DestroyWindow(page);
}

TEST(Progress, PercentagesPerDisk)
{
    struct Row { short count; std::string expect; } rows[] = {
        /* 0 */ { 1, "100" },
        /* 1 */ { 3, "33 66 100" },
        /* 2 */ { 7, "14 28 42 57 71 85 100" },
    };
    for (auto &row : rows) {
        std::string got;
        for (short file = 0; file < row.count; file++)
            got += (file ? " " : "") + std::to_string(FilePercentage(file, row.count));
        EXPECT_EQ(got, row.expect) << row.count << " files";
    }
    const short first200[] = { 0, 1, 1, 2, 2, 3 };
    for (short file = 0; file < 6; file++)
        EXPECT_EQ(FilePercentage(file, 200), first200[file]) << "file " << file;
    EXPECT_EQ(FilePercentage(198, 200), 99);
    EXPECT_EQ(FilePercentage(199, 200), 100);
}

// A window with a hidden control 1011 at (10, 20, 210, 40), drawn into a
// white memory bitmap of its size.
class Canvas {
public:
    Canvas()
    {
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, NULL, NULL, NULL, NULL);
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 20, 200, 20, parent_,
                        (HMENU)(INT_PTR)IDC_INSTALL_BAR, NULL, NULL);
        HDC screen = GetDC(NULL);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 300, 100);
        ReleaseDC(NULL, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = { 0, 0, 300, 100 };
        FillRect(dc_, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        DestroyWindow(parent_);
    }
    HWND parent_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

TEST(Progress, BarFillsItsShareOfTheFrame)
{
    struct Row { short percentage; int right; } rows[] = {
        /* 0 */ { 0, 11 }, /* 1 */ { 33, 76 }, /* 2 */ { 50, 109 }, /* 3 */ { 100, 208 },
    };
    for (auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.percentage) + "%");
        Canvas canvas;
        RECT place;
        GetControlRect(canvas.parent_, IDC_INSTALL_BAR, &place);
        EXPECT_EQ(place.left, 10);
        EXPECT_EQ(place.top, 20);
        EXPECT_EQ(place.right, 210);
        EXPECT_EQ(place.bottom, 40);
        DrawProgressBar(canvas.parent_, canvas.dc_, row.percentage);
        int wrong = 0;
        for (int y = 0; y < 100; y++) {
            for (int x = 0; x < 300; x++) {
                bool blue = x >= 11 && x < row.right && y >= 21 && y < 37;
                COLORREF pixel = GetPixel(canvas.dc_, x, y);
                if (pixel != (blue ? RGB(0, 0, 255) : RGB(255, 255, 255)) && wrong++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixel;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Progress, EtchedFrameAroundTheBar)
{
    Canvas canvas;
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    DrawEtchedFrame(canvas.parent_, canvas.dc_, IDC_INSTALL_BAR, red);
    const COLORREF grey = RGB(128, 128, 128), white = RGB(255, 255, 255), fill = RGB(255, 0, 0);
    struct Row { int x, y; COLORREF colour; } rows[] = {
        /*  0: grey top */      { 100, 19, grey },  /*  1: grey left */    { 9, 30, grey },
        /*  2: white top */     { 100, 20, white }, /*  3: white left */   { 10, 30, white },
        /*  4: grey bottom */   { 100, 38, grey },  /*  5: grey right */   { 208, 30, grey },
        /*  6: white bottom */  { 100, 39, white }, /*  7: white right */  { 209, 30, white },
        /*  8: fill */          { 100, 30, fill },  /*  9: fill corner */  { 11, 21, fill },
        /* 10: outside */       { 100, 40, white }, /* 11: outside */      { 8, 30, white },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++)
        EXPECT_EQ(GetPixel(canvas.dc_, rows[i].x, rows[i].y), rows[i].colour) << "row " << i;
    LOGBRUSH still;
    EXPECT_EQ(GetObjectA(red, sizeof(still), &still), (int)sizeof(still)) << "the caller's brush survives";
    DeleteObject(red);
}

// A window that counts what reaches its procedure.
int g_dispatched;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 1 || message == WM_COMMAND)
        g_dispatched++;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CountingWindow()
{
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "InstallTestCounter";
    RegisterClassA(&windowClass);
    g_dispatched = 0;
    return CreateWindowExA(0, "InstallTestCounter", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

bool QueueHolds(HWND window, UINT message)
{
    MSG peeked;
    return PeekMessageA(&peeked, window, message, message, PM_NOREMOVE) != 0;
}

TEST(Pump, OneMessageAtATimeAndNoPostedCommandOne)
{
    HWND window = CountingWindow();
    MSG flush;
    while (PeekMessageA(&flush, NULL, 0, 0, PM_REMOVE))
        ;
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PumpOneMessage(window);
    EXPECT_EQ(g_dispatched, 1) << "one message per call";
    PumpOneMessage(window);
    EXPECT_EQ(g_dispatched, 2);

    struct Row { WPARAM wParam; int dispatched; } rows[] = {
        /* 0: the Cancel button's id, posted */ { IDC_NEXT, 0 },
        /* 1: another notification code */      { MAKEWPARAM(IDC_NEXT, 1), 1 },
        /* 2: another command */                { 2, 1 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        g_dispatched = 0;
        PostMessageA(window, WM_COMMAND, rows[i].wParam, 0);
        PumpOneMessage(window);
        EXPECT_EQ(g_dispatched, rows[i].dispatched) << "row " << i;
        EXPECT_FALSE(QueueHolds(window, WM_COMMAND)) << "row " << i << ": left in the queue";
    }
    // messages of other windows stay
    HWND other = CountingWindow();
    PostMessageA(other, WM_USER + 1, 0, 0);
    PumpOneMessage(window);
    EXPECT_TRUE(QueueHolds(other, WM_USER + 1));
    DestroyWindow(other);
    DestroyWindow(window);
    while (PeekMessageA(&flush, NULL, 0, 0, PM_REMOVE))
        ;
}

struct Poster { HWND window; int count; DWORD interval; };

DWORD WINAPI PostLater(void *parameter)
{
    Poster *poster = (Poster *)parameter;
    for (int i = 0; i < poster->count; i++) {
        Sleep(poster->interval);
        PostMessageA(poster->window, WM_USER + 1, 0, 0);
    }
    return 0;
}

TEST(Discard, RemovesEverythingUndispatchedWithoutSpinning)
{
    HWND window = CountingWindow();
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_COMMAND, 1, 0);
    Poster poster = { window, 5, 100 };
    HANDLE thread = CreateThread(NULL, 0, PostLater, &poster, 0, NULL);
    FILETIME created, ended, kernelBefore, userBefore, kernelAfter, userAfter;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernelBefore, &userBefore);
    DWORD start = GetTickCount();
    DiscardMessagesFor(1000);
    DWORD elapsed = GetTickCount() - start;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernelAfter, &userAfter);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);

    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 1500u);
    EXPECT_EQ(g_dispatched, 0) << "a message was dispatched";
    EXPECT_FALSE(QueueHolds(window, WM_USER + 1)) << "a message arrived in the second and stayed";
    EXPECT_FALSE(QueueHolds(window, WM_COMMAND));
    ULONGLONG busy = (((ULONGLONG)kernelAfter.dwHighDateTime << 32 | kernelAfter.dwLowDateTime) -
                      ((ULONGLONG)kernelBefore.dwHighDateTime << 32 | kernelBefore.dwLowDateTime) +
                      ((ULONGLONG)userAfter.dwHighDateTime << 32 | userAfter.dwLowDateTime) -
                      ((ULONGLONG)userBefore.dwHighDateTime << 32 | userBefore.dwLowDateTime)) / 10000;
    EXPECT_LT(busy, 300u) << "milliseconds of processor time in a one-second wait";
    DestroyWindow(window);
}

TEST(Discard, NoWaitForZeroOrAnOverflowingDuration)
{
    HWND window = CountingWindow();
    struct Row { DWORD milliseconds; } rows[] = { /* 0 */ { 0 }, /* 1 */ { 0xFFFFFFFFu } };
    for (auto &row : rows) {
        PostMessageA(window, WM_USER + 1, 0, 0);
        DWORD start = GetTickCount();
        DiscardMessagesFor(row.milliseconds);
        EXPECT_LT(GetTickCount() - start, 100u) << row.milliseconds;
        EXPECT_TRUE(QueueHolds(window, WM_USER + 1)) << row.milliseconds << ": nothing removed";
        MSG flush;
        while (PeekMessageA(&flush, NULL, 0, 0, PM_REMOVE))
            ;
    }
    DestroyWindow(window);
}

enum { CLICK_CANCEL, HARMLESS_INPUT, CLOSE_PAGE, WAIT_ONLY };

// The user's side of a copy: watches the targets from a second thread,
// acts when one appears, then answers the warning.
struct User {
    std::string trigger;        // act when this target exists
    int action;                 // what the user does then
    DWORD pageThread;
    bool acted;
    std::string warning;        // text of the warning seen
    std::string statusAtWarning;  // the status text then
    HWND warningOwner;
    HWND page;
};

BOOL CALLBACK FindWarning(HWND window, LPARAM parameter)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof(className));
    if (strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *(HWND *)parameter = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI ActAsUser(void *parameter)
{
    User *user = (User *)parameter;
    for (int i = 0; i < 30000 && !FileExists(user->trigger); i++)
        Sleep(1);
    user->page = FindWindowA("SETUP_INSTALL", NULL);
    HWND button = GetDlgItem(user->page, IDC_NEXT);
    if (user->action == CLICK_CANCEL) {
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    } else if (user->action == CLOSE_PAGE) {
        PostMessageA(user->page, WM_CLOSE, 0, 0);
    } else if (user->action == HARMLESS_INPUT) {
        PostMessageA(user->page, WM_COMMAND, IDC_NEXT, 0);
        const WPARAM keys[] = { VK_RETURN, VK_ESCAPE };
        for (WPARAM key : keys) {
            PostMessageA(button, WM_KEYDOWN, key, 1);
            PostMessageA(button, WM_KEYUP, key, 0xC0000001);
            PostMessageA(user->page, WM_KEYDOWN, key, 1);
            PostMessageA(user->page, WM_KEYUP, key, 0xC0000001);
        }
    }
    user->acted = true;
    // the warning, when one comes, is answered here
    HWND box = NULL;
    for (int i = 0; i < 1500 && box == NULL; i++) {
        EnumThreadWindows(user->pageThread, FindWarning, (LPARAM)&box);
        if (box == NULL)
            Sleep(10);
        if (user->action == HARMLESS_INPUT && i > 300)
            break;
    }
    if (box != NULL) {
        char text[256] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        user->warning = text;
        user->warningOwner = GetWindow(box, GW_OWNER);
        user->statusAtWarning = ControlText(user->warningOwner, IDC_INSTALL_STATUS);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return 0;
}

class InstallPageCopy : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = ScratchDir("page");
        package_ = root_ + "\\PKG";
        windows_ = root_ + "\\WIN";
        install_ = root_ + "\\INST";
        CreateDirectoryA(package_.c_str(), NULL);
        CreateDirectoryA(windows_.c_str(), NULL);
        CreateDirectoryA(install_.c_str(), NULL);
        WriteFileBytes(windows_ + "\\system.ini", "[386Enh]\r\nmouse=vmouse.vxd\r\n");
    }
    void TearDown() override
    {
        UnloadPackage();
        RemoveTree(root_);
    }
    // Five big files on disk 1, a small one on disk 2; file `other`
    // (if any) has otherSize bytes instead.
    void MakePackage(size_t size, int other = 0, size_t otherSize = 0)
    {
        std::string script = "[Main]\r\nProductName=Velto\r\n[DiskLabel]\r\nDisk1=One\r\nDisk2=Two\r\n"
                             "[DirectoryName]\r\nRootDir=.\r\n[FileCounts]\r\nDisk1=5\r\nDisk2=1\r\n[Disk1]\r\n";
        for (int i = 1; i <= 5; i++) {
            std::string name = "FILE" + std::to_string(i) + ".BIN";
            bytes_[i] = SampleBytes(i == other ? otherSize : size, 20 + i);
            WriteFileBytes(package_ + "\\" + name, bytes_[i]);
            script += std::to_string(i) + "=" + name + "," + name + ",File " + std::to_string(i) + ",RootDir\r\n";
        }
        WriteFileBytes(package_ + "\\LATER.TXT", "later");
        script += "[Disk2]\r\n1=LATER.TXT,LATER.TXT,Later,RootDir\r\n";
        WriteFileBytes(package_ + "\\SETUP.INF", script);
        LoadPackage(package_, windows_, install_);
    }
    PageResult RunWithUser(User &user)
    {
        user.pageThread = GetCurrentThreadId();
        user.acted = false;
        user.warningOwner = NULL;
        HANDLE thread = CreateThread(NULL, 0, ActAsUser, &user, 0, NULL);
        PageResult result = RunInstallPage();
        EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
        CloseHandle(thread);
        return result;
    }
    std::string Target(int i) { return install_ + "\\FILE" + std::to_string(i) + ".BIN"; }

    std::string root_, package_, windows_, install_;
    std::string bytes_[6];
};

TEST_F(InstallPageCopy, CancelDuringTheThirdFile)
{
    MakePackage(8 << 20);
    User user;
    user.trigger = Target(2);
    user.action = CLICK_CANCEL;
    PageResult result = RunWithUser(user);

    EXPECT_TRUE(user.acted);
    EXPECT_EQ(result, PAGE_CANCEL);
    for (int i = 1; i <= 3; i++)
        EXPECT_TRUE(ReadFileBytes(Target(i)) == bytes_[i]) << "file " << i << " not written whole";
    for (int i = 4; i <= 5; i++)
        EXPECT_FALSE(FileExists(Target(i))) << "file " << i << " was started";
    EXPECT_FALSE(FileExists(install_ + "\\LATER.TXT")) << "a file of the second disk";
    EXPECT_EQ(g_registryUpdates, 0) << "registered after a Cancel";
    EXPECT_EQ(user.statusAtWarning, "Copying FILE3.BIN\n\nFile 3");
    EXPECT_EQ(user.warning, "Velto installation is not completed !");
    EXPECT_TRUE(user.warningOwner == user.page && user.page != NULL) << "warning not owned by the page";
    EXPECT_FALSE(IsWindow(user.page)) << "the page is gone";
    EXPECT_EQ(NextWizardState(STATE_INSTALL, result, 0), STATE_ABORT) << "system.ini would be updated";
    EXPECT_EQ(ReadFileBytes(windows_ + "\\system.ini"), "[386Enh]\r\nmouse=vmouse.vxd\r\n");
}

TEST_F(InstallPageCopy, PostedCommandOneEnterAndEscDoNotCancel)
{
    MakePackage(2 << 20);
    User user;
    user.trigger = Target(1);
    user.action = HARMLESS_INPUT;
    PageResult result = RunWithUser(user);

    EXPECT_TRUE(user.acted);
    EXPECT_EQ(result, PAGE_NEXT);
    for (int i = 1; i <= 5; i++)
        EXPECT_TRUE(ReadFileBytes(Target(i)) == bytes_[i]) << "file " << i;
    EXPECT_EQ(ReadFileBytes(install_ + "\\LATER.TXT"), "later");
    EXPECT_EQ(user.warning, "") << "a warning without a Cancel";
    EXPECT_EQ(g_registryUpdates, 1);
}

TEST_F(InstallPageCopy, ClosingThePageWhileItWorksIsACancel)
{
    MakePackage(4 << 20);
    User user;
    user.trigger = Target(2);
    user.action = CLOSE_PAGE;
    PageResult result = RunWithUser(user);

    EXPECT_EQ(result, PAGE_CANCEL);
    EXPECT_TRUE(ReadFileBytes(Target(2)) == bytes_[2]) << "the file under way not completed";
    EXPECT_FALSE(FileExists(Target(4)));
    EXPECT_FALSE(FileExists(Target(5)));
    EXPECT_EQ(g_registryUpdates, 0);
    EXPECT_EQ(user.warning, "Velto installation is not completed !");
    EXPECT_TRUE(user.warningOwner == user.page) << "the page was gone before its end";
}

// A file that cannot be written ends the copying as a Cancel does: no
// further file, no registry update, the warning (in use, its directory
// blocked by a file of that name, damaged). A file in use keeps its
// bytes, a short copy is removed.
TEST_F(InstallPageCopy, FileNotWrittenEndsNotCompleted)
{
    enum { IN_USE, NO_DIRECTORY, DAMAGED };
    for (int row = IN_USE; row <= DAMAGED; row++) {
        SCOPED_TRACE("row " + std::to_string(row));
        MakePackage(3000);
        std::string script = ReadFileBytes(package_ + "\\SETUP.INF");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (row == IN_USE) {
            WriteFileBytes(Target(2), "older version");
            held = CreateFileA(Target(2).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        } else if (row == NO_DIRECTORY) {
            // a file where the first level of the directory would be
            WriteFileBytes(install_ + "\\NO", "in the way");
            CreateDirectoryA((package_ + "\\NO").c_str(), NULL);
            CreateDirectoryA((package_ + "\\NO\\SUCH").c_str(), NULL);
            WriteFileBytes(package_ + "\\NO\\SUCH\\FILE2.BIN", bytes_[2]);
            script.replace(script.find("RootDir=."), 9, "RootDir=.\r\nSubDir1=NO\\SUCH");
            script.replace(script.find("File 2,RootDir"), 14, "File 2,SubDir1");
        } else {
            CompressTo(package_ + "\\FILE2.BIN", package_ + "\\FILE2.BI_");
            std::string packed = ReadFileBytes(package_ + "\\FILE2.BI_");
            WriteFileBytes(package_ + "\\FILE2.BI_", packed.substr(0, packed.size() / 2));
            script.replace(script.find("2=FILE2.BIN"), 11, "2=FILE2.BI_");
        }
        WriteFileBytes(package_ + "\\SETUP.INF", script);
        UnloadPackage();
        LoadPackage(package_, windows_, install_);
        User user;
        user.trigger = package_ + "\\SETUP.INF";
        user.action = WAIT_ONLY;
        PageResult result = RunWithUser(user);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        EXPECT_EQ(result, PAGE_CANCEL);
        EXPECT_TRUE(ReadFileBytes(Target(1)) == bytes_[1]);
        EXPECT_FALSE(FileExists(Target(3))) << "a further file";
        EXPECT_FALSE(FileExists(install_ + "\\LATER.TXT"));
        EXPECT_EQ(g_registryUpdates, 0);
        EXPECT_EQ(user.statusAtWarning, "Copying " + std::string(row == DAMAGED ? "FILE2.BI_" : "FILE2.BIN") +
                                            "\n\nFile 2");
        EXPECT_EQ(user.warning, "Velto installation is not completed !");
        EXPECT_EQ(ReadFileBytes(Target(2)), row == IN_USE ? "older version" : "<missing>");
        EXPECT_FALSE(FileExists(install_ + "\\NO\\SUCH")) << "a level made";
        UnloadPackage();
        RemoveTree(install_);
        CreateDirectoryA(install_.c_str(), NULL);
    }
}

// What the page showed, seen as each text was set: the text, whether the
// file's target existed yet, and the blue bar's width then.
struct Shown { char control; std::string text; bool targetThere; int bar; };
std::vector<Shown> g_shown;
WNDPROC g_statusProc, g_percentProc;
std::string g_shownDir, g_shownTarget;

// The engine draws into a memory picture of the page, read here.
HDC g_shownDc;
int BlueBarWidth(HWND page)
{
    RECT place;
    GetControlRect(page, IDC_INSTALL_BAR, &place);
    int width = 0;
    while (GetPixel(g_shownDc, place.left + 1 + width, place.top + 2) == RGB(0, 0, 255))
        width++;
    return width;
}

LRESULT RecordShown(WNDPROC proc, char control, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcA(proc, window, message, wParam, lParam);
    if (message == WM_SETTEXT) {
        std::string text = (const char *)lParam;
        if (control == 'S')
            g_shownTarget = g_shownDir + "\\" + text.substr(8, text.find('\n') - 8);
        g_shown.push_back({ control, text, FileExists(g_shownTarget), BlueBarWidth(GetParent(window)) });
    }
    return result;
}
LRESULT CALLBACK StatusShown(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RecordShown(g_statusProc, 'S', window, message, wParam, lParam);
}
LRESULT CALLBACK PercentShown(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RecordShown(g_percentProc, 'P', window, message, wParam, lParam);
}

// Every file, the missing one too, shows its status text, then its
// percentage, then its bar, before its target is written.
TEST_F(InstallPageCopy, EveryFileShownBeforeItsCopy)
{
    MakePackage(2000);
    DeleteFileA((package_ + "\\FILE4.BIN").c_str());
    HWND page = CreateInstallPage();
    ASSERT_TRUE(page != NULL);
    g_statusProc = (WNDPROC)SetWindowLongPtrA(GetDlgItem(page, IDC_INSTALL_STATUS), GWLP_WNDPROC,
                                              (LONG_PTR)StatusShown);
    g_percentProc = (WNDPROC)SetWindowLongPtrA(GetDlgItem(page, IDC_INSTALL_PERCENT), GWLP_WNDPROC,
                                               (LONG_PTR)PercentShown);
    g_shown.clear();
    g_shownDir = install_;
    HDC screen = GetDC(NULL);
    g_shownDc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 1000, 1000);
    ReleaseDC(NULL, screen);
    HGDIOBJ previous = SelectObject(g_shownDc, picture);
    g_setup.pageResult = PAGE_NEXT;
    // the missing file is asked about, and gone on without
    std::string asked;
    UiDrive([&]() {
                UiMessageBox box;
                if (UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId())) {
                    asked = box.text;
                    UiAnswerMessageBox(box, IDIGNORE);
                }
            },
            [&]() { CopyFileTable(page, g_shownDc); });
    EXPECT_NE(asked.find("FILE4.BIN"), std::string::npos) << asked;
    int lastBar = BlueBarWidth(page);
    SelectObject(g_shownDc, previous);
    DeleteObject(picture);
    DeleteDC(g_shownDc);

    RECT place;
    GetControlRect(page, IDC_INSTALL_BAR, &place);
    const char *names[] = { "FILE1.BIN", "FILE2.BIN", "FILE3.BIN", "FILE4.BIN", "FILE5.BIN", "LATER.TXT" };
    const short percents[] = { 20, 40, 60, 80, 100, 100 };
    ASSERT_EQ(g_shown.size(), 12u);
    for (int i = 0; i < 6; i++) {
        SCOPED_TRACE(names[i]);
        // the bar of the file before, wiped at the start of the second disk
        int barBefore = (i == 0 || i == 5) ? 0 : ((place.right - place.left - 3) * percents[i - 1]) / 100;
        const Shown &status = g_shown[2 * i], &percent = g_shown[2 * i + 1];
        EXPECT_EQ(status.control, 'S');
        EXPECT_EQ(status.text.substr(0, 8 + strlen(names[i])), "Copying " + std::string(names[i]));
        EXPECT_EQ(status.bar, barBefore);
        EXPECT_EQ(percent.control, 'P');
        EXPECT_EQ(percent.text, std::to_string(percents[i]) + "%");
        EXPECT_EQ(percent.bar, barBefore) << "the bar came before the percentage";
        EXPECT_FALSE(status.targetThere || percent.targetThere) << "shown after the copy";
    }
    EXPECT_EQ(lastBar, place.right - place.left - 3);
    DestroyWindow(page);
}

HWND g_pageSeenGone;
void DestroyPageAndCancel(HWND page)
{
    g_setup.pageResult = PAGE_CANCEL;
    DestroyWindow(page);
    g_pageSeenGone = page;
}

// Should the page be gone before the warning, the background window owns
// it, it is still seen, and the page host still returns Cancel.
TEST_F(InstallPageCopy, WarningWithoutItsPageBelongsToTheBackground)
{
    MakePackage(1000);
    HWND background = CreateWindowExA(0, "STATIC", "background", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                      NULL, NULL, NULL, NULL);
    g_setup.mainWindow = background;
    g_pageSeenGone = NULL;
    User user;
    user.trigger = Target(1);
    user.action = WAIT_ONLY;
    g_duringRegistry = DestroyPageAndCancel;
    PageResult result = RunWithUser(user);

    EXPECT_EQ(result, PAGE_CANCEL);
    EXPECT_TRUE(g_pageSeenGone != NULL);
    EXPECT_EQ(user.warning, "Velto installation is not completed !");
    EXPECT_TRUE(user.warningOwner == background) << "owner " << user.warningOwner;
    g_setup.mainWindow = NULL;
    DestroyWindow(background);
}

}  // namespace
