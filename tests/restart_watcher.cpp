#include "restart_watcher.h"

static HANDLE watcherThread;
static DWORD watcherThreadId;
static HANDLE restartSeen;   // set by the session end, manual reset

static LRESULT CALLBACK WatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERYENDSESSION) {
        SetEvent(restartSeen);
        return FALSE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static DWORD WINAPI WatcherThread(void *ready)
{
    WNDCLASSA watcherClass = {};
    watcherClass.lpfnWndProc = WatcherProc;
    watcherClass.hInstance = GetModuleHandleA(NULL);
    watcherClass.lpszClassName = "SetupTestRestartWatcher";
    RegisterClassA(&watcherClass);
    HWND window = CreateWindowExA(0, watcherClass.lpszClassName, "restart watcher", WS_POPUP,
                                  0, 0, 1, 1, NULL, NULL, watcherClass.hInstance, NULL);
    SetEvent((HANDLE)ready);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}

void StartRestartWatcher()
{
    if (restartSeen == NULL)
        restartSeen = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    watcherThread = CreateThread(NULL, 0, WatcherThread, ready, 0, &watcherThreadId);
    WaitForSingleObject(ready, 5000);
    CloseHandle(ready);
    ForgetRestart();
}

void StopRestartWatcher()
{
    PostThreadMessageA(watcherThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(watcherThread, 5000);
    CloseHandle(watcherThread);
}

bool RestartRequested(DWORD waitMs)
{
    // The session end is sent from another process: give it a moment.
    return WaitForSingleObject(restartSeen, waitMs) == WAIT_OBJECT_0;
}

void ForgetRestart()
{
    ResetEvent(restartSeen);
}
