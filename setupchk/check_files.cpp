/* The file table as the copy engine will see it: each record's paths
 * built by the same path builders the engine uses and its source opened
 * by the same LZ32 call (check_sources.cpp); the space, the disks' sizes, targets written twice, and the
 * files the registry will name. */
#include "check_run.h"
#include "path_rule.h"
#include "components.h"
#include "paths.h"
#include "text.h"
#include "resource.h"
#include "journal.h"
#include "setup_script.h"

#include <lzexpand.h>

#define COLUMN_MAX    48        /* widest path column of the table */
#define FLOPPY_BYTES  1457664u  /* a 1.44 MB floppy */

/* The path with "." steps and doubled separators taken out, so that two
 * spellings of one file compare equal. */
static void FullPathOf(const char *path, char *full, int size)
{
    if (!FullPath(full, size, path))
        TextCopy(full, size, path);
}

static DWORD HashTarget(const char *target)
{
    char full[MAX_PATH];
    const unsigned char *p;
    DWORD hash = 2166136261u;

    FullPathOf(target, full, sizeof(full));
    CharUpperA(full);
    for (p = (const unsigned char *)full; *p != '\0'; p++)
        hash = (hash ^ *p) * 16777619u;
    return hash | 1;
}

/* text padded with blanks to width, or cut to it. */
static void Column(char *row, int size, const char *text, int width)
{
    char cell[COLUMN_MAX + 8];
    int length;

    TextCopy(cell, width + 1 < (int)sizeof(cell) ? width + 1 : (int)sizeof(cell), text);
    for (length = lstrlenA(cell); length < width && length < (int)sizeof(cell) - 1; length++)
        cell[length] = ' ';
    cell[length] = '\0';
    TextAppend(row, size, cell);
}

static void TellRow(int disk, int file, int line, const char *source, const char *target,
                    const char *stored, const char *expanded, const char *description)
{
    char row[MESSAGE_MAX], piece[TEXT_MAX];

    if (line != 0)
        TextFormat(row, sizeof(row), "%4d %4d %5d  ", disk + 1, file + 1, line);
    else
        TextFormat(row, sizeof(row), "%4d %4d     -  ", disk + 1, file + 1);
    Column(row, sizeof(row), source, g_check.sourceWidth);
    TEXT_APPEND(row, "  ");
    Column(row, sizeof(row), target, g_check.targetWidth);
    TextFormat(piece, sizeof(piece), " %9s %9s  %s", stored, expanded, description);
    TEXT_APPEND(row, piece);
    TellInfo(row);
}

static void CheckShortNames(int line, const FileRecord *record)
{
    char text[MESSAGE_MAX];

    if (!IsShortName(record->sourceName)) {
        TextFormat(text, sizeof(text), "\"%s\" is not an 8.3 name. Setup: asks for it by "
                   "this long name; a package disk copied with DOS tools keeps only a short "
                   "alias.", record->sourceName);
        WARNING_AT(line, text);
    }
    if (!IsShortName(record->targetName)) {
        TextFormat(text, sizeof(text), "\"%s\" is not an 8.3 name. Setup: installs it under "
                   "this long name, which 16-bit programs and DOS see only by a short alias.",
                   record->targetName);
        WARNING_AT(line, text);
    }
}

/* The fourth field of the record's line, as the loader splits it. */
static void RecordDirectoryKey(int disk, int file, char *key, int size)
{
    static char raw[4 * TEXT_MAX];
    char section[16], number[16], field[TEXT_MAX];
    const char *next;

    DiskName(disk, section, sizeof(section));
    TextFormat(number, sizeof(number), "%d", file + 1);
    GetPrivateProfileStringA(section, number, "", raw, sizeof(raw), g_check.scriptPath);
    raw[sizeof(raw) - 1] = '\0';
    next = SplitField(raw, field, sizeof(field));
    next = SplitField(next, field, sizeof(field));
    next = SplitField(next, field, sizeof(field));
    SplitField(next, key, size);
}

/* A directory key of the ten that [DirectoryName] leaves empty. */
static void CheckDirectoryDefined(int line, int disk, int file)
{
    char key[TEXT_MAX], text[MESSAGE_MAX];
    int k;

    RecordDirectoryKey(disk, file, key, sizeof(key));
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        if (lstrcmpiA(key, directoryKeys[k]) == 0)
            break;
    }
    if (k == DIRECTORY_KEYS || g_setup.directoryNames[k][0] != '\0')
        return;
    TextFormat(text, sizeof(text), "directory key %s is used but not defined in "
               "[DirectoryName]. Setup: takes the file from the package folder itself and "
               "installs it into %s itself.", directoryKeys[k],
               k < DIR_WINDOWS ? "the destination directory"
               : k == DIR_WINDOWS ? "the Windows directory"
               : k == DIR_WIN_SYSTEM ? "the SYSTEM directory" : "the INF directory");
    ERROR_AT(line, text);
}

/* LZOpenFileA takes paths shorter than its open-file record's room: a
 * longer source cannot be opened, a longer target not created. */
static void CheckLzPathLengths(int line, const char *source, const char *target)
{
    char text[MESSAGE_MAX], shown[MAX_PATH];
    int i, length;

    for (i = 0; i < 2; i++) {
        const char *path = i == 0 ? source : target;
        if (path == NULL || (length = lstrlenA(path)) < OFS_MAXPATHNAME)
            continue;
        /* counted as the setup passes it, shown with one separator */
        TidyPath(shown, sizeof(shown), path);
        TextFormat(text, sizeof(text), "%s path of %d characters%s: %s. Windows 95's LZ32 "
                   "takes paths of fewer than %d. Setup: " SETUP_ASKS,
                   i == 0 ? "source" : "target", length,
                   i == 0 ? "" : " with the default destination", shown, OFS_MAXPATHNAME);
        WARNING_AT(line, text);
    }
}

/* One record: its row of the table and its findings; returns the bytes
 * the setup writes for it, -1 when it writes none. */
static LONG CheckRecord(int disk, int file)
{
    const FileRecord *record = g_setup.fileTable[disk] + file;
    int index = RecordIndex(record);
    char source[TEXT_MAX], target[TEXT_MAX], stored[16], expanded[16], text[MESSAGE_MAX];
    char shownSource[TEXT_MAX], shownTarget[TEXT_MAX];
    int line, haveSource, haveTarget;
    SourceFacts facts;
    LONG written;

    line = RecordLine(disk, file);
    if (g_check.outside[index]) {
        TellRow(disk, file, line, "(refused)", "(refused)", "-", "-", record->description);
        return -1;
    }
    if (record->sourceName[0] == '\0' || record->targetName[0] == '\0') {
        if (line != 0 && !g_check.emptied[index])
            ERROR_AT(line, "record left empty: the line gives no source or no target name. "
                     "Setup: " SETUP_ASKS);
        TellRow(disk, file, line, "-", "-", "-", "-", "(empty)");
        return -1;
    }
    CheckDirectoryDefined(line, disk, file);
    haveSource = BuildSourcePath(source, sizeof(source), disk, file);
    haveTarget = BuildTargetPath(target, sizeof(target), disk, file);
    TidyPath(shownSource, sizeof(shownSource), source);
    TidyPath(shownTarget, sizeof(shownTarget), target);
    CheckShortNames(line, record);
    if (!haveSource) {
        TextFormat(text, sizeof(text), "source path too long (more than %d characters). "
                   "Setup: " SETUP_ASKS, TEXT_MAX - 1);
        ERROR_AT(line, text);
    }
    written = -1;
    FillBytes(&facts, 0, sizeof(facts));
    if (haveSource) {
        InspectSource(source, &facts);
        written = CheckSource(line, source, record, &facts);
        g_check.noSource[index] = !facts.present && !facts.opened;
    }
    if (!haveTarget) {
        TextFormat(text, sizeof(text), "target path too long (more than %d characters). "
                   "Setup: " SETUP_ASKS, TEXT_MAX - 1);
        ERROR_AT(line, text);
    }
    CheckLzPathLengths(line, haveSource ? source : NULL, haveTarget ? target : NULL);
    if (facts.present || facts.opened) {
        TextFormat(stored, sizeof(stored), "%lu", (unsigned long)facts.stored);
        g_check.diskBytes[disk] += facts.stored;
    } else {
        TEXT_COPY(stored, "missing");
    }
    if (facts.opened)
        TextFormat(expanded, sizeof(expanded), "%ld", facts.expected);
    else
        TEXT_COPY(expanded, "-");
    TellRow(disk, file, line, haveSource ? shownSource : "(too long)",
            haveTarget ? shownTarget : "(none)", stored, expanded, record->description);
    if (!haveTarget || written < 0)
        return -1;
    g_check.targetHash[index] = HashTarget(target);
    g_check.installs[index] = 1;
    return written;
}

static void MeasureColumns(void)
{
    char path[TEXT_MAX], shown[TEXT_MAX];
    int disk, file, length;

    g_check.sourceWidth = 6;
    g_check.targetWidth = 6;
    for (disk = 0; disk < g_setup.diskCount; disk++) {
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            TidyPath(shown, sizeof(shown), BuildSourcePath(path, sizeof(path), disk, file) ? path : "");
            length = lstrlenA(shown);
            if (length > g_check.sourceWidth)
                g_check.sourceWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
            TidyPath(shown, sizeof(shown), BuildTargetPath(path, sizeof(path), disk, file) ? path : "");
            length = lstrlenA(shown);
            if (length > g_check.targetWidth)
                g_check.targetWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
        }
    }
}

static void CheckSpace(unsigned long long total)
{
    unsigned long long kb = (total + 1023) / 1024;
    unsigned long shownKb = (unsigned long)(kb < 0xFFFFFFFFull ? kb : 0xFFFFFFFFull);
    char text[MESSAGE_MAX];
    int line;

    TextFormat(text, sizeof(text), "Total              %lu bytes expanded = %lu KB; "
               "MinimumSpace %d KB", (unsigned long)(total < 0xFFFFFFFFull ? total : 0xFFFFFFFFull),
               shownKb, (int)g_setup.minimumSpaceKb);
    TellInfo(text);
    if (kb <= (unsigned long long)(g_setup.minimumSpaceKb > 0 ? g_setup.minimumSpaceKb : 0))
        return;
    line = LineOf(IDS_MAIN_SECTION, "MinimumSpace");
    if (line == 0)
        line = SectionLine(IDS_MAIN_SECTION);
    TextFormat(text, sizeof(text), "the files expand to %lu KB, more than MinimumSpace %d KB. "
               "Setup: accepts a drive with %d KB free, which the files can fill.", shownKb,
               (int)g_setup.minimumSpaceKb, (int)g_setup.minimumSpaceKb);
    WARNING_AT(line, text);
}

void CheckDiskSizes(void)
{
    char text[MESSAGE_MAX], disk[16];
    int d;

    for (d = 0; d < g_setup.diskCount; d++) {
        if (g_check.diskBytes[d] <= FLOPPY_BYTES)
            continue;
        DiskName(d, disk, sizeof(disk));
        TextFormat(text, sizeof(text), "the files of %s take %lu bytes, more than the %lu of "
                   "a 1.44 MB floppy. Setup: from a floppy drive asks for each disk by its "
                   "[DiskLabel] label, so this disk cannot ship on one floppy.", disk,
                   (unsigned long)g_check.diskBytes[d], (unsigned long)FLOPPY_BYTES);
        WARNING_AT(SectionLine(IDS_DISK1 + d), text);
    }
}

/* Two records that write the same file: the later one wins. */
void CheckSameTargets(int recordCount)
{
    char first[TEXT_MAX], second[TEXT_MAX], full[2][MAX_PATH], text[MESSAGE_MAX];
    int a, b, diskA, fileA, diskB, fileB;

    for (b = 1; b < recordCount; b++) {
        if (g_check.targetHash[b] == 0)
            continue;
        for (a = 0; a < b; a++) {
            if (g_check.targetHash[a] != g_check.targetHash[b])
                continue;
            LocateRecord(g_setup.fileTable[0] + a, &diskA, &fileA);
            LocateRecord(g_setup.fileTable[0] + b, &diskB, &fileB);
            BuildTargetPath(first, sizeof(first), diskA, fileA);
            BuildTargetPath(second, sizeof(second), diskB, fileB);
            FullPathOf(first, full[0], MAX_PATH);
            FullPathOf(second, full[1], MAX_PATH);
            if (!PathSame(full[0], full[1]))
                continue;
            TextFormat(text, sizeof(text), "same target as line %d: %s. Setup: copies both; "
                       "this one, copied later, wins.", RecordLine(diskA, fileA), full[1]);
            WARNING_AT(RecordLine(diskB, fileB), text);
            break;
        }
    }
}

/* Whether some record writes exactly this file: 1 when one does; else
 * 0, with in *missing the index of a record that names it but whose
 * source is missing (-1 when none does). */
static int IsInstalled(const char *path, int recordCount, int *missing)
{
    char wanted[MAX_PATH], target[TEXT_MAX], full[MAX_PATH];
    int index, disk, file;

    *missing = -1;
    FullPathOf(path, wanted, sizeof(wanted));
    for (index = 0; index < recordCount; index++) {
        if (!g_check.installs[index] && !g_check.noSource[index])
            continue;
        LocateRecord(g_setup.fileTable[0] + index, &disk, &file);
        if (!BuildTargetPath(target, sizeof(target), disk, file))
            continue;
        FullPathOf(target, full, sizeof(full));
        if (!PathSame(full, wanted))
            continue;
        if (g_check.installs[index])
            return 1;
        if (*missing < 0)
            *missing = index;
    }
    return 0;
}

/* A component no record installs: at the record that names it when its
 * source is missing, else at the line given. */
static void ComponentMissing(int line, int missing, const char *what, const char *rest)
{
    char text[MESSAGE_MAX];
    int disk, file;

    if (missing < 0) {
        TextFormat(text, sizeof(text), "no record installs %s. %s", what, rest);
        ERROR_AT(line, text);
        return;
    }
    LocateRecord(g_setup.fileTable[0] + missing, &disk, &file);
    TextFormat(text, sizeof(text), "no record installs %s: this line names it, but its source "
               "is missing. %s", what, rest);
    ERROR_AT(RecordLine(disk, file), text);
}

/* Records that would write over the setup's own records in the
 * destination: the restore record and the change journal. */
void CheckOwnFiles(int recordCount)
{
    static const char *const ownFiles[] = { "SETUP.INF", JOURNAL_NAME };
    char own[TEXT_MAX], wanted[MAX_PATH], target[TEXT_MAX], full[MAX_PATH], text[MESSAGE_MAX];
    int i, index, disk, file;

    for (i = 0; i < COUNT_OF(ownFiles); i++) {
        if (!PathJoin(own, sizeof(own), g_setup.installDir, ownFiles[i]))
            continue;
        FullPathOf(own, wanted, sizeof(wanted));
        for (index = 0; index < recordCount; index++) {
            LocateRecord(g_setup.fileTable[0] + index, &disk, &file);
            if (!g_check.installs[index] || !BuildTargetPath(target, sizeof(target), disk, file))
                continue;
            FullPathOf(target, full, sizeof(full));
            if (!PathSame(full, wanted))
                continue;
            /* the journal is open while the files are copied: it cannot be written over */
            if (i == 0)
                TextFormat(text, sizeof(text), "this line installs %s, the setup's own restore "
                           "record. Setup: writes it over the replaced registry values of an "
                           "earlier installation there.", own);
            else
                TextFormat(text, sizeof(text), "this line installs %s, the setup's own change "
                           "journal. Setup: cannot write over the journal it keeps open, stops "
                           "the copying at this line and ends the installation not completed.",
                           own);
            AddProblem(RecordLine(disk, file), i == 0 ? LEVEL_WARNING : LEVEL_ERROR, text);
        }
    }
}

/* The file a component value names in the destination directory: its
 * text up to the first blank (the Run value gives the program a switch). */
static int ComponentFile(const ComponentValue *value, char *name, int size)
{
    int length;

    if (value->kind != COMPONENT_INSTALLED)
        return 0;
    length = TextSpanTo(value->text, " ");
    if (length >= size)
        return 0;
    CopyBytes(name, value->text, (unsigned int)length);
    name[length] = '\0';
    return 1;
}

/* The files the registry will name, each where it names it. */
void CheckComponents(int recordCount)
{
    char path[TEXT_MAX], text[MESSAGE_MAX], directory[TEXT_MAX], what[TEXT_MAX];
    char name[TEXT_MAX];
    const ComponentValue *value;
    const char *setup = g_check.refused ? "Setup: refuses this package as it stands; once it "
                                          "is accepted, it" : "Setup:";
    int i, line, programLine, missing;

    programLine = recordCount > 0 ? SectionLine(IDS_DISK1) : SectionLine(IDS_FILE_COUNTS_SECTION);
    for (i = 0; i < g_componentValueCount; i++) {
        value = &g_componentValues[i];
        if (!ComponentFile(value, name, sizeof(name)) ||
            !PathJoin(path, sizeof(path), g_setup.installDir, name) ||
            IsInstalled(path, recordCount, &missing))
            continue;
        TextFormat(what, sizeof(what), "%s into the destination directory", name);
        TextFormat(text, sizeof(text), "%s registers %s as the value %s of %s\\%s, and that file "
                   "will not exist.", setup, path, value->name != NULL ? value->name : "(default)",
                   value->root == HKEY_CLASSES_ROOT ? "HKCR" : "HKLM", value->path);
        ComponentMissing(programLine, missing, what, text);
    }
    for (i = 0; i < 2; i++) {
        const char *name = i == 0 ? g_setup.driverInfo.mouseDriver : g_setup.driverInfo.mouseInf;
        TEXT_COPY(directory, g_setup.windowsDir);
        TEXT_APPEND(directory, i == 0 ? "\\SYSTEM" : "\\INF");
        if (name[0] == '\0' || !PathJoin(path, sizeof(path), directory, name) ||
            IsInstalled(path, recordCount, &missing))
            continue;
        line = LineOf(IDS_STARTUP_SECTION, i == 0 ? "MouseDriver" : "MouseInf");
        TextFormat(what, sizeof(what), "%s %s into the %s directory",
                   i == 0 ? "MouseDriver" : "MouseInf", name, i == 0 ? "SYSTEM" : "INF");
        TextFormat(text, sizeof(text), "%s writes %s=%s into the mouse's driver class key, and "
                   "%s will not exist.", setup, i == 0 ? "MouseDriver" : "InfPath", name, path);
        ComponentMissing(line != 0 ? line : SectionLine(IDS_STARTUP_SECTION), missing, what,
                         text);
    }
}

void TellFileTable(void)
{
    unsigned long long total = 0;
    char text[MESSAGE_MAX], row[MESSAGE_MAX];
    int disk, file;
    LONG written;

    MeasureColumns();
    TellInfo("");
    TextFormat(text, sizeof(text), "Files (targets with the default directory and Windows in %s)",
               g_setup.windowsDir);
    TellInfo(text);
    TEXT_COPY(row, "Disk   No  Line  ");
    Column(row, sizeof(row), "Source", g_check.sourceWidth);
    TEXT_APPEND(row, "  ");
    Column(row, sizeof(row), "Target", g_check.targetWidth);
    TEXT_APPEND(row, "    Stored  Expanded  Description");
    TellInfo(row);
    for (disk = 0; disk < g_setup.diskCount; disk++) {
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            written = CheckRecord(disk, file);
            if (written > 0)
                total += (unsigned long long)written;
        }
    }
    CheckSpace(total);
}

