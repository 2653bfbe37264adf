/* UNINSTAL.EXE's logic, a library of its own (the program adds only its
 * entry point and its messages): it undoes what the change journal of
 * the installation directory lists, newest first.
 *
 * - Only what the setup could have made is touched. A file entry must
 *   lie in the installation directory, or directly in the Windows,
 *   SYSTEM or INF directory under a name the package installs (never
 *   one of Windows' own .INI, .DAT, .SYS or .COM files), or be one of the
 *   setup's two backups; a key or value must be one of the component
 *   table, the device a run of the setup took over or made (one a
 *   takeover could choose, or its own root device) or that device's
 *   driver class key; the mouse line must be a "mouse=" line that fits
 *   its line and makes no other key or section. Paths are judged by
 *   the setup's one path rule (base/path_rule.h): an entry that is
 *   not its own canonical form is refused. Every other entry is
 *   refused and listed, and the removal counts as not complete.
 * - A thing is undone only while it is as the setup left it: a file by
 *   its size and checksum, a value by its data, the mouse line by its
 *   text. What changed since is kept and listed. A replaced file comes
 *   back byte for byte from its saved copy.
 * - Each undone entry gets an UNDO line in the journal, so a run that is
 *   ended part-way goes on where it stopped when started again.
 * - Something left is final or pending. A user's change since the
 *   installation (a value, a file) is the user's: it is left, listed,
 *   and final. Only what cannot be done yet (a file in use, a failed
 *   step, a damaged journal, a refused entry) is pending.
 * - The way back (the uninstall entry, the restore record, the journal,
 *   this program and the installation directory) goes last, once
 *   nothing pending is left: then another run could do no more. While
 *   something is pending, the journal, the restore record and the
 *   program stay for another run.
 * - The setup's own files (the restore record, the saved copies, the
 *   journal) are never changed since: the record is written value by
 *   value, and a record cut part-way is still the setup's.
 * - A file is put back only over bytes the journal accounts for (its
 *   completion entry, the saved original): other bytes are set aside
 *   under a name beside it and listed, never destroyed.
 * - A journal is damaged when a line does not read or something on the
 *   machine says it lost lines (the uninstall entry names this program
 *   and has no entry); it is whole when it is not damaged and its last
 *   run ended. A journal that is not whole is incomplete: the message
 *   says so, and the restore record's values are put back besides. A
 *   damaged journal keeps the way back for another run; a last run
 *   without its END does not: nothing tells more about it.
 * - Without a journal only what names this directory is removed (the
 *   component entries), and the directory when nothing else is in it. */
#ifndef UNINSTAL_UNINSTALL_H
#define UNINSTAL_UNINSTALL_H

#include "setup_state.h"

#define KEPT_TEXT_MAX   3072    /* the lines listing what was kept */
#define KEPT_SHOWN      12      /* items listed by name; the rest counted */
#define PENDING_MAX     64      /* files left to WININIT.INI */
#define UNINSTALL_PROGRAM "UNINSTAL.EXE"

struct UninstallState {
    char programPath[MAX_PATH];     /* the installed program: installDir\UNINSTAL.EXE */
    char journalPath[MAX_PATH];
    char systemDir[MAX_PATH];
    int runningCopy;                /* this process runs from a copy elsewhere */
    int haveJournal;
    int whole;                      /* the journal is whole (see above) */
    int damaged;                    /* the journal is damaged (see above) */
    int changes;                    /* things put back or removed */
    int restart;                    /* Windows must restart to finish */
    int wininitFailed;              /* a WININIT.INI line could not be written */
    int directoryInUse;             /* the directory stays for a file in use */
    char kept[KEPT_TEXT_MAX];       /* "\n- what (why)" per kept item */
    int keptCount;
    int keptDirectories;            /* of them directories, not empty or in use */
    int keptFinal;                  /* of them the user's changes and bytes set aside */
    char refused[KEPT_TEXT_MAX];    /* "\n- entry" per refused entry */
    int refusedCount;
    char pending[PENDING_MAX][MAX_PATH];  /* deleted at the next start */
    int pendingCount;
};

extern UninstallState g_uninstall;

/* Reasons, the ids of UNINSTAL.EXE's string table. */
void KeepListed(const char *what, UINT reasonId);

/* Sets the installation directory (and the paths that follow from it);
 * 0 when it is unusable (a drive root, the Windows directory or above). */
int UninstallSetDirectory(const char *installDir);
/* Does the whole removal; the results are in g_uninstall. */
void UninstallRun(void);

/* The final message into text; 1 when it asks to restart Windows. */
int UninstallMessage(char *text, int size);

/* ---- the parts, for the tests ---- */
/* Reads the journal and what it allows (the keys its runs chose); 0 when
 * there is none. Free with UninstallFreeJournal. */
int UninstallReadJournal(void);
void UninstallFreeJournal(void);
int FileAllowed(const char *path, const char *const *names, int nameCount);
int KeyAllowed(const char *named);
int ValueAllowed(const char *named, const char *name);
int MouseLineAllowed(const char *line, DWORD length);

#endif
