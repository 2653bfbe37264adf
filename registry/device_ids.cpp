/* The device keys the mouse registration chooses from, in a file of
 * their own: the uninstaller asks the same question without the
 * registration. */
#include "registry.h"
#include "path_rule.h"
#include "text.h"

const char *const g_ps2MouseIds[2] = { "*PNP0F13\\", "*PNP0F0E\\" };

int CouldTakeOverDevice(const char *path)
{
    const char *hardwareKey = path + sizeof(ENUM_KEY);

    if (!TextSameStartNoCase(path, ENUM_KEY "\\", sizeof(ENUM_KEY)))
        return 0;
    if (PathSame(path, ROOT_DEVICE_KEY))
        return 1;
    return TextFind(hardwareKey, g_ps2MouseIds[0]) != NULL || TextFind(hardwareKey, g_ps2MouseIds[1]) != NULL ||
           TextFind(hardwareKey, SERIAL_MOUSE_ID) != NULL ||
           TextSameStartNoCase(hardwareKey, SERIAL_ENUMERATOR, 8);
}
