/* The package check: SETUP.INF loaded by the setup's own loader, each
 * record's paths built by the copy engine's own routines and its source
 * opened by the same LZ32 call, then every finding told with its line of
 * the script and what the setup will do about it. */
#include "setupchk.h"
#include "script_lines.h"
#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/install.h"
#include "../res/resource.h"
#include "../script/setup_script.h"

#include <lzexpand.h>
#include <stdarg.h>

#define RECORD_MAX    32767     /* the largest file table */
#define PROBLEM_MAX   400       /* problems kept for printing; more are counted */
#define MESSAGE_MAX   1024
#define COLUMN_MAX    48        /* widest path column of the table */
#define SZDD_HEADER   14        /* signature, method, last character, length */
/* Where the targets are shown when the script gives no usable default
 * directory and the user would have to choose one. */
#define CHOSEN_DIR    "C:\\CHOSEN"

static const unsigned char szddSignature[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };

struct Problem {
    int line;
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
    int problemCount;           /* all found, also those not kept */
    int kept;
    Problem problems[PROBLEM_MAX];
    unsigned char emptied[RECORD_MAX];  /* the loader left the record empty */
    DWORD targetHash[RECORD_MAX];       /* 0: nothing is written for it */
    int sourceWidth, targetWidth;
};

static CheckRun g_check;

static void Say(const char *format, ...)
{
    char text[MESSAGE_MAX];
    va_list args;

    va_start(args, format);
    TextFormatList(text, sizeof(text), format, args);
    va_end(args);
    g_check.output(CHECK_INFO, 0, text, g_check.context);
}

static void AddProblem(int line, const char *format, ...)
{
    Problem *problem;
    va_list args;

    g_check.problemCount++;
    if (g_check.kept >= PROBLEM_MAX)
        return;
    problem = &g_check.problems[g_check.kept++];
    problem->line = line;
    va_start(args, format);
    TextFormatList(problem->text, sizeof(problem->text), format, args);
    va_end(args);
}

/* Problems in the order of their lines (those without a line last), in
 * the order found where lines are equal. */
static void TellProblems(void)
{
    static int order[PROBLEM_MAX];
    int i, j, moving;
    char more[64];

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
        g_check.output(CHECK_PROBLEM, g_check.problems[order[i]].line,
                       g_check.problems[order[i]].text, g_check.context);
    if (g_check.problemCount > g_check.kept) {
        TextFormat(more, sizeof(more), "... and %d more problems",
                   g_check.problemCount - g_check.kept);
        g_check.output(CHECK_PROBLEM, 0, more, g_check.context);
    }
}

/* The name of disk `disk` (from 0), which is also its section's name. */
static void DiskName(int disk, char *name, int size)
{
    TextCopy(name, size, LoadText(IDS_DISK1 + disk));
}

static int ScriptLine(UINT sectionId, const char *key)
{
    char section[TEXT_MAX];

    TEXT_COPY(section, LoadText(sectionId));
    return FindScriptLine(g_check.scriptPath, section, key);
}

static int RecordLine(int disk, int file)
{
    char key[16];

    TextFormat(key, sizeof(key), "%d", file + 1);
    return ScriptLine(IDS_DISK1 + disk, key);
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

static int DirectoryKeyIndex(const char *key)
{
    int k;

    for (k = 0; k < DIRECTORY_KEYS; k++) {
        if (lstrcmpiA(key, LoadText(IDS_ROOT_DIR + k)) == 0)
            return k;
    }
    return -1;
}

/* The loader's word on a line it could not take whole. */
static void OnLoaderNote(const FileRecord *record, int note, const char *text)
{
    char keyName[TEXT_MAX];
    int disk, file, line, k;

    /* a description of a record left empty is never shown */
    if (note == SCRIPT_NOTE_DESCRIPTION_CUT && g_check.emptied[record - g_setup.fileTable[0]])
        return;
    LocateRecord(record, &disk, &file);
    line = RecordLine(disk, file);
    if (note == SCRIPT_NOTE_LINE_TOO_LONG || note == SCRIPT_NOTE_NAME_TOO_LONG ||
        note == SCRIPT_NOTE_DIR_TOO_LONG)
        g_check.emptied[record - g_setup.fileTable[0]] = 1;
    switch (note) {
    case SCRIPT_NOTE_LINE_TOO_LONG:
        AddProblem(line, "line too long: %d characters read, more than the setup reads whole. "
                   "Setup: refuses the line; the record stays empty and copies nothing.",
                   (int)lstrlenA(text));
        break;
    case SCRIPT_NOTE_NAME_TOO_LONG:
        AddProblem(line, "name \"%s\" too long for its field: %d characters, at most %d. "
                   "Setup: leaves the record empty and copies nothing.",
                   text, (int)lstrlenA(text), (int)sizeof(record->sourceName) - 1);
        break;
    case SCRIPT_NOTE_DIR_TOO_LONG:
        k = DirectoryKeyIndex(text);
        TEXT_COPY(keyName, k >= 0 ? LoadText(IDS_ROOT_DIR + k) : text);
        AddProblem(line, "directory %s (\"%s\", line %d) too long for its field: at most "
                   "%d characters, also under the Windows directory. Setup: leaves the record "
                   "empty and copies nothing.", keyName, k >= 0 ? g_setup.directoryNames[k] : "",
                   ScriptLine(IDS_DIRECTORY_SECTION, keyName), (int)sizeof(record->targetDir) - 1);
        break;
    case SCRIPT_NOTE_UNKNOWN_DIR_KEY:
        AddProblem(line, "unknown directory key \"%s\". Setup: leaves the record's directories "
                   "empty: the file comes from the package folder itself and goes into the "
                   "destination directory itself.", text);
        break;
    case SCRIPT_NOTE_DESCRIPTION_CUT:
        AddProblem(line, "description too long for its field: %d characters, at most %d. "
                   "Setup: shows it cut.", (int)lstrlenA(text),
                   (int)sizeof(record->description) - 1);
        break;
    }
}

/* Texts of the script that the loader cuts to their fields. */
struct TextSetting {
    UINT sectionId;
    UINT keyId;                 /* 0: keyText */
    const char *keyText;
    char *field;
    int size;
};

static const TextSetting textSettings[] = {
    { IDS_MAIN_SECTION,    IDS_PRODUCT_NAME,       NULL,    g_setup.productName, PRODUCT_MAX },
    { IDS_STARTUP_SECTION, IDS_TITLE,              NULL,    g_setup.bannerTitle, TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_MFG,                NULL,    g_setup.driverInfo.mfg, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_MOUSE_DRIVER,       NULL,    g_setup.driverInfo.mouseDriver, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_MOUSE_INF,          NULL,    g_setup.driverInfo.mouseInf, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_DRIVER_DATE,        NULL,    g_setup.driverInfo.driverDate, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_PS2_INF_SECTION,    NULL,    g_setup.driverInfo.ps2InfSection, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_SERIAL_INF_SECTION, NULL,    g_setup.driverInfo.serialInfSection, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_PS2_NAME,           NULL,    g_setup.driverInfo.ps2Name, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, IDS_SERIAL_NAME,        NULL,    g_setup.driverInfo.serialName, DRIVER_TEXT_MAX },
    { IDS_STARTUP_SECTION, 0,                      "PnpID", g_setup.driverInfo.pnpId, PNP_ID_MAX },
};

static void CheckSettingWidths(void)
{
    char section[TEXT_MAX], key[TEXT_MAX], raw[2048];
    const TextSetting *setting;
    size_t i;
    int length, k;

    for (i = 0; i < sizeof(textSettings) / sizeof(textSettings[0]); i++) {
        setting = &textSettings[i];
        TEXT_COPY(section, LoadText(setting->sectionId));
        TEXT_COPY(key, setting->keyId != 0 ? LoadText(setting->keyId) : setting->keyText);
        length = (int)GetPrivateProfileStringA(section, key, "", raw, sizeof(raw),
                                               g_check.scriptPath);
        if (length >= setting->size)
            AddProblem(FindScriptLine(g_check.scriptPath, section, key),
                       "%s too long for its field: %d characters, at most %d. "
                       "Setup: uses \"%s\".", key, length, setting->size - 1, setting->field);
    }
    /* a directory value longer than a record's field is told with the
     * records that use it; one cut by the script reader here */
    TEXT_COPY(section, LoadText(IDS_DIRECTORY_SECTION));
    for (k = 0; k < DIRECTORY_KEYS; k++) {
        TEXT_COPY(key, LoadText(IDS_ROOT_DIR + k));
        length = (int)GetPrivateProfileStringA(section, key, "", raw, sizeof(raw),
                                               g_check.scriptPath);
        if (length >= TEXT_MAX)
            AddProblem(FindScriptLine(g_check.scriptPath, section, key),
                       "%s too long: %d characters, at most %d. Setup: cuts it, and no "
                       "record can use it.", key, length, TEXT_MAX - 1);
    }
    if (g_setup.installDir[0] == '\0') {
        TEXT_COPY(section, LoadText(IDS_MAIN_SECTION));
        TEXT_COPY(key, LoadText(IDS_DEFAULT_PATH));
        GetPrivateProfileStringA(section, key, "", raw, sizeof(raw), g_check.scriptPath);
        AddProblem(FindScriptLine(g_check.scriptPath, section, key),
                   "DefaultPath \"%s\" gives a directory longer than %d characters. "
                   "Setup: proposes no directory; the user must choose one.", raw, DIR_MAX - 1);
    }
}

static void TellSettings(const char *packageDir)
{
    const DriverInfo *info = &g_setup.driverInfo;
    const char *const driverKeys[] = { "Mfg", "MouseDriver", "MouseInf", "DriverDate",
                                       "PS2InfSection", "SerialInfSection", "PS2Name",
                                       "SeialName", "PnpID" };
    const char *const driverValues[] = { info->mfg, info->mouseDriver, info->mouseInf,
                                         info->driverDate, info->ps2InfSection,
                                         info->serialInfSection, info->ps2Name,
                                         info->serialName, info->pnpId };
    char disk[16];
    size_t i;
    int d;

    Say("Package            %s", packageDir);
    Say("Product name       %s", g_setup.productName);
    Say("Caption            %s", g_setup.caption);
    Say("Banner title       %s", g_setup.bannerTitle);
    if (g_setup.installDir[0] != '\0')
        Say("Default directory  %s (with Windows in %s)", g_setup.installDir, g_setup.windowsDir);
    else
        Say("Default directory  none: targets shown under %s (with Windows in %s)", CHOSEN_DIR,
            g_setup.windowsDir);
    Say("Minimum space      %d KB", g_setup.minimumSpaceKb);
    if (g_setup.ps2Only)
        Say("Mouse              PS/2 only (PS2Only=%d): no mouse type page", g_setup.ps2Only);
    else
        Say("Mouse              %s proposed (DefaultSerialMouse=%d), PS2Only=0",
            g_setup.serialMouse ? "serial" : "PS/2", g_setup.serialMouse);
    Say("Logo               %s (OEM=%d)", g_setup.noLogo ? "left out" : "shown", g_setup.noLogo);
    for (i = 0; i < sizeof(driverKeys) / sizeof(driverKeys[0]); i++)
        Say("%-18s %s", driverKeys[i], driverValues[i]);
    for (d = 0; d < DIRECTORY_KEYS; d++) {
        if (g_setup.directoryNames[d][0] != '\0')
            Say("%-18s %s", LoadText(IDS_ROOT_DIR + d), g_setup.directoryNames[d]);
    }
    Say("Disks              %d", g_setup.diskCount);
    for (d = 0; d < g_setup.diskCount; d++) {
        DiskName(d, disk, sizeof(disk));
        Say("  %-16s %d files", disk, g_setup.fileCounts[d]);
    }
}

/* The numbered keys of one disk's section, gathered from the script. */
struct NumberedKeys {
    const char *section;
    int count;                  /* the disk's loaded count */
    int presentInCount;         /* distinct keys 1 to count */
    int beyond;                 /* distinct keys above count */
    int highest;
    int firstBeyondLine;
    unsigned char seen[RECORD_MAX / 8 + 1];
};

static void GatherNumberedKey(const char *section, const char *key, int line, void *context)
{
    NumberedKeys *keys = (NumberedKeys *)context;
    int number = 0;
    const char *p;

    if (key == NULL || lstrcmpiA(section, keys->section) != 0 || key[0] < '1' || key[0] > '9')
        return;
    for (p = key; *p != '\0'; p++) {
        if (*p < '0' || *p > '9' || number > RECORD_MAX)
            return;
        number = number * 10 + (*p - '0');
    }
    if (number > RECORD_MAX || (keys->seen[number / 8] & (1 << (number % 8))))
        return;
    keys->seen[number / 8] |= (unsigned char)(1 << (number % 8));
    if (number > keys->highest)
        keys->highest = number;
    if (number <= keys->count) {
        keys->presentInCount++;
    } else {
        if (keys->beyond++ == 0)
            keys->firstBeyondLine = line;
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
    char section[16], countKey[16];
    int disk, countLine, missing;

    for (disk = 0; disk < DISK_MAX; disk++) {
        DiskName(disk, section, sizeof(section));
        FillBytes(&keys, 0, sizeof(keys));
        keys.section = section;
        keys.count = disk < g_setup.diskCount ? g_setup.fileCounts[disk] : 0;
        ForEachScriptLine(g_check.scriptPath, GatherNumberedKey, &keys);
        TEXT_COPY(countKey, section);
        countLine = ScriptLine(IDS_FILE_COUNTS_SECTION, countKey);
        if (disk >= g_setup.diskCount) {
            if (keys.beyond > 0)
                AddProblem(keys.firstBeyondLine, "[%s] has %d numbered line(s), but [DiskLabel] "
                           "labels only %d disks. Setup: does not load this section; its "
                           "files are not installed.", section, keys.beyond, g_setup.diskCount);
            continue;
        }
        missing = keys.count - keys.presentInCount;
        if (missing > 0)
            AddProblem(countLine, "count %d of %s is larger than its numbered lines: %d of "
                       "the keys 1 to %d %s missing (the first: %d). Setup: those records stay "
                       "empty and copy nothing.", keys.count, section, missing, keys.count,
                       missing == 1 ? "is" : "are", FirstMissingKey(&keys));
        if (keys.beyond > 0)
            AddProblem(countLine != 0 ? countLine : keys.firstBeyondLine,
                       "count %d of %s is smaller than its numbered lines, which go up to "
                       "%d. Setup: installs the lines 1 to %d only; %d %s beyond %s not "
                       "installed.", keys.count, section, keys.highest, keys.count,
                       keys.beyond, keys.beyond == 1 ? "line" : "lines",
                       keys.beyond == 1 ? "is" : "are");
    }
}

/* 8.3: one to eight characters, then at most a dot and up to three,
 * none of them a blank or a character short names cannot hold. */
static int IsShortName(const char *name)
{
    const char *dot = TextFindChar(name, '.');
    size_t base = dot != NULL ? (size_t)(dot - name) : lstrlenA(name);
    const char *p;

    if (base < 1 || base > 8)
        return 0;
    if (dot != NULL && (TextFindChar(dot + 1, '.') != NULL || lstrlenA(dot + 1) > 3))
        return 0;
    for (p = name; *p != '\0'; p++) {
        if ((unsigned char)*p < 0x20 || TextFindChar(" \"*+,/:;<=>?[\\]|", *p) != NULL)
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

    FillBytes(facts, 0, sizeof(*facts));
    facts->present = attributes != INVALID_FILE_ATTRIBUTES &&
                     !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    FillBytes(&openRecord, 0, sizeof(openRecord));
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

/* The bytes the setup will write for this source; 0 when it writes none. */
static LONG CheckSource(int line, const char *path, const FileRecord *record,
                        const SourceFacts *facts)
{
    static const char *const headerFaults[] = {
        "", "", "shorter than its 14-byte header", "wrong signature", "unknown method"
    };

    if (!facts->present && !facts->opened) {
        AddProblem(line, "source file missing: %s. Setup: copies nothing for this line.", path);
        return 0;
    }
    if (!facts->present)
        AddProblem(line, "source file missing: %s. Setup: opens %s in its place and installs "
                   "that as %s.", path, facts->openedPath, record->targetName);
    if (facts->header > HEADER_GOOD) {
        AddProblem(line, "compressed file with a damaged header (%s): %s. Setup: %s.",
                   headerFaults[facts->header], facts->openedPath,
                   facts->opened ? "copies it as it is stored, not expanded"
                                 : "cannot open it and copies nothing");
        return facts->opened ? facts->expected : 0;
    }
    if (!facts->opened) {
        AddProblem(line, "source file cannot be opened: %s. Setup: copies nothing for this "
                   "line.", path);
        return 0;
    }
    if (facts->expanded != facts->expected) {
        AddProblem(line, "compressed file with damaged data: %s expands to %ld of the %ld "
                   "bytes its header gives. Setup: removes the short copy; nothing is "
                   "installed.", facts->openedPath, facts->expanded, facts->expected);
        return 0;
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

static void TellRow(int disk, int file, int line, const char *source, const char *target,
                    const char *stored, const char *expanded, const char *description)
{
    char lineText[16];

    if (line != 0)
        TextFormat(lineText, sizeof(lineText), "%d", line);
    else
        TEXT_COPY(lineText, "-");
    Say("%4d %4d %5s  %-*s  %-*s %9s %9s  %s", disk + 1, file + 1, lineText,
        g_check.sourceWidth, source, g_check.targetWidth, target, stored, expanded,
        description);
}

/* One record: its row of the table and its problems; returns the bytes
 * the setup writes for it. */
static LONG CheckRecord(int disk, int file)
{
    const FileRecord *record = g_setup.fileTable[disk] + file;
    int index = (int)(record - g_setup.fileTable[0]);
    char source[TEXT_MAX], target[TEXT_MAX], stored[16], expanded[16];
    int line, haveSource, haveTarget;
    SourceFacts facts;
    LONG written;

    line = RecordLine(disk, file);
    if (record->sourceName[0] == '\0' || record->targetName[0] == '\0') {
        if (line != 0 && !g_check.emptied[index])
            AddProblem(line, "record left empty: the line gives no source or no target name. "
                       "Setup: copies nothing for it.");
        TellRow(disk, file, line, "-", "-", "-", "-", "(empty)");
        return 0;
    }
    haveSource = BuildSourcePath(source, sizeof(source), disk, file);
    haveTarget = BuildTargetPath(target, sizeof(target), disk, file);
    if (!IsShortName(record->sourceName))
        AddProblem(line, "\"%s\" is not an 8.3 name. Setup: asks for it by this long name; "
                   "a package disk copied with DOS tools keeps only a short alias.",
                   record->sourceName);
    if (!IsShortName(record->targetName))
        AddProblem(line, "\"%s\" is not an 8.3 name. Setup: installs it under this long "
                   "name, which 16-bit programs and DOS see only by a short alias.",
                   record->targetName);
    if (!haveSource)
        AddProblem(line, "source path too long (more than %d characters). Setup: copies "
                   "nothing for this line.", TEXT_MAX - 1);
    if (!haveTarget)
        AddProblem(line, "target path too long (more than %d characters). Setup: copies "
                   "nothing for this line.", TEXT_MAX - 1);

    written = 0;
    FillBytes(&facts, 0, sizeof(facts));
    if (haveSource) {
        InspectSource(source, &facts);
        written = CheckSource(line, source, record, &facts);
    }
    if (facts.present || facts.opened)
        TextFormat(stored, sizeof(stored), "%lu", (unsigned long)facts.stored);
    else
        TEXT_COPY(stored, "missing");
    if (facts.opened)
        TextFormat(expanded, sizeof(expanded), "%ld", facts.expected);
    else
        TEXT_COPY(expanded, "-");
    TellRow(disk, file, line, haveSource ? source : "(too long)",
            haveTarget ? target : "(none)", stored, expanded, record->description);
    if (!haveTarget)
        return 0;
    g_check.targetHash[index] = HashTarget(target);
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
            length = BuildSourcePath(path, sizeof(path), disk, file) ? (int)lstrlenA(path) : 0;
            if (length > g_check.sourceWidth)
                g_check.sourceWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
            length = BuildTargetPath(path, sizeof(path), disk, file) ? (int)lstrlenA(path) : 0;
            if (length > g_check.targetWidth)
                g_check.targetWidth = length < COLUMN_MAX ? length : COLUMN_MAX;
        }
    }
}

static void CheckSpace(unsigned long long total)
{
    unsigned long long kb = (total + 1023) / 1024;
    char section[TEXT_MAX], key[TEXT_MAX];
    int line;

    Say("Total              %lu bytes expanded = %lu KB; MinimumSpace %d KB",
        (unsigned long)(total < 0xFFFFFFFFull ? total : 0xFFFFFFFFull),
        (unsigned long)(kb < 0xFFFFFFFFull ? kb : 0xFFFFFFFFull), g_setup.minimumSpaceKb);
    if (kb <= (unsigned long long)(g_setup.minimumSpaceKb > 0 ? g_setup.minimumSpaceKb : 0))
        return;
    TEXT_COPY(section, LoadText(IDS_MAIN_SECTION));
    TEXT_COPY(key, LoadText(IDS_MINIMUM_SPACE));
    line = FindScriptLine(g_check.scriptPath, section, key);
    if (line == 0)
        line = FindScriptLine(g_check.scriptPath, section, NULL);
    AddProblem(line, "the files expand to %lu KB, more than MinimumSpace %d KB. Setup: "
               "accepts a drive with %d KB free, which the files can fill.",
               (unsigned long)(kb < 0xFFFFFFFFull ? kb : 0xFFFFFFFFull),
               g_setup.minimumSpaceKb, g_setup.minimumSpaceKb);
}

/* Two records that write the same file: the later one wins. */
static void CheckSameTargets(int recordCount)
{
    char first[TEXT_MAX], second[TEXT_MAX], full[2][MAX_PATH];
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
            AddProblem(RecordLine(diskB, fileB), "same target as line %d: %s. Setup: copies "
                       "both; this one overwrites the other.", RecordLine(diskA, fileA),
                       full[1]);
            break;
        }
    }
}

static void TellFileTable(void)
{
    unsigned long long total = 0;
    int disk, file;

    MeasureColumns();
    Say("");
    Say("Files (targets with the default directory and Windows in %s)", g_setup.windowsDir);
    Say("Disk   No  Line  %-*s  %-*s %9s %9s  %s", g_check.sourceWidth, "Source",
        g_check.targetWidth, "Target", "Stored", "Expanded", "Description");
    for (disk = 0; disk < g_setup.diskCount; disk++) {
        for (file = 0; file < g_setup.fileCounts[disk]; file++)
            total += (unsigned long long)CheckRecord(disk, file);
    }
    CheckSpace(total);
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
    char message[MESSAGE_MAX];

    TextFormat(message, sizeof(message), format, text);
    g_check.output(CHECK_ERROR, 0, message, g_check.context);
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

int CheckPackage(const char *packageDir, CheckOutput output, void *context)
{
    char directory[MAX_PATH];
    HANDLE script;
    int records, disk;

    FillBytes(&g_check, 0, sizeof(g_check));
    g_check.output = output;
    g_check.context = context;
    if (!FullPackageDir(packageDir, directory, sizeof(directory)))
        return Unreadable("cannot make a full path of the package folder %s", packageDir);
    if (lstrlenA(directory) >= DIR_MAX)
        return Unreadable("the package folder's path is longer than the setup's 79 "
                          "characters: %s", directory);
    if (!PathJoin(g_check.scriptPath, sizeof(g_check.scriptPath), directory, "SETUP.INF"))
        return Unreadable("the script's path is too long: %s", directory);
    script = CreateFileA(g_check.scriptPath, GENERIC_READ, FILE_SHARE_READ, NULL,
                         OPEN_EXISTING, 0, NULL);
    if (script == INVALID_HANDLE_VALUE)
        return Unreadable("cannot read %s", g_check.scriptPath);
    CloseHandle(script);
    if (!LoadScript(directory))
        return Unreadable("the setup cannot load %s", g_check.scriptPath);

    TellSettings(directory);
    CheckSettingWidths();
    if (g_setup.installDir[0] == '\0')
        TEXT_COPY(g_setup.installDir, CHOSEN_DIR);
    CheckCounts();
    TellFileTable();
    records = 0;
    for (disk = 0; disk < g_setup.diskCount; disk++)
        records += g_setup.fileCounts[disk];
    CheckSameTargets(records);
    FreeFileTable();

    Say("");
    TellProblems();
    if (g_check.problemCount == 0)
        Say("No problem found.");
    else
        Say("%d problem%s found.", g_check.problemCount, g_check.problemCount == 1 ? "" : "s");
    return g_check.problemCount == 0 ? CHECK_CLEAN : CHECK_PROBLEMS;
}
