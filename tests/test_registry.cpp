// The mouse device registration, the driver class keys and the companion
// components, each run against a private registry.
#include <gtest/gtest.h>

#include <string.h>

#include <set>

#include "test_seams.h"
#include "install_traces.h"
#include "text.h"
#include "wizard.h"
#include "components.h"
#include "registry_test.h"
#include "journal.h"
#include "setup_script.h"
#include "registry_fixture.h"

namespace {

typedef std::vector<std::string> Names;

const char kPs2Hardware[] = "BIOS\\*PNP0F13\\0000";
const char kPs2OldHardware[] = "BIOS\\*PNP0F0E\\0000";
const char kSerialHardware[] = "SERENUM\\*PNP0F0C\\0000";
const char kSerialEnumHardware[] = "SERENUM\\1234\\0001";
const char kRootDevice[] = "Enum\\Root\\VeltoMouse\\0000";

std::string Get(const std::string &path, const char *name)
{
    return RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, path.c_str(), name);
}

std::string DeviceKey(const std::string &hardwareKey)
{
    return "Enum\\" + hardwareKey;
}

std::string ClassKey(const std::string &driver)
{
    return CLASS_ROOT + driver;
}

// A value of any type, stored byte for byte.
void SetRawValue(HKEY root, const std::string &path, const char *name, DWORD type,
                 const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS) << path;
    RegSetValueExA(key, name, 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
}

// A driver class key as another device left it.
void AddClassKey(const std::string &driver, const char *driverDesc)
{
    std::string path = ClassKey(driver);
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DevLoader", "*oldloader");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "MouseDriver", "OLD.VXD");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "InfPath", "OLD.INF");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DriverDesc", driverDesc);
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DriverDate", "1-1-1995");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "InfSection", "OldSection");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "MouseType", "Old");
}

// The seven values of a class key the setup created.
void ExpectCreatedClassKey(const std::string &driver, const char *mouseType,
                           const char *description, const char *infSection)
{
    SCOPED_TRACE("class key " + driver);
    std::string path = ClassKey(driver);
    // The registry lists values by name; the order of writing is checked
    // through the write seam where it matters.
    EXPECT_EQ(RegistryTest::ValueNames(HKEY_LOCAL_MACHINE, path),
              (Names{ "DevLoader", "DriverDate", "DriverDesc", "InfPath", "InfSection",
                      "MouseDriver", "MouseType" }));
    EXPECT_EQ(Get(path, "DevLoader"), "*vmouse");
    EXPECT_EQ(Get(path, "MouseType"), mouseType);
    EXPECT_EQ(Get(path, "MouseDriver"), "VELTOMS.VXD");
    EXPECT_EQ(Get(path, "InfPath"), "VELTO.INF");
    EXPECT_EQ(Get(path, "DriverDesc"), description);
    EXPECT_EQ(Get(path, "DriverDate"), "12-01-1998");
    EXPECT_EQ(Get(path, "InfSection"), infSection);
}

}  // namespace

// ---------------------------------------------------------------------
// The dynamic device list

TEST_F(DeviceRegistration, SandboxListsDynamicDevices)
{
    AddPresentDevice("C29", "ROOT\\X\\0000");
    AddPresentDevice("C10", "ROOT\\Y\\0000");
    HKEY list;
    ASSERT_EQ(RegOpenKeyExA(HKEY_DYN_DATA, "Config Manager\\Enum", 0, KEY_READ, &list), ERROR_SUCCESS);
    Names seen = SubkeyNames(list);
    RegCloseKey(list);
    EXPECT_EQ(seen, (Names{ "C10", "C29" })) << "the private list, nothing of the prefix's own";
}

TEST_F(DeviceRegistration, FindHardwareKeyTakesTheLastMatch)
{
    char found[128];
    TEXT_COPY(found, "sentinel");
    EXPECT_EQ(FindHardwareKey("*PNP0F13\\", found), 0) << "no list at all";
    EXPECT_STREQ(found, "sentinel");

    AddPresentDevice("C01", "BIOS\\*PNP0F13\\0000");
    AddPresentDevice("C02", "ISAPNP\\X\\0000");
    AddPresentDevice("C03", "BIOS\\*PNP0F13\\0001");
    AddPresentDevice("C04", "BIOS\\*pnp0f13\\0002");
    RegistrySandbox::SetString(HKEY_DYN_DATA, DEVICE_LIST "C05", NULL, NULL);  // no value

    struct Row { const char *id; int result; const char *value; } rows[] = {
        /* 0 */ { "*PNP0F13\\", 1, "BIOS\\*PNP0F13\\0001" },   // the later of two
        /* 1 */ { "*pnp0f13\\", 1, "BIOS\\*pnp0f13\\0002" },   // case-sensitive
        /* 2 */ { "ISAPNP", 1, "ISAPNP\\X\\0000" },            // anywhere in the value
        /* 3 */ { "\\0000", 1, "ISAPNP\\X\\0000" },
        /* 4 */ { "*PNP0F0C\\", 0, "sentinel" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        TEXT_COPY(found, "sentinel");
        EXPECT_EQ(FindHardwareKey(rows[i].id, found), rows[i].result) << "row " << i;
        EXPECT_STREQ(found, rows[i].value) << "row " << i;
    }
}

TEST_F(DeviceRegistration, HardwareKeyThatDoesNotFitIsNoMatch)
{
    char found[128];
    std::string fits = "BIOS\\*PNP0F13\\" + std::string(127 - 14, 'A');
    std::string tooLong = "BIOS\\*PNP0F13\\" + std::string(128 - 14, 'B');
    ASSERT_EQ(fits.size(), 127u);
    AddPresentDevice("C01", fits);
    AddPresentDevice("C02", tooLong);
    TEXT_COPY(found, "sentinel");
    EXPECT_EQ(FindHardwareKey("*PNP0F13\\", found), 1);
    EXPECT_EQ(std::string(found), fits) << "127 characters fit; 128 do not";

    RegistrySandbox::DeleteTree(HKEY_DYN_DATA, DEVICE_LIST "C01");
    TEXT_COPY(found, "sentinel");
    EXPECT_EQ(FindHardwareKey("*PNP0F13\\", found), 0);
    EXPECT_STREQ(found, "sentinel");
}

// ---------------------------------------------------------------------
// Takeovers and the root device

TEST_F(DeviceRegistration, Ps2TakeoverUpdatesTheDeviceAndItsClassKey)
{
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, "Standard PS/2 Port Mouse", "(Standard mouse types)", "Mouse\\0000");
    AddClassKey("Mouse\\0000", "Standard PS/2 Port Mouse");
    g_setup.serialMouse = 0;

    UpdateRegistry(0);

    EXPECT_STREQ(g_setup.mouseType, "PS2");
    std::string device = DeviceKey(kPs2Hardware);
    EXPECT_EQ(Get(device, "DeviceDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_EQ(Get(device, "Mfg"), "Velto Corp");
    EXPECT_EQ(Get(device, "Driver"), "Mouse\\0000") << "an existing Driver stays";
    DWORD type;
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, device, "ConfigFlags", &type), std::string(4, '\0'));
    EXPECT_EQ(type, (DWORD)REG_BINARY);

    std::string classKey = ClassKey("Mouse\\0000");
    EXPECT_EQ(Get(classKey, "DevLoader"), "*oldloader") << "kept on takeover";
    EXPECT_EQ(Get(classKey, "MouseDriver"), "VELTOMS.VXD");
    EXPECT_EQ(Get(classKey, "InfPath"), "VELTO.INF");
    EXPECT_EQ(Get(classKey, "DriverDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_EQ(Get(classKey, "DriverDate"), "12-01-1998");
    EXPECT_EQ(Get(classKey, "InfSection"), "PS2_Inst");
    EXPECT_EQ(Get(classKey, "MouseType"), "PS2");
    EXPECT_EQ(WrittenNames(), (Names{ "DeviceDesc", "ConfigFlags", "Mfg", "MouseDriver", "InfPath",
                                      "DriverDesc", "DriverDate", "InfSection", "MouseType" }))
        << "Driver is not rewritten, DevLoader not touched";
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, kRootDevice));
}

TEST_F(DeviceRegistration, TakeoverChoosesByIdentifierOrder)
{
    // Which present devices there are, and whose key is taken over.
    struct Row {
        int serialMouse;
        const char *first; const char *second;  // hardware keys, "" for none
        const char *expect;                      // taken over, or "" for the root device
        const char *mouseType;
    } rows[] = {
        /* 0 */ { 0, kPs2OldHardware, "", kPs2OldHardware, "PS2" },
        /* 1 */ { 0, kPs2Hardware, kPs2OldHardware, kPs2Hardware, "PS2" },
        /* 2 */ { 0, "BIOS\\*PNP0F13\\0009", kPs2Hardware, kPs2Hardware, "PS2" },  // last listed
        /* 3 */ { 1, kSerialHardware, "", kSerialHardware, "Serial" },
        /* 4 */ { 1, kSerialEnumHardware, "", kSerialEnumHardware, "Serial" },
        /* 5 */ { 1, kSerialEnumHardware, kSerialHardware, kSerialHardware, "Serial" },
        /* 6 */ { 1, "SERENUM\\4321\\0001", "", "", "Serial" },        // another pnpId
        /* 7 */ { 0, "BIOS\\*pnp0f13\\0000", "", "", "PS2" },          // case-sensitive
        /* 8 */ { 0, kSerialHardware, "", "", "PS2" },                 // serial only, PS/2 chosen
        /* 9 */ { 1, kPs2Hardware, "", "", "Serial" },                 // PS/2 only, serial chosen
        /* 10 */ { 2, kPs2Hardware, kSerialHardware, "", "Serial" },   // never taken over
        /* 11 */ { 0, kSerialHardware, kPs2Hardware, kPs2Hardware, "PS2" },
        /* 12 */ { 1, kSerialHardware, kPs2Hardware, kSerialHardware, "Serial" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        RegistrySandbox::DeleteTree(HKEY_DYN_DATA, "Config Manager");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "Enum");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "System");
        const char *present[2] = { rows[i].first, rows[i].second };
        for (int d = 0; d < 2; d++) {
            if (present[d][0] == '\0')
                continue;
            AddPresentDevice("C0" + std::to_string(d), present[d]);
            AddDeviceKey(present[d], "Old mouse", "Old maker", NULL);
        }
        g_setup.serialMouse = rows[i].serialMouse;

        UpdateRegistry(0);

        EXPECT_STREQ(g_setup.mouseType, rows[i].mouseType);
        bool serial = rows[i].serialMouse != 0;
        const char *name = serial ? "Velto Serial Wheel Mouse" : "Velto PS/2 Wheel Mouse";
        for (int d = 0; d < 2; d++) {
            if (present[d][0] == '\0')
                continue;
            bool taken = strcmp(present[d], rows[i].expect) == 0;
            EXPECT_EQ(Get(DeviceKey(present[d]), "DeviceDesc"), taken ? name : "Old mouse")
                << present[d];
        }
        if (rows[i].expect[0] != '\0') {
            EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, kRootDevice));
            EXPECT_EQ(Get(DeviceKey(rows[i].expect), "Driver"), "Mouse\\0000");
        } else {
            EXPECT_EQ(Get(kRootDevice, "DeviceDesc"), name);
            EXPECT_EQ(Get(kRootDevice, "DetFunc"),
                      serial ? "*:DETECTSERIALMOUSE" : "*:DETECTPS2MOUSE");
        }
    }
}

TEST_F(DeviceRegistration, MatchWithoutDeviceKeyRegistersNothing)
{
    AddPresentDevice("C01", kPs2Hardware);
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_STREQ(g_setup.mouseType, "PS2") << "set before the open is looked at";
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, "Enum"));
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, "System"));
    EXPECT_TRUE(written_.empty());
    EXPECT_FALSE(FileExists(RecordPath()));
}

TEST_F(DeviceRegistration, DeviceWithoutDriverGetsANewClassKey)
{
    AddPresentDevice("C01", kSerialHardware);
    AddDeviceKey(kSerialHardware, "Serial mouse", NULL, NULL);
    AddClassKey("Mouse\\0000", "Someone else's");
    g_setup.serialMouse = 1;

    UpdateRegistry(0);

    std::string device = DeviceKey(kSerialHardware);
    EXPECT_EQ(Get(device, "Driver"), "Mouse\\0001");
    EXPECT_EQ(Get(device, "Mfg"), "Velto Corp");
    ExpectCreatedClassKey("Mouse\\0001", "Serial", "Velto Serial Wheel Mouse", "Serial_Inst");
    EXPECT_EQ(Get(ClassKey("Mouse\\0000"), "DriverDesc"), "Someone else's");
    EXPECT_EQ(Recorded("Serial", "SubKey2"), "<absent>") << "nothing recorded on creation";
}

TEST_F(DeviceRegistration, DriverTooLongToNameAKeyIsLeftAlone)
{
    std::string longDriver = "Mouse\\" + std::string(300, '7');
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, "Old", "Old", longDriver.c_str());
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_EQ(Get(DeviceKey(kPs2Hardware), "Driver"), longDriver);
    EXPECT_EQ(Get(DeviceKey(kPs2Hardware), "DeviceDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, MOUSE_CLASS));
}

TEST_F(DeviceRegistration, RootDeviceValuesInOrder)
{
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_STREQ(g_setup.mouseType, "PS2");
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, kRootDevice),
              (Names{ "Class", "ConfigFlags", "DetFlags", "DetFunc", "DeviceDesc", "Driver", "Mfg" }));
    EXPECT_EQ(WrittenNames(),
              (Names{ "Class", "DeviceDesc", "Mfg", "ConfigFlags", "DetFlags", "DetFunc", "Driver",
                      "DevLoader", "MouseType", "MouseDriver", "InfPath", "DriverDesc", "DriverDate",
                      "InfSection" }));
    struct Row { const char *name; DWORD type; std::string data; } rows[] = {
        /* 0 */ { "Class", REG_SZ, "Mouse" },
        /* 1 */ { "DeviceDesc", REG_SZ, "Velto PS/2 Wheel Mouse" },
        /* 2 */ { "Mfg", REG_SZ, "Velto Corp" },
        /* 3 */ { "ConfigFlags", REG_BINARY, std::string(4, '\0') },
        /* 4 */ { "DetFlags", REG_BINARY, std::string(4, '\0') },
        /* 5 */ { "DetFunc", REG_SZ, "*:DETECTPS2MOUSE" },
        /* 6 */ { "Driver", REG_SZ, "Mouse\\0000" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        DWORD type;
        std::string data = RawValue(HKEY_LOCAL_MACHINE, kRootDevice, rows[i].name, &type);
        EXPECT_EQ(type, rows[i].type) << "row " << i;
        if (type == REG_SZ)
            data = std::string(data.c_str());
        EXPECT_EQ(data, rows[i].data) << "row " << i;
    }
    ExpectCreatedClassKey("Mouse\\0000", "PS2", "Velto PS/2 Wheel Mouse", "PS2_Inst");
    // Every string goes out with the text's length as its byte count.
    const DWORD counts[] = { 5, 22, 10, 4, 4, 16, 10, 7, 3, 11, 9, 22, 10, 8 };
    ASSERT_EQ(written_.size(), sizeof(counts) / sizeof(counts[0]));
    for (size_t i = 0; i < written_.size(); i++)
        EXPECT_EQ(written_[i].second, counts[i]) << written_[i].first;
    EXPECT_FALSE(FileExists(RecordPath())) << "the root road records nothing";
}

TEST_F(DeviceRegistration, RootRoadTwiceAllocatesAFurtherName)
{
    g_setup.serialMouse = 1;
    UpdateRegistry(0);
    EXPECT_EQ(Get(kRootDevice, "Driver"), "Mouse\\0000");
    UpdateRegistry(0);
    EXPECT_EQ(Get(kRootDevice, "Driver"), "Mouse\\0001");
    ExpectCreatedClassKey("Mouse\\0000", "Serial", "Velto Serial Wheel Mouse", "Serial_Inst");
    ExpectCreatedClassKey("Mouse\\0001", "Serial", "Velto Serial Wheel Mouse", "Serial_Inst");
    EXPECT_FALSE(FileExists(RecordPath()));
}

TEST_F(DeviceRegistration, EmptyTextsAreWrittenWithByteCountZero)
{
    g_setup.driverInfo.mfg[0] = '\0';
    g_setup.driverInfo.ps2Name[0] = '\0';
    g_setup.serialMouse = 0;
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, "Old", "Old maker", "");
    UpdateRegistry(0);
    ASSERT_EQ(WrittenNames(), (Names{ "DeviceDesc", "ConfigFlags", "Mfg", "Driver", "DevLoader",
                                      "MouseType", "MouseDriver", "InfPath", "DriverDesc",
                                      "DriverDate", "InfSection" }));
    EXPECT_EQ(written_[0].second, 0u) << "DeviceDesc";
    EXPECT_EQ(written_[2].second, 0u) << "Mfg";
    EXPECT_EQ(written_[3].second, 10u) << "Driver";
    EXPECT_EQ(written_[5].second, 3u) << "MouseType PS2";
    EXPECT_EQ(written_[8].second, 0u) << "DriverDesc";
    EXPECT_EQ(Get(DeviceKey(kPs2Hardware), "Mfg"), "");
    EXPECT_EQ(Get(DeviceKey(kPs2Hardware), "Driver"), "Mouse\\0000") << "an empty Driver is replaced";
}

// ---------------------------------------------------------------------
// Driver class keys

TEST_F(DriverClass, DriverKeyNameTakesTheSmallestFreeNumber)
{
    struct Row { bool classKey; Names subkeys; const char *expect; } rows[] = {
        /* 0 */ { false, {}, "Mouse\\0000" },
        /* 1 */ { true, {}, "Mouse\\0000" },
        /* 2 */ { true, { "0000", "0001", "0003" }, "Mouse\\0002" },
        /* 3 */ { true, { "0000", "0001", "0002" }, "Mouse\\0003" },
        /* 4 */ { true, { "0001" }, "Mouse\\0000" },
        /* 5 */ { true, { "Extra" }, "Mouse\\0001" },            // no digits: number 0
        /* 6 */ { true, { "0000", "00005", "0001" }, "Mouse\\0002" },
        /* 7 */ { true, { "0000", "0002", "1" }, "Mouse\\0003" },
        /* 8 */ { true, { "9999", "0000" }, "Mouse\\0001" },
        /* 9 */ { true, { "-1", "0000" }, "Mouse\\0001" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "System");
        if (rows[i].classKey)
            RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, MOUSE_CLASS, NULL, NULL);
        for (size_t s = 0; s < rows[i].subkeys.size(); s++)
            RegistrySandbox::SetString(HKEY_LOCAL_MACHINE,
                                       (MOUSE_CLASS "\\" + rows[i].subkeys[s]).c_str(), NULL, NULL);
        char name[80];
        memset(name, 'x', sizeof(name));
        EXPECT_EQ(AllocateDriverKeyName(name, sizeof(name)), 1);
        EXPECT_STREQ(name, rows[i].expect);
    }
}

TEST_F(DriverClass, OutOfOrderNumbersNeverOverwriteAnotherKey)
{
    const char *subkeys[] = { "0000", "00005", "0001" };
    for (size_t s = 0; s < 3; s++)
        AddClassKey(std::string("Mouse\\") + subkeys[s], "Other device");
    // The registry lists them by name, so their numbers come out of order.
    HKEY classKey;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, MOUSE_CLASS, 0, KEY_READ, &classKey), ERROR_SUCCESS);
    Names listed;
    for (DWORD i = 0;; i++) {
        char name[80];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(classKey, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        listed.push_back(name);
    }
    RegCloseKey(classKey);
    ASSERT_EQ(listed, (Names{ "0000", "00005", "0001" }));

    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_EQ(Get(kRootDevice, "Driver"), "Mouse\\0002");
    for (size_t s = 0; s < 3; s++) {
        std::string path = ClassKey(std::string("Mouse\\") + subkeys[s]);
        EXPECT_EQ(Get(path, "DriverDesc"), "Other device") << path;
        EXPECT_EQ(Get(path, "DevLoader"), "*oldloader") << path;
    }
    ExpectCreatedClassKey("Mouse\\0002", "PS2", "Velto PS/2 Wheel Mouse", "PS2_Inst");
}

TEST_F(DriverClass, CreatedClassKeyHoldsSevenValues)
{
    TEXT_COPY(g_setup.mouseType, "Serial");
    CreateDriverClassKey("Mouse\\0004", "Described", "Section");
    ExpectCreatedClassKey("Mouse\\0004", "Serial", "Described", "Section");
    EXPECT_EQ(WrittenNames(), (Names{ "DevLoader", "MouseType", "MouseDriver", "InfPath",
                                      "DriverDesc", "DriverDate", "InfSection" }));
    ASSERT_EQ(written_.size(), 7u);
    const DWORD counts[] = { 7, 6, 11, 9, 9, 10, 7 };
    for (size_t i = 0; i < 7; i++)
        EXPECT_EQ(written_[i].second, counts[i]) << written_[i].first;
    for (size_t i = 0; i < 7; i++) {
        DWORD type;
        RawValue(HKEY_LOCAL_MACHINE, ClassKey("Mouse\\0004"), written_[i].first.c_str(), &type);
        EXPECT_EQ(type, (DWORD)REG_SZ) << written_[i].first;
    }
    EXPECT_FALSE(FileExists(RecordPath()));
}

TEST_F(DriverClass, ClassKeyNameTooLongForItsPathIsNotUsed)
{
    TEXT_COPY(g_setup.mouseType, "PS2");
    std::string name = "Mouse\\" + std::string(600, '1');
    CreateDriverClassKey(name.c_str(), "D", "S");
    UpdateDriverClassKey(name.c_str(), "D", "S");
    EXPECT_TRUE(written_.empty());
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, "System"));
    EXPECT_FALSE(FileExists(RecordPath()));
}

TEST_F(DriverClass, ClassKeyTakeoverRecordsFiveValues)
{
    TEXT_COPY(g_setup.mouseType, "PS2");
    std::string path = ClassKey("Mouse\\0003");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DevLoader", "*msmouse");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "MouseDriver", "MSMOUSE.VXD");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DriverDesc", "Standard");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "DriverDate", "7-11-1995");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "InfSection", "PS2");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, path.c_str(), "MouseType", "Old");

    UpdateDriverClassKey("Mouse\\0003", "Velto PS/2 Wheel Mouse", "PS2_Inst");

    EXPECT_EQ(RecordKeys("PS2"), (Names{ "SubKey2", "MouseDriver", "InfPath", "DriverDesc",
                                         "DriverDate", "InfSection" }));
    EXPECT_EQ(Recorded("PS2", "SubKey2"), CLASS_ROOT "Mouse\\0003");
    EXPECT_EQ(Recorded("PS2", "MouseDriver"), "MSMOUSE.VXD");
    EXPECT_EQ(Recorded("PS2", "InfPath"), "") << "a missing value is recorded empty";
    EXPECT_EQ(Recorded("PS2", "DriverDesc"), "Standard");
    EXPECT_EQ(Recorded("PS2", "DriverDate"), "7-11-1995");
    EXPECT_EQ(Recorded("PS2", "InfSection"), "PS2");
    EXPECT_EQ(Recorded("PS2", "MouseType"), "<absent>");
    EXPECT_EQ(WrittenNames(), (Names{ "MouseDriver", "InfPath", "DriverDesc", "DriverDate",
                                      "InfSection", "MouseType" }));
    EXPECT_EQ(Get(path, "DevLoader"), "*msmouse");
    EXPECT_EQ(Get(path, "InfPath"), "VELTO.INF");
    EXPECT_EQ(Get(path, "MouseType"), "PS2");
}

TEST_F(DriverClass, ClassKeyThatCannotBeOpenedIsCreated)
{
    TEXT_COPY(g_setup.mouseType, "Serial");
    UpdateDriverClassKey("Mouse\\0007", "Velto Serial Wheel Mouse", "Serial_Inst");
    EXPECT_EQ(RecordKeys("Serial"), (Names{ "SubKey2" }));
    EXPECT_EQ(Recorded("Serial", "SubKey2"), CLASS_ROOT "Mouse\\0007");
    ExpectCreatedClassKey("Mouse\\0007", "Serial", "Velto Serial Wheel Mouse", "Serial_Inst");
}

// ---------------------------------------------------------------------
// The restore record written by the takeovers

TEST_F(RestoreRecord, FirstPs2TakeoverRecordsNineKeysInOrder)
{
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, "Standard PS/2 Port Mouse", "(Standard mouse types)", "Mouse\\0000");
    AddClassKey("Mouse\\0000", "Standard PS/2 Port Mouse");
    g_setup.serialMouse = 0;
    UpdateRegistry(0);

    EXPECT_EQ(RecordKeys("PS2"), (Names{ "SubKey1", "DeviceDesc", "Mfg", "SubKey2", "MouseDriver",
                                         "InfPath", "DriverDesc", "DriverDate", "InfSection" }));
    struct Row { const char *key; const char *value; } rows[] = {
        /* 0 */ { "SubKey1", "Enum\\BIOS\\*PNP0F13\\0000" },
        /* 1 */ { "DeviceDesc", "Standard PS/2 Port Mouse" },
        /* 2 */ { "Mfg", "(Standard mouse types)" },
        /* 3 */ { "SubKey2", CLASS_ROOT "Mouse\\0000" },
        /* 4 */ { "MouseDriver", "OLD.VXD" },
        /* 5 */ { "InfPath", "OLD.INF" },
        /* 6 */ { "DriverDesc", "Standard PS/2 Port Mouse" },
        /* 7 */ { "DriverDate", "1-1-1995" },
        /* 8 */ { "InfSection", "OldSection" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++)
        EXPECT_EQ(Recorded("PS2", rows[i].key), rows[i].value) << "row " << i;
    EXPECT_TRUE(RecordKeys("Serial").empty());
}

TEST_F(RestoreRecord, LaterRunsKeepTheFirstValues)
{
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, "Standard PS/2 Port Mouse", NULL, "Mouse\\0000");
    AddClassKey("Mouse\\0000", "Standard PS/2 Port Mouse");
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_EQ(Recorded("PS2", "Mfg"), "") << "no Mfg before the setup";
    std::string first = ReadFileBytes(RecordPath());

    // The registry now holds the package's texts, Mfg included.
    UpdateRegistry(0);
    EXPECT_EQ(Recorded("PS2", "DeviceDesc"), "Standard PS/2 Port Mouse")
        << "not the package's text that the registry now holds";
    EXPECT_EQ(Recorded("PS2", "DriverDesc"), "Standard PS/2 Port Mouse");
    EXPECT_EQ(Recorded("PS2", "Mfg"), "") << "still: there was no Mfg";
    EXPECT_EQ(ReadFileBytes(RecordPath()), first) << "the record is unchanged";

    // A serial run into the same directory adds its own section.
    AddPresentDevice("C02", kSerialHardware);
    AddDeviceKey(kSerialHardware, "Serial Mouse", "Maker", NULL);
    g_setup.serialMouse = 1;
    UpdateRegistry(0);
    EXPECT_EQ(RecordKeys("Serial"), (Names{ "SubKey1", "DeviceDesc", "Mfg" }));
    EXPECT_EQ(Recorded("Serial", "SubKey1"), "Enum\\SERENUM\\*PNP0F0C\\0000");
    EXPECT_EQ(Recorded("Serial", "DeviceDesc"), "Serial Mouse");
    EXPECT_EQ(RecordKeys("PS2").size(), 9u);
    EXPECT_EQ(Recorded("PS2", "SubKey1"), "Enum\\BIOS\\*PNP0F13\\0000");
}

TEST_F(RestoreRecord, LongOldValuesAreRecordedWhole)
{
    std::string longDesc = "Mouse " + std::string(150, 'D') + " end";
    std::string longDriverDesc = std::string(100, 'E');
    AddPresentDevice("C01", kPs2Hardware);
    AddDeviceKey(kPs2Hardware, longDesc.c_str(), "Maker", "Mouse\\0000");
    AddClassKey("Mouse\\0000", longDriverDesc.c_str());
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_EQ(Recorded("PS2", "DeviceDesc"), longDesc);
    EXPECT_EQ(Recorded("PS2", "DriverDesc"), longDriverDesc);
    EXPECT_NE(ReadFileBytes(RecordPath()).find("DeviceDesc=" + longDesc + "\r\n"), std::string::npos);
}

TEST_F(RestoreRecord, LineBreaksInRegistryTextsPlantNothing)
{
    // Each text is recorded up to its first CR or LF, key paths included.
    const std::string planted = "\r\n[Serial]\r\nSubKey1=X";
    const std::string hardware = std::string(kPs2Hardware) + planted;
    const std::string driver = "Mouse\\0000\n[Serial]\nSubKey2=Y";
    AddPresentDevice("C01", hardware);
    AddDeviceKey(hardware, ("Old" + planted).c_str(), "Maker\nDeviceDesc=Z", driver.c_str());
    AddClassKey(driver, "Desc\r[Serial]");
    g_setup.serialMouse = 0;
    UpdateRegistry(0);

    EXPECT_EQ(RecordKeys("PS2"), (Names{ "SubKey1", "DeviceDesc", "Mfg", "SubKey2", "MouseDriver",
                                         "InfPath", "DriverDesc", "DriverDate", "InfSection" }));
    EXPECT_TRUE(RecordKeys("Serial").empty());
    EXPECT_EQ(Recorded("PS2", "SubKey1"), "Enum\\BIOS\\*PNP0F13\\0000");
    EXPECT_EQ(Recorded("PS2", "DeviceDesc"), "Old");
    EXPECT_EQ(Recorded("PS2", "Mfg"), "Maker");
    EXPECT_EQ(Recorded("PS2", "SubKey2"), CLASS_ROOT "Mouse\\0000");
    EXPECT_EQ(Recorded("PS2", "DriverDesc"), "Desc");
}

// ---------------------------------------------------------------------
// Values read whatever their type

TEST_F(DeviceRegistration, ValuesAreReadWhateverTheirType)
{
    // Binary values without a terminator, a number and a multi-string:
    // each is text up to its first zero byte.
    const std::string device = DeviceKey(kPs2Hardware);
    SetRawValue(HKEY_DYN_DATA, DEVICE_LIST "C01", "HardWareKey", REG_BINARY, kPs2Hardware);
    SetRawValue(HKEY_LOCAL_MACHINE, device, "DeviceDesc", REG_BINARY, std::string("Old mouse\0junk", 14));
    SetRawValue(HKEY_LOCAL_MACHINE, device, "Mfg", REG_DWORD, std::string("ABC\0", 4));
    SetRawValue(HKEY_LOCAL_MACHINE, device, "Driver", REG_BINARY, "Mouse\\0000");
    AddClassKey("Mouse\\0000", "Old class");
    SetRawValue(HKEY_LOCAL_MACHINE, ClassKey("Mouse\\0000"), "MouseDriver", REG_MULTI_SZ,
                std::string("OLD.VXD\0B\0\0", 11));
    g_setup.serialMouse = 0;
    UpdateRegistry(0);
    EXPECT_EQ(Get(device, "DeviceDesc"), "Velto PS/2 Wheel Mouse") << "the device is taken over";
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, kRootDevice));
    EXPECT_EQ(Recorded("PS2", "DeviceDesc"), "Old mouse");
    EXPECT_EQ(Recorded("PS2", "Mfg"), "ABC");
    EXPECT_EQ(Recorded("PS2", "SubKey2"), CLASS_ROOT "Mouse\\0000") << "Driver names the class key";
    EXPECT_EQ(Recorded("PS2", "MouseDriver"), "OLD.VXD");
    EXPECT_EQ(Get(ClassKey("Mouse\\0000"), "MouseDriver"), "VELTOMS.VXD");

    SetRawValue(HKEY_LOCAL_MACHINE, RUN_KEY, COMPANION_TITLE, REG_BINARY, "C:\\VELTO\\VARIRE.EXE -startup");
    EXPECT_EQ(IsAlreadyInstalled(), 1);

    // Last, as loading the script replaces the setup state.
    SetRawValue(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, "ProgramFilesDir", REG_BINARY,
                std::string("F:\\Apps\0junk", 12));
    WriteFileBytes(dir_ + "\\SETUP.INF", "[Main]\r\nDefaultPath=VELTO\r\n");
    ASSERT_EQ(LoadSetupScriptFrom((dir_ + "\\SETUP.EXE").c_str()), 1);
    FreeFileTable();
    EXPECT_STREQ(g_setup.installDir, "F:\\Apps\\VELTO");
}

// ---------------------------------------------------------------------
// Companion components

TEST_F(Components, EveryKeyWithBlanksInTheDirectory)
{
    std::string dir = ScratchDir("Program Files X");
    TEXT_COPY(g_setup.installDir, dir.c_str());
    g_setup.serialMouse = 0;
    UpdateRegistry(1);

    const char clsid[] = "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}";
    const std::string handlers = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder"
                                 "\\Mouse\\shellex\\PropertySheetHandlers";
    const std::string version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    struct Row { HKEY root; std::string path; const char *name; std::string data; } rows[] = {
        /* 0 */ { HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid, NULL, "ZRMouseControlPage" },
        /* 1 */ { HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InProcServer32", NULL,
                  dir + "\\ZRPAGE.DLL" },
        /* 2 */ { HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InProcServer32",
                  "ThreadingModel", "Apartment" },
        /* 3 */ { HKEY_LOCAL_MACHINE, handlers, NULL, "ZRMousePage" },
        /* 4 */ { HKEY_LOCAL_MACHINE, handlers + "\\ZRMousePage", NULL, clsid },
        /* 5 */ { HKEY_LOCAL_MACHINE, version + "Run", "Kestrel", dir + "\\VARIRE.EXE -startup" },
        /* 6 */ { HKEY_LOCAL_MACHINE, version + "Uninstall\\Kestrel", "DisplayName", "Velto" },
        /* 7 */ { HKEY_LOCAL_MACHINE, version + "Uninstall\\Kestrel", "UninstallString",
                  dir + "\\UNINSTAL.EXE" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        DWORD type;
        std::string data = RawValue(rows[i].root, rows[i].path, rows[i].name, &type);
        EXPECT_EQ(type, (DWORD)REG_SZ) << "row " << i;
        EXPECT_EQ(std::string(data.c_str()), rows[i].data) << "row " << i;
        ASSERT_GT(written_.size(), i);
        EXPECT_EQ(written_[i], ValueWrite(rows[i].name != NULL ? rows[i].name : "",
                                          (DWORD)rows[i].data.size()))
            << "row " << i << ": written in this order with the text's length";
    }
    EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InProcServer32"),
              (Names{ "", "ThreadingModel" }));
    EXPECT_EQ(written_[8].first, "Class") << "the device follows the components";
    EXPECT_EQ(IsAlreadyInstalled(), 1) << "a later run refuses";
    RemoveTree(dir);
}

TEST_F(Components, ExistingHandlersKeepTheirSubkeys)
{
    const char handlers[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder"
                            "\\Mouse\\shellex\\PropertySheetHandlers";
    std::string other = std::string(handlers) + "\\OtherPage";
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, handlers, NULL, "OtherPage");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, other.c_str(), NULL, "{0000}");
    g_setup.productName[0] = '\0';
    RegisterComponents();
    EXPECT_EQ(Get(handlers, NULL), "ZRMousePage");
    EXPECT_EQ(Get(other, NULL), "{0000}");
    EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE,
                                           (std::string(handlers) + "\\ZRMousePage").c_str()));
    ASSERT_EQ(written_.size(), 8u);
    EXPECT_EQ(written_[6], ValueWrite("DisplayName", 0)) << "an empty product name";
}

TEST_F(Components, FlagZeroRegistersTheDeviceOnly)
{
    g_setup.serialMouse = 1;
    UpdateRegistry(0);
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    EXPECT_EQ(IsAlreadyInstalled(), 0);
    EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, kRootDevice));
    EXPECT_EQ(written_.front().first, "Class");
}

// ---------------------------------------------------------------------
// Failures: the N-th registry write or journal entry fails. The update
// stops there and says what failed; every value set before is in the
// journal for the uninstaller.

// "HKLM\path|name" of every VALUE entry of the journal.
static std::set<std::string> JournaledValues(const std::string &journalPath)
{
    std::set<std::string> names;
    Journal journal;
    if (!JournalRead(journalPath.c_str(), &journal))
        return names;
    for (int i = 0; i < journal.count; i++) {
        const JournalEntry &entry = journal.entries[i];
        if (entry.kind == J_VALUE && entry.fieldCount >= 2)
            names.insert(std::string(entry.fields[0]) + "|" + entry.fields[1]);
    }
    JournalFree(&journal);
    return names;
}

#define CLSID_TEXT "{6A1C03F2-5E84-11d2-B7C9-3D41E0A5F19B}"

TEST_F(Components, FailedWriteStopsAndTells)
{
    struct Row {
        const char *what;
        long registryWrite, journalEntry;   // the one to fail (0: none)
        int componentsDone;                 // the start-up entry written before it
        const char *told;
    } rows[] = {
        /* 0 */ { "the first key", 1, 0, 0, "The registry could not be written: HKCR\\CLSID\\" CLSID_TEXT },
        /* 1 */ { "a component value", 4, 0, 0,
                  "The registry could not be written: HKCR\\CLSID\\" CLSID_TEXT "\\InProcServer32" },
        /* 2 */ { "the device's first value", 16, 0, 1,
                  "The registry could not be written: HKLM\\Enum\\Root\\VeltoMouse\\0000\\Class" },
        /* 3 */ { "a journal entry", 0, 4, 0, "The uninstall record UNINSTAL.LOG could not be written: " },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::string journalPath = dir_ + "\\" JOURNAL_NAME;
        DeleteFileA(journalPath.c_str());
        g_setup.failure[0] = '\0';
        g_setup.serialMouse = 1;
        written_.clear();
        SeamFailRegistryWrite(row.registryWrite);
        SeamFailJournalWrite(row.journalEntry);
        EXPECT_EQ(UpdateRegistry(1), 0) << "a failure reported as success";
        SeamFailRegistryWrite(0);
        SeamFailJournalWrite(0);
        JournalEnd();
        EXPECT_EQ(std::string(g_setup.failure).compare(0, strlen(row.told), row.told), 0) << g_setup.failure;
        // nothing set that the journal does not name
        std::set<std::string> journaled = JournaledValues(journalPath);
        for (int i = 0; i < g_componentValueCount; i++) {
            const ComponentValue &value = g_componentValues[i];
            DWORD type;
            if (RawValue(value.root, value.path, value.name, &type) == "<absent>")
                continue;
            std::string named = std::string(JournalRootName(value.root)) + "\\" + value.path + "|" +
                                (value.name != NULL ? value.name : "");
            EXPECT_EQ(journaled.count(named), 1u) << "set but not journaled: " << named;
        }
        EXPECT_EQ(IsAlreadyInstalled(), row.componentsDone);
        EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, MOUSE_CLASS "\\0000"))
            << "the device went on after the failure";
        RegistrySandbox::DeleteTree(HKEY_CLASSES_ROOT, "CLSID");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "Enum");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "System");
    }
}
