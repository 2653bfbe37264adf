/* The copy engine: every file of the file table from the package to its
 * target, then the registry update. It never touches a window: it tells
 * each step to a progress routine, which shows it and answers whether to
 * go on. */
#ifndef SETUP_COPY_ENGINE_H
#define SETUP_COPY_ENGINE_H

#include "../app/setup_state.h"

/* The steps, in the order they come for each disk and file. */
#define COPY_DISK_STARTED       1   /* disk */
#define COPY_FILE_STARTED       2   /* disk, file, name, description, percentage */
#define COPY_FILE_OPENED        3   /* its source is open, or is missing */
#define COPY_FILE_DONE          4   /* its target is written, or failed */
#define COPY_UPDATING_REGISTRY  5   /* every file arrived */

struct CopyStep {
    int kind;
    short disk;
    short file;
    short percentage;               /* of the disk's files, this one included */
    char name[TEXT_MAX];            /* the file's name in the package */
    char description[TEXT_MAX];
};

/* Answers 1 to go on. 0 before a disk or a file does not start it; 0
 * later stops the copying once the file under way is done. */
typedef int (*CopyProgress)(const CopyStep *step, void *context);

/* Copies every file of every disk until the progress routine says stop
 * or a file does not arrive whole at its target. 1 when all arrived. */
int CopyPackageFiles(CopyProgress progress, void *context);
/* The same, then, when every file arrived, the registry update. 0 when
 * the installation did not complete: nothing is then registered. */
int InstallPackage(CopyProgress progress, void *context);

/* Called instead of UpdateRegistry when set; null in the program, only
 * the tests set it. */
typedef void (*RegistryUpdateHook)(int flag);
extern RegistryUpdateHook g_registryUpdateHook;

/* Share of the disk's files reached with file `file` (from 0) under way. */
short FilePercentage(short file, short count);

/* Makes every missing level of a directory that lies below installDir,
 * each one recorded for the uninstaller; a path outside it is left
 * alone. 1 when the whole directory is there. */
int MakeTargetDirectory(const char *path);

#endif
