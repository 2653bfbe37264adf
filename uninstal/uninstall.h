/* UNINSTAL.EXE: what one run knows besides the setup state (g_setup
 * holds the instance, the directories and the product name). */
#ifndef UNINSTAL_UNINSTALL_H
#define UNINSTAL_UNINSTALL_H

#include "../app/setup_state.h"

#define KEPT_TEXT_MAX   2048    /* the lines listing what was kept */
#define KEPT_SHOWN      12      /* kept items listed by name; the rest counted */
#define PENDING_MAX     64      /* paths left to WININIT.INI */
#define PATH_MAX_LONG   260
#define UNINSTALL_KEY   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel"

struct UninstallState {
    char ownPath[PATH_MAX_LONG];    /* this program */
    char logPath[TEXT_MAX];         /* installDir\UNINSTAL.INI */
    int haveLog;                    /* the log was there */
    int changes;                    /* values, lines, files and keys put back or removed */
    int restart;                    /* Windows must restart to finish */
    char kept[KEPT_TEXT_MAX];       /* one line per kept item */
    int keptCount;
    char pending[PENDING_MAX][PATH_MAX_LONG];  /* deleted at the next start */
    int pendingCount;
};

extern UninstallState g_uninstall;

/* Adds a line "what (why)" to the list of what was kept. */
void Keep(const char *what, UINT reasonId);

/* The key names of a section of the log, each ending in a zero and the
 * list in an empty name; null when there is none. Free with LocalFree. */
char *ReadLogKeys(const char *section);
/* The longest name of a key list not yet marked done (a leading '*'), so
 * that what lies deeper goes first; null when every name is done. */
char *NextDeepest(char *list);
/* A log entry, unescaped as text; 0 when absent or malformed. */
int ReadLogText(const char *section, const char *key, char *text, int size);

/* The full form of a path; 0, with it empty, when it does not fit. */
int FullPath(const char *path, char *full, int size);

/* The steps, in the order they run. */
void CloseCompanion(void);
void RestoreRegistry(void);
void RestoreSystemIni(void);
void RemoveFiles(void);
void RemoveRecord(void);
void RemoveDirectories(void);
void WriteWininit(void);

#endif
