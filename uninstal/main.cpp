/* UNINSTAL.EXE: removes what SETUP.EXE installed into this program's
 * directory and puts back what it replaced, from the uninstall log and
 * the restore record, after asking once. */
#include "uninstall.h"
#include "uninstal_res.h"
#include "../app/text.h"
#include "../app/wizard.h"
#include "../script/uninstall_log.h"

UninstallState g_uninstall;

void Keep(const char *what, UINT reasonId)
{
    char line[PATH_MAX_LONG + TEXT_MAX];

    g_uninstall.keptCount++;
    if (g_uninstall.keptCount > KEPT_SHOWN)
        return;
    TEXT_COPY(line, "\n- ");
    TEXT_APPEND(line, what);
    TEXT_APPEND(line, " (");
    TEXT_APPEND(line, LoadText(reasonId));
    TEXT_APPEND(line, ")");
    TEXT_APPEND(g_uninstall.kept, line);
}

/* The companion mouse program holds its files open: ask it to close. */
void CloseCompanion(void)
{
    HWND companion = FindWindowA(NULL, COMPANION_TITLE);

    if (companion != NULL)
        SendMessageA(companion, WM_CLOSE, 0, 0);
}

/* installDir is this program's directory; the log lies beside it. */
static int FindOwnPlace(void)
{
    char module[PATH_MAX_LONG];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof(module));
    char *slash;
    UINT windowsLength;

    if (length == 0 || length >= sizeof(module))
        return 0;
    module[length] = '\0';
    if (!FullPath(module, g_uninstall.ownPath, sizeof(g_uninstall.ownPath)))
        return 0;
    slash = TextFindLastChar(g_uninstall.ownPath, '\\');
    if (slash == NULL || slash - g_uninstall.ownPath >= (int)sizeof(g_setup.installDir))
        return 0;
    TextCopy(g_setup.installDir, (int)(slash - g_uninstall.ownPath) + 1, g_uninstall.ownPath);
    windowsLength = GetWindowsDirectoryA(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    if (windowsLength == 0 || windowsLength >= sizeof(g_setup.windowsDir))
        g_setup.windowsDir[0] = '\0';
    BuildUninstallLogPath(g_uninstall.logPath, sizeof(g_uninstall.logPath));
    g_uninstall.haveLog = g_uninstall.logPath[0] != '\0' &&
                          GetFileAttributesA(g_uninstall.logPath) != INVALID_FILE_ATTRIBUTES;
    return 1;
}

/* The name the uninstall entry gives, when the entry is this program's. */
static int ReadEntryName(void)
{
    char command[PATH_MAX_LONG], full[PATH_MAX_LONG];
    DWORD type, length = sizeof(command) - 1;
    HKEY key;
    int ours;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    FillBytes(command, 0, sizeof(command));
    ours = RegQueryValueExA(key, "UninstallString", NULL, &type, (BYTE *)command, &length) == ERROR_SUCCESS &&
           FullPath(command, full, sizeof(full)) && lstrcmpiA(full, g_uninstall.ownPath) == 0;
    length = sizeof(g_setup.productName) - 1;
    FillBytes(g_setup.productName, 0, sizeof(g_setup.productName));
    if (!ours || RegQueryValueExA(key, "DisplayName", NULL, &type, (BYTE *)g_setup.productName,
                                  &length) != ERROR_SUCCESS)
        g_setup.productName[0] = '\0';
    RegCloseKey(key);
    g_setup.productName[TextSpanTo(g_setup.productName, "\r\n")] = '\0';
    return g_setup.productName[0] != '\0';
}

/* The product's name from the log, else from the uninstall entry, and
 * the caption made from it. */
static void ReadProductName(void)
{
    if (!ReadLogText(LOG_SECTION_PRODUCT, "Name", g_setup.productName, sizeof(g_setup.productName)) &&
        !ReadEntryName())
        TEXT_COPY(g_setup.productName, LoadText(IDS_SOME_PRODUCT));
    TEXT_COPY(g_setup.caption, g_setup.productName);
    TEXT_APPEND(g_setup.caption, " ");
    TEXT_APPEND(g_setup.caption, LoadText(IDS_UNINSTALL_PROGRAM));
}

/* A string-table text with the product name for its "%s". */
static void ProductText(char *text, int size, UINT id)
{
    char format[TEXT_MAX];

    TEXT_COPY(format, LoadText(id));
    TextFormat(text, size, format, g_setup.productName);
}

static int AskToRemove(void)
{
    char question[2 * TEXT_MAX];

    ProductText(question, sizeof(question), IDS_QUESTION);
    return MessageBoxA(NULL, question, g_setup.caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

/* What was done, what was kept, and the restart question when one is
 * needed; 1 when the user chose to restart. */
static int ShowResult(void)
{
    char text[KEPT_TEXT_MAX + 4 * TEXT_MAX], part[2 * TEXT_MAX];
    UINT style = MB_OK | MB_ICONINFORMATION;

    if (g_uninstall.changes == 0 && g_uninstall.keptCount == 0) {
        ProductText(text, sizeof(text), IDS_NOTHING_LEFT);
    } else {
        if (g_uninstall.changes == 0)
            ProductText(text, sizeof(text), IDS_NOTHING_REMOVED);
        else
            ProductText(text, sizeof(text), g_uninstall.haveLog ? IDS_REMOVED : IDS_PARTLY_REMOVED);
        if (!g_uninstall.haveLog) {
            TEXT_APPEND(text, "\n\n");
            TEXT_APPEND(text, LoadText(IDS_NO_LOG));
        }
        if (g_uninstall.keptCount > 0) {
            TEXT_APPEND(text, "\n\n");
            TEXT_APPEND(text, LoadText(IDS_KEPT));
            TEXT_APPEND(text, g_uninstall.kept);
        }
        if (g_uninstall.keptCount > KEPT_SHOWN) {
            TEXT_COPY(part, LoadText(IDS_MORE_KEPT));
            TEXT_APPEND(text, "\n- ");
            TextFormat(text + lstrlenA(text), (int)(sizeof(text) - lstrlenA(text)), part,
                       g_uninstall.keptCount - KEPT_SHOWN);
        }
    }
    if (g_uninstall.restart) {
        TEXT_APPEND(text, "\n\n");
        TEXT_APPEND(text, LoadText(IDS_RESTART));
        style = MB_YESNO | MB_ICONQUESTION;
    }
    return MessageBoxA(NULL, text, g_setup.caption, style) == IDYES && g_uninstall.restart;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    (void)show;
    InitSetupState();
    g_setup.instance = instance;
    FillBytes(&g_uninstall, 0, sizeof(g_uninstall));
    /* the shared routines must not log the uninstaller's own changes */
    UninstallLogEnable(0);
    if (!FindOwnPlace())
        return 0;
    ReadProductName();
    if (!AskToRemove())
        return 0;
    CloseCompanion();
    RestoreRegistry();
    RestoreSystemIni();
    RemoveFiles();
    RemoveRecord();
    RemoveDirectories();
    WriteWininit();
    if (ShowResult())
        ExitWindowsEx(EWX_REBOOT, 0);
    return 0;
}
