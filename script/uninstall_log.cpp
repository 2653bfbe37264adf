/* The uninstall log written by the setup: installDir\UNINSTAL.INI. */
#include "uninstall_log.h"
#include "../app/setup_state.h"
#include "../app/text.h"

#define LOG_KEY_MAX 1024        /* an escaped key path or file path */

/* "HKLM\path" of the key the next values are written to; empty when the
 * last key could not be named. */
static char currentKey[LOG_KEY_MAX];
static int logEnabled = 1;

/* Directories made before there is anything else to log: the destination
 * is made on its page, and the log is written into it only when the
 * installation writes there, so that a destination left by Back stays
 * as empty as it was made. */
#define PENDING_DIRS 8
static char pendingDirs[PENDING_DIRS][TEXT_MAX];
static int pendingDirCount;

/* The log whose product name has been seen in this run: the name is
 * looked for once, not before every entry (each profile write rewrites
 * the whole file under some platforms, and the copy logs every file). */
static char namedLog[TEXT_MAX];

/* The target file being written and what it was before ("new", "old",
 * or what an earlier run logged first): its entry is written once, when
 * the file is complete. */
static char currentFile[LOG_KEY_MAX];
static char currentFileStatus[LOG_ENTRY_MAX];

void UninstallLogEnable(int on)
{
    logEnabled = on;
}

int BuildUninstallLogPath(char *path, int size)
{
    if (g_setup.installDir[0] == '\0') {
        if (size > 0)
            path[0] = '\0';
        return 0;
    }
    return PathJoin(path, size, g_setup.installDir, UNINSTALL_LOG_NAME);
}

static int MustEscape(BYTE c)
{
    return c <= ' ' || c >= 0x7F || TextFindChar("%=[];\",|", c) != NULL;
}

int LogEscape(char *text, int size, const BYTE *data, DWORD length)
{
    static const char digits[] = "0123456789ABCDEF";
    int at = 0;
    DWORD i;

    for (i = 0; i < length; i++) {
        if (MustEscape(data[i])) {
            if (at + 3 >= size)
                break;
            text[at++] = '%';
            text[at++] = digits[data[i] >> 4];
            text[at++] = digits[data[i] & 15];
        } else {
            if (at + 1 >= size)
                break;
            text[at++] = (char)data[i];
        }
    }
    if (size > 0)
        text[i == length ? at : 0] = '\0';
    return i == length && size > 0;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int LogUnescape(BYTE *data, DWORD size, const char *text, DWORD *length)
{
    DWORD at = 0;
    int high, low;

    *length = 0;
    while (*text != '\0') {
        if (at >= size)
            return 0;
        if (*text == '%') {
            high = HexDigit(text[1]);
            low = high < 0 ? -1 : HexDigit(text[2]);
            if (low < 0)
                return 0;
            data[at++] = (BYTE)(high * 16 + low);
            text += 3;
        } else {
            data[at++] = (BYTE)*text++;
        }
    }
    if (at < size)
        data[at] = 0;
    *length = at;
    return 1;
}

static int EscapeText(char *text, int size, const char *plain)
{
    return LogEscape(text, size, (const BYTE *)plain, (DWORD)lstrlenA(plain));
}

/* A text up to its first line break, escaped. */
static int EscapeLine(char *text, int size, const char *line)
{
    return LogEscape(text, size, (const BYTE *)line, (DWORD)TextSpanTo(line, "\r\n"));
}

const char *LogRootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    return NULL;
}

HKEY LogRootKey(const char *name)
{
    if (TextSame(name, "HKLM"))
        return HKEY_LOCAL_MACHINE;
    if (TextSame(name, "HKCR"))
        return HKEY_CLASSES_ROOT;
    return NULL;
}

/* 1 for installDir itself and what lies below it: a directory made for
 * a destination that was then left (Back) is not this log's. */
static int InInstallDir(const char *path)
{
    size_t length = lstrlenA(g_setup.installDir);

    return TextSameStartNoCase(path, g_setup.installDir, length) &&
           (path[length] == '\0' || path[length] == '\\');
}

/* The log's path, with the product name in it and the directories made
 * so far; 0 when there is no log. */
static int OpenLog(char *path, int size)
{
    char value[LOG_ENTRY_MAX];

    if (!logEnabled || !BuildUninstallLogPath(path, size))
        return 0;
    if (!TextSame(namedLog, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        GetPrivateProfileStringA(LOG_SECTION_PRODUCT, "Name", LOG_ABSENT, value, sizeof(value), path);
        value[sizeof(value) - 1] = '\0';
        if (TextSame(value, LOG_ABSENT) && EscapeLine(value, sizeof(value), g_setup.productName))
            WritePrivateProfileStringA(LOG_SECTION_PRODUCT, "Name", value, path);
        TEXT_COPY(namedLog, path);
    }
    for (; pendingDirCount > 0; pendingDirCount--) {
        if (InInstallDir(pendingDirs[pendingDirCount - 1]) &&
            EscapeText(value, sizeof(value), pendingDirs[pendingDirCount - 1]))
            WritePrivateProfileStringA(LOG_SECTION_DIRECTORIES, value, "made", path);
    }
    return 1;
}

/* The entry's text, or empty when it is not there. */
static void ReadEntry(const char *path, const char *section, const char *key, char *value, int size)
{
    GetPrivateProfileStringA(section, key, "", value, (DWORD)size, path);
    value[size - 1] = '\0';
}

/* Whether the file is there before the setup writes it; an earlier
 * run's word stays. Nothing is written yet: the entry goes into the log
 * once the file is complete. */
void UninstallLogFileBefore(const char *path)
{
    char log[TEXT_MAX], value[LOG_ENTRY_MAX];

    currentFile[0] = '\0';
    if (!OpenLog(log, sizeof(log)) || !EscapeText(currentFile, sizeof(currentFile), path)) {
        currentFile[0] = '\0';
        return;
    }
    ReadEntry(log, LOG_SECTION_FILES, currentFile, value, sizeof(value));
    value[TextSpanTo(value, ",")] = '\0';
    if (value[0] != '\0')
        TEXT_COPY(currentFileStatus, value);    /* an earlier run met it first */
    else
        TEXT_COPY(currentFileStatus, GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "new" : "old");
}

void UninstallLogFileAfter(const char *path)
{
    char log[TEXT_MAX], key[LOG_KEY_MAX], entry[LOG_ENTRY_MAX];
    WIN32_FIND_DATAA found;
    HANDLE search;

    if (!OpenLog(log, sizeof(log)) || !EscapeText(key, sizeof(key), path) ||
        !TextSame(key, currentFile))
        return;
    currentFile[0] = '\0';
    TEXT_COPY(entry, currentFileStatus);
    search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        TextFormat(entry, sizeof(entry), "%s,%lu,%lu,%lu", currentFileStatus,
                   (unsigned long)found.nFileSizeLow,
                   (unsigned long)found.ftLastWriteTime.dwHighDateTime,
                   (unsigned long)found.ftLastWriteTime.dwLowDateTime);
    }
    WritePrivateProfileStringA(LOG_SECTION_FILES, key, entry, log);
}

void UninstallLogDirectory(const char *path)
{
    if (logEnabled && pendingDirCount < PENDING_DIRS &&
        TEXT_COPY(pendingDirs[pendingDirCount], path))
        pendingDirCount++;
}

static int KeyExists(HKEY root, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

void UninstallLogKey(HKEY root, const char *path)
{
    char log[TEXT_MAX], level[LOG_KEY_MAX], named[LOG_KEY_MAX], key[LOG_KEY_MAX];
    const char *rootName = LogRootName(root);
    size_t end;

    currentKey[0] = '\0';
    if (rootName == NULL || path == NULL || !OpenLog(log, sizeof(log)) ||
        !TEXT_COPY(currentKey, rootName) || !TEXT_APPEND(currentKey, "\\") ||
        !TEXT_APPEND(currentKey, path)) {
        currentKey[0] = '\0';
        return;
    }
    /* every level, the shortest first: RegCreateKeyEx makes them all */
    for (end = 0; path[end] != '\0'; end++) {
        if (path[end + 1] != '\\' && path[end + 1] != '\0')
            continue;
        if (end + 2 > sizeof(level))
            break;
        TextCopy(level, (int)end + 2, path);
        if (KeyExists(root, level))
            continue;
        if (TEXT_COPY(named, rootName) && TEXT_APPEND(named, "\\") && TEXT_APPEND(named, level) &&
            EscapeText(key, sizeof(key), named))
            WritePrivateProfileStringA(LOG_SECTION_KEYS, key, "made", log);
    }
}

/* "type,escaped data" of the value as it is now: "-," when it does not
 * exist, "?," when it is too long to keep. */
static void DescribeOriginal(HKEY key, const char *name, char *text, int size)
{
    DWORD type = 0, length = 0;
    BYTE *data;
    char escaped[3 * LOG_ORIGINAL_MAX + 1];

    if (RegQueryValueExA(key, name, NULL, &type, NULL, &length) != ERROR_SUCCESS) {
        TextCopy(text, size, LOG_ABSENT ",");
        return;
    }
    TextCopy(text, size, LOG_UNKNOWN ",");
    if (length > LOG_ORIGINAL_MAX)
        return;
    data = (BYTE *)LocalAlloc(LPTR, length + 1);
    if (data == NULL)
        return;
    if (RegQueryValueExA(key, name, NULL, &type, data, &length) == ERROR_SUCCESS &&
        LogEscape(escaped, sizeof(escaped), data, length))
        TextFormat(text, size, "%lu,%s", (unsigned long)type, escaped);
    LocalFree(data);
}

void UninstallLogValue(HKEY key, const char *name, DWORD type, const BYTE *data, DWORD size)
{
    char log[TEXT_MAX], entryKey[2 * LOG_KEY_MAX], escapedName[LOG_KEY_MAX];
    char value[LOG_ENTRY_MAX], original[LOG_ENTRY_MAX], wrote[LOG_ENTRY_MAX];
    size_t end;

    if (currentKey[0] == '\0' || !OpenLog(log, sizeof(log)) ||
        !EscapeText(entryKey, sizeof(entryKey), currentKey) ||
        !EscapeText(escapedName, sizeof(escapedName), name != NULL ? name : "") ||
        !TEXT_APPEND(entryKey, "|") || !TEXT_APPEND(entryKey, escapedName) ||
        !LogEscape(wrote, sizeof(wrote), data, size))
        return;
    /* the original of an earlier run stays: the first two fields */
    ReadEntry(log, LOG_SECTION_VALUES, entryKey, value, sizeof(value));
    end = TextSpanTo(value, ",");
    if (value[0] != '\0' && value[end] == ',') {
        end += 1 + TextSpanTo(value + end + 1, ",");
        value[end] = '\0';
        TEXT_COPY(original, value);
    } else {
        DescribeOriginal(key, name, original, sizeof(original));
    }
    if (TextFormat(value, sizeof(value), "%s,%lu,%s", original, (unsigned long)type, wrote))
        WritePrivateProfileStringA(LOG_SECTION_VALUES, entryKey, value, log);
}

void UninstallLogMouseLine(const char *oldLine, const char *newLine)
{
    char log[TEXT_MAX], value[LOG_ENTRY_MAX];

    if (!OpenLog(log, sizeof(log)))
        return;
    ReadEntry(log, LOG_SECTION_SYSTEM_INI, "MouseLine", value, sizeof(value));
    if (value[0] == '\0' && EscapeLine(value, sizeof(value), oldLine) && value[0] != '\0')
        WritePrivateProfileStringA(LOG_SECTION_SYSTEM_INI, "MouseLine", value, log);
    if (EscapeLine(value, sizeof(value), newLine))
        WritePrivateProfileStringA(LOG_SECTION_SYSTEM_INI, "NewLine", value, log);
}

void UninstallLogBackup(const char *key, const char *path)
{
    char log[TEXT_MAX], value[LOG_ENTRY_MAX];

    if (!OpenLog(log, sizeof(log)))
        return;
    ReadEntry(log, LOG_SECTION_SYSTEM_INI, key, value, sizeof(value));
    if (value[0] == '\0')
        WritePrivateProfileStringA(LOG_SECTION_SYSTEM_INI, key,
                                   GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "absent" : "existed",
                                   log);
}

void UninstallLogVmouseMoved(void)
{
    char log[TEXT_MAX];

    if (OpenLog(log, sizeof(log)))
        WritePrivateProfileStringA(LOG_SECTION_SYSTEM_INI, "VmouseMoved", "1", log);
}
