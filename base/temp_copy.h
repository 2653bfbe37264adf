/* A program that must not run from where it lies (a directory it is to
 * remove, a floppy disk that is to be swapped) carries on from a copy of
 * itself in the Windows TEMP directory. The copy is started with
 * "/from <process id> <directory>", waits for its starter to end, and
 * leaves its own file to WININIT.INI. */
#ifndef SETUP_TEMP_COPY_H
#define SETUP_TEMP_COPY_H

#define COPY_SWITCH "/from "

/* This program's full path; 0 when it does not fit. */
int OwnPath(char *path, int size);
/* Copies the program at ownPath into TEMP under the first free name of
 * namePattern ("%02d" numbers it) and starts it with the switch naming
 * dir; 1 when it runs (the caller then ends). */
int StartCopyInTemp(const char *ownPath, const char *namePattern, const char *dir);
/* 1, with the directory the switch names, when the command line (the
 * arguments) is a copy's; waits first for the program that started it
 * to end. */
int ReadCopyCommand(const char *commandLine, char *dir, int size);

#endif
