/* Placeholders until the pages land. */
#include "ui.h"
LRESULT CALLBACK WelcomePageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK MouseTypePageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK FinishPageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
LRESULT CALLBACK DestinationPageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
