/* The final message: what was done, what was kept and why, what was
 * refused, and whether the removal is complete. */
#include "uninstall.h"
#include "uninstal_res.h"
#include "text.h"

/* A string-table text with the product name for its "%s". */
static void AppendProductText(char *text, int size, UINT id)
{
    char format[TEXT_MAX], line[2 * TEXT_MAX];

    TEXT_COPY(format, LoadText(id));
    TextFormat(line, sizeof(line), format, g_setup.productName);
    TextAppend(text, size, line);
}

static void AppendParagraph(char *text, int size, UINT id)
{
    TextAppend(text, size, "\n\n");
    TextAppend(text, size, LoadText(id));
}

/* "and N more" after a list that was cut. */
static void AppendMore(char *text, int size, int count)
{
    char format[TEXT_MAX], line[TEXT_MAX];

    if (count <= KEPT_SHOWN)
        return;
    TEXT_COPY(format, LoadText(IDS_MORE_KEPT));
    TEXT_COPY(line, "\n- ");
    TextFormat(line + 3, (int)sizeof(line) - 3, format, count - KEPT_SHOWN);
    TextAppend(text, size, line);
}

int UninstallMessage(char *text, int size)
{
    int complete = g_uninstall.haveJournal ? g_uninstall.whole : 0;

    text[0] = '\0';
    if (g_uninstall.changes == 0 && g_uninstall.keptCount == 0 && g_uninstall.refusedCount == 0 &&
        (g_uninstall.whole || !g_uninstall.haveJournal)) {
        AppendProductText(text, size, IDS_NOTHING_LEFT);
    } else if (g_uninstall.changes == 0) {
        AppendProductText(text, size, IDS_NOTHING_REMOVED);
    } else {
        complete = complete && g_uninstall.keptCount == g_uninstall.keptDirectories;
        AppendProductText(text, size, complete ? IDS_REMOVED : IDS_PARTLY_REMOVED);
    }
    if (!g_uninstall.haveJournal && g_uninstall.changes > 0)
        AppendParagraph(text, size, IDS_NO_LOG);
    if (g_uninstall.haveJournal && !g_uninstall.whole)
        AppendParagraph(text, size, IDS_INCOMPLETE);
    if (g_uninstall.refusedCount > 0) {
        AppendParagraph(text, size, IDS_REFUSED);
        TextAppend(text, size, g_uninstall.refused);
        AppendMore(text, size, g_uninstall.refusedCount);
    }
    if (g_uninstall.keptCount > 0) {
        AppendParagraph(text, size, IDS_KEPT);
        TextAppend(text, size, g_uninstall.kept);
        AppendMore(text, size, g_uninstall.keptCount);
    }
    if (g_uninstall.wininitFailed)
        AppendParagraph(text, size, IDS_WININIT_FAILED);
    if (g_uninstall.directoryInUse)
        AppendParagraph(text, size, IDS_DIRECTORY_IN_USE);
    if (g_uninstall.haveJournal && GetFileAttributesA(g_uninstall.journalPath) != INVALID_FILE_ATTRIBUTES)
        AppendParagraph(text, size, IDS_RUN_AGAIN);
    if (g_uninstall.restart)
        AppendParagraph(text, size, IDS_RESTART);
    return g_uninstall.restart;
}
