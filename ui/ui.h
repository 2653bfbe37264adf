/* The wizard's user interface: the page host, the pages, the directory
 * browser and the background window. */
#ifndef SETUP_UI_H
#define SETUP_UI_H

#include "setup_state.h"

/* Page host */
PageResult RunPage(const char *className, WNDPROC pageProc, WORD templateId);
void ShowNotCompleted(HWND owner);

/* Welcome, mouse type and finish pages */
LRESULT CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MouseTypePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* Destination page and directory browser */
LRESULT CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* Background window */
int CreateMainWindow(void);

/* The package's own pictures: read before the first page, freed after
 * the last; a page shows the side picture as it is made. */
void LoadPackagePictures(void);
void FreePackagePictures(void);
void ShowSidePicture(HWND page);

#endif
