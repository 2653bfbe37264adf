// The setup state, a private registry, a scratch destination directory
// and a record of every string value written, for the registration tests.
#ifndef SETUP_REGISTRY_FIXTURE_H
#define SETUP_REGISTRY_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "setup_state.h"
#include "test_support.h"

#define DEVICE_LIST "Config Manager\\Enum\\"
#define CLASS_ROOT  "System\\CurrentControlSet\\Services\\Class\\"
#define MOUSE_CLASS CLASS_ROOT "Mouse"

// One value write seen by the registration: name and byte count.
typedef std::pair<std::string, DWORD> ValueWrite;

class RegistryTest : public ::testing::Test {
public:

    // A device of the dynamic list: its entry name and HardWareKey.
    static void AddPresentDevice(const std::string &entry, const std::string &hardwareKey);
    // A device key "Enum\" + hardwareKey; null values are left out.
    static void AddDeviceKey(const std::string &hardwareKey, const char *deviceDesc,
                             const char *mfg, const char *driver);
    // The value names of a key in the order the registry lists them.
    static std::vector<std::string> ValueNames(HKEY root, const std::string &path);
    // A value's raw bytes and type, "<absent>" when missing.
    static std::string RawValue(HKEY root, const std::string &path, const char *name,
                                DWORD *type);
    // The keys of a section of the restore record, in file order.
    std::vector<std::string> RecordKeys(const char *section) const;
    // A key of the restore record, "<absent>" when missing.
    std::string Recorded(const char *section, const char *key) const;
    std::string RecordPath() const { return dir_ + "\\SETUP.INF"; }
    // Names of the value writes seen, in order.
    std::vector<std::string> WrittenNames() const;

protected:
    void SetUp() override;
    void TearDown() override;

    RegistrySandbox sandbox_;
    std::string dir_;
    static std::vector<ValueWrite> written_;

private:
    static void OnValueWrite(const char *name, DWORD byteCount);
};

// The groups of tests that share the fixture.
class DeviceRegistration : public RegistryTest {};
class DriverClass : public RegistryTest {};
class RestoreRecord : public RegistryTest {};
class Components : public RegistryTest {};

#endif
