/* Single registry values: every value the registration writes goes
 * through WriteStringValue or WriteZeroFlags. */
#include "values.h"
#include "setup_state.h"
#include "test_seams.h"
#include "resource.h"
#include "text.h"
#include "restore_record.h"
#include "journal.h"

ValueWriteHook g_valueWriteHook = NULL;

/* The key the values written next belong to, as failures name it. */
static char valueKey[2 * TEXT_MAX];

/* "HKLM\path\name" of the key named last, for a failure's message. */
static void NameValue(char *text, int size, const char *name)
{
    if (!TextCopy(text, size, valueKey) ||
        (name != NULL && name[0] != '\0' && (!TextAppend(text, size, "\\") || !TextAppend(text, size, name))))
        text[size > 0 ? size - 1 : 0] = '\0';
}

int StartValueKey(HKEY root, const char *path)
{
    const char *rootName = JournalRootName(root);

    if (!TEXT_COPY(valueKey, rootName != NULL ? rootName : "") || !TEXT_APPEND(valueKey, "\\") ||
        !TEXT_APPEND(valueKey, path))
        valueKey[sizeof(valueKey) - 1] = '\0';
    if (!JournalKey(root, path)) {
        NoteFailure(IDS_JOURNAL_FAILED, valueKey);
        return 0;
    }
    return 1;
}

int CreateValueKey(HKEY root, const char *path, HKEY *key)
{
    if (!StartValueKey(root, path))
        return 0;
    if (SeamRegistryWriteFails() ||
        RegCreateKeyExA(root, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, key,
                        NULL) != ERROR_SUCCESS) {
        NoteFailure(IDS_REGISTRY_FAILED, valueKey);
        return 0;
    }
    return 1;
}

int OpenValueKey(HKEY root, const char *path, HKEY *key)
{
    if (!StartValueKey(root, path))
        return 0;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) {
        NoteFailure(IDS_REGISTRY_FAILED, valueKey);
        return 0;
    }
    return 1;
}

/* The value journaled, then set; 0 (and the failure noted) when either
 * fails. */
static int SetValue(HKEY key, const char *name, DWORD type, const BYTE *data, DWORD size)
{
    char named[3 * TEXT_MAX];

    if (g_valueWriteHook != NULL)
        g_valueWriteHook(name != NULL ? name : "", size);
    NameValue(named, sizeof(named), name);
    if (!JournalValue(key, name, type, data, size)) {
        NoteFailure(IDS_JOURNAL_FAILED, named);
        return 0;
    }
    if (SeamRegistryWriteFails() || RegSetValueExA(key, name, 0, type, data, size) != ERROR_SUCCESS) {
        NoteFailure(IDS_REGISTRY_FAILED, named);
        return 0;
    }
    return 1;
}

int WriteStringValue(HKEY key, const char *name, const char *text)
{
    if (text == NULL)
        text = "";
    return SetValue(key, name, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text));
}

int WriteZeroFlags(HKEY key, const char *name)
{
    static const BYTE zero[4] = { 0, 0, 0, 0 };

    return SetValue(key, name, REG_BINARY, zero, sizeof(zero));
}

int TakeOverValue(HKEY key, const char *name, const char *text)
{
    DWORD length = 0;
    char *old = NULL;
    int recorded;

    /* The old value is read in room of its own size and one zero more, so
     * no replaced value is cut; a missing value is recorded as empty text. */
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, &length) == ERROR_SUCCESS) {
        old = (char *)LocalAlloc(LPTR, length + 1);
        if (old != NULL &&
            RegQueryValueExA(key, name, NULL, NULL, (BYTE *)old, &length) != ERROR_SUCCESS)
            old[0] = '\0';
    }
    recorded = RecordOriginalValue(g_setup.mouseType, name, old != NULL ? old : "");
    if (old != NULL)
        LocalFree(old);
    if (!recorded) {
        NoteFailure(IDS_JOURNAL_FAILED, name);
        return 0;
    }
    return WriteStringValue(key, name, text);
}
