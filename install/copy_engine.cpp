/* The copy engine: every file of the file table from the package to its
 * target, expanded on the way when it is stored compressed; then the
 * registry update. Each step goes to the caller's progress routine. */
#include "copy_engine.h"
#include "install.h"
#include "../app/text.h"
#include "../registry/registry.h"
#include "../script/path_rule.h"
#include "../script/journal.h"
#include "../script/setup_script.h"

#include <lzexpand.h>

RegistryUpdateHook g_registryUpdateHook = NULL;

short FilePercentage(short file, short count)
{
    if (count <= 0)
        return 0;
    return (short)((100L * ((long)file + 1)) / (long)count);
}

static void OpenSourceFile(const char *path)
{
    OFSTRUCT openRecord;

    g_setup.sourceHandle = LZOpenFileA((LPSTR)path, &openRecord, OF_READ);
    if (g_setup.sourceHandle < 0)
        g_setup.sourceHandle = -1;
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
    if (lstrcmpiA(asked != NULL ? asked + 1 : path, opened) != 0) {
        LZClose(target);
        asked = TextFindLastChar(fallback, '\\');
        if (!fallbackThere && lstrcmpiA(asked != NULL ? asked + 1 : fallback, opened) == 0)
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
static int CopyToTarget(const char *path)
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

/* One file: its name, its source, then the target. A source that does
 * not arrive at its target ends the copying: the installation is not
 * complete. A missing source or an empty record only shows its progress.
 * 0 when the copying stops after it. */
static int CopyOneFile(CopyStep *step, CopyProgress progress, void *context)
{
    const FileRecord *record = FindFileRecord(step->disk, step->file);
    char path[TEXT_MAX], targetName[TEXT_MAX];
    int goOn, copied;

    step->name[0] = '\0';
    step->description[0] = '\0';
    targetName[0] = '\0';
    if (record != NULL) {
        TextCopy(targetName, sizeof(record->targetName), record->targetName);
        TextCopy(step->name, sizeof(record->sourceName), record->sourceName);
        TextCopy(step->description, sizeof(record->description), record->description);
    }
    step->percentage = FilePercentage(step->file, g_setup.fileCounts[step->disk]);
    if (!Tell(step, COPY_FILE_STARTED, progress, context))
        return 0;
    if (BuildSourcePath(path, sizeof(path), step->disk, step->file))
        OpenSourceFile(path);
    else
        g_setup.sourceHandle = -1;
    goOn = Tell(step, COPY_FILE_OPENED, progress, context);

    /* a name the package check refuses is never opened, whoever calls */
    copied = 1;
    if (record != NULL && CheckTargetName(targetName, record->targetIsAbsolute) != PATH_CONTAINED)
        path[0] = '\0';
    else if (!BuildTargetPath(path, sizeof(path), step->disk, step->file))
        path[0] = '\0';
    if (path[0] != '\0' && g_setup.sourceHandle != -1)
        MakeTargetParent(path);
    else if (g_setup.sourceHandle != -1) {
        LZClose(g_setup.sourceHandle);
        g_setup.sourceHandle = -1;
        copied = 0;
    }
    if (!CopyToTarget(path))
        copied = 0;
    return Tell(step, COPY_FILE_DONE, progress, context) && goOn && copied;
}

int CopyPackageFiles(CopyProgress progress, void *context)
{
    CopyStep step;

    FillBytes(&step, 0, sizeof(step));
    for (step.disk = 0; step.disk < g_setup.diskCount && step.disk < DISK_MAX; step.disk++) {
        step.file = 0;
        step.percentage = 0;
        step.name[0] = '\0';
        step.description[0] = '\0';
        if (!Tell(&step, COPY_DISK_STARTED, progress, context))
            return 0;
        for (step.file = 0; step.file < g_setup.fileCounts[step.disk]; step.file++) {
            if (!CopyOneFile(&step, progress, context))
                return 0;
        }
    }
    return 1;
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
    if (g_registryUpdateHook != NULL)
        g_registryUpdateHook(1);
    else
        UpdateRegistry(1);
    return 1;
}
