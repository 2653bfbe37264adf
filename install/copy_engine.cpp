/* The copy engine: every file of the file table from the package to its
 * target, expanded on the way when it is stored compressed; then the
 * registry update. Each step goes to the caller's progress routine. */
#include "copy_engine.h"
#include "install.h"
#include "paths.h"
#include "text.h"
#include "resource.h"
#include "file_ops.h"
#include "registry.h"
#include "path_rule.h"
#include "journal.h"
#include "setup_script.h"

#include <lzexpand.h>

RegistryUpdateHook g_registryUpdateHook = NULL;

short FilePercentage(short file, short count)
{
    if (count <= 0)
        return 0;
    return (short)((100L * ((long)file + 1)) / (long)count);
}

/* The source opened for reading, or -1. */
static INT OpenSourceFile(const char *path)
{
    OFSTRUCT openRecord;
    INT source = LZOpenFileA((LPSTR)path, &openRecord, OF_READ);

    return source < 0 ? -1 : source;
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
 * instead, its last letter made "_": that file is removed when this call
 * made it, and the target counts as not created. Only the names are
 * compared, since the fallback changes the name alone and the directory
 * may come back in another form. A file that was there before is never
 * removed. */
static INT CreateTarget(const char *path)
{
    OFSTRUCT openRecord;
    char fallback[TEXT_MAX];
    const char *asked = TextFindLastChar(path, '\\');
    const char *opened;
    int length = lstrlenA(path), fallbackThere;
    INT target;

    if (!TEXT_COPY(fallback, path) || length == 0)
        return -1;
    fallback[length - 1] = '_';
    fallbackThere = GetFileAttributesA(fallback) != INVALID_FILE_ATTRIBUTES;
    target = LZOpenFileA((LPSTR)path, &openRecord, OF_CREATE);
    if (target < 0)
        return -1;
    opened = TextFindLastChar(openRecord.szPathName, '\\');
    opened = opened != NULL ? opened + 1 : openRecord.szPathName;
    if (!PathSame(asked != NULL ? asked + 1 : path, opened)) {
        LZClose(target);
        asked = TextFindLastChar(fallback, '\\');
        if (!fallbackThere && PathSame(asked != NULL ? asked + 1 : fallback, opened))
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
static int CopyToTarget(INT source, const char *path)
{
    INT target = -1;
    int copied = 1;

    /* an existing target is saved by the journal first, and is not
     * written over when it could not be */
    if (source != -1 && !JournalFileBefore(path)) {
        LZClose(source);
        source = -1;
        copied = 0;
    }
    if (source != -1) {
        target = CreateTarget(path);
        copied = target != -1 && CopyWhole(source, target);
    }
    if (source != -1)
        LZClose(source);
    if (target != -1) {
        LZClose(target);
        if (!copied) {
            DeleteFileA(path);
        } else if (!JournalFileDone(path)) {
            /* the file stays: its entry says it may be half-written */
            NoteFailure(IDS_JOURNAL_FAILED, path);
            copied = 0;
        }
    }
    return copied;
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

/* Tells a step; the step's record holds what the last one left. */
static int Tell(CopyStep *step, int kind, CopyProgress progress, void *context)
{
    step->kind = kind;
    return progress(step, context);
}

/* 1 when the disk in the drive is disk `disk`: its volume label is the
 * disk's label, or one of the disk's files is on it. A disk is not known
 * by its label alone, since a label of the script may be longer than a
 * volume label can be. */
static int DiskInDrive(const CopyStep *step, short disk)
{
    char root[4], volume[MAX_PATH + 1], path[TEXT_MAX];
    short file;

    root[0] = step->drive[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
    if (GetVolumeInformationA(root, volume, sizeof(volume), NULL, NULL, NULL, NULL, 0) &&
        volume[0] != '\0' && lstrcmpiA(volume, g_setup.diskLabels[disk]) == 0)
        return 1;
    for (file = 0; file < g_setup.fileCounts[disk]; file++) {
        if (BuildSourcePath(path, sizeof(path), disk, file) && IsFile(path))
            return 1;
    }
    return 0;
}

/* Asks until the disk is in the drive; 0 on Cancel. */
static int WaitForDisk(CopyStep *step, short *diskSeen, CopyProgress progress, void *context)
{
    CopyStep question = *step;

    if (g_setup.diskLabels[step->disk][0] != '\0')
        TEXT_COPY(question.label, g_setup.diskLabels[step->disk]);
    else
        TEXT_COPY(question.label, LoadText(IDS_DISK1 + step->disk));
    while (!DiskInDrive(step, step->disk)) {
        if (!Tell(&question, COPY_DISK_WANTED, progress, context))
            return 0;
    }
    *diskSeen = step->disk;
    return 1;
}

/* Remembers a file gone on without, by its name in the package (or its
 * line in the script when the line gave none). */
static void NoteIgnored(const CopyStep *step)
{
    if (g_setup.filesIgnored < 32767)
        g_setup.filesIgnored++;
    if (!TextAppend(g_setup.ignoredNames, sizeof(g_setup.ignoredNames), step->name) ||
        !TextAppend(g_setup.ignoredNames, sizeof(g_setup.ignoredNames), "\n")) {
        /* the list ends with a mark that more files were left out */
        g_setup.ignoredNames[sizeof(g_setup.ignoredNames) - 5] = '\0';
        TextAppend(g_setup.ignoredNames, sizeof(g_setup.ignoredNames), "...\n");
    }
}

/* Opens the file's source, asking while it cannot be read. 1 with the
 * source open in *source; 1 with *source -1 when the user ignored the file;
 * 0 on Abort or Cancel. A path the LZ functions cannot take, or a
 * record the script gave no whole line, counts as a source that cannot
 * be read. */
static int OpenSourceAsking(CopyStep *step, short *diskSeen, const char *target, INT *source,
                            CopyProgress progress, void *context)
{
    char path[TEXT_MAX];
    int built, answer;

    for (;;) {
        built = BuildSourcePath(path, sizeof(path), step->disk, step->file);
        *source = -1;
        if (built && lstrlenA(path) < LZ_PATH_MAX && target != NULL && lstrlenA(target) < LZ_PATH_MAX)
            *source = OpenSourceFile(path);
        if (*source != -1)
            return 1;
        if (step->drive[0] != '\0' && !DiskInDrive(step, step->disk)) {
            if (!WaitForDisk(step, diskSeen, progress, context))
                return 0;
            continue;
        }
        /* a record the script gave no whole line is named by its line */
        if (step->name[0] == '\0') {
            TextFormat(step->name, sizeof(step->name), "[%s] %d", LoadText(IDS_DISK1 + step->disk),
                       (int)step->file + 1);
            TEXT_COPY(step->description, LoadText(IDS_LINE_NOT_TAKEN));
        }
        if (!built)
            TEXT_COPY(step->path, g_setup.sourceDir);
        else if (target != NULL && lstrlenA(path) < LZ_PATH_MAX && lstrlenA(target) >= LZ_PATH_MAX)
            TEXT_COPY(step->path, target);
        else
            TEXT_COPY(step->path, path);
        answer = Tell(step, COPY_FILE_MISSING, progress, context);
        if (answer == COPY_IGNORE) {
            NoteIgnored(step);
            return 1;
        }
        if (answer != COPY_RETRY)
            return 0;
    }
}

/* The name and description a step shows: the record's. */
static void NameStep(CopyStep *step, const FileRecord *record)
{
    step->name[0] = '\0';
    step->description[0] = '\0';
    if (record != NULL) {
        TextCopy(step->name, sizeof(record->sourceName), record->sourceName);
        TextCopy(step->description, sizeof(record->description), record->description);
    }
}

/* One file: its name, its source, then the target. A source that does
 * not arrive at its target ends the copying: the installation is not
 * complete. A source that cannot be read is asked about; one the user
 * ignores is left out. 0 when the copying stops after it. */
static int CopyOneFile(CopyStep *step, short *diskSeen, CopyProgress progress, void *context)
{
    const FileRecord *record = FindFileRecord(step->disk, step->file);
    char path[TEXT_MAX], targetName[TEXT_MAX];
    int goOn, copied, targetBuilt;
    INT source = -1;

    NameStep(step, record);
    step->percentage = FilePercentage(step->file, g_setup.fileCounts[step->disk]);
    if (!Tell(step, COPY_FILE_STARTED, progress, context))
        return 0;
    /* a name the package check refuses is never opened, whoever calls;
     * a record the loader left empty is asked about below */
    if (record != NULL && (record->sourceName[0] != '\0' || record->targetName[0] != '\0')) {
        TextCopy(targetName, sizeof(record->targetName), record->targetName);
        if (CheckTargetName(targetName, record->targetIsAbsolute) != PATH_CONTAINED)
            return 0;
    }
    targetBuilt = BuildTargetPath(path, sizeof(path), step->disk, step->file);
    if (!OpenSourceAsking(step, diskSeen, targetBuilt ? path : NULL, &source, progress, context))
        return 0;
    goOn = Tell(step, COPY_FILE_OPENED, progress, context);

    copied = 1;
    if (source != -1)
        MakeTargetParent(path);
    if (!CopyToTarget(source, path))
        copied = 0;
    return Tell(step, COPY_FILE_DONE, progress, context) && goOn && copied;
}

/* The numbered lines after the disk's count are not installed: each is
 * asked about as a file that cannot be copied, by its line. 0 on Abort. */
static int AskLinesBeyondCount(CopyStep *step, CopyProgress progress, void *context)
{
    short count = g_setup.fileCounts[step->disk] > 0 ? g_setup.fileCounts[step->disk] : 0;
    short extra;
    int answer;

    for (extra = 0; extra < g_setup.linesBeyondCount[step->disk]; extra++) {
        TextFormat(step->name, sizeof(step->name), "[%s] %d", LoadText(IDS_DISK1 + step->disk),
                   (int)count + extra + 1);
        TEXT_COPY(step->description, LoadText(IDS_LINE_BEYOND_COUNT));
        TEXT_COPY(step->path, ScriptPath());
        /* Retry reads nothing new: the script was read at the start */
        do
            answer = Tell(step, COPY_FILE_MISSING, progress, context);
        while (answer == COPY_RETRY);
        if (answer != COPY_IGNORE)
            return 0;
        NoteIgnored(step);
    }
    return 1;
}

int CopyPackageFiles(CopyProgress progress, void *context)
{
    CopyStep step;
    short diskSeen = 0;     /* the disk the setup was started from */
    UINT errorMode;
    int done = 1;

    FillBytes(&step, 0, sizeof(step));
    g_setup.filesIgnored = 0;
    g_setup.ignoredNames[0] = '\0';
    PathOnRemovableDrive(g_setup.sourceDir, step.drive, sizeof(step.drive));
    /* an empty drive answers a failed call, not a system prompt */
    errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    for (step.disk = 0; done && step.disk < g_setup.diskCount && step.disk < DISK_MAX; step.disk++) {
        step.file = 0;
        step.percentage = 0;
        step.name[0] = '\0';
        step.description[0] = '\0';
        done = Tell(&step, COPY_DISK_STARTED, progress, context);
        if (done && step.drive[0] != '\0' && step.disk != diskSeen && g_setup.fileCounts[step.disk] > 0)
            done = WaitForDisk(&step, &diskSeen, progress, context);
        for (step.file = 0; done && step.file < g_setup.fileCounts[step.disk]; step.file++)
            done = CopyOneFile(&step, &diskSeen, progress, context);
        if (done)
            done = AskLinesBeyondCount(&step, progress, context);
    }
    SetErrorMode(errorMode);
    return done;
}

int InstallPackage(CopyProgress progress, void *context)
{
    CopyStep step;

    /* After a Cancel or a file that was not written nothing is registered:
     * the setup must be able to run again. The files copied so far stay. */
    if (!CopyPackageFiles(progress, context))
        return 0;
    FillBytes(&step, 0, sizeof(step));
    if (!Tell(&step, COPY_UPDATING_REGISTRY, progress, context))
        return 0;
    /* a registry update that fails has said what failed */
    if (g_registryUpdateHook != NULL)
        return g_registryUpdateHook(1);
    return UpdateRegistry(1);
}
