/* The change journal: installDir\UNINSTAL.LOG, the one record of every
 * change the setup makes to the machine and of how to undo it. SETUP.EXE
 * writes it, UNINSTAL.EXE reads it; both use this one writer and reader.
 *
 * Design:
 * - Write-ahead. Every entry goes into the file before the change it
 *   describes is made: a file's intent before it is created (and an
 *   existing file is saved first, as installDir\<offset>.SAV), its size
 *   and checksum after it is complete; a key's missing levels before it
 *   is created; a value with its original before it is set; the
 *   system.ini mouse line and the VMOUSE.VXD move before they happen. A
 *   process ended at any point leaves entries for everything it did, and
 *   a file without its completion entry is a half-written one.
 * - Durable where it destroys. The line is in the system's file cache
 *   before the change is made, so it outlives a process that is ended.
 *   A power cut may lose cached lines while later changes reached the
 *   disk, so an entry whose change destroys or replaces something that
 *   existed (a file written over or saved, a value that existed, the
 *   mouse line, a move, a replace) is flushed to the disk before the
 *   change, the saved copy with it. Entries for what did not exist (a new
 *   file, directory, key or value) wait for the next flush: a disk write
 *   per file copied would cost more than the copy.
 * - Replaces in two renames. A file replaced by renaming (system.ini,
 *   the uninstaller's safe replace) is described by one SWAP line before
 *   the first step, with every temporary name. The next run of either
 *   program first finishes what such a replace left (JournalFinishReplaces):
 *   a target that is missing comes back from the name it was set aside
 *   as, and the temporary names go.
 * - Append-only. One text line per entry, written by one WriteFile at
 *   the end of the open file: the cost of an entry does not grow with
 *   the journal. Each line ends with a CRC-32 of its text, so a cut or
 *   damaged line is known and nothing else is lost. A torn last line
 *   found by the next run is closed off with a line end before it adds;
 *   the reader counts it as damaged, as any line that does not read
 *   (a byte-order mark included).
 * - Runs add up. Each run (an installation, a rerun, a -u run) starts
 *   with a RUN line and ends with an END line; the uninstaller undoes
 *   every entry newest first. It appends UNDO lines for the entries it
 *   has undone, so that a run ended part-way goes on where it stopped.
 * - Its own reader. The file is read whole with the file functions, not
 *   with the profile functions and their size limit.
 *
 * A line: KIND FIELD... *CRC, fields separated by one blank, each field
 * escaped ("%XX" for every byte up to the blank, from DEL up, '%' and
 * '*'; a lone "%" is the empty field), so no field holds a line break, a
 * zero byte or a blank. Kinds and fields:
 *   RUN version mode product      a run begins (mode N normal, U -u)
 *   NAMES name...                 file names the package puts into the
 *                                 Windows, SYSTEM and INF directories
 *   DIR path                      a directory is about to be made
 *   FILE path NEW                 a file that did not exist is about to
 *                                 be written
 *   FILE path OLD size crc saved  an existing file (size and checksum)
 *                                 is about to be saved as `saved` and
 *                                 then written over
 *   DONE path size crc            the file as the setup completed it
 *   KEY root\path                 a missing key level about to be made
 *   VALUE root\path name otype odata type data
 *                                 a value about to be set: its original
 *                                 (otype "-": it did not exist; "?": too
 *                                 long to keep) and what is written
 *   LINE old new                  the system.ini mouse line about to be
 *                                 replaced
 *   MOVE from to                  a file about to be renamed
 *   END                           the run ended
 *   UNDO offset                   the entry at that byte offset has been
 *                                 undone (written by the uninstaller), or
 *                                 the replace at that offset is finished
 *   SWAP target fresh aside how   target is about to be replaced: the new
 *                                 bytes are written as fresh, target is
 *                                 renamed to aside ("-": target did not
 *                                 exist), fresh to target; how is "K" when
 *                                 aside is a backup that stays (system.bak),
 *                                 "T" when it is a temporary name that goes */
#ifndef SETUP_JOURNAL_H
#define SETUP_JOURNAL_H

#include <windows.h>

#define JOURNAL_NAME        "UNINSTAL.LOG"
#define JOURNAL_LINE_MAX    8192    /* longest line read back */
#define JOURNAL_ORIGINAL_MAX 2048   /* longest original value kept */
#define JOURNAL_FIELDS_MAX  8
#define JOURNAL_VERSION     "1"

/* ---- Writing (SETUP.EXE; UNINSTAL.EXE for its UNDO lines) ----
 * Each writer answers 1 when its entry reached the journal, or when no
 * journal is kept (turned off, or no destination yet); 0 when the entry
 * could not be written: the change it describes must then not be made. */

/* On unless a program turns it off. */
void JournalEnable(int on);
/* installDir\UNINSTAL.LOG; 0 when there is no directory or it does not fit. */
int BuildJournalPath(char *path, int size);
/* Opens the journal of installDir when it is not open yet, with its
 * run's first lines (the directories made before it had a place, RUN,
 * NAMES), flushed: the destination page calls it as soon as it has made
 * the directory. 0 when there is no journal. */
int JournalOpen(void);
/* A directory about to be made (before CreateDirectoryA). When it is the
 * journal's own directory (or above it), the entry goes in first when
 * the journal is opened. */
int JournalDirectory(const char *path);
/* Before a file is created or written over: an existing file is saved
 * first. 0 when its entry (NEW or OLD) could not be written or an
 * existing file could not be saved: the caller must then not write it.
 * 1 otherwise, also without a journal. */
int JournalFileBefore(const char *path);
/* After the file is complete: its size and checksum. */
int JournalFileDone(const char *path);
/* Before a key is created or opened for writing: its missing levels;
 * the values written next belong to this key. */
int JournalKey(HKEY root, const char *path);
/* Before a value of the key last named is set: its original and the new data. */
int JournalValue(HKEY key, const char *name, DWORD type, const BYTE *data, DWORD size);
/* Before the system.ini mouse line is replaced (each up to its line end). */
int JournalMouseLine(const char *oldLine, const char *newLine);
/* Before a file is renamed. */
int JournalMove(const char *from, const char *to);
/* The run ended; the journal is closed. */
int JournalEnd(void);
/* Closes the journal without an END line (the tests' runs). */
void JournalClose(void);
/* The uninstaller: "UNDO offset" appended to the journal at path, which
 * stays open for the next one until JournalUndoneClose. */
int JournalUndone(const char *path, DWORD offset);
void JournalUndoneClose(void);
/* Where a program without a journal of its own (the uninstaller) writes
 * its SWAP lines: the journal at path, while it exists; null: nowhere. */
void JournalReplacesTo(const char *path);
/* Before the first step of a replace (see SWAP above), flushed: full
 * paths, aside null when target does not exist. A mark for JournalReplaceDone, 0 when
 * no journal took the line. */
DWORD JournalReplace(const char *target, const char *fresh, const char *aside, int asideKept);
/* The replace is finished (or was left for the next start of Windows):
 * its UNDO line. 1 when it is written or there is none to write; a
 * replace whose UNDO is missing is found finished by the next run. */
int JournalReplaceDone(DWORD mark);
/* Finishes what replaces cut short left, newest first, before anything
 * else is done: a missing target comes back from its aside copy (or its
 * complete fresh one), the temporary names go; each SWAP handled gets an
 * UNDO line. The number of files renamed back or removed. */
int JournalFinishReplaces(const char *path);

/* ---- Reading ---- */

enum JournalKind {
    J_RUN, J_NAMES, J_DIR, J_FILE, J_DONE, J_KEY, J_VALUE, J_LINE, J_MOVE, J_END, J_UNDO, J_SWAP, J_KINDS
};

/* "RUN", "NAMES", ...: each kind's name as its lines begin. */
extern const char *const g_journalKindNames[J_KINDS];

struct JournalEntry {
    DWORD offset;                       /* of its line in the file */
    int kind;
    int fieldCount;
    char *fields[JOURNAL_FIELDS_MAX];   /* unescaped, each followed by a zero */
    DWORD lengths[JOURNAL_FIELDS_MAX];  /* bytes before that zero; a field may hold zeros */
};

struct Journal {
    char *text;                 /* the file, its fields unescaped in place */
    JournalEntry *entries;      /* in the order of the file */
    int count;
    int damaged;                /* lines that are not whole entries */
    int lastRunEnded;           /* the last run has its END line */
    int runs;
};

/* Reads the journal at path; 0 when there is no such file or it cannot
 * be read (journal then empty). An empty file reads as a journal with no
 * run. Free with JournalFree. */
int JournalRead(const char *path, Journal *journal);
void JournalFree(Journal *journal);
/* The entry before index `before` that starts at a byte offset, or -1
 * (the entries are in the order of the file, their offsets rising). */
int JournalEntryAt(const Journal *journal, DWORD offset, int before);
/* A field as a number (decimal, or hexadecimal with hex 1); 0 when it is not one. */
int JournalNumber(const JournalEntry *entry, int field, int hex, DWORD *number);
/* 1 when the field is a text without zero bytes. */
int JournalText(const JournalEntry *entry, int field);

/* "HKLM" or "HKCR" for the roots the setup writes below; null otherwise. */
const char *JournalRootName(HKEY root);
/* "HKLM\path" into its root and path; null root when it is not one. */
HKEY JournalSplitKey(const char *named, const char **path);

/* ---- The safe replace (safe_replace.cpp) ---- */

/* Puts a copy of `from` in place of `target`: the copy is made beside the
 * target under a name of its own, then the target is set aside and the
 * copy renamed into its place (a rename never replaces a file). The
 * journal describes the replace with both names first (JournalReplace),
 * so a run ended between the renames is finished by the next. When the
 * target is in use, the copy is left to replace it at the next start of
 * Windows (*later is then 1). 1 when done or left for the restart. */
int ReplaceFileSafely(const char *from, const char *target, int *later);

#endif
