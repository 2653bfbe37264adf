#include "install_traces.h"

#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <sstream>

static const char kSystemIniOriginal[] = "\\system.ini.wine";

void ClearInstallation(const std::string &installDir)
{
    HKEY key;

    SHDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\" TRACE_CLSID);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum");
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_CLASS_KEY);
    SHDeleteKeyA(HKEY_DYN_DATA, TRACE_DYN_ENUM_KEY);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Kestrel");
        RegCloseKey(key);
    }
    if (!installDir.empty()) {
        std::string from = installDir + std::string(1, '\0');
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        if (GetFileAttributesA(installDir.c_str()) != INVALID_FILE_ATTRIBUTES)
            SHFileOperationA(&op);
    }
}

static void SetValues(HKEY root, const std::string &path,
                      const std::vector<std::pair<const char *, const char *>> &values)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    for (auto &value : values) {
        if (value.second != NULL)
            RegSetValueExA(key, value.first, 0, REG_SZ, (const BYTE *)value.second,
                           (DWORD)strlen(value.second) + 1);
    }
    RegCloseKey(key);
}

void AddPresentDevice(const char *entry, const char *hardwareKey, const char *deviceDesc,
                      const char *mfg, const char *driver)
{
    SetValues(HKEY_DYN_DATA, std::string(TRACE_DYN_ENUM_KEY) + "\\" + entry,
              { { "HardWareKey", hardwareKey } });
    SetValues(HKEY_LOCAL_MACHINE, std::string("Enum\\") + hardwareKey,
              { { "DeviceDesc", deviceDesc }, { "Mfg", mfg }, { "Driver", driver },
                { "Class", "Mouse" } });
}

void AddDriverClassKey(const char *driverKey, const char *driverDesc, const char *devLoader)
{
    SetValues(HKEY_LOCAL_MACHINE,
              std::string("System\\CurrentControlSet\\Services\\Class\\") + driverKey,
              { { "DriverDesc", driverDesc }, { "DevLoader", devLoader },
                { "MouseDriver", "msmouse.drv" }, { "InfPath", "MSMOUSE.INF" },
                { "DriverDate", "5-11-1998" }, { "InfSection", "PS2_Inst" } });
}

std::string WindowsDir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

std::string SystemDir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

static void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream out(path.c_str(), std::ios::binary);
    out << text;
}

void PrepareWindowsFiles()
{
    std::string ini = WindowsDir() + "\\system.ini";
    std::string saved = WindowsDir() + kSystemIniOriginal;
    if (GetFileAttributesA(saved.c_str()) == INVALID_FILE_ATTRIBUTES)
        CopyFileA(ini.c_str(), saved.c_str(), TRUE);
    std::ifstream in(saved.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    WriteText(ini, text.str() +
                   "[386Enh]\r\nebios=*ebios\r\nmouse=*vmouse, msmouse.vxd\r\nwoafont=dosapp.fon\r\n"
                   "[boot]\r\nmouse.drv=mouse.drv\r\n");
    DeleteFileA((WindowsDir() + "\\system.bak").c_str());
    DeleteFileA((WindowsDir() + "\\system.new").c_str());
    // Windows 98 keeps its drivers in WINDOWS\SYSTEM; a 64-bit Wine prefix has none.
    CreateDirectoryA((WindowsDir() + "\\SYSTEM").c_str(), NULL);
    std::string vmm = SystemDir() + "\\VMM32";
    CreateDirectoryA(vmm.c_str(), NULL);
    DeleteFileA((vmm + "\\VMOUSE.BAK").c_str());
    WriteText(vmm + "\\VMOUSE.VXD", "VMOUSE virtual mouse driver (stand-in)\r\n");
}

void RestoreWindowsFiles()
{
    std::string ini = WindowsDir() + "\\system.ini";
    std::string saved = WindowsDir() + kSystemIniOriginal;
    if (GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(ini.c_str());
        MoveFileA(saved.c_str(), ini.c_str());
    }
    DeleteFileA((WindowsDir() + "\\system.bak").c_str());
    DeleteFileA((WindowsDir() + "\\system.new").c_str());
    std::string vmm = SystemDir() + "\\VMM32";
    DeleteFileA((vmm + "\\VMOUSE.VXD").c_str());
    DeleteFileA((vmm + "\\VMOUSE.BAK").c_str());
    RemoveDirectoryA(vmm.c_str());
    RemoveDirectoryA((WindowsDir() + "\\SYSTEM").c_str());   // only when empty
}

std::string RegistryValue(HKEY root, const std::string &path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<absent>";
    std::vector<char> data(4096, 0);
    DWORD size = (DWORD)data.size() - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name, NULL, &type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<absent>";
    if (type == REG_BINARY) {
        std::ostringstream hex;
        hex << "hex:";
        for (DWORD i = 0; i < size; i++)
            hex << (i ? "," : "") << std::hex << (int)(unsigned char)data[i];
        return hex.str();
    }
    return std::string(data.data(), strnlen(data.data(), size));
}

bool RegistryKeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> SubkeyNames(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

static void DumpKey(HKEY root, const char *rootName, const std::string &path,
                    std::vector<std::string> *lines)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(name);
        if (RegEnumValueA(key, i, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        lines->push_back(std::string(rootName) + "\\" + path + ": " +
                         (name[0] ? name : "(default)") + " = " + RegistryValue(root, path, name));
    }
    std::vector<std::string> children = SubkeyNames(key);
    RegCloseKey(key);
    for (auto &child : children)
        DumpKey(root, rootName, path + "\\" + child, lines);
}

std::vector<std::string> RegistryReport()
{
    std::vector<std::string> lines;
    DumpKey(HKEY_CLASSES_ROOT, "HKCR", "CLSID\\" TRACE_CLSID, &lines);
    DumpKey(HKEY_LOCAL_MACHINE, "HKLM", TRACE_MOUSE_PAGE_KEY, &lines);
    std::string run = RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel");
    if (run != "<absent>")
        lines.push_back(std::string("HKLM\\") + TRACE_RUN_KEY + ": Kestrel = " + run);
    DumpKey(HKEY_LOCAL_MACHINE, "HKLM", TRACE_UNINSTALL_KEY, &lines);
    DumpKey(HKEY_LOCAL_MACHINE, "HKLM", "Enum", &lines);
    DumpKey(HKEY_LOCAL_MACHINE, "HKLM", TRACE_MOUSE_CLASS_KEY, &lines);
    return lines;
}

static void ListFiles(const std::string &dir, const std::string &relative,
                      std::vector<std::string> *lines)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(dir + "\\" + name, rel, lines);
        else
            lines->push_back(rel + " (" + std::to_string(found.nFileSizeLow) + " bytes)");
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<std::string> FileReport(const std::string &dir)
{
    std::vector<std::string> lines;
    ListFiles(dir, "", &lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}
