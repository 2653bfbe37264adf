/* Finishing what a replace cut short left (the SWAP lines of the
 * journal, see journal.h): before either program changes anything, a
 * target that is missing comes back from the name it was set aside as,
 * and the temporary names of the replace go. */
#include "journal.h"
#include "path_rule.h"
#include "../app/paths.h"
#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/file_ops.h"

#define SYSTEM_INI "system.ini"

/* The name part of a full path. */
static const char *NameOf(const char *path)
{
    const char *name = path;

    for (; *path != '\0'; path++) {
        if (*path == '\\')
            name = path + 1;
    }
    return name;
}

/* A name the safe replace chooses: the stem ("~SN", "~SO"), three
 * digits, ".TMP". */
static int TemporaryName(const char *name, const char *stem)
{
    int i;

    if (lstrlenA(name) != 10 || !TextSameStartNoCase(name, stem, 3) || lstrcmpiA(name + 6, ".TMP") != 0)
        return 0;
    for (i = 3; i < 6; i++) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
    }
    return 1;
}

/* 1 when both paths lie in the same directory. */
static int SameDirectory(const char *a, const char *b)
{
    char dirA[MAX_PATH], dirB[MAX_PATH];

    return PathDirectory(dirA, sizeof(dirA), a) && PathDirectory(dirB, sizeof(dirB), b) && PathSame(dirA, dirB);
}

/* 1 for system.ini of the Windows directory. */
static int IsSystemIni(const char *path)
{
    char ini[MAX_PATH];

    return g_setup.windowsDir[0] != '\0' && PathJoin(ini, sizeof(ini), g_setup.windowsDir, SYSTEM_INI) &&
           PathSame(path, ini);
}

/* Only a replace either program makes: its names side by side, the
 * fresh and aside names its own temporary ones, or system.new and
 * system.bak beside the Windows directory's system.ini. */
static int ReplaceAllowed(const JournalEntry *entry)
{
    const char *target = entry->fields[0], *fresh = entry->fields[1], *aside = entry->fields[2];
    int kept = lstrcmpA(entry->fields[3], "K") == 0, none = lstrcmpA(aside, "-") == 0;
    int ini;

    if (!JournalText(entry, 0) || !JournalText(entry, 1) || !JournalText(entry, 2) || !JournalText(entry, 3) ||
        (!kept && lstrcmpA(entry->fields[3], "T") != 0) || !IsPlainFullPath(target) || !IsPlainFullPath(fresh) ||
        !SameDirectory(target, fresh) || (!none && (!IsPlainFullPath(aside) || !SameDirectory(target, aside))))
        return 0;
    ini = IsSystemIni(target);
    if (!(TemporaryName(NameOf(fresh), "~SN") || (ini && lstrcmpiA(NameOf(fresh), "system.new") == 0)))
        return 0;
    if (kept)
        return ini && !none && lstrcmpiA(NameOf(aside), "system.bak") == 0;
    return none || TemporaryName(NameOf(aside), "~SO");
}

/* Finishes one replace; 1 when nothing of it is left to finish. */
static int FinishReplace(const JournalEntry *entry, int *changes)
{
    const char *target = entry->fields[0], *fresh = entry->fields[1], *aside = entry->fields[2];
    int kept = lstrcmpA(entry->fields[3], "K") == 0, none = lstrcmpA(aside, "-") == 0;

    if (!IsFile(target)) {
        /* back to the file as it was; system.ini takes even the new copy
         * rather than be missing: Windows does not start without it */
        if (!none && IsFile(aside)) {
            if (!MoveFileA(aside, target))
                return 0;
            (*changes)++;
        } else if (kept && IsFile(fresh)) {
            if (!MoveFileA(fresh, target))
                return 0;
            (*changes)++;
        }
    }
    if (IsFile(fresh)) {
        if (!DeleteFileA(fresh))
            return 0;
        (*changes)++;
    }
    if (!kept && !none && IsFile(aside) && IsFile(target)) {
        if (!DeleteFileA(aside))
            return 0;
        (*changes)++;
    }
    return 1;
}

int JournalFinishReplaces(const char *path)
{
    Journal journal;
    char *finished;
    DWORD offset;
    int i, j, changes = 0;

    if (!IsFile(path) || !JournalRead(path, &journal))
        return 0;
    finished = (char *)GlobalAlloc(GPTR, (SIZE_T)journal.count + 1);
    if (finished == NULL) {
        JournalFree(&journal);
        return 0;
    }
    /* the replaces finished already: an UNDO line names each */
    for (i = 0; i < journal.count; i++) {
        if (journal.entries[i].kind != J_UNDO || !JournalNumber(&journal.entries[i], 0, 0, &offset))
            continue;
        j = JournalEntryAt(&journal, offset, i);
        if (j >= 0)
            finished[j] = 1;
    }
    for (i = journal.count - 1; i >= 0; i--) {
        if (journal.entries[i].kind != J_SWAP || finished[i] || !ReplaceAllowed(&journal.entries[i]))
            continue;
        if (FinishReplace(&journal.entries[i], &changes))
            JournalUndone(path, journal.entries[i].offset);
    }
    JournalUndoneClose();
    GlobalFree(finished);
    JournalFree(&journal);
    return changes;
}
