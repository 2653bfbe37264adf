/* The companion components: the Mouse control panel's property-page
 * handler, the companion program's start-up entry and the uninstall entry. */
#include "registry.h"
#include "components.h"
#include "text.h"

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
