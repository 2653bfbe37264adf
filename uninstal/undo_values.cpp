/* Undoing a registry value: back to its original only while it holds
 * what the setup wrote. */
#include "undo_parts.h"
#include "uninstal_res.h"
#include "paths.h"
#include "text.h"
#include "file_ops.h"
#include "install.h"
#include "components.h"
#include "values.h"
#include "journal.h"

/* One value as the registry holds it or the journal names it. */
struct ValueData {
    int absent;
    int unknown;
    DWORD type;
    const BYTE *data;
    DWORD length;
};

int IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

static DWORD TextLength(const BYTE *data, DWORD length)
{
    DWORD i;

    for (i = 0; i < length && data[i] != 0; i++)
        ;
    return i;
}

/* Texts compare up to their first zero, as they are read; other values
 * byte for byte. */
static int SameValue(const ValueData *a, const ValueData *b)
{
    DWORD length;

    if (a->absent || b->absent)
        return a->absent && b->absent;
    if (a->unknown || b->unknown)
        return 0;
    if (IsText(a->type) && IsText(b->type)) {
        length = TextLength(a->data, a->length);
        return length == TextLength(b->data, b->length) && SameBytes(a->data, b->data, length);
    }
    return a->type == b->type && a->length == b->length && SameBytes(a->data, b->data, a->length);
}

/* "type data" fields of an entry into a value; 0 when malformed. */
static int LoggedValue(const JournalEntry *entry, int field, ValueData *value)
{
    ZeroMemory(value, sizeof(*value));
    if (lstrcmpA(entry->fields[field], "-") == 0) {
        value->absent = 1;
        return 1;
    }
    if (lstrcmpA(entry->fields[field], "?") == 0) {
        value->unknown = 1;
        return 1;
    }
    value->data = (const BYTE *)entry->fields[field + 1];
    value->length = entry->lengths[field + 1];
    return JournalNumber(entry, field, 0, &value->type);
}

static void NoteDriverChange(const char *path)
{
    if (StartsNoCase(path, ENUM_KEY "\\", 5) || StartsNoCase(path, "System\\", 7))
        g_uninstall.restart = 1;
}

/* What the value holds now; data in room given by the caller. */
static void CurrentValue(HKEY key, const char *name, ValueData *value, BYTE *room, DWORD size)
{
    LONG result;

    ZeroMemory(value, sizeof(*value));
    value->data = room;
    value->length = size;
    result = RegQueryValueExA(key, name, NULL, &value->type, room, &value->length);
    if (result == ERROR_MORE_DATA)
        value->unknown = 1;
    else if (result != ERROR_SUCCESS)
        value->absent = 1;
}

static void KeepValue(const char *keyName, const char *name, UINT reasonId)
{
    char what[2 * MAX_PATH];

    TEXT_COPY(what, keyName);
    TEXT_APPEND(what, ": ");
    TEXT_APPEND(what, name[0] != '\0' ? name : "(default)");
    KeepListed(what, reasonId);
}

/* The restore record's original of a value, when it holds one. */
static int RecordedOriginal(const char *keyPath, const char *name, char *text, int size)
{
    char record[MAX_PATH], subKey[TEXT_MAX];
    size_t s;

    if (!PathJoin(record, sizeof(record), g_setup.installDir, "SETUP.INF"))
        return 0;
    for (s = 0; s < 2; s++) {
        GetPrivateProfileStringA(g_mouseTypes[s], g_recordKeys[PathBelow(keyPath, ENUM_KEY) ? 0 : 1], "", subKey,
                                 sizeof(subKey), record);
        if (!PathSame(subKey, keyPath))
            continue;
        GetPrivateProfileStringA(g_mouseTypes[s], name, "\n", text, (DWORD)size, record);
        if (lstrcmpA(text, "\n") != 0)
            return 1;
    }
    return 0;
}

int UndoValue(int index)
{
    static BYTE room[JOURNAL_LINE_MAX];
    const JournalEntry *entry = &g_undoJournal.entries[index];
    char recorded[TEXT_MAX];
    ValueData original, wrote, current;
    const char *keyName = entry->fields[0], *name = entry->fields[1], *path;
    HKEY root, key;
    LONG result;

    if (!JournalText(entry, 0) || !JournalText(entry, 1) || !ValueAllowed(keyName, name) ||
        !LoggedValue(entry, 2, &original) || !LoggedValue(entry, 4, &wrote))
        return UNDO_REFUSED;
    root = JournalSplitKey(keyName, &path);
    /* an original the journal could not keep may be in the restore record */
    if (original.unknown && RecordedOriginal(path, name, recorded, sizeof(recorded))) {
        original.unknown = 0;
        original.absent = recorded[0] == '\0';
        original.type = REG_SZ;
        original.data = (const BYTE *)recorded;
        original.length = (DWORD)lstrlenA(recorded);
    }
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return UNDO_DONE;   /* the key is gone, and its values with it */
    CurrentValue(key, name, &current, room, sizeof(room));
    if (SameValue(&current, &original)) {
        RegCloseKey(key);
        return UNDO_DONE;
    }
    if (!SameValue(&current, &wrote)) {
        RegCloseKey(key);
        KeepValue(keyName, name, IDS_KEPT_CHANGED);
        return UNDO_KEPT;
    }
    if (original.unknown) {
        RegCloseKey(key);
        KeepValue(keyName, name, IDS_KEPT_UNKNOWN);
        return UNDO_KEPT;
    }
    if (original.absent)
        result = RegDeleteValueA(key, name);
    else
        result = RegSetValueExA(key, name, 0, original.type, original.data, original.length);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        KeepValue(keyName, name, IDS_KEPT_FAILED);
        return UNDO_KEPT;
    }
    g_uninstall.changes++;
    NoteDriverChange(path);
    return UNDO_DONE;
}
