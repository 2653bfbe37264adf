/* The file table's paths: where each record's file is in the package and
 * where it goes. */
#include "setup_script.h"
#include "text.h"

const FileRecord *FindFileRecord(int disk, int file)
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
 * drive, an empty name would name a directory. An empty middle (a
 * directory value left empty) leaves one separator: base "\" name. */
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
    fits = fits && TextCopy(piece, middleSize, middle);
    if (fits && piece[0] != '\0')
        fits = TEXT_APPEND(path, piece) && TEXT_APPEND(path, "\\");
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
    const FileRecord *record = FindFileRecord(disk, file);

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
    const FileRecord *record = FindFileRecord(disk, file);
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
