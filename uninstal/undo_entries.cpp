/* Undoing single journal entries: files, directories, keys, the mouse
 * line, moves (values in undo_values.cpp). */
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

/* A file for WININIT.INI to delete at the next start; 0 when it cannot be
 * left there (then reported). */
static int DeleteAtRestart(const char *path)
{
    if (g_uninstall.pendingCount < PENDING_MAX && WininitAdd(g_setup.windowsDir, NULL, path)) {
        TEXT_COPY(g_uninstall.pending[g_uninstall.pendingCount], path);
        g_uninstall.pendingCount++;
        return 1;
    }
    g_uninstall.wininitFailed = 1;
    return 0;
}

/* ---- undoing single entries ---- */

/* The last DONE of the file entry at index: after it, before the next
 * FILE entry of the same path (indexed when the journal was read). */
static const JournalEntry *FindDone(int index)
{
    return g_undoDone[index] >= 0 ? &g_undoJournal.entries[g_undoDone[index]] : NULL;
}

/* 1 when the file is there with this size and checksum. A file that is
 * in use and cannot be read counts by its size alone. */
static int FileMatches(const char *path, const JournalEntry *entry, int sizeField)
{
    WIN32_FIND_DATAA found;
    HANDLE search;
    DWORD size, crc, wantSize, wantCrc;

    if (!JournalNumber(entry, sizeField, 0, &wantSize) || !JournalNumber(entry, sizeField + 1, 1, &wantCrc))
        return 0;
    if (FileSum(path, &size, &crc))
        return size == wantSize && crc == wantCrc;
    search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return found.nFileSizeHigh == 0 && found.nFileSizeLow == wantSize;
}

int RemoveFile(const char *path)
{
    if (PathSame(path, g_uninstall.programPath) && !g_uninstall.runningCopy) {
        /* this program cannot delete itself while it runs */
        if (DeleteAtRestart(path))
            return UNDO_DONE;
        KeepListed(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    if (DeleteFileA(path)) {
        g_uninstall.changes++;
        return UNDO_DONE;
    }
    if (!DeleteAtRestart(path)) {
        KeepListed(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    g_uninstall.restart = 1;    /* a file in use */
    return UNDO_DONE;
}

int IsRestoreRecord(const char *path)
{
    char record[MAX_PATH];

    return PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF") && PathSame(path, record);
}

int SavedCopyAllowed(const char *saved)
{
    return PlainFullPath(saved) && PathWithin(saved, g_setup.installDir) && lstrlenA(NamePart(saved)) == 12 &&
           PathSame(NamePart(saved) + 8, ".SAV");
}

/* Bytes the journal cannot account for are set aside under a name beside
 * the file before the original comes back, and listed; 0 when they
 * cannot be. */
static int SetAside(const char *path)
{
    char aside[MAX_PATH];

    if (!FreeNameBeside(aside, sizeof(aside), path, "~SK") || !MoveFileA(path, aside))
        return 0;
    KeepListed(aside, IDS_KEPT_SET_ASIDE);
    return 1;
}

static int UndoFile(int index)
{
    const JournalEntry *entry = &g_undoJournal.entries[index];
    const JournalEntry *done = FindDone(index);
    const char *path = entry->fields[0];
    const char *saved;
    int later, own;

    if (!JournalText(entry, 0) || !FileAllowed(path, g_undoNames, g_undoNameCount))
        return UNDO_REFUSED;
    /* the restore record is written value by value: one cut part-way is
     * the setup's as much as a whole one */
    own = IsRestoreRecord(path);
    if (entry->fieldCount == 2) {   /* NEW: the setup's, with its completion entry or without */
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return UNDO_DONE;
        if (done != NULL && !own && !FileMatches(path, done, 1)) {
            KeepListed(path, IDS_KEPT_CHANGED);
            return UNDO_KEPT;
        }
        return RemoveFile(path);
    }
    saved = entry->fields[4];
    if (!JournalText(entry, 4) || !SavedCopyAllowed(saved))
        return UNDO_REFUSED;
    if (FileMatches(path, entry, 2)) {
        DeleteFileA(saved);     /* the file is its original again */
        return UNDO_DONE;
    }
    if (IsFile(path) && !own && done != NULL && !FileMatches(path, done, 1)) {
        KeepListed(path, IDS_KEPT_CHANGED);
        return UNDO_KEPT;
    }
    if (!FileMatches(saved, entry, 2)) {
        KeepListed(path, IDS_KEPT_NO_COPY);
        return UNDO_KEPT;
    }
    /* without its completion entry nothing says whose the bytes are */
    if (IsFile(path) && !own && done == NULL && !SetAside(path)) {
        KeepListed(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    if (!ReplaceFileSafely(saved, path, &later)) {
        KeepListed(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    if (later)
        g_uninstall.restart = 1;
    else
        DeleteFileA(saved);
    g_uninstall.changes++;
    return UNDO_DONE;
}

/* 1 when everything left in the directory goes at the next start. */
static int OnlyPendingInside(const char *dir)
{
    WIN32_FIND_DATAA found;
    char pattern[MAX_PATH], path[MAX_PATH];
    HANDLE search;
    int only = 1, i, pending;

    if (!PathJoin(pattern, sizeof(pattern), dir, "*"))
        return 0;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0)
            continue;
        pending = 0;
        if (PathJoin(path, sizeof(path), dir, found.cFileName)) {
            for (i = 0; i < g_uninstall.pendingCount; i++)
                pending = pending || PathSame(g_uninstall.pending[i], path);
        }
        only = pending;
    } while (only && FindNextFileA(search, &found));
    FindClose(search);
    return only;
}

static int UndoDirectory(int index)
{
    const JournalEntry *entry = &g_undoJournal.entries[index];
    const char *path = entry->fields[0];

    if (!JournalText(entry, 0) || !DirectoryAllowed(path))
        return UNDO_REFUSED;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return UNDO_DONE;
    if (RemoveDirectoryA(path)) {
        g_uninstall.changes++;
        return UNDO_DONE;
    }
    if (OnlyPendingInside(path)) {
        /* WININIT.INI removes files only: the directory must wait */
        g_uninstall.directoryInUse = 1;
        KeepListed(path, IDS_KEPT_IN_USE);
    } else {
        KeepListed(path, IDS_KEPT_NOT_EMPTY);
    }
    /* what keeps it is listed on its own, or is not the setup's */
    g_uninstall.keptDirectories++;
    return UNDO_KEPT;
}

int KeyIsEmpty(HKEY key)
{
    char name[MAX_PATH];
    DWORD length = sizeof(name);

    if (RegEnumValueA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_NO_MORE_ITEMS)
        return 0;
    length = sizeof(name);
    return RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_NO_MORE_ITEMS;
}

static int UndoKey(int index)
{
    const JournalEntry *entry = &g_undoJournal.entries[index];
    const char *path;
    HKEY root, key;
    int empty;

    if (!JournalText(entry, 0) || !KeyAllowed(entry->fields[0]))
        return UNDO_REFUSED;
    root = JournalSplitKey(entry->fields[0], &path);
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return UNDO_DONE;
    empty = KeyIsEmpty(key);
    RegCloseKey(key);
    if (!empty) {
        KeepListed(entry->fields[0], IDS_KEPT_NOT_EMPTY);
        return UNDO_KEPT;
    }
    if (RegDeleteKeyA(root, path) != ERROR_SUCCESS) {
        KeepListed(entry->fields[0], IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    return UNDO_DONE;
}

static int UndoMouseLine(int index)
{
    const JournalEntry *entry = &g_undoJournal.entries[index];
    char original[MOUSE_LINE_MAX + 2];
    int result;

    if (!MouseLineAllowed(entry->fields[0], entry->lengths[0]) || lstrcmpA(entry->fields[1], MOUSE_LINE_TEXT) != 0)
        return UNDO_REFUSED;
    TEXT_COPY(original, entry->fields[0]);
    TEXT_APPEND(original, "\n");
    result = SetSystemIniMouseLine(original, entry->fields[1]);
    if (result == MOUSE_LINE_SET) {
        g_uninstall.changes++;
        g_uninstall.restart = 1;
        return UNDO_DONE;
    }
    /* put back already by an earlier run that was ended before its note */
    if (result == MOUSE_LINE_OTHER && SetSystemIniMouseLine(original, original) == MOUSE_LINE_SET)
        return UNDO_DONE;
    KeepListed("system.ini [386Enh] mouse", result == MOUSE_LINE_OTHER ? IDS_KEPT_CHANGED : IDS_KEPT_FAILED);
    return UNDO_KEPT;
}

static int UndoMove(int index)
{
    const JournalEntry *entry = &g_undoJournal.entries[index];
    char vxd[MAX_PATH], bak[MAX_PATH];

    if (!PathJoin(vxd, sizeof(vxd), g_uninstall.systemDir, VMOUSE_VXD) ||
        !PathJoin(bak, sizeof(bak), g_uninstall.systemDir, VMOUSE_BAK) ||
        !PathSame(entry->fields[0], vxd) || !PathSame(entry->fields[1], bak))
        return UNDO_REFUSED;
    if (GetFileAttributesA(vxd) != INVALID_FILE_ATTRIBUTES || GetFileAttributesA(bak) == INVALID_FILE_ATTRIBUTES)
        return UNDO_DONE;
    if (!MoveFileA(bak, vxd)) {
        KeepListed(vxd, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    g_uninstall.restart = 1;
    return UNDO_DONE;
}

/* Undoes one entry; UNDO_DONE, UNDO_KEPT, or -1 when refused. */
int UndoEntry(int index)
{
    switch (g_undoJournal.entries[index].kind) {
    case J_FILE:
        return UndoFile(index);
    case J_DIR:
        return UndoDirectory(index);
    case J_KEY:
        return UndoKey(index);
    case J_VALUE:
        return UndoValue(index);
    case J_LINE:
        return UndoMouseLine(index);
    case J_MOVE:
        return UndoMove(index);
    }
    return UNDO_DONE;
}
