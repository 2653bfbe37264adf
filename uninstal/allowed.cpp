/* What the uninstaller may touch: files, keys, values and the mouse line
 * the setup could have made; and the path comparisons that decide it. */
#include "undo_parts.h"
#include "uninstal_res.h"
#include "../app/paths.h"
#include "../app/text.h"
#include "../install/file_ops.h"
#include "../install/install.h"
#include "../registry/components.h"
#include "../registry/values.h"
#include "../script/journal.h"

int SameStart(const char *text, const char *start, int length)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, length, start, length) == CSTR_EQUAL;
}

int Same(const char *a, const char *b)
{
    return lstrcmpiA(a, b) == 0;
}

/* 1 when path lies below dir (not dir itself). */
int Below(const char *path, const char *dir)
{
    int length = lstrlenA(dir);

    return length > 0 && lstrlenA(path) > length + 1 && SameStart(path, dir, length) &&
           path[length] == '\\';
}

int BelowOrSame(const char *path, const char *dir)
{
    return Same(path, dir) || Below(path, dir);
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

/* A full path of the form the journal writes: "X:\..." with no "." or
 * ".." level and no empty one. */
int PlainFullPath(const char *path)
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
    if (!PathDirectory(dir, sizeof(dir), path))
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
int DirectoryAllowed(const char *path)
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
