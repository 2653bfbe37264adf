/* The install page's and copy engine's inner routines, for the tests. */
#ifndef SETUP_INSTALL_TEST_H
#define SETUP_INSTALL_TEST_H

#include "copy_engine.h"
#include "install.h"

/* The page's whole installation: the files, then the registry update. */
void CopyAllFiles(HWND page);
/* The copying part of CopyAllFiles: every file of every disk, with its
 * status text, percentage and bar, until a Cancel. */
void CopyFileTable(HWND page, HDC dc);
void PumpOneMessage(HWND page);
void DiscardMessagesFor(DWORD milliseconds);
void GetControlRect(HWND parent, int controlId, RECT *rect);
void DrawEtchedFrame(HWND page, HDC dc, int controlId, HBRUSH fillBrush);
/* The blue bar inside the place of control 1011 for that share. */
void DrawProgressBar(HWND page, HDC dc, short percentage);

#endif
