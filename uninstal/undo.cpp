/* The removal itself: the journal's entries undone newest first, within
 * what the setup could have made; the design is described in
 * uninstall.h. */
#include "undo_parts.h"
#include "uninstal_res.h"
#include "paths.h"
#include "text.h"
#include "file_ops.h"
#include "install.h"
#include "components.h"
#include "values.h"
#include "path_rule.h"
#include "journal.h"

UninstallState g_uninstall;

Journal g_undoJournal;
const char *g_undoNames[NAMES_MAX];   /* the package's Windows file names */
int g_undoNameCount;
int *g_undoDone;                        /* per FILE entry: the index of its DONE, or -1 */
static char *undone;                    /* per entry: 1 when undone */

/* ---- the order of the removal ---- */

/* The way back: what lets the uninstaller run again goes last. 1 the
 * uninstall entry and the restore record, 2 this program, 3 the
 * installation directory and above; 0 anything else. */
static int WayBack(const JournalEntry *entry)
{
    const char *path;

    switch (entry->kind) {
    case J_KEY:
    case J_VALUE:
        /* what is not the setup's is refused with the rest, at once */
        if (!JournalText(entry, 0) || (entry->kind == J_KEY ? !KeyAllowed(entry->fields[0])
                                       : !JournalText(entry, 1) || !ValueAllowed(entry->fields[0], entry->fields[1])))
            return 0;
        return JournalSplitKey(entry->fields[0], &path) == HKEY_LOCAL_MACHINE &&
               (PathBelowOrSame(path, UNINSTALL_ENTRY_KEY) || PathBelow(UNINSTALL_ENTRY_KEY, path)) ? 1 : 0;
    case J_FILE:
        if (PathSame(entry->fields[0], g_uninstall.programPath))
            return 2;
        return IsRestoreRecord(entry->fields[0]);
    case J_DIR:
        return PathSame(g_setup.installDir, entry->fields[0]) || PathWithin(g_setup.installDir, entry->fields[0])
                   ? 3 : 0;
    }
    return 0;
}

static int Undoable(const JournalEntry *entry)
{
    return entry->kind == J_FILE || entry->kind == J_DIR || entry->kind == J_KEY || entry->kind == J_VALUE ||
           entry->kind == J_LINE || entry->kind == J_MOVE;
}

/* One pass over the entries of a way-back group, newest first; UNDO
 * lines while the journal is there. */
static void UndoPass(int group)
{
    int journalThere = GetFileAttributesA(g_uninstall.journalPath) != INVALID_FILE_ATTRIBUTES;
    int i, result;

    for (i = g_undoJournal.count - 1; i >= 0; i--) {
        if (undone[i] || !Undoable(&g_undoJournal.entries[i]) || WayBack(&g_undoJournal.entries[i]) != group)
            continue;
        result = UndoEntry(i);
        if (result == UNDO_REFUSED) {
            Refuse(&g_undoJournal.entries[i]);
            continue;
        }
        if (result == UNDO_DONE) {
            undone[i] = 1;
            if (journalThere)
                JournalUndone(g_uninstall.journalPath, g_undoJournal.entries[i].offset);
        }
    }
    JournalUndoneClose();
}

/* The product's name: the last run's. */
static void ReadNamesAndProduct(void)
{
    int i, f;

    g_undoNameCount = 0;
    for (i = 0; i < g_undoJournal.count; i++) {
        const JournalEntry *entry = &g_undoJournal.entries[i];
        if (entry->kind == J_RUN && JournalText(entry, 2) && entry->fields[2][0] != '\0')
            TEXT_COPY(g_setup.productName, entry->fields[2]);
        for (f = 0; entry->kind == J_NAMES && f < entry->fieldCount && g_undoNameCount < NAMES_MAX; f++) {
            if (JournalText(entry, f))
                g_undoNames[g_undoNameCount++] = entry->fields[f];
        }
    }
}

/* The UNDO lines of earlier runs of the uninstaller. */
static void MarkUndone(void)
{
    DWORD offset;
    int i, j;

    for (i = 0; i < g_undoJournal.count; i++) {
        if (g_undoJournal.entries[i].kind != J_UNDO || !JournalNumber(&g_undoJournal.entries[i], 0, 0, &offset))
            continue;
        j = JournalEntryAt(&g_undoJournal, offset, i);
        if (j >= 0)
            undone[j] = 1;
    }
}

/* A path's hash, the letters A to Z equal to a to z as PathSame compares. */
static DWORD PathHash(const char *path)
{
    DWORD hash = 2166136261u;
    char c;

    for (; *path != '\0'; path++) {
        c = *path >= 'a' && *path <= 'z' ? (char)(*path - 'a' + 'A') : *path;
        hash = (hash ^ (BYTE)c) * 16777619u;
    }
    return hash;
}

/* For each FILE entry its last DONE: after it, before the next FILE
 * entry of the same path. One pass, with the newest FILE entry of each
 * path in a hash table, so the removal stays linear in the journal. */
static int IndexDone(void)
{
    DWORD slots = 16, at;
    int *newest, i, j;
    const JournalEntry *entry;

    while (slots < 2 * (DWORD)g_undoJournal.count)
        slots *= 2;
    g_undoDone = (int *)GlobalAlloc(GMEM_FIXED, ((SIZE_T)g_undoJournal.count + 1) * sizeof(int));
    newest = (int *)GlobalAlloc(GMEM_FIXED, slots * sizeof(int));
    if (g_undoDone == NULL || newest == NULL) {
        if (newest != NULL)
            GlobalFree(newest);
        return 0;
    }
    for (at = 0; at < slots; at++)
        newest[at] = -1;
    for (i = 0; i < g_undoJournal.count; i++) {
        entry = &g_undoJournal.entries[i];
        g_undoDone[i] = -1;
        if (entry->kind != J_FILE && entry->kind != J_DONE)
            continue;
        /* open addressing: the slot of this path, or the free one after */
        for (at = PathHash(entry->fields[0]) & (slots - 1);; at = (at + 1) & (slots - 1)) {
            j = newest[at];
            if (j < 0 || PathSame(g_undoJournal.entries[j].fields[0], entry->fields[0]))
                break;
        }
        if (entry->kind == J_FILE)
            newest[at] = i;
        else if (j >= 0)
            g_undoDone[j] = i;
    }
    GlobalFree(newest);
    return 1;
}

/* 1 when the journal has an entry of this kind whose first fields are these. */
static int HasEntry(int kind, const char *first, const char *second)
{
    int i;

    for (i = 0; i < g_undoJournal.count; i++) {
        const JournalEntry *entry = &g_undoJournal.entries[i];
        if (entry->kind == kind && PathSame(entry->fields[0], first) &&
            (second == NULL || (entry->fieldCount > 1 && PathSame(entry->fields[1], second))))
            return 1;
    }
    return 0;
}

/* Damaged: a line that does not read, no entry at all, or something on
 * the machine that the setup makes only after the journal knows of it:
 * an uninstall entry that names this program must have its entry.
 * What the journal lost may then be told by a later, whole copy of it. */
static int JournalDamaged(void)
{
    char command[MAX_PATH];
    HKEY key;
    int named = 0;

    if (g_undoJournal.damaged > 0 || g_undoJournal.count == 0)
        return 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        named = ReadTextValue(key, "UninstallString", command, sizeof(command)) &&
                PathSame(command, g_uninstall.programPath);
        RegCloseKey(key);
    }
    return named && !HasEntry(J_VALUE, "HKLM\\" UNINSTALL_ENTRY_KEY, "UninstallString");
}

/* What another run could still do: kept things that are neither the
 * user's (final) nor directories (those go with the way back or stay
 * for what is in them). */
static int Pending(void)
{
    return g_uninstall.keptCount - g_uninstall.keptFinal - g_uninstall.keptDirectories;
}

/* The saved originals of files the user changed since: with the way
 * back they go too, as nothing will put them back any more. */
static void RemoveSavedCopies(void)
{
    const JournalEntry *entry;
    int i;

    for (i = 0; i < g_undoJournal.count; i++) {
        entry = &g_undoJournal.entries[i];
        if (entry->kind == J_FILE && entry->fieldCount == 5 && JournalText(entry, 4) &&
            SavedCopyAllowed(entry->fields[4]))
            DeleteFileA(entry->fields[4]);
    }
}

/* Values the restore record holds and the journal has no entry for (it
 * was cut or damaged): their recorded originals go back. */
static void RestoreFromRecord(void)
{
    const char *const *valueNames[2] = { g_deviceValues, g_classValues };
    const int counts[2] = { RECORDED_DEVICE_VALUES, RECORDED_CLASS_VALUES };
    char record[MAX_PATH], device[TEXT_MAX], path[TEXT_MAX], keyName[TEXT_MAX], value[TEXT_MAX];
    HKEY key;
    int s, k, n;

    if (!PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF") || !IsFile(record))
        return;
    for (s = 0; s < 2; s++) {
        GetPrivateProfileStringA(g_mouseTypes[s], g_recordKeys[0], "", device, sizeof(device), record);
        for (k = 0; k < 2; k++) {
            GetPrivateProfileStringA(g_mouseTypes[s], g_recordKeys[k], "", path, sizeof(path), record);
            if (!TEXT_COPY(keyName, "HKLM\\") || !TEXT_APPEND(keyName, path) || path[0] == '\0' ||
                !RecordedKeyAllowed(device, path, k) ||
                RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
                continue;
            for (n = 0; n < counts[k]; n++) {
                if (HasEntry(J_VALUE, keyName, valueNames[k][n]))
                    continue;
                GetPrivateProfileStringA(g_mouseTypes[s], valueNames[k][n], "\n", value, sizeof(value), record);
                if (lstrcmpA(value, "\n") == 0)
                    continue;
                if (value[0] == '\0')
                    RegDeleteValueA(key, valueNames[k][n]);
                else
                    RegSetValueExA(key, valueNames[k][n], 0, REG_SZ, (const BYTE *)value, (DWORD)lstrlenA(value));
                g_uninstall.changes++;
                g_uninstall.restart = 1;
            }
            RegCloseKey(key);
        }
    }
}

/* ---- without a journal ---- */

static int ValueIs(HKEY root, const char *path, const char *name, const char *text)
{
    char now[TEXT_MAX];
    DWORD type, length = sizeof(now) - 1;
    HKEY key;
    int same = 0;

    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    ZeroMemory(now, sizeof(now));
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)now, &length) == ERROR_SUCCESS)
        same = text == NULL || (IsText(type) && lstrcmpA(now, text) == 0);
    RegCloseKey(key);
    return same;
}

/* The component entries, when one of them names this directory: the
 * others hold fixed texts of this product. Keys of the product's own
 * (its class, its handler, its uninstall entry) go when left empty. */
static void RemoveProvableComponents(void)
{
    char text[TEXT_MAX];
    const ComponentValue *row;
    HKEY key;
    int i, proven = 0, empty;

    for (i = 0; i < g_componentValueCount; i++) {
        row = &g_componentValues[i];
        proven = proven || (row->kind == COMPONENT_INSTALLED && ComponentText(row, text, sizeof(text)) &&
                            ValueIs(row->root, row->path, row->name, text));
    }
    if (!proven)
        return;
    for (i = g_componentValueCount - 1; i >= 0; i--) {
        row = &g_componentValues[i];
        if (!ComponentText(row, text, sizeof(text)) ||
            !ValueIs(row->root, row->path, row->name, row->kind == COMPONENT_PRODUCT ? NULL : text) ||
            RegOpenKeyExA(row->root, row->path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            continue;
        if (RegDeleteValueA(key, row->name) == ERROR_SUCCESS)
            g_uninstall.changes++;
        empty = KeyIsEmpty(key);
        RegCloseKey(key);
        if (empty && (PathSame(NamePart(row->path), "Kestrel") || PathSame(NamePart(row->path), "ZRMousePage") ||
                      PathSame(NamePart(row->path), "InProcServer32") || PathSame(NamePart(row->path), HANDLER_CLSID)) &&
            RegDeleteKeyA(row->root, row->path) == ERROR_SUCCESS)
            g_uninstall.changes++;
    }
}

/* The directory, when nothing but this program is left in it. */
static void RemoveOwnDirectory(void)
{
    WIN32_FIND_DATAA found;
    char pattern[MAX_PATH];
    HANDLE search;
    int others = 0;

    if (!PathJoin(pattern, sizeof(pattern), g_setup.installDir, "*"))
        return;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        others += lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0 &&
                  !PathSame(found.cFileName, UNINSTALL_PROGRAM);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (others > 0)
        return;
    if (IsFile(g_uninstall.programPath) && RemoveFile(g_uninstall.programPath) != UNDO_DONE)
        return;
    if (g_uninstall.runningCopy && RemoveDirectoryA(g_setup.installDir))
        g_uninstall.changes++;
}

/* ---- the whole removal ---- */

int UninstallSetDirectory(const char *installDir)
{
    ZeroMemory(&g_uninstall, sizeof(g_uninstall));
    if (!TEXT_COPY(g_setup.installDir, installDir) || lstrlenA(installDir) <= 3 ||
        !PathJoin(g_uninstall.programPath, sizeof(g_uninstall.programPath), installDir, UNINSTALL_PROGRAM) ||
        !PathJoin(g_uninstall.journalPath, sizeof(g_uninstall.journalPath), installDir, JOURNAL_NAME))
        return 0;
    if (!ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir)) ||
        !ReadSystemDirectory(g_uninstall.systemDir, sizeof(g_uninstall.systemDir)))
        return 0;
    /* the Windows directory or one above it is never an installation's */
    if (PathBelowOrSame(g_setup.windowsDir, installDir))
        return 0;
    g_uninstall.haveJournal = IsFile(g_uninstall.journalPath);
    return 1;
}

int UninstallReadJournal(void)
{
    if (!g_uninstall.haveJournal || !JournalRead(g_uninstall.journalPath, &g_undoJournal))
        return 0;
    undone = (char *)GlobalAlloc(GPTR, (SIZE_T)g_undoJournal.count + 1);
    if (undone == NULL || !IndexDone()) {
        UninstallFreeJournal();
        return 0;
    }
    ReadNamesAndProduct();
    MarkUndone();
    ChooseKeys();
    return 1;
}

void UninstallFreeJournal(void)
{
    if (undone != NULL)
        GlobalFree(undone);
    if (g_undoDone != NULL)
        GlobalFree(g_undoDone);
    undone = NULL;
    g_undoDone = NULL;
    JournalFree(&g_undoJournal);
}

void UninstallRun(void)
{
    JournalEnable(0);
    /* a replace an earlier run left cut short (system.ini set aside) is
     * finished before anything else */
    if (g_uninstall.haveJournal)
        g_uninstall.changes += JournalFinishReplaces(g_uninstall.journalPath);
    if (!UninstallReadJournal()) {
        g_uninstall.haveJournal = 0;
        RemoveProvableComponents();
        RemoveOwnDirectory();
        return;
    }
    /* this run's replaces go into the journal too */
    JournalReplacesTo(g_uninstall.journalPath);
    /* whole: not damaged, and its last run ended */
    g_uninstall.damaged = JournalDamaged();
    g_uninstall.whole = !g_uninstall.damaged && g_undoJournal.lastRunEnded;
    UndoPass(0);
    /* lines a cut or damaged journal lost may be in the restore record */
    if (!g_uninstall.whole)
        RestoreFromRecord();
    if (g_uninstall.refusedCount > 0)
        g_uninstall.whole = 0;
    /* a damaged journal or a refused line may say more to a later run;
     * a run without its END (ended, or its last lines lost) says no more */
    if (!g_uninstall.damaged && g_uninstall.refusedCount == 0 && Pending() == 0) {
        UndoPass(1);
        if (Pending() == 0) {
            RemoveSavedCopies();
            /* the journal goes before the program that reads it */
            if (!DeleteFileA(g_uninstall.journalPath))
                KeepListed(g_uninstall.journalPath, IDS_KEPT_FAILED);
            UndoPass(2);
            /* this program goes also when it was put here by hand */
            if (IsFile(g_uninstall.programPath) && !HasEntry(J_FILE, g_uninstall.programPath, NULL))
                RemoveFile(g_uninstall.programPath);
            /* entries that name this directory and whose lines were lost */
            if (!g_uninstall.whole)
                RemoveProvableComponents();
            UndoPass(3);
        }
    }
    JournalReplacesTo(NULL);
    UninstallFreeJournal();
}
