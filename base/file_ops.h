/* File operations every program shares: the checksum that tells a file
 * again, the whole-file copy and the WININIT.INI lines that finish at the
 * next start of Windows what cannot be done now. All through the
 * platform's own file calls. */
#ifndef SETUP_FILE_OPS_H
#define SETUP_FILE_OPS_H

#include <windows.h>

/* CRC-32 (the common polynomial) of the bytes, continued from crc (0 to
 * start). */
DWORD Crc32(DWORD crc, const BYTE *bytes, DWORD count);

/* The file's size and checksum; 0 when it cannot be read whole (absent,
 * in use for writing, a directory). */
int FileSum(const char *path, DWORD *size, DWORD *crc);

/* Commits an open file's written data to the disk (the cache may hold
 * it past a power cut otherwise); FileFlushCount counts the calls made
 * in this process. */
int FileFlush(HANDLE file);
long FileFlushCount(void);

/* 1 when the path names an existing file (not a directory). */
int IsFile(const char *path);

/* Copies `from` into a new file `to` (one there is replaced), with the
 * same last-write time, committed to the disk; 1 when the
 * whole file arrived, else `to` is removed. The copy's size and checksum
 * come back when the pointers are given. */
int CopyWholeFile(const char *from, const char *to, DWORD *size, DWORD *crc);

/* A free name beside the target: the stem (three characters), a number
 * and ".TMP", an 8.3 name. 0 when there is none. */
int FreeNameBeside(char *name, int size, const char *target, const char *stem);

/* Adds "target=source" at the end of [rename] of WININIT.INI in the
 * Windows directory (WININIT.EXE works top to bottom, so the lines run in
 * the order written): source replaces target at the next start; a null
 * target deletes source ("NUL=source"). Windows 95 renames and deletes files
 * only, and only under short names: a directory is refused, and every
 * path is written in its 8.3 form. A new file is written and renamed, so
 * an earlier WININIT.INI is never lost. 1 when the line is in the file. */
int WininitAdd(const char *windowsDir, const char *target, const char *source);

#endif
