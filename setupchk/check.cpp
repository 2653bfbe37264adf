/* The package check: SETUP.INF loaded by the setup's own loader, its
 * containment judged by the setup's own routine, each record's paths
 * built by the copy engine's own routines and its source opened by the
 * same LZ32 call; then every finding told with its line of the script,
 * its level and what the setup will do about it. */
#include "setupchk.h"
#include "script_lines.h"
#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/install.h"
#include "../res/resource.h"
#include "../script/containment.h"
#include "../script/setup_script.h"

#include <lzexpand.h>

#define RECORD_MAX    32767     /* the largest file table */
#define PROBLEM_MAX   400       /* findings kept for printing; more are counted */
#define MESSAGE_MAX   1024
#define COLUMN_MAX    48        /* widest path column of the table */
#define SZDD_HEADER   14        /* signature, method, last character, length */
#define FILE_LINE_MAX 1022      /* longest file line the loader takes */
#define FLOPPY_BYTES  1457664u  /* a 1.44 MB floppy */
/* Where the targets are shown when the script gives no usable default
 * directory and the user would have to choose one. */
#define CHOSEN_DIR    "C:\\CHOSEN"

#define LEVEL_WARNING 1
#define LEVEL_ERROR   2

static const unsigned char szddSignature[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };

struct Problem {
    int line;
    int level;
    char text[MESSAGE_MAX];
};

/* What one source looks like to the setup. */
struct SourceFacts {
    int opened;                 /* LZOpenFileA gave a handle */
    int present;                /* the path itself names a file */
    char openedPath[OFS_MAXPATHNAME];
    DWORD stored;               /* bytes in the package */
    LONG expected;              /* what the setup expects to write */
    LONG expanded;              /* what reading it through LZ32 gave */
    int header;                 /* HEADER_... */
};

#define HEADER_PLAIN    0       /* not compressed */
#define HEADER_GOOD     1
#define HEADER_SHORT    2       /* "SZDD" but shorter than the header */
#define HEADER_BAD_SIGN 3
#define HEADER_METHOD   4       /* an expansion method other than 'A' */

struct CheckRun {
    CheckOutput output;
    void *context;
    char scriptPath[MAX_PATH];
    ScriptText script;
    int errors, warnings;       /* all found, also those not kept */
    int kept;
    int refused;                /* containment faults: the setup refuses the package */
    Problem problems[PROBLEM_MAX];
    unsigned char emptied[RECORD_MAX];  /* the loader left the record empty */
    unsigned char outside[RECORD_MAX];  /* containment refuses the record */
    unsigned char installs[RECORD_MAX]; /* the record writes its target */
    DWORD targetHash[RECORD_MAX];       /* 0: nothing is written for it */
    DWORD diskBytes[DISK_MAX];          /* stored bytes of each disk's sources */
    int sourceWidth, targetWidth;
    int *recordLines[DISK_MAX];         /* line of each loaded record, 0 when absent */
};

static CheckRun g_check;

static int IsShortPath(const char *path);

static void ZeroBytes(void *data, DWORD size)
{
    unsigned char *p = (unsigned char *)data;
    DWORD i;

    for (i = 0; i < size; i++)
        p[i] = 0;
}

static void Say(const char *text)
{
    g_check.output(CHECK_INFO, 0, text, g_check.context);
}

/* text: "what. Setup: what it does." */
static void AddProblem(int line, int level, const char *text)
{
    Problem *problem;

    if (level == LEVEL_ERROR)
        g_check.errors++;
    else
        g_check.warnings++;
    if (g_check.kept >= PROBLEM_MAX)
        return;
    problem = &g_check.problems[g_check.kept++];
    problem->line = line;
    problem->level = level;
    TEXT_COPY(problem->text, text);
}

#define ERROR_AT(line, text)   AddProblem((line), LEVEL_ERROR, (text))
#define WARNING_AT(line, text) AddProblem((line), LEVEL_WARNING, (text))

static void TellProblem(const Problem *problem)
{
    char message[MESSAGE_MAX + MAX_PATH + 40];
    const char *level = problem->level == LEVEL_ERROR ? "error" : "warning";

    if (problem->line > 0)
        TextFormat(message, sizeof(message), "%s(%d): %s: %s", g_check.scriptPath,
                   problem->line, level, problem->text);
    else
        TextFormat(message, sizeof(message), "%s: %s: %s", g_check.scriptPath, level,
                   problem->text);
    g_check.output(problem->level == LEVEL_ERROR ? CHECK_ERROR : CHECK_WARNING,
                   problem->line, message, g_check.context);
}

/* Findings in the order of their lines (those without a line last), in
 * the order found where lines are equal. */
static void TellProblems(void)
{
    static int order[PROBLEM_MAX];
    int i, j, moving;
    char more[96];

    for (i = 0; i < g_check.kept; i++) {
        moving = i;
        for (j = i; j > 0; j--) {
            unsigned a = (unsigned)g_check.problems[order[j - 1]].line - 1u;
            unsigned b = (unsigned)g_check.problems[moving].line - 1u;
            if (a <= b)
                break;
            order[j] = order[j - 1];
        }
        order[j] = moving;
    }
    for (i = 0; i < g_check.kept; i++)
        TellProblem(&g_check.problems[order[i]]);
    if (g_check.errors + g_check.warnings > g_check.kept) {
        TextFormat(more, sizeof(more), "... and %d more findings",
                   g_check.errors + g_check.warnings - g_check.kept);
        Say(more);
    }
}

/* A text for a message: cut to 60 characters, so that a long value
 * cannot crowd out what the message says. */
static void Quote(char *buffer, int size, const char *text)
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
static void DiskName(int disk, char *name, int size)
{
    TextCopy(name, size, LoadText(IDS_DISK1 + disk));
}

static int LineOf(UINT sectionId, const char *key)
{
    char section[TEXT_MAX];

    TEXT_COPY(section, LoadText(sectionId));
    return FindScriptLine(&g_check.script, section, key);
}

/* The line of a section, else of its key in another section, else 1. */
static int SectionLine(UINT sectionId)
{
    int line = LineOf(sectionId, NULL);

    return line != 0 ? line : 1;
}

/* The decimal number a key of a disk section stands for, as the loader
 * names it ("1", "2", ...), or 0. */
static int RecordNumber(const char *key)
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
static void IndexRecordLines(void)
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

static void FreeRecordLines(void)
{
    int disk;

    for (disk = 0; disk < DISK_MAX; disk++) {
        if (g_check.recordLines[disk] != NULL)
            HeapFree(GetProcessHeap(), 0, g_check.recordLines[disk]);
        g_check.recordLines[disk] = NULL;
    }
}

static int RecordLine(int disk, int file)
{
    char key[16];

    if (disk >= 0 && disk < DISK_MAX && g_check.recordLines[disk] != NULL &&
        file >= 0 && file < g_setup.fileCounts[disk])
        return g_check.recordLines[disk][file + 1];
    TextFormat(key, sizeof(key), "%d", file + 1);
    return LineOf(IDS_DISK1 + disk, key);
}

static int RecordIndex(const FileRecord *record)
{
    return (int)(record - g_setup.fileTable[0]);
}

/* Which disk and number a record of the table is. */
static void LocateRecord(const FileRecord *record, int *disk, int *file)
{
    int d;

    *disk = 0;
    for (d = 0; d < g_setup.diskCount; d++) {
        if (record >= g_setup.fileTable[d] && record < g_setup.fileTable[d + 1])
            *disk = d;
    }
    *file = (int)(record - g_setup.fileTable[*disk]);
}

static char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

/* Edit distance of two names without regard to case, for "did you mean". */
static int NameDistance(const char *a, const char *b)
{
    int row[TEXT_MAX + 1];
    int lengthA = lstrlenA(a), lengthB = lstrlenA(b);
    int i, j, diagonal, above, best;

    if (lengthA > TEXT_MAX - 1 || lengthB > TEXT_MAX - 1)
        return TEXT_MAX;
    for (j = 0; j <= lengthB; j++)
        row[j] = j;
    for (i = 1; i <= lengthA; i++) {
        diagonal = row[0];
        row[0] = i;
        for (j = 1; j <= lengthB; j++) {
            above = row[j];
            best = diagonal + (UpperAscii(a[i - 1]) == UpperAscii(b[j - 1]) ? 0 : 1);
            if (above + 1 < best)
                best = above + 1;
            if (row[j - 1] + 1 < best)
                best = row[j - 1] + 1;
            row[j] = best;
            diagonal = above;
        }
    }
    return row[lengthB];
}

/* The nearest of the names, or null when none is near enough to be meant. */
static const char *NearestName(const char *name, const char *const *names, int count)
{
    const char *nearest = NULL;
    int best = TEXT_MAX, distance, i, length = lstrlenA(name);

    for (i = 0; i < count; i++) {
        distance = NameDistance(name, names[i]);
        if (distance < best) {
            best = distance;
            nearest = names[i];
        }
    }
    return best <= 2 || best * 3 <= length ? nearest : NULL;
}

static void DidYouMean(char *buffer, int size, const char *nearest, const char *before,
                       const char *after)
{
    buffer[0] = '\0';
    if (nearest != NULL) {
        TextCopy(buffer, size, " (did you mean ");
        TextAppend(buffer, size, before);
        TextAppend(buffer, size, nearest);
        TextAppend(buffer, size, after);
        TextAppend(buffer, size, "?)");
    }
}

/* The names the loader reads, section by section. */
static const char *const sectionNames[] = {
    "Main", "Startup", "DiskLabel", "DirectoryName", "FileCounts",
    "Disk1", "Disk2", "Disk3", "Disk4", "Disk5", "Disk6",
};
static const char *const mainKeys[] = {
    "DefaultPath", "ProductName", "MinimumSpace", "OEM", "DefaultSerialMouse", "PS2Only",
};
static const char *const startupKeys[] = {
    "Title", "Mfg", "MouseDriver", "MouseInf", "DriverDate", "PS2InfSection",
    "SerialInfSection", "PS2Name", "SeialName", "PnpID",
};
static const char *const diskKeys[] = { "Disk1", "Disk2", "Disk3", "Disk4", "Disk5", "Disk6" };
static const char *const directoryKeys[] = {
    "RootDir", "SubDir1", "SubDir2", "SubDir3", "SubDir4", "SubDir5", "SubDir6",
    "WinDir", "WinSystemDir", "WinInfDir",
};

#define COUNT_OF(array) ((int)(sizeof(array) / sizeof((array)[0])))

struct KnownSection {
    const char *name;
    const char *const *keys;    /* null: the numbered keys of a disk */
    int keyCount;
};

static const KnownSection knownSections[] = {
    { "Main", mainKeys, COUNT_OF(mainKeys) },
    { "Startup", startupKeys, COUNT_OF(startupKeys) },
    { "DiskLabel", diskKeys, COUNT_OF(diskKeys) },
    { "DirectoryName", directoryKeys, COUNT_OF(directoryKeys) },
    { "FileCounts", diskKeys, COUNT_OF(diskKeys) },
    { "Disk1", NULL, 0 }, { "Disk2", NULL, 0 }, { "Disk3", NULL, 0 },
    { "Disk4", NULL, 0 }, { "Disk5", NULL, 0 }, { "Disk6", NULL, 0 },
};

static const KnownSection *FindKnownSection(const char *name)
{
    int i;

    for (i = 0; i < COUNT_OF(knownSections); i++) {
        if (lstrcmpiA(name, knownSections[i].name) == 0)
            return &knownSections[i];
    }
    return NULL;
}

static int IsKnownKey(const KnownSection *known, const char *key)
{
    int i;

    for (i = 0; i < known->keyCount; i++) {
        if (lstrcmpiA(key, known->keys[i]) == 0)
            return 1;
    }
    return 0;
}


/* A known key of another section, for "it belongs in [Startup]". */
static const char *SectionOfKey(const char *key)
{
    int i;

    for (i = 0; i < COUNT_OF(knownSections); i++) {
        if (knownSections[i].keys != NULL && IsKnownKey(&knownSections[i], key))
            return knownSections[i].name;
    }
    return NULL;
}

static void CheckUnknownKey(const ScriptLine *line, const ScriptLine *section,
                            const KnownSection *known)
{
    char text[MESSAGE_MAX], key[80], hint[TEXT_MAX];
    const char *other;

    Quote(key, sizeof(key), line->name);
    if (known->keys == NULL) {
        TextFormat(text, sizeof(text), "unknown key \"%s\" in [%s]: the setup reads the "
                   "numbered keys 1, 2, ... of a disk. Setup: never reads it.", key,
                   section->name);
        WARNING_AT(line->number, text);
        return;
    }
    DidYouMean(hint, sizeof(hint), NearestName(line->name, known->keys, known->keyCount),
               "", "");
    other = SectionOfKey(line->name);
    if (hint[0] == '\0' && other != NULL)
        TextFormat(hint, sizeof(hint), " (it belongs in [%s])", other);
    TextFormat(text, sizeof(text), "unknown key \"%s\" in [%s]%s. Setup: never reads it.",
               key, section->name, hint);
    WARNING_AT(line->number, text);
}

/* An earlier key of the same name in the same section, or null. */
static const ScriptLine *EarlierKey(int index)
{
    const ScriptLine *line = &g_check.script.lines[index];
    int i;

    for (i = index - 1; i > line->section; i--) {
        if (lstrcmpiA(g_check.script.lines[i].name, line->name) == 0)
            return &g_check.script.lines[i];
    }
    return NULL;
}

/* Sections and keys the loader does not read, and those given twice. */
static void CheckNames(void)
{
    static unsigned char seen[RECORD_MAX / 8 + 1];
    const ScriptText *script = &g_check.script;
    const ScriptLine *line, *section, *earlier;
    const KnownSection *known;
    char text[MESSAGE_MAX], name[80], hint[TEXT_MAX];
    int i, first, number;

    for (i = 0; i < script->count; i++) {
        line = &script->lines[i];
        if (line->kind == LINE_SECTION) {
            Quote(name, sizeof(name), line->name);
            first = FindScriptSection(script, line->name);
            if (first != i) {
                TextFormat(text, sizeof(text), "section [%s] given twice (first on line %d). "
                           "Setup: reads only the first; the keys under this one are never "
                           "read.", name, script->lines[first].number);
                WARNING_AT(line->number, text);
            } else if (FindKnownSection(line->name) == NULL) {
                DidYouMean(hint, sizeof(hint),
                           NearestName(line->name, sectionNames, COUNT_OF(sectionNames)),
                           "[", "]");
                TextFormat(text, sizeof(text), "unknown section [%s]%s. Setup: never reads "
                           "it.", name, hint);
                WARNING_AT(line->number, text);
            }
            ZeroBytes(seen, sizeof(seen));
            continue;
        }
        if (line->section < 0) {
            Quote(name, sizeof(name), line->name);
            TextFormat(text, sizeof(text), "key \"%s\" outside any section. Setup: never "
                       "reads it.", name);
            WARNING_AT(line->number, text);
            continue;
        }
        section = &script->lines[line->section];
        known = FindKnownSection(section->name);
        if (known == NULL || FindScriptSection(script, section->name) != line->section)
            continue;
        if (known->keys == NULL ? (number = RecordNumber(line->name)) == 0
                                : !IsKnownKey(known, line->name)) {
            CheckUnknownKey(line, section, known);
            continue;
        }
        /* a disk's numbers through a bitmap: its section may be long */
        if (known->keys == NULL) {
            if (!(seen[number / 8] & (1 << (number % 8)))) {
                seen[number / 8] |= (unsigned char)(1 << (number % 8));
                continue;
            }
        }
        earlier = EarlierKey(i);
        if (earlier != NULL) {
            Quote(name, sizeof(name), line->name);
            TextFormat(text, sizeof(text), "%s given twice in [%s] (first on line %d). Setup: "
                       "reads the first, on line %d; this one is never read.", name,
                       section->name, earlier->number, earlier->number);
            WARNING_AT(line->number, text);
        }
    }
}

/* What the loader's cut or refused file line leaves. */
static void OnLoaderNote(const FileRecord *record, int note, const char *text)
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
                   "the \"=\"; the setup takes at most %d there. Setup: refuses the line; the "
                   "record stays empty and copies nothing.", length,
                   scriptLine != NULL ? scriptLine->valueLength : length, FILE_LINE_MAX);
        break;
    case SCRIPT_NOTE_NAME_TOO_LONG:
        TextFormat(message, sizeof(message), "name \"%s\" too long for its field: %d "
                   "characters, at most %d. Setup: leaves the record empty and copies "
                   "nothing.", name, lstrlenA(text), (int)sizeof(record->sourceName) - 1);
        break;
    case SCRIPT_NOTE_DIR_TOO_LONG:
        TextFormat(message, sizeof(message), "directory %s too long for the record's field: "
                   "at most %d characters, also under the Windows directory. Setup: leaves "
                   "the record empty and copies nothing.", name,
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

/* Texts of the script that the loader cuts to their fields. */
struct TextSetting {
    UINT sectionId;
    const char *key;
    char *field;
    int size;
};

static const TextSetting textSettings[] = {
    { IDS_MAIN_SECTION,    "ProductName",      g_setup.productName, PRODUCT_MAX },
    { IDS_STARTUP_SECTION, "Title",            g_setup.bannerTitle, TEXT_MAX },
    { IDS_STARTUP_SECTION, "Mfg",              g_setup.driverInfo.mfg, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "MouseDriver",      g_setup.driverInfo.mouseDriver, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "MouseInf",         g_setup.driverInfo.mouseInf, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "DriverDate",       g_setup.driverInfo.driverDate, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "PS2InfSection",    g_setup.driverInfo.ps2InfSection, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "SerialInfSection", g_setup.driverInfo.serialInfSection, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "PS2Name",          g_setup.driverInfo.ps2Name, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "SeialName",        g_setup.driverInfo.serialName, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, "PnpID",            g_setup.driverInfo.pnpId, PNP_ID_MAX },
};

/* The value's real length on its line, or -1 when the key is absent. */
static int ValueLength(UINT sectionId, const char *key, int *line)
{
    const ScriptLine *entry;

    *line = LineOf(sectionId, key);
    entry = *line != 0 ? ScriptLineAt(&g_check.script, *line) : NULL;
    return entry != NULL ? entry->valueLength : -1;
}

static void CheckSettings(void)
{
    char text[MESSAGE_MAX], key[TEXT_MAX], used[80];
    const TextSetting *setting;
    int i, k, length, line, value;

    for (i = 0; i < COUNT_OF(textSettings); i++) {
        setting = &textSettings[i];
        length = ValueLength(setting->sectionId, setting->key, &line);
        if (length < setting->size)
            continue;
        Quote(used, sizeof(used), setting->field);
        TextFormat(text, sizeof(text), "%s too long for its field: %d characters, at most "
                   "%d. Setup: uses \"%s\".", setting->key, length, setting->size - 1, used);
        WARNING_AT(line, text);
    }
    /* a directory value longer than a record's field is told with the
     * records that use it; one cut by the script reader here */
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        TEXT_COPY(key, LoadText(IDS_ROOT_DIR + k));
        length = ValueLength(IDS_DIRECTORY_SECTION, key, &line);
        if (length < TEXT_MAX) {
            if (CheckPathPiece(g_setup.directoryNames[k]) == PATH_CONTAINED &&
                !IsShortPath(g_setup.directoryNames[k])) {
                Quote(used, sizeof(used), g_setup.directoryNames[k]);
                TextFormat(text, sizeof(text), "%s \"%s\" is not made of 8.3 names. Setup: "
                           "uses the long names; DOS and 16-bit programs see only short "
                           "aliases.", key, used);
                WARNING_AT(line, text);
            }
            continue;
        }
        TextFormat(text, sizeof(text), "%s too long: %d characters, at most %d. Setup: cuts "
                   "it, and no record can use it.", key, length, TEXT_MAX - 1);
        ERROR_AT(line, text);
    }
    if (g_setup.installDir[0] == '\0') {
        TextFormat(text, sizeof(text), "DefaultPath gives a directory longer than %d "
                   "characters. Setup: proposes no directory; the user must choose one.",
                   DIR_MAX - 1);
        WARNING_AT(LineOf(IDS_MAIN_SECTION, "DefaultPath"), text);
    }
    value = (int)GetPrivateProfileIntA("Main", "MinimumSpace", 1024, g_check.scriptPath);
    if (value < 0 || value > 32767) {
        TextFormat(text, sizeof(text), "MinimumSpace %d is outside 0 to 32767 KB. Setup: "
                   "asks for %d KB.", value, (int)g_setup.minimumSpaceKb);
        WARNING_AT(LineOf(IDS_MAIN_SECTION, "MinimumSpace"), text);
    }
}

/* The counts as the loader narrows them to 16 bits. */
static void CheckCountWidths(void)
{
    char text[MESSAGE_MAX], disk[16];
    UINT raw;
    int d, narrowed, line;

    for (d = 0; d < g_setup.diskCount; d++) {
        DiskName(d, disk, sizeof(disk));
        raw = GetPrivateProfileIntA("FileCounts", disk, 0, g_check.scriptPath);
        narrowed = (short)raw < 0 ? 0 : (short)raw;
        line = LineOf(IDS_FILE_COUNTS_SECTION, disk);
        if ((int)raw < 0 || raw > 32767) {
            TextFormat(text, sizeof(text), "count %d of %s %s. Setup: reads it as %d.", (int)raw,
                       disk, (int)raw < 0 ? "is negative" : "does not fit 16 bits", narrowed);
            ERROR_AT(line, text);
        } else if (g_setup.fileCounts[d] != narrowed) {
            TextFormat(text, sizeof(text), "the counts add up beyond %d records. Setup: "
                       "loads only %d of the %d lines of %s.", RECORD_MAX,
                       (int)g_setup.fileCounts[d], narrowed, disk);
            ERROR_AT(line, text);
        }
    }
}

/* The numbered keys of one disk's section. */
struct NumberedKeys {
    int count;                  /* the disk's loaded count */
    int presentInCount;         /* distinct keys 1 to count */
    int beyond;                 /* distinct keys above count */
    int highest;
    int firstBeyondLine;
    unsigned char seen[RECORD_MAX / 8 + 1];
};

static void GatherNumberedKeys(int section, NumberedKeys *keys)
{
    const ScriptLine *line;
    int i, number;

    for (i = section + 1; i < g_check.script.count; i++) {
        line = &g_check.script.lines[i];
        if (line->kind == LINE_SECTION)
            break;
        number = RecordNumber(line->name);
        if (number == 0 || (keys->seen[number / 8] & (1 << (number % 8))))
            continue;
        keys->seen[number / 8] |= (unsigned char)(1 << (number % 8));
        if (number > keys->highest)
            keys->highest = number;
        if (number <= keys->count) {
            keys->presentInCount++;
        } else if (keys->beyond++ == 0) {
            keys->firstBeyondLine = line->number;
        }
    }
}

static int FirstMissingKey(const NumberedKeys *keys)
{
    int n;

    for (n = 1; n <= keys->count; n++) {
        if (!(keys->seen[n / 8] & (1 << (n % 8))))
            return n;
    }
    return 0;
}

/* Counts against the numbered lines, for the loaded disks and for the
 * sections of disks that are not loaded. */
static void CheckCounts(void)
{
    static NumberedKeys keys;
    char section[16], text[MESSAGE_MAX];
    int disk, countLine, missing, index;

    for (disk = 0; disk < DISK_MAX; disk++) {
        DiskName(disk, section, sizeof(section));
        ZeroBytes(&keys, sizeof(keys));
        keys.count = disk < g_setup.diskCount ? g_setup.fileCounts[disk] : 0;
        index = FindScriptSection(&g_check.script, section);
        if (index >= 0)
            GatherNumberedKeys(index, &keys);
        countLine = LineOf(IDS_FILE_COUNTS_SECTION, section);
        if (disk >= g_setup.diskCount) {
            if (keys.beyond > 0) {
                TextFormat(text, sizeof(text), "[%s] has %d numbered line(s), but [DiskLabel] "
                           "labels only %d disks. Setup: does not load this section; its "
                           "files are not installed.", section, keys.beyond,
                           (int)g_setup.diskCount);
                ERROR_AT(keys.firstBeyondLine, text);
            }
            continue;
        }
        missing = keys.count - keys.presentInCount;
        if (missing > 0) {
            TextFormat(text, sizeof(text), "count %d of %s is larger than its numbered lines: "
                       "%d of the keys 1 to %d %s missing (the first: %d). Setup: those "
                       "records stay empty and copy nothing.", keys.count, section, missing,
                       keys.count, missing == 1 ? "is" : "are", FirstMissingKey(&keys));
            WARNING_AT(countLine != 0 ? countLine : SectionLine(IDS_FILE_COUNTS_SECTION), text);
        }
        if (keys.beyond > 0 && keys.count == 0) {
            TextFormat(text, sizeof(text), "count 0 of %s, but [%s] has %d numbered line(s). "
                       "Setup: installs none of them.", section, section, keys.beyond);
            ERROR_AT(countLine != 0 ? countLine : keys.firstBeyondLine, text);
        } else if (keys.beyond > 0) {
            TextFormat(text, sizeof(text), "count %d of %s is smaller than its numbered lines, "
                       "which go up to %d. Setup: installs the lines 1 to %d only; %d %s "
                       "beyond %s not installed.", keys.count, section, keys.highest,
                       keys.count, keys.beyond, keys.beyond == 1 ? "line" : "lines",
                       keys.beyond == 1 ? "is" : "are");
            ERROR_AT(countLine != 0 ? countLine : keys.firstBeyondLine, text);
        }
    }
}

/* 8.3: one to eight characters, then at most a dot and up to three,
 * none of them a blank or a character short names cannot hold. */
static int IsShortName(const char *name)
{
    static const char refused[] = " \"*+,/:;<=>?[\\]|";
    int base = 0, extension = -1, i, j;

    for (i = 0; name[i] != '\0'; i++) {
        if ((unsigned char)name[i] < 0x20)
            return 0;
        for (j = 0; refused[j] != '\0'; j++) {
            if (name[i] == refused[j])
                return 0;
        }
        if (name[i] == '.') {
            if (extension >= 0)
                return 0;
            extension = 0;
        } else if (extension >= 0) {
            extension++;
        } else {
            base++;
        }
    }
    return base >= 1 && base <= 8 && extension <= 3;
}

/* Each step of a directory value: 8.3 too, "." aside. */
static int IsShortPath(const char *path)
{
    char step[TEXT_MAX];
    int start = 0, i;

    for (i = 0;; i++) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == '\0') {
            if (i - start >= (int)sizeof(step))
                return 0;
            TextCopy(step, i - start + 1, path + start);
            if (step[0] != '\0' && lstrcmpA(step, ".") != 0 && !IsShortName(step))
                return 0;
            if (path[i] == '\0')
                return 1;
            start = i + 1;
        }
    }
}

static int SameBytes(const unsigned char *a, const unsigned char *b, int count)
{
    int i;

    for (i = 0; i < count; i++) {
        if (a[i] != b[i])
            return 0;
    }
    return 1;
}

static void ReadHeader(SourceFacts *facts)
{
    unsigned char header[SZDD_HEADER];
    DWORD got = 0;
    HANDLE file = CreateFileA(facts->openedPath, GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);

    facts->header = HEADER_PLAIN;
    if (file == INVALID_HANDLE_VALUE)
        return;
    facts->stored = GetFileSize(file, NULL);
    if (!ReadFile(file, header, sizeof(header), &got, NULL))
        got = 0;
    CloseHandle(file);
    if (got < 4 || !SameBytes(header, szddSignature, 4))
        return;
    if (got < SZDD_HEADER)
        facts->header = HEADER_SHORT;
    else if (!SameBytes(header, szddSignature, sizeof(szddSignature)))
        facts->header = HEADER_BAD_SIGN;
    else if (header[8] != 'A')
        facts->header = HEADER_METHOD;
    else
        facts->header = HEADER_GOOD;
}

/* Opens the source as the copy engine does and reads it through to its
 * end, as the copy would. */
static void InspectSource(const char *path, SourceFacts *facts)
{
    static char buffer[8192];
    OFSTRUCT openRecord;
    DWORD attributes = GetFileAttributesA(path);
    INT source;
    LONG got;

    ZeroBytes(facts, sizeof(*facts));
    facts->present = attributes != INVALID_FILE_ATTRIBUTES &&
                     !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    ZeroBytes(&openRecord, sizeof(openRecord));
    source = LZOpenFileA((LPSTR)path, &openRecord, OF_READ);
    if (source < 0) {
        if (facts->present) {
            TEXT_COPY(facts->openedPath, path);
            ReadHeader(facts);
        }
        return;
    }
    facts->opened = 1;
    openRecord.szPathName[sizeof(openRecord.szPathName) - 1] = '\0';
    TEXT_COPY(facts->openedPath, facts->present ? path : openRecord.szPathName);
    facts->expected = LZSeek(source, 0, 2);
    LZSeek(source, 0, 0);
    /* damaged data ends the reading early, or with an error */
    while ((got = LZRead(source, buffer, sizeof(buffer))) > 0)
        facts->expanded += got;
    LZClose(source);
    ReadHeader(facts);
}

/* The bytes the setup will write for this source; -1 when it writes
 * none. */
static LONG CheckSource(int line, const char *path, const FileRecord *record,
                        const SourceFacts *facts)
{
    static const char *const headerFaults[] = {
        "", "", "shorter than its 14-byte header", "wrong signature", "unknown method"
    };
    char text[MESSAGE_MAX], name[sizeof(record->sourceName)];
    int length;

    if (!facts->present && !facts->opened) {
        TextFormat(text, sizeof(text), "source file missing: %s. Setup: copies nothing for "
                   "this line and goes on; the installation lacks the file.", path);
        ERROR_AT(line, text);
        return -1;
    }
    if (!facts->present) {
        TextFormat(text, sizeof(text), "source file missing: %s. Setup: opens %s in its "
                   "place and installs that, expanded, as %s.", path, facts->openedPath,
                   record->targetName);
        WARNING_AT(line, text);
    }
    if (facts->header > HEADER_GOOD) {
        TextFormat(text, sizeof(text), "compressed file with a damaged header (%s): %s. "
                   "Setup: %s.", headerFaults[facts->header], facts->openedPath,
                   facts->opened ? "copies it as it is stored, not expanded"
                                 : "cannot open it and copies nothing");
        ERROR_AT(line, text);
        return facts->opened ? facts->expected : -1;
    }
    if (!facts->opened) {
        TextFormat(text, sizeof(text), "source file cannot be opened: %s. Setup: copies "
                   "nothing for this line and goes on.", path);
        ERROR_AT(line, text);
        return -1;
    }
    if (facts->expanded != facts->expected) {
        TextFormat(text, sizeof(text), "compressed file with damaged data: %s expands to %ld "
                   "of the %ld bytes its header gives. Setup: removes the short copy and ends "
                   "the installation not completed.", facts->openedPath, facts->expanded,
                   facts->expected);
        ERROR_AT(line, text);
        return -1;
    }
    TextCopy(name, sizeof(name), record->sourceName);
    length = lstrlenA(name);
    if (facts->present && facts->header == HEADER_PLAIN && length > 0 && name[length - 1] == '_') {
        TextFormat(text, sizeof(text), "%s is named as a compressed file but stored "
                   "uncompressed. Setup: copies it as it is, not expanded, as %s.", name,
                   record->targetName);
        WARNING_AT(line, text);
    }
    return facts->expected;
}

/* The path with "." steps and doubled separators taken out, so that two
 * spellings of one file compare equal. */
static void FullPathOf(const char *path, char *full, int size)
{
    DWORD length = GetFullPathNameA(path, (DWORD)size, full, NULL);

    if (length == 0 || length >= (DWORD)size)
        TextCopy(full, size, path);
}

static DWORD HashTarget(const char *target)
{
    char full[MAX_PATH];
    const unsigned char *p;
    DWORD hash = 2166136261u;

    FullPathOf(target, full, sizeof(full));
    CharUpperA(full);
    for (p = (const unsigned char *)full; *p != '\0'; p++)
        hash = (hash ^ *p) * 16777619u;
    return hash | 1;
}

/* text padded with blanks to width, or cut to it. */
static void Column(char *row, int size, const char *text, int width)
{
    char cell[COLUMN_MAX + 8];
    int length;

    TextCopy(cell, width + 1 < (int)sizeof(cell) ? width + 1 : (int)sizeof(cell), text);
    for (length = lstrlenA(cell); length < width && length < (int)sizeof(cell) - 1; length++)
        cell[length] = ' ';
    cell[length] = '\0';
    TextAppend(row, size, cell);
}

static void TellRow(int disk, int file, int line, const char *source, const char *target,
                    const char *stored, const char *expanded, const char *description)
{
    char row[MESSAGE_MAX], piece[TEXT_MAX];

    if (line != 0)
        TextFormat(row, sizeof(row), "%4d %4d %5d  ", disk + 1, file + 1, line);
    else
        TextFormat(row, sizeof(row), "%4d %4d     -  ", disk + 1, file + 1);
    Column(row, sizeof(row), source, g_check.sourceWidth);
    TEXT_APPEND(row, "  ");
    Column(row, sizeof(row), target, g_check.targetWidth);
    TextFormat(piece, sizeof(piece), " %9s %9s  %s", stored, expanded, description);
    TEXT_APPEND(row, piece);
    Say(row);
}

static void CheckShortNames(int line, const FileRecord *record)
{
    char text[MESSAGE_MAX];

    if (!IsShortName(record->sourceName)) {
        TextFormat(text, sizeof(text), "\"%s\" is not an 8.3 name. Setup: asks for it by "
                   "this long name; a package disk copied with DOS tools keeps only a short "
                   "alias.", record->sourceName);
        WARNING_AT(line, text);
    }
    if (!IsShortName(record->targetName)) {
        TextFormat(text, sizeof(text), "\"%s\" is not an 8.3 name. Setup: installs it under "
                   "this long name, which 16-bit programs and DOS see only by a short alias.",
                   record->targetName);
        WARNING_AT(line, text);
    }
}

/* The fourth field of the record's line, as the loader splits it. */
static void RecordDirectoryKey(int disk, int file, char *key, int size)
{
    static char raw[4 * TEXT_MAX];
    char section[16], number[16], field[TEXT_MAX];
    const char *next;

    DiskName(disk, section, sizeof(section));
    TextFormat(number, sizeof(number), "%d", file + 1);
    GetPrivateProfileStringA(section, number, "", raw, sizeof(raw), g_check.scriptPath);
    raw[sizeof(raw) - 1] = '\0';
    next = SplitField(raw, field, sizeof(field));
    next = SplitField(next, field, sizeof(field));
    next = SplitField(next, field, sizeof(field));
    SplitField(next, key, size);
}

/* A directory key of the ten that [DirectoryName] leaves empty. */
static void CheckDirectoryDefined(int line, int disk, int file)
{
    char key[TEXT_MAX], text[MESSAGE_MAX];
    int k;

    RecordDirectoryKey(disk, file, key, sizeof(key));
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        if (lstrcmpiA(key, directoryKeys[k]) == 0)
            break;
    }
    if (k == DIRECTORY_KEYS || g_setup.directoryNames[k][0] != '\0')
        return;
    TextFormat(text, sizeof(text), "directory key %s is used but not defined in "
               "[DirectoryName]. Setup: takes the file from the package folder itself and "
               "installs it into %s itself.", directoryKeys[k],
               k < DIR_WINDOWS ? "the destination directory"
               : k == DIR_WINDOWS ? "the Windows directory"
               : k == DIR_WIN_SYSTEM ? "the SYSTEM directory" : "the INF directory");
    ERROR_AT(line, text);
}

/* One record: its row of the table and its findings; returns the bytes
 * the setup writes for it, -1 when it writes none. */
static LONG CheckRecord(int disk, int file)
{
    const FileRecord *record = g_setup.fileTable[disk] + file;
    int index = RecordIndex(record);
    char source[TEXT_MAX], target[TEXT_MAX], stored[16], expanded[16], text[MESSAGE_MAX];
    int line, haveSource, haveTarget;
    SourceFacts facts;
    LONG written;

    line = RecordLine(disk, file);
    if (record->sourceName[0] == '\0' || record->targetName[0] == '\0') {
        if (line != 0 && !g_check.emptied[index])
            ERROR_AT(line, "record left empty: the line gives no source or no target name. "
                     "Setup: copies nothing for it.");
        TellRow(disk, file, line, "-", "-", "-", "-", "(empty)");
        return -1;
    }
    if (g_check.outside[index]) {
        TellRow(disk, file, line, "(refused)", "(refused)", "-", "-", record->description);
        return -1;
    }
    CheckDirectoryDefined(line, disk, file);
    haveSource = BuildSourcePath(source, sizeof(source), disk, file);
    haveTarget = BuildTargetPath(target, sizeof(target), disk, file);
    CheckShortNames(line, record);
    if (!haveSource) {
        TextFormat(text, sizeof(text), "source path too long (more than %d characters). "
                   "Setup: copies nothing for this line and goes on.", TEXT_MAX - 1);
        ERROR_AT(line, text);
    }
    written = -1;
    ZeroBytes(&facts, sizeof(facts));
    if (haveSource) {
        InspectSource(source, &facts);
        written = CheckSource(line, source, record, &facts);
    }
    if (!haveTarget) {
        TextFormat(text, sizeof(text), "target path too long (more than %d characters). "
                   "Setup: %s", TEXT_MAX - 1, facts.opened
                   ? "stops the copying at this file; the installation ends not completed."
                   : "copies nothing for this line and goes on.");
        ERROR_AT(line, text);
    }
    if (facts.present || facts.opened) {
        TextFormat(stored, sizeof(stored), "%lu", (unsigned long)facts.stored);
        g_check.diskBytes[disk] += facts.stored;
    } else {
        TEXT_COPY(stored, "missing");
    }
    if (facts.opened)
        TextFormat(expanded, sizeof(expanded), "%ld", facts.expected);
    else
        TEXT_COPY(expanded, "-");
    TellRow(disk, file, line, haveSource ? source : "(too long)",
            haveTarget ? target : "(none)", stored, expanded, record->description);
    if (!haveTarget || written < 0)
        return -1;
    g_check.targetHash[index] = HashTarget(target);
    g_check.installs[index] = 1;
    return written;
}

static void MeasureColumns(void)
{
    char path[TEXT_MAX];
    int disk, file, length;

    g_check.sourceWidth = 6;
    g_check.targetWidth = 6;
    for (disk = 0; disk < g_setup.diskCount; disk++) {
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            length = BuildSourcePath(path, sizeof(path), disk, file) ? lstrlenA(path) : 0;
            if (length > g_check.sourceWidth)
                g_check.sourceWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
            length = BuildTargetPath(path, sizeof(path), disk, file) ? lstrlenA(path) : 0;
            if (length > g_check.targetWidth)
                g_check.targetWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
        }
    }
}

static void CheckSpace(unsigned long long total)
{
    unsigned long long kb = (total + 1023) / 1024;
    unsigned long shownKb = (unsigned long)(kb < 0xFFFFFFFFull ? kb : 0xFFFFFFFFull);
    char text[MESSAGE_MAX];
    int line;

    TextFormat(text, sizeof(text), "Total              %lu bytes expanded = %lu KB; "
               "MinimumSpace %d KB", (unsigned long)(total < 0xFFFFFFFFull ? total : 0xFFFFFFFFull),
               shownKb, (int)g_setup.minimumSpaceKb);
    Say(text);
    if (kb <= (unsigned long long)(g_setup.minimumSpaceKb > 0 ? g_setup.minimumSpaceKb : 0))
        return;
    line = LineOf(IDS_MAIN_SECTION, "MinimumSpace");
    if (line == 0)
        line = SectionLine(IDS_MAIN_SECTION);
    TextFormat(text, sizeof(text), "the files expand to %lu KB, more than MinimumSpace %d KB. "
               "Setup: accepts a drive with %d KB free, which the files can fill.", shownKb,
               (int)g_setup.minimumSpaceKb, (int)g_setup.minimumSpaceKb);
    WARNING_AT(line, text);
}

static void CheckDiskSizes(void)
{
    char text[MESSAGE_MAX], disk[16];
    int d;

    for (d = 0; d < g_setup.diskCount; d++) {
        if (g_check.diskBytes[d] <= FLOPPY_BYTES)
            continue;
        DiskName(d, disk, sizeof(disk));
        TextFormat(text, sizeof(text), "the files of %s take %lu bytes, more than the %lu of "
                   "a 1.44 MB floppy. Setup: reads them all from the package folder and never "
                   "asks for another disk, so this disk cannot ship on one floppy.", disk,
                   (unsigned long)g_check.diskBytes[d], (unsigned long)FLOPPY_BYTES);
        WARNING_AT(SectionLine(IDS_DISK1 + d), text);
    }
}

/* Two records that write the same file: the later one wins. */
static void CheckSameTargets(int recordCount)
{
    char first[TEXT_MAX], second[TEXT_MAX], full[2][MAX_PATH], text[MESSAGE_MAX];
    int a, b, diskA, fileA, diskB, fileB;

    for (b = 1; b < recordCount; b++) {
        if (g_check.targetHash[b] == 0)
            continue;
        for (a = 0; a < b; a++) {
            if (g_check.targetHash[a] != g_check.targetHash[b])
                continue;
            LocateRecord(g_setup.fileTable[0] + a, &diskA, &fileA);
            LocateRecord(g_setup.fileTable[0] + b, &diskB, &fileB);
            BuildTargetPath(first, sizeof(first), diskA, fileA);
            BuildTargetPath(second, sizeof(second), diskB, fileB);
            FullPathOf(first, full[0], MAX_PATH);
            FullPathOf(second, full[1], MAX_PATH);
            if (lstrcmpiA(full[0], full[1]) != 0)
                continue;
            TextFormat(text, sizeof(text), "same target as line %d: %s. Setup: copies both; "
                       "this one, copied later, wins.", RecordLine(diskA, fileA), full[1]);
            WARNING_AT(RecordLine(diskB, fileB), text);
            break;
        }
    }
}

/* Whether some record writes exactly this file. */
static int IsInstalled(const char *path, int recordCount)
{
    char wanted[MAX_PATH], target[TEXT_MAX], full[MAX_PATH];
    int index, disk, file;

    FullPathOf(path, wanted, sizeof(wanted));
    for (index = 0; index < recordCount; index++) {
        if (!g_check.installs[index])
            continue;
        LocateRecord(g_setup.fileTable[0] + index, &disk, &file);
        if (!BuildTargetPath(target, sizeof(target), disk, file))
            continue;
        FullPathOf(target, full, sizeof(full));
        if (lstrcmpiA(full, wanted) == 0)
            return 1;
    }
    return 0;
}

/* Records that would write over the setup's own records in the
 * destination: the restore record and the uninstall log. */
static void CheckOwnFiles(int recordCount)
{
    static const char *const ownFiles[] = { "SETUP.INF", "UNINSTAL.INI" };
    char own[TEXT_MAX], wanted[MAX_PATH], target[TEXT_MAX], full[MAX_PATH], text[MESSAGE_MAX];
    int i, index, disk, file;

    for (i = 0; i < COUNT_OF(ownFiles); i++) {
        if (!PathJoin(own, sizeof(own), g_setup.installDir, ownFiles[i]))
            continue;
        FullPathOf(own, wanted, sizeof(wanted));
        for (index = 0; index < recordCount; index++) {
            LocateRecord(g_setup.fileTable[0] + index, &disk, &file);
            if (!g_check.installs[index] || !BuildTargetPath(target, sizeof(target), disk, file))
                continue;
            FullPathOf(target, full, sizeof(full));
            if (lstrcmpiA(full, wanted) != 0)
                continue;
            TextFormat(text, sizeof(text), "this line installs %s, the setup's own %s. Setup: "
                       "writes it over the %s of an earlier installation there.", own,
                       i == 0 ? "restore record" : "uninstall log",
                       i == 0 ? "replaced registry values" : "record of what to remove");
            WARNING_AT(RecordLine(disk, file), text);
        }
    }
}

/* The files the registry will name, each where it names it. */
static void CheckComponents(int recordCount)
{
    static const struct {
        const char *name;
        const char *registered;
    } programs[] = {
        { "UNINSTAL.EXE", "as the uninstall command (UninstallString)" },
        { "VARIRE.EXE", "to start with Windows (Run value Kestrel)" },
        { "ZRPAGE.DLL", "as the Mouse control panel page (InProcServer32)" },
    };
    char path[TEXT_MAX], text[MESSAGE_MAX], directory[TEXT_MAX];
    const char *setup = g_check.refused ? "Setup: refuses this package as it stands; once it "
                                          "is accepted, it" : "Setup:";
    int i, line, programLine;

    programLine = recordCount > 0 ? SectionLine(IDS_DISK1) : SectionLine(IDS_FILE_COUNTS_SECTION);
    for (i = 0; i < COUNT_OF(programs); i++) {
        if (!PathJoin(path, sizeof(path), g_setup.installDir, programs[i].name) ||
            IsInstalled(path, recordCount))
            continue;
        TextFormat(text, sizeof(text), "no record installs %s into the destination directory. "
                   "%s registers %s %s, and that file will not exist.", programs[i].name, setup,
                   path, programs[i].registered);
        ERROR_AT(programLine, text);
    }
    for (i = 0; i < 2; i++) {
        const char *name = i == 0 ? g_setup.driverInfo.mouseDriver : g_setup.driverInfo.mouseInf;
        TEXT_COPY(directory, g_setup.windowsDir);
        TEXT_APPEND(directory, i == 0 ? "\\SYSTEM" : "\\INF");
        if (name[0] == '\0' || !PathJoin(path, sizeof(path), directory, name) ||
            IsInstalled(path, recordCount))
            continue;
        line = LineOf(IDS_STARTUP_SECTION, i == 0 ? "MouseDriver" : "MouseInf");
        TextFormat(text, sizeof(text), "no record installs %s %s into the %s directory. %s "
                   "writes %s=%s into the mouse's driver class key, and %s will not exist.",
                   i == 0 ? "MouseDriver" : "MouseInf", name, i == 0 ? "SYSTEM" : "INF", setup,
                   i == 0 ? "MouseDriver" : "InfPath", name, path);
        ERROR_AT(line != 0 ? line : SectionLine(IDS_STARTUP_SECTION), text);
    }
}

static void TellFileTable(void)
{
    unsigned long long total = 0;
    char text[MESSAGE_MAX], row[MESSAGE_MAX];
    int disk, file;
    LONG written;

    MeasureColumns();
    Say("");
    TextFormat(text, sizeof(text), "Files (targets with the default directory and Windows in %s)",
               g_setup.windowsDir);
    Say(text);
    TEXT_COPY(row, "Disk   No  Line  ");
    Column(row, sizeof(row), "Source", g_check.sourceWidth);
    TEXT_APPEND(row, "  ");
    Column(row, sizeof(row), "Target", g_check.targetWidth);
    TEXT_APPEND(row, "    Stored  Expanded  Description");
    Say(row);
    for (disk = 0; disk < g_setup.diskCount; disk++) {
        for (file = 0; file < g_setup.fileCounts[disk]; file++) {
            written = CheckRecord(disk, file);
            if (written > 0)
                total += (unsigned long long)written;
        }
    }
    CheckSpace(total);
}

static const char *ReasonText(int reason)
{
    switch (reason) {
    case PATH_PARENT:   return "a \"..\" step";
    case PATH_DRIVE:    return "a drive";
    case PATH_ROOTED:   return "a path from the root";
    case PATH_WILDCARD: return "a wildcard or a character no file name holds";
    default:            return "a device name";
    }
}

/* Each fault the setup's containment check finds. */
static int OnContainmentFault(const ContainmentFault *fault, void *context)
{
    char text[MESSAGE_MAX], refused[80], key[TEXT_MAX];
    const char *what, *where;
    int line;

    (void)context;
    g_check.refused++;
    Quote(refused, sizeof(refused), fault->text);
    where = fault->field == FAULT_SOURCE_NAME ? "outside the package"
            : fault->field == FAULT_TARGET_NAME ? "outside the destination directory"
            : "outside the package and the destination directory";
    if (fault->disk >= 0) {
        g_check.outside[RecordIndex(g_setup.fileTable[fault->disk] + fault->file)] = 1;
        if (fault->field == FAULT_DIRECTORY)
            return 1;   /* told once, at the directory's own line */
        line = RecordLine(fault->disk, fault->file);
        what = fault->field == FAULT_SOURCE_NAME ? "source name" : "target name";
    } else {
        TEXT_COPY(key, directoryKeys[fault->directoryKey]);
        line = LineOf(IDS_DIRECTORY_SECTION, key);
        what = key;
        if (fault->directoryKey >= DIR_WINDOWS)
            where = "outside the package";
    }
    TextFormat(text, sizeof(text), "%s \"%s\" leads %s (%s). Setup: refuses the whole "
               "package before it copies anything; the installation ends not completed.",
               what, refused, where, ReasonText(fault->reason));
    ERROR_AT(line != 0 ? line : 1, text);
    return 1;
}

static void CheckEncoding(void)
{
    char text[MESSAGE_MAX];
    const ScriptLine *first;

    if (g_check.script.encoding == SCRIPT_UTF16) {
        ERROR_AT(1, "SETUP.INF is written in UTF-16. Setup: Windows 95 and 98 read no section "
                 "of it: every setting takes its default and no file is installed.");
        return;
    }
    if (g_check.script.encoding != SCRIPT_UTF8_BOM)
        return;
    first = ScriptLineAt(&g_check.script, 1);
    if (first != NULL && first->kind == LINE_SECTION)
        TextFormat(text, sizeof(text), "SETUP.INF begins with a UTF-8 byte-order mark. Setup: "
                   "Windows 95 and 98 read the mark as part of line 1 and do not see the "
                   "section [%s]; its keys take their defaults.", first->name);
    else
        TEXT_COPY(text, "SETUP.INF begins with a UTF-8 byte-order mark. Setup: Windows 95 "
                  "and 98 read the mark as part of line 1.");
    ERROR_AT(1, text);
}

static void TellSettings(const char *packageDir)
{
    const DriverInfo *info = &g_setup.driverInfo;
    const char *const driverValues[] = { info->mfg, info->mouseDriver, info->mouseInf,
                                         info->driverDate, info->ps2InfSection,
                                         info->serialInfSection, info->ps2Name,
                                         info->serialName, info->pnpId };
    char text[MESSAGE_MAX], disk[16];
    int i, d;

    TextFormat(text, sizeof(text), "Package            %s", packageDir);
    Say(text);
    TextFormat(text, sizeof(text), "Product name       %s", g_setup.productName);
    Say(text);
    TextFormat(text, sizeof(text), "Caption            %s", g_setup.caption);
    Say(text);
    TextFormat(text, sizeof(text), "Banner title       %s", g_setup.bannerTitle);
    Say(text);
    if (g_setup.installDir[0] != '\0')
        TextFormat(text, sizeof(text), "Default directory  %s (with Windows in %s)",
                   g_setup.installDir, g_setup.windowsDir);
    else
        TextFormat(text, sizeof(text), "Default directory  none: targets shown under %s "
                   "(with Windows in %s)", CHOSEN_DIR, g_setup.windowsDir);
    Say(text);
    TextFormat(text, sizeof(text), "Minimum space      %d KB", (int)g_setup.minimumSpaceKb);
    Say(text);
    if (g_setup.ps2Only)
        TextFormat(text, sizeof(text), "Mouse              PS/2 only (PS2Only=%d): no mouse "
                   "type page", g_setup.ps2Only);
    else
        TextFormat(text, sizeof(text), "Mouse              %s proposed (DefaultSerialMouse=%d), "
                   "PS2Only=0", g_setup.serialMouse ? "serial" : "PS/2", g_setup.serialMouse);
    Say(text);
    TextFormat(text, sizeof(text), "Logo               %s (OEM=%d)",
               g_setup.noLogo ? "left out" : "shown", g_setup.noLogo);
    Say(text);
    for (i = 0; i < COUNT_OF(driverValues); i++) {
        /* the driver strings follow "Title" in the order of their keys */
        TextFormat(text, sizeof(text), "%-18s %s", startupKeys[i + 1], driverValues[i]);
        Say(text);
    }
    for (d = 0; d < DIRECTORY_KEYS; d++) {
        if (g_setup.directoryNames[d][0] == '\0')
            continue;
        TextFormat(text, sizeof(text), "%-18s %s", directoryKeys[d], g_setup.directoryNames[d]);
        Say(text);
    }
    TextFormat(text, sizeof(text), "Disks              %d", (int)g_setup.diskCount);
    Say(text);
    for (d = 0; d < g_setup.diskCount; d++) {
        DiskName(d, disk, sizeof(disk));
        TextFormat(text, sizeof(text), "  %-16s %d files", disk, (int)g_setup.fileCounts[d]);
        Say(text);
    }
}

/* The package folder as a full path without a closing "\"; 0 when it
 * cannot be had. */
static int FullPackageDir(const char *packageDir, char *full, int size)
{
    DWORD length = GetFullPathNameA(packageDir, (DWORD)size, full, NULL);

    if (length == 0 || length >= (DWORD)size)
        return 0;
    while (length > 2 && full[length - 1] == '\\')
        full[--length] = '\0';
    return 1;
}

static int Unreadable(const char *format, const char *text)
{
    char message[MESSAGE_MAX], piece[TEXT_MAX];

    TEXT_COPY(piece, text);
    TextFormat(message, sizeof(message), format, piece);
    g_check.output(CHECK_FAILURE, 0, message, g_check.context);
    return CHECK_UNREADABLE;
}

/* Loads the script with the loader's notes sent to the check. */
static int LoadScript(const char *packageDir)
{
    char programPath[MAX_PATH];
    HINSTANCE instance = g_setup.instance;
    int loaded;

    InitSetupState();
    g_setup.instance = instance != NULL ? instance : GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.windowsDir, SAMPLE_WINDOWS_DIR);
    if (!PathJoin(programPath, sizeof(programPath), packageDir, "SETUP.EXE"))
        return 0;
    g_scriptNoteHook = OnLoaderNote;
    loaded = LoadSetupScriptFrom(programPath);
    g_scriptNoteHook = NULL;
    return loaded;
}

static int RecordCount(void)
{
    int records = 0, disk;

    for (disk = 0; disk < g_setup.diskCount; disk++)
        records += g_setup.fileCounts[disk];
    return records;
}

static void CheckLoadedPackage(const char *directory)
{
    char text[MESSAGE_MAX];
    int records;

    TellSettings(directory);
    CheckNames();
    CheckSettings();
    if (g_setup.installDir[0] == '\0')
        TEXT_COPY(g_setup.installDir, CHOSEN_DIR);
    IndexRecordLines();
    CheckCountWidths();
    CheckCounts();
    CheckContainment(OnContainmentFault, NULL);
    TellFileTable();
    records = RecordCount();
    if (records == 0) {
        TEXT_COPY(text, "the package installs no file: no disk is labelled in [DiskLabel], "
                  "or its count is 0. Setup: copies nothing, and registers the components and "
                  "the mouse driver all the same.");
        ERROR_AT(LineOf(IDS_FILE_COUNTS_SECTION, NULL) != 0
                 ? LineOf(IDS_FILE_COUNTS_SECTION, NULL) : SectionLine(IDS_DISK_LABEL_SECTION),
                 text);
    }
    CheckDiskSizes();
    CheckSameTargets(records);
    CheckOwnFiles(records);
    CheckComponents(records);
    FreeRecordLines();
    FreeFileTable();
}

int CheckPackage(const char *packageDir, int options, CheckOutput output, void *context)
{
    char directory[MAX_PATH], summary[128];
    int result;

    ZeroBytes(&g_check, sizeof(g_check));
    g_check.output = output;
    g_check.context = context;
    if (!FullPackageDir(packageDir, directory, sizeof(directory)))
        return Unreadable("cannot make a full path of the package folder %s", packageDir);
    if (lstrlenA(directory) >= DIR_MAX)
        return Unreadable("the package folder's path is longer than the setup's 79 "
                          "characters: %s", directory);
    if (!PathJoin(g_check.scriptPath, sizeof(g_check.scriptPath), directory, "SETUP.INF"))
        return Unreadable("the script's path is too long: %s", directory);
    if (!LoadScriptLines(g_check.scriptPath, &g_check.script))
        return Unreadable("cannot read %s", g_check.scriptPath);
    CheckEncoding();
    if (g_check.script.encoding != SCRIPT_UTF16) {
        if (!LoadScript(directory)) {
            FreeScriptLines(&g_check.script);
            return Unreadable("the setup cannot load %s", g_check.scriptPath);
        }
        CheckLoadedPackage(directory);
    }
    FreeScriptLines(&g_check.script);

    Say("");
    TellProblems();
    TextFormat(summary, sizeof(summary), "%d error%s, %d warning%s.", g_check.errors,
               g_check.errors == 1 ? "" : "s", g_check.warnings, g_check.warnings == 1 ? "" : "s");
    Say(summary);
    result = g_check.errors > 0 ? CHECK_PROBLEMS : CHECK_CLEAN;
    if ((options & CHECK_STRICT) && g_check.warnings > 0)
        result = CHECK_PROBLEMS;
    return result;
}
