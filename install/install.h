/* The install page, and the system.ini update. */
#ifndef SETUP_INSTALL_H
#define SETUP_INSTALL_H

#include "setup_state.h"

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* 0, with what failed noted for the user, when system.ini could not be
 * rewritten (it then stays as it was) or the journal could not keep a
 * change. */
int UpdateSystemIni(void);
/* Sets the first mouse line after "[386Enh]" of system.ini to mouseLine
 * (which ends with its line feed), with the same care: a new file, then
 * put in place by the safe replace; system.bak is left as it is (the
 * uninstaller puts the setup's system.bak back itself). With expected given, only
 * when the line is that text now (compared up to the line end). */
#define MOUSE_LINE_FAILED   0   /* system.ini stays as it was */
#define MOUSE_LINE_SET      1
#define MOUSE_LINE_OTHER    2   /* the line is not the expected one: kept */
int SetSystemIniMouseLine(const char *mouseLine, const char *expected);

#endif
