/* SETUPCHK: checks a package the way SETUP.EXE will see it, through the
 * setup's own script loader and copy paths. */
#ifndef SETUPCHK_H
#define SETUPCHK_H

/* Results of CheckPackage, which SETUPCHK.EXE returns as its exit status. */
#define CHECK_CLEAN       0
#define CHECK_PROBLEMS    1
#define CHECK_UNREADABLE  2

/* Kinds of output text. */
#define CHECK_INFO        0     /* the settings and the file table */
#define CHECK_PROBLEM     1     /* line: of SETUP.INF, 0 when it has none */
#define CHECK_ERROR       2     /* why the package cannot be read */

typedef void (*CheckOutput)(int kind, int line, const char *text, void *context);

/* The Windows directory the targets are shown with. */
#define SAMPLE_WINDOWS_DIR "C:\\WINDOWS"

/* Loads packageDir\SETUP.INF as the setup does, with the setup state's
 * instance for the string table, and reports the settings, the file
 * table and the problems in the order of their lines. */
int CheckPackage(const char *packageDir, CheckOutput output, void *context);

#endif
