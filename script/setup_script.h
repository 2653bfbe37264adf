/* The setup script SETUP.INF: loading it into the setup state, and the
 * file table. */
#ifndef SETUP_SCRIPT_H
#define SETUP_SCRIPT_H

#include "../app/setup_state.h"

/* Reads sourceDir\SETUP.INF into the setup state and builds the file
 * table. Needs instance and windowsDir. 0 when the program's directory
 * does not fit sourceDir or the table's memory cannot be had. */
int LoadSetupScript(void);
/* The same for the program at programPath. */
int LoadSetupScriptFrom(const char *programPath);

int AllocFileTable(short recordCount);
void FreeFileTable(void);

/* Copies the next comma-separated field of text, without leading and
 * trailing blanks, into field (size characters); returns where the
 * following field starts. */
const char *SplitField(const char *text, char *field, int size);

/* The base directory of the default path rule when the script gives no
 * drive: the registry's "ProgramFilesDir", or this when the key is missing. */
#define PROGRAM_FILES_KEY     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define PROGRAM_FILES_DEFAULT "C:\\Program Files"

#endif
