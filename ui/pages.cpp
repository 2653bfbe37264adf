/* The welcome, mouse type and finish pages: a greeting, the mouse choice
 * and the restart choice. */
#include "page_host.h"
#include "ui.h"
#include "resource.h"

/* ---- Welcome page ---- */

static void OnWelcomeInit(HWND page)
{
    FormatPageText(page, IDC_WELCOME_TEXT);
}

/* The Back button is disabled in the template; its command is not
 * handled. */
static int OnWelcomeCommand(HWND page, WPARAM wParam)
{
    switch (wParam) {
    case IDC_NEXT:
        EndPage(page, PAGE_NEXT);
        return 1;
    case IDC_CANCEL:
        CancelPage(page);
        return 1;
    }
    return 0;
}

LRESULT CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CLOSE:
        return OnPageClose(page, CancelPage);
    case WM_COMMAND:
        if (OnWelcomeCommand(page, wParam))
            return 0;
        break;
    case PAGE_INIT:
        OnWelcomeInit(page);
        break;
    }
    return PageDefaultProc(page, message, wParam, lParam);
}

/* ---- Mouse type page ---- */

static void OnMouseTypeInit(HWND page)
{
    CheckRadioButton(page, IDC_SERIAL_MOUSE, IDC_PS2_MOUSE,
                     g_setup.serialMouse != 0 ? IDC_SERIAL_MOUSE : IDC_PS2_MOUSE);
    EnableWindow(GetDlgItem(page, IDC_BACK), g_setup.backEnabled != 0);
}

/* The choice is kept at the click, so Back and Cancel keep it too. */
static void OnMouseTypeChoice(WPARAM wParam)
{
    g_setup.serialMouse = (wParam == IDC_SERIAL_MOUSE) ? 1 : 0;
}

static int OnMouseTypeCommand(HWND page, WPARAM wParam)
{
    switch (wParam) {
    case IDC_NEXT:
        EndPage(page, PAGE_NEXT);
        return 1;
    case IDC_CANCEL:
        CancelPage(page);
        return 1;
    case IDC_BACK:
        EndPage(page, PAGE_BACK);
        return 1;
    case IDC_SERIAL_MOUSE:
    case IDC_PS2_MOUSE:
        OnMouseTypeChoice(wParam);
        return 0;
    }
    return 0;
}

LRESULT CALLBACK MouseTypePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CLOSE:
        return OnPageClose(page, CancelPage);
    case WM_COMMAND:
        if (OnMouseTypeCommand(page, wParam))
            return 0;
        break;
    case PAGE_INIT:
        OnMouseTypeInit(page);
        break;
    }
    return PageDefaultProc(page, message, wParam, lParam);
}

/* ---- Finish page ---- */

/* After files the user went on without, the page says the installation
 * is incomplete instead of successful. */
static void OnFinishInit(HWND page)
{
    const char *incomplete;

    if (g_setup.filesIgnored > 0 && (incomplete = LoadText(IDS_INSTALL_INCOMPLETE)) != NULL)
        SetDlgItemTextA(page, IDC_PAGE_TEXT, incomplete);
    FormatPageText(page, IDC_PAGE_TEXT);
    CheckDlgButton(page, g_setup.restartAfterFinish != 0 ? IDC_RESTART_NOW : IDC_RESTART_LATER,
                   BST_CHECKED);
}

/* Finish leaves pageResult as the install page left it. A close of the
 * page is Finish with the choice shown. */
static void OnFinish(HWND page)
{
    if (IsDlgButtonChecked(page, IDC_RESTART_LATER) == BST_CHECKED)
        g_setup.restartAfterFinish = 0;
    ClosePage(page);
}

LRESULT CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CREATE:
        /* The finish page centres itself on the screen as it is now. */
        OnPageCreate(page, 1);
        return 0;
    case WM_CLOSE:
        return OnPageClose(page, OnFinish);
    case WM_COMMAND:
        if (wParam == IDC_NEXT) {
            OnFinish(page);
            return 0;
        }
        break;
    case PAGE_INIT:
        OnFinishInit(page);
        break;
    }
    return PageDefaultProc(page, message, wParam, lParam);
}
