/* Loads the setup script SETUP.INF and builds the file table. */
#include "script_test.h"
#include "package_picture.h"
#include "script_keys.h"
#include "text.h"
#include "registry_read.h"
#include "resource.h"

/* The largest file table: counts are 16-bit and their sum must fit. */
#define RECORD_COUNT_MAX 32767

static char scriptPath[MAX_PATH];

ScriptNoteHook g_scriptNoteHook;

static void NoteRecord(const FileRecord *record, int note, const char *text)
{
    if (g_scriptNoteHook != NULL)
        g_scriptNoteHook(record, note, text);
}

static void ReadScriptText(const char *section, const char *key,
                           const char *defaultText, char *buffer, int size)
{
    GetPrivateProfileStringA(section, key, defaultText, buffer, (DWORD)size,
                             scriptPath);
    buffer[size - 1] = '\0';
}

static int ReadScriptInt(const char *section, const char *key, int defaultValue)
{
    return (int)GetPrivateProfileIntA(section, key, defaultValue, scriptPath);
}

/* sourceDir := the program's own directory, its path cut at the last "\".
 * 0, with sourceDir empty, when it does not fit whole: then there is no
 * script to read and nothing to install from. */
static int FindSourceDirectory(const char *programPath)
{
    char modulePath[MAX_PATH + 1];
    int i;

    if (!TEXT_COPY(modulePath, programPath)) {
        g_setup.sourceDir[0] = '\0';
        return 0;
    }
    for (i = (int)lstrlenA(modulePath) - 1; i >= 1; i--) {
        if (modulePath[i] == '\\') {
            modulePath[i] = '\0';
            break;
        }
    }
    if (!TEXT_COPY(g_setup.sourceDir, modulePath)) {
        g_setup.sourceDir[0] = '\0';
        return 0;
    }
    return 1;
}

static void BuildCaption(void)
{
    TEXT_COPY(g_setup.caption, g_setup.productName);
    TEXT_APPEND(g_setup.caption, " ");
    TEXT_APPEND(g_setup.caption, LoadText(IDS_SETUP_PROGRAM));
}

/* "ProgramFilesDir" of the registry, or the fixed default when the key
 * cannot be opened. An absent value leaves the base empty. */
static void ReadProgramFilesDir(char *base, int size)
{
    HKEY key;
    char value[1024];

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, 0, KEY_ALL_ACCESS,
                      &key) != ERROR_SUCCESS) {
        TextCopy(base, size, PROGRAM_FILES_DEFAULT);
        return;
    }
    if (!ReadTextValue(key, "ProgramFilesDir", value, sizeof(value)) || !TextCopy(base, size, value))
        base[0] = '\0';
    RegCloseKey(key);
}

/* installDir from "DefaultPath": a path with a drive moves to the drive
 * that holds Windows; any other is put under the program files
 * directory. A result that does not fit installDir leaves it empty. */
static void ApplyDefaultPath(void)
{
    char defaultPath[TEXT_MAX];
    char path[2 * TEXT_MAX];
    int fits;

    ReadScriptText(LoadText(IDS_MAIN_SECTION), LoadText(IDS_DEFAULT_PATH),
                   "C:\\VELTO", defaultPath, sizeof(defaultPath));
    if (lstrlenA(defaultPath) > 2 && defaultPath[1] == ':') {
        TEXT_COPY(path, defaultPath);
        path[0] = g_setup.windowsDir[0];
        fits = 1;
    } else {
        path[0] = '\0';
        ReadProgramFilesDir(path, DIR_MAX);
        fits = 1;
        if (defaultPath[0] != '\\')
            fits = TEXT_APPEND(path, "\\");
        fits = fits && TEXT_APPEND(path, defaultPath);
    }
    if (!fits || !TEXT_COPY(g_setup.installDir, path))
        g_setup.installDir[0] = '\0';
}

/* Each count is a 16-bit signed value; one below 0 counts as 0, and the
 * sum stays within the 16-bit range. */
static short ReadFileCounts(void)
{
    int total = 0;
    int disk, count;

    for (disk = 0; disk < g_setup.diskCount; disk++) {
        /* both names loaded for each call: the ring holds only four */
        count = (short)ReadScriptInt(LoadText(IDS_FILE_COUNTS_SECTION),
                                     LoadText(IDS_DISK1 + disk), 0);
        if (count < 0)
            count = 0;
        if (count > RECORD_COUNT_MAX - total)
            count = RECORD_COUNT_MAX - total;
        g_setup.fileCounts[disk] = (short)count;
        total += count;
    }
    return (short)total;
}

/* Sets the record's directories from directory key `index`; 0 when a
 * directory does not fit its field. */
static int SetRecordDirectories(FileRecord *record, int index)
{
    static const char *const windowsSubdirs[3] = { "", "\\SYSTEM", "\\INF" };
    char target[TEXT_MAX];

    if (!TEXT_COPY(record->sourceSubdir, g_setup.directoryNames[index]))
        return 0;
    if (index < DIR_WINDOWS) {
        record->targetIsAbsolute = 0;
        return TEXT_COPY(record->targetDir, g_setup.directoryNames[index]);
    }
    record->targetIsAbsolute = 1;
    if (g_setup.windowsDir[0] == '\0')
        return 0;
    TEXT_COPY(target, g_setup.windowsDir);
    return TEXT_APPEND(target, windowsSubdirs[index - DIR_WINDOWS]) &&
           TEXT_COPY(record->targetDir, target);
}

/* Fills one record from its file line. A name or directory that does not
 * fit its field empties the whole record, so nothing is copied for it;
 * the description is only shown and may be cut. */
static void ParseFileLine(FileRecord *record, const char *line)
{
    char sourceName[TEXT_MAX], targetName[TEXT_MAX];
    char description[TEXT_MAX], directoryKey[TEXT_MAX];
    const char *next;
    int fits, k;

    next = SplitField(line, sourceName, sizeof(sourceName));
    next = SplitField(next, targetName, sizeof(targetName));
    next = SplitField(next, description, sizeof(description));
    SplitField(next, directoryKey, sizeof(directoryKey));

    fits = TEXT_COPY(record->sourceName, sourceName);
    if (!fits)
        NoteRecord(record, SCRIPT_NOTE_NAME_TOO_LONG, sourceName);
    else if (!(fits = TEXT_COPY(record->targetName, targetName)))
        NoteRecord(record, SCRIPT_NOTE_NAME_TOO_LONG, targetName);
    if (!TEXT_COPY(record->description, description))
        NoteRecord(record, SCRIPT_NOTE_DESCRIPTION_CUT, description);
    for (k = 0; fits && k < DIRECTORY_KEYS; k++) {
        if (lstrcmpiA(directoryKey, LoadText(IDS_ROOT_DIR + k)) == 0) {
            fits = SetRecordDirectories(record, k);
            if (!fits)
                NoteRecord(record, SCRIPT_NOTE_DIR_TOO_LONG, directoryKey);
            break;
        }
    }
    if (fits && k == DIRECTORY_KEYS)
        NoteRecord(record, SCRIPT_NOTE_UNKNOWN_DIR_KEY, directoryKey);
    if (!fits)
        FillBytes(record, 0, sizeof(*record));
}

static void LoadDiskRecords(int disk)
{
    /* Room beyond a text value's 255 characters, so that a line the
     * reader had to cut is seen and refused instead of parsed. */
    char line[4 * TEXT_MAX];
    char key[16];
    const char *section;
    FileRecord *record;
    int j;

    for (j = 0; j < g_setup.fileCounts[disk]; j++) {
        record = g_setup.fileTable[disk] + j;
        TextFormat(key, sizeof(key), "%d", j + 1);
        section = LoadText(IDS_DISK1 + disk);
        ReadScriptText(section, key, "", line, sizeof(line));
        if (line[0] == '\0')
            continue;
        if (lstrlenA(line) >= (int)sizeof(line) - 1) {
            NoteRecord(record, SCRIPT_NOTE_LINE_TOO_LONG, line);
            continue;
        }
        ParseFileLine(record, line);
    }
    /* numbered lines beyond the disk's count are no records: counted, so
     * that the copy can tell the user they are not installed */
    g_setup.linesBeyondCount[disk] = 0;
    for (j = g_setup.fileCounts[disk] > 0 ? g_setup.fileCounts[disk] : 0; j < 32767; j++) {
        TextFormat(key, sizeof(key), "%d", j + 1);
        section = LoadText(IDS_DISK1 + disk);
        ReadScriptText(section, key, "", line, sizeof(line));
        if (line[0] == '\0')
            break;
        g_setup.linesBeyondCount[disk]++;
    }
}

/* The driver strings, in the order of their keys "Mfg" to "SeialName". */
static char *DriverString(int index)
{
    DriverInfo *info = &g_setup.driverInfo;
    char *const strings[DRIVER_STRING_COUNT] = {
        info->mfg, info->mouseDriver, info->mouseInf, info->driverDate,
        info->ps2InfSection, info->serialInfSection, info->ps2Name, info->serialName,
    };
    return strings[index];
}

int LoadSetupScript(void)
{
    char programPath[MAX_PATH + 1];
    DWORD length;

    length = GetModuleFileNameA(NULL, programPath, MAX_PATH);
    programPath[length < MAX_PATH ? length : MAX_PATH] = '\0';
    return LoadSetupScriptFrom(programPath);
}

int LoadSetupScriptFrom(const char *programPath)
{
    const char *mainSection, *startup;
    char label[TEXT_MAX];
    short total;
    int disk, i;

    /* Steps in the order of the script's sections. */
    if (!FindSourceDirectory(programPath)) {
        /* the read-error message still shows the usual caption */
        TEXT_COPY(g_setup.productName, "Velto");
        BuildCaption();
        return 0;
    }
    TEXT_COPY(scriptPath, g_setup.sourceDir);
    if (!TEXT_APPEND(scriptPath, "\\SETUP.INF"))
        scriptPath[0] = '\0';

    ApplyDefaultPath();

    mainSection = LoadText(IDS_MAIN_SECTION);
    ReadScriptText(mainSection, LoadText(IDS_PRODUCT_NAME), "Velto",
                   g_setup.productName, sizeof(g_setup.productName));
    BuildCaption();

    mainSection = LoadText(IDS_MAIN_SECTION);
    i = ReadScriptInt(mainSection, LoadText(IDS_MINIMUM_SPACE), 1024);
    if (i < 0)
        i = 0;
    if (i > 32767)
        i = 32767;
    g_setup.minimumSpaceKb = (short)i;

    g_setup.diskCount = 0;
    for (disk = 0; disk < DISK_MAX; disk++) {
        ReadScriptText(LoadText(IDS_DISK_LABEL_SECTION), LoadText(IDS_DISK1 + disk),
                       "", label, sizeof(label));
        TEXT_COPY(g_setup.diskLabels[disk], label);
        if (label[0] != '\0')
            g_setup.diskCount++;
    }

    for (i = 0; i < DIRECTORY_KEYS; i++)
        ReadScriptText(LoadText(IDS_DIRECTORY_SECTION), LoadText(IDS_ROOT_DIR + i),
                       "", g_setup.directoryNames[i], TEXT_MAX);

    total = ReadFileCounts();
    if (!AllocFileTable(total))
        return 0;
    for (disk = 1; disk <= g_setup.diskCount; disk++)
        g_setup.fileTable[disk] = g_setup.fileTable[disk - 1] + g_setup.fileCounts[disk - 1];
    for (disk = 0; disk < g_setup.diskCount; disk++)
        LoadDiskRecords(disk);

    mainSection = LoadText(IDS_MAIN_SECTION);
    g_setup.noLogo = ReadScriptInt(mainSection, KEY_OEM, 0);
    g_setup.serialMouse = ReadScriptInt(mainSection, KEY_DEFAULT_SERIAL, 1);
    g_setup.ps2Only = ReadScriptInt(mainSection, KEY_PS2_ONLY, 0);
    for (i = 0; i < PICTURE_KINDS; i++) {
        ReadScriptText(LoadText(IDS_MAIN_SECTION), pictureKinds[i].key, "",
                       g_setup.pictureNames[i], TEXT_MAX);
    }

    startup = LoadText(IDS_STARTUP_SECTION);
    ReadScriptText(startup, LoadText(IDS_TITLE), "", g_setup.bannerTitle,
                   sizeof(g_setup.bannerTitle));
    for (i = 0; i < DRIVER_STRING_COUNT; i++) {
        startup = LoadText(IDS_STARTUP_SECTION);
        ReadScriptText(startup, LoadText(IDS_MFG + i), "", DriverString(i),
                       DRIVER_TEXT_MAX);
    }
    ReadScriptText(LoadText(IDS_STARTUP_SECTION), KEY_PNP_ID, "1234",
                   g_setup.driverInfo.pnpId, sizeof(g_setup.driverInfo.pnpId));
    return 1;
}

int AllocFileTable(short recordCount)
{
    SIZE_T count = recordCount > 0 ? (SIZE_T)recordCount : 1;

    g_setup.fileTableHandle = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT,
                                          count * sizeof(FileRecord));
    if (g_setup.fileTableHandle == NULL)
        return 0;
    g_setup.fileTable[0] = (FileRecord *)GlobalLock(g_setup.fileTableHandle);
    if (g_setup.fileTable[0] == NULL) {
        GlobalFree(g_setup.fileTableHandle);
        g_setup.fileTableHandle = NULL;
        return 0;
    }
    return 1;
}

void FreeFileTable(void)
{
    int disk;

    if (g_setup.fileTableHandle == NULL)
        return;
    GlobalUnlock(g_setup.fileTableHandle);
    GlobalFree(g_setup.fileTableHandle);
    g_setup.fileTableHandle = NULL;
    for (disk = 0; disk <= DISK_MAX; disk++)
        g_setup.fileTable[disk] = NULL;
}

const char *SplitField(const char *text, char *field, int size)
{
    int length = 0;

    while (*text == ' ')
        text++;
    while (*text != '\0' && *text != ',') {
        if (length < size - 1)
            field[length++] = *text;
        text++;
    }
    while (length > 0 && field[length - 1] == ' ')
        length--;
    if (size > 0)
        field[length] = '\0';
    if (*text == ',')
        text++;
    return text;
}

int ScriptSize(const char *path, DWORD *size)
{
    WIN32_FIND_DATAA found;
    HANDLE search;

    *size = 0;
    search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    *size = found.nFileSizeHigh != 0 ? 0xFFFFFFFFu : found.nFileSizeLow;
    return 1;
}

int ScriptWithinReach(void)
{
    DWORD size;

    return !ScriptSize(scriptPath, &size) || size <= SCRIPT_SIZE_MAX;
}

const char *ScriptPath(void)
{
    return scriptPath;
}
