// The UI test driver. Everything it sends goes through
// SendMessageTimeout, everything that makes the other side act is
// posted, so neither a modal loop nor a hung window can block it.
#include "ui_driver.h"

#include <stdio.h>
#include <string.h>

namespace {

const DWORD SEND_TIMEOUT = 3000;
const DWORD POLL_MS = 20;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *result)
{
    DWORD_PTR answer = 0;
    LRESULT ok = SendMessageTimeoutA(window, message, wParam, lParam,
                                     SMTO_ABORTIFHUNG | SMTO_BLOCK, SEND_TIMEOUT, &answer);
    if (result != NULL)
        *result = answer;
    return ok != 0;
}

// Polls until the test passes or the time is up.
bool WaitFor(const std::function<bool()> &test, DWORD timeoutMs)
{
    DWORD start = GetTickCount();

    for (;;) {
        if (test())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        UiPause(POLL_MS);
    }
}

struct FindRequest {
    const char *className;
    const char *title;
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    FindRequest *request = (FindRequest *)lParam;
    DWORD processId = 0;

    if (!IsWindowVisible(window))
        return TRUE;
    GetWindowThreadProcessId(window, &processId);
    if (request->processId != 0 && processId != request->processId)
        return TRUE;
    if (request->className != NULL && UiClassName(window) != request->className)
        return TRUE;
    if (request->title != NULL && UiText(window) != request->title)
        return TRUE;
    request->found.push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != NULL;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsPushButton(HWND window)
{
    LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
    return UiClassName(window) == "Button" &&
           (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

// The static of a message box that shows its icon.
HWND IconStatic(HWND box)
{
    for (HWND child : Children(box)) {
        if (UiClassName(child) == "Static" &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return NULL;
}

struct IconName { LPCSTR id; const char *name; };
const IconName iconNames[] = {
    { IDI_EXCLAMATION, "exclamation" },
    { IDI_QUESTION, "question" },
    { IDI_ASTERISK, "asterisk" },
    { IDI_HAND, "hand" },
};

// Reads the pixels of a screen rectangle as 32-bit values, top row first.
std::vector<DWORD> ScreenPixels(const RECT &rect)
{
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap != NULL) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        pixels.assign((DWORD *)bits, (DWORD *)bits + (size_t)width * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

// The icon drawn the way the static draws it, on the background the
// captured control shows in its corner.
std::vector<DWORD> RenderIcon(HICON icon, int width, int height, DWORD background)
{
    std::vector<DWORD> pixels;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap != NULL) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        for (int i = 0; i < width * height; i++)
            ((DWORD *)bits)[i] = background;
        DrawIconEx(memory, 0, 0, icon, 0, 0, 0, NULL, DI_NORMAL | DI_DEFAULTSIZE);
        GdiFlush();
        pixels.assign((DWORD *)bits, (DWORD *)bits + (size_t)width * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

// A box of another process holds an icon handle of that process; then
// the icon is told by its look: the candidate drawn the closest to what
// the screen shows.
std::string IconByLook(HWND iconStatic)
{
    RECT rect;
    GetWindowRect(iconStatic, &rect);
    std::vector<DWORD> shown = ScreenPixels(rect);
    if (shown.empty())
        return "unknown";
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::string best = "unknown";
    size_t bestDiff = (size_t)-1;
    for (const IconName &candidate : iconNames) {
        std::vector<DWORD> drawn = RenderIcon(LoadIconA(NULL, candidate.id), width, height,
                                              shown[0] & 0xFFFFFF);
        size_t diff = 0;
        for (size_t i = 0; i < shown.size() && i < drawn.size(); i++)
            diff += (shown[i] & 0xFFFFFF) != (drawn[i] & 0xFFFFFF);
        if (diff < bestDiff) {
            bestDiff = diff;
            best = candidate.name;
        }
    }
    return bestDiff * 10 < shown.size() ? best : "unknown";
}

std::string IconOf(HWND box)
{
    HWND iconStatic = IconStatic(box);
    DWORD_PTR icon = 0;
    if (iconStatic == NULL || !IsWindowVisible(iconStatic))
        return "none";
    Send(iconStatic, STM_GETICON, 0, 0, &icon);
    if (icon == 0)
        return "none";
    for (const IconName &candidate : iconNames) {
        if ((HICON)icon == LoadIconA(NULL, candidate.id))
            return candidate.name;
    }
    // The box of another process may not have painted its icon yet (its
    // thread paints once its queue is empty): asked to paint at once, and
    // looked at again until it shows or the time is up.
    std::string name = "unknown";
    WaitFor([&]() {
        RedrawWindow(iconStatic, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        Send(iconStatic, WM_NULL, 0, 0, NULL);
        return (name = IconByLook(iconStatic)) != "unknown";
    }, 2000);
    return name;
}

bool ReadMessageBox(HWND window, UiMessageBox *box)
{
    box->window = window;
    box->caption = UiText(window);
    box->text.clear();
    box->buttons.clear();
    box->buttonIds.clear();
    bool hasText = false;
    for (HWND child : Children(window)) {
        std::string className = UiClassName(child);
        if (className == "Static" &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            std::string text = UiText(child);
            if (text.size() >= box->text.size())
                box->text = text;
            hasText = true;
        } else if (IsPushButton(child) && IsWindowVisible(child)) {
            box->buttons.push_back(UiText(child));
            box->buttonIds.push_back(GetDlgCtrlID(child));
        } else if (className != "Static" && className != "Button") {
            return false;   // an edit, a list: not a message box
        }
    }
    box->icon = IconOf(window);
    return hasText && !box->buttons.empty();
}

DWORD WINAPI RunScript(LPVOID parameter)
{
    const std::function<void()> *script = (const std::function<void()> *)parameter;
    (*script)();
    return 0;
}

// Ends what keeps the body waiting: answers message boxes and closes
// pages and dialogs of this process.
void CloseLeftWindows(void)
{
    for (HWND window : UiTopWindows(GetCurrentProcessId())) {
        if (UiClassName(window) == "#32770") {
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
    }
}

struct Watch {
    HANDLE scriptThread;
    DWORD timeoutMs;
    volatile LONG bodyDone;
    volatile LONG forced;
};

// Waits for the script, gives the body a moment to end by itself after
// the script's last act, then closes whatever still keeps it waiting.
DWORD WINAPI WatchBody(LPVOID parameter)
{
    Watch *watch = (Watch *)parameter;
    WaitForSingleObject(watch->scriptThread, watch->timeoutMs);
    for (int i = 0; i < 150 && !watch->bodyDone; i++)
        Sleep(20);
    while (!watch->bodyDone) {
        InterlockedExchange(&watch->forced, 1);
        CloseLeftWindows();
        Sleep(200);
    }
    return 0;
}

}  // namespace

// ---- Finding windows ----

std::string UiClassName(HWND window)
{
    char name[256];
    if (GetClassNameA(window, name, sizeof(name)) == 0)
        return std::string();
    return name;
}

std::vector<HWND> UiTopWindows(DWORD processId)
{
    FindRequest request = { NULL, NULL, processId, std::vector<HWND>() };
    EnumWindows(CollectWindow, (LPARAM)&request);
    return request.found;
}

HWND UiFindWindow(const char *className, const char *title, DWORD processId)
{
    FindRequest request = { className, title, processId, std::vector<HWND>() };
    EnumWindows(CollectWindow, (LPARAM)&request);
    return request.found.empty() ? NULL : request.found[0];
}

HWND UiWaitForWindow(const char *className, const char *title, DWORD timeoutMs, DWORD processId)
{
    HWND found = NULL;
    WaitFor([&]() { return (found = UiFindWindow(className, title, processId)) != NULL; },
            timeoutMs);
    return found;
}

HWND UiFindPage(const char *className, DWORD processId)
{
    HWND page = UiFindWindow(className, NULL, processId);
    // A page is shown while it is being made, before its controls exist:
    // a message answered means the page's thread is back in a message
    // loop, so its controls are there and PAGE_INIT has run.
    if (page == NULL || !Send(page, WM_NULL, 0, 0, NULL) || GetWindow(page, GW_CHILD) == NULL)
        return NULL;
    return page;
}

HWND UiWaitForPage(const char *className, DWORD timeoutMs, DWORD processId)
{
    HWND page = NULL;
    WaitFor([&]() { return (page = UiFindPage(className, processId)) != NULL; }, timeoutMs);
    return page;
}

bool UiWaitGone(HWND window, DWORD timeoutMs)
{
    return WaitFor([&]() { return !IsWindow(window); }, timeoutMs);
}

// ---- Reading ----

std::string UiText(HWND window)
{
    DWORD_PTR length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return std::string();
    std::vector<char> text(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, text.size(), (LPARAM)text.data(), &copied))
        return std::string();
    return std::string(text.data(), strnlen(text.data(), text.size()));
}

HWND UiItem(HWND parent, int id)
{
    return GetDlgItem(parent, id);
}

std::string UiItemText(HWND parent, int id)
{
    HWND item = GetDlgItem(parent, id);
    return item != NULL ? UiText(item) : std::string("<no control>");
}

int UiIsChecked(HWND parent, int id)
{
    DWORD_PTR state = 0;
    HWND item = GetDlgItem(parent, id);
    if (item == NULL || !Send(item, BM_GETCHECK, 0, 0, &state))
        return -1;
    return (int)state;
}

bool UiIsEnabled(HWND parent, int id)
{
    HWND item = GetDlgItem(parent, id);
    return item != NULL && IsWindowEnabled(item);
}

bool UiIsVisible(HWND parent, int id)
{
    HWND item = GetDlgItem(parent, id);
    return item != NULL && IsWindowVisible(item);
}

RECT UiWindowRect(HWND window)
{
    RECT rect = { 0, 0, 0, 0 };
    GetWindowRect(window, &rect);
    return rect;
}

HWND UiFocus(HWND anyWindowOfTheThread)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    DWORD thread = GetWindowThreadProcessId(anyWindowOfTheThread, NULL);
    if (thread == 0 || !GetGUIThreadInfo(thread, &info))
        return NULL;
    return info.hwndFocus;
}

// ---- Acting ----

bool UiClickWindow(HWND button)
{
    // Posted to no window, the click would land in this thread's own queue.
    if (button == NULL) {
        fprintf(stderr, "UiClick: no such control\n");
        return false;
    }
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool UiClick(HWND parent, int id)
{
    return UiClickWindow(GetDlgItem(parent, id));
}

void UiPressKey(HWND anyWindowOfTheThread, UINT virtualKey)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    HWND target = anyWindowOfTheThread;
    DWORD thread = GetWindowThreadProcessId(anyWindowOfTheThread, NULL);
    if (thread != 0 && GetGUIThreadInfo(thread, &info)) {
        if (info.hwndFocus != NULL)
            target = info.hwndFocus;
        else if (info.hwndActive != NULL)
            target = info.hwndActive;
    }
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

bool UiSetItemText(HWND parent, int id, const std::string &text)
{
    HWND item = GetDlgItem(parent, id);
    return item != NULL && Send(item, WM_SETTEXT, 0, (LPARAM)text.c_str(), NULL);
}

// ---- Message boxes ----

bool UiWaitForMessageBox(UiMessageBox *box, DWORD timeoutMs, DWORD processId, HWND owner)
{
    return WaitFor([&]() {
        FindRequest request = { "#32770", NULL, processId, std::vector<HWND>() };
        EnumWindows(CollectWindow, (LPARAM)&request);
        for (HWND window : request.found) {
            if (owner != NULL && GetWindow(window, GW_OWNER) != owner)
                continue;
            if (ReadMessageBox(window, box))
                return true;
        }
        return false;
    }, timeoutMs);
}

bool UiAnswerMessageBox(const UiMessageBox &box, int buttonId)
{
    HWND button = GetDlgItem(box.window, buttonId);
    if (button == NULL)
        return false;
    UiClickWindow(button);
    return UiWaitGone(box.window, UI_TIMEOUT);
}

// ---- The browser ----

HWND UiWaitForBrowser(DWORD timeoutMs, DWORD processId)
{
    HWND browser = NULL;
    WaitFor([&]() {
        browser = UiFindWindow("#32770", "Browse Directory", processId);
        return browser != NULL && Send(browser, WM_NULL, 0, 0, NULL);
    }, timeoutMs);
    return browser;
}

static std::vector<std::string> ReadItems(HWND control, UINT countMessage, UINT lengthMessage,
                                          UINT textMessage)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (control == NULL || !Send(control, countMessage, 0, 0, &count))
        return items;
    for (DWORD_PTR i = 0; i < count && (LONG_PTR)count > 0; i++) {
        DWORD_PTR length = 0;
        Send(control, lengthMessage, i, 0, &length);
        if ((LONG_PTR)length < 0)
            length = 0;
        std::vector<char> text(length + 2, '\0');
        Send(control, textMessage, i, (LPARAM)text.data(), NULL);
        items.push_back(std::string(text.data(), strnlen(text.data(), text.size())));
    }
    return items;
}

std::vector<std::string> UiListItems(HWND parent, int listId)
{
    return ReadItems(GetDlgItem(parent, listId), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> UiComboItems(HWND parent, int comboId)
{
    return ReadItems(GetDlgItem(parent, comboId), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int UiListSelection(HWND parent, int listId)
{
    DWORD_PTR selection = (DWORD_PTR)LB_ERR;
    Send(GetDlgItem(parent, listId), LB_GETCURSEL, 0, 0, &selection);
    return (int)(LONG_PTR)selection;
}

bool UiSelectListItem(HWND parent, int listId, int index, bool doubleClick)
{
    HWND list = GetDlgItem(parent, listId);
    DWORD_PTR result = 0;
    if (list == NULL || !Send(list, LB_SETCURSEL, index, 0, &result) || (LONG_PTR)result == LB_ERR)
        return false;
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), (LPARAM)list);
    if (doubleClick)
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK), (LPARAM)list);
    return true;
}

bool UiSelectComboItem(HWND parent, int comboId, int index)
{
    HWND combo = GetDlgItem(parent, comboId);
    DWORD_PTR result = 0;
    if (combo == NULL || !Send(combo, CB_SETCURSEL, index, 0, &result) || (LONG_PTR)result == CB_ERR)
        return false;
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), (LPARAM)combo);
    return true;
}

int UiFindItem(const std::vector<std::string> &items, const std::string &text)
{
    for (size_t i = 0; i < items.size(); i++) {
        if (lstrcmpiA(items[i].c_str(), text.c_str()) == 0)
            return (int)i;
    }
    return -1;
}

std::string UiWaitItemText(HWND parent, int id, const std::string &expected, DWORD timeoutMs)
{
    std::string text;
    WaitFor([&]() { return (text = UiItemText(parent, id)) == expected; }, timeoutMs);
    return text;
}

// ---- Screenshots ----

std::vector<DWORD> UiScreenPixels(const RECT &rect)
{
    return ScreenPixels(rect);
}

bool UiSaveScreenshot(const std::string &path, HWND window)
{
    RECT rect = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    if (window != NULL)
        GetWindowRect(window, &rect);
    std::vector<DWORD> pixels = ScreenPixels(rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (pixels.empty())
        return false;
    int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    ZeroMemory(&file, sizeof(file));
    ZeroMemory(&header, sizeof(header));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + (DWORD)rowBytes * height;
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = (DWORD)rowBytes * height;
    FILE *out = fopen(path.c_str(), "wb");
    if (out == NULL)
        return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            DWORD pixel = pixels[(size_t)y * width + x];
            row[x * 3] = (unsigned char)(pixel & 0xFF);
            row[x * 3 + 1] = (unsigned char)((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = (unsigned char)((pixel >> 16) & 0xFF);
        }
        fwrite(row.data(), 1, row.size(), out);
    }
    return fclose(out) == 0;
}

// ---- Running ----

bool UiDrive(const std::function<void()> &script, const std::function<void()> &body,
             DWORD timeoutMs)
{
    HANDLE thread = CreateThread(NULL, 0, RunScript, (LPVOID)&script, 0, NULL);
    if (thread == NULL)
        return false;
    Watch watch = { thread, timeoutMs, 0, 0 };
    HANDLE watchdog = CreateThread(NULL, 0, WatchBody, &watch, 0, NULL);
    body();
    InterlockedExchange(&watch.bodyDone, 1);
    bool scriptEnded = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    if (!scriptEnded) {
        fprintf(stderr, "UiDrive: the script did not finish\n");
        TerminateThread(thread, 1);
    }
    if (watchdog != NULL) {
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
    }
    CloseHandle(thread);
    // Messages the script posted to windows now gone stay harmless, but a
    // quit message left over would end the next page at once.
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return scriptEnded && !watch.forced;
}

bool UiStartProcess(const std::string &commandLine, const std::string &directory,
                    PROCESS_INFORMATION *process)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    ZeroMemory(process, sizeof(*process));
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    return CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL,
                          directory.empty() ? NULL : directory.c_str(), &startup, process) != 0;
}

bool UiWaitProcess(PROCESS_INFORMATION *process, DWORD timeoutMs, DWORD *exitCode)
{
    bool ended = WaitForSingleObject(process->hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process->hProcess, 99);
        WaitForSingleObject(process->hProcess, 5000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process->hProcess, &code);
    if (exitCode != NULL)
        *exitCode = code;
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
    ZeroMemory(process, sizeof(*process));
    return ended;
}

void UiPause(DWORD ms)
{
    Sleep(ms);
}

bool UiWaitUntil(const std::function<bool()> &test, DWORD timeoutMs)
{
    return WaitFor(test, timeoutMs);
}

namespace {

// Whether the window or one of its children waits to be painted.
bool NeedsPaint(HWND window)
{
    if (GetUpdateRect(window, NULL, FALSE))
        return true;
    for (HWND child : Children(window))
        if (NeedsPaint(child))
            return true;
    return false;
}

}  // namespace

bool UiWaitPainted(HWND window, DWORD processId, DWORD timeoutMs)
{
    return WaitFor([&]() {
        std::vector<HWND> windows = window != NULL ? std::vector<HWND>{ window } : UiTopWindows(processId);
        for (HWND each : windows) {
            // an answer means the thread has come back to its queue, where it paints
            if (!Send(each, WM_NULL, 0, 0, NULL) || NeedsPaint(each))
                return false;
        }
        return true;
    }, timeoutMs);
}
