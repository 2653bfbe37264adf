/* Seams for the tests, in the tests' builds only. The builds made with
 * SETUP_TEST_SEAMS (the x64 build and the i686 test build) carry them;
 * the deliverables compile them away and never read an environment
 * variable of theirs, so a stray SET in a user's AUTOEXEC.BAT cannot
 * stop an installation half-way.
 *
 * In a test build:
 * - SETUP_TEST_STOP_AFTER=N ends the program (exit code 3) right after
 *   its N-th journal entry, as a power switch would;
 * - SETUP_TEST_CHECKPOINT=NAME stops after every journal entry until
 *   the test has looked at the machine: the program sets the event
 *   "NAME-reached" and waits for "NAME-go";
 * - SETUP_TEST_PAUSE=MS shortens the install page's pause after
 *   "Updating Registry..." for tests that install many times;
 * - SETUP_TEST_FLUSH_REPORT=PATH has the program write into that file,
 *   as its journal ends, how many times it flushed a file to the disk;
 * - SETUP_TEST_STOP_AT=PLACE ends the program (exit code 3) at a named
 *   place between two steps that write no journal entry (the gap
 *   between the two renames of a replace);
 * - a test in the same process can instead have a routine called after
 *   every journal entry, and one called at every named place;
 * - a test in the same process can have the N-th registry write (a key
 *   created or a value set) or the N-th journal entry fail. */
#ifndef SETUP_TEST_SEAMS_H
#define SETUP_TEST_SEAMS_H

#include <windows.h>

#define SEAM_STOP_VARIABLE       "SETUP_TEST_STOP_AFTER"
#define SEAM_CHECKPOINT_VARIABLE "SETUP_TEST_CHECKPOINT"
#define SEAM_PAUSE_VARIABLE      "SETUP_TEST_PAUSE"
#define SEAM_STOP_AT_VARIABLE    "SETUP_TEST_STOP_AT"
#define SEAM_FLUSH_REPORT_VARIABLE "SETUP_TEST_FLUSH_REPORT"
#define SEAM_STOP_EXIT_CODE      3

/* The named places. */
#define SEAM_SYSTEM_INI_ASIDE   "system.ini renamed aside"  /* the setup's rewrite */
#define SEAM_TARGET_ASIDE       "target set aside"          /* the safe replace */
#define SEAM_VMOUSE_BAK_GONE    "VMOUSE.BAK deleted"        /* before VMOUSE.VXD moves */

typedef void (*SeamEntryHook)(long entry, void *context);
typedef void (*SeamPlaceHook)(const char *place, void *context);

#ifdef SETUP_TEST_SEAMS
/* After the program's n-th journal entry reached the file. */
void SeamAfterJournalEntry(long entry);
/* The pause the product makes, or the test's. */
DWORD SeamPause(DWORD productMs);
/* A routine of this process called after every journal entry (NULL: none);
 * it replaces the environment's seams while it is set. */
void SeamSetEntryHook(SeamEntryHook hook, void *context);
/* 1 when this registry write (or journal entry) is to fail: the n-th
 * since the test set n (0: none). */
int SeamRegistryWriteFails(void);
int SeamJournalWriteFails(void);
void SeamFailRegistryWrite(long n);
void SeamFailJournalWrite(long n);
/* At a named place between two steps. */
void SeamAt(const char *place);
void SeamSetPlaceHook(SeamPlaceHook hook, void *context);
/* As the journal ends: the flushes the program made. */
void SeamReportFlushes(long flushes);
#else
#define SeamAfterJournalEntry(entry) ((void)(entry))
#define SeamPause(productMs) (productMs)
#define SeamRegistryWriteFails() 0
#define SeamJournalWriteFails() 0
#define SeamAt(place) ((void)(place))
#define SeamReportFlushes(flushes) ((void)(flushes))
#endif

#endif
