/* The pages' and the background window's inner routines, for the tests. */
#ifndef SETUP_UI_TEST_H
#define SETUP_UI_TEST_H

#include "ui.h"

int DirectoryExists(const char *path);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DrawTransparentBitmap(HDC dc, WORD bitmapId, const RECT *origin, int dissolve);

#endif
