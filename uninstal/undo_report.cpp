/* The lists of what the uninstaller kept or refused, which every part of
 * the removal adds to. */
#include "undo_parts.h"
#include "uninstal_res.h"
#include "text.h"
#include "journal.h"

static void AddLine(char *list, int size, int *count, const char *what, const char *why)
{
    char line[2 * MAX_PATH];

    (*count)++;
    if (*count > KEPT_SHOWN)
        return;
    TEXT_COPY(line, "\n- ");
    TEXT_APPEND(line, what);
    if (why != NULL) {
        TEXT_APPEND(line, " (");
        TEXT_APPEND(line, why);
        TEXT_APPEND(line, ")");
    }
    TextAppend(list, size, line);
}

void KeepListed(const char *what, UINT reasonId)
{
    /* a user's change, or bytes set aside: another run could do no more */
    if (reasonId == IDS_KEPT_CHANGED || reasonId == IDS_KEPT_SET_ASIDE)
        g_uninstall.keptFinal++;
    AddLine(g_uninstall.kept, sizeof(g_uninstall.kept), &g_uninstall.keptCount, what, LoadText(reasonId));
}

/* An entry that names something the setup does not change, shown as its
 * kind and first field, made printable. */
void Refuse(const JournalEntry *entry)
{
    char what[MAX_PATH];
    DWORD i;
    int at;

    TEXT_COPY(what, g_journalKindNames[entry->kind]);
    TEXT_APPEND(what, " ");
    at = lstrlenA(what);
    for (i = 0; i < entry->lengths[0] && at < (int)sizeof(what) - 1; i++) {
        BYTE c = (BYTE)entry->fields[0][i];
        what[at++] = c < ' ' || c == 0x7F ? '?' : (char)c;
    }
    what[at] = '\0';
    if (entry->kind == J_VALUE && entry->fieldCount > 1) {
        TEXT_APPEND(what, ": ");
        TEXT_APPEND(what, JournalText(entry, 1) ? entry->fields[1] : "?");
    }
    AddLine(g_uninstall.refused, sizeof(g_uninstall.refused), &g_uninstall.refusedCount, what, NULL);
}
