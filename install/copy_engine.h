/* The copy engine: every file of the file table from the package to its
 * target, then the registry update. It never touches a window: it tells
 * each step to a progress routine, which shows it and answers whether to
 * go on. */
#ifndef SETUP_COPY_ENGINE_H
#define SETUP_COPY_ENGINE_H

#include "setup_state.h"

/* The steps, in the order they come for each disk and file. */
#define COPY_DISK_STARTED       1   /* disk */
#define COPY_FILE_STARTED       2   /* disk, file, name, description, percentage */
#define COPY_FILE_OPENED        3   /* its source is open, or is missing */
#define COPY_FILE_DONE          4   /* its target is written, or failed */
#define COPY_UPDATING_REGISTRY  5   /* every file arrived */
/* Questions, asked when a source cannot be read; the answers follow. */
#define COPY_DISK_WANTED        6   /* disk, label, drive: its disk is not in the drive */
#define COPY_FILE_MISSING       7   /* name, description, path: its source cannot be read */

/* Answers to COPY_FILE_MISSING; to COPY_DISK_WANTED 1 looks again and
 * 0 cancels. 0 is Abort, the install page's Cancel. */
#define COPY_ABORT              0
#define COPY_RETRY              1
#define COPY_IGNORE             2

/* LZOpenFileA takes paths shorter than its open-file record's room. */
#define LZ_PATH_MAX             OFS_MAXPATHNAME

struct CopyStep {
    int kind;
    short disk;
    short file;
    short percentage;               /* of the disk's files, this one included */
    char name[TEXT_MAX];            /* the file's name in the package */
    char description[TEXT_MAX];
    char path[TEXT_MAX];            /* COPY_FILE_MISSING: where it was looked for */
    char label[TEXT_MAX];           /* COPY_DISK_WANTED: the disk's label */
    char drive[4];                  /* COPY_DISK_WANTED: "A:" */
};

/* Answers 1 to go on. 0 before a disk or a file does not start it; 0
 * later stops the copying once the file under way is done. */
typedef int (*CopyProgress)(const CopyStep *step, void *context);

/* Copies every file of every disk until the progress routine says stop
 * or a file does not arrive whole at its target. A source that cannot be
 * read is asked about (COPY_DISK_WANTED when the package lies on a
 * removable drive and the file's disk is not in it, else
 * COPY_FILE_MISSING); a file ignored then is counted in filesIgnored
 * and named in ignoredNames. 1 when every file arrived or was ignored. */
int CopyPackageFiles(CopyProgress progress, void *context);
/* The same, then, when every file arrived, the registry update. 0 when
 * the installation did not complete: nothing is then registered. */
int InstallPackage(CopyProgress progress, void *context);

/* Called instead of UpdateRegistry when set; null in the program, only
 * the tests set it. */
typedef int (*RegistryUpdateHook)(int flag);
extern RegistryUpdateHook g_registryUpdateHook;

/* Share of the disk's files reached with file `file` (from 0) under way. */
short FilePercentage(short file, short count);

/* Makes every missing level of a directory that lies below installDir,
 * each one recorded for the uninstaller; a path outside it is left
 * alone. 1 when the whole directory is there. */
int MakeTargetDirectory(const char *path);

#endif
