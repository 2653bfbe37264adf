/* Writing the companion components' table (components.cpp), in a file
 * of its own: the uninstaller reads the table without writing it. */
#include "registry.h"
#include "components.h"
#include "values.h"
#include "text.h"
#include "resource.h"

/* Each key is created (or opened) once, then its rows' values are
 * written. The first failure ends the registration, noted for the user. */
int RegisterComponents(void)
{
    char text[TEXT_MAX];
    const ComponentValue *row;
    HKEY key = NULL;
    int i, opened = 0, done = 1;

    for (i = 0; done && i < g_componentValueCount; i++) {
        row = &g_componentValues[i];
        if (i == 0 || row->root != row[-1].root || lstrcmpA(row->path, row[-1].path) != 0) {
            if (opened)
                RegCloseKey(key);
            opened = done = CreateValueKey(row->root, row->path, &key);
        }
        if (done && !ComponentText(row, text, sizeof(text))) {
            NoteFailure(IDS_REGISTRY_FAILED, row->path);
            done = 0;
        }
        if (done)
            done = WriteStringValue(key, row->name, text);
    }
    if (opened)
        RegCloseKey(key);
    return done;
}
