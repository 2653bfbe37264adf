/* Driver class keys below the mouse class: naming a new one, taking over
 * an existing one, creating one. */
#include "registry.h"
#include "values.h"
#include "text.h"
#include "restore_record.h"
#include "resource.h"

#define CLASS_PATH_MAX    512
#define KEY_NAME_MAX      256   /* a key name has at most 255 characters */
#define NUMBER_LIMIT      32768 /* driver key numbers looked at for a gap */

/* The texts of the class key's values, in the order of g_classValues. */
static void ClassValueTexts(const char **texts, const char *description, const char *infSection)
{
    texts[CLASS_MOUSE_DRIVER] = g_setup.driverInfo.mouseDriver;
    texts[CLASS_INF_PATH] = g_setup.driverInfo.mouseInf;
    texts[CLASS_DRIVER_DESC] = description;
    texts[CLASS_DRIVER_DATE] = g_setup.driverInfo.driverDate;
    texts[CLASS_INF_SECTION] = infSection;
    texts[CLASS_DEV_LOADER] = VMOUSE_DEVICE;
    texts[CLASS_MOUSE_TYPE] = g_setup.mouseType;
}

/* The class key path of a driver key name; 0 when it does not fit, and
 * then no key is opened under a cut name. */
static int BuildClassKeyPath(char *path, int size, const char *driverKey)
{
    if (!TextCopy(path, size, CLASS_FLOOR "\\") || !TextAppend(path, size, driverKey)) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}

static int MouseKeyExists(int number)
{
    char path[CLASS_PATH_MAX];
    HKEY key;

    if (!TextFormat(path, sizeof(path), MOUSE_CLASS_KEY "\\%04d", number))
        return 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

/* The smallest number that no subkey of the mouse class uses, in
 * whatever order the registry lists them; a name is read as a decimal
 * number (0 when it has no digits). */
int AllocateDriverKeyName(char *name, int size)
{
    static unsigned char used[NUMBER_LIMIT / 8];
    char subkey[KEY_NAME_MAX];
    HKEY classKey;
    DWORD index, length;
    LONG result;
    long number;
    int candidate;

    FillBytes(used, 0, sizeof(used));
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MOUSE_CLASS_KEY, 0, KEY_ALL_ACCESS,
                      &classKey) == ERROR_SUCCESS) {
        for (index = 0;; index++) {
            length = sizeof(subkey);
            result = RegEnumKeyExA(classKey, index, subkey, &length, NULL, NULL, NULL, NULL);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS)
                break;
            subkey[sizeof(subkey) - 1] = '\0';
            number = TextToLong(subkey);
            if (number >= 0 && number < NUMBER_LIMIT)
                used[number / 8] |= (unsigned char)(1 << (number % 8));
        }
        RegCloseKey(classKey);
    }
    for (candidate = 0; candidate < NUMBER_LIMIT; candidate++) {
        if (!(used[candidate / 8] & (1 << (candidate % 8))))
            break;
    }
    /* every number below the limit taken: go on past it, name by name */
    while (candidate >= NUMBER_LIMIT && MouseKeyExists(candidate))
        candidate++;
    if (!TextFormat(name, size, "Mouse\\%04d", candidate)) {
        name[0] = '\0';
        return 0;
    }
    return 1;
}

int UpdateDriverClassKey(const char *driverKey, const char *description, const char *infSection)
{
    const char *texts[CLASS_VALUES];
    char path[CLASS_PATH_MAX];
    HKEY key;
    LONG result;
    int i, done;

    if (!BuildClassKeyPath(path, sizeof(path), driverKey)) {
        NoteFailure(IDS_REGISTRY_FAILED, driverKey);
        return 0;
    }
    if (!StartValueKey(HKEY_LOCAL_MACHINE, path))
        return 0;
    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key);
    if (!RecordOriginalValue(g_setup.mouseType, g_recordKeys[RECORD_CLASS_KEY], path)) {
        if (result == ERROR_SUCCESS)
            RegCloseKey(key);
        NoteFailure(IDS_JOURNAL_FAILED, g_recordKeys[RECORD_CLASS_KEY]);
        return 0;
    }
    if (result != ERROR_SUCCESS)
        return CreateDriverClassKey(driverKey, description, infSection);
    ClassValueTexts(texts, description, infSection);
    done = 1;
    for (i = 0; done && i < RECORDED_CLASS_VALUES; i++)
        done = TakeOverValue(key, g_classValues[i], texts[i]);
    /* DevLoader stays as it is; the old MouseType is not kept */
    done = done && WriteStringValue(key, g_classValues[CLASS_MOUSE_TYPE], texts[CLASS_MOUSE_TYPE]);
    RegCloseKey(key);
    return done;
}

int CreateDriverClassKey(const char *driverKey, const char *description, const char *infSection)
{
    /* the loader and the mouse type first, then the values a takeover
     * replaces */
    static const BYTE order[CLASS_VALUES] = {
        CLASS_DEV_LOADER, CLASS_MOUSE_TYPE, CLASS_MOUSE_DRIVER, CLASS_INF_PATH,
        CLASS_DRIVER_DESC, CLASS_DRIVER_DATE, CLASS_INF_SECTION,
    };
    const char *texts[CLASS_VALUES];
    char path[CLASS_PATH_MAX];
    HKEY key;
    int i, done = 1;

    if (!BuildClassKeyPath(path, sizeof(path), driverKey)) {
        NoteFailure(IDS_REGISTRY_FAILED, driverKey);
        return 0;
    }
    if (!CreateValueKey(HKEY_LOCAL_MACHINE, path, &key))
        return 0;
    ClassValueTexts(texts, description, infSection);
    for (i = 0; done && i < CLASS_VALUES; i++)
        done = WriteStringValue(key, g_classValues[order[i]], texts[order[i]]);
    RegCloseKey(key);
    return done;
}
