/* The names the loader reads, section by section: unknown sections and
 * keys with the nearest known name, and names given twice. */
#include "check_run.h"
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

/* The names the loader reads, section by section. */
static const char *const sectionNames[] = {
    "Main", "Startup", "DiskLabel", "DirectoryName", "FileCounts",
    "Disk1", "Disk2", "Disk3", "Disk4", "Disk5", "Disk6",
};
static const char *const mainKeys[] = {
    "DefaultPath", "ProductName", "MinimumSpace", "OEM", "DefaultSerialMouse", "PS2Only",
    "SidePicture", "Logo",
};
static const char *const startupKeys[] = {
    "Title", "Mfg", "MouseDriver", "MouseInf", "DriverDate", "PS2InfSection",
    "SerialInfSection", "PS2Name", "SeialName", "PnpID",
};
static const char *const diskKeys[] = { "Disk1", "Disk2", "Disk3", "Disk4", "Disk5", "Disk6" };
const char *const directoryKeys[DIRECTORY_KEYS] = {
    "RootDir", "SubDir1", "SubDir2", "SubDir3", "SubDir4", "SubDir5", "SubDir6",
    "WinDir", "WinSystemDir", "WinInfDir",
};


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

