/* Single registry values: every value the registration writes goes
 * through WriteStringValue or WriteZeroFlags. */
#include "values.h"
#include "../app/setup_state.h"
#include "../app/text.h"
#include "../script/restore_record.h"
#include "../script/journal.h"

ValueWriteHook g_valueWriteHook = NULL;

void WriteStringValue(HKEY key, const char *name, const char *text)
{
    DWORD byteCount;

    if (text == NULL)
        text = "";
    byteCount = (DWORD)lstrlenA(text);
    if (g_valueWriteHook != NULL)
        g_valueWriteHook(name != NULL ? name : "", byteCount);
    JournalValue(key, name, REG_SZ, (const BYTE *)text, byteCount);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, byteCount);
}

void WriteZeroFlags(HKEY key, const char *name)
{
    static const BYTE zero[4] = { 0, 0, 0, 0 };

    if (g_valueWriteHook != NULL)
        g_valueWriteHook(name, sizeof(zero));
    JournalValue(key, name, REG_BINARY, zero, sizeof(zero));

    RegSetValueExA(key, name, 0, REG_BINARY, zero, sizeof(zero));
}

void TakeOverValue(HKEY key, const char *name, const char *text)
{
    DWORD length = 0;
    char *old = NULL;

    /* The old value is read in room of its own size and one zero more, so
     * no replaced value is cut; a missing value is recorded as empty text. */
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, &length) == ERROR_SUCCESS) {
        old = (char *)LocalAlloc(LPTR, length + 1);
        if (old != NULL &&
            RegQueryValueExA(key, name, NULL, NULL, (BYTE *)old, &length) != ERROR_SUCCESS)
            old[0] = '\0';
    }
    RecordOriginalValue(g_setup.mouseType, name, old != NULL ? old : "");
    if (old != NULL)
        LocalFree(old);
    WriteStringValue(key, name, text);
}
