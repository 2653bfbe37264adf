/* Containment of a package: the script's names and directory values must
 * be plain relative paths. */
#include "containment.h"
#include "text.h"
#include "resource.h"

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
        TEXT_COPY(fault.text, sourceName);
        if (!Visit(visit, context, &fault, count))
            return 0;
    }
    /* a record the loader left empty copies nothing */
    fault.reason = sourceName[0] == '\0' && targetName[0] == '\0'
                       ? PATH_CONTAINED : CheckTargetName(targetName, record->targetIsAbsolute);
    if (fault.reason != PATH_CONTAINED) {
        fault.field = FAULT_TARGET_NAME;
        TEXT_COPY(fault.text, targetName);
        if (!Visit(visit, context, &fault, count))
            return 0;
    }
    fault.reason = CheckPathPiece(directory);
    if (fault.reason == PATH_CONTAINED && !record->targetIsAbsolute)
        fault.reason = CheckPathPiece(targetDir);
    if (fault.reason != PATH_CONTAINED) {
        fault.field = FAULT_DIRECTORY;
        fault.directoryKey = RecordDirectoryKey(record);
        TEXT_COPY(fault.text, fault.directoryKey >= 0 ? g_setup.directoryNames[fault.directoryKey]
                                                      : directory);
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
        TEXT_COPY(fault.text, g_setup.directoryNames[k]);
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
