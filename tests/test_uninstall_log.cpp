// The uninstall log: texts from outside (registry values, value names,
// paths) can neither make keys or sections nor lose a byte, and an
// original, once logged, stays.
#include "registry_fixture.h"

#include "../script/uninstall_log.h"

namespace {

class UninstallLog : public RegistryTest {};

std::string LogPath(const std::string &dir)
{
    return dir + "\\" UNINSTALL_LOG_NAME;
}

// The names a profile list call returns (double-zero terminated).
std::vector<std::string> ProfileList(const char *section, const std::string &path)
{
    std::vector<char> buffer(65536, 0);
    if (section == NULL)
        GetPrivateProfileSectionNamesA(buffer.data(), (DWORD)buffer.size(), path.c_str());
    else
        GetPrivateProfileStringA(section, NULL, "", buffer.data(), (DWORD)buffer.size(), path.c_str());
    std::vector<std::string> names;
    for (const char *name = buffer.data(); *name != '\0'; name += strlen(name) + 1)
        names.push_back(name);
    return names;
}

std::string Unescaped(const std::string &text)
{
    std::vector<BYTE> data(text.size() + 1);
    DWORD length = 0;
    EXPECT_EQ(LogUnescape(data.data(), (DWORD)data.size(), text.c_str(), &length), 1) << text;
    return std::string((const char *)data.data(), length);
}

TEST_F(UninstallLog, OutsideTextsMakeNoKeysAndComeBackWhole)
{
    const char keyPath[] = "Enum\\Test\\0000";
    struct Row { const char *name; DWORD type; std::string original; } rows[] = {
        /* 0 */ { "DeviceDesc", REG_SZ, std::string("a\r\n[Evil]\r\nx=1") },
        /* 1 */ { "Mfg", REG_SZ, std::string(" \"quoted\" ; no comment, | ") },
        /* 2 */ { "Odd=name[1];\r\n[X]", REG_BINARY, std::string("zero\0byte%41", 12) },
        /* 3 */ { "", REG_SZ, std::string("") },
    };
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, keyPath, NULL, NULL);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    for (auto &row : rows)
        RegSetValueExA(key, row.name, 0, row.type, (const BYTE *)row.original.data(), (DWORD)row.original.size());
    UninstallLogKey(HKEY_LOCAL_MACHINE, keyPath);
    for (int run = 0; run < 2; run++) {
        for (auto &row : rows) {
            // the second run meets the package's texts: the first originals stay
            UninstallLogValue(key, row.name, REG_SZ, (const BYTE *)"new", 3);
            RegSetValueExA(key, row.name, 0, REG_SZ, (const BYTE *)"new", 3);
        }
    }
    RegDeleteValueA(key, "Absent");
    UninstallLogValue(key, "Absent", REG_SZ, (const BYTE *)"x", 1);
    RegCloseKey(key);
    UninstallLogFileBefore((dir_ + "\\a=b[c];%.txt").c_str());
    UninstallLogFileAfter((dir_ + "\\a=b[c];%.txt").c_str());

    std::string log = LogPath(dir_);
    EXPECT_EQ(ProfileList(NULL, log), (std::vector<std::string>{ "Product", "Values", "Files" }));
    std::vector<std::string> keys = ProfileList(LOG_SECTION_VALUES, log);
    ASSERT_EQ(keys.size(), 5u);
    for (size_t i = 0; i < keys.size(); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        size_t bar = keys[i].find('|');
        ASSERT_NE(bar, std::string::npos) << keys[i];
        EXPECT_EQ(Unescaped(keys[i].substr(0, bar)), std::string("HKLM\\") + keyPath);
        char entry[LOG_ENTRY_MAX];
        GetPrivateProfileStringA(LOG_SECTION_VALUES, keys[i].c_str(), "", entry, sizeof(entry), log.c_str());
        std::string fields[4];
        std::string text = entry;
        for (int f = 0, at = 0; f < 4; f++) {
            size_t comma = text.find(',', at);
            fields[f] = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
            at = comma == std::string::npos ? (int)text.size() : (int)comma + 1;
        }
        EXPECT_EQ(fields[2], "1");
        EXPECT_EQ(Unescaped(fields[3]), i == 4 ? "x" : "new");
        if (i == 4) {
            EXPECT_EQ(Unescaped(keys[i].substr(bar + 1)), "Absent");
            EXPECT_EQ(fields[0], LOG_ABSENT) << "did not exist, not empty";
            continue;
        }
        EXPECT_EQ(Unescaped(keys[i].substr(bar + 1)), rows[i].name);
        EXPECT_EQ(fields[0], std::to_string(rows[i].type));
        // a text comes as the registry gives it, which may add its zero
        std::string original = Unescaped(fields[1]);
        if (rows[i].type == REG_SZ && !original.empty() && original.back() == '\0')
            original.pop_back();
        EXPECT_EQ(original, rows[i].original);
    }
    std::vector<std::string> files = ProfileList(LOG_SECTION_FILES, log);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(Unescaped(files[0]), dir_ + "\\a=b[c];%.txt");
}

}  // namespace
