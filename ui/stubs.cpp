/* Placeholders until the user interface lands. */
#include "ui.h"
PageResult RunPage(const char *, WNDPROC, WORD) { return PAGE_NEXT; }
void ShowNotCompleted(HWND) {}
LRESULT CALLBACK WelcomePageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK MouseTypePageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK FinishPageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK DestinationPageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
int CreateMainWindow(void) { return 1; }
