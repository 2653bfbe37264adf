/* Containment of a package: every file the script names is read from
 * inside the package folder and written inside the destination directory
 * or the Windows, SYSTEM or INF directory. The script's names and
 * directory values are therefore plain relative paths: no ".." step, no
 * drive, no path from the root, no wildcard, no device. SETUP.EXE refuses
 * a package that breaks this before it copies anything; SETUPCHK reports
 * every breach with the same routine. */
#ifndef SETUP_CONTAINMENT_H
#define SETUP_CONTAINMENT_H

#include "setup_state.h"

#include "path_rule.h"

/* Which text of the script is at fault. */
#define FAULT_SOURCE_NAME   1
#define FAULT_TARGET_NAME   2
#define FAULT_DIRECTORY     3   /* the value of directoryKey */

struct ContainmentFault {
    int disk;           /* from 0; -1 for a directory value no record is named for */
    int file;           /* from 0 */
    int field;          /* FAULT_... */
    int directoryKey;   /* index of the directory key, or -1 */
    int reason;         /* PATH_... */
    char text[TEXT_MAX];    /* the refused text: the fault is kept beyond its visit */
};

/* Called for each fault; returns 0 to stop. */
typedef int (*ContainmentVisit)(const ContainmentFault *fault, void *context);

/* Checks the loaded file table and directory values: first every record
 * in the order of the table (its names, then its directory), then every
 * directory value. Returns the number of faults visited. */
int CheckContainment(ContainmentVisit visit, void *context);

/* The first fault, or 0 when the package is contained. */
int FindFirstContainmentFault(ContainmentFault *fault);

/* The section and key that hold the fault ("Disk1" and "3", or
 * "DirectoryName" and "SubDir2"), and the refused text as the script
 * gives it ("SubDir2=..\OUT" for a record's directory). */
void NameContainmentFault(const ContainmentFault *fault, char *section, int sectionSize,
                          char *key, int keySize, char *text, int textSize);

/* SETUP.EXE's message for the fault: string 60 for a path that leads
 * outside, 61 (with the words of PathFaultText) for a name the setup does
 * not write; each names the record and its text. */
void FormatPackageRefusal(const ContainmentFault *fault, char *message, int size);

#endif
