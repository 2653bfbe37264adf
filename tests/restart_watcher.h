// Sees a restart of Windows asked for by another process: under Wine,
// ExitWindowsEx ends the session, which sends WM_QUERYENDSESSION to every
// top-level window. The watcher is such a window, on a thread of its own;
// it notes the message and refuses, so the caller goes on.
#ifndef SETUP_RESTART_WATCHER_H
#define SETUP_RESTART_WATCHER_H

#include <windows.h>

void StartRestartWatcher();
void StopRestartWatcher();
// Whether a session end was seen, waiting up to waitMs for one.
bool RestartRequested(DWORD waitMs = 5000);
void ForgetRestart();

#endif
