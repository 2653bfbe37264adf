/* Where the package check's findings point: the script line of a key, a
 * section or a record; and what the loader says of a file line it could
 * not take whole. */
#include "check_run.h"
#include "../app/paths.h"
#include "../app/text.h"
#include "../res/resource.h"
#include "../script/containment.h"
#include "../script/setup_script.h"

/* A text for a message: cut to 60 characters, so that a long value
 * cannot crowd out what the message says. */
void Quote(char *buffer, int size, const char *text)
{
    char piece[64];

    if (TextCopy(piece, 61, text)) {
        TextCopy(buffer, size, piece);
        return;
    }
    TextCopy(buffer, size, piece);
    TextAppend(buffer, size, "...");
}

/* The name of disk `disk` (from 0), which is also its section's name. */
void DiskName(int disk, char *name, int size)
{
    TextCopy(name, size, LoadText(IDS_DISK1 + disk));
}

int LineOf(UINT sectionId, const char *key)
{
    char section[TEXT_MAX];

    TEXT_COPY(section, LoadText(sectionId));
    return FindScriptLine(&g_check.script, section, key);
}

/* The line of a section, else of its key in another section, else 1. */
int SectionLine(UINT sectionId)
{
    int line = LineOf(sectionId, NULL);

    return line != 0 ? line : 1;
}

/* The decimal number a key of a disk section stands for, as the loader
 * names it ("1", "2", ...), or 0. */
int RecordNumber(const char *key)
{
    int number = 0, i;

    if (key[0] < '1' || key[0] > '9')
        return 0;
    for (i = 0; key[i] != '\0'; i++) {
        if (key[i] < '0' || key[i] > '9' || number > RECORD_MAX)
            return 0;
        number = number * 10 + (key[i] - '0');
    }
    return number <= RECORD_MAX ? number : 0;
}

/* The lines of the loaded records, found in one pass over each disk's
 * section (the first key of a number is the one the loader reads), so
 * that a long file table is not searched once per record. */
void IndexRecordLines(void)
{
    const ScriptLine *line;
    char section[16];
    int disk, count, index, number, i;

    for (disk = 0; disk < g_setup.diskCount; disk++) {
        count = g_setup.fileCounts[disk];
        g_check.recordLines[disk] = (int *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY,
                                                     (SIZE_T)(count + 1) * sizeof(int));
        TextCopy(section, sizeof(section), LoadText(IDS_DISK1 + disk));
        index = FindScriptSection(&g_check.script, section);
        if (g_check.recordLines[disk] == NULL || index < 0)
            continue;
        for (i = index + 1; i < g_check.script.count; i++) {
            line = &g_check.script.lines[i];
            if (line->kind == LINE_SECTION)
                break;
            number = RecordNumber(line->name);
            if (number >= 1 && number <= count && g_check.recordLines[disk][number] == 0)
                g_check.recordLines[disk][number] = line->number;
        }
    }
}

void FreeRecordLines(void)
{
    int disk;

    for (disk = 0; disk < DISK_MAX; disk++) {
        if (g_check.recordLines[disk] != NULL)
            HeapFree(GetProcessHeap(), 0, g_check.recordLines[disk]);
        g_check.recordLines[disk] = NULL;
    }
}

int RecordLine(int disk, int file)
{
    char key[16];

    if (disk >= 0 && disk < DISK_MAX && g_check.recordLines[disk] != NULL &&
        file >= 0 && file < g_setup.fileCounts[disk])
        return g_check.recordLines[disk][file + 1];
    TextFormat(key, sizeof(key), "%d", file + 1);
    return LineOf(IDS_DISK1 + disk, key);
}

int RecordIndex(const FileRecord *record)
{
    return (int)(record - g_setup.fileTable[0]);
}

/* Which disk and number a record of the table is. */
void LocateRecord(const FileRecord *record, int *disk, int *file)
{
    int d;

    *disk = 0;
    for (d = 0; d < g_setup.diskCount; d++) {
        if (record >= g_setup.fileTable[d] && record < g_setup.fileTable[d + 1])
            *disk = d;
    }
    *file = (int)(record - g_setup.fileTable[*disk]);
}

/* What the loader's cut or refused file line leaves. */
void OnLoaderNote(const FileRecord *record, int note, const char *text)
{
    char message[MESSAGE_MAX], name[80];
    const ScriptLine *scriptLine;
    int disk, file, line, index = RecordIndex(record);
    int length;

    /* a description of a record left empty is never shown */
    if (note == SCRIPT_NOTE_DESCRIPTION_CUT && g_check.emptied[index])
        return;
    LocateRecord(record, &disk, &file);
    line = RecordLine(disk, file);
    if (note == SCRIPT_NOTE_LINE_TOO_LONG || note == SCRIPT_NOTE_NAME_TOO_LONG ||
        note == SCRIPT_NOTE_DIR_TOO_LONG)
        g_check.emptied[index] = 1;
    Quote(name, sizeof(name), text);
    switch (note) {
    case SCRIPT_NOTE_LINE_TOO_LONG:
        scriptLine = ScriptLineAt(&g_check.script, line);
        length = scriptLine != NULL ? scriptLine->length : lstrlenA(text);
        TextFormat(message, sizeof(message), "line too long: %d characters, of them %d after "
                   "the \"=\"; the setup takes at most %d there. Setup: refuses the line and "
                   SETUP_ASKS, length,
                   scriptLine != NULL ? scriptLine->valueLength : length, FILE_LINE_MAX);
        break;
    case SCRIPT_NOTE_NAME_TOO_LONG:
        TextFormat(message, sizeof(message), "name \"%s\" too long for its field: %d "
                   "characters, at most %d. Setup: leaves the record empty and "
                   SETUP_ASKS, name, lstrlenA(text), (int)sizeof(record->sourceName) - 1);
        break;
    case SCRIPT_NOTE_DIR_TOO_LONG:
        TextFormat(message, sizeof(message), "directory %s too long for the record's field: "
                   "at most %d characters, also under the Windows directory. Setup: leaves "
                   "the record empty and " SETUP_ASKS, name,
                   (int)sizeof(record->targetDir) - 1);
        break;
    case SCRIPT_NOTE_UNKNOWN_DIR_KEY: {
        char hint[TEXT_MAX];

        DidYouMean(hint, sizeof(hint),
                   NearestName(text, directoryKeys, COUNT_OF(directoryKeys)), "", "");
        TextFormat(message, sizeof(message), "directory key \"%s\" is not one of the ten "
                   "of [DirectoryName]%s. Setup: leaves the record's directories empty: the "
                   "file comes from the package folder itself and goes into the destination "
                   "directory itself.", name, hint);
        break;
    }
    case SCRIPT_NOTE_DESCRIPTION_CUT:
        TextFormat(message, sizeof(message), "description too long for its field: %d "
                   "characters, at most %d. Setup: shows it cut.", lstrlenA(text),
                   (int)sizeof(record->description) - 1);
        break;
    default:
        return;
    }
    ERROR_AT(line, message);
}
