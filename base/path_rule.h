/* The one path rule: what a path names as Windows reads it, whether it
 * stays below a directory, devices, and Windows' own files. SETUP.EXE's
 * package check, UNINSTAL.EXE's entry check and SETUPCHK all judge paths
 * with these routines and no others. The rule for a piece of the setup
 * script (CheckPathPiece, CheckTargetName) lives in containment.cpp, next
 * to the package check, so the uninstaller carries only the full-path
 * rule. */
#ifndef SETUP_PATH_RULE_H
#define SETUP_PATH_RULE_H

/* Why a path piece of the script is refused. */
#define PATH_CONTAINED  0
#define PATH_PARENT     1   /* a ".." step (also "..." and dots with blanks) */
#define PATH_DRIVE      2   /* a drive letter, or any ":" */
#define PATH_ROOTED     3   /* begins with "\" or "/" */
#define PATH_WILDCARD   4   /* "*", "?" or a character no file name holds */
#define PATH_DEVICE     5   /* CON, NUL, COM1, LPT1...: a device, not a file */
#define PATH_TRAILING   6   /* a name ending in a dot or a blank: Win32 drops them */
#define PATH_NO_NAME    7   /* an empty name, or ".": no file of its own */
#define PATH_WINDOWS_OWN 8  /* one of Windows' own files */

/* PATH_CONTAINED, or why the relative path text is refused. */
int CheckPathPiece(const char *text);
/* The same for a target name, which must also name a file: its last step
 * neither empty nor "."; into a Windows directory (windowsDir 1) never
 * one of Windows' own files. */
int CheckTargetName(const char *text, int windowsDir);
/* The words that say why, the same in SETUP.EXE's message and SETUPCHK's. */
const char *PathFaultText(int reason);
/* 1 for a name that stays in its place but is not the package's to
 * write (a device, a trailing dot or blank, no name, Windows' own file);
 * 0 for a path that leads outside. */
int PathFaultIsName(int reason);

/* "\\" and "/" both separate the steps of a path. */
int IsSeparator(char c);
/* The length of a step without its trailing dots and blanks, which Win32
 * drops. */
int TrimmedLength(const char *step, int length);

/* ---- The path rule for full paths (the uninstaller's entries); the
 * pieces above rest on the same steps, devices and own files ---- */

/* The full path as Windows reads it: "\" and "/" both separate; empty
 * and "." steps go, ".." goes one level up and "..." two (as Windows 95
 * reads it; never above the root); each step loses its trailing dots and
 * blanks. "X:\STEP\STEP", or "X:\" for the root. 0 (and an empty buffer)
 * for a path without a drive or one that does not fit. */
int CanonicalPath(char *canonical, int size, const char *path);
/* 1 when the path is its own canonical form and no step of it is a
 * device: a path as the journal writer writes it. */
int IsPlainFullPath(const char *path);
/* The one comparison of paths: the same text, A to Z equal to a to z. */
int PathSame(const char *a, const char *b);
/* 1 when path lies below dir (not dir itself), their canonical forms
 * compared. */
int PathWithin(const char *path, const char *dir);
/* 1 when the step [step, step + length) names a device: CON, NUL, AUX,
 * PRN, COM1-9, LPT1-9, CONIN$, CONOUT$, CLOCK$, with any extension. */
int IsDeviceName(const char *step, int length);
/* 1 when the name (the last step of a path; trailing dots and blanks do
 * not count) is one of Windows' own files: WIN.INI, SYSTEM.INI, any
 * .INI, .DAT, .SYS or .COM, KRNL386.EXE... */
int IsWindowsOwnFile(const char *name);

#endif
