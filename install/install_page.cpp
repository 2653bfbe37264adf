/* The install page: it does the whole installation while it handles
 * PAGE_INIT, then closes itself. Its only button is Cancel. */
#include "install.h"
#include "../app/text.h"
#include "../res/resource.h"
#include "../script/journal.h"
#include "../ui/page_host.h"
#include "../ui/ui.h"

/* The page's user data is 1 while its installation runs. */
#define PAGE_WORKING 1

/* Creates the script's sub-directories SubDir1 to SubDir6 under the
 * destination, one level each; failures pass silently. */
static void CreateSubdirectories(void)
{
    char path[TEXT_MAX];
    int k;

    /* Without a destination the directories would land at a drive root. */
    if (g_setup.installDir[0] == '\0')
        return;
    for (k = DIR_SUB1; k < DIR_SUB1 + 6; k++) {
        if (g_setup.directoryNames[k][0] == '\0')
            continue;
        if (!PathJoin(path, sizeof(path), g_setup.installDir, g_setup.directoryNames[k]) ||
            GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            continue;
        JournalDirectory(path);
        CreateDirectoryA(path, NULL);
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
    case IDC_NEXT:  /* the page's Cancel button */
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
