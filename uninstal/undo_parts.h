/* What the uninstaller's files share among themselves. */
#ifndef UNINSTAL_UNDO_PARTS_H
#define UNINSTAL_UNDO_PARTS_H

#include "uninstall.h"
#include "registry.h"
#include "path_rule.h"
#include "journal.h"

#define NAMES_MAX   64

extern Journal g_undoJournal;
extern const char *g_undoNames[NAMES_MAX];  /* the package's Windows file names */
extern int g_undoNameCount;
extern int *g_undoDone;     /* per FILE entry: the index of its DONE, or -1 */

#define UNDO_DONE 1     /* undone, or nothing was left to undo */
#define UNDO_KEPT 0     /* left as it is and listed */
#define UNDO_REFUSED (-1)   /* not the setup's to change: refused */

/* Paths and texts (allowed.cpp), compared as base's PathSame compares:
 * a text's start in any case, a key or path inside another (or it), the
 * name part, a full path without "." steps. */
int StartsNoCase(const char *text, const char *start, int length);
int PathBelow(const char *path, const char *dir);
int PathBelowOrSame(const char *path, const char *dir);
const char *NamePart(const char *path);
int PlainFullPath(const char *path);
int DirectoryAllowed(const char *path);
/* The device keys the journal's runs could have chosen and their driver
 * class keys, once per journal read; KeyAllowed and ValueAllowed accept
 * those only. */
void ChooseKeys(void);
/* The restore record's SubKey1 (classKey 0: path is the device) or
 * SubKey2 (classKey 1: path is its driver class key): only a device the
 * registration could choose, and the class key it names. */
int RecordedKeyAllowed(const char *device, const char *path, int classKey);

/* 1 for the restore record, installDir\SETUP.INF: the setup's own file. */
int IsRestoreRecord(const char *path);
/* 1 for a saved copy's path as the journal writer names it. */
int SavedCopyAllowed(const char *saved);

/* Reporting (undo_report.cpp): an entry that names something the setup
 * does not change, listed as refused (KeepListed, in uninstall.h, lists
 * what is kept). */
void Refuse(const JournalEntry *entry);

/* Single entries (undo_entries.cpp, undo_values.cpp): each returns
 * UNDO_DONE or UNDO_KEPT, or UNDO_REFUSED for an entry that names
 * something the setup does not change (the caller refuses it). */
int RemoveFile(const char *path);
int KeyIsEmpty(HKEY key);
int UndoEntry(int index);
int IsText(DWORD type);
int UndoValue(int index);

#endif
