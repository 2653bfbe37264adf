/* The removal itself: the journal's entries undone newest first, within
 * what the setup could have made; the design is described in
 * uninstall.h. */
#include "uninstall.h"
#include "uninstal_res.h"
#include "../app/text.h"
#include "../install/file_ops.h"
#include "../install/install.h"
#include "../registry/components.h"
#include "../script/journal.h"

#define NAMES_MAX   64
#define ENUM_KEY    "Enum\\"
#define ROOT_DEVICE "Enum\\Root\\VeltoMouse"
#define CLASS_FLOOR "System\\CurrentControlSet\\Services\\Class"
#define CLASS_KEY   CLASS_FLOOR "\\Mouse"
#define MOUSE_LINE_NEW "mouse=*vmouse"

UninstallState g_uninstall;

static Journal journal;
static const char *names[NAMES_MAX];   /* the package's Windows file names */
static int nameCount;
static char *undone;                    /* per entry: 1 when undone */

/* ---- texts and paths ---- */

static int SameStart(const char *text, const char *start, int length)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, length, start, length) == CSTR_EQUAL;
}

static int Same(const char *a, const char *b)
{
    return lstrcmpiA(a, b) == 0;
}

/* 1 when path lies below dir (not dir itself). */
static int Below(const char *path, const char *dir)
{
    int length = lstrlenA(dir);

    return length > 0 && lstrlenA(path) > length + 1 && SameStart(path, dir, length) &&
           path[length] == '\\';
}

static int BelowOrSame(const char *path, const char *dir)
{
    return Same(path, dir) || Below(path, dir);
}

/* The directory part of a full path, whole or 0. */
static int DirectoryPart(char *dir, int size, const char *path)
{
    int end = lstrlenA(path);

    while (end > 0 && path[end - 1] != '\\')
        end--;
    if (end <= 1 || end > size)
        return 0;
    TextCopy(dir, end, path);
    return 1;
}

static const char *NamePart(const char *path)
{
    const char *name = path;

    for (; *path != '\0'; path++) {
        if (*path == '\\')
            name = path + 1;
    }
    return name;
}

/* A full path of the form the journal writes: "X:\..." with no "." or
 * ".." level and no empty one. */
static int PlainFullPath(const char *path)
{
    int length = lstrlenA(path), start = 3, i, n;

    if (length >= MAX_PATH || length < 3 || path[1] != ':' || path[2] != '\\')
        return 0;
    if (length == 3)
        return 1;
    for (i = 3;; i++) {
        if (path[i] != '\\' && path[i] != '\0')
            continue;
        n = i - start;
        if (n == 0 || (n == 1 && path[start] == '.') || (n == 2 && path[start] == '.' && path[start + 1] == '.'))
            return 0;
        if (path[i] == '\0')
            return 1;
        start = i + 1;
    }
}

/* Windows' own files that no package entry may name. */
static int WindowsOwnName(const char *name)
{
    static const char *const endings[] = { ".INI", ".DAT", ".SYS", ".COM", ".DA0" };
    int length = lstrlenA(name);
    size_t i;

    for (i = 0; i < sizeof(endings) / sizeof(endings[0]); i++) {
        if (length >= 4 && Same(name + length - 4, endings[i]))
            return 1;
    }
    return 0;
}

int FileAllowed(const char *path, const char *const *allowedNames, int allowedCount)
{
    char dir[MAX_PATH], other[MAX_PATH];
    const char *name = NamePart(path);
    int i;

    if (!PlainFullPath(path))
        return 0;
    if (Below(path, g_setup.installDir))
        return !Same(path, g_uninstall.journalPath);
    if (!DirectoryPart(dir, sizeof(dir), path))
        return 0;
    if (Same(dir, g_setup.windowsDir) && Same(name, "system.bak"))
        return 1;
    if (PathJoin(other, sizeof(other), g_uninstall.systemDir, "VMM32") && Same(dir, other) &&
        Same(name, "VMOUSE.BAK"))
        return 1;
    /* the setup's SYSTEM is the Windows directory's (the same as the
     * system directory on Windows 95) */
    if (!Same(dir, g_setup.windowsDir) && !Same(dir, g_uninstall.systemDir) &&
        !(PathJoin(other, sizeof(other), g_setup.windowsDir, "SYSTEM") && Same(dir, other)) &&
        !(PathJoin(other, sizeof(other), g_setup.windowsDir, "INF") && Same(dir, other)))
        return 0;
    if (WindowsOwnName(name))
        return 0;
    for (i = 0; i < allowedCount; i++) {
        if (Same(name, allowedNames[i]))
            return 1;
    }
    return 0;
}

/* installDir, below it, or above it but short of the drive root and of
 * the Windows directory. */
static int DirectoryAllowed(const char *path)
{
    if (!PlainFullPath(path) || lstrlenA(path) <= 3)
        return 0;
    if (BelowOrSame(path, g_setup.installDir))
        return 1;
    return Below(g_setup.installDir, path) && !BelowOrSame(g_setup.windowsDir, path);
}

/* "Mouse\NNNN" below the class key: digits only, at least four. */
static int ClassInstance(const char *path)
{
    int length = lstrlenA(CLASS_KEY), i;

    if (!Below(path, CLASS_KEY))
        return 0;
    for (i = length + 1; path[i] != '\0'; i++) {
        if (path[i] < '0' || path[i] > '9')
            return 0;
    }
    return i - length - 1 >= 4;
}

/* A device key: Enum\<enumerator>\<id>\<instance>. */
static int DeviceKey(const char *path)
{
    int levels = 0;

    if (!Below(path, "Enum"))
        return 0;
    for (; *path != '\0'; path++)
        levels += *path == '\\';
    return levels == 3;
}

/* A level of a component key that the setup may have made: the key
 * itself or a level above it below CLSID or CurrentVersion. */
static int ComponentLevel(HKEY root, const char *path)
{
    const char *floor = root == HKEY_CLASSES_ROOT ? "CLSID" : CURRENT_VERSION_KEY;
    int i;

    if (!Below(path, floor))
        return 0;
    for (i = 0; i < g_componentValueCount; i++) {
        if (g_componentValues[i].root == root && BelowOrSame(g_componentValues[i].path, path))
            return 1;
    }
    return 0;
}

int KeyAllowed(const char *named)
{
    const char *path;
    HKEY root = JournalSplitKey(named, &path);

    if (root == NULL)
        return 0;
    if (ComponentLevel(root, path))
        return 1;
    if (root != HKEY_LOCAL_MACHINE)
        return 0;
    /* the levels above the root device and the mouse class, where a
     * registry lacked them, are the setup's too; each goes only empty */
    return BelowOrSame(ROOT_DEVICE, path) || Same(path, ROOT_DEVICE "\\0000") ||
           (BelowOrSame(CLASS_KEY, path) && BelowOrSame(path, CLASS_FLOOR)) || ClassInstance(path);
}

static int NameIn(const char *name, const char *const *list)
{
    for (; *list != NULL; list++) {
        if (Same(name, *list))
            return 1;
    }
    return 0;
}

int ValueAllowed(const char *named, const char *name)
{
    static const char *const deviceValues[] = {
        "Class", "DeviceDesc", "Mfg", "ConfigFlags", "DetFlags", "DetFunc", "Driver", NULL };
    static const char *const classValues[] = {
        "DevLoader", "MouseType", "MouseDriver", "InfPath", "DriverDesc", "DriverDate", "InfSection", NULL };
    const char *path;
    HKEY root = JournalSplitKey(named, &path);
    const ComponentValue *row;
    int i;

    if (root == NULL)
        return 0;
    for (i = 0; i < g_componentValueCount; i++) {
        row = &g_componentValues[i];
        if (row->root == root && Same(row->path, path) && Same(row->name != NULL ? row->name : "", name))
            return 1;
    }
    if (root != HKEY_LOCAL_MACHINE)
        return 0;
    if (DeviceKey(path))
        return NameIn(name, deviceValues);
    return ClassInstance(path) && NameIn(name, classValues);
}

int MouseLineAllowed(const char *line, DWORD length)
{
    DWORD i;

    if (length == 0 || length > 118)
        return 0;
    for (i = 0; i < length; i++) {
        if (line[i] == '\r' || line[i] == '\n' || line[i] == '\0')
            return 0;
    }
    return 1;
}

/* ---- what is reported ---- */

static void AddLine(char *list, int size, int *count, const char *what, const char *why)
{
    char line[2 * MAX_PATH];

    (*count)++;
    if (*count > KEPT_SHOWN)
        return;
    TEXT_COPY(line, "\n- ");
    TEXT_APPEND(line, what);
    if (why != NULL) {
        TEXT_APPEND(line, " (");
        TEXT_APPEND(line, why);
        TEXT_APPEND(line, ")");
    }
    TextAppend(list, size, line);
}

void Keep(const char *what, UINT reasonId)
{
    AddLine(g_uninstall.kept, sizeof(g_uninstall.kept), &g_uninstall.keptCount, what, LoadText(reasonId));
}

/* An entry that names something the setup does not change, shown as its
 * kind and first field, made printable. */
static void Refuse(const JournalEntry *entry)
{
    static const char *const kinds[J_KINDS] = {
        "RUN", "NAMES", "DIR", "FILE", "DONE", "KEY", "VALUE", "LINE", "MOVE", "END", "UNDO" };
    char what[MAX_PATH];
    DWORD i;
    int at;

    TEXT_COPY(what, kinds[entry->kind]);
    TEXT_APPEND(what, " ");
    at = lstrlenA(what);
    for (i = 0; i < entry->lengths[0] && at < (int)sizeof(what) - 1; i++) {
        BYTE c = (BYTE)entry->fields[0][i];
        what[at++] = c < ' ' || c == 0x7F ? '?' : (char)c;
    }
    what[at] = '\0';
    if (entry->kind == J_VALUE && entry->fieldCount > 1) {
        TEXT_APPEND(what, ": ");
        TEXT_APPEND(what, JournalText(entry, 1) ? entry->fields[1] : "?");
    }
    AddLine(g_uninstall.refused, sizeof(g_uninstall.refused), &g_uninstall.refusedCount, what, NULL);
}

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

#define UNDO_DONE 1     /* undone, or nothing was left to undo */
#define UNDO_KEPT 0     /* left as it is and listed */

/* The last DONE of the file entry at index: after it, before the next
 * FILE entry of the same path. */
static const JournalEntry *FindDone(int index)
{
    const JournalEntry *file = &journal.entries[index];
    const JournalEntry *done = NULL;
    int i;

    for (i = index + 1; i < journal.count; i++) {
        const JournalEntry *entry = &journal.entries[i];
        if ((entry->kind == J_FILE || entry->kind == J_DONE) && Same(entry->fields[0], file->fields[0])) {
            if (entry->kind == J_FILE)
                break;
            done = entry;
        }
    }
    return done;
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

static int RemoveFile(const char *path)
{
    if (Same(path, g_uninstall.programPath) && !g_uninstall.runningCopy) {
        /* this program cannot delete itself while it runs */
        if (DeleteAtRestart(path))
            return UNDO_DONE;
        Keep(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    if (DeleteFileA(path)) {
        g_uninstall.changes++;
        return UNDO_DONE;
    }
    if (!DeleteAtRestart(path)) {
        Keep(path, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    g_uninstall.restart = 1;    /* a file in use */
    return UNDO_DONE;
}

static int UndoFile(int index)
{
    const JournalEntry *entry = &journal.entries[index];
    const JournalEntry *done = FindDone(index);
    const char *path = entry->fields[0];
    const char *saved;
    int later;

    if (!JournalText(entry, 0) || !FileAllowed(path, names, nameCount))
        return -1;
    if (entry->fieldCount == 2) {   /* NEW */
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return UNDO_DONE;
        if (done != NULL && !FileMatches(path, done, 1)) {
            Keep(path, IDS_KEPT_CHANGED);
            return UNDO_KEPT;
        }
        return RemoveFile(path);
    }
    saved = entry->fields[4];
    if (!JournalText(entry, 4) || !PlainFullPath(saved) || !Below(saved, g_setup.installDir) ||
        lstrlenA(NamePart(saved)) != 12 || !Same(NamePart(saved) + 8, ".SAV"))
        return -1;
    if (FileMatches(path, entry, 2)) {
        DeleteFileA(saved);     /* the file is its original again */
        return UNDO_DONE;
    }
    if (IsFile(path) && done != NULL && !FileMatches(path, done, 1)) {
        Keep(path, IDS_KEPT_CHANGED);
        return UNDO_KEPT;
    }
    if (!FileMatches(saved, entry, 2)) {
        Keep(path, IDS_KEPT_NO_COPY);
        return UNDO_KEPT;
    }
    if (!ReplaceFileSafely(saved, path, &later)) {
        Keep(path, IDS_KEPT_FAILED);
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
                pending = pending || Same(g_uninstall.pending[i], path);
        }
        only = pending;
    } while (only && FindNextFileA(search, &found));
    FindClose(search);
    return only;
}

static int UndoDirectory(int index)
{
    const JournalEntry *entry = &journal.entries[index];
    const char *path = entry->fields[0];

    if (!JournalText(entry, 0) || !DirectoryAllowed(path))
        return -1;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return UNDO_DONE;
    if (RemoveDirectoryA(path)) {
        g_uninstall.changes++;
        return UNDO_DONE;
    }
    if (OnlyPendingInside(path)) {
        /* WININIT.INI removes files only: the directory must wait */
        g_uninstall.directoryInUse = 1;
        Keep(path, IDS_KEPT_IN_USE);
    } else {
        Keep(path, IDS_KEPT_NOT_EMPTY);
    }
    /* what keeps it is listed on its own, or is not the setup's */
    g_uninstall.keptDirectories++;
    return UNDO_KEPT;
}

static int KeyIsEmpty(HKEY key)
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
    const JournalEntry *entry = &journal.entries[index];
    const char *path;
    HKEY root, key;
    int empty;

    if (!JournalText(entry, 0) || !KeyAllowed(entry->fields[0]))
        return -1;
    root = JournalSplitKey(entry->fields[0], &path);
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return UNDO_DONE;
    empty = KeyIsEmpty(key);
    RegCloseKey(key);
    if (!empty) {
        Keep(entry->fields[0], IDS_KEPT_NOT_EMPTY);
        return UNDO_KEPT;
    }
    if (RegDeleteKeyA(root, path) != ERROR_SUCCESS) {
        Keep(entry->fields[0], IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    return UNDO_DONE;
}

/* One value as the registry holds it or the journal names it. */
struct ValueData {
    int absent;
    int unknown;
    DWORD type;
    const BYTE *data;
    DWORD length;
};

static int IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

static DWORD TextLength(const BYTE *data, DWORD length)
{
    DWORD i;

    for (i = 0; i < length && data[i] != 0; i++)
        ;
    return i;
}

static int SameBytes(const BYTE *a, const BYTE *b, DWORD length)
{
    DWORD i;

    for (i = 0; i < length; i++) {
        if (a[i] != b[i])
            return 0;
    }
    return 1;
}

/* Texts compare up to their first zero, as they are read; other values
 * byte for byte. */
static int SameValue(const ValueData *a, const ValueData *b)
{
    DWORD length;

    if (a->absent || b->absent)
        return a->absent && b->absent;
    if (a->unknown || b->unknown)
        return 0;
    if (IsText(a->type) && IsText(b->type)) {
        length = TextLength(a->data, a->length);
        return length == TextLength(b->data, b->length) && SameBytes(a->data, b->data, length);
    }
    return a->type == b->type && a->length == b->length && SameBytes(a->data, b->data, a->length);
}

/* "type data" fields of an entry into a value; 0 when malformed. */
static int LoggedValue(const JournalEntry *entry, int field, ValueData *value)
{
    ZeroMemory(value, sizeof(*value));
    if (lstrcmpA(entry->fields[field], "-") == 0) {
        value->absent = 1;
        return 1;
    }
    if (lstrcmpA(entry->fields[field], "?") == 0) {
        value->unknown = 1;
        return 1;
    }
    value->data = (const BYTE *)entry->fields[field + 1];
    value->length = entry->lengths[field + 1];
    return JournalNumber(entry, field, 0, &value->type);
}

static void NoteDriverChange(const char *path)
{
    if (SameStart(path, ENUM_KEY, 5) || SameStart(path, "System\\", 7))
        g_uninstall.restart = 1;
}

/* What the value holds now; data in room given by the caller. */
static void CurrentValue(HKEY key, const char *name, ValueData *value, BYTE *room, DWORD size)
{
    LONG result;

    ZeroMemory(value, sizeof(*value));
    value->data = room;
    value->length = size;
    result = RegQueryValueExA(key, name, NULL, &value->type, room, &value->length);
    if (result == ERROR_MORE_DATA)
        value->unknown = 1;
    else if (result != ERROR_SUCCESS)
        value->absent = 1;
}

static void KeepValue(const char *keyName, const char *name, UINT reasonId)
{
    char what[2 * MAX_PATH];

    TEXT_COPY(what, keyName);
    TEXT_APPEND(what, ": ");
    TEXT_APPEND(what, name[0] != '\0' ? name : "(default)");
    Keep(what, reasonId);
}

/* The restore record's original of a value, when it holds one. */
static int RecordedOriginal(const char *keyPath, const char *name, char *text, int size)
{
    static const char *const sections[] = { "PS2", "Serial" };
    char record[MAX_PATH], subKey[TEXT_MAX];
    size_t s;

    if (!PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF"))
        return 0;
    for (s = 0; s < 2; s++) {
        GetPrivateProfileStringA(sections[s], Below(keyPath, "Enum") ? "SubKey1" : "SubKey2", "", subKey,
                                 sizeof(subKey), record);
        if (!Same(subKey, keyPath))
            continue;
        GetPrivateProfileStringA(sections[s], name, "\n", text, (DWORD)size, record);
        if (lstrcmpA(text, "\n") != 0)
            return 1;
    }
    return 0;
}

static int UndoValue(int index)
{
    static BYTE room[JOURNAL_LINE_MAX];
    const JournalEntry *entry = &journal.entries[index];
    char recorded[TEXT_MAX];
    ValueData original, wrote, current;
    const char *keyName = entry->fields[0], *name = entry->fields[1], *path;
    HKEY root, key;
    LONG result;

    if (!JournalText(entry, 0) || !JournalText(entry, 1) || !ValueAllowed(keyName, name) ||
        !LoggedValue(entry, 2, &original) || !LoggedValue(entry, 4, &wrote))
        return -1;
    root = JournalSplitKey(keyName, &path);
    /* an original the journal could not keep may be in the restore record */
    if (original.unknown && RecordedOriginal(path, name, recorded, sizeof(recorded))) {
        original.unknown = 0;
        original.absent = recorded[0] == '\0';
        original.type = REG_SZ;
        original.data = (const BYTE *)recorded;
        original.length = (DWORD)lstrlenA(recorded);
    }
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return UNDO_DONE;   /* the key is gone, and its values with it */
    CurrentValue(key, name, &current, room, sizeof(room));
    if (SameValue(&current, &original)) {
        RegCloseKey(key);
        return UNDO_DONE;
    }
    if (!SameValue(&current, &wrote)) {
        RegCloseKey(key);
        KeepValue(keyName, name, IDS_KEPT_CHANGED);
        return UNDO_KEPT;
    }
    if (original.unknown) {
        RegCloseKey(key);
        KeepValue(keyName, name, IDS_KEPT_UNKNOWN);
        return UNDO_KEPT;
    }
    if (original.absent)
        result = RegDeleteValueA(key, name);
    else
        result = RegSetValueExA(key, name, 0, original.type, original.data, original.length);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        KeepValue(keyName, name, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    NoteDriverChange(path);
    return UNDO_DONE;
}

static int UndoMouseLine(int index)
{
    const JournalEntry *entry = &journal.entries[index];
    char original[128];
    int result;

    if (!MouseLineAllowed(entry->fields[0], entry->lengths[0]) || lstrcmpA(entry->fields[1], MOUSE_LINE_NEW) != 0)
        return -1;
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
    Keep("system.ini [386Enh] mouse", result == MOUSE_LINE_OTHER ? IDS_KEPT_CHANGED : IDS_KEPT_FAILED);
    return UNDO_KEPT;
}

static int UndoMove(int index)
{
    const JournalEntry *entry = &journal.entries[index];
    char vxd[MAX_PATH], bak[MAX_PATH];

    if (!PathJoin(vxd, sizeof(vxd), g_uninstall.systemDir, "VMM32\\VMOUSE.VXD") ||
        !PathJoin(bak, sizeof(bak), g_uninstall.systemDir, "VMM32\\VMOUSE.BAK") ||
        !Same(entry->fields[0], vxd) || !Same(entry->fields[1], bak))
        return -1;
    if (GetFileAttributesA(vxd) != INVALID_FILE_ATTRIBUTES || GetFileAttributesA(bak) == INVALID_FILE_ATTRIBUTES)
        return UNDO_DONE;
    if (!MoveFileA(bak, vxd)) {
        Keep(vxd, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    g_uninstall.restart = 1;
    return UNDO_DONE;
}

/* Undoes one entry; UNDO_DONE, UNDO_KEPT, or -1 when refused. */
static int UndoEntry(int index)
{
    switch (journal.entries[index].kind) {
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

/* ---- the order of the removal ---- */

/* The way back: what lets the uninstaller run again goes last. 1 the
 * uninstall entry and the restore record, 2 this program, 3 the
 * installation directory and above; 0 anything else. */
static int WayBack(const JournalEntry *entry)
{
    char record[MAX_PATH];
    const char *path;

    switch (entry->kind) {
    case J_KEY:
    case J_VALUE:
        /* what is not the setup's is refused with the rest, at once */
        if (!JournalText(entry, 0) || (entry->kind == J_KEY ? !KeyAllowed(entry->fields[0])
                                       : !JournalText(entry, 1) || !ValueAllowed(entry->fields[0], entry->fields[1])))
            return 0;
        return JournalSplitKey(entry->fields[0], &path) == HKEY_LOCAL_MACHINE &&
               (BelowOrSame(path, UNINSTALL_ENTRY_KEY) || Below(UNINSTALL_ENTRY_KEY, path)) ? 1 : 0;
    case J_FILE:
        if (Same(entry->fields[0], g_uninstall.programPath))
            return 2;
        return PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF") &&
               Same(entry->fields[0], record) ? 1 : 0;
    case J_DIR:
        return BelowOrSame(g_setup.installDir, entry->fields[0]) ? 3 : 0;
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
    int i, result;

    for (i = journal.count - 1; i >= 0; i--) {
        if (undone[i] || !Undoable(&journal.entries[i]) || WayBack(&journal.entries[i]) != group)
            continue;
        result = UndoEntry(i);
        if (result < 0) {
            Refuse(&journal.entries[i]);
            continue;
        }
        if (result == UNDO_DONE) {
            undone[i] = 1;
            if (GetFileAttributesA(g_uninstall.journalPath) != INVALID_FILE_ATTRIBUTES)
                JournalUndone(g_uninstall.journalPath, journal.entries[i].offset);
        }
    }
}

/* The product's name: the last run's. */
static void ReadNamesAndProduct(void)
{
    int i, f;

    nameCount = 0;
    for (i = 0; i < journal.count; i++) {
        const JournalEntry *entry = &journal.entries[i];
        if (entry->kind == J_RUN && JournalText(entry, 2) && entry->fields[2][0] != '\0')
            TEXT_COPY(g_setup.productName, entry->fields[2]);
        for (f = 0; entry->kind == J_NAMES && f < entry->fieldCount && nameCount < NAMES_MAX; f++) {
            if (JournalText(entry, f))
                names[nameCount++] = entry->fields[f];
        }
    }
}

/* The UNDO lines of earlier runs of the uninstaller. */
static void MarkUndone(void)
{
    DWORD offset;
    int i, j;

    for (i = 0; i < journal.count; i++) {
        if (journal.entries[i].kind != J_UNDO || !JournalNumber(&journal.entries[i], 0, 0, &offset))
            continue;
        for (j = 0; j < i; j++) {
            if (journal.entries[j].offset == offset)
                undone[j] = 1;
        }
    }
}

/* 1 when the journal has an entry of this kind whose first fields are these. */
static int HasEntry(int kind, const char *first, const char *second)
{
    int i;

    for (i = 0; i < journal.count; i++) {
        const JournalEntry *entry = &journal.entries[i];
        if (entry->kind == kind && Same(entry->fields[0], first) &&
            (second == NULL || (entry->fieldCount > 1 && Same(entry->fields[1], second))))
            return 1;
    }
    return 0;
}

/* Whole: every line read, an entry in it, and nothing on the machine that
 * the setup makes only after the journal knows of it: an uninstall
 * entry that names this program must have its entry. */
static int JournalWhole(void)
{
    char command[MAX_PATH];
    DWORD type, length = sizeof(command) - 1;
    HKEY key;
    int named = 0;

    if (journal.damaged > 0 || journal.count == 0)
        return 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ZeroMemory(command, sizeof(command));
        named = RegQueryValueExA(key, "UninstallString", NULL, &type, (BYTE *)command, &length) == ERROR_SUCCESS &&
                Same(command, g_uninstall.programPath);
        RegCloseKey(key);
    }
    return !named || HasEntry(J_VALUE, "HKLM\\" UNINSTALL_ENTRY_KEY, "UninstallString");
}

/* Values the restore record holds and the journal has no entry for (it
 * was cut or damaged): their recorded originals go back. */
static void RestoreFromRecord(void)
{
    static const char *const sections[] = { "PS2", "Serial" };
    static const char *const keys[] = { "SubKey1", "SubKey2" };
    static const char *const valueNames[2][6] = {
        { "DeviceDesc", "Mfg", NULL },
        { "MouseDriver", "InfPath", "DriverDesc", "DriverDate", "InfSection", NULL } };
    char record[MAX_PATH], path[TEXT_MAX], keyName[TEXT_MAX], value[TEXT_MAX];
    HKEY key;
    int s, k, n;

    if (!PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF") || !IsFile(record))
        return;
    for (s = 0; s < 2; s++) {
        for (k = 0; k < 2; k++) {
            GetPrivateProfileStringA(sections[s], keys[k], "", path, sizeof(path), record);
            if (!TEXT_COPY(keyName, "HKLM\\") || !TEXT_APPEND(keyName, path) || path[0] == '\0' ||
                RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
                continue;
            for (n = 0; valueNames[k][n] != NULL; n++) {
                if (!ValueAllowed(keyName, valueNames[k][n]) || HasEntry(J_VALUE, keyName, valueNames[k][n]))
                    continue;
                GetPrivateProfileStringA(sections[s], valueNames[k][n], "\n", value, sizeof(value), record);
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
        if (empty && (Same(NamePart(row->path), "Kestrel") || Same(NamePart(row->path), "ZRMousePage") ||
                      Same(NamePart(row->path), "InProcServer32") || Same(NamePart(row->path), HANDLER_CLSID)) &&
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
                  !Same(found.cFileName, UNINSTALL_PROGRAM);
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
    UINT length;

    ZeroMemory(&g_uninstall, sizeof(g_uninstall));
    if (!TEXT_COPY(g_setup.installDir, installDir) || lstrlenA(installDir) <= 3 ||
        !PathJoin(g_uninstall.programPath, sizeof(g_uninstall.programPath), installDir, UNINSTALL_PROGRAM) ||
        !PathJoin(g_uninstall.journalPath, sizeof(g_uninstall.journalPath), installDir, JOURNAL_NAME))
        return 0;
    length = GetWindowsDirectoryA(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    if (length == 0 || length >= sizeof(g_setup.windowsDir))
        return 0;
    length = GetSystemDirectoryA(g_uninstall.systemDir, sizeof(g_uninstall.systemDir));
    if (length == 0 || length >= sizeof(g_uninstall.systemDir))
        return 0;
    /* the Windows directory or one above it is never an installation's */
    if (BelowOrSame(g_setup.windowsDir, installDir))
        return 0;
    g_uninstall.haveJournal = IsFile(g_uninstall.journalPath);
    return 1;
}

void UninstallRun(void)
{
    JournalEnable(0);
    if (!g_uninstall.haveJournal || !JournalRead(g_uninstall.journalPath, &journal)) {
        g_uninstall.haveJournal = 0;
        RemoveProvableComponents();
        RemoveOwnDirectory();
        return;
    }
    undone = (char *)GlobalAlloc(GPTR, (SIZE_T)journal.count + 1);
    if (undone == NULL) {
        JournalFree(&journal);
        return;
    }
    ReadNamesAndProduct();
    MarkUndone();
    g_uninstall.whole = JournalWhole();
    g_uninstall.interrupted = !journal.lastRunEnded;
    UndoPass(0);
    if (!g_uninstall.whole)
        RestoreFromRecord();
    if (g_uninstall.refusedCount > 0)
        g_uninstall.whole = 0;
    if (g_uninstall.whole && g_uninstall.keptCount == g_uninstall.keptDirectories) {
        UndoPass(1);
        if (g_uninstall.keptCount == g_uninstall.keptDirectories) {
            /* the journal goes before the program that reads it */
            if (!DeleteFileA(g_uninstall.journalPath))
                Keep(g_uninstall.journalPath, IDS_KEPT_FAILED);
            UndoPass(2);
            /* this program goes also when it was put here by hand */
            if (IsFile(g_uninstall.programPath) && !HasEntry(J_FILE, g_uninstall.programPath, NULL))
                RemoveFile(g_uninstall.programPath);
            UndoPass(3);
        }
    }
    GlobalFree(undone);
    undone = NULL;
    JournalFree(&journal);
}
