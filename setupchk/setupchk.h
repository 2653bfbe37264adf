/* SETUPCHK: checks a package the way SETUP.EXE will see it, through the
 * setup's own script loader, containment check and copy paths. */
#ifndef SETUPCHK_H
#define SETUPCHK_H

/* Results of CheckPackage, which SETUPCHK.EXE returns as its exit status. */
#define CHECK_CLEAN       0     /* no error (warnings allowed) */
#define CHECK_PROBLEMS    1     /* errors, or warnings with CHECK_STRICT */
#define CHECK_UNREADABLE  2     /* the package cannot be read */

/* Options. */
#define CHECK_STRICT      1     /* warnings count as errors */

/* Kinds of output text. */
#define CHECK_INFO        0     /* the settings, the file table, the summary */
#define CHECK_WARNING     1     /* "PATH(LINE): warning: what. Setup: what it does." */
#define CHECK_ERROR       2     /* the same with "error" */
#define CHECK_FAILURE     3     /* why the package cannot be read */

/* line: of SETUP.INF, from 1; 0 when the text has none. */
typedef void (*CheckOutput)(int kind, int line, const char *text, void *context);

/* The Windows directory the targets are shown with. */
#define SAMPLE_WINDOWS_DIR "C:\\WINDOWS"

/* Loads packageDir\SETUP.INF as the setup does, with the setup state's
 * instance for the string table, and reports the settings, the file
 * table and every finding in the order of its lines. */
int CheckPackage(const char *packageDir, int options, CheckOutput output, void *context);
/* The same, with the findings naming the package folder as shownDir, its
 * path on the machine that runs the check under Wine ("/home/me/pkg"):
 * "shownDir/SETUP.INF:LINE: error: ...", and the paths in the folder
 * with "/", so that the editors there open them. Null: as CheckPackage. */
int CheckPackageShown(const char *packageDir, const char *shownDir, int options,
                      CheckOutput output, void *context);

/* A change journal (UNINSTAL.LOG) in plain words: every run and entry
 * with its line of the file, each damaged line marked (as a
 * CHECK_WARNING). CHECK_CLEAN when every line is a whole entry,
 * CHECK_PROBLEMS with damaged lines, CHECK_UNREADABLE without a journal. */
int ListJournal(const char *path, CheckOutput output, void *context);

/* SETUPCHK.EXE's command line, program name first, then PACKAGE_DIR
 * [--strict] [--quiet] [--unix-path=PATH], or --journal PATH; prints to the standard output and returns the
 * exit status. */
int RunPackageCheck(const char *commandLine);

#endif
