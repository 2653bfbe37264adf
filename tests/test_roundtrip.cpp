// Install, then uninstall, with the real SETUP.EXE and UNINSTAL.EXE as
// separate processes: the machine (registry trees, the C: file tree,
// system.ini) must be as it was before, but for what the uninstall log
// documents as not restorable and what a case changed on purpose.
#include "e2e_fixture.h"

#include <shlwapi.h>

#include <algorithm>
#include <map>

#include "../res/resource.h"
#include "test_support.h"

namespace {

const char kPresentPs2[] = "BIOS\\*PNP0F13\\0000";
const char kPresentSerial[] = "SERENUM\\*PNP0F0C\\0000";
const char kHandlersKey[] = TRACE_MOUSE_PAGE_KEY "\\shellex\\PropertySheetHandlers";
const char kLog[] = E2E_TARGET "\\UNINSTAL.INI";

// Everything that can differ between two moments, as "where" -> "what".
typedef std::map<std::string, std::string> Snapshot;

std::string Hex(const BYTE *data, DWORD size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (DWORD i = 0; i < size; i++) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

void TakeKey(HKEY root, const std::string &name, const std::string &path, Snapshot *shot)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    (*shot)[name + "\\" + path] = "<key>";
    std::vector<BYTE> data(65536);
    char valueName[16384];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(valueName), size = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, valueName, &nameSize, NULL, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        (*shot)[name + "\\" + path + ": " + valueName] = std::to_string(type) + ":" + Hex(data.data(), size);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(valueName);
        if (RegEnumKeyExA(key, i, valueName, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        children.push_back(valueName);
    }
    RegCloseKey(key);
    for (auto &child : children)
        TakeKey(root, name, path + "\\" + child, shot);
}

// The prefix's user folders are links into the Unix home directory: not
// the machine the programs change, and too big to walk.
bool Volatile(const std::string &path)
{
    return _strnicmp(path.c_str(), "C:\\users", 8) == 0;
}

void TakeFiles(const std::string &dir, Snapshot *shot)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName, path = dir + "\\" + name;
        if (name == "." || name == ".." || Volatile(path))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*shot)[path] = "<dir>";
            TakeFiles(path, shot);
        } else {
            (*shot)[path] = std::to_string(found.nFileSizeLow) + " bytes, " +
                            std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                            std::to_string(found.ftLastWriteTime.dwLowDateTime);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Snapshot TakeSnapshot()
{
    Snapshot shot;
    TakeKey(HKEY_LOCAL_MACHINE, "HKLM", "Enum", &shot);
    TakeKey(HKEY_LOCAL_MACHINE, "HKLM", "System\\CurrentControlSet\\Services\\Class", &shot);
    TakeKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE", &shot);
    TakeKey(HKEY_CLASSES_ROOT, "HKCR", "CLSID", &shot);
    TakeFiles("C:", &shot);
    // system.ini is written anew by both programs: its bytes count, not its time
    std::string ini = WindowsDir() + "\\system.ini";
    shot[ini] = ReadFileBytes(ini);
    return shot;
}

// "where: before -> after" for each difference not in `allowed`.
std::vector<std::string> Differences(const Snapshot &before, const Snapshot &after,
                                     const std::vector<std::string> &allowed)
{
    std::vector<std::string> lines;
    auto report = [&](const std::string &where, const std::string &was, const std::string &now) {
        for (auto &prefix : allowed)
            if (_strnicmp(where.c_str(), prefix.c_str(), prefix.size()) == 0)
                return;
        lines.push_back(where + ": " + was + " -> " + now);
    };
    for (auto &entry : before) {
        auto other = after.find(entry.first);
        if (other == after.end())
            report(entry.first, entry.second, "<gone>");
        else if (other->second != entry.second)
            report(entry.first, entry.second, other->second);
    }
    for (auto &entry : after)
        if (before.find(entry.first) == before.end())
            report(entry.first, "<none>", entry.second);
    return lines;
}

// A present serial mouse with its own driver class key.
void AddSerialMouse()
{
    AddPresentDevice("C29A1E41", kPresentSerial, "Standard Serial Mouse", "(Standard mouse types)",
                     "Mouse\\0000");
    AddDriverClassKey("Mouse\\0000", "Standard Serial Mouse", "MSMOUSE.VXD");
}

void AddPs2Mouse()
{
    AddPresentDevice("C29A1E40", kPresentPs2, "Standard PS/2 Port Mouse", "(Standard mouse types)",
                     "Mouse\\0000");
    AddDriverClassKey("Mouse\\0000", "Standard PS/2 Port Mouse", "MSMOUSE.VXD");
}

// Another program's page in the Mouse control panel, named by the
// handlers key's default value.
void AddOtherMousePage()
{
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, kHandlersKey, "", "OtherPage");
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, (std::string(kHandlersKey) + "\\OtherPage").c_str(),
                               "", "{00000000-1111-2222-3333-444444444444}");
}

// The help file two levels down: SubDir1=HELP\DEUTSCH, with the package's
// folder laid out the same way.
void NestHelp()
{
    std::string script = ReadFileBytes(E2E_PACKAGE "\\SETUP.INF");
    size_t at = script.find("SubDir1=HELP");
    ASSERT_NE(at, std::string::npos);
    script.replace(at, 12, "SubDir1=HELP\\DEUTSCH");
    WriteFileBytes(E2E_PACKAGE "\\SETUP.INF", script);
    CreateDirectoryA(E2E_PACKAGE "\\HELP\\DEUTSCH", NULL);
    ASSERT_TRUE(MoveFileA(E2E_PACKAGE "\\HELP\\ZRHELP.HL_", E2E_PACKAGE "\\HELP\\DEUTSCH\\ZRHELP.HL_"));
}

class RoundTrip : public EndToEnd {
public:
    std::vector<HANDLE> openFiles;  // files a case holds open

protected:
    void TearDown() override
    {
        for (HANDLE file : openFiles)
            CloseHandle(file);
        DeleteFileA((WindowsDir() + "\\WININIT.INI").c_str());
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY);
        EndToEnd::TearDown();
    }

    // SETUP.EXE from the package into E2E_TARGET, restart later.
    void Install(bool serial, bool directoryExists = false)
    {
        Start();
        HWND page = UpToDestination(serial);
        ASSERT_TRUE(page != NULL);
        UiClick(page, IDC_NEXT);
        if (directoryExists) {
            UiMessageBox box;
            ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
            UiAnswerMessageBox(box, IDOK);
        }
        HWND finish = UiWaitForPage("SETUP_END", 30000, process.dwProcessId);
        ASSERT_TRUE(finish != NULL);
        UiClick(finish, IDC_RESTART_LATER);
        Press(finish, IDC_NEXT);
        EXPECT_EQ(Finish(), 0u);
    }

    // SETUP.EXE -u started from the installed directory, where the user
    // has put the package's program and script.
    void Reconfigure(bool serial)
    {
        CopyFileA(E2E_PACKAGE "\\SETUP.EXE", E2E_TARGET "\\SETUP.EXE", FALSE);
        CopyFileA(E2E_PACKAGE "\\SETUP.INF", E2E_TARGET "\\SETUP.INF", FALSE);
        ASSERT_TRUE(UiStartProcess("\"" E2E_TARGET "\\SETUP.EXE\" -u", E2E_TARGET, &process));
        HWND page = Page("SETUP_SELMOUSE");
        ASSERT_TRUE(page != NULL);
        UiClick(page, serial ? IDC_SERIAL_MOUSE : IDC_PS2_MOUSE);
        Press(page, IDC_NEXT);
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
        UiAnswerMessageBox(box, IDOK);
        EXPECT_EQ(Finish(), 0u);
        EXPECT_TRUE(RestartRequested()) << "-u restarts";
        ForgetRestart();
    }

    // Runs a program, answers its question, and returns its last message
    // box, answered with `last`.
    UiMessageBox RunUninstall(const std::string &command, int answer, int last)
    {
        UiMessageBox question, result;
        EXPECT_TRUE(UiStartProcess("\"" + command + "\"", E2E_TARGET, &process)) << command;
        EXPECT_TRUE(UiWaitForMessageBox(&question, UI_TIMEOUT, process.dwProcessId));
        EXPECT_EQ(question.icon, "question");
        EXPECT_EQ(question.buttons, (std::vector<std::string>{ "&Yes", "&No" }));
        UiAnswerMessageBox(question, answer);
        result.text = "<none>";
        if (answer == IDYES && UiWaitForMessageBox(&result, 20000, process.dwProcessId))
            UiAnswerMessageBox(result, result.buttons.size() == 1 ? IDOK : last);
        EXPECT_EQ(Finish(), 0u);
        result.caption = question.text + "|" + question.caption;
        return result;
    }

    // The deletions WININIT.INI asks for, as the next start of Windows does.
    std::vector<std::string> RestartWindows()
    {
        std::string wininit = WindowsDir() + "\\WININIT.INI";
        std::string text = ReadFileBytes(wininit);
        std::vector<std::string> deleted;
        size_t at = 0;
        while ((at = text.find("NUL=", at)) != std::string::npos) {
            size_t end = text.find("\r\n", at);
            std::string path = text.substr(at + 4, end - at - 4);
            char longPath[MAX_PATH] = "";
            GetLongPathNameA(path.c_str(), longPath, MAX_PATH);
            deleted.push_back(longPath);
            if (!DeleteFileA(path.c_str()))
                RemoveDirectoryA(path.c_str());
            at = end;
        }
        DeleteFileA(wininit.c_str());
        return deleted;
    }
};

// One round trip: the machine as the case prepares it, the installations,
// what happens before the uninstall, and what must differ afterwards.
struct Case {
    const char *name;
    void (*prepare)();
    bool serial;
    int reconfigure;        // 0: none; else a -u run choosing PS/2 (1) or serial (2)
    bool secondInstall;     // again into the same directory, choosing the other type
    void (*meddle)(RoundTrip *test);
    bool restartNow;        // Yes at the final question
    const char *kept;       // text the final message must list, or ""
    std::vector<std::string> allowed;  // differences it may leave
};

TEST_F(RoundTrip, InstallThenUninstallLeavesTheMachineAsItWas)
{
    const Case cases[] = {
        /* 0 */ { "PS/2 takeover", AddPs2Mouse, false, 0, false, NULL, false, "", {} },
        /* 1 */ { "serial takeover", AddSerialMouse, true, 0, false, NULL, false, "", {} },
        /* 2 */ { "new root device", NULL, true, 0, false, NULL, false, "", {} },
        /* 3 */ { "existing handlers default", AddOtherMousePage, false, 0, false, NULL, false, "", {} },
        /* 4 */ { "install, -u, uninstall", AddPs2Mouse, true, 1, false, NULL, false,
                  E2E_TARGET " (",
                  // the package the user put into the directory stays, and so the directory
                  { E2E_TARGET } },
        /* 5 */ { "two installations", AddPs2Mouse, false, 0, true, NULL, false, "", {} },
        /* 6 */ { "value changed since", AddPs2Mouse, false, 0, false,
                  [](RoundTrip *) {
                      RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, "Enum\\BIOS\\*PNP0F13\\0000",
                                                 "DeviceDesc", "Changed by hand");
                  },
                  false, "HKLM\\Enum\\BIOS\\*PNP0F13\\0000: DeviceDesc (changed since)",
                  { "HKLM\\Enum\\BIOS\\*PNP0F13\\0000: DeviceDesc" } },
        /* 7 */ { "file in use", NULL, true, 0, false,
                  [](RoundTrip *test) {
                      test->openFiles.push_back(CreateFileA(E2E_TARGET "\\README.TXT", GENERIC_READ, 0, NULL,
                                                            OPEN_EXISTING, 0, NULL));
                  },
                  true, "", {} },
        /* 8 */ { "nested sub-directory", NestHelp, true, 0, false,
                  [](RoundTrip *) {
                      EXPECT_EQ(ReadFileBytes(E2E_TARGET "\\HELP\\DEUTSCH\\ZRHELP.HLP"),
                                ReadFileBytes(E2E_ORIGINALS "\\HELP\\ZRHELP.HLP"));
                  },
                  false, "", {} },
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); i++) {
        const Case &row = cases[i];
        SCOPED_TRACE("case " + std::to_string(i) + ": " + row.name);
        ClearInstallation(E2E_TARGET);
        PrepareWindowsFiles();
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY);
        MakePackage();
        if (row.prepare != NULL)
            row.prepare();
        ForgetRestart();
        Snapshot before = TakeSnapshot();

        Install(row.serial);
        if (row.secondInstall) {
            HKEY run;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, 0, KEY_ALL_ACCESS, &run);
            RegDeleteValueA(run, "Kestrel");
            RegCloseKey(run);
            Install(!row.serial, true);
        }
        if (row.reconfigure != 0)
            Reconfigure(row.reconfigure == 2);
        if (row.meddle != NULL)
            row.meddle(this);
        ASSERT_TRUE(FileExists(kLog));
        std::vector<std::string> allowed = row.allowed;
        // An older backup that the setup replaced cannot come back.
        char flag[16];
        GetPrivateProfileStringA("SystemIni", "SystemBak", "", flag, sizeof(flag), kLog);
        if (std::string(flag) == "existed")
            allowed.push_back(WindowsDir() + "\\system.bak");

        std::string command = RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString");
        EXPECT_EQ(command, E2E_TARGET "\\UNINSTAL.EXE");
        UiMessageBox result = RunUninstall(command, IDYES, row.restartNow ? IDYES : IDNO);
        EXPECT_EQ(RestartRequested(row.restartNow ? 5000 : 100), row.restartNow);
        ForgetRestart();
        EXPECT_EQ(result.caption, "Remove Velto and restore the previous mouse driver?|Velto Uninstall Program");
        EXPECT_EQ(result.text.find("Velto has been removed and the previous mouse driver restored."), 0u)
            << result.text;
        EXPECT_NE(result.text.find("Windows must restart to complete the removal. Restart now?"),
                  std::string::npos) << result.text;
        if (row.kept[0] != '\0') {
            EXPECT_NE(result.text.find(std::string("\n- ") + row.kept), std::string::npos) << result.text;
        } else {
            EXPECT_EQ(result.text.find("kept"), std::string::npos) << result.text;
        }

        // A second run finds nothing left.
        UiMessageBox again = RunUninstall(E2E_TARGET "\\UNINSTAL.EXE", IDYES, IDNO);
        EXPECT_EQ(again.text, "There is nothing left of the mouse driver to remove.");
        for (HANDLE file : openFiles)
            CloseHandle(file);
        openFiles.clear();
        std::vector<std::string> deleted = RestartWindows();
        EXPECT_NE(std::find(deleted.begin(), deleted.end(), E2E_TARGET "\\UNINSTAL.EXE"), deleted.end())
            << "the uninstaller deletes itself at the next start";
        if (row.restartNow) {
            EXPECT_NE(std::find(deleted.begin(), deleted.end(), E2E_TARGET "\\README.TXT"), deleted.end())
                << "the file in use goes at the next start";
        }

        std::vector<std::string> differences = Differences(before, TakeSnapshot(), allowed);
        EXPECT_EQ(differences, std::vector<std::string>());
        EXPECT_FALSE(RestartRequested(100));
    }
}

TEST_F(RoundTrip, NoAtTheQuestionChangesNothing)
{
    AddPs2Mouse();
    MakePackage();
    Install(false);
    Snapshot installed = TakeSnapshot();
    UiMessageBox result = RunUninstall(E2E_TARGET "\\UNINSTAL.EXE", IDNO, IDNO);
    EXPECT_EQ(result.text, "<none>") << "no message after No";
    EXPECT_EQ(Differences(installed, TakeSnapshot(), {}), std::vector<std::string>());
    EXPECT_FALSE(FileExists(WindowsDir() + "\\WININIT.INI"));
}

// Without its log the uninstaller removes what names its directory and
// leaves the rest as it is.
TEST_F(RoundTrip, WithoutTheLogOnlyWhatIsProvablyTheSetups)
{
    MakePackage();
    Install(true);
    ASSERT_TRUE(DeleteFileA(kLog));
    UiMessageBox result = RunUninstall(E2E_TARGET "\\UNINSTAL.EXE", IDYES, IDNO);
    EXPECT_EQ(result.text, "Parts of Velto have been removed.\n\n"
                           "The installation log is missing: only the entries that name this "
                           "directory were removed.");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "CLSID\\" TRACE_CLSID));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, std::string(kHandlersKey) + "\\ZRMousePage"));
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kHandlersKey, ""), "<absent>");
    // nothing proves the rest is still the setup's
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY "\\0000"));
    EXPECT_TRUE(FileExists(E2E_TARGET "\\VARIRE.EXE"));
    EXPECT_NE(SystemIni(), systemIniBefore);
}

}  // namespace
