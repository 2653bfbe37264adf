/* The change journal's writer (the reader is journal_read.cpp); the
 * format is described in journal.h. */
#include "journal.h"
#include "path_rule.h"
#include "setup_state.h"
#include "paths.h"
#include "test_seams.h"
#include "text.h"
#include "file_ops.h"

#define PENDING_DIRS 8

/* The writer's state, in one place: the setup's journal and the
 * uninstaller's (null while closed), the run's last key and the
 * directories it made before the journal could be opened, the replace
 * lines' journal and the line being built. Nothing here starts other
 * than zero: the programs then carry no .data section. */
static struct {
    HANDLE file;
    char path[MAX_PATH];
    int disabled;
    long entriesWritten;
    char currentKey[JOURNAL_LINE_MAX / 4];
    char pendingDirs[PENDING_DIRS][MAX_PATH];
    int pendingDirCount;
    HANDLE undoFile;            /* stays open between the uninstaller's UNDO lines */
    char undoPath[MAX_PATH];
    char replacePath[MAX_PATH];
    char line[JOURNAL_LINE_MAX];
    int lineLength;
    int lineFits;
} writer;

static const char hexDigits[] = "0123456789ABCDEF";

/* ---- the line builder ---- */

static void LineByte(char c)
{
    if (writer.lineLength + 1 < (int)sizeof(writer.line))
        writer.line[writer.lineLength++] = c;
    else
        writer.lineFits = 0;
}

/* A new line begins with its kind's name, as the reader knows it. */
static void LineStart(int kind)
{
    const char *name = g_journalKindNames[kind];

    writer.lineLength = 0;
    writer.lineFits = 1;
    while (*name != '\0')
        LineByte(*name++);
}

static void LineBytes(const BYTE *data, DWORD length)
{
    DWORD i;

    LineByte(' ');
    if (length == 0)
        LineByte('%');
    for (i = 0; i < length; i++) {
        if (data[i] <= ' ' || data[i] >= 0x7F || data[i] == '%' || data[i] == '*') {
            LineByte('%');
            LineByte(hexDigits[data[i] >> 4]);
            LineByte(hexDigits[data[i] & 15]);
        } else {
            LineByte((char)data[i]);
        }
    }
}

static void LineText(const char *text)
{
    LineBytes((const BYTE *)text, (DWORD)lstrlenA(text));
}

static void LineHex(DWORD number)
{
    char text[9];
    int i;

    for (i = 7; i >= 0; i--, number >>= 4)
        text[i] = hexDigits[number & 15];
    text[8] = '\0';
    LineText(text);
}

static void LineDecimal(DWORD number)
{
    char text[12];
    int at = 11;

    text[at] = '\0';
    do {
        text[--at] = (char)('0' + number % 10);
        number /= 10;
    } while (number != 0);
    LineText(text + at);
}

/* " *CRC\r\n" and the one write; the test seam ends the program after
 * the entry it names. */
static int LineWrite(HANDLE file)
{
    DWORD crc = Crc32(0, (const BYTE *)writer.line, (DWORD)writer.lineLength);
    DWORD written;
    int i;

    if (!writer.lineFits || writer.lineLength + 12 > (int)sizeof(writer.line))
        return 0;
    writer.line[writer.lineLength++] = ' ';
    writer.line[writer.lineLength++] = '*';
    for (i = 7; i >= 0; i--)
        writer.line[writer.lineLength + i] = hexDigits[(crc >> (4 * (7 - i))) & 15];
    writer.lineLength += 8;
    writer.line[writer.lineLength++] = '\r';
    writer.line[writer.lineLength++] = '\n';
    if (SeamJournalWriteFails() ||
        !WriteFile(file, writer.line, (DWORD)writer.lineLength, &written, NULL) || written != (DWORD)writer.lineLength)
        return 0;
    writer.entriesWritten++;
    SeamAfterJournalEntry(writer.entriesWritten);
    return 1;
}

/* The line written and flushed to the disk before the change it
 * describes: the change destroys or replaces something that existed. */
static int LineWriteDurable(HANDLE file)
{
    return LineWrite(file) && FileFlush(file);
}

/* ---- writing ---- */

void JournalEnable(int on)
{
    writer.disabled = !on;
}

int BuildJournalPath(char *path, int size)
{
    if (g_setup.installDir[0] == '\0') {
        if (size > 0)
            path[0] = '\0';
        return 0;
    }
    return PathJoin(path, size, g_setup.installDir, JOURNAL_NAME);
}

/* Opens a journal for appending; a torn last line is closed off first. */
static HANDLE OpenForAppend(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD size, got;
    char last[2];

    if (file == INVALID_HANDLE_VALUE)
        return file;
    size = GetFileSize(file, NULL);
    if (size != INVALID_FILE_SIZE && size > 0) {
        SetFilePointer(file, -1, NULL, FILE_END);
        if (ReadFile(file, last, 1, &got, NULL) && got == 1 && last[0] != '\n') {
            SetFilePointer(file, 0, NULL, FILE_END);
            WriteFile(file, "\r\n", 2, &got, NULL);
        }
    }
    SetFilePointer(file, 0, NULL, FILE_END);
    return file;
}

/* 1 when the path is the directory or lies below it, or lies above it. */
static int OnPathOf(const char *path, const char *dir)
{
    int a = lstrlenA(path), b = lstrlenA(dir);

    if (a <= b)
        return TextSameStartNoCase(path, dir, a) && (a == b || dir[a] == '\\');
    return TextSameStartNoCase(path, dir, b) && path[b] == '\\';
}

/* The names the package puts into the Windows directories, as few
 * NAMES lines as they fit in; 0 when a line was not written. */
static int WriteNames(HANDLE file)
{
    char name[sizeof(((FileRecord *)0)->targetName) + 1];
    const FileRecord *record;
    int disk, count = 0;
    short index;

    LineStart(J_NAMES);
    for (disk = 0; disk < g_setup.diskCount && disk < DISK_MAX; disk++) {
        for (index = 0; index < g_setup.fileCounts[disk]; index++) {
            record = g_setup.fileTable[disk] + index;
            if (g_setup.fileTable[disk] == NULL || record >= g_setup.fileTable[disk + 1])
                break;
            if (!record->targetIsAbsolute ||
                !TextCopy(name, sizeof(record->targetName), record->targetName) || name[0] == '\0')
                continue;
            if (writer.lineLength + 3 * lstrlenA(name) + 16 > (int)sizeof(writer.line) - 12) {
                if (!LineWrite(file))
                    return 0;
                LineStart(J_NAMES);
                count = 0;
            }
            LineText(name);
            count++;
        }
    }
    return count == 0 || LineWrite(file);
}

/* OpenJournal's answers besides 1 (open): no journal is kept (turned
 * off, or no destination yet), or it could not be opened or begun. */
#define JOURNAL_NONE    0
#define JOURNAL_FAILED  (-1)

/* The journal of installDir, opened with its run's first lines when this
 * run writes there first. */
static int OpenJournal(void)
{
    char path[MAX_PATH];
    int i, begun = 1;

    if (writer.disabled)
        return JOURNAL_NONE;
    if (!BuildJournalPath(path, sizeof(path)))
        return g_setup.installDir[0] == '\0' ? JOURNAL_NONE : JOURNAL_FAILED;
    if (writer.file != NULL) {
        if (PathSame(path, writer.path))
            return 1;
        JournalClose();
    }
    if (GetFileAttributesA(g_setup.installDir) == INVALID_FILE_ATTRIBUTES)
        return JOURNAL_NONE;
    /* a replace an earlier run left cut short is finished before this
     * run changes anything */
    JournalFinishReplaces(path);
    writer.file = OpenForAppend(path);
    if (writer.file == INVALID_HANDLE_VALUE) {
        writer.file = NULL;
        return JOURNAL_FAILED;
    }
    TEXT_COPY(writer.path, path);
    /* directories made before the journal had a place, shallowest first;
     * they go even before the run's first line, the sooner the better */
    for (i = 0; i < writer.pendingDirCount; i++) {
        if (!OnPathOf(writer.pendingDirs[i], g_setup.installDir))
            continue;
        LineStart(J_DIR);
        LineText(writer.pendingDirs[i]);
        begun = begun && LineWrite(writer.file);
    }
    LineStart(J_RUN);
    LineText(JOURNAL_VERSION);
    LineText(PathSame(g_setup.installDir, g_setup.sourceDir) ? "U" : "N");
    LineText(g_setup.productName);
    begun = begun && LineWrite(writer.file) && WriteNames(writer.file);
    /* the directory the destination page made is on the disk at once */
    begun = begun && FileFlush(writer.file);
    writer.pendingDirCount = 0;
    if (!begun) {
        JournalClose();
        return JOURNAL_FAILED;
    }
    return 1;
}

/* 1 when an entry is to be written (the journal is open); else *result
 * is what the caller answers: 1 without a journal, 0 when it failed. */
static int JournalOpenFor(int *result)
{
    int open = OpenJournal();

    *result = open == JOURNAL_NONE;
    return open == 1;
}

int JournalOpen(void)
{
    return OpenJournal() != JOURNAL_FAILED;
}

void JournalClose(void)
{
    if (writer.file != NULL)
        CloseHandle(writer.file);
    writer.file = NULL;
    writer.path[0] = '\0';
    writer.currentKey[0] = '\0';
}

int JournalEnd(void)
{
    int ended = 1;

    if (writer.file != NULL) {
        LineStart(J_END);
        ended = LineWriteDurable(writer.file);
        SeamReportFlushes(FileFlushCount());
    }
    JournalClose();
    return ended;
}

int JournalDirectory(const char *path)
{
    char full[MAX_PATH];
    int open;

    if (writer.disabled)
        return 1;
    if (!FullPath(full, sizeof(full), path))
        return 0;
    open = OpenJournal();
    if (open == 1) {
        LineStart(J_DIR);
        LineText(full);
        return LineWrite(writer.file);
    }
    if (open == JOURNAL_FAILED || writer.pendingDirCount >= PENDING_DIRS)
        return 0;
    TEXT_COPY(writer.pendingDirs[writer.pendingDirCount], full);
    writer.pendingDirCount++;
    return 1;
}

int JournalFileBefore(const char *path)
{
    char full[MAX_PATH], saved[MAX_PATH], name[16];
    DWORD size, crc, offset;
    int result;

    if (!JournalOpenFor(&result))
        return result;
    if (!FullPath(full, sizeof(full), path))
        return 0;
    if (!IsFile(full)) {
        LineStart(J_FILE);
        LineText(full);
        LineText("NEW");
        return LineWrite(writer.file);
    }
    /* the saved copy is named after the entry's place in the journal */
    offset = SetFilePointer(writer.file, 0, NULL, FILE_CURRENT);
    TextFormat(name, sizeof(name), "%08lX.SAV", (unsigned long)offset);
    if (!FileSum(full, &size, &crc) || !PathJoin(saved, sizeof(saved), g_setup.installDir, name))
        return 0;
    LineStart(J_FILE);
    LineText(full);
    LineText("OLD");
    LineDecimal(size);
    LineHex(crc);
    LineText(saved);
    if (!LineWriteDurable(writer.file))
        return 0;
    return CopyWholeFile(full, saved, NULL, NULL);
}

int JournalFileDone(const char *path)
{
    char full[MAX_PATH];
    DWORD size, crc;
    int result;

    if (!JournalOpenFor(&result))
        return result;
    if (!FullPath(full, sizeof(full), path) || !FileSum(full, &size, &crc))
        return 0;
    LineStart(J_DONE);
    LineText(full);
    LineDecimal(size);
    LineHex(crc);
    return LineWrite(writer.file);
}

const char *JournalRootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    return NULL;
}

HKEY JournalSplitKey(const char *named, const char **path)
{
    HKEY root = NULL;

    *path = named;
    if (TextSameStartNoCase(named, "HKLM\\", 5))
        root = HKEY_LOCAL_MACHINE;
    else if (TextSameStartNoCase(named, "HKCR\\", 5))
        root = HKEY_CLASSES_ROOT;
    if (root != NULL)
        *path = named + 5;
    return root;
}

static int KeyExists(HKEY root, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

int JournalKey(HKEY root, const char *path)
{
    const char *rootName = JournalRootName(root);
    char level[sizeof(writer.currentKey)], named[sizeof(writer.currentKey)];
    int end, result;

    writer.currentKey[0] = '\0';
    if (!JournalOpenFor(&result))
        return result;
    if (rootName == NULL || path == NULL || !TEXT_COPY(writer.currentKey, rootName) ||
        !TEXT_APPEND(writer.currentKey, "\\") || !TEXT_APPEND(writer.currentKey, path)) {
        writer.currentKey[0] = '\0';
        return 0;
    }
    /* every missing level, the shortest first: RegCreateKeyEx makes them all */
    for (end = 0; path[end] != '\0'; end++) {
        if (path[end + 1] != '\\' && path[end + 1] != '\0')
            continue;
        if (end + 2 > (int)sizeof(level))
            break;
        TextCopy(level, end + 2, path);     /* the path up to this level */
        if (KeyExists(root, level) ||
            !TEXT_COPY(named, rootName) || !TEXT_APPEND(named, "\\") || !TEXT_APPEND(named, level))
            continue;
        LineStart(J_KEY);
        LineText(named);
        if (!LineWrite(writer.file))
            return 0;
    }
    return 1;
}

int JournalValue(HKEY key, const char *name, DWORD type, const BYTE *data, DWORD size)
{
    DWORD originalType = 0, length = 0;
    BYTE *original = NULL;
    LONG found;
    int result;

    if (!JournalOpenFor(&result))
        return result;
    /* a value of a key the journal was not told of could not be undone */
    if (writer.currentKey[0] == '\0')
        return 0;
    if (name == NULL)
        name = "";
    LineStart(J_VALUE);
    LineText(writer.currentKey);
    LineText(name);
    found = RegQueryValueExA(key, name, NULL, &originalType, NULL, &length);
    if (found != ERROR_SUCCESS) {
        LineText("-");
        LineText("");
    } else if (length > JOURNAL_ORIGINAL_MAX ||
               (original = (BYTE *)GlobalAlloc(GMEM_FIXED, length + 1)) == NULL ||
               RegQueryValueExA(key, name, NULL, &originalType, original, &length) != ERROR_SUCCESS) {
        LineText("?");
        LineText("");
    } else {
        LineDecimal(originalType);
        LineBytes(original, length);
    }
    if (original != NULL)
        GlobalFree(original);
    LineDecimal(type);
    LineBytes(data, size);
    /* a value that existed is replaced: its original must outlive a power cut */
    return found == ERROR_SUCCESS ? LineWriteDurable(writer.file) : LineWrite(writer.file);
}

/* The text up to its line end. */
static void LineTextToLineEnd(const char *text)
{
    DWORD length = 0;

    while (text[length] != '\0' && text[length] != '\r' && text[length] != '\n')
        length++;
    LineBytes((const BYTE *)text, length);
}

int JournalMouseLine(const char *oldLine, const char *newLine)
{
    int result;

    if (!JournalOpenFor(&result))
        return result;
    LineStart(J_LINE);
    LineTextToLineEnd(oldLine);
    LineTextToLineEnd(newLine);
    return LineWriteDurable(writer.file);
}

int JournalMove(const char *from, const char *to)
{
    char fullFrom[MAX_PATH], fullTo[MAX_PATH];
    int result;

    if (!JournalOpenFor(&result))
        return result;
    if (!FullPath(fullFrom, sizeof(fullFrom), from) || !FullPath(fullTo, sizeof(fullTo), to))
        return 0;
    LineStart(J_MOVE);
    LineText(fullFrom);
    LineText(fullTo);
    return LineWriteDurable(writer.file);
}

/* The uninstaller's journal stays open between its UNDO lines: one open
 * per line would cost more than the removal itself. */

/* The uninstaller's journal at path, opened for appending once. */
static HANDLE UndoJournal(const char *path)
{
    if (writer.undoFile != NULL && !PathSame(path, writer.undoPath))
        JournalUndoneClose();
    if (writer.undoFile == NULL) {
        writer.undoFile = OpenForAppend(path);
        if (writer.undoFile == INVALID_HANDLE_VALUE)
            writer.undoFile = NULL;
        if (writer.undoFile == NULL || !TEXT_COPY(writer.undoPath, path))
            JournalUndoneClose();
    }
    return writer.undoFile;
}

int JournalUndone(const char *path, DWORD offset)
{
    HANDLE file = UndoJournal(path);

    if (file == NULL)
        return 0;
    LineStart(J_UNDO);
    LineDecimal(offset);
    return LineWrite(file);
}

void JournalUndoneClose(void)
{
    if (writer.undoFile != NULL)
        CloseHandle(writer.undoFile);
    writer.undoFile = NULL;
    writer.undoPath[0] = '\0';
}

/* ---- replaces ---- */

void JournalReplacesTo(const char *path)
{
    if (path == NULL || !TEXT_COPY(writer.replacePath, path))
        writer.replacePath[0] = '\0';
}

/* The open journal a replace line goes to: the setup's own (never
 * opened here, which keeps the writer's opening out of the uninstaller),
 * or the one the uninstaller named while it is there; null when none. */
static HANDLE ReplaceJournal(void)
{
    /* the setup's journal is open from the destination page on */
    if (!writer.disabled && writer.file != NULL)
        return writer.file;
    if (writer.replacePath[0] == '\0' || !IsFile(writer.replacePath))
        return NULL;
    return UndoJournal(writer.replacePath);
}

DWORD JournalReplace(const char *target, const char *fresh, const char *aside, int asideKept)
{
    HANDLE file = ReplaceJournal();
    DWORD offset;

    if (file == NULL)
        return 0;
    offset = SetFilePointer(file, 0, NULL, FILE_END);
    LineStart(J_SWAP);
    LineText(target);
    LineText(fresh);
    LineText(aside != NULL ? aside : "-");
    LineText(asideKept ? "K" : "T");
    if (offset == INVALID_SET_FILE_POINTER || !LineWriteDurable(file))
        return 0;
    return offset + 1;
}

int JournalReplaceDone(DWORD mark)
{
    HANDLE file;

    if (mark == 0 || (file = ReplaceJournal()) == NULL)
        return 1;
    LineStart(J_UNDO);
    LineDecimal(mark - 1);
    return LineWrite(file);
}
