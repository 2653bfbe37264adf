/* The copy engine: every file of the file table from the package to its
 * target, expanded on the way when it is stored compressed, with the
 * install page's status text, percentage and bar; then the registry
 * update. */
#include "install.h"
#include "../app/text.h"
#include "../registry/registry.h"
#include "../res/resource.h"
#include "../script/journal.h"

#include <lzexpand.h>

/* The input Windows 95 knows of, its own QS_ALLINPUT: later headers add
 * kinds of input (raw input, touch, pointer) that it does not. */
#define ALL_INPUT_95 (QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | \
                      QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY)
static_assert(ALL_INPUT_95 == 0xFF, "the input kinds of Windows 95");

/* The record, or null when the disk or the file is out of the table. */
static const FileRecord *FindRecord(int disk, int file)
{
    const FileRecord *first;

    if (disk < 0 || disk >= g_setup.diskCount || disk >= DISK_MAX)
        return NULL;
    first = g_setup.fileTable[disk];
    if (first == NULL || file < 0 || file >= g_setup.fileCounts[disk] ||
        first + file >= g_setup.fileTable[disk + 1])
        return NULL;
    return first + file;
}

/* base "\" middle "\" name, whole or not at all. The base and the name
 * must not be empty: an empty base would put the file at the root of the
 * drive, an empty name would name a directory. An empty middle only
 * leaves its place between the separators empty. */
static int JoinFilePath(char *buffer, int size, const char *base, const char *middle,
                        int middleSize, const char *name, int nameSize)
{
    char piece[TEXT_MAX];
    char path[TEXT_MAX];
    int fits;

    if (size > 0)
        buffer[0] = '\0';
    fits = TEXT_COPY(path, base) && path[0] != '\0' && TEXT_APPEND(path, "\\");
    /* the record's fields are read no further than their widths */
    fits = fits && TextCopy(piece, middleSize, middle) && TEXT_APPEND(path, piece);
    fits = fits && TEXT_APPEND(path, "\\");
    fits = fits && TextCopy(piece, nameSize, name) && piece[0] != '\0' &&
           TEXT_APPEND(path, piece);
    if (!fits)
        return 0;
    if (!TextCopy(buffer, size, path)) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int BuildSourcePath(char *buffer, int size, int disk, int file)
{
    const FileRecord *record = FindRecord(disk, file);

    if (record == NULL) {
        if (size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return JoinFilePath(buffer, size, g_setup.sourceDir,
                        record->sourceSubdir, sizeof(record->sourceSubdir),
                        record->sourceName, sizeof(record->sourceName));
}

int BuildTargetPath(char *buffer, int size, int disk, int file)
{
    const FileRecord *record = FindRecord(disk, file);
    char targetDir[sizeof(record->targetDir)];
    char path[TEXT_MAX];
    int fits;

    if (size > 0)
        buffer[0] = '\0';
    if (record == NULL)
        return 0;
    if (!record->targetIsAbsolute)
        return JoinFilePath(buffer, size, g_setup.installDir,
                            record->targetDir, sizeof(record->targetDir),
                            record->targetName, sizeof(record->targetName));
    /* a full target directory: targetDir "\" targetName */
    fits = TextCopy(targetDir, sizeof(targetDir), record->targetDir) && targetDir[0] != '\0';
    fits = fits && TextCopy(path, sizeof(record->targetName), record->targetName) &&
           path[0] != '\0';
    return fits && PathJoin(buffer, size, targetDir, path);
}

void PumpOneMessage(HWND page)
{
    MSG message;

    if (!PeekMessageA(&message, page, 0, 0, PM_REMOVE))
        return;
    /* A posted command 1 would cancel; only the button's own click does. */
    if (message.message == WM_COMMAND && message.wParam == IDC_NEXT)
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

/* Takes one message of any kind but painting off the queue, undispatched.
 * A pending repaint cannot be removed without painting; it is left for
 * the message loop that follows. */
static int DiscardOneMessage(void)
{
    MSG message;

    return PeekMessageA(&message, NULL, 0, WM_PAINT - 1, PM_REMOVE) ||
           PeekMessageA(&message, NULL, WM_PAINT + 1, 0xFFFFFFFFu, PM_REMOVE);
}

void DiscardMessagesFor(DWORD milliseconds)
{
    DWORD now = GetTickCount();
    DWORD end = now + milliseconds;

    if (end <= now)
        return;
    while (now < end) {
        /* Sleeps until something arrives instead of spinning. */
        if (!DiscardOneMessage())
            MsgWaitForMultipleObjects(0, NULL, FALSE, end - now,
                                      ALL_INPUT_95 & ~QS_PAINT);
        now = GetTickCount();
    }
}

short FilePercentage(short file, short count)
{
    if (count <= 0)
        return 0;
    return (short)((100L * ((long)file + 1)) / (long)count);
}

void OpenSourceFile(HWND page, const char *path)
{
    OFSTRUCT openRecord;

    g_setup.sourceHandle = LZOpenFileA((LPSTR)path, &openRecord, OF_READ);
    if (g_setup.sourceHandle < 0)
        g_setup.sourceHandle = -1;
    PumpOneMessage(page);
}

/* Copies the open source into the open target; 1 only when the whole
 * file arrived: the length the source declares (the expanded length of a
 * compressed file) must all have been written. */
static int CopyWhole(INT source, INT target)
{
    LONG expected = LZSeek(source, 0, 2);
    LONG copied;

    if (expected < 0 || LZSeek(source, 0, 0) != 0)
        return 0;
    copied = LZCopy(source, target);
    return copied >= 0 && copied == expected;
}

/* Creates the target, or -1. When the name itself cannot be created (in
 * use, read-only), LZOpenFileA creates the compressed form of the name
 * instead, its last letter made "_": that file is removed and the target
 * counts as not created. Only the names are compared, since the fallback
 * changes the name alone and the directory may come back in another
 * form. */
static INT CreateTarget(const char *path)
{
    OFSTRUCT openRecord;
    const char *asked = TextFindLastChar(path, '\\');
    const char *opened;
    INT target;

    target = LZOpenFileA((LPSTR)path, &openRecord, OF_CREATE);
    if (target < 0)
        return -1;
    opened = TextFindLastChar(openRecord.szPathName, '\\');
    if (lstrcmpiA(asked != NULL ? asked + 1 : path,
                  opened != NULL ? opened + 1 : openRecord.szPathName) != 0) {
        LZClose(target);
        DeleteFileA(openRecord.szPathName);
        return -1;
    }
    return target;
}

/* Nothing is copied without a source, and then the target is not opened
 * at all, so a file already there keeps its contents. 0 when a source
 * did not arrive: its target could not be created (and keeps what it
 * held), or the copy stopped part-way (a full disk, damaged compressed
 * data) and what it wrote is removed, so that no short file looks
 * installed. */
int CopyToTarget(HWND page, const char *path)
{
    int copied = 1;

    g_setup.targetHandle = -1;
    /* an existing target is saved by the journal first, and is not
     * written over when it could not be */
    if (g_setup.sourceHandle != -1 && !JournalFileBefore(path)) {
        LZClose(g_setup.sourceHandle);
        g_setup.sourceHandle = -1;
        copied = 0;
    }
    if (g_setup.sourceHandle != -1) {
        g_setup.targetHandle = CreateTarget(path);
        copied = g_setup.targetHandle != -1 &&
                 CopyWhole(g_setup.sourceHandle, g_setup.targetHandle);
    }
    if (g_setup.sourceHandle != -1)
        LZClose(g_setup.sourceHandle);
    if (g_setup.targetHandle != -1) {
        LZClose(g_setup.targetHandle);
        if (!copied)
            DeleteFileA(path);
        else
            JournalFileDone(path);
    }
    g_setup.sourceHandle = -1;
    g_setup.targetHandle = -1;
    PumpOneMessage(page);
    return copied;
}

/* Sets a control's text and repaints it at once: the page's own loop
 * does not run while the engine works. */
static void ShowControlText(HWND page, int controlId, const char *text)
{
    SetDlgItemTextA(page, controlId, text);
    UpdateWindow(GetDlgItem(page, controlId));
}

static void ShowCopyingStatus(HWND page, const FileRecord *record)
{
    char status[TEXT_MAX];
    char field[TEXT_MAX];

    TEXT_COPY(status, LoadText(IDS_COPYING));
    TextCopy(field, sizeof(record->sourceName), record->sourceName);
    TEXT_APPEND(status, field);
    TEXT_APPEND(status, "\n\n");
    TextCopy(field, sizeof(record->description), record->description);
    TEXT_APPEND(status, field);
    ShowControlText(page, IDC_INSTALL_STATUS, status);
}

static void ShowPercentage(HWND page, short percentage)
{
    char text[16];

    TextFormat(text, sizeof(text), "%d%%", (int)percentage);
    ShowControlText(page, IDC_INSTALL_PERCENT, text);
}

/* The directory of a target inside the destination, every level of it:
 * a target name may hold a directory of its own. */
static void MakeTargetParent(const char *path)
{
    char directory[TEXT_MAX];
    int i, last = -1;

    TEXT_COPY(directory, path);
    for (i = 0; directory[i] != '\0'; i++) {
        if (directory[i] == '\\')
            last = i;
    }
    if (last > 0) {
        directory[last] = '\0';
        MakeTargetDirectory(directory);
    }
}

/* One file: status, source, percentage and bar, each shown at once,
 * then the target. A source that does not arrive at its target ends the
 * copying as a Cancel does: the installation is not complete. A missing
 * source or an empty record only shows its progress. */
static void CopyOneFile(HWND page, HDC dc, short disk, short file)
{
    static const FileRecord emptyRecord = { "", "", "", "", "", 0 };
    const FileRecord *record = FindRecord(disk, file);
    char path[TEXT_MAX];
    short percentage;

    ShowCopyingStatus(page, record != NULL ? record : &emptyRecord);
    if (BuildSourcePath(path, sizeof(path), disk, file)) {
        OpenSourceFile(page, path);
    } else {
        g_setup.sourceHandle = -1;
        PumpOneMessage(page);
    }
    percentage = FilePercentage(file, g_setup.fileCounts[disk]);
    ShowPercentage(page, percentage);
    DrawProgressBar(page, dc, percentage);

    if (BuildTargetPath(path, sizeof(path), disk, file) && g_setup.sourceHandle != -1)
        MakeTargetParent(path);
    else if (g_setup.sourceHandle != -1) {
        LZClose(g_setup.sourceHandle);
        g_setup.sourceHandle = -1;
        g_setup.pageResult = PAGE_CANCEL;
    }
    if (!CopyToTarget(page, path))
        g_setup.pageResult = PAGE_CANCEL;
}

void CopyFileTable(HWND page, HDC dc)
{
    short disk, file;

    for (disk = 0; disk < g_setup.diskCount && disk < DISK_MAX; disk++) {
        if (g_setup.pageResult == PAGE_CANCEL)
            break;
        UpdateWindow(page);
        /* the white fill wipes the bar of the previous disk */
        DrawEtchedFrame(page, dc, IDC_INSTALL_BAR, (HBRUSH)GetStockObject(WHITE_BRUSH));
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            if (g_setup.pageResult == PAGE_CANCEL)
                break;
            CopyOneFile(page, dc, disk, file);
        }
    }
}

void CopyAllFiles(HWND page)
{
    HDC dc = GetDC(page);

    CopyFileTable(page, dc);
    /* After a Cancel or a file that was not written nothing is registered:
     * the user is told the installation is not completed, and the setup
     * must be able to run again. The files copied so far stay. */
    if (g_setup.pageResult != PAGE_CANCEL) {
        ShowControlText(page, IDC_INSTALL_STATUS, "Updating Registry...");
        DiscardMessagesFor(1000);
        if (g_installTestSeams.updateRegistry != NULL)
            g_installTestSeams.updateRegistry(1);
        else
            UpdateRegistry(1);
    }
    ReleaseDC(page, dc);
}
