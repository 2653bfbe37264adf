/* The system.ini update: the first mouse line after "[386Enh]" becomes
 * the built-in virtual mouse driver, the previous file is kept as
 * system.bak, and the system's separate VMOUSE.VXD is moved aside. */
#include "install.h"
#include "stream.h"
#include "paths.h"
#include "test_seams.h"
#include "text.h"
#include "resource.h"
#include "journal.h"
#include "file_ops.h"

#define LINE_ROOM        128     /* a line's first room; it grows with the line */
#define MOUSE_LINE       MOUSE_LINE_TEXT "\n"

/* A whole line of any length, kept in memory that grows with it. */
struct Line {
    char *text;
    int length;
    int room;
};

static int LineAdd(Line *line, char c)
{
    char *larger;

    if (line->length + 1 >= line->room) {
        larger = (char *)LocalAlloc(LMEM_FIXED, (UINT)(2 * line->room));
        if (larger == NULL)
            return 0;
        CopyBytes(larger, line->text, (unsigned int)line->length);
        LocalFree(line->text);
        line->text = larger;
        line->room *= 2;
    }
    line->text[line->length++] = c;
    line->text[line->length] = '\0';
    return 1;
}

/* Reads one whole line, with its line feed, into line. 1 when a line
 * came, 0 at the end of the input; *clean is cleared when the line holds
 * a zero byte, which a written string could not carry, or memory ran
 * out. */
static int ReadLine(Stream *input, Line *line, int *clean)
{
    int c;

    line->length = 0;
    line->text[0] = '\0';
    while ((c = StreamGetChar(input)) != -1) {
        if (c == 0 || !LineAdd(line, (char)c)) {
            *clean = 0;
            return 1;
        }
        if (c == '\n')
            break;
    }
    return line->length > 0;
}

/* 1 when the line, up to its line end, is the expected text (also
 * given up to its line end). */
static int SameLine(const char *line, const char *expected)
{
    int length = TextSpanTo(line, "\r\n");

    return length == TextSpanTo(expected, "\r\n") && TextSameStart(line, expected, length);
}

/* The line's text after its leading blanks. */
static const char *SkipBlanks(const char *line)
{
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

/* A mouse line: the key "mouse", blanks, then "=". A comment (";") or
 * any other key that merely holds the word is none. */
static int IsMouseLine(const char *line)
{
    const char *at = SkipBlanks(line);

    if (!TextSameStart(at, "mouse", 5))
        return 0;
    return *SkipBlanks(at + 5) == '=';
}

/* Copies system.ini to system.new with the first mouse line of
 * [386Enh] replaced by mouseLine; 1 when every line was read, written
 * and journaled. With expected given, the mouse line is replaced only
 * when it is that text; *replaced tells whether it was. */
static int WriteNewSystemIni(Stream *input, Stream *output, const char *mouseLine,
                             const char *expected, int *replaced)
{
    Line line;
    int in386Enh = 0, taken = 0;
    int clean = 1, written = 1;

    *replaced = 0;
    line.room = LINE_ROOM;
    line.length = 0;
    line.text = (char *)LocalAlloc(LMEM_FIXED, LINE_ROOM);
    if (line.text == NULL)
        return 0;
    while (written && ReadLine(input, &line, &clean) && clean) {
        /* a section header starts [386Enh] or ends it */
        if (*SkipBlanks(line.text) == '[')
            in386Enh = TextFind(line.text, SECTION_386ENH) != NULL;
        /* only the first mouse line of [386Enh] is the mouse line */
        if (in386Enh && !taken && IsMouseLine(line.text)) {
            taken = 1;
            if (expected == NULL || SameLine(line.text, expected)) {
                if (!JournalMouseLine(line.text, mouseLine)) {
                    written = 0;
                    break;
                }
                written = StreamPut(output, mouseLine);
                *replaced = 1;
                continue;
            }
        }
        written = StreamPut(output, line.text);
    }
    LocalFree(line.text);
    return written && clean && !input->error;
}

/* Rewrites system.ini in the Windows directory. system.ini is replaced
 * only by a complete copy: when a file cannot be opened, or a read, a
 * write or a close fails, system.ini stays as it was and system.new is
 * removed. So it is when the mouse line is not the expected one. With
 * keepBackup the copy takes the place of system.ini through the safe
 * replace, and system.bak is left as it is. */
static int RewriteSystemIni(const char *mouseLine, const char *expected, int keepBackup)
{
    int later;
    char iniPath[MAX_PATH];
    char newPath[MAX_PATH];
    char bakPath[MAX_PATH];
    Stream output;
    Stream input;
    int complete;
    int replaced = 0;
    DWORD mark;

    /* An empty Windows directory would put the files at a drive root. */
    if (g_setup.windowsDir[0] == '\0' ||
        !PathJoin(iniPath, sizeof(iniPath), g_setup.windowsDir, SYSTEM_INI) ||
        !PathJoin(newPath, sizeof(newPath), g_setup.windowsDir, SYSTEM_INI_NEW) ||
        !PathJoin(bakPath, sizeof(bakPath), g_setup.windowsDir, SYSTEM_INI_BACKUP))
        return MOUSE_LINE_FAILED;

    /* the whole replace with its names, before system.new is made: a run
     * ended anywhere in it is finished by the next */
    mark = JournalReplace(iniPath, newPath, keepBackup ? NULL : bakPath, !keepBackup);
    if (!StreamOpen(&output, newPath, "wt")) {
        JournalReplaceDone(mark);
        return MOUSE_LINE_FAILED;
    }
    if (!StreamOpen(&input, iniPath, "rt")) {
        StreamClose(&output);
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return MOUSE_LINE_FAILED;
    }
    complete = WriteNewSystemIni(&input, &output, mouseLine, expected, &replaced);
    if (!StreamClose(&input))
        complete = 0;
    if (!StreamClose(&output))
        complete = 0;
    if (!complete || (expected != NULL && !replaced)) {
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return complete ? MOUSE_LINE_OTHER : MOUSE_LINE_FAILED;
    }

    if (keepBackup) {
        complete = ReplaceFileSafely(newPath, iniPath, &later);
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return complete ? MOUSE_LINE_SET : MOUSE_LINE_FAILED;
    }
    /* A rename never replaces an existing file: the old backup goes first,
     * saved by the journal, which also keeps the new one's checksum. */
    if (!JournalFileBefore(bakPath)) {
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return MOUSE_LINE_FAILED;
    }
    DeleteFileA(bakPath);
    if (!MoveFileA(iniPath, bakPath)) {
        /* system.bak could not make room: system.ini stays as it was */
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return MOUSE_LINE_FAILED;
    }
    SeamAt(SEAM_SYSTEM_INI_ASIDE);
    if (!MoveFileA(newPath, iniPath)) {
        /* never leave the system without its system.ini */
        MoveFileA(bakPath, iniPath);
        DeleteFileA(newPath);
        JournalReplaceDone(mark);
        return MOUSE_LINE_FAILED;
    }
    complete = JournalFileDone(bakPath);
    JournalReplaceDone(mark);
    return complete ? MOUSE_LINE_SET : MOUSE_LINE_FAILED;
}

/* Moves VMM32\VMOUSE.VXD aside as VMOUSE.BAK. An older VMOUSE.BAK is
 * deleted only when there is a VMOUSE.VXD to take its place. 0, with the
 * failure noted, when the journal could not keep the move; a move the
 * system refuses (VMOUSE.BAK kept read-only) leaves the file in place. */
static int MoveVmouseAside(void)
{
    char systemDir[MAX_PATH];
    char vxdPath[MAX_PATH];
    char bakPath[MAX_PATH];
    DWORD attributes;

    if (!ReadSystemDirectory(systemDir, sizeof(systemDir)) ||
        !PathJoin(vxdPath, sizeof(vxdPath), systemDir, VMOUSE_VXD) ||
        !PathJoin(bakPath, sizeof(bakPath), systemDir, VMOUSE_BAK)) {
        NoteFailure(IDS_SYSTEM_INI_FAILED, VMOUSE_VXD);
        return 0;
    }
    attributes = GetFileAttributesA(vxdPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    /* the older backup is saved by the journal before it goes */
    if (!JournalFileBefore(bakPath) || !JournalMove(vxdPath, bakPath)) {
        NoteFailure(IDS_JOURNAL_FAILED, vxdPath);
        return 0;
    }
    DeleteFileA(bakPath);
    SeamAt(SEAM_VMOUSE_BAK_GONE);
    if (MoveFileA(vxdPath, bakPath) && !JournalFileDone(bakPath)) {
        NoteFailure(IDS_JOURNAL_FAILED, bakPath);
        return 0;
    }
    return 1;
}

int SetSystemIniMouseLine(const char *mouseLine, const char *expected)
{
    return RewriteSystemIni(mouseLine, expected, 1);
}

int UpdateSystemIni(void)
{
    char iniPath[MAX_PATH];

    /* a replace an earlier run left cut short is finished first */
    JournalOpen();
    if (RewriteSystemIni(MOUSE_LINE, NULL, 0) != MOUSE_LINE_SET) {
        if (!PathJoin(iniPath, sizeof(iniPath), g_setup.windowsDir, SYSTEM_INI))
            TEXT_COPY(iniPath, SYSTEM_INI);
        NoteFailure(IDS_SYSTEM_INI_FAILED, iniPath);
        return 0;
    }
    return MoveVmouseAside();
}
