/* Placeholders until the installation lands. */
#include "install.h"
LRESULT CALLBACK InstallPageProc(HWND w, UINT m, WPARAM p, LPARAM l) { return DefWindowProcA(w, m, p, l); }
void UpdateSystemIni(void) {}
