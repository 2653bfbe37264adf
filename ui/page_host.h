/* Behaviour that every page procedure shares. */
#ifndef SETUP_PAGE_HOST_H
#define SETUP_PAGE_HOST_H

#include "setup_state.h"

/* Registers the page's class and creates the page from its template,
 * owned by the background window; null when it cannot be created. */
HWND CreatePage(const char *className, WNDPROC pageProc, WORD templateId);

/* WM_CREATE of a page: caption "<product> <template caption>", the size
 * grown by one pixel each way, centred on the saved screen size (or on
 * the screen size of this moment), shown. */
void OnPageCreate(HWND page, int useCurrentScreen);

/* What a page procedure does not handle itself: the common creation
 * (OnPageCreate on the saved screen size) and destruction (the quit
 * message that ends RunPage's loop), else the default window procedure. */
LRESULT PageDefaultProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* Formats the text of a control that holds "%s" with the product name. */
void FormatPageText(HWND page, int controlId);

/* The page closes itself (WM_CLOSE); its WM_DESTROY ends RunPage's loop. */
void ClosePage(HWND page);

/* Stores the result and closes the page. */
void EndPage(HWND page, PageResult result);

/* Cancel on the welcome, mouse type and destination pages: the warning,
 * then the page closes with Cancel. */
void CancelPage(HWND page);

/* WM_CLOSE of a page: its own close goes on to destruction; a close it
 * did not ask for (Alt+F4) takes the page's way out, `leave`. */
LRESULT OnPageClose(HWND page, void (*leave)(HWND page));

#endif
