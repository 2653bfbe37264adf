/* The package check's sources: each one opened by the setup's own LZ32
 * call and read through, with its compressed header; and the short-name
 * rules. */
#include "check_run.h"
#include "text.h"

#include <lzexpand.h>

#define SZDD_HEADER   14        /* signature, method, last character, length */

static const unsigned char szddSignature[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };

/* 8.3: one to eight characters, then at most a dot and up to three,
 * none of them a blank or a character short names cannot hold. */
int IsShortName(const char *name)
{
    static const char refused[] = " \"*+,/:;<=>?[\\]|";
    int base = 0, extension = -1, i, j;

    for (i = 0; name[i] != '\0'; i++) {
        if ((unsigned char)name[i] < 0x20)
            return 0;
        for (j = 0; refused[j] != '\0'; j++) {
            if (name[i] == refused[j])
                return 0;
        }
        if (name[i] == '.') {
            if (extension >= 0)
                return 0;
            extension = 0;
        } else if (extension >= 0) {
            extension++;
        } else {
            base++;
        }
    }
    return base >= 1 && base <= 8 && extension <= 3;
}

/* Each step of a directory value: 8.3 too, "." aside. */
int IsShortPath(const char *path)
{
    char step[TEXT_MAX];
    int start = 0, i;

    for (i = 0;; i++) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == '\0') {
            if (i - start >= (int)sizeof(step))
                return 0;
            TextCopy(step, i - start + 1, path + start);
            if (step[0] != '\0' && lstrcmpA(step, ".") != 0 && !IsShortName(step))
                return 0;
            if (path[i] == '\0')
                return 1;
            start = i + 1;
        }
    }
}

static void ReadHeader(SourceFacts *facts)
{
    unsigned char header[SZDD_HEADER];
    DWORD got = 0;
    HANDLE file = CreateFileA(facts->openedPath, GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);

    facts->header = HEADER_PLAIN;
    if (file == INVALID_HANDLE_VALUE)
        return;
    facts->stored = GetFileSize(file, NULL);
    if (!ReadFile(file, header, sizeof(header), &got, NULL))
        got = 0;
    CloseHandle(file);
    if (got < 4 || !SameBytes(header, szddSignature, 4))
        return;
    if (got < SZDD_HEADER)
        facts->header = HEADER_SHORT;
    else if (!SameBytes(header, szddSignature, sizeof(szddSignature)))
        facts->header = HEADER_BAD_SIGN;
    else if (header[8] != 'A')
        facts->header = HEADER_METHOD;
    else
        facts->header = HEADER_GOOD;
    if (got >= SZDD_HEADER)
        facts->declared = (DWORD)header[10] | ((DWORD)header[11] << 8) |
                          ((DWORD)header[12] << 16) | ((DWORD)header[13] << 24);
}

/* Opens the source as the copy engine does and reads it through to its
 * end, as the copy would. */
void InspectSource(const char *path, SourceFacts *facts)
{
    static char buffer[8192];
    OFSTRUCT openRecord;
    DWORD attributes = GetFileAttributesA(path);
    INT source;
    LONG got;

    FillBytes(facts, 0, sizeof(*facts));
    facts->present = attributes != INVALID_FILE_ATTRIBUTES &&
                     !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    FillBytes(&openRecord, 0, sizeof(openRecord));
    source = LZOpenFileA((LPSTR)path, &openRecord, OF_READ);
    if (source < 0) {
        if (facts->present) {
            TEXT_COPY(facts->openedPath, path);
            ReadHeader(facts);
        }
        return;
    }
    facts->opened = 1;
    openRecord.szPathName[sizeof(openRecord.szPathName) - 1] = '\0';
    TEXT_COPY(facts->openedPath, facts->present ? path : openRecord.szPathName);
    facts->expected = LZSeek(source, 0, 2);
    LZSeek(source, 0, 0);
    /* damaged data ends the reading early, or with an error */
    while ((got = LZRead(source, buffer, sizeof(buffer))) > 0)
        facts->expanded += got;
    LZClose(source);
    ReadHeader(facts);
}

/* A compressed source NAME.EX_ missing where mscompress has left its
 * own name for it, NAME.EXT_: that name into found; 0 when there is none. */
static int MscompressName(const char *path, char *found, int size)
{
    char pattern[TEXT_MAX];
    WIN32_FIND_DATAA data;
    HANDLE search;
    int length = lstrlenA(path);

    if (length < 2 || path[length - 1] != '_' || path[length - 2] == '\\' ||
        !TEXT_COPY(pattern, path))
        return 0;
    /* NAME.EX_ -> NAME.EX?_ */
    pattern[length - 1] = '?';
    if (!TEXT_APPEND(pattern, "_"))
        return 0;
    search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    data.cFileName[sizeof(data.cFileName) - 1] = '\0';
    return TextCopy(found, size, data.cFileName);
}

/* The bytes the setup will write for this source; -1 when it writes
 * none. */
LONG CheckSource(int line, const char *path, const FileRecord *record, const SourceFacts *facts)
{
    static const char *const headerFaults[] = {
        "", "", "shorter than its 14-byte header", "wrong signature", "unknown method"
    };
    char text[MESSAGE_MAX], name[sizeof(record->sourceName)], shown[TEXT_MAX];
    char opened[OFS_MAXPATHNAME], beside[MAX_PATH];
    int length;

    TidyPath(shown, sizeof(shown), path);
    TidyPath(opened, sizeof(opened), facts->openedPath);
    if (!facts->present && !facts->opened && MscompressName(path, beside, sizeof(beside))) {
        TextFormat(text, sizeof(text), "source file missing: %s; beside it is %s, the name "
                   "mscompress gives: rename it to %s. Setup: " SETUP_ASKS, shown, beside,
                   record->sourceName);
        ERROR_AT(line, text);
        return -1;
    }
    if (!facts->present && !facts->opened) {
        TextFormat(text, sizeof(text), "source file missing: %s. Setup: %s" SETUP_ASKS, shown,
                   g_setup.diskCount > 1 ? "from a floppy drive, while the disk in it holds "
                   "none of this disk's files, first asks for the disk by its [DiskLabel] "
                   "label; then it " : "");
        ERROR_AT(line, text);
        return -1;
    }
    if (!facts->present) {
        TextFormat(text, sizeof(text), "source file missing: %s. Setup: opens %s in its "
                   "place and installs that, expanded, as %s.", shown, opened,
                   record->targetName);
        WARNING_AT(line, text);
    }
    if (facts->header > HEADER_GOOD) {
        TextFormat(text, sizeof(text), "compressed file with a damaged header (%s): %s. "
                   "Setup: %s", headerFaults[facts->header], opened,
                   facts->opened ? "copies it as it is stored, not expanded."
                                 : "cannot open it and " SETUP_ASKS);
        ERROR_AT(line, text);
        return facts->opened ? facts->expected : -1;
    }
    if (!facts->opened) {
        TextFormat(text, sizeof(text), "source file cannot be opened: %s. Setup: "
                   SETUP_ASKS, shown);
        ERROR_AT(line, text);
        return -1;
    }
    /* LZ32 gives a length of 2 GB and more as a negative number */
    if (facts->expected < 0) {
        TextFormat(text, sizeof(text), "compressed file whose header gives %lu bytes, more "
                   "than LZ32 can take: %s. Setup: copies nothing and ends the installation "
                   "not completed.", (unsigned long)facts->declared, opened);
        ERROR_AT(line, text);
        return -1;
    }
    if (facts->expanded != facts->expected) {
        TextFormat(text, sizeof(text), "compressed file with damaged data: %s expands to %ld "
                   "of the %ld bytes its header gives. Setup: removes the short copy and ends "
                   "the installation not completed.", opened, facts->expanded,
                   facts->expected);
        ERROR_AT(line, text);
        return -1;
    }
    TextCopy(name, sizeof(name), record->sourceName);
    length = lstrlenA(name);
    if (facts->present && facts->header == HEADER_PLAIN && length > 0 && name[length - 1] == '_') {
        TextFormat(text, sizeof(text), "%s is named as a compressed file but stored "
                   "uncompressed. Setup: copies it as it is, not expanded, as %s.", name,
                   record->targetName);
        WARNING_AT(line, text);
    }
    return facts->expected;
}
