/* The setup script SETUP.INF: loading it into the setup state, and the
 * file table. */
#ifndef SETUP_SCRIPT_H
#define SETUP_SCRIPT_H

#include "setup_state.h"

/* Reads sourceDir\SETUP.INF into the setup state and builds the file
 * table. Needs instance and windowsDir. 0 when the program's directory
 * does not fit sourceDir or the table's memory cannot be had. */
int LoadSetupScript(void);
/* The same for the program at programPath. */
int LoadSetupScriptFrom(const char *programPath);

void FreeFileTable(void);

/* Windows 95's profile functions read no more of an INI file than this:
 * the records of a longer SETUP.INF would come back empty. */
#define SCRIPT_SIZE_MAX 65536UL
/* The size of the file at path; 0 when it cannot be had. */
int ScriptSize(const char *path, DWORD *size);
/* The script LoadSetupScript read: its path, and 1 unless it is longer
 * than the profile functions read. */
const char *ScriptPath(void);
int ScriptWithinReach(void);

/* The record, or null when the disk or the file is out of the table. */
const FileRecord *FindFileRecord(int disk, int file);
/* Full source or target path of record `file` of disk `disk`; 0 (and an
 * empty buffer) when it does not fit. */
int BuildSourcePath(char *buffer, int size, int disk, int file);
int BuildTargetPath(char *buffer, int size, int disk, int file);

/* Copies the next comma-separated field of text, without leading and
 * trailing blanks, into field (size characters); returns where the
 * following field starts. */
const char *SplitField(const char *text, char *field, int size);

/* What the loader did with a file line it could not take whole, told to
 * g_scriptNoteHook when one is set (the package checker sets it; SETUP.EXE
 * leaves it null). text: the line or the field concerned. */
#define SCRIPT_NOTE_LINE_TOO_LONG   1   /* line refused: record left empty */
#define SCRIPT_NOTE_NAME_TOO_LONG   2   /* a name does not fit: record left empty */
#define SCRIPT_NOTE_DIR_TOO_LONG    3   /* text: the directory key; record left empty */
#define SCRIPT_NOTE_UNKNOWN_DIR_KEY 4   /* text: the key; directory fields stay empty */
#define SCRIPT_NOTE_DESCRIPTION_CUT 5   /* text: the whole description */
typedef void (*ScriptNoteHook)(const FileRecord *record, int note, const char *text);
extern ScriptNoteHook g_scriptNoteHook;

/* The base directory of the default path rule when the script gives no
 * drive: the registry's "ProgramFilesDir", or this when the key is missing. */
#define PROGRAM_FILES_KEY     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define PROGRAM_FILES_DEFAULT "C:\\Program Files"

#endif
