/* UNINSTAL.EXE: removes what SETUP.EXE installed into this program's
 * directory and puts back what it replaced, from the change journal and
 * the restore record, after asking once.
 *
 * So that the installation directory can go at once, the program asks
 * its question, then starts a copy of itself in the Windows TEMP
 * directory and ends; the copy waits for it to end, does the removal
 * (this program's file included) and leaves only its own file to
 * WININIT.INI. When no copy can be made or started, the removal runs
 * here and this program's file goes at the next start of Windows. */
#include "uninstall.h"
#include "fixed_texts.h"
#include "path_rule.h"
#include "uninstal_res.h"
#include "paths.h"
#include "temp_copy.h"
#include "text.h"
#include "file_ops.h"
#include "components.h"
#include "values.h"
#include "journal.h"

/* The name the uninstall entry gives, when the entry names this program. */
static void ReadEntryName(void)
{
    char command[MAX_PATH];
    HKEY key;
    int ours;
    int i;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    ours = ReadTextValue(key, "UninstallString", command, sizeof(command)) &&
           PathSame(command, g_uninstall.programPath);
    if (!ours || !ReadTextValue(key, "DisplayName", g_setup.productName, sizeof(g_setup.productName)))
        g_setup.productName[0] = '\0';
    RegCloseKey(key);
    for (i = 0; g_setup.productName[i] != '\0'; i++) {
        if (g_setup.productName[i] == '\r' || g_setup.productName[i] == '\n')
            g_setup.productName[i] = '\0';
    }
}

/* The product's name from the journal's last run, else from the
 * uninstall entry, and the caption made from it. */
static void ReadProductName(void)
{
    Journal journal;
    int i;

    g_setup.productName[0] = '\0';
    if (JournalRead(g_uninstall.journalPath, &journal)) {
        for (i = 0; i < journal.count; i++) {
            if (journal.entries[i].kind == J_RUN && JournalText(&journal.entries[i], 2))
                TEXT_COPY(g_setup.productName, journal.entries[i].fields[2]);
        }
        JournalFree(&journal);
    }
    if (g_setup.productName[0] == '\0')
        ReadEntryName();
    if (g_setup.productName[0] == '\0')
        TEXT_COPY(g_setup.productName, LoadText(IDS_SOME_PRODUCT));
    TEXT_COPY(g_setup.caption, g_setup.productName);
    TEXT_APPEND(g_setup.caption, " ");
    TEXT_APPEND(g_setup.caption, LoadText(IDS_UNINSTALL_PROGRAM));
}

static int AskToRemove(void)
{
    return ShowTextMessage(NULL, IDS_QUESTION, g_setup.caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

static int ShowResult(void)
{
    static char text[2 * KEPT_TEXT_MAX + 8 * TEXT_MAX];
    int restart = UninstallMessage(text, sizeof(text));

    return MessageBoxA(NULL, text, g_setup.caption,
                       restart ? MB_YESNO | MB_ICONQUESTION : MB_OK | MB_ICONINFORMATION) == IDYES && restart;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char ownPath[MAX_PATH], dir[MAX_PATH];
    int copy;

    (void)previous;
    (void)show;
    InitSetupState();
    g_setup.instance = instance;
    JournalEnable(0);
    if (!OwnPath(ownPath, sizeof(ownPath)))
        return 0;
    copy = ReadCopyCommand(commandLine, dir, sizeof(dir));
    if (!copy && !PathDirectory(dir, sizeof(dir), ownPath))
        return 0;
    /* a drive root or the Windows directory is no installation's */
    if (!UninstallSetDirectory(dir)) {
        TEXT_COPY(g_setup.productName, LoadText(IDS_SOME_PRODUCT));
        ShowTextMessage(NULL, IDS_NOTHING_REMOVED, TEXT_WARNING, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    g_uninstall.runningCopy = copy;
    ReadProductName();
    if (!copy) {
        if (!AskToRemove())
            return 0;
        if (StartCopyInTemp(ownPath, "~UNINS%02d.EXE", g_setup.installDir))
            return 0;
    }
    CloseCompanion();
    UninstallRun();
    /* the copy in TEMP goes at the next start, whenever that is */
    if (copy)
        WininitAdd(g_setup.windowsDir, NULL, ownPath);
    if (ShowResult())
        ExitWindowsEx(EWX_REBOOT, 0);
    return 0;
}
