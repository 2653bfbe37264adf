/* The install page: it does the whole installation while it handles
 * PAGE_INIT, then closes itself. Its only button is Cancel. The copy
 * engine does the work; the page shows each step it reports, and keeps
 * its own messages moving meanwhile. */
#include "install_test.h"
#include "fixed_texts.h"
#include "test_seams.h"
#include "text.h"
#include "resource.h"
#include "page_host.h"
#include "ui.h"

/* The page's user data is 1 while its installation runs. */
#define PAGE_WORKING 1

/* The input Windows 95 knows of, its own QS_ALLINPUT: later headers add
 * kinds of input (raw input, touch, pointer) that it does not. */
#define ALL_INPUT_95 (QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | \
                      QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY)
static_assert(ALL_INPUT_95 == 0xFF, "the input kinds of Windows 95");

/* Where the page paints the engine's steps. */
struct InstallCanvas {
    HWND page;
    HDC dc;
};

void PumpOneMessage(HWND page)
{
    MSG message;

    if (!PeekMessageA(&message, page, 0, 0, PM_REMOVE))
        return;
    /* A posted command 1 would cancel; only the button's own click does. */
    if (message.message == WM_COMMAND && message.wParam == IDC_INSTALL_CANCEL)
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

/* Takes one message of any kind but painting off the queue, undispatched.
 * A pending repaint cannot be removed without painting; it is left for
 * the message loop that follows. */
static int DiscardOneMessage(void)
{
    MSG message;

    return PeekMessageA(&message, NULL, 0, WM_PAINT - 1, PM_REMOVE) ||
           PeekMessageA(&message, NULL, WM_PAINT + 1, 0xFFFFFFFFu, PM_REMOVE);
}

void DiscardMessagesFor(DWORD milliseconds)
{
    DWORD now = GetTickCount();
    DWORD end = now + milliseconds;

    if (end <= now)
        return;
    while (now < end) {
        /* Sleeps until something arrives instead of spinning. */
        if (!DiscardOneMessage())
            MsgWaitForMultipleObjects(0, NULL, FALSE, end - now,
                                      ALL_INPUT_95 & ~QS_PAINT);
        now = GetTickCount();
    }
}

/* Sets a control's text and repaints it at once: the page's own loop
 * does not run while the engine works. */
static void ShowControlText(HWND page, int controlId, const char *text)
{
    SetDlgItemTextA(page, controlId, text);
    UpdateWindow(GetDlgItem(page, controlId));
}

static void ShowCopyingStatus(HWND page, const CopyStep *step)
{
    char status[TEXT_MAX];

    TEXT_COPY(status, LoadText(IDS_COPYING));
    TEXT_APPEND(status, step->name);
    TEXT_APPEND(status, "\n\n");
    TEXT_APPEND(status, step->description);
    ShowControlText(page, IDC_INSTALL_STATUS, status);
}

static void ShowPercentage(HWND page, short percentage)
{
    char text[16];

    TextFormat(text, sizeof(text), "%d%%", (int)percentage);
    ShowControlText(page, IDC_INSTALL_PERCENT, text);
}

/* "Please insert the disk labelled ..." with OK and Cancel; Cancel is
 * the page's Cancel. 1 to look again. */
static int AskForDisk(HWND page, const CopyStep *step)
{
    char text[2 * TEXT_MAX];

    TextFormat(text, sizeof(text), LoadText(IDS_INSERT_DISK), step->label, step->drive);
    if (MessageBoxA(page, text, g_setup.caption, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK)
        return 1;
    g_setup.pageResult = PAGE_CANCEL;
    return 0;
}

/* The file, its description and where it was looked for, with Abort,
 * Retry and Ignore; Abort is the page's Cancel. */
static int AskForFile(HWND page, const CopyStep *step)
{
    char text[4 * TEXT_MAX];

    TextFormat(text, sizeof(text), LoadText(IDS_FILE_MISSING), step->name, step->description,
               step->path);
    switch (MessageBoxA(page, text, g_setup.caption, MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION)) {
    case IDRETRY:
        return COPY_RETRY;
    case IDIGNORE:
        return COPY_IGNORE;
    }
    g_setup.pageResult = PAGE_CANCEL;
    return COPY_ABORT;
}

/* The engine's progress routine: paints the step, lets the page handle
 * its messages after each slow step, asks the engine's questions, and
 * answers go on until a Cancel. */
static int ShowCopyStep(const CopyStep *step, void *context)
{
    const InstallCanvas *canvas = (const InstallCanvas *)context;

    if (g_setup.pageResult == PAGE_CANCEL)
        return 0;
    switch (step->kind) {
    case COPY_DISK_WANTED:
        return AskForDisk(canvas->page, step);
    case COPY_FILE_MISSING:
        return AskForFile(canvas->page, step);
    case COPY_DISK_STARTED:
        UpdateWindow(canvas->page);
        /* the white fill wipes the bar of the previous disk */
        DrawEtchedFrame(canvas->page, canvas->dc, IDC_INSTALL_BAR,
                        (HBRUSH)GetStockObject(WHITE_BRUSH));
        break;
    case COPY_FILE_STARTED:
        ShowCopyingStatus(canvas->page, step);
        break;
    case COPY_FILE_OPENED:
        PumpOneMessage(canvas->page);
        ShowPercentage(canvas->page, step->percentage);
        DrawProgressBar(canvas->page, canvas->dc, step->percentage);
        break;
    case COPY_FILE_DONE:
        PumpOneMessage(canvas->page);
        break;
    case COPY_UPDATING_REGISTRY:
        ShowControlText(canvas->page, IDC_INSTALL_STATUS, TEXT_UPDATING_REGISTRY);
        DiscardMessagesFor(SeamPause(1000));
        break;
    }
    return g_setup.pageResult != PAGE_CANCEL;
}

void CopyFileTable(HWND page, HDC dc)
{
    InstallCanvas canvas = { page, dc };

    if (!CopyPackageFiles(ShowCopyStep, &canvas))
        g_setup.pageResult = PAGE_CANCEL;
}

/* A file that was not written ends the installation as a Cancel does:
 * the user is told it is not completed, and nothing is registered. So
 * does a registry update that fails, after what it did is journaled. */
void CopyAllFiles(HWND page)
{
    InstallCanvas canvas = { page, GetDC(page) };

    if (!InstallPackage(ShowCopyStep, &canvas))
        g_setup.pageResult = PAGE_CANCEL;
    ReleaseDC(page, canvas.dc);
}

/* The files the user went on without, named before the finish page. */
static void TellFilesIgnored(HWND page)
{
    char text[IGNORED_TEXT_MAX + TEXT_MAX];

    if (g_setup.filesIgnored == 0)
        return;
    TextFormat(text, sizeof(text), LoadText(IDS_FILES_NOT_INSTALLED), g_setup.ignoredNames);
    MessageBoxA(page, text, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
}

/* Creates the script's directories RootDir and SubDir1 to SubDir6 under
 * the destination, every missing level of each; failures pass silently
 * here (the copy of a file meant for one of them then fails). */
static void CreateSubdirectories(void)
{
    char path[TEXT_MAX];
    int k;

    /* Without a destination the directories would land at a drive root. */
    if (g_setup.installDir[0] == '\0')
        return;
    for (k = DIR_ROOT; k < DIR_SUB1 + 6; k++) {
        if (g_setup.directoryNames[k][0] == '\0')
            continue;
        if (PathJoin(path, sizeof(path), g_setup.installDir, g_setup.directoryNames[k]))
            MakeTargetDirectory(path);
    }
}

/* The warning after a Cancel. The page normally still exists here. If it
 * has gone, the background window owns the warning so that it is not
 * hidden under that topmost window, and the page's quit message is taken
 * off the queue first: it would end the warning's own loop at once. The
 * page host sees by itself that the page is gone. */
static void WarnNotCompleted(HWND page)
{
    MSG quit;

    if (IsWindow(page)) {
        ShowNotCompleted(page);
        return;
    }
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    ShowNotCompleted(g_setup.mainWindow);
}

static void OnInstallInit(HWND page)
{
    UpdateWindow(page);
    CreateSubdirectories();
    g_setup.pageResult = PAGE_NEXT;
    SetWindowLongPtrA(page, GWLP_USERDATA, PAGE_WORKING);
    CopyAllFiles(page);
    SetWindowLongPtrA(page, GWLP_USERDATA, 0);
    if (g_setup.pageResult == PAGE_CANCEL)
        WarnNotCompleted(page);
    else
        TellFilesIgnored(page);
    if (IsWindow(page))
        SendMessageA(page, WM_CLOSE, 0, 0);
}

/* Cancel stops the copying before the next file. While the installation
 * runs the page stays open until its end, so the warning still has its
 * page; the page closes at once only when no installation is running. */
static void OnInstallCancel(HWND page)
{
    g_setup.pageResult = PAGE_CANCEL;
    if (GetWindowLongPtrA(page, GWLP_USERDATA) != PAGE_WORKING)
        SendMessageA(page, WM_CLOSE, 0, 0);
}

/* Closing the page while it works (Alt+F4) is a Cancel: the page itself
 * stays until the work is done. */
static LRESULT OnInstallClose(HWND page)
{
    if (GetWindowLongPtrA(page, GWLP_USERDATA) == PAGE_WORKING) {
        OnInstallCancel(page);
        return 0;
    }
    return DefWindowProcA(page, WM_CLOSE, 0, 0);
}

static LRESULT OnInstallCommand(HWND page, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case IDC_INSTALL_CANCEL:
        OnInstallCancel(page);
        return 0;
    }
    return DefWindowProcA(page, WM_COMMAND, wParam, lParam);
}

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CLOSE:
        return OnInstallClose(page);
    case WM_COMMAND:
        return OnInstallCommand(page, wParam, lParam);
    case PAGE_INIT:
        OnInstallInit(page);
        return 0;
    }
    return PageDefaultProc(page, message, wParam, lParam);
}

void GetControlRect(HWND parent, int controlId, RECT *rect)
{
    HWND control = GetDlgItem(parent, controlId);
    POINT parentOrigin = { 0, 0 };
    POINT controlOrigin = { 0, 0 };

    GetClientRect(control, rect);
    ClientToScreen(parent, &parentOrigin);
    ClientToScreen(control, &controlOrigin);
    OffsetRect(rect, controlOrigin.x - parentOrigin.x, controlOrigin.y - parentOrigin.y);
}

/* A two-tone frame at the place of a control: white outline with the
 * fill, then a grey outline one pixel up and left. The fill brush stays
 * the caller's. */
void DrawEtchedFrame(HWND page, HDC dc, int controlId, HBRUSH fillBrush)
{
    RECT rect;
    HPEN greyPen;
    HGDIOBJ oldPen, oldBrush;

    GetControlRect(page, controlId, &rect);
    oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    oldBrush = SelectObject(dc, fillBrush);
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);

    OffsetRect(&rect, -1, -1);
    greyPen = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    SelectObject(dc, greyPen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(greyPen);
}

void DrawProgressBar(HWND page, HDC dc, short percentage)
{
    RECT rect;
    HBRUSH blue;

    GetControlRect(page, IDC_INSTALL_BAR, &rect);
    InflateRect(&rect, -2, -2);
    OffsetRect(&rect, -1, -1);
    rect.right = rect.left + ((rect.right - rect.left + 1) * (int)percentage) / 100;
    blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &rect, blue);
    DeleteObject(blue);
}
