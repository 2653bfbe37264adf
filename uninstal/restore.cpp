/* Putting back what the setup changed in the registry and system.ini:
 * a value, key or line is reversed only while it is still what the setup
 * left; anything changed since is kept and listed. */
#include "uninstall.h"
#include "uninstal_res.h"
#include "../app/text.h"
#include "../app/wizard.h"
#include "../install/install.h"
#include "../script/restore_record.h"
#include "../script/uninstall_log.h"

#define KEY_PATH_MAX 1024

/* One value as the registry holds it, or as the log names it. */
struct ValueData {
    int absent;                 /* the value does not exist */
    int unknown;                /* the log could not keep it */
    DWORD type;
    BYTE data[LOG_ENTRY_MAX];
    DWORD length;
};

static int IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

/* Texts compare up to their first zero, as they are read; other values
 * byte for byte. */
static int SameValue(const ValueData *a, const ValueData *b)
{
    if (a->absent || b->absent)
        return a->absent && b->absent;
    if (a->unknown || b->unknown)
        return 0;
    if (IsText(a->type) && IsText(b->type))
        return TextLengthWithin((const char *)a->data, (int)a->length) ==
                   TextLengthWithin((const char *)b->data, (int)b->length) &&
               SameBytes(a->data, b->data, TextLengthWithin((const char *)a->data, (int)a->length));
    return a->type == b->type && a->length == b->length && SameBytes(a->data, b->data, a->length);
}

static void ReadCurrentValue(HKEY key, const char *name, ValueData *value)
{
    FillBytes(value, 0, sizeof(*value));
    value->length = sizeof(value->data) - 1;
    switch (RegQueryValueExA(key, name, NULL, &value->type, value->data, &value->length)) {
    case ERROR_SUCCESS:
        break;
    case ERROR_MORE_DATA:
        value->unknown = 1;     /* longer than anything the setup writes */
        break;
    default:
        value->absent = 1;
        break;
    }
}

/* "type,escaped data" into value; 0 when malformed. */
static int ParseLoggedValue(const char *type, const char *data, ValueData *value)
{
    FillBytes(value, 0, sizeof(*value));
    if (TextSame(type, LOG_ABSENT)) {
        value->absent = 1;
        return 1;
    }
    if (TextSame(type, LOG_UNKNOWN)) {
        value->unknown = 1;
        return 1;
    }
    if (type[0] < '0' || type[0] > '9')
        return 0;
    value->type = (DWORD)TextToUnsignedLong(type);
    return LogUnescape(value->data, sizeof(value->data) - 1, data, &value->length);
}

/* Splits "a,b,c,d" in place into its four fields; 0 unless there are four. */
static int SplitFour(char *text, char *fields[4])
{
    int i;

    for (i = 0; i < 4; i++) {
        fields[i] = text;
        text += TextSpanTo(text, ",");
        if (i < 3) {
            if (*text != ',')
                return 0;
            *text++ = '\0';
        }
    }
    return *text == '\0';
}

/* "HKLM\path" into its root and path. */
static HKEY SplitRoot(const char *named, const char **path)
{
    char root[8];

    TextCopy(root, 5, named);
    *path = named + 4;
    if (**path != '\\')
        return NULL;
    (*path)++;
    return LogRootKey(root);
}

static void KeepValue(const char *keyName, const char *name, UINT reasonId)
{
    char what[KEY_PATH_MAX];

    TEXT_COPY(what, keyName);
    TEXT_APPEND(what, ": ");
    TEXT_APPEND(what, name[0] != '\0' ? name : "(default)");
    Keep(what, reasonId);
}

/* Changes below the device tree and the driver classes take effect at
 * the next start of Windows. */
static void NoteDriverChange(const char *path)
{
    if (TextSameStartNoCase(path, "Enum\\", 5) || TextSameStartNoCase(path, "System\\", 7))
        g_uninstall.restart = 1;
}

/* Puts one value back to what it was before the setup, when it is still
 * what the setup wrote. */
static void RestoreLoggedValue(const char *entryKey)
{
    char keyName[KEY_PATH_MAX], name[KEY_PATH_MAX], entry[LOG_ENTRY_MAX], part[KEY_PATH_MAX];
    char *fields[4];
    static ValueData original, wrote, current;
    const char *path;
    const char *bar = TextFindChar(entryKey, '|');
    HKEY root, key;
    DWORD length;
    LONG result;

    if (bar == NULL || bar - entryKey >= (int)sizeof(part))
        return;
    TextCopy(part, (int)(bar - entryKey) + 1, entryKey);
    if (!LogUnescape((BYTE *)keyName, sizeof(keyName) - 1, part, &length) || (DWORD)lstrlenA(keyName) != length ||
        !LogUnescape((BYTE *)name, sizeof(name) - 1, bar + 1, &length) || (DWORD)lstrlenA(name) != length)
        return;
    root = SplitRoot(keyName, &path);
    GetPrivateProfileStringA(LOG_SECTION_VALUES, entryKey, "", entry, sizeof(entry), g_uninstall.logPath);
    entry[sizeof(entry) - 1] = '\0';
    if (root == NULL || !SplitFour(entry, fields) || !ParseLoggedValue(fields[0], fields[1], &original) ||
        !ParseLoggedValue(fields[2], fields[3], &wrote))
        return;     /* a damaged entry proves nothing */

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        if (!original.absent)
            KeepValue(keyName, name, IDS_KEPT_CHANGED);
        return;
    }
    ReadCurrentValue(key, name, &current);
    if (SameValue(&current, &original)) {
        /* nothing to do */
    } else if (!SameValue(&current, &wrote)) {
        KeepValue(keyName, name, IDS_KEPT_CHANGED);
    } else if (original.unknown) {
        KeepValue(keyName, name, IDS_KEPT_UNKNOWN);
    } else {
        if (original.absent)
            result = RegDeleteValueA(key, name);
        else
            result = RegSetValueExA(key, name, 0, original.type, original.data, original.length);
        if (result == ERROR_SUCCESS) {
            g_uninstall.changes++;
            NoteDriverChange(path);
        } else {
            KeepValue(keyName, name, IDS_KEPT_FAILED);
        }
    }
    RegCloseKey(key);
}

/* 1 when the log has an entry for this value. */
static int LoggedValue(const char *keyName, const char *name)
{
    char entryKey[2 * KEY_PATH_MAX], escaped[KEY_PATH_MAX], entry[16];

    if (!LogEscape(entryKey, sizeof(entryKey), (const BYTE *)keyName, (DWORD)lstrlenA(keyName)) ||
        !LogEscape(escaped, sizeof(escaped), (const BYTE *)name, (DWORD)lstrlenA(name)) ||
        !TEXT_APPEND(entryKey, "|") || !TEXT_APPEND(entryKey, escaped))
        return 0;
    GetPrivateProfileStringA(LOG_SECTION_VALUES, entryKey, "", entry, sizeof(entry), g_uninstall.logPath);
    return entry[0] != '\0';
}

/* The restore record's values that the log does not hold (it is missing
 * or damaged): nothing proves that their present value is the setup's,
 * so each one that is not its original already is listed as kept. */
static void CheckRecordedValues(void)
{
    static const char *const sections[] = { "PS2", "Serial" };
    static const char *const deviceValues[] = { "DeviceDesc", "Mfg", NULL };
    static const char *const classValues[] = {
        "MouseDriver", "InfPath", "DriverDesc", "DriverDate", "InfSection", NULL };
    const char *const *names;
    char keyPath[KEY_PATH_MAX], keyName[KEY_PATH_MAX], recorded[TEXT_MAX], now[TEXT_MAX];
    HKEY key;
    DWORD type, length;
    size_t s;
    int k, n;

    for (s = 0; s < 2; s++) {
        for (k = 1; k <= 2; k++) {
            TEXT_COPY(keyPath, ReadSetupValue(sections[s], k == 1 ? "SubKey1" : "SubKey2", ""));
            if (keyPath[0] == '\0' ||
                RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
                continue;
            TEXT_COPY(keyName, "HKLM\\");
            TEXT_APPEND(keyName, keyPath);
            for (names = k == 1 ? deviceValues : classValues, n = 0; names[n] != NULL; n++) {
                if (LoggedValue(keyName, names[n]))
                    continue;
                TEXT_COPY(recorded, ReadSetupValue(sections[s], names[n], ""));
                FillBytes(now, 0, sizeof(now));
                length = sizeof(now) - 1;
                if (RegQueryValueExA(key, names[n], NULL, &type, (BYTE *)now, &length) != ERROR_SUCCESS)
                    now[0] = '\0';
                if (!TextSame(now, recorded))
                    KeepValue(keyName, names[n], IDS_KEPT_UNKNOWN);
            }
            RegCloseKey(key);
        }
    }
}

static int KeyIsEmpty(HKEY key)
{
    char name[KEY_PATH_MAX];
    DWORD length = sizeof(name);

    if (RegEnumValueA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_NO_MORE_ITEMS)
        return 0;
    length = sizeof(name);
    return RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_NO_MORE_ITEMS;
}

/* The keys the setup made, deepest first, each only when nothing is left
 * in it: its values were the setup's and have gone above. */
static void RemoveLoggedKeys(void)
{
    char *keys = ReadLogKeys(LOG_SECTION_KEYS);
    char keyName[KEY_PATH_MAX];
    const char *path;
    char *deepest;
    HKEY root, key;
    DWORD length;
    int empty;

    if (keys == NULL)
        return;
    for (;;) {
        deepest = NextDeepest(keys);
        if (deepest == NULL)
            break;
        if (LogUnescape((BYTE *)keyName, sizeof(keyName) - 1, deepest, &length) &&
            (DWORD)lstrlenA(keyName) == length && (root = SplitRoot(keyName, &path)) != NULL &&
            RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            empty = KeyIsEmpty(key);
            RegCloseKey(key);
            if (!empty)
                Keep(keyName, IDS_KEPT_NOT_EMPTY);
            else if (RegDeleteKeyA(root, path) == ERROR_SUCCESS)
                g_uninstall.changes++;
            else
                Keep(keyName, IDS_KEPT_FAILED);
        }
        deepest[0] = '*';   /* done */
    }
    LocalFree(keys);
}

#define OWN_CLSID       "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}"
#define OWN_CLASS_KEY   "CLSID\\" OWN_CLSID
#define OWN_HANDLERS    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers"

/* Deletes the value when it holds the expected text (any text when
 * expected is null); 1 when it did. */
static int DeleteOwnedValue(HKEY root, const char *path, const char *name, const char *expected)
{
    char text[TEXT_MAX];
    DWORD type = 0, length = sizeof(text) - 1;
    HKEY key;
    int owned;

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    FillBytes(text, 0, sizeof(text));
    owned = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &length) == ERROR_SUCCESS &&
            (expected == NULL || (IsText(type) && TextSame(text, expected))) &&
            RegDeleteValueA(key, name) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (owned)
        g_uninstall.changes++;
    return owned;
}

static void DeleteKeyIfEmpty(HKEY root, const char *path)
{
    HKEY key;
    int empty;

    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    empty = KeyIsEmpty(key);
    RegCloseKey(key);
    if (empty && RegDeleteKeyA(root, path) == ERROR_SUCCESS)
        g_uninstall.changes++;
}

/* Without a log: the component entries that name this directory's files
 * are provably the setup's, and so are those that only point at them. */
static void RemoveProvableComponents(void)
{
    char startup[TEXT_MAX], uninstall[TEXT_MAX], server[TEXT_MAX];

    if (!PathJoin(startup, sizeof(startup), g_setup.installDir, "VARIRE.EXE -startup") ||
        !PathJoin(uninstall, sizeof(uninstall), g_setup.installDir, "UNINSTAL.EXE") ||
        !PathJoin(server, sizeof(server), g_setup.installDir, "ZRPAGE.DLL"))
        return;
    DeleteOwnedValue(HKEY_LOCAL_MACHINE, RUN_KEY, COMPANION_TITLE, startup);
    if (DeleteOwnedValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", uninstall)) {
        DeleteOwnedValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", NULL);
        DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    }
    if (!DeleteOwnedValue(HKEY_CLASSES_ROOT, OWN_CLASS_KEY "\\InProcServer32", "", server))
        return;
    DeleteOwnedValue(HKEY_CLASSES_ROOT, OWN_CLASS_KEY "\\InProcServer32", "ThreadingModel", "Apartment");
    DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, OWN_CLASS_KEY "\\InProcServer32");
    DeleteOwnedValue(HKEY_CLASSES_ROOT, OWN_CLASS_KEY, "", "ZRMouseControlPage");
    DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, OWN_CLASS_KEY);
    DeleteOwnedValue(HKEY_LOCAL_MACHINE, OWN_HANDLERS "\\ZRMousePage", "", OWN_CLSID);
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, OWN_HANDLERS "\\ZRMousePage");
    DeleteOwnedValue(HKEY_LOCAL_MACHINE, OWN_HANDLERS, "", "ZRMousePage");
}

void RestoreRegistry(void)
{
    char *values = ReadLogKeys(LOG_SECTION_VALUES);
    char *entry;

    if (values != NULL) {
        for (entry = values; *entry != '\0'; entry += lstrlenA(entry) + 1)
            RestoreLoggedValue(entry);
        LocalFree(values);
    }
    if (!g_uninstall.haveLog)
        RemoveProvableComponents();
    CheckRecordedValues();
    RemoveLoggedKeys();
}

/* The Windows directory's file of this name. */
static int WindowsFile(char *path, int size, const char *name)
{
    return g_setup.windowsDir[0] != '\0' && PathJoin(path, size, g_setup.windowsDir, name);
}

/* The mouse line back to the one the setup replaced, when system.ini
 * still has the setup's; VMOUSE.BAK back to VMOUSE.VXD when the setup
 * moved it and no VMOUSE.VXD has come since. */
void RestoreSystemIni(void)
{
    char original[LOG_ENTRY_MAX], written[LOG_ENTRY_MAX], backup[TEXT_MAX], flag[16];
    char systemDir[DIR_MAX], vxdPath[TEXT_MAX], bakPath[TEXT_MAX];
    UINT length;

    if (ReadLogText(LOG_SECTION_SYSTEM_INI, "MouseLine", original, sizeof(original) - 1) &&
        ReadLogText(LOG_SECTION_SYSTEM_INI, "NewLine", written, sizeof(written))) {
        TEXT_APPEND(original, "\n");
        switch (SetSystemIniMouseLine(original, written)) {
        case MOUSE_LINE_SET:
            g_uninstall.changes++;
            g_uninstall.restart = 1;
            /* system.bak is now the setup's system.ini: none was there before */
            if (ReadLogText(LOG_SECTION_SYSTEM_INI, "SystemBak", flag, sizeof(flag)) &&
                TextSame(flag, "absent") && WindowsFile(backup, sizeof(backup), "system.bak"))
                DeleteFileA(backup);
            break;
        case MOUSE_LINE_OTHER:
            Keep("system.ini [386Enh] mouse", IDS_KEPT_CHANGED);
            break;
        default:
            Keep("system.ini [386Enh] mouse", IDS_KEPT_FAILED);
            break;
        }
    }

    if (!ReadLogText(LOG_SECTION_SYSTEM_INI, "VmouseMoved", flag, sizeof(flag)) || !TextSame(flag, "1"))
        return;
    length = GetSystemDirectoryA(systemDir, sizeof(systemDir));
    if (length == 0 || length >= sizeof(systemDir) ||
        !PathJoin(vxdPath, sizeof(vxdPath), systemDir, "VMM32\\VMOUSE.VXD") ||
        !PathJoin(bakPath, sizeof(bakPath), systemDir, "VMM32\\VMOUSE.BAK"))
        return;
    if (GetFileAttributesA(bakPath) == INVALID_FILE_ATTRIBUTES)
        return;
    if (GetFileAttributesA(vxdPath) != INVALID_FILE_ATTRIBUTES) {
        Keep(vxdPath, IDS_KEPT_CHANGED);
        return;
    }
    if (MoveFileA(bakPath, vxdPath)) {
        g_uninstall.changes++;
        g_uninstall.restart = 1;
    } else {
        Keep(vxdPath, IDS_KEPT_FAILED);
    }
}
