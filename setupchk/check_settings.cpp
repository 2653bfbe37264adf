/* The package check's settings: texts the loader cuts, the counts and
 * their widths, the containment faults and the script's encoding. */
#include "check_run.h"
#include "paths.h"
#include "text.h"
#include "resource.h"
#include "containment.h"
#include "setup_script.h"
#include "package_picture.h"

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
    { IDS_MAIN_SECTION,    "SidePicture",      g_setup.pictureNames[PICTURE_SIDE], TEXT_MAX },
    { IDS_MAIN_SECTION,    "Logo",             g_setup.pictureNames[PICTURE_LOGO], TEXT_MAX },
};

/* The numbers of [Main] as the loader read them. */
struct NumberSetting {
    const char *key;
    const int *field;
};

/* What a setting of [Main] or [Startup] shows. */
struct SettingUse {
    const char *key;
    const char *use;
};

static const SettingUse settingUses[] = {
    { "ProductName", "every page title, text and message says" },
    { "DefaultPath", "the destination page proposes" },
    { "Title",       "the banner of the background says" },
};

/* The value the setup uses for a key of [Main] or [Startup], and what
 * shows it (or an empty use); 0 for any other key. */
int SettingInUse(const char *key, char *value, int size, const char **use)
{
    const NumberSetting numbers[] = {
        { "MinimumSpace", NULL }, { "OEM", &g_setup.noLogo },
        { "DefaultSerialMouse", &g_setup.serialMouse }, { "PS2Only", &g_setup.ps2Only },
    };
    int i, found = 0;

    *use = "";
    for (i = 0; i < COUNT_OF(settingUses); i++) {
        if (lstrcmpiA(key, settingUses[i].key) == 0)
            *use = settingUses[i].use;
    }
    for (i = 0; i < COUNT_OF(textSettings) && !found; i++) {
        if (lstrcmpiA(key, textSettings[i].key) == 0) {
            TextCopy(value, size, textSettings[i].field);
            found = 1;
        }
    }
    if (!found && lstrcmpiA(key, "DefaultPath") == 0) {
        TextCopy(value, size, g_setup.installDir);
        found = 1;
    }
    for (i = 0; i < COUNT_OF(numbers) && !found; i++) {
        if (lstrcmpiA(key, numbers[i].key) == 0) {
            TextFormat(value, size, "%d", numbers[i].field != NULL ? *numbers[i].field
                       : (int)g_setup.minimumSpaceKb);
            found = 1;
        }
    }
    return found;
}

/* The value's real length on its line, or -1 when the key is absent. */
static int ValueLength(UINT sectionId, const char *key, int *line)
{
    const ScriptLine *entry;

    *line = LineOf(sectionId, key);
    entry = *line != 0 ? ScriptLineAt(&g_check.script, *line) : NULL;
    return entry != NULL ? entry->valueLength : -1;
}

void CheckSettings(void)
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
void CheckCountWidths(void)
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
void CheckCounts(void)
{
    static NumberedKeys keys;
    char section[16], text[MESSAGE_MAX];
    int disk, countLine, missing, index;

    for (disk = 0; disk < DISK_MAX; disk++) {
        DiskName(disk, section, sizeof(section));
        FillBytes(&keys, 0, sizeof(keys));
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
                       "%d of the keys 1 to %d %s missing (the first: %d). Setup: for each of "
                       "them " SETUP_ASKS, keys.count, section, missing,
                       keys.count, missing == 1 ? "is" : "are", FirstMissingKey(&keys));
            ERROR_AT(countLine != 0 ? countLine : SectionLine(IDS_FILE_COUNTS_SECTION), text);
        }
        if (keys.beyond > 0 && keys.count == 0) {
            TextFormat(text, sizeof(text), "count 0 of %s, but [%s] has %d numbered line(s). "
                       "Setup: installs none of them; those numbered from 1 without a gap it names "
                       "as files not installed (Abort, Retry, Ignore).", section, section,
                       keys.beyond);
            ERROR_AT(countLine != 0 ? countLine : keys.firstBeyondLine, text);
        } else if (keys.beyond > 0) {
            TextFormat(text, sizeof(text), "count %d of %s is smaller than its numbered lines, "
                       "which go up to %d. Setup: installs the lines 1 to %d only; of the %d %s "
                       "beyond, it names each that follows the count without a gap as a file "
                       "not installed (Abort, Retry, Ignore): the installation goes on only "
                       "without them, and then ends incomplete.", keys.count, section,
                       keys.highest, keys.count, keys.beyond,
                       keys.beyond == 1 ? "line" : "lines");
            ERROR_AT(countLine != 0 ? countLine : keys.firstBeyondLine, text);
        }
    }
}

/* Each fault the setup's containment check finds. */
int OnContainmentFault(const ContainmentFault *fault, void *context)
{
    char text[MESSAGE_MAX], refused[80], key[TEXT_MAX], name[8];
    const char *what, *where;
    unsigned char control;
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
    control = FirstControl(fault->text);
    /* a name that stays inside but is not the package's to write */
    if (PathFaultIsName(fault->reason))
        where = "names a file the setup does not write";
    if (control != 0) {
        /* a tab or a line break typed into the script: no file name holds one */
        ControlName(name, sizeof(name), control);
        TextFormat(text, sizeof(text), "%s \"%s\" holds a control character, %s, which no "
                   "file name holds: remove it. Setup: refuses the whole package before it "
                   "copies anything; the installation ends not completed.", what, refused,
                   name);
    } else {
        TextFormat(text, sizeof(text), "%s \"%s\" %s%s (%s). Setup: refuses the whole "
                   "package before it copies anything; the installation ends not completed.",
                   what, refused, PathFaultIsName(fault->reason) ? "" : "leads ", where,
                   PathFaultText(fault->reason));
    }
    ERROR_AT(line != 0 ? line : 1, text);
    return 1;
}

void CheckEncoding(void)
{
    char text[MESSAGE_MAX];
    const ScriptLine *first;
    DWORD size;

    if (ScriptSize(g_check.scriptPath, &size) && size > SCRIPT_SIZE_MAX) {
        TextFormat(text, sizeof(text), "SETUP.INF is %lu bytes long: Windows 95 reads no more "
                   "than %lu bytes of it, and the records beyond come back empty. Setup: "
                   "refuses the package before it writes anything.", (unsigned long)size,
                   (unsigned long)SCRIPT_SIZE_MAX);
        ERROR_AT(1, text);
    }

    if (g_check.script.encoding == SCRIPT_UTF16) {
        ERROR_AT(1, "SETUP.INF is written in UTF-16: save it as ANSI (in Notepad: Save As, "
                 "Encoding ANSI). Setup: Windows 95 and 98 read no section of it: every "
                 "setting takes its default and no file is installed.");
        return;
    }
    if (g_check.script.encoding != SCRIPT_UTF8_BOM)
        return;
    first = ScriptLineAt(&g_check.script, 1);
    if (first != NULL && first->kind == LINE_SECTION)
        TextFormat(text, sizeof(text), "SETUP.INF begins with a UTF-8 byte-order mark: save it "
                   "as ANSI (in Notepad: Save As, Encoding ANSI), which has no mark. Setup: "
                   "Windows 95 and 98 read the mark as part of line 1 and do not see the "
                   "section [%s]; its keys take their defaults.", first->name);
    else
        TEXT_COPY(text, "SETUP.INF begins with a UTF-8 byte-order mark: save it as ANSI (in "
                  "Notepad: Save As, Encoding ANSI), which has no mark. Setup: Windows 95 "
                  "and 98 read the mark as part of line 1.");
    ERROR_AT(1, text);
}
