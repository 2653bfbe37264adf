/* The platform's paths all three programs need: the Windows and system
 * directories, the full form of a path and its directory part. */
#ifndef SETUP_PATHS_H
#define SETUP_PATHS_H

/* Used instead of the platform's system directory when set; null in the
 * programs, only the tests set it. */
extern const char *g_systemDirHook;

/* The Windows or the system directory; 0 (and an empty buffer) when it
 * does not fit: every path built from it is then refused, never cut. */
int ReadWindowsDirectory(char *buffer, int size);
int ReadSystemDirectory(char *buffer, int size);

/* The full form of a path, "." steps and doubled separators taken out;
 * 0 (and an empty buffer) when it does not fit. */
int FullPath(char *full, int size, const char *path);

/* The directory part of a path, up to its last separator ("C:\DIR" of
 * "C:\DIR\NAME"); 0 when there is none or it does not fit whole. */
int PathDirectory(char *dir, int size, const char *path);

/* 1 when the path lies on a removable drive (a floppy disk drive); its
 * drive ("A:") then in drive. */
int PathOnRemovableDrive(const char *path, char *drive, int size);

#endif
