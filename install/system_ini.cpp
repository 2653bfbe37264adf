/* The system.ini update: the first mouse line after "[386Enh]" becomes
 * the built-in virtual mouse driver, the previous file is kept as
 * system.bak, and the system's separate VMOUSE.VXD is moved aside. */
#include "install.h"
#include "../app/stream.h"
#include "../app/paths.h"
#include "../app/test_seams.h"
#include "../app/text.h"
#include "../script/journal.h"
#include "file_ops.h"

#define LINE_MAX         120     /* one read takes at most 119 characters */
#define MOUSE_LINE       "mouse=*vmouse\n"
#define SECTION_386ENH   "[386Enh]"

/* Reads one line (or one piece of a longer one) into line. 1 when a line
 * came, 0 at the end of the input; *clean is cleared when the piece holds
 * a zero byte, which a written string could not carry. The buffer is
 * filled with a non-zero pattern first, so the terminator that the read
 * wrote is the last zero in it. */
static int ReadLine(Stream *input, char *line, int *clean)
{
    int end;

    FillBytes(line, 'x', LINE_MAX);
    if (!StreamGetLine(input, line, LINE_MAX))
        return 0;
    for (end = LINE_MAX - 1; end > 0 && line[end] != '\0'; end--)
        ;
    if ((int)lstrlenA(line) != end)
        *clean = 0;
    return 1;
}

/* 1 when the line, up to its line end, is the expected text (also
 * given up to its line end). */
static int SameLine(const char *line, const char *expected)
{
    int length = TextSpanTo(line, "\r\n");

    return length == TextSpanTo(expected, "\r\n") && TextSameStart(line, expected, length);
}

/* Copies system.ini to system.new with the mouse line replaced by
 * mouseLine; 1 when every line was read, written and both files closed
 * without an error. With expected given, the mouse line is replaced only
 * when it is that text; *replaced tells whether it was. */
static int WriteNewSystemIni(Stream *input, Stream *output, const char *mouseLine,
                             const char *expected, int *replaced)
{
    char line[LINE_MAX];
    int latch = 0;
    int clean = 1;

    *replaced = 0;
    while (ReadLine(input, line, &clean) && clean) {
        if (TextFind(line, SECTION_386ENH) != NULL)
            latch = 1;
        if (latch && TextFind(line, "mouse") != NULL && line[0] != ';') {
            latch = 0;
            if (expected == NULL || SameLine(line, expected)) {
                JournalMouseLine(line, mouseLine);
                TEXT_COPY(line, mouseLine);
                *replaced = 1;
            }
        }
        if (!StreamPut(output, line))
            return 0;
    }
    return clean && !input->error;
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
    char iniPath[80];
    char newPath[80];
    char bakPath[52];
    Stream output;
    Stream input;
    int complete;
    int replaced = 0;
    DWORD mark;

    /* An empty Windows directory would put the files at a drive root. */
    if (g_setup.windowsDir[0] == '\0' ||
        !PathJoin(iniPath, sizeof(iniPath), g_setup.windowsDir, "system.ini") ||
        !PathJoin(newPath, sizeof(newPath), g_setup.windowsDir, "system.new") ||
        !PathJoin(bakPath, sizeof(bakPath), g_setup.windowsDir, "system.bak"))
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
    JournalFileDone(bakPath);
    JournalReplaceDone(mark);
    return MOUSE_LINE_SET;
}

/* Moves VMM32\VMOUSE.VXD aside as VMOUSE.BAK. An older VMOUSE.BAK is
 * deleted only when there is a VMOUSE.VXD to take its place. */
static void MoveVmouseAside(void)
{
    char systemDir[80];
    char vxdPath[80];
    char bakPath[80];
    DWORD attributes;

    if (!ReadSystemDirectory(systemDir, sizeof(systemDir)) ||
        !PathJoin(vxdPath, sizeof(vxdPath), systemDir, "VMM32\\VMOUSE.VXD") ||
        !PathJoin(bakPath, sizeof(bakPath), systemDir, "VMM32\\VMOUSE.BAK"))
        return;
    attributes = GetFileAttributesA(vxdPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    /* the older backup is saved by the journal, and the move journaled,
     * before the backup goes */
    if (!JournalFileBefore(bakPath))
        return;
    JournalMove(vxdPath, bakPath);
    DeleteFileA(bakPath);
    SeamAt(SEAM_VMOUSE_BAK_GONE);
    if (MoveFileA(vxdPath, bakPath))
        JournalFileDone(bakPath);
}

int SetSystemIniMouseLine(const char *mouseLine, const char *expected)
{
    return RewriteSystemIni(mouseLine, expected, 1);
}

void UpdateSystemIni(void)
{
    JournalOpen();
    RewriteSystemIni(MOUSE_LINE, NULL, 0);
    MoveVmouseAside();
}
