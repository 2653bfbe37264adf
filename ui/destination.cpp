/* The destination page and its directory browser: shows installDir,
 * lets the user pick another one through the platform's old-style file
 * dialog, and on Next checks, asks about and creates the directory. */
#include "page_host.h"
#include "fixed_texts.h"
#include "ui_test.h"
#include "text.h"
#include "resource.h"
#include "journal.h"

#include <commdlg.h>
#include <dlgs.h>

/* The browser's hidden file-name field holds this placeholder; the name
 * is never read back. The buffer's size, zero included, is what the
 * dialog is told. */
#define BROWSE_PLACEHOLDER "12345678.ABC"
static char browseFileName[sizeof(BROWSE_PLACEHOLDER)];

static void BrowseForDirectory(HWND owner);
static UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

int DirectoryExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);

    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

/* Free space of a drive in KB, formed in 64 bits (a product beyond them
 * saturates, which is more than any minimum). A drive that does not
 * answer (no such letter, not ready) reports 0 through *known. */
static ULONGLONG FreeSpaceKb(const char *root, int *known)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ULONGLONG clusterBytes;

    *known = GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector,
                               &freeClusters, &totalClusters) != 0;
    if (!*known)
        return 0;
    clusterBytes = (ULONGLONG)sectorsPerCluster * bytesPerSector;
    if (freeClusters != 0 && clusterBytes > ~(ULONGLONG)0 / freeClusters)
        return ~(ULONGLONG)0 / 1024;
    return clusterBytes * freeClusters / 1024;
}

/* "X:\" for the drive of the destination; only a to z are upper-cased. */
static void DriveRoot(char *root, const char *path)
{
    char letter = path[0];

    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 'a' + 'A');
    root[0] = letter;
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
}

/* A control's whole text into a buffer of at most TEXT_MAX characters,
 * or an empty buffer when it does not fit: a path is never cut into
 * another directory. 1 when it fitted. */
static int ReadWholeText(HWND window, int controlId, char *buffer, int size)
{
    char text[TEXT_MAX + 1];
    UINT length = GetDlgItemTextA(window, controlId, text, sizeof(text));

    buffer[0] = '\0';
    if (length >= (UINT)size)
        return 0;
    return TextCopy(buffer, size, text);
}

static int HasDriveForm(const char *path)
{
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}

static void OnDestinationInit(HWND page)
{
    FormatPageText(page, IDC_PAGE_TEXT);
    SetDlgItemTextA(page, IDC_DESTINATION_PATH, g_setup.installDir);
}

static void OnBrowse(HWND page)
{
    BrowseForDirectory(page);
    SetDlgItemTextA(page, IDC_DESTINATION_PATH, g_setup.installDir);
}

/* Next: the form, the question about an existing directory, the free
 * space and the creation of the last component; the page closes only
 * when all of them pass. */
static void OnNext(HWND page)
{
    char root[4];
    int exists, known;
    ULONGLONG freeKb;

    g_setup.pageResult = PAGE_NEXT;
    ReadWholeText(page, IDC_DESTINATION_PATH, g_setup.installDir, sizeof(g_setup.installDir));
    DriveRoot(root, g_setup.installDir);
    if (!HasDriveForm(g_setup.installDir)) {
        ShowTextMessage(page, IDS_CANNOT_CREATE, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    exists = DirectoryExists(g_setup.installDir);
    if (exists && ShowTextMessage(page, IDS_DIRECTORY_EXISTS, g_setup.caption,
                                  MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
        return;
    /* A drive whose free space cannot be read is not usable. */
    freeKb = FreeSpaceKb(root, &known);
    if (!known) {
        ShowTextMessage(page, IDS_CANNOT_CREATE, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    /* freeKb stays below 2^54, so both are plain signed numbers. */
    if ((LONGLONG)freeKb < (LONGLONG)g_setup.minimumSpaceKb) {
        ShowTextMessage(page, IDS_NO_SPACE, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!exists)
        JournalDirectory(g_setup.installDir);
    if (!exists && !CreateDirectoryA(g_setup.installDir, NULL)) {
        ShowTextMessage(page, IDS_CANNOT_CREATE, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    /* the directory's entry is on the disk before anything else happens */
    JournalOpen();
    ClosePage(page);
}

static int OnDestinationCommand(HWND page, WPARAM wParam)
{
    switch (wParam) {
    case IDC_NEXT:
        OnNext(page);
        return 1;
    case IDC_CANCEL:
        CancelPage(page);
        return 1;
    case IDC_BACK:
        EndPage(page, PAGE_BACK);
        return 1;
    case IDC_BROWSE:
        OnBrowse(page);
        return 1;
    }
    return 0;
}

LRESULT CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(message)) {
    case WM_CLOSE:
        return OnPageClose(page, CancelPage);
    case WM_COMMAND:
        if (OnDestinationCommand(page, wParam))
            return 0;
        break;
    case PAGE_INIT:
        OnDestinationInit(page);
        break;
    }
    return PageDefaultProc(page, message, wParam, lParam);
}

/* ---- The directory browser ---- */

static void BrowseForDirectory(HWND owner)
{
    OPENFILENAMEA request;
    char directory[MAX_PATH];
    DWORD length;
    BOOL confirmed;

    TEXT_COPY(browseFileName, BROWSE_PLACEHOLDER);
    ZeroMemory(&request, sizeof(request));
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.hInstance = g_setup.instance;
    request.lpstrFile = browseFileName;
    request.nMaxFile = sizeof(browseFileName);
    request.lpstrInitialDir = "C:\\";
    /* Without a title the platform names the dialog "Open File". */
    request.lpstrTitle = TEXT_BROWSE_DIRECTORY;
    /* Without OFN_LONGNAMES the old-style dialog of Windows 95 lists and
     * returns 8.3 names. */
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK |
                    OFN_ENABLETEMPLATE | OFN_NOVALIDATE | OFN_LONGNAMES;
    request.lpfnHook = BrowseHookProc;
    request.lpTemplateName = MAKEINTRESOURCEA(IDD_BROWSE);
    /* The dialog moves the process's current directory as the user
     * browses; not every platform puts it back for OFN_NOCHANGEDIR, so
     * it is put back here. */
    length = GetCurrentDirectoryA(sizeof(directory), directory);
    confirmed = GetOpenFileNameA(&request);
    if (length > 0 && length < sizeof(directory))
        SetCurrentDirectoryA(directory);
    if (!confirmed)
        return;
    /* A text too long for the destination leaves it empty, and Next
     * refuses it. */
    if (!TEXT_COPY(g_setup.installDir, g_setup.browsePath))
        g_setup.installDir[0] = '\0';
}

static void OnBrowseInit(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_DESTINATION_PATH);

    SetWindowTextA(edit, g_setup.browsePath);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, (LPARAM)0xFFFF0000u);
}

/* The dialog has moved the process's current directory to what it now
 * lists; a directory too long for browsePath empties it rather than
 * leave another directory in its place. */
static void OnBrowseRefresh(HWND dialog)
{
    char directory[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof(directory), directory);

    if (length >= sizeof(directory) ||
        (length > 0 && !TEXT_COPY(g_setup.browsePath, directory)))
        g_setup.browsePath[0] = '\0';
    SetDlgItemTextA(dialog, IDC_DESTINATION_PATH, g_setup.browsePath);
}

static void OnBrowseCommand(HWND dialog, WPARAM wParam)
{
    WORD id = LOWORD(wParam);
    WORD code = HIWORD(wParam);

    switch (id) {
    case IDOK:
        ReadWholeText(dialog, IDC_DESTINATION_PATH, g_setup.browsePath, sizeof(g_setup.browsePath));
        break;
    case lst2:
        if (code == LBN_SELCHANGE || code == LBN_DBLCLK)
            PostMessageA(dialog, BROWSE_REFRESH, 0, 0);
        break;
    case cmb2:
        if (code == CBN_SELCHANGE)
            PostMessageA(dialog, BROWSE_REFRESH, 0, 0);
        break;
    }
}

/* Posted steps run after the platform dialog has done its own work. The
 * hook never claims a message, so the dialog always goes on with it. */
static UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        TEXT_COPY(g_setup.browsePath, g_setup.installDir);
        PostMessageA(dialog, PAGE_INIT, 0, 0);
        break;
    case PAGE_INIT:
        OnBrowseInit(dialog);
        break;
    case BROWSE_REFRESH:
        OnBrowseRefresh(dialog);
        break;
    case WM_COMMAND:
        OnBrowseCommand(dialog, wParam);
        break;
    }
    return 0;
}
