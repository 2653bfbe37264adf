// What an installation leaves in the registry and the file system: clear
// it before a run, lay out a Windows 98-like machine, and report it after.
// Used by the end-to-end tests and by the demo, on the Wine prefix's real
// registry (they drive SETUP.EXE as a separate process).
#ifndef SETUP_INSTALL_TRACES_H
#define SETUP_INSTALL_TRACES_H

#include <windows.h>

#include <string>
#include <vector>

#define TRACE_CLSID "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}"
#define TRACE_MOUSE_PAGE_KEY \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse"
#define TRACE_RUN_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
#define TRACE_UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel"
#define TRACE_ROOT_DEVICE_KEY "Enum\\Root\\VeltoMouse"
#define TRACE_MOUSE_CLASS_KEY "System\\CurrentControlSet\\Services\\Class\\Mouse"
#define TRACE_DYN_ENUM_KEY "Config Manager\\Enum"

// Removes every key and value an installation writes, the present
// devices a test added, and the directory (when given).
void ClearInstallation(const std::string &installDir);

// A present mouse: an entry of the dynamic device list whose HardWareKey
// is `hardwareKey`, and its device key "Enum\<hardwareKey>" with these
// values (a null value is left out).
void AddPresentDevice(const char *entry, const char *hardwareKey, const char *deviceDesc,
                      const char *mfg, const char *driver);
// A driver class key "System\...\Class\<driverKey>" with a few values.
void AddDriverClassKey(const char *driverKey, const char *driverDesc, const char *devLoader);

// system.ini with a [386Enh] mouse line and VMM32\VMOUSE.VXD in the system
// directory, as on Windows 98. The prefix's first system.ini is kept
// beside it (system.ini.wine) and put back by RestoreWindowsFiles.
void PrepareWindowsFiles();
void RestoreWindowsFiles();
std::string WindowsDir();
std::string SystemDir();

// Every key and value below the keys an installation writes, one line
// each ("HKLM\path: name = value").
std::vector<std::string> RegistryReport();
// The text of one value, or "<absent>".
std::string RegistryValue(HKEY root, const std::string &path, const char *name);
bool RegistryKeyExists(HKEY root, const std::string &path);
// The names of an open key's subkeys, in the registry's order.
std::vector<std::string> SubkeyNames(HKEY key);

// Files below a directory, "relative\path (size bytes)", sorted.
std::vector<std::string> FileReport(const std::string &dir);

#endif
