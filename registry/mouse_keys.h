/* The mouse's registry keys and values: where the registration writes
 * and what, and how the restore record keeps what it replaced. The
 * writer, the uninstaller and the tests' tracing read this one table. */
#ifndef SETUP_MOUSE_KEYS_H
#define SETUP_MOUSE_KEYS_H

/* Below HKEY_DYN_DATA: the devices present now. */
#define DEVICE_LIST_KEY     "Config Manager\\Enum"
/* Below HKEY_LOCAL_MACHINE: the devices, the setup's own root device,
 * and the driver class keys of the mouse class. */
#define ENUM_KEY            "Enum"
#define ROOT_DEVICE_PARENT  ENUM_KEY "\\Root\\VeltoMouse"
#define ROOT_DEVICE_KEY     ROOT_DEVICE_PARENT "\\0000"
#define CLASS_FLOOR         "System\\CurrentControlSet\\Services\\Class"
#define MOUSE_CLASS_KEY     CLASS_FLOOR "\\Mouse"
/* The mouse's virtual device: the class key's loader, and the driver of
 * the system.ini mouse line. */
#define VMOUSE_DEVICE       "*vmouse"

/* The values the setup writes into a device key and into its driver
 * class key, in these orders. The first RECORDED_... of each are those a
 * takeover replaces: the restore record keeps their old texts. */
enum DeviceValue {
    DEVICE_DESC, DEVICE_MFG,
    DEVICE_CLASS, DEVICE_CONFIG_FLAGS, DEVICE_DET_FLAGS, DEVICE_DET_FUNC, DEVICE_DRIVER,
    DEVICE_VALUES
};
enum ClassValue {
    CLASS_MOUSE_DRIVER, CLASS_INF_PATH, CLASS_DRIVER_DESC, CLASS_DRIVER_DATE, CLASS_INF_SECTION,
    CLASS_DEV_LOADER, CLASS_MOUSE_TYPE,
    CLASS_VALUES
};
#define RECORDED_DEVICE_VALUES  2
#define RECORDED_CLASS_VALUES   5
/* Each list ends with a null. */
extern const char *const g_deviceValues[DEVICE_VALUES + 1];
extern const char *const g_classValues[CLASS_VALUES + 1];

/* The mouse types, which name the restore record's sections, and the
 * record's keys of the device taken over (SubKey1) and of its driver
 * class key (SubKey2). */
#define MOUSE_TYPE_PS2      0
#define MOUSE_TYPE_SERIAL   1
extern const char *const g_mouseTypes[2];       /* "PS2", "Serial" */
#define RECORD_DEVICE_KEY   0
#define RECORD_CLASS_KEY    1
extern const char *const g_recordKeys[2];       /* "SubKey1", "SubKey2" */

#endif
