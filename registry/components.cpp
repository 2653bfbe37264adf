/* The companion components: the Mouse control panel's property-page
 * handler, the companion program's start-up entry and the uninstall entry. */
#include "registry.h"
#include "values.h"
#include "../app/text.h"
#include "../script/uninstall_log.h"

#define HANDLER_CLSID     "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}"
#define HANDLER_CLASS_KEY "CLSID\\" HANDLER_CLSID
#define CURRENT_VERSION   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
#define MOUSE_HANDLERS    CURRENT_VERSION "Controls Folder\\Mouse\\shellex\\PropertySheetHandlers"

/* One key and the (at most two) values written into it; a null name is
 * the key's unnamed value, a null text is no value. */
struct ComponentStep {
    HKEY root;
    const char *path;
    const char *names[2];
    const char *texts[2];
};

/* installDir + "\" + the file; null when it does not fit whole. */
static const char *InstalledPath(char *buffer, int size, const char *file)
{
    return PathJoin(buffer, size, g_setup.installDir, file) ? buffer : NULL;
}

void RegisterComponents(void)
{
    char serverPath[TEXT_MAX], startupEntry[TEXT_MAX], uninstallPath[TEXT_MAX];
    const ComponentStep steps[] = {
        { HKEY_CLASSES_ROOT, HANDLER_CLASS_KEY,
          { NULL, NULL }, { "ZRMouseControlPage", NULL } },
        { HKEY_CLASSES_ROOT, HANDLER_CLASS_KEY "\\InProcServer32",
          { NULL, "ThreadingModel" },
          { InstalledPath(serverPath, sizeof(serverPath), "ZRPAGE.DLL"), "Apartment" } },
        { HKEY_LOCAL_MACHINE, MOUSE_HANDLERS,
          { NULL, NULL }, { "ZRMousePage", NULL } },
        { HKEY_LOCAL_MACHINE, MOUSE_HANDLERS "\\ZRMousePage",
          { NULL, NULL }, { HANDLER_CLSID, NULL } },
        { HKEY_LOCAL_MACHINE, CURRENT_VERSION "Run",
          { "Kestrel", NULL },
          { InstalledPath(startupEntry, sizeof(startupEntry), "VARIRE.EXE -startup"), NULL } },
        { HKEY_LOCAL_MACHINE, CURRENT_VERSION "Uninstall\\Kestrel",
          { "DisplayName", "UninstallString" },
          { g_setup.productName, InstalledPath(uninstallPath, sizeof(uninstallPath), "UNINSTAL.EXE") } },
    };
    HKEY key;
    size_t i;
    int v;

    for (i = 0; i < sizeof(steps) / sizeof(steps[0]); i++) {
        UninstallLogKey(steps[i].root, steps[i].path);
        if (RegCreateKeyExA(steps[i].root, steps[i].path, 0, NULL, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            continue;
        for (v = 0; v < 2; v++) {
            if (steps[i].texts[v] != NULL)
                WriteStringValue(key, steps[i].names[v], steps[i].texts[v]);
        }
        RegCloseKey(key);
    }
}
