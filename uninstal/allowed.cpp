/* What the uninstaller may touch: files, keys, values and the mouse line
 * the setup could have made; and the path comparisons that decide it. */
#include "undo_parts.h"
#include "uninstal_res.h"
#include "paths.h"
#include "text.h"
#include "file_ops.h"
#include "install.h"
#include "components.h"
#include "registry.h"
#include "values.h"
#include "path_rule.h"
#include "journal.h"

int StartsNoCase(const char *text, const char *start, int length)
{
    return lstrlenA(text) >= length && TextSameStartNoCase(text, start, length);
}

/* 1 when path lies below dir (not dir itself): keys, and file paths
 * already known to be plain. */
int PathBelow(const char *path, const char *dir)
{
    int length = lstrlenA(dir);

    return length > 0 && lstrlenA(path) > length + 1 && StartsNoCase(path, dir, length) &&
           path[length] == '\\';
}

int PathBelowOrSame(const char *path, const char *dir)
{
    return PathSame(path, dir) || PathBelow(path, dir);
}

const char *NamePart(const char *path)
{
    const char *name = path;

    for (; *path != '\0'; path++) {
        if (*path == '\\')
            name = path + 1;
    }
    return name;
}

/* A full path of the form the journal writes: its own canonical form,
 * without a device, so that what is checked is what is opened. */
int PlainFullPath(const char *path)
{
    return lstrlenA(path) < MAX_PATH && IsPlainFullPath(path);
}

int FileAllowed(const char *path, const char *const *allowedNames, int allowedCount)
{
    char dir[MAX_PATH], other[MAX_PATH];
    const char *name = NamePart(path);
    int i;

    if (!PlainFullPath(path))
        return 0;
    if (PathWithin(path, g_setup.installDir))
        return !PathSame(path, g_uninstall.journalPath);
    if (!PathDirectory(dir, sizeof(dir), path))
        return 0;
    if (PathSame(dir, g_setup.windowsDir) && PathSame(name, SYSTEM_INI_BACKUP))
        return 1;
    if (PathJoin(other, sizeof(other), g_uninstall.systemDir, VMM32_DIR) && PathSame(dir, other) &&
        PathSame(name, VMOUSE_BAK_NAME))
        return 1;
    /* the setup's SYSTEM is the Windows directory's (the same as the
     * system directory on Windows 95) */
    if (!PathSame(dir, g_setup.windowsDir) && !PathSame(dir, g_uninstall.systemDir) &&
        !(PathJoin(other, sizeof(other), g_setup.windowsDir, "SYSTEM") && PathSame(dir, other)) &&
        !(PathJoin(other, sizeof(other), g_setup.windowsDir, "INF") && PathSame(dir, other)))
        return 0;
    if (IsWindowsOwnFile(name))
        return 0;
    for (i = 0; i < allowedCount; i++) {
        if (PathSame(name, allowedNames[i]))
            return 1;
    }
    return 0;
}

/* installDir, below it, or above it but short of the drive root and of
 * the Windows directory. */
int DirectoryAllowed(const char *path)
{
    if (!PlainFullPath(path) || lstrlenA(path) <= 3)
        return 0;
    if (PathSame(path, g_setup.installDir) || PathWithin(path, g_setup.installDir))
        return 1;
    return PathWithin(g_setup.installDir, path) && !PathSame(g_setup.windowsDir, path) &&
           !PathWithin(g_setup.windowsDir, path);
}

/* "Mouse\NNNN" below the class key: digits only, at least four. */
static int ClassInstance(const char *path)
{
    int length = lstrlenA(MOUSE_CLASS_KEY), i;

    if (!PathBelow(path, MOUSE_CLASS_KEY))
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

    if (!PathBelow(path, ENUM_KEY))
        return 0;
    for (; *path != '\0'; path++)
        levels += *path == '\\';
    return levels == 3;
}

/* ---- the keys this journal's runs could have chosen ---- */

#define CHOSEN_MAX 16

struct ChosenKeys {
    char devices[CHOSEN_MAX][MAX_PATH];     /* the device each run took over or made */
    int deviceCount;
    char classes[CHOSEN_MAX][MAX_PATH];     /* their driver class keys */
    int classCount;
};

static ChosenKeys chosen;

static int Chosen(char list[][MAX_PATH], int count, const char *path)
{
    int i;

    for (i = 0; i < count; i++) {
        if (PathSame(list[i], path))
            return 1;
    }
    return 0;
}

static void Choose(char list[][MAX_PATH], int *count, const char *path)
{
    if (*count < CHOSEN_MAX && !Chosen(list, *count, path) && TextCopy(list[*count], MAX_PATH, path))
        (*count)++;
}

/* The class key of a device's Driver value ("Mouse\NNNN"), into path. */
static int DriverClassKey(char *path, int size, const char *driver, DWORD length)
{
    char key[MAX_PATH];

    return length < MAX_PATH && (DWORD)lstrlenA(driver) == length && PathJoin(key, sizeof(key), CLASS_FLOOR, driver) &&
           ClassInstance(key) && TextCopy(path, size, key);
}

/* A journal entry's key below HKLM, or null. */
static const char *MachineKey(const JournalEntry *entry)
{
    const char *path;

    if ((entry->kind != J_KEY && entry->kind != J_VALUE) || !JournalText(entry, 0) ||
        JournalSplitKey(entry->fields[0], &path) != HKEY_LOCAL_MACHINE)
        return NULL;
    return path;
}

/* The class key the device's Driver value names now, into key. */
static int LiveClassKey(const char *device, char *key, int size)
{
    char driver[MAX_PATH];
    HKEY opened;
    int named;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, device, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return 0;
    named = ReadTextValue(opened, "Driver", driver, sizeof(driver)) &&
            DriverClassKey(key, size, driver, (DWORD)lstrlenA(driver));
    RegCloseKey(opened);
    return named;
}

/* One pass in the order of the journal: each run registers one device,
 * the first it names that the registration could choose; a class key is
 * that device's when a Driver value the run gave the device names it
 * and the run made it (its KEY line follows); and the class key each
 * device's Driver names now. */
void ChooseKeys(void)
{
    char key[MAX_PATH], candidates[CHOSEN_MAX][MAX_PATH];
    int candidateCount = 0, runHasDevice = 0, i, field;
    const JournalEntry *entry;
    const char *path;

    ZeroMemory(&chosen, sizeof(chosen));
    for (i = 0; i < g_undoJournal.count; i++) {
        entry = &g_undoJournal.entries[i];
        if (entry->kind == J_RUN)
            runHasDevice = 0;
        path = MachineKey(entry);
        if (path == NULL)
            continue;
        if (!runHasDevice && DeviceKey(path) && CouldTakeOverDevice(path)) {
            runHasDevice = 1;
            Choose(chosen.devices, &chosen.deviceCount, path);
        }
        if (entry->kind == J_KEY && Chosen(candidates, candidateCount, path))
            Choose(chosen.classes, &chosen.classCount, path);
        if (entry->kind != J_VALUE || !PathSame(entry->fields[1], "Driver") ||
            !Chosen(chosen.devices, chosen.deviceCount, path))
            continue;
        for (field = 3; field <= 5; field += 2) {
            if (DriverClassKey(key, sizeof(key), entry->fields[field], entry->lengths[field]))
                Choose(candidates, &candidateCount, key);
        }
    }
    for (i = 0; i < chosen.deviceCount; i++) {
        if (LiveClassKey(chosen.devices[i], key, sizeof(key)))
            Choose(chosen.classes, &chosen.classCount, key);
    }
}

int RecordedKeyAllowed(const char *device, const char *path, int classKey)
{
    char key[MAX_PATH];

    if (!(Chosen(chosen.devices, chosen.deviceCount, device) ||
          (DeviceKey(device) && CouldTakeOverDevice(device))))
        return 0;
    if (!classKey)
        return PathSame(device, path);
    return Chosen(chosen.classes, chosen.classCount, path) ||
           (LiveClassKey(device, key, sizeof(key)) && PathSame(key, path));
}

/* A level of a component key that the setup may have made: the key
 * itself or a level above it below CLSID or CurrentVersion. */
static int ComponentLevel(HKEY root, const char *path)
{
    const char *floor = root == HKEY_CLASSES_ROOT ? "CLSID" : CURRENT_VERSION_KEY;
    int i;

    if (!PathBelow(path, floor))
        return 0;
    for (i = 0; i < g_componentValueCount; i++) {
        if (g_componentValues[i].root == root && PathBelowOrSame(g_componentValues[i].path, path))
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
    return PathBelowOrSame(ROOT_DEVICE_PARENT, path) || PathSame(path, ROOT_DEVICE_PARENT "\\0000") ||
           (PathBelowOrSame(MOUSE_CLASS_KEY, path) && PathBelowOrSame(path, CLASS_FLOOR)) ||
           Chosen(chosen.classes, chosen.classCount, path);
}

static int NameIn(const char *name, const char *const *list)
{
    for (; *list != NULL; list++) {
        if (PathSame(name, *list))
            return 1;
    }
    return 0;
}


int ValueAllowed(const char *named, const char *name)
{
    const char *path;
    HKEY root = JournalSplitKey(named, &path);
    const ComponentValue *row;
    int i;

    if (root == NULL)
        return 0;
    for (i = 0; i < g_componentValueCount; i++) {
        row = &g_componentValues[i];
        if (row->root == root && PathSame(row->path, path) && PathSame(row->name != NULL ? row->name : "", name))
            return 1;
    }
    if (root != HKEY_LOCAL_MACHINE)
        return 0;
    if (Chosen(chosen.devices, chosen.deviceCount, path))
        return NameIn(name, g_deviceValues);
    return Chosen(chosen.classes, chosen.classCount, path) && NameIn(name, g_classValues);
}

/* The original mouse line: a "mouse=" line of [386Enh] that fits its
 * line, nothing that would make another key or section. */
int MouseLineAllowed(const char *line, DWORD length)
{
    DWORD i;

    if (length < 6 || length > MOUSE_LINE_MAX || !StartsNoCase(line, "mouse=", 6))
        return 0;
    for (i = 0; i < length; i++) {
        if ((BYTE)line[i] < ' ' || line[i] == 0x7F || line[i] == '[' || (i >= 6 && line[i] == '='))
            return 0;
    }
    return 1;
}
