/* The uninstall log: installDir\UNINSTAL.INI, a profile file of its own
 * that tells the uninstaller what the setup changed, beyond the restore
 * record: every file and directory it made, every registry key it made
 * and every value it wrote with the value's original, the system.ini
 * mouse line it replaced and the VMOUSE.VXD move. An original is written
 * once: a repeated installation or a -u run adds, and never overwrites
 * what an earlier run found.
 *
 * Every text goes into the file escaped (LogEscape), so that no value or
 * key name can make another key or section, lose its blanks or quotes,
 * or hide a zero byte. */
#ifndef SETUP_UNINSTALL_LOG_H
#define SETUP_UNINSTALL_LOG_H

#include <windows.h>

#define UNINSTALL_LOG_NAME      "UNINSTAL.INI"
#define LOG_SECTION_PRODUCT     "Product"
#define LOG_SECTION_FILES       "Files"
#define LOG_SECTION_DIRECTORIES "Directories"
#define LOG_SECTION_KEYS        "Keys"
#define LOG_SECTION_VALUES      "Values"
#define LOG_SECTION_SYSTEM_INI  "SystemIni"

#define LOG_ENTRY_MAX   4096    /* room for one entry read back */
#define LOG_ORIGINAL_MAX 1024   /* longest original value that is kept */
#define LOG_ABSENT      "-"     /* type of an original that did not exist */
#define LOG_UNKNOWN     "?"     /* type of an original too long to keep */

/* Writing the log is on unless a program turns it off: the uninstaller
 * uses the same routines and must not log its own changes. */
void UninstallLogEnable(int on);

/* installDir\UNINSTAL.INI; 0 when there is no directory or it does not fit. */
int BuildUninstallLogPath(char *path, int size);

/* Escapes bytes into text: "%XX" for every byte outside the printable
 * range and for blank, '%', '=', '[', ']', ';', '"', ',' and '|'. 1 when
 * the whole text fitted, else 0 with the buffer empty. */
int LogEscape(char *text, int size, const BYTE *data, DWORD length);
/* The reverse; 1 when the text was well formed and fitted in size bytes
 * (a terminating zero is added when there is room). */
int LogUnescape(BYTE *data, DWORD size, const char *text, DWORD *length);

/* "HKLM" or "HKCR" for the roots the setup writes below; null otherwise. */
const char *LogRootName(HKEY root);
HKEY LogRootKey(const char *name);

/* The hooks of the setup. Each does nothing without an installDir. */
/* Before a target file is opened for writing: notes whether it was there. */
void UninstallLogFileBefore(const char *path);
/* After it was written: its entry, with its size and time to know it
 * again, goes into the log. */
void UninstallLogFileAfter(const char *path);
/* A directory the setup has just made; it goes into the log with the
 * next entry that is written there. */
void UninstallLogDirectory(const char *path);
/* Before a key is created or opened for writing: every level of the path
 * that is missing now will be the setup's; the values written next go to
 * this key. */
void UninstallLogKey(HKEY root, const char *path);
/* Before a value of the key named by the last UninstallLogKey is
 * written: its original (once) and what is written now. */
void UninstallLogValue(HKEY key, const char *name, DWORD type, const BYTE *data, DWORD size);
/* The system.ini mouse line about to be replaced, and its replacement. */
void UninstallLogMouseLine(const char *oldLine, const char *newLine);
/* Before the setup deletes an older backup (system.bak or VMOUSE.BAK) to
 * make room for its own: whether one was there, under that key. */
void UninstallLogBackup(const char *key, const char *path);
/* VMOUSE.VXD has been moved aside as VMOUSE.BAK. */
void UninstallLogVmouseMoved(void);

#endif
