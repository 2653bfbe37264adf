/* The mouse's value names, the mouse types and the restore record's keys:
 * data alone, so that a program that only reads them links nothing else. */
#include "mouse_keys.h"

const char *const g_deviceValues[DEVICE_VALUES + 1] = {
    "DeviceDesc", "Mfg", "Class", "ConfigFlags", "DetFlags", "DetFunc", "Driver", 0
};
const char *const g_classValues[CLASS_VALUES + 1] = {
    "MouseDriver", "InfPath", "DriverDesc", "DriverDate", "InfSection", "DevLoader", "MouseType", 0
};
const char *const g_mouseTypes[2] = { "PS2", "Serial" };
const char *const g_recordKeys[2] = { "SubKey1", "SubKey2" };
