/* The names the loader reads, section by section: unknown sections and
 * keys with the nearest known name, and names given twice. */
#include "check_run.h"
#include "resource.h"
#include "package_picture.h"
#include "script_keys.h"
#include "text.h"

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
const char *NearestName(const char *name, const char *const *names, int count)
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

void DidYouMean(char *buffer, int size, const char *nearest, const char *before,
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

/* The names the loader reads, section by section: from the string table
 * where the loader takes them from it, else by the loader's own names.
 * LoadKnownNames fills them before a check. */
#define SECTION_COUNT   11      /* Main ... FileCounts, Disk1 ... Disk6 */
#define NAME_ROOM       24
static const char *sectionNames[SECTION_COUNT];
static const char *mainKeys[8];
const char *startupKeys[DRIVER_STRING_COUNT + 2];
static const char *diskKeys[DISK_MAX];
const char *directoryKeys[DIRECTORY_KEYS];
static char nameRoom[SECTION_COUNT + DIRECTORY_KEYS + DRIVER_STRING_COUNT + 4][NAME_ROOM];
static int namesUsed;

struct KnownSection {
    const char *name;
    const char *const *keys;    /* null: the numbered keys of a disk */
    int keyCount;
};

static KnownSection knownSections[SECTION_COUNT];

/* A string-table name, kept (the loader's texts rotate). */
static const char *TableName(UINT id)
{
    char *room;

    if (namesUsed >= COUNT_OF(nameRoom))
        return "";
    room = nameRoom[namesUsed++];
    TextCopy(room, NAME_ROOM, LoadText(id));
    return room;
}

void LoadKnownNames(void)
{
    static const UINT sectionIds[5] = {
        IDS_MAIN_SECTION, IDS_STARTUP_SECTION, IDS_DISK_LABEL_SECTION, IDS_DIRECTORY_SECTION,
        IDS_FILE_COUNTS_SECTION,
    };
    int i;

    namesUsed = 0;
    for (i = 0; i < 5; i++)
        sectionNames[i] = TableName(sectionIds[i]);
    for (i = 0; i < DISK_MAX; i++)
        sectionNames[5 + i] = diskKeys[i] = TableName(IDS_DISK1 + i);
    for (i = 0; i < DIRECTORY_KEYS; i++)
        directoryKeys[i] = TableName(IDS_ROOT_DIR + i);
    mainKeys[0] = TableName(IDS_DEFAULT_PATH);
    mainKeys[1] = TableName(IDS_PRODUCT_NAME);
    mainKeys[2] = TableName(IDS_MINIMUM_SPACE);
    mainKeys[3] = KEY_OEM;
    mainKeys[4] = KEY_DEFAULT_SERIAL;
    mainKeys[5] = KEY_PS2_ONLY;
    mainKeys[6] = pictureKinds[PICTURE_SIDE].key;
    mainKeys[7] = pictureKinds[PICTURE_LOGO].key;
    startupKeys[0] = TableName(IDS_TITLE);
    for (i = 0; i < DRIVER_STRING_COUNT; i++)
        startupKeys[1 + i] = TableName(IDS_MFG + i);
    startupKeys[1 + DRIVER_STRING_COUNT] = KEY_PNP_ID;
    for (i = 0; i < SECTION_COUNT; i++) {
        knownSections[i].name = sectionNames[i];
        knownSections[i].keys = NULL;
        knownSections[i].keyCount = 0;
    }
    knownSections[0].keys = mainKeys, knownSections[0].keyCount = COUNT_OF(mainKeys);
    knownSections[1].keys = startupKeys, knownSections[1].keyCount = COUNT_OF(startupKeys);
    knownSections[2].keys = diskKeys, knownSections[2].keyCount = COUNT_OF(diskKeys);
    knownSections[3].keys = directoryKeys, knownSections[3].keyCount = COUNT_OF(directoryKeys);
    knownSections[4].keys = diskKeys, knownSections[4].keyCount = COUNT_OF(diskKeys);
}

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
    char text[MESSAGE_MAX], key[80], hint[TEXT_MAX], value[TEXT_MAX], quoted[80], shown[96];
    const char *other, *nearest, *use;

    Quote(key, sizeof(key), line->name);
    if (known->keys == NULL) {
        TextFormat(text, sizeof(text), "unknown key \"%s\" in [%s]: the setup reads the "
                   "numbered keys 1, 2, ... of a disk. Setup: never reads it.", key,
                   section->name);
        WARNING_AT(line->number, text);
        return;
    }
    nearest = NearestName(line->name, known->keys, known->keyCount);
    DidYouMean(hint, sizeof(hint), nearest, "", "");
    other = SectionOfKey(line->name);
    if (hint[0] == '\0' && other != NULL)
        TextFormat(hint, sizeof(hint), " (it belongs in [%s])", other);
    TextFormat(text, sizeof(text), "unknown key \"%s\" in [%s]%s. Setup: never reads it.",
               key, section->name, hint);
    /* the meant key is then not given: the setup uses its default */
    if (nearest != NULL && FindScriptLine(&g_check.script, section->name, nearest) == 0 &&
        SettingInUse(nearest, value, sizeof(value), &use)) {
        Quote(quoted, sizeof(quoted), value);
        if (value[0] != '\0')
            TextFormat(shown, sizeof(shown), "\"%s\"", quoted);
        else
            TEXT_COPY(shown, "empty");
        TextFormat(text, sizeof(text), "unknown key \"%s\" in [%s]%s. Setup: never reads it; "
                   "without %s it uses the default, %s%s%s%s.", key, section->name, hint,
                   nearest, shown, use[0] != '\0' ? ": " : "", use,
                   use[0] != '\0' ? " it" : "");
    }
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
void CheckNames(void)
{
    static unsigned char seen[RECORD_MAX / 8 + 1];
    const ScriptText *script = &g_check.script;
    const ScriptLine *line, *section, *earlier;
    const KnownSection *known;
    char text[MESSAGE_MAX], name[80], hint[TEXT_MAX];
    int i, first, number = 0;

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
            FillBytes(seen, 0, sizeof(seen));
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

