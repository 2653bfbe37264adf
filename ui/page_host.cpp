/* The wizard page host: runs one page from its dialog template as a
 * modeless dialog of its own window class, and the page behaviour that
 * every page shares. */
#include "page_host.h"
#include "ui.h"
#include "text.h"
#include "resource.h"

static void RegisterPageClass(const char *className, WNDPROC pageProc)
{
    WNDCLASSA pageClass;

    pageClass.style = CS_HREDRAW | CS_VREDRAW;
    pageClass.lpfnWndProc = pageProc;
    pageClass.cbClsExtra = 0;
    pageClass.cbWndExtra = DLGWINDOWEXTRA;
    pageClass.hInstance = g_setup.instance;
    pageClass.hIcon = NULL;
    pageClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    pageClass.hbrBackground = (HBRUSH)(COLOR_MENU + 1);
    pageClass.lpszMenuName = NULL;
    pageClass.lpszClassName = className;
    /* Fails when the page runs again; the first registration serves. */
    RegisterClassA(&pageClass);
}

/* Serves every window of the thread until the page is gone. The page's
 * quit message may already have been taken off the queue by work inside
 * PAGE_INIT, so the loop also ends when the window no longer exists, and
 * then removes a quit message still pending, which would otherwise end
 * the next page's loop at once. */
static void RunPageLoop(HWND page)
{
    MSG message;

    while (IsWindow(page)) {
        if (GetMessageA(&message, NULL, 0, 0) <= 0)
            return;
        if (!IsDialogMessageA(page, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
}

HWND CreatePage(const char *className, WNDPROC pageProc, WORD templateId)
{
    HWND page;

    RegisterPageClass(className, pageProc);
    page = CreateDialogParamA(g_setup.instance, MAKEINTRESOURCEA(templateId),
                              g_setup.mainWindow, NULL, 0);
    /* the controls exist only now, after the page's WM_CREATE */
    if (page != NULL)
        ShowSidePicture(page);
    return page;
}

PageResult RunPage(const char *className, WNDPROC pageProc, WORD templateId)
{
    HWND page = CreatePage(className, pageProc, templateId);

    /* No page, nothing to wait for. */
    if (page == NULL)
        return PAGE_CANCEL;
    SendMessageA(page, PAGE_INIT, 0, 0);
    RunPageLoop(page);
    return g_setup.pageResult;
}

void ShowNotCompleted(HWND owner)
{
    char text[FAILURE_TEXT_MAX + TEXT_MAX];

    /* what stopped the installation comes first */
    text[0] = '\0';
    if (g_setup.failure[0] != '\0') {
        TEXT_COPY(text, g_setup.failure);
        TEXT_APPEND(text, "\n\n");
    }
    TEXT_APPEND(text, g_setup.productName);
    TEXT_APPEND(text, LoadText(IDS_NOT_COMPLETED));
    MessageBoxA(owner, text, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
}

void OnPageCreate(HWND page, int useCurrentScreen)
{
    char title[TEXT_MAX];
    char caption[TEXT_MAX];
    RECT rect;
    short width, height, screenWidth, screenHeight;

    GetWindowTextA(page, title, sizeof(title));
    TEXT_COPY(caption, g_setup.productName);
    TEXT_APPEND(caption, " ");
    TEXT_APPEND(caption, title);
    SetWindowTextA(page, caption);

    GetWindowRect(page, &rect);
    width = (short)(rect.right - rect.left + 1);
    height = (short)(rect.bottom - rect.top + 1);
    screenWidth = g_setup.screenWidth;
    screenHeight = g_setup.screenHeight;
    if (useCurrentScreen) {
        screenWidth = (short)GetSystemMetrics(SM_CXSCREEN);
        screenHeight = (short)GetSystemMetrics(SM_CYSCREEN);
    }
    SetWindowPos(page, NULL, ((int)screenWidth - (int)width) / 2,
                 ((int)screenHeight - (int)height) / 2, width, height,
                 SWP_NOZORDER | SWP_SHOWWINDOW);
}

LRESULT PageDefaultProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CREATE:
        OnPageCreate(page, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(page, message, wParam, lParam);
    }
}

void FormatPageText(HWND page, int controlId)
{
    char format[TEXT_MAX];
    char text[TEXT_MAX];

    GetDlgItemTextA(page, controlId, format, sizeof(format));
    TextFormat(text, sizeof(text), format, g_setup.productName);
    SetDlgItemTextA(page, controlId, text);
}

/* The page's user data while it closes itself: its WM_CLOSE then
 * destroys it. */
#define PAGE_CLOSING 2

void ClosePage(HWND page)
{
    SetWindowLongPtrA(page, GWLP_USERDATA, PAGE_CLOSING);
    SendMessageA(page, WM_CLOSE, 0, 0);
}

void EndPage(HWND page, PageResult result)
{
    g_setup.pageResult = result;
    ClosePage(page);
}

void CancelPage(HWND page)
{
    g_setup.pageResult = PAGE_CANCEL;
    ShowNotCompleted(page);
    ClosePage(page);
}

/* Alt+F4 or any other close the page did not ask for would otherwise end
 * it with whatever pageResult holds. While the page's own message box or
 * the browser is open, the page is disabled and the close is left to
 * that window. */
LRESULT OnPageClose(HWND page, void (*leave)(HWND page))
{
    if (GetWindowLongPtrA(page, GWLP_USERDATA) == PAGE_CLOSING)
        return DefWindowProcA(page, WM_CLOSE, 0, 0);
    if (IsWindowEnabled(page))
        leave(page);
    return 0;
}
