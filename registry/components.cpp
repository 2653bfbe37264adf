/* The companion components: the Mouse control panel's property-page
 * handler, the companion program's start-up entry and the uninstall entry. */
#include "registry.h"
#include "components.h"
#include "values.h"
#include "../app/text.h"
#include "../res/resource.h"

#define HANDLER_CLASS_KEY "CLSID\\" HANDLER_CLSID
#define MOUSE_HANDLERS    CURRENT_VERSION_KEY "\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers"

const ComponentValue g_componentValues[] = {
    { HKEY_CLASSES_ROOT, HANDLER_CLASS_KEY, NULL, COMPONENT_FIXED, "ZRMouseControlPage" },
    { HKEY_CLASSES_ROOT, HANDLER_CLASS_KEY "\\InProcServer32", NULL, COMPONENT_INSTALLED, "ZRPAGE.DLL" },
    { HKEY_CLASSES_ROOT, HANDLER_CLASS_KEY "\\InProcServer32", "ThreadingModel", COMPONENT_FIXED, "Apartment" },
    { HKEY_LOCAL_MACHINE, MOUSE_HANDLERS, NULL, COMPONENT_FIXED, "ZRMousePage" },
    { HKEY_LOCAL_MACHINE, MOUSE_HANDLERS "\\ZRMousePage", NULL, COMPONENT_FIXED, HANDLER_CLSID },
    { HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY "\\Run", "Kestrel", COMPONENT_INSTALLED, "VARIRE.EXE -startup" },
    { HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, "DisplayName", COMPONENT_PRODUCT, NULL },
    { HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, "UninstallString", COMPONENT_INSTALLED, "UNINSTAL.EXE" },
};
const int g_componentValueCount = sizeof(g_componentValues) / sizeof(g_componentValues[0]);

int ComponentText(const ComponentValue *value, char *text, int size)
{
    switch (value->kind) {
    case COMPONENT_INSTALLED:
        return PathJoin(text, size, g_setup.installDir, value->text);
    case COMPONENT_PRODUCT:
        return TextCopy(text, size, g_setup.productName);
    default:
        return TextCopy(text, size, value->text);
    }
}

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

/* The companion's window bears the name of its start-up entry. */
void CloseCompanion(void)
{
    HWND companion = FindWindowA(NULL, COMPANION_TITLE);

    if (companion != NULL)
        SendMessageA(companion, WM_CLOSE, 0, 0);
}

int CompanionRunning(void)
{
    return FindWindowA(NULL, COMPANION_TITLE) != NULL;
}
