/* The mouse device: a present PS/2 or serial mouse of the dynamic device
 * list is taken over, or a root-enumerated mouse of our own is made. */
#include "registry_test.h"
#include "values.h"
#include "text.h"
#include "restore_record.h"
#include "resource.h"

#define HARDWARE_KEY_MAX  128   /* room for a whole HardWareKey value */
#define KEY_NAME_MAX      256   /* a key name has at most 255 characters */
#define DRIVER_NAME_MAX   256   /* room for a device's Driver value */

/* What a takeover or the root device writes for one kind of mouse. */
struct MouseKind {
    const char *mouseType;      /* one of g_mouseTypes */
    const char *deviceName;     /* DeviceDesc and the driver description */
    const char *infSection;
    const char *detectFunction; /* DetFunc of the root device */
};

static void GetMouseKind(int serial, MouseKind *kind)
{
    DriverInfo *info = &g_setup.driverInfo;

    kind->mouseType = g_mouseTypes[serial ? MOUSE_TYPE_SERIAL : MOUSE_TYPE_PS2];
    kind->deviceName = serial ? info->serialName : info->ps2Name;
    kind->infSection = serial ? info->serialInfSection : info->ps2InfSection;
    kind->detectFunction = serial ? "*:DETECTSERIALMOUSE" : "*:DETECTPS2MOUSE";
}

/* The last device of the dynamic list whose HardWareKey holds id. A
 * value too long for its room is no match, never a cut one. */
int FindHardwareKey(const char *id, char *hardwareKey)
{
    HKEY list, device;
    char name[KEY_NAME_MAX];
    char value[HARDWARE_KEY_MAX];
    DWORD index, length;
    LONG result;
    int fits, found = 0;

    if (RegOpenKeyExA(HKEY_DYN_DATA, DEVICE_LIST_KEY, 0, KEY_ALL_ACCESS, &list) != ERROR_SUCCESS)
        return 0;
    for (index = 0;; index++) {
        length = sizeof(name);
        result = RegEnumKeyExA(list, index, name, &length, NULL, NULL, NULL, NULL);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        name[sizeof(name) - 1] = '\0';
        if (RegOpenKeyExA(list, name, 0, KEY_ALL_ACCESS, &device) != ERROR_SUCCESS)
            continue;
        fits = ReadTextValue(device, "HardWareKey", value, sizeof(value));
        RegCloseKey(device);
        if (fits && TextFind(value, id) != NULL) {
            TextCopy(hardwareKey, HARDWARE_KEY_MAX, value);
            found = 1;
        }
    }
    RegCloseKey(list);
    return found;
}

/* A fresh driver class key for a device that names none yet. */
static int AttachNewDriverKey(HKEY device, const MouseKind *kind)
{
    char driverKey[KEY_NAME_MAX];

    if (!AllocateDriverKeyName(driverKey, sizeof(driverKey))) {
        NoteFailure(IDS_REGISTRY_FAILED, g_deviceValues[DEVICE_DRIVER]);
        return 0;
    }
    return WriteStringValue(device, g_deviceValues[DEVICE_DRIVER], driverKey) &&
           CreateDriverClassKey(driverKey, kind->deviceName, kind->infSection);
}

/* Makes a present device ours, recording each value it replaces. */
static int TakeOverDevice(const char *hardwareKey, const MouseKind *kind)
{
    char path[KEY_NAME_MAX];
    char driverKey[DRIVER_NAME_MAX];
    HKEY device;
    int done;

    TEXT_COPY(g_setup.mouseType, kind->mouseType);
    if (!TEXT_COPY(path, ENUM_KEY "\\") || !TEXT_APPEND(path, hardwareKey)) {
        NoteFailure(IDS_REGISTRY_FAILED, hardwareKey);
        return 0;
    }
    if (!OpenValueKey(HKEY_LOCAL_MACHINE, path, &device))
        return 0;
    if (!RecordOriginalValue(g_setup.mouseType, g_recordKeys[RECORD_DEVICE_KEY], path)) {
        RegCloseKey(device);
        NoteFailure(IDS_JOURNAL_FAILED, g_recordKeys[RECORD_DEVICE_KEY]);
        return 0;
    }
    done = TakeOverValue(device, g_deviceValues[DEVICE_DESC], kind->deviceName) &&
           WriteZeroFlags(device, g_deviceValues[DEVICE_CONFIG_FLAGS]) &&
           TakeOverValue(device, g_deviceValues[DEVICE_MFG], g_setup.driverInfo.mfg);
    /* A Driver too long to name a key is left as it is: replacing it
     * would lose it, and a cut name could point at another device's key. */
    if (done && ReadTextValue(device, g_deviceValues[DEVICE_DRIVER], driverKey, sizeof(driverKey))) {
        if (driverKey[0] != '\0')
            done = UpdateDriverClassKey(driverKey, kind->deviceName, kind->infSection);
        else
            done = AttachNewDriverKey(device, kind);
    }
    RegCloseKey(device);
    return done;
}

/* The setup's own root-enumerated mouse; a new driver key every time. */
static int CreateRootDevice(void)
{
    MouseKind kind;
    HKEY device;
    int done;

    GetMouseKind(g_setup.serialMouse != 0, &kind);
    TEXT_COPY(g_setup.mouseType, kind.mouseType);
    if (!CreateValueKey(HKEY_LOCAL_MACHINE, ROOT_DEVICE_KEY, &device))
        return 0;
    done = WriteStringValue(device, g_deviceValues[DEVICE_CLASS], "Mouse") &&
           WriteStringValue(device, g_deviceValues[DEVICE_DESC], kind.deviceName) &&
           WriteStringValue(device, g_deviceValues[DEVICE_MFG], g_setup.driverInfo.mfg) &&
           WriteZeroFlags(device, g_deviceValues[DEVICE_CONFIG_FLAGS]) &&
           WriteZeroFlags(device, g_deviceValues[DEVICE_DET_FLAGS]) &&
           WriteStringValue(device, g_deviceValues[DEVICE_DET_FUNC], kind.detectFunction) &&
           AttachNewDriverKey(device, &kind);
    RegCloseKey(device);
    return done;
}

/* The first outcome that applies: PS/2 takeover, serial takeover, root
 * device. Every search runs whatever serialMouse says. */
static int RegisterMouseDevice(void)
{
    char serialEnumId[TEXT_MAX];
    char hardwareKey[HARDWARE_KEY_MAX];
    MouseKind kind;
    int found;

    hardwareKey[0] = '\0';
    TEXT_COPY(serialEnumId, SERIAL_ENUMERATOR);
    TEXT_APPEND(serialEnumId, g_setup.driverInfo.pnpId);
    TEXT_APPEND(serialEnumId, "\\");

    found = FindHardwareKey(g_ps2MouseIds[0], hardwareKey);
    if (!found)
        found = FindHardwareKey(g_ps2MouseIds[1], hardwareKey);
    if (found && g_setup.serialMouse == 0) {
        GetMouseKind(0, &kind);
        return TakeOverDevice(hardwareKey, &kind);
    }
    found = FindHardwareKey(SERIAL_MOUSE_ID, hardwareKey);
    if (!found)
        found = FindHardwareKey(serialEnumId, hardwareKey);
    if (found && g_setup.serialMouse == 1) {
        GetMouseKind(1, &kind);
        return TakeOverDevice(hardwareKey, &kind);
    }
    return CreateRootDevice();
}

int UpdateRegistry(int withComponents)
{
    if (withComponents != 0 && !RegisterComponents())
        return 0;
    return RegisterMouseDevice();
}
