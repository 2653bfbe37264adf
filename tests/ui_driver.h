// Drives the setup's windows the way a person would: finds pages and
// message boxes, reads their texts and states, presses buttons and keys,
// works the directory browser and takes screenshots. Works on windows of
// this process (run by another thread) and of a child process alike: it
// only uses messages that the system carries across processes, and every
// wait ends after a timeout.
#ifndef SETUP_UI_DRIVER_H
#define SETUP_UI_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The default for every wait, in milliseconds.
const DWORD UI_TIMEOUT = 10000;

// ---- Finding windows (processId 0: any process) ----
// A visible top-level window of the class (and title, when given).
HWND UiFindWindow(const char *className, const char *title = NULL, DWORD processId = 0);
HWND UiWaitForWindow(const char *className, const char *title = NULL,
                     DWORD timeoutMs = UI_TIMEOUT, DWORD processId = 0);
// A page of the given window class that has finished its start-up (its
// thread is back in its message loop), or NULL: a page found by its
// window alone may not have its controls yet.
HWND UiFindPage(const char *className, DWORD processId = 0);
// The same, waited for; NULL after the timeout.
HWND UiWaitForPage(const char *className, DWORD timeoutMs = UI_TIMEOUT, DWORD processId = 0);
// True once the window no longer exists.
bool UiWaitGone(HWND window, DWORD timeoutMs = UI_TIMEOUT);
// Every visible top-level window of a process (or of all, with 0).
std::vector<HWND> UiTopWindows(DWORD processId = 0);
std::string UiClassName(HWND window);

// ---- Reading ----
std::string UiText(HWND window);
std::string UiItemText(HWND parent, int id);
HWND UiItem(HWND parent, int id);
int UiIsChecked(HWND parent, int id);        // BST_CHECKED and so on, -1 without answer
bool UiIsEnabled(HWND parent, int id);
bool UiIsVisible(HWND parent, int id);
RECT UiWindowRect(HWND window);
// The window that has the keyboard focus in the window's thread.
HWND UiFocus(HWND anyWindowOfTheThread);

// ---- Acting (all posted: the driver never waits on the other side) ----
// BM_CLICK on the control; false when there is no such control.
bool UiClick(HWND parent, int id);
bool UiClickWindow(HWND button);
// Posts WM_KEYDOWN and WM_KEYUP of a virtual key to the focus window of
// the window's thread (or the window itself when nothing has the focus).
void UiPressKey(HWND anyWindowOfTheThread, UINT virtualKey);
// Sets a control's text (WM_SETTEXT, as typing it would leave it).
bool UiSetItemText(HWND parent, int id, const std::string &text);

// ---- Message boxes ----
struct UiMessageBox {
    HWND window;
    std::string caption;
    std::string text;
    std::string icon;                         // "exclamation", "question", "asterisk", "hand", "none", "unknown"
    std::vector<std::string> buttons;         // button texts, in the order of their ids
    std::vector<int> buttonIds;
};
// Waits for a message box (a dialog of class #32770 with a static text
// and push buttons only); owner, when given, must be its owner.
bool UiWaitForMessageBox(UiMessageBox *box, DWORD timeoutMs = UI_TIMEOUT,
                         DWORD processId = 0, HWND owner = NULL);
// Presses the box's button with this id (IDOK, IDCANCEL, ...) and waits
// until the box is gone.
bool UiAnswerMessageBox(const UiMessageBox &box, int buttonId);

// ---- The "Browse Directory" dialog ----
HWND UiWaitForBrowser(DWORD timeoutMs = UI_TIMEOUT, DWORD processId = 0);
std::vector<std::string> UiListItems(HWND parent, int listId);     // list box
std::vector<std::string> UiComboItems(HWND parent, int comboId);   // combo box
int UiListSelection(HWND parent, int listId);
// Selects an entry as a click (LBN_SELCHANGE) or a double click (also
// LBN_DBLCLK) would, notifying the dialog.
bool UiSelectListItem(HWND parent, int listId, int index, bool doubleClick);
// Selects a combo box entry and notifies the dialog (CBN_SELCHANGE).
bool UiSelectComboItem(HWND parent, int comboId, int index);
// Index of the entry whose text equals the text (case-insensitive), or -1.
int UiFindItem(const std::vector<std::string> &items, const std::string &text);
// Waits until the control's text equals the expected one; returns the
// last text read.
std::string UiWaitItemText(HWND parent, int id, const std::string &expected,
                           DWORD timeoutMs = UI_TIMEOUT);

// ---- Screenshots ----
// Saves the screen (window NULL) or the window's rectangle as a 24-bit
// BMP file.
bool UiSaveScreenshot(const std::string &path, HWND window = NULL);
// The screen's pixels in a rectangle as 0x00RRGGBB, top row first.
std::vector<DWORD> UiScreenPixels(const RECT &rect);

// ---- Running ----
// Runs the script on a second thread while this thread runs the body
// (typically RunPage). When the script ends or the timeout passes while
// the body still runs, every window of this process left open is closed
// (message boxes answered, pages sent WM_CLOSE) so the body returns.
// False when the body had to be ended that way or the script did not
// finish in time.
bool UiDrive(const std::function<void()> &script, const std::function<void()> &body,
             DWORD timeoutMs = 60000);

// A child process started with a command line in a directory; false
// when it cannot start.
bool UiStartProcess(const std::string &commandLine, const std::string &directory,
                    PROCESS_INFORMATION *process);
// Waits for the process to end; after the timeout it is terminated and
// the result is false. The handles are closed either way.
bool UiWaitProcess(PROCESS_INFORMATION *process, DWORD timeoutMs, DWORD *exitCode);

// Sleeps (the driver's threads own no windows).
void UiPause(DWORD ms);
// Waits until the test passes; false after the timeout.
bool UiWaitUntil(const std::function<bool()> &test, DWORD timeoutMs = UI_TIMEOUT);
// Waits until the window and its children have nothing left to paint
// (every window of the process, with processId and window NULL).
bool UiWaitPainted(HWND window, DWORD processId = 0, DWORD timeoutMs = UI_TIMEOUT);

#endif
