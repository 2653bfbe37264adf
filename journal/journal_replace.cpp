/* Finishing what a replace cut short left (the SWAP lines of the
 * journal, see journal.h): before either program changes anything, a
 * target that is missing comes back from the name it was set aside as,
 * and the temporary names of the replace go. */
#include "journal.h"
#include "text.h"
#include "file_ops.h"

/* The name part of a path. */
static const char *NameOf(const char *path)
{
    const char *name = path;

    for (; *path != '\0'; path++) {
        if (*path == '\\')
            name = path + 1;
    }
    return name;
}

/* 1 when the path lies in the directory of target and its name is
 * "system." with the given ending, or (stem given) a name the safe
 * replace chooses: the stem, three characters (its number), ".TMP" (an
 * 8.3 name with its dot after the sixth character). */
static int NameBesideIs(const char *path, const char *target, const char *ending, const char *stem)
{
    int dir = (int)(NameOf(target) - target);
    const char *name = NameOf(path);

    if ((int)(name - path) != dir || !TextSameStartNoCase(path, target, dir))
        return 0;
    if (ending != NULL && TextSameStartNoCase(name, "system.", 7) && lstrcmpiA(name + 7, ending) == 0)
        return 1;
    return stem != NULL && lstrlenA(name) == 10 && TextSameStartNoCase(name, stem, 3) && name[6] == '.';
}

/* A one-character field. */
static int FieldIs(const JournalEntry *entry, int field, char c)
{
    return entry->lengths[field] == 1 && entry->fields[field][0] == c;
}

/* Only a replace either program makes: its names side by side, fresh and
 * aside the safe replace's temporary names, or system.new and system.bak
 * beside system.ini. What finishing one does is limited to these names:
 * a missing target comes back from them, and the temporary ones go. */
static int ReplaceAllowed(const JournalEntry *entry)
{
    const char *target = entry->fields[0], *fresh = entry->fields[1], *aside = entry->fields[2];
    int ini;

    if (!JournalText(entry, 0) || !JournalText(entry, 1) || !JournalText(entry, 2) || !JournalText(entry, 3))
        return 0;
    ini = NameBesideIs(target, target, "ini", NULL);
    if (!NameBesideIs(fresh, target, ini ? "new" : NULL, "~SN"))
        return 0;
    if (FieldIs(entry, 3, 'K'))
        return ini && NameBesideIs(aside, target, "bak", NULL);
    return FieldIs(entry, 3, 'T') && (FieldIs(entry, 2, '-') || NameBesideIs(aside, target, NULL, "~SO"));
}

/* Finishes one replace; 1 when nothing of it is left to finish. */
static int FinishReplace(const JournalEntry *entry, int *changes)
{
    const char *target = entry->fields[0], *fresh = entry->fields[1], *aside = entry->fields[2];
    int kept = FieldIs(entry, 3, 'K'), none = FieldIs(entry, 2, '-');

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

/* 1 when a later UNDO line names the entry at index: the replace is finished. */
static int Finished(const Journal *journal, int index)
{
    DWORD offset;
    int i;

    for (i = index + 1; i < journal->count; i++) {
        if (journal->entries[i].kind == J_UNDO && JournalNumber(&journal->entries[i], 0, 0, &offset) &&
            offset == journal->entries[index].offset)
            return 1;
    }
    return 0;
}

int JournalFinishReplaces(const char *path)
{
    Journal journal;
    int i, changes = 0;

    if (!IsFile(path) || !JournalRead(path, &journal))
        return 0;
    /* a replace is rare: each looks for its own UNDO line */
    for (i = journal.count - 1; i >= 0; i--) {
        if (journal.entries[i].kind != J_SWAP || !ReplaceAllowed(&journal.entries[i]) || Finished(&journal, i))
            continue;
        if (FinishReplace(&journal.entries[i], &changes))
            JournalUndone(path, journal.entries[i].offset);
    }
    JournalUndoneClose();
    JournalFree(&journal);
    return changes;
}
