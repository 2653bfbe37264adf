/* Containment of a package: the script's names and directory values must
 * be plain relative paths. */
#include "containment.h"
#include "../app/text.h"
#include "../res/resource.h"

#include <windows.h>

static int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

/* Compares the first `length` characters of a piece with a name, without
 * regard to case. */
static int SameName(const char *piece, int length, const char *name)
{
    int i;

    for (i = 0; i < length; i++) {
        if (name[i] == '\0' || UpperAscii(piece[i]) != name[i])
            return 0;
    }
    return name[i] == '\0';
}

/* The length of a step without its trailing dots and blanks. */
static int TrimmedLength(const char *step, int length)
{
    while (length > 0 && (step[length - 1] == '.' || step[length - 1] == ' '))
        length--;
    return length;
}

int IsDeviceName(const char *step, int length)
{
    static const char *const devices[] = {
        "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$", "COM1", "COM2", "COM3",
        "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4",
        "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
    };
    int i, base;

    /* the name before its extension, without the blanks before the dot */
    for (base = 0; base < length && step[base] != '.'; base++)
        ;
    while (base > 0 && step[base - 1] == ' ')
        base--;
    for (i = 0; i < (int)(sizeof(devices) / sizeof(devices[0])); i++) {
        if (SameName(step, base, devices[i]))
            return 1;
    }
    return 0;
}

int IsWindowsOwnFile(const char *name)
{
    static const char *const endings[] = { ".INI", ".DAT", ".DA0", ".SYS", ".COM" };
    static const char *const names[] = {
        "KRNL386.EXE", "KRNL286.EXE", "GDI.EXE", "USER.EXE", "EXPLORER.EXE", "WININIT.EXE",
        "REGEDIT.EXE", "AUTOEXEC.BAT", "VMM32.VXD", "KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
        "ADVAPI32.DLL", "SHELL32.DLL", "COMDLG32.DLL", "LZ32.DLL",
    };
    const char *last = name;
    int length, i;

    for (; *name != '\0'; name++) {
        if (*name == '\\' || *name == '/')
            last = name + 1;
    }
    length = TrimmedLength(last, lstrlenA(last));
    for (i = 0; i < (int)(sizeof(endings) / sizeof(endings[0])); i++) {
        if (length >= 4 && SameName(last + length - 4, 4, endings[i]))
            return 1;
    }
    for (i = 0; i < (int)(sizeof(names) / sizeof(names[0])); i++) {
        if (SameName(last, length, names[i]))
            return 1;
    }
    return 0;
}

/* One step of a path, [start, start + length): "." and empty steps are
 * harmless; a step of dots and blanks only is a way up (Windows 95 reads
 * "..." as two levels up); any other step may not end in a dot or a
 * blank, which Win32 drops (so "WIN.INI." opens WIN.INI); a device name
 * opens the device whatever its extension. */
static int CheckStep(const char *step, int length)
{
    if (length == 0 || (length == 1 && step[0] == '.'))
        return PATH_CONTAINED;
    if (TrimmedLength(step, length) == 0)
        return PATH_PARENT;
    if (IsDeviceName(step, length))
        return PATH_DEVICE;
    if (TrimmedLength(step, length) != length)
        return PATH_TRAILING;
    return PATH_CONTAINED;
}

int CheckPathPiece(const char *text)
{
    const unsigned char *p;
    int start, i, reason;

    if (text == NULL || text[0] == '\0')
        return PATH_CONTAINED;
    if (IsSeparator(text[0]))
        return PATH_ROOTED;
    for (p = (const unsigned char *)text; *p != '\0'; p++) {
        if (*p == ':')
            return PATH_DRIVE;
    }
    for (p = (const unsigned char *)text; *p != '\0'; p++) {
        if (*p < 0x20 || *p == '*' || *p == '?' || *p == '<' || *p == '>' || *p == '|' ||
            *p == '"')
            return PATH_WILDCARD;
    }
    start = 0;
    for (i = 0;; i++) {
        if (text[i] == '\0' || IsSeparator(text[i])) {
            reason = CheckStep(text + start, i - start);
            if (reason != PATH_CONTAINED)
                return reason;
            if (text[i] == '\0')
                break;
            start = i + 1;
        }
    }
    return PATH_CONTAINED;
}

int CheckTargetName(const char *text, int windowsDir)
{
    int reason = CheckPathPiece(text);
    int length, start;

    if (reason != PATH_CONTAINED)
        return reason;
    length = text != NULL ? lstrlenA(text) : 0;
    for (start = length; start > 0 && !IsSeparator(text[start - 1]); start--)
        ;
    if (start == length || (length - start == 1 && text[start] == '.'))
        return PATH_NO_NAME;
    if (windowsDir && IsWindowsOwnFile(text))
        return PATH_WINDOWS_OWN;
    return PATH_CONTAINED;
}

const char *PathFaultText(int reason)
{
    switch (reason) {
    case PATH_PARENT:       return "a \"..\" step";
    case PATH_DRIVE:        return "a drive";
    case PATH_ROOTED:       return "a path from the root";
    case PATH_WILDCARD:     return "a wildcard or a character no file name holds";
    case PATH_DEVICE:       return "a device name";
    case PATH_TRAILING:     return "a name ending in a dot or a blank, which Windows drops";
    case PATH_NO_NAME:      return "no file name";
    case PATH_WINDOWS_OWN:  return "one of Windows' own files";
    default:                return "";
    }
}

int PathFaultIsName(int reason)
{
    return reason == PATH_DEVICE || reason >= PATH_TRAILING;
}

/* ---- full paths ---- */

int CanonicalPath(char *canonical, int size, const char *path)
{
    char built[MAX_PATH];
    int length = 2, i, start, end, trimmed, dots, up;

    if (size > 0)
        canonical[0] = '\0';
    if (path == NULL || !((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) ||
        path[1] != ':' || !IsSeparator(path[2]))
        return 0;
    built[0] = path[0];
    built[1] = ':';
    for (start = 3;; start = end + 1) {
        for (end = start; path[end] != '\0' && !IsSeparator(path[end]); end++)
            ;
        trimmed = TrimmedLength(path + start, end - start);
        if (trimmed == 0 && end > start) {
            /* dots (and blanks): "." stays, ".." one up, "..." two */
            for (dots = 0, i = start; i < end; i++)
                dots += path[i] == '.';
            for (up = dots - 1; up > 0 && length > 2; up--) {
                while (length > 2 && built[length - 1] != '\\')
                    length--;
                length--;
            }
        } else if (trimmed > 0) {
            if (length + 1 + trimmed >= (int)sizeof(built))
                return 0;
            built[length++] = '\\';
            CopyBytes(built + length, path + start, (unsigned)trimmed);
            length += trimmed;
        }
        if (path[end] == '\0')
            break;
    }
    if (length == 2)
        built[length++] = '\\';
    built[length] = '\0';
    if (!TextCopy(canonical, size, built)) {
        canonical[0] = '\0';
        return 0;
    }
    return 1;
}

int IsPlainFullPath(const char *path)
{
    char canonical[MAX_PATH];
    int start, i;

    if (!CanonicalPath(canonical, sizeof(canonical), path) || !TextSame(canonical, path))
        return 0;
    for (i = 2; path[i] != '\0'; i++) {
        if ((unsigned char)path[i] < 0x20 || TextFindChar(":*?<>|\"", path[i]) != NULL)
            return 0;
    }
    for (start = 3, i = 3;; i++) {
        if (path[i] != '\\' && path[i] != '\0')
            continue;
        if (IsDeviceName(path + start, i - start))
            return 0;
        if (path[i] == '\0')
            return 1;
        start = i + 1;
    }
}

int PathSame(const char *a, const char *b)
{
    int length = lstrlenA(a);

    return length == lstrlenA(b) && TextSameStartNoCase(a, b, length);
}

int PathWithin(const char *path, const char *dir)
{
    char full[MAX_PATH], base[MAX_PATH];
    int length;

    if (!CanonicalPath(full, sizeof(full), path) || !CanonicalPath(base, sizeof(base), dir))
        return 0;
    length = lstrlenA(base);
    if (base[length - 1] == '\\')   /* the root */
        length--;
    return lstrlenA(full) > length + 1 && TextSameStartNoCase(full, base, length) &&
           full[length] == '\\';
}

/* The directory key whose value the record's directories came from: the
 * first with the same value, or -1. */
static int RecordDirectoryKey(const FileRecord *record)
{
    char subdir[sizeof(record->sourceSubdir)];
    int k;

    TextCopy(subdir, sizeof(subdir), record->sourceSubdir);
    if (subdir[0] == '\0')
        return -1;
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        if (lstrcmpA(subdir, g_setup.directoryNames[k]) == 0)
            return k;
    }
    return -1;
}

static int Visit(ContainmentVisit visit, void *context, ContainmentFault *fault, int *count)
{
    (*count)++;
    return visit == 0 || visit(fault, context);
}

/* The record's own texts, read no further than their fields. Returns 0
 * when the visit asked to stop. */
static int CheckRecord(int disk, int file, ContainmentVisit visit, void *context, int *count)
{
    const FileRecord *record = g_setup.fileTable[disk] + file;
    char sourceName[sizeof(record->sourceName)];
    char targetName[sizeof(record->targetName)];
    char directory[sizeof(record->sourceSubdir)];
    char targetDir[sizeof(record->targetDir)];
    ContainmentFault fault;

    fault.disk = disk;
    fault.file = file;
    fault.directoryKey = -1;
    TextCopy(sourceName, sizeof(sourceName), record->sourceName);
    TextCopy(targetName, sizeof(targetName), record->targetName);
    TextCopy(directory, sizeof(directory), record->sourceSubdir);
    TextCopy(targetDir, sizeof(targetDir), record->targetDir);

    fault.reason = CheckPathPiece(sourceName);
    if (fault.reason != PATH_CONTAINED) {
        fault.field = FAULT_SOURCE_NAME;
        fault.text = sourceName;
        if (!Visit(visit, context, &fault, count))
            return 0;
    }
    /* a record the loader left empty copies nothing */
    fault.reason = sourceName[0] == '\0' && targetName[0] == '\0'
                       ? PATH_CONTAINED : CheckTargetName(targetName, record->targetIsAbsolute);
    if (fault.reason != PATH_CONTAINED) {
        fault.field = FAULT_TARGET_NAME;
        fault.text = targetName;
        if (!Visit(visit, context, &fault, count))
            return 0;
    }
    fault.reason = CheckPathPiece(directory);
    if (fault.reason == PATH_CONTAINED && !record->targetIsAbsolute)
        fault.reason = CheckPathPiece(targetDir);
    if (fault.reason != PATH_CONTAINED) {
        fault.field = FAULT_DIRECTORY;
        fault.directoryKey = RecordDirectoryKey(record);
        fault.text = fault.directoryKey >= 0 ? g_setup.directoryNames[fault.directoryKey]
                                             : directory;
        if (!Visit(visit, context, &fault, count))
            return 0;
    }
    return 1;
}

int CheckContainment(ContainmentVisit visit, void *context)
{
    ContainmentFault fault;
    int count = 0;
    int disk, file, k;

    for (disk = 0; disk < g_setup.diskCount && disk < DISK_MAX; disk++) {
        if (g_setup.fileTable[disk] == NULL)
            continue;
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            if (!CheckRecord(disk, file, visit, context, &count))
                return count;
        }
    }
    /* Every value, used or not: the sub-directories are made up front. */
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        fault.reason = CheckPathPiece(g_setup.directoryNames[k]);
        if (fault.reason == PATH_CONTAINED)
            continue;
        fault.disk = -1;
        fault.file = -1;
        fault.field = FAULT_DIRECTORY;
        fault.directoryKey = k;
        fault.text = g_setup.directoryNames[k];
        if (!Visit(visit, context, &fault, &count))
            return count;
    }
    return count;
}

static int KeepFirst(const ContainmentFault *fault, void *context)
{
    *(ContainmentFault *)context = *fault;
    return 0;
}

int FindFirstContainmentFault(ContainmentFault *fault)
{
    return CheckContainment(KeepFirst, fault) != 0;
}

void NameContainmentFault(const ContainmentFault *fault, char *section, int sectionSize,
                          char *key, int keySize, char *text, int textSize)
{
    char directoryKey[TEXT_MAX];

    if (fault->disk < 0) {
        TextCopy(section, sectionSize, LoadText(IDS_DIRECTORY_SECTION));
        TextCopy(key, keySize, LoadText(IDS_ROOT_DIR + fault->directoryKey));
        TextCopy(text, textSize, fault->text);
        return;
    }
    TextCopy(section, sectionSize, LoadText(IDS_DISK1 + fault->disk));
    TextFormat(key, keySize, "%d", fault->file + 1);
    if (fault->field != FAULT_DIRECTORY || fault->directoryKey < 0) {
        TextCopy(text, textSize, fault->text);
        return;
    }
    TEXT_COPY(directoryKey, LoadText(IDS_ROOT_DIR + fault->directoryKey));
    TextCopy(text, textSize, directoryKey);
    TextAppend(text, textSize, "=");
    TextAppend(text, textSize, fault->text);
}

void FormatPackageRefusal(const ContainmentFault *fault, char *message, int size)
{
    char section[TEXT_MAX], key[TEXT_MAX], text[TEXT_MAX], format[TEXT_MAX];

    NameContainmentFault(fault, section, sizeof(section), key, sizeof(key), text, sizeof(text));
    if (PathFaultIsName(fault->reason)) {
        TEXT_COPY(format, LoadText(IDS_PACKAGE_NAME_REFUSED));
        TextFormat(message, size, format, PathFaultText(fault->reason), section, key, text);
    } else {
        TEXT_COPY(format, LoadText(IDS_PACKAGE_REFUSED));
        TextFormat(message, size, format, section, key, text);
    }
}
