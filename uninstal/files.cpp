/* Removing the files and directories the setup made. What cannot go now
 * (this program, a file in use) is deleted at the next start of Windows
 * through WININIT.INI, the Windows 95 way. */
#include "uninstall.h"
#include "uninstal_res.h"
#include "../app/stream.h"
#include "../app/text.h"
#include "../script/restore_record.h"
#include "../script/uninstall_log.h"

char *ReadLogKeys(const char *section)
{
    DWORD size = 4096, got;
    char *keys;

    if (!g_uninstall.haveLog)
        return NULL;
    for (;;) {
        keys = (char *)LocalAlloc(LPTR, size);
        if (keys == NULL)
            return NULL;
        got = GetPrivateProfileStringA(section, NULL, "", keys, size, g_uninstall.logPath);
        if (got < size - 2) {
            keys[got] = '\0';
            keys[got + 1] = '\0';
            return keys;
        }
        LocalFree(keys);
        if (size >= 4u << 20)
            return NULL;
        size *= 4;
    }
}

char *NextDeepest(char *list)
{
    char *entry, *deepest = NULL;

    for (entry = list; *entry != '\0'; entry += lstrlenA(entry) + 1) {
        if (entry[0] != '*' && (deepest == NULL || lstrlenA(entry) > lstrlenA(deepest)))
            deepest = entry;
    }
    return deepest;
}

int ReadLogText(const char *section, const char *key, char *text, int size)
{
    char escaped[LOG_ENTRY_MAX];
    DWORD length;

    text[0] = '\0';
    if (!g_uninstall.haveLog)
        return 0;
    GetPrivateProfileStringA(section, key, "", escaped, sizeof(escaped), g_uninstall.logPath);
    escaped[sizeof(escaped) - 1] = '\0';
    if (escaped[0] == '\0' || size < 1 ||
        !LogUnescape((BYTE *)text, (DWORD)size - 1, escaped, &length) || (DWORD)lstrlenA(text) != length) {
        text[0] = '\0';
        return 0;
    }
    return 1;
}

int FullPath(const char *path, char *full, int size)
{
    char *name;
    DWORD length = GetFullPathNameA(path, (DWORD)size, full, &name);

    if (length == 0 || length >= (DWORD)size) {
        full[0] = '\0';
        return 0;
    }
    return 1;
}

/* Leaves the path, in its full form, to WININIT.INI; 0 when the list is
 * full. */
static int DeleteLater(const char *path)
{
    if (g_uninstall.pendingCount >= PENDING_MAX ||
        !FullPath(path, g_uninstall.pending[g_uninstall.pendingCount], PATH_MAX_LONG))
        return 0;
    g_uninstall.pendingCount++;
    return 1;
}

/* The log's paths may hold "." levels ("C:\VELTO\.\UNINSTAL.EXE"). */
static int IsOwnProgram(const char *path)
{
    char full[PATH_MAX_LONG];

    return FullPath(path, full, sizeof(full)) && lstrcmpiA(full, g_uninstall.ownPath) == 0;
}

/* Size and time as the log writes them. */
static int FileStamp(const char *path, char *stamp, int size)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);

    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return TextFormat(stamp, size, "%lu,%lu,%lu", (unsigned long)found.nFileSizeLow,
                      (unsigned long)found.ftLastWriteTime.dwHighDateTime,
                      (unsigned long)found.ftLastWriteTime.dwLowDateTime);
}

/* One file of the log: deleted when it is as the setup wrote it. */
static void RemoveLoggedFile(const char *key)
{
    char path[PATH_MAX_LONG], entry[LOG_ENTRY_MAX], stamp[64];
    DWORD length;
    char *comma;

    if (!LogUnescape((BYTE *)path, sizeof(path) - 1, key, &length) || (DWORD)lstrlenA(path) != length ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    GetPrivateProfileStringA(LOG_SECTION_FILES, key, "", entry, sizeof(entry), g_uninstall.logPath);
    entry[sizeof(entry) - 1] = '\0';
    comma = TextFindChar(entry, ',');
    if (TextSameStart(entry, "old,", 4) || TextSame(entry, "old")) {
        Keep(path, IDS_KEPT_REPLACED);
        return;
    }
    if (comma == NULL || !TextSameStart(entry, "new,", 4) || !FileStamp(path, stamp, sizeof(stamp)) ||
        !TextSame(comma + 1, stamp)) {
        Keep(path, IDS_KEPT_CHANGED);
        return;
    }
    /* this program cannot delete itself while it runs */
    if (!IsOwnProgram(path) && DeleteFileA(path)) {
        g_uninstall.changes++;
        return;
    }
    if (!DeleteLater(path)) {
        Keep(path, IDS_KEPT_FAILED);
        return;
    }
    g_uninstall.changes++;
    if (!IsOwnProgram(path))
        g_uninstall.restart = 1;    /* a file in use */
}

void RemoveFiles(void)
{
    char *files = ReadLogKeys(LOG_SECTION_FILES);
    char *key;

    if (files == NULL)
        return;
    for (key = files; *key != '\0'; key += lstrlenA(key) + 1)
        RemoveLoggedFile(key);
    LocalFree(files);
}

/* 1 when the file holds nothing but blanks and line ends. */
static int FileIsBlank(const char *path)
{
    Stream file;
    int c, blank = 1;

    if (!StreamOpen(&file, path, "rb"))
        return 0;
    while (blank && (c = StreamGetChar(&file)) != -1)
        blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    StreamClose(&file);
    return blank;
}

/* The restore record's sections go once the values are back; the record
 * file goes when nothing else was in it. Without a log the record stays:
 * it is all that is known. */
void RemoveRecord(void)
{
    char record[TEXT_MAX];

    if (!g_uninstall.haveLog || !PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF") ||
        GetFileAttributesA(record) == INVALID_FILE_ATTRIBUTES)
        return;
    WritePrivateProfileStringA("PS2", NULL, NULL, record);
    WritePrivateProfileStringA("Serial", NULL, NULL, record);
    WritePrivateProfileStringA(NULL, NULL, NULL, record);
    if (FileIsBlank(record))
        DeleteFileA(record);
}

static int IsPending(const char *path)
{
    int i;

    for (i = 0; i < g_uninstall.pendingCount; i++) {
        if (lstrcmpiA(g_uninstall.pending[i], path) == 0)
            return 1;
    }
    return 0;
}

/* 1 when everything left in the directory goes at the next start. */
static int OnlyPendingInside(const char *dir)
{
    WIN32_FIND_DATAA found;
    char pattern[PATH_MAX_LONG], path[PATH_MAX_LONG];
    HANDLE search;
    int only = 1;

    if (!PathJoin(pattern, sizeof(pattern), dir, "*"))
        return 0;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (TextSame(found.cFileName, ".") || TextSame(found.cFileName, ".."))
            continue;
        only = PathJoin(path, sizeof(path), dir, found.cFileName) && IsPending(path);
    } while (only && FindNextFileA(search, &found));
    FindClose(search);
    return only;
}

/* The directories the setup made, deepest first, each when it is empty
 * or will be once WININIT.INI has done its part. The log goes first: it
 * lies in the directory it lists. */
void RemoveDirectories(void)
{
    char *dirs = ReadLogKeys(LOG_SECTION_DIRECTORIES);
    char path[PATH_MAX_LONG];
    char *deepest;
    DWORD length;

    if (g_uninstall.haveLog) {
        WritePrivateProfileStringA(NULL, NULL, NULL, g_uninstall.logPath);
        if (!DeleteFileA(g_uninstall.logPath))
            DeleteLater(g_uninstall.logPath);
    }
    if (dirs == NULL)
        return;
    for (;;) {
        deepest = NextDeepest(dirs);
        if (deepest == NULL)
            break;
        if (LogUnescape((BYTE *)path, sizeof(path) - 1, deepest, &length) && (DWORD)lstrlenA(path) == length &&
            GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
            if (RemoveDirectoryA(path))
                g_uninstall.changes++;
            else if (!OnlyPendingInside(path) || !DeleteLater(path))
                Keep(path, IDS_KEPT_NOT_EMPTY);
        }
        deepest[0] = '*';   /* done */
    }
    LocalFree(dirs);
}

/* The whole file in a block of its own (with a terminating zero); null
 * when it cannot be read. Free with LocalFree. */
static char *ReadWholeFile(const char *path, long *length)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD size, got = 0;
    char *text;

    *length = 0;
    if (file == INVALID_HANDLE_VALUE)
        return (char *)LocalAlloc(LPTR, 1);
    size = GetFileSize(file, NULL);
    *length = size == INVALID_FILE_SIZE || size > 0x7FFFFFFEu ? -1 : (long)size;
    text = *length < 0 ? NULL : (char *)LocalAlloc(LPTR, (SIZE_T)*length + 1);
    if (text != NULL && (!ReadFile(file, text, size, &got, NULL) || got != size)) {
        LocalFree(text);
        text = NULL;
    }
    CloseHandle(file);
    return text;
}

/* "NUL=" and the short form of each path (WININIT runs before long names
 * are known), under [rename]. Lines are added by hand: the profile
 * functions would keep only one key named NUL. A new file is written
 * and renamed, so an earlier WININIT.INI is never lost. */
void WriteWininit(void)
{
    char path[TEXT_MAX], newPath[TEXT_MAX], shortPath[PATH_MAX_LONG];
    char *text, *section;
    long length, at;
    DWORD shortLength;
    Stream output;
    int i, ok;

    if (g_uninstall.pendingCount == 0 || g_setup.windowsDir[0] == '\0' ||
        !PathJoin(path, sizeof(path), g_setup.windowsDir, "WININIT.INI") ||
        !PathJoin(newPath, sizeof(newPath), g_setup.windowsDir, "WININIT.NEW"))
        return;
    text = ReadWholeFile(path, &length);
    if (text == NULL)
        return;
    /* after the [rename] line, or at the end in a section of its own */
    section = NULL;
    for (at = 0; at < length && section == NULL; at++) {
        if ((at == 0 || text[at - 1] == '\n') && TextSameStartNoCase(text + at, "[rename]", 8))
            section = text + at;
    }
    at = section == NULL ? length : (long)(section - text) + (long)TextSpanTo(section, "\n");
    if (section != NULL && at < length)
        at++;
    if (!StreamOpen(&output, newPath, "wb")) {
        LocalFree(text);
        return;
    }
    ok = StreamWrite(&output, text, (DWORD)at);
    if (section == NULL) {
        if (length > 0 && text[length - 1] != '\n')
            ok = ok && StreamPut(&output, "\r\n");
        ok = ok && StreamPut(&output, "[rename]\r\n");
    } else if (at > 0 && text[at - 1] != '\n') {
        ok = ok && StreamPut(&output, "\r\n");
    }
    for (i = 0; i < g_uninstall.pendingCount; i++) {
        shortLength = GetShortPathNameA(g_uninstall.pending[i], shortPath, sizeof(shortPath));
        if (shortLength == 0 || shortLength >= sizeof(shortPath))
            TEXT_COPY(shortPath, g_uninstall.pending[i]);
        ok = ok && StreamPut(&output, "NUL=") && StreamPut(&output, shortPath) &&
             StreamPut(&output, "\r\n");
    }
    ok = ok && StreamWrite(&output, text + at, (DWORD)(length - at));
    if (!StreamClose(&output))
        ok = 0;
    LocalFree(text);
    if (!ok) {
        DeleteFileA(newPath);
        return;
    }
    /* the rename never replaces a file: the old one goes first, and
     * comes back when the new one cannot take its place */
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        if (!PathJoin(shortPath, sizeof(shortPath), g_setup.windowsDir, "WININIT.OLD"))
            return;
        DeleteFileA(shortPath);
        if (!MoveFileA(path, shortPath)) {
            DeleteFileA(newPath);
            return;
        }
        if (!MoveFileA(newPath, path)) {
            MoveFileA(shortPath, path);
            DeleteFileA(newPath);
            return;
        }
        DeleteFileA(shortPath);
        return;
    }
    MoveFileA(newPath, path);
}
