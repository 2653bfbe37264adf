/* The install page with its copy engine, and the system.ini update. */
#ifndef SETUP_INSTALL_H
#define SETUP_INSTALL_H

#include "../app/setup_state.h"

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void CopyAllFiles(HWND page);
/* The copying part of CopyAllFiles: every file of every disk, with its
 * status text, percentage and bar, until a Cancel. */
void CopyFileTable(HWND page, HDC dc);
/* Full source or target path of record `file` of disk `disk`; 0 (and an
 * empty buffer) when it does not fit. */
int BuildSourcePath(char *buffer, int size, int disk, int file);
int BuildTargetPath(char *buffer, int size, int disk, int file);
void OpenSourceFile(HWND page, const char *path);
/* 0 when an open source did not arrive whole at its target. */
int CopyToTarget(HWND page, const char *path);
/* Makes every missing level of a directory that lies below installDir,
 * each one recorded for the uninstaller; a path outside it is left
 * alone. 1 when the whole directory is there. */
int MakeTargetDirectory(const char *path);
void PumpOneMessage(HWND page);
void DiscardMessagesFor(DWORD milliseconds);
void DrawEtchedFrame(HWND page, HDC dc, int controlId, HBRUSH fillBrush);
void GetControlRect(HWND parent, int controlId, RECT *rect);
/* Share of the disk's files reached with file `file` (from 0) under way. */
short FilePercentage(short file, short count);
/* The blue bar inside the place of control 1011 for that share. */
void DrawProgressBar(HWND page, HDC dc, short percentage);

void UpdateSystemIni(void);
/* Sets the first mouse line after "[386Enh]" of system.ini to mouseLine
 * (which ends with its line feed), with the same care: a new file, then
 * put in place by the safe replace; system.bak is left as it is (the
 * uninstaller puts the setup's system.bak back itself). With expected given, only
 * when the line is that text now (compared up to the line end). */
#define MOUSE_LINE_FAILED   0   /* system.ini stays as it was */
#define MOUSE_LINE_SET      1
#define MOUSE_LINE_OTHER    2   /* the line is not the expected one: kept */
int SetSystemIniMouseLine(const char *mouseLine, const char *expected);

/* Test seams; both stay null in the product. */
struct InstallTestSeams {
    const char *systemDir;              /* used instead of GetSystemDirectoryA */
    void (*updateRegistry)(int flag);   /* called instead of UpdateRegistry */
};
extern InstallTestSeams g_installTestSeams;

#endif
