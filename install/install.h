/* The install page with its copy engine, and the system.ini update. */
#ifndef SETUP_INSTALL_H
#define SETUP_INSTALL_H

#include "../app/setup_state.h"

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void CopyAllFiles(HWND page);
/* Full source or target path of record `file` of disk `disk`; 0 (and an
 * empty buffer) when it does not fit. */
int BuildSourcePath(char *buffer, int size, int disk, int file);
int BuildTargetPath(char *buffer, int size, int disk, int file);
void OpenSourceFile(HWND page, const char *path);
void CopyToTarget(HWND page, const char *path);
void PumpOneMessage(HWND page);
void DiscardMessagesFor(DWORD milliseconds);
void DrawEtchedFrame(HWND page, HDC dc, int controlId, HBRUSH fillBrush);
void GetControlRect(HWND parent, int controlId, RECT *rect);

void UpdateSystemIni(void);

#endif
