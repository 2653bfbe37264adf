#include "registry_fixture.h"

#include <string.h>

#include "text.h"
#include "values.h"

std::vector<ValueWrite> RegistryTest::written_;

void RegistryTest::OnValueWrite(const char *name, DWORD byteCount)
{
    written_.push_back(ValueWrite(name, byteCount));
}

void RegistryTest::SetUp()
{
    HINSTANCE instance = g_setup.instance;

    dir_ = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    InitSetupState();
    g_setup.instance = instance;
    TEXT_COPY(g_setup.installDir, dir_.c_str());
    TEXT_COPY(g_setup.productName, "Velto");
    DriverInfo *info = &g_setup.driverInfo;
    TEXT_COPY(info->mfg, "Velto Corp");
    TEXT_COPY(info->mouseDriver, "VELTOMS.VXD");
    TEXT_COPY(info->mouseInf, "VELTO.INF");
    TEXT_COPY(info->driverDate, "12-01-1998");
    TEXT_COPY(info->ps2InfSection, "PS2_Inst");
    TEXT_COPY(info->serialInfSection, "Serial_Inst");
    TEXT_COPY(info->ps2Name, "Velto PS/2 Wheel Mouse");
    TEXT_COPY(info->serialName, "Velto Serial Wheel Mouse");
    TEXT_COPY(info->pnpId, "1234");
    written_.clear();
    g_valueWriteHook = OnValueWrite;
}

void RegistryTest::TearDown()
{
    HINSTANCE instance = g_setup.instance;

    g_valueWriteHook = NULL;
    written_.clear();
    RemoveTree(dir_);
    InitSetupState();
    g_setup.instance = instance;
}

void RegistryTest::AddPresentDevice(const std::string &entry, const std::string &hardwareKey)
{
    RegistrySandbox::SetString(HKEY_DYN_DATA, (DEVICE_LIST + entry).c_str(), "HardWareKey",
                               hardwareKey.c_str());
}

void RegistryTest::AddDeviceKey(const std::string &hardwareKey, const char *deviceDesc,
                                const char *mfg, const char *driver)
{
    std::string path = "Enum\\" + hardwareKey;
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), NULL, NULL);
    if (deviceDesc != NULL)
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DeviceDesc", deviceDesc);
    if (mfg != NULL)
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "Mfg", mfg);
    if (driver != NULL)
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "Driver", driver);
}

std::vector<std::string> RegistryTest::ValueNames(HKEY root, const std::string &path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; index++) {
        char name[256];
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        names.push_back(std::string(name, length));
    }
    RegCloseKey(key);
    return names;
}

std::string RegistryTest::RawValue(HKEY root, const std::string &path, const char *name,
                                   DWORD *type)
{
    HKEY key;
    *type = REG_NONE;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<absent>";
    std::vector<char> data(4096, 0);
    DWORD size = (DWORD)data.size();
    LONG rc = RegQueryValueExA(key, name, NULL, type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<absent>";
    return std::string(data.data(), size);
}

std::vector<std::string> RegistryTest::RecordKeys(const char *section) const
{
    std::vector<std::string> keys;
    std::string text = ReadFileBytes(RecordPath());
    std::string header = std::string("[") + section + "]";
    bool inside = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[line.size() - 1] == '\r')
            line.erase(line.size() - 1);
        if (!line.empty() && line[0] == '[')
            inside = line == header;
        else if (inside && line.find('=') != std::string::npos)
            keys.push_back(line.substr(0, line.find('=')));
        start = end + 1;
    }
    return keys;
}

std::string RegistryTest::Recorded(const char *section, const char *key) const
{
    std::vector<char> value(65536, 0);
    GetPrivateProfileStringA(section, key, "<absent>", value.data(), (DWORD)value.size(),
                             RecordPath().c_str());
    return std::string(value.data());
}

std::vector<std::string> RegistryTest::WrittenNames() const
{
    std::vector<std::string> names;
    for (size_t i = 0; i < written_.size(); i++)
        names.push_back(written_[i].first);
    return names;
}
