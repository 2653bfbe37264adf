/* Checksums, whole-file copies and WININIT.INI. */
#include "file_ops.h"
#include "paths.h"
#include "test_seams.h"
#include "text.h"

#define CHUNK 65536

static long flushes;

/* Eight bytes a step ("slicing by eight"): the setup sums every file it
 * writes, so the sum must cost little beside the copy. */
DWORD Crc32(DWORD crc, const BYTE *bytes, DWORD count)
{
    static DWORD table[8][256];
    DWORD n, c, i = 0;
    int k;

    if (table[0][1] == 0) {
        for (n = 0; n < 256; n++) {
            c = n;
            for (k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[0][n] = c;
        }
        for (n = 0; n < 256; n++) {
            for (k = 1; k < 8; k++)
                table[k][n] = (table[k - 1][n] >> 8) ^ table[0][table[k - 1][n] & 0xFF];
        }
    }
    crc = ~crc;
    for (; i + 8 <= count; i += 8) {
        c = crc ^ ((DWORD)bytes[i] | (DWORD)bytes[i + 1] << 8 | (DWORD)bytes[i + 2] << 16 |
                   (DWORD)bytes[i + 3] << 24);
        crc = table[7][c & 0xFF] ^ table[6][(c >> 8) & 0xFF] ^ table[5][(c >> 16) & 0xFF] ^
              table[4][c >> 24] ^ table[3][bytes[i + 4]] ^ table[2][bytes[i + 5]] ^
              table[1][bytes[i + 6]] ^ table[0][bytes[i + 7]];
    }
    for (; i < count; i++)
        crc = table[0][(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int FileFlush(HANDLE file)
{
    flushes++;
    return FlushFileBuffers(file) ? 1 : 0;
}

long FileFlushCount(void)
{
    return flushes;
}

int IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);

    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* A chunk of room for the copies, freed by the caller. */
static BYTE *Chunk(void)
{
    return (BYTE *)GlobalAlloc(GMEM_FIXED, CHUNK);
}

int FileSum(const char *path, DWORD *size, DWORD *crc)
{
    HANDLE file;
    BYTE *chunk;
    DWORD got = 0;
    int ok = 1;

    *size = 0;
    *crc = 0;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    chunk = Chunk();
    if (chunk == NULL)
        ok = 0;
    while (ok && (ok = ReadFile(file, chunk, CHUNK, &got, NULL)) != 0 && got > 0) {
        *crc = Crc32(*crc, chunk, got);
        *size += got;
    }
    if (chunk != NULL)
        GlobalFree(chunk);
    CloseHandle(file);
    return ok;
}

int CopyWholeFile(const char *from, const char *to, DWORD *size, DWORD *crc)
{
    HANDLE input, output;
    BYTE *chunk;
    DWORD got = 0, put, total = 0, sum = 0;
    FILETIME written;
    int ok;

    input = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (input == INVALID_HANDLE_VALUE)
        return 0;
    output = CreateFileA(to, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (output == INVALID_HANDLE_VALUE) {
        CloseHandle(input);
        return 0;
    }
    chunk = Chunk();
    ok = chunk != NULL;
    while (ok && (ok = ReadFile(input, chunk, CHUNK, &got, NULL)) != 0 && got > 0) {
        ok = WriteFile(output, chunk, got, &put, NULL) && put == got;
        sum = Crc32(sum, chunk, got);
        total += got;
    }
    if (chunk != NULL)
        GlobalFree(chunk);
    /* the copy keeps the file's time: it is the same file again */
    if (ok && GetFileTime(input, NULL, NULL, &written))
        SetFileTime(output, NULL, NULL, &written);
    /* a saved original or a replace's fresh copy must be on the disk
     * before the file it stands for is changed */
    if (ok && !FileFlush(output))
        ok = 0;
    CloseHandle(input);
    if (!CloseHandle(output))
        ok = 0;
    if (!ok) {
        DeleteFileA(to);
        return 0;
    }
    if (size != NULL)
        *size = total;
    if (crc != NULL)
        *crc = sum;
    return 1;
}

int FreeNameBeside(char *name, int size, const char *target, const char *stem)
{
    char dir[MAX_PATH], file[16];
    int n;

    if (!PathDirectory(dir, sizeof(dir), target))
        return 0;
    for (n = 0; n < 1000; n++) {
        TextFormat(file, sizeof(file), "%s%03d.TMP", stem, n);
        if (!PathJoin(name, size, dir, file))
            return 0;
        if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES)
            return 1;
    }
    return 0;
}

/* The whole file in a block of its own with a zero after it; an empty
 * block when the file is absent, null when it cannot be read. */
static char *ReadWholeFile(const char *path, DWORD *length)
{
    HANDLE file;
    char *text;
    DWORD got;

    *length = 0;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? (char *)GlobalAlloc(GPTR, 1) : NULL;
    *length = GetFileSize(file, NULL);
    text = *length == INVALID_FILE_SIZE ? NULL : (char *)GlobalAlloc(GPTR, *length + 1);
    if (text != NULL && (!ReadFile(file, text, *length, &got, NULL) || got != *length)) {
        GlobalFree(text);
        text = NULL;
    }
    CloseHandle(file);
    return text;
}

static int WriteBytes(HANDLE file, const char *bytes, DWORD count)
{
    DWORD put;

    return count == 0 || (WriteFile(file, bytes, count, &put, NULL) && put == count);
}

static int WriteText(HANDLE file, const char *text)
{
    return WriteBytes(file, text, (DWORD)lstrlenA(text));
}

/* The 8.3 form of an existing file's path; 0 for a directory or a path
 * that has none. */
static int ShortFilePath(char *shortPath, int size, const char *path)
{
    DWORD length;
    int i;

    if (!IsFile(path))
        return 0;
    length = GetShortPathNameA(path, shortPath, (DWORD)size);
    if (length == 0 || length >= (DWORD)size)
        return 0;
    /* no blank may stand in a WININIT.INI path */
    for (i = 0; shortPath[i] != '\0'; i++) {
        if (shortPath[i] == ' ')
            return 0;
    }
    return 1;
}

static char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

/* The end of the line that starts at `at`, its line end included. */
static DWORD LineAfter(const char *text, DWORD length, DWORD at)
{
    while (at < length && text[at] != '\n')
        at++;
    return at < length ? at + 1 : at;
}

/* Where a new line of the [rename] section goes: after its last line
 * that is not blank, so that WININIT.EXE, which works top to bottom,
 * runs the lines in the order they were written; the end of the file
 * (*found 0) when there is no such section. */
static DWORD RenameSectionEnd(const char *text, DWORD length, int *found)
{
    const char *header = "[rename]";
    DWORD at, i, end;

    *found = 0;
    for (at = 0; at < length; at = LineAfter(text, length, at)) {
        for (i = 0; i < 8 && at + i < length; i++) {
            if (LowerAscii(text[at + i]) != header[i])
                break;
        }
        if (i == 8)
            break;
    }
    if (at >= length)
        return length;
    *found = 1;
    end = LineAfter(text, length, at);
    for (at = end; at < length && text[at] != '['; at = LineAfter(text, length, at)) {
        for (i = at; i < length && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'); i++)
            ;
        if (i < length && text[i] != '\n')
            end = LineAfter(text, length, at);
    }
    return end;
}

int WininitAdd(const char *windowsDir, const char *target, const char *source)
{
    char path[MAX_PATH], newPath[MAX_PATH], oldPath[MAX_PATH], windows[MAX_PATH];
    char line[2 * MAX_PATH + 8], shortSource[MAX_PATH], shortTarget[MAX_PATH];
    char *text;
    DWORD length, at;
    HANDLE output;
    int found, ok;

    if (windowsDir == NULL) {
        if (!ReadWindowsDirectory(windows, sizeof(windows)))
            return 0;
        windowsDir = windows;
    }
    if (!ShortFilePath(shortSource, sizeof(shortSource), source))
        return 0;
    if (target == NULL)
        TEXT_COPY(shortTarget, "NUL");
    else if (!ShortFilePath(shortTarget, sizeof(shortTarget), target))
        return 0;
    if (!TEXT_COPY(line, shortTarget) || !TEXT_APPEND(line, "=") || !TEXT_APPEND(line, shortSource) ||
        !TEXT_APPEND(line, "\r\n") ||
        !PathJoin(path, sizeof(path), windowsDir, "WININIT.INI") ||
        !PathJoin(newPath, sizeof(newPath), windowsDir, "WININIT.NEW") ||
        !PathJoin(oldPath, sizeof(oldPath), windowsDir, "WININIT.OLD"))
        return 0;
    text = ReadWholeFile(path, &length);
    if (text == NULL)
        return 0;
    at = RenameSectionEnd(text, length, &found);
    output = CreateFileA(newPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (output == INVALID_HANDLE_VALUE) {
        GlobalFree(text);
        return 0;
    }
    ok = WriteBytes(output, text, at);
    if (at > 0 && text[at - 1] != '\n')
        ok = ok && WriteText(output, "\r\n");
    if (!found)
        ok = ok && WriteText(output, "[rename]\r\n");
    ok = ok && WriteText(output, line) && WriteBytes(output, text + at, length - at);
    if (!CloseHandle(output))
        ok = 0;
    GlobalFree(text);
    if (!ok) {
        DeleteFileA(newPath);
        return 0;
    }
    /* the rename never replaces a file: the old one goes aside first,
     * and comes back when the new one cannot take its place */
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(newPath, path) ? 1 : (DeleteFileA(newPath), 0);
    DeleteFileA(oldPath);
    if (!MoveFileA(path, oldPath)) {
        DeleteFileA(newPath);
        return 0;
    }
    if (!MoveFileA(newPath, path)) {
        MoveFileA(oldPath, path);
        DeleteFileA(newPath);
        return 0;
    }
    DeleteFileA(oldPath);
    return 1;
}
