/* Writing the companion components' table (components.cpp), in a file
 * of its own: the uninstaller reads the table without writing it. */
#include "registry.h"
#include "components.h"
#include "values.h"
#include "../app/text.h"
#include "../script/journal.h"

/* Each key is created (or opened) once, then its rows' values are
 * written; a key that cannot be made loses only its own values. */
void RegisterComponents(void)
{
    char text[TEXT_MAX];
    const ComponentValue *row;
    HKEY key = NULL;
    int i, opened = 0;

    for (i = 0; i < g_componentValueCount; i++) {
        row = &g_componentValues[i];
        if (i == 0 || row->root != row[-1].root || lstrcmpA(row->path, row[-1].path) != 0) {
            if (opened)
                RegCloseKey(key);
            JournalKey(row->root, row->path);
            opened = RegCreateKeyExA(row->root, row->path, 0, NULL, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS;
        }
        if (opened && ComponentText(row, text, sizeof(text)))
            WriteStringValue(key, row->name, text);
    }
    if (opened)
        RegCloseKey(key);
}

