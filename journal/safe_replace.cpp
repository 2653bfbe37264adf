/* The safe replace of a file: a copy beside it renamed into its place,
 * described in the journal before its first step. */
#include "journal.h"
#include "file_ops.h"
#include "test_seams.h"

int ReplaceFileSafely(const char *from, const char *target, int *later)
{
    char fresh[MAX_PATH], aside[MAX_PATH];
    int exists = GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES;
    DWORD mark;

    *later = 0;
    /* both names are chosen, and journaled, before the first step */
    if (!FreeNameBeside(fresh, sizeof(fresh), target, "~SN") ||
        (exists && !FreeNameBeside(aside, sizeof(aside), target, "~SO")))
        return 0;
    mark = JournalReplace(target, fresh, exists ? aside : NULL, 0);
    if (!CopyWholeFile(from, fresh, NULL, NULL)) {
        JournalReplaceDone(mark);
        return 0;
    }
    if (!exists) {
        if (MoveFileA(fresh, target)) {
            JournalReplaceDone(mark);
            return 1;
        }
        DeleteFileA(fresh);
        JournalReplaceDone(mark);
        return 0;
    }
    /* the old file goes aside first and comes back when the new one
     * cannot take its place */
    if (MoveFileA(target, aside)) {
        SeamAt(SEAM_TARGET_ASIDE);
        if (MoveFileA(fresh, target)) {
            DeleteFileA(aside);
            JournalReplaceDone(mark);
            return 1;
        }
        MoveFileA(aside, target);
        DeleteFileA(fresh);
        JournalReplaceDone(mark);
        return 0;
    }
    /* in use: the copy takes its place at the next start */
    if (WininitAdd(NULL, target, fresh)) {
        *later = 1;
        JournalReplaceDone(mark);
        return 1;
    }
    DeleteFileA(fresh);
    JournalReplaceDone(mark);
    return 0;
}
