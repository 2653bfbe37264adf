/* Where the package check's findings point: the script line of a key, a
 * section or a record; and what the loader says of a file line it could
 * not take whole. */
#include "check_run.h"
#include "paths.h"
#include "text.h"
#include "resource.h"
#include "containment.h"
#include "setup_script.h"

/* "<TAB>", "<CR>", "<LF>" or "<0xNN>" for a control character. */
void ControlName(char *buffer, int size, unsigned char c)
{
    if (c == '\t')
        TextCopy(buffer, size, "<TAB>");
    else if (c == '\r')
        TextCopy(buffer, size, "<CR>");
    else if (c == '\n')
        TextCopy(buffer, size, "<LF>");
    else
        TextFormat(buffer, size, "<0x%02X>", (unsigned)c);
}

/* The first control character of a text, or 0. */
unsigned char FirstControl(const char *text)
{
    const unsigned char *p;

    for (p = (const unsigned char *)text; *p != '\0'; p++) {
        if (*p < 0x20)
            return *p;
    }
    return 0;
}

/* A text for a message: control characters shown by name, and cut to 60
 * characters, so that a long value cannot crowd out what the message
 * says. */
void Quote(char *buffer, int size, const char *text)
{
    char shown[4 * TEXT_MAX], name[8], piece[64];
    const unsigned char *p;
    int i;

    shown[0] = '\0';
    for (p = (const unsigned char *)text; *p != '\0' && lstrlenA(shown) < 64; p++) {
        if (*p < 0x20) {
            ControlName(name, sizeof(name), *p);
            TEXT_APPEND(shown, name);
        } else {
            i = lstrlenA(shown);
            shown[i] = (char)*p;
            shown[i + 1] = '\0';
        }
    }
    if (*p == '\0' && TextCopy(piece, 61, shown)) {
        TextCopy(buffer, size, piece);
        return;
    }
    TextCopy(piece, 61, shown);
    TextCopy(buffer, size, piece);
    TextAppend(buffer, size, "...");
}

/* A path as it is shown: one "\" between its parts, the "." steps the
 * path builders leave out; a leading "\\" (a network path) stays. */
void TidyPath(char *buffer, int size, const char *path)
{
    int from = 0, to = 0;

    while (path[from] != '\0' && to < size - 1) {
        if (from >= 2 && path[from] == '\\' && path[from - 1] == '\\') {
            from++;
            continue;
        }
        if (from >= 1 && path[from - 1] == '\\' && path[from] == '.' &&
            (path[from + 1] == '\\' || path[from + 1] == '\0') && to > 0) {
            from += path[from + 1] == '\\' ? 2 : 1;
            if (path[from] == '\0' && to > 1)
                to--;   /* "DIR\." is DIR */
            continue;
        }
        buffer[to++] = path[from++];
    }
    buffer[to] = '\0';
}

/* A text with the package folder named as the machine that runs the
 * check names it: the folder's own path replaced by shownDir, and the
 * "\" of a path in it made "/" up to the path's end (a blank or a quote). */
void ShowPackagePaths(char *text, int size)
{
    char shown[2 * MESSAGE_MAX];
    const char *p = text;
    int folder = lstrlenA(g_check.packageDir), inPath = 0, length;

    if (g_check.shownDir[0] == '\0' || folder == 0)
        return;
    shown[0] = '\0';
    while (*p != '\0') {
        if (!inPath && TextSameStartNoCase(p, g_check.packageDir, folder) &&
            (p[folder] == '\\' || p[folder] == '\0' || p[folder] == ' ' || p[folder] == '"' ||
             p[folder] == ')')) {
            TEXT_APPEND(shown, g_check.shownDir);
            p += folder;
            inPath = 1;
            continue;
        }
        if (inPath && (*p == ' ' || *p == '"'))
            inPath = 0;
        length = lstrlenA(shown);
        if (length >= (int)sizeof(shown) - 1)
            break;
        shown[length] = inPath && *p == '\\' ? '/' : *p;
        shown[length + 1] = '\0';
        p++;
    }
    TextCopy(text, size, shown);
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
