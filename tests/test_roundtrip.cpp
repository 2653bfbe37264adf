// Install, then uninstall, with the real SETUP.EXE and UNINSTAL.EXE as
// separate processes: the machine (registry trees, the C: file tree,
// system.ini) must be as it was before, but for what a case changed on
// purpose. Also when either program is ended after any journal entry.
#include "e2e_fixture.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <map>

#include "resource.h"
#include "test_seams.h"
#include "journal.h"
#include "uninstall.h"
#include "machine_state.h"
#include "test_support.h"

namespace {

const char kPresentPs2[] = "BIOS\\*PNP0F13\\0000";
const char kPresentSerial[] = "SERENUM\\*PNP0F0C\\0000";
const char kHandlersKey[] = TRACE_MOUSE_PAGE_KEY "\\shellex\\PropertySheetHandlers";
const char kLog[] = E2E_TARGET "\\UNINSTAL.LOG";

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
    // The round trips first to last of the table below, each installed,
    // meddled with and uninstalled.
    void RunCases(size_t first, size_t last);

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
        ToFinish(serial, directoryExists);
    }

    // The started SETUP.EXE from its welcome page to its end.
    void ToFinish(bool serial, bool directoryExists)
    {
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
        // unless the package installed them itself
        CopyFileA(E2E_PACKAGE "\\SETUP.EXE", E2E_TARGET "\\SETUP.EXE", TRUE);
        CopyFileA(E2E_PACKAGE "\\SETUP.INF", E2E_TARGET "\\SETUP.INF", TRUE);
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
    // box, answered with `last`. The question comes from the program
    // started; after Yes the rest comes from its copy in TEMP, which is
    // waited for too.
    UiMessageBox RunUninstall(const std::string &command, int answer, int last, bool checkQuestion = true)
    {
        UiMessageBox question, result;
        EXPECT_TRUE(UiStartProcess("\"" + command + "\"", E2E_TARGET, &process)) << command;
        EXPECT_TRUE(UiWaitForMessageBox(&question, UI_TIMEOUT, process.dwProcessId));
        if (checkQuestion) {
            EXPECT_EQ(question.icon, "question");
            EXPECT_EQ(question.buttons, (std::vector<std::string>{ "&Yes", "&No" }));
        }
        UiAnswerMessageBox(question, answer);
        EXPECT_EQ(Finish(), 0u);
        result.text = "<none>";
        if (answer == IDYES && UiWaitForMessageBox(&result, 20000)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(result.window, &owner);
            HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, owner);
            UiAnswerMessageBox(result, result.buttons.size() == 1 ? IDOK : last);
            if (copy != NULL) {
                EXPECT_EQ(WaitForSingleObject(copy, 20000), WAIT_OBJECT_0) << "the copy in TEMP did not end";
                CloseHandle(copy);
            }
        }
        result.caption = question.text + "|" + question.caption;
        return result;
    }

    // The lines of WININIT.INI's [rename] section as the next start of
    // Windows 95 processes them: files only, 8.3 names only. Returns the
    // long forms of the files deleted.
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
            EXPECT_TRUE(IsShortPath(path)) << "not 8.3: " << path;
            DWORD attributes = GetFileAttributesA(path.c_str());
            EXPECT_FALSE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                << "a directory in WININIT.INI: " << path;
            if (IsShortPath(path) && DeleteFileA(path.c_str()))
                deleted.push_back(longPath);
            at = end;
        }
        DeleteFileA(wininit.c_str());
        return deleted;
    }

    static bool IsShortPath(const std::string &path)
    {
        size_t start = 3;
        if (path.size() < 3 || path.compare(1, 2, ":\\") != 0)
            return false;
        while (start < path.size()) {
            size_t end = path.find('\\', start);
            if (end == std::string::npos)
                end = path.size();
            std::string level = path.substr(start, end - start);
            size_t dot = level.find('.');
            std::string stem = level.substr(0, dot), ending = dot == std::string::npos ? "" : level.substr(dot + 1);
            if (stem.empty() || stem.size() > 8 || ending.size() > 3 || ending.find('.') != std::string::npos ||
                level.find(' ') != std::string::npos)
                return false;
            start = end + 1;
        }
        return true;
    }

    // The machine before a case: the sample package, a PS/2 mouse present.
    Snapshot Fresh()
    {
        ClearInstallation(E2E_TARGET);
        PrepareWindowsFiles();
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY);
        DeleteFileA((WindowsDir() + "\\WININIT.INI").c_str());
        AddPs2Mouse();
        MakePackage("OEM=1\n");   // no logo to dissolve: the runs are many
        ForgetRestart();
        return TakeSnapshot();
    }

    // The started SETUP.EXE from its destination page to its end, the
    // finish page answered with restart later; while it runs, `onEntry`
    // is called each time `reached` (when given) is set. Its exit code.
    DWORD RunToEnd(HWND destination, HANDLE reached = NULL, const std::function<void()> &onEntry = nullptr)
    {
        EXPECT_TRUE(destination != NULL && UiClick(destination, IDC_NEXT));
        HANDLE waits[2] = { process.hProcess, reached };
        bool finished = false;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
            DWORD got = WaitForMultipleObjects(reached != NULL ? 2 : 1, waits, FALSE, 50);
            if (got == WAIT_OBJECT_0)
                return Finish();
            if (got == WAIT_OBJECT_0 + 1) {
                onEntry();
                continue;
            }
            HWND finish = finished ? NULL : UiFindPage("SETUP_END", process.dwProcessId);
            if (finish != NULL) {
                EXPECT_TRUE(UiClick(finish, IDC_RESTART_LATER));
                EXPECT_TRUE(UiClick(finish, IDC_NEXT));
                finished = true;
            }
        }
        ADD_FAILURE() << "SETUP.EXE neither ended nor finished";
        return Finish();
    }

    // SETUP.EXE through the wizard with the seam that ends it after its
    // n-th journal entry; true when it was ended so, false when it ran
    // to its end (the run's END is its last entry, after the finish page).
    bool InstallEndedAfter(int n)
    {
        SetEnvironmentVariableA(SEAM_STOP_VARIABLE, std::to_string(n).c_str());
        Start();
        SetEnvironmentVariableA(SEAM_STOP_VARIABLE, NULL);
        return RunToEnd(UpToDestination(false)) == SEAM_STOP_EXIT_CODE;
    }

    // SETUP.EXE run again in full; a refusal (the start-up entry is there
    // already) is answered and ends it.
    void InstallAgain()
    {
        Start();
        for (int waited = 0; waited < 200; waited++) {
            if (UiFindPage("SETUP_BEGIN", process.dwProcessId) != NULL)
                break;
            UiMessageBox box;
            if (UiWaitForMessageBox(&box, 50, process.dwProcessId)) {
                UiAnswerMessageBox(box, IDOK);
                EXPECT_EQ(Finish(), 0u);
                return;
            }
        }
        ToFinish(false, FileExists(E2E_TARGET));
    }

    // The copies of the uninstaller in TEMP that are running, opened to be waited for.
    static std::vector<HANDLE> RunningCopies()
    {
        std::vector<HANDLE> copies;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            HANDLE copy = strstr(entry.szExeFile, "~UNINS") != NULL
                              ? OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID) : NULL;
            if (copy != NULL)
                copies.push_back(copy);
        }
        CloseHandle(snapshot);
        return copies;
    }

    // Waits for every copy of the uninstaller in TEMP to end.
    static void WaitForCopies()
    {
        for (HANDLE copy : RunningCopies()) {
            EXPECT_EQ(WaitForSingleObject(copy, 20000), WAIT_OBJECT_0) << "the uninstaller's copy did not end";
            CloseHandle(copy);
        }
        // a copy that was ended by the seam never got to its WININIT.INI line
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((std::string(temp) + "~UNINS*.EXE").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do
            DeleteFileA((std::string(temp) + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }

    // The uninstaller of the installation directory, whatever the setup
    // got to: one from the package is put there when the setup was ended
    // before it copied its own. Its final message lists nothing kept.
    void UninstallWhateverIsThere()
    {
        if (!FileExists(E2E_TARGET))
            return;
        if (!FileExists(E2E_TARGET "\\UNINSTAL.EXE"))
            CopyFileA(E2E_ORIGINALS "\\UNINSTAL.EXE", E2E_TARGET "\\UNINSTAL.EXE", FALSE);
        UiMessageBox result = RunUninstall(E2E_TARGET "\\UNINSTAL.EXE", IDYES, IDNO, false);
        EXPECT_EQ(result.text.find("kept"), std::string::npos) << result.text;
        EXPECT_EQ(result.text.find("left alone"), std::string::npos) << result.text;
    }
};

// A SYSTEM file of another program that the package's driver replaces.
const char kForeignDriver[] = "MZ another program's driver\r\n\x01\x02\x03";

void AddForeignDriver()
{
    WriteFileBytes(SystemDir() + "\\ZRMOUSE.DRV", kForeignDriver);
}

// The package's driver as a second version, stored uncompressed.
void MakeDriverVersionB()
{
    DeleteFileA(E2E_PACKAGE "\\SYSTEM\\ZRMOUSE.DR_");
    WriteFileBytes(E2E_PACKAGE "\\SYSTEM\\ZRMOUSE.DR_", "version B of the driver");
}

// A package that installs its own SETUP.EXE and SETUP.INF, so that
// SETUP.EXE -u runs from the installed directory.
void PackageInstallsSetup()
{
    std::string script = ReadFileBytes(E2E_PACKAGE "\\SETUP.INF");
    size_t count = script.find("Disk1=7");
    ASSERT_NE(count, std::string::npos);
    script.replace(count, 7, "Disk1=9");
    size_t last = script.find("7=ZRMOUSE.IN_");
    ASSERT_NE(last, std::string::npos);
    last = script.find('\n', last);
    script.insert(last + 1, "8=SETUP.EXE,SETUP.EXE,Setup program,RootDir\n9=SETUP.INF,SETUP.INF,Setup script,RootDir\n");
    WriteFileBytes(E2E_PACKAGE "\\SETUP.INF", script);
}

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
    void (*betweenInstalls)();
    void (*package)();      // changes to the package before the first installation
};

// The round trips, run in two tests so that two lanes can share them.
const std::vector<Case> &RoundTripCases()
{
    static const std::vector<Case> cases = {
        /* 0 */ { "PS/2 takeover", AddPs2Mouse, false, 0, false, NULL, false, "", {}, NULL, NULL },
        /* 1 */ { "serial takeover", AddSerialMouse, true, 0, false, NULL, false, "", {}, NULL, NULL },
        /* 2 */ { "new root device", NULL, true, 0, false, NULL, false, "", {}, NULL, NULL },
        /* 3 */ { "existing handlers default", AddOtherMousePage, false, 0, false, NULL, false, "", {}, NULL, NULL },
        /* 4 */ { "install, -u, uninstall", AddPs2Mouse, true, 1, false, NULL, false,
                  E2E_TARGET " (not empty)",
                  // the package the user put into the directory stays, and so the directory
                  { E2E_TARGET }, NULL, NULL },
        /* 5 */ { "two installations", AddPs2Mouse, false, 0, true, NULL, false, "", {}, NULL, NULL },
        /* 6 */ { "value changed since", AddPs2Mouse, false, 0, false,
                  [](RoundTrip *) {
                      RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, "Enum\\BIOS\\*PNP0F13\\0000",
                                                 "DeviceDesc", "Changed by hand");
                  },
                  // the user's value is left and listed, and final: the way
                  // back (journal, record, program, directory, uninstall
                  // entry) goes, as another run could do no more
                  false, "HKLM\\Enum\\BIOS\\*PNP0F13\\0000: DeviceDesc (changed since)",
                  { "HKLM\\Enum\\BIOS\\*PNP0F13\\0000: DeviceDesc" }, NULL, NULL },
        /* 7 */ { "file in use", NULL, true, 0, false,
                  [](RoundTrip *test) {
                      test->openFiles.push_back(CreateFileA(E2E_TARGET "\\README.TXT", GENERIC_READ, 0, NULL,
                                                            OPEN_EXISTING, 0, NULL));
                  },
                  // Windows 95 deletes the file at the next start, never the directory
                  true, E2E_TARGET " (a file in it is in use", { E2E_TARGET }, NULL, NULL },
        /* 8 */ { "another program's SYSTEM file, version A then B", AddForeignDriver, false, 0, true, NULL,
                  false, "", { E2E_PACKAGE }, MakeDriverVersionB, NULL },
        /* 9 */ { "the package installs SETUP.EXE; -u from there, uninstall", AddPs2Mouse, false, 2, false,
                  NULL, false, "", { E2E_PACKAGE }, NULL, PackageInstallsSetup },
        /* 10 */ { "nested sub-directory", NULL, true, 0, false,
                   [](RoundTrip *) {
                       EXPECT_EQ(ReadFileBytes(E2E_TARGET "\\HELP\\DEUTSCH\\ZRHELP.HLP"),
                                 ReadFileBytes(E2E_ORIGINALS "\\HELP\\ZRHELP.HLP"));
                   },
                   false, "", {}, NULL, NestHelp },
    };
    return cases;
}

void RoundTrip::RunCases(size_t first, size_t last)
{
    for (size_t i = first; i <= last; i++) {
        const Case &row = RoundTripCases()[i];
        SCOPED_TRACE("case " + std::to_string(i) + ": " + row.name);
        ClearInstallation(E2E_TARGET);
        PrepareWindowsFiles();
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY);
        DeleteFileA((SystemDir() + "\\ZRMOUSE.DRV").c_str());
        if (row.prepare != NULL)
            row.prepare();
        MakePackage();
        if (row.package != NULL)
            row.package();
        ForgetRestart();
        Snapshot before = TakeSnapshot();
        std::string driverBefore = ReadFileBytes(SystemDir() + "\\ZRMOUSE.DRV");

        Install(row.serial);
        if (row.secondInstall) {
            HKEY run;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, 0, KEY_ALL_ACCESS, &run);
            RegDeleteValueA(run, "Kestrel");
            RegCloseKey(run);
            if (row.betweenInstalls != NULL)
                row.betweenInstalls();
            Install(!row.serial, true);
        }
        if (row.reconfigure != 0)
            Reconfigure(row.reconfigure == 2);
        if (row.meddle != NULL)
            row.meddle(this);
        ASSERT_TRUE(FileExists(kLog));

        std::string command = RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString");
        EXPECT_EQ(command, E2E_TARGET "\\UNINSTAL.EXE");
        UiMessageBox result = RunUninstall(command, IDYES, row.restartNow ? IDYES : IDNO);
        EXPECT_EQ(RestartRequested(row.restartNow ? 5000 : 100), row.restartNow);
        ForgetRestart();
        EXPECT_EQ(result.caption, "Remove Velto and restore the previous mouse driver?|Velto Uninstall Program");
        bool kept = row.kept[0] != '\0';
        bool partly = i == 6;
        EXPECT_EQ(result.text.find(partly ? "Parts of Velto have been removed."
                                          : "Velto has been removed and the previous mouse driver restored."), 0u)
            << result.text;
        EXPECT_NE(result.text.find("Windows must restart to complete the removal. Restart now?"),
                  std::string::npos) << result.text;
        if (kept) {
            EXPECT_NE(result.text.find(std::string("\n- ") + row.kept), std::string::npos) << result.text;
        } else {
            EXPECT_EQ(result.text.find("kept"), std::string::npos) << result.text;
            EXPECT_FALSE(FileExists(E2E_TARGET)) << "the directory goes at once";
        }
        EXPECT_EQ(result.text.find("not complete"), std::string::npos) << result.text;
        EXPECT_EQ(result.text.find("run it again"), std::string::npos) << result.text;
        EXPECT_FALSE(FileExists(kLog)) << "nothing is pending: the journal goes";

        for (HANDLE file : openFiles)
            CloseHandle(file);
        openFiles.clear();
        std::vector<std::string> deleted = RestartWindows();
        bool copyDeleted = false;
        for (auto &path : deleted)
            copyDeleted = copyDeleted || path.find("~UNINS") != std::string::npos;
        EXPECT_TRUE(copyDeleted) << "the uninstaller's copy in TEMP goes at the next start";
        if (row.restartNow) {
            EXPECT_NE(std::find(deleted.begin(), deleted.end(), E2E_TARGET "\\README.TXT"), deleted.end())
                << "the file in use goes at the next start";
        }
        EXPECT_EQ(ReadFileBytes(SystemDir() + "\\ZRMOUSE.DRV"), driverBefore) << "byte for byte";

        std::vector<std::string> differences = Differences(before, TakeSnapshot(), row.allowed);
        EXPECT_EQ(differences, std::vector<std::string>());
        EXPECT_FALSE(RestartRequested(100));
    }
}

TEST_F(RoundTrip, DevicesAndReinstallsLeaveTheMachineAsItWas)
{
    RunCases(0, 5);
}

TEST_F(RoundTrip, ChangesSinceAndOtherPackagesLeaveTheMachineAsItWas)
{
    RunCases(6, RoundTripCases().size() - 1);
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
                           "The installation's journal is missing: only the entries that name this "
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

namespace {

// The kill points: SETUP.EXE or UNINSTAL.EXE ended right after any one
// of its journal entries, then the uninstaller (or the setup again in
// full, then the uninstaller) leaves the machine as it was. One run of
// each program stops after every entry while the test takes what the
// installation can reach (TakeTracked); each moment is then put back and
// the uninstaller run on it in this process. A few true ends of the
// programs check the same against the whole machine.
class KillPoints : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        // the product's pause after "Updating Registry...": the other
        // end-to-end tests keep it
        SetEnvironmentVariableA(SEAM_PAUSE_VARIABLE, "0");
        reach = InstallationReach(E2E_TARGET);
        PlantCanaries();
        Fresh();
        before = TakeTracked(reach);
    }
    void TearDown() override
    {
        SeamSetEntryHook(NULL, NULL);
        SetEnvironmentVariableA(SEAM_PAUSE_VARIABLE, NULL);
        RemoveCanaries();
        RoundTrip::TearDown();
    }

    // SETUP.EXE installing the package, stopped after every journal entry
    // until the moment is taken; the moments in order.
    std::vector<Snapshot> InstallWithCheckpoints()
    {
        std::string base = "setup-checkpoint-" + std::to_string(GetCurrentProcessId());
        HANDLE reached = CreateEventA(NULL, FALSE, FALSE, (base + "-reached").c_str());
        HANDLE go = CreateEventA(NULL, FALSE, FALSE, (base + "-go").c_str());
        std::vector<Snapshot> moments;
        SetEnvironmentVariableA(SEAM_CHECKPOINT_VARIABLE, base.c_str());
        Start();
        SetEnvironmentVariableA(SEAM_CHECKPOINT_VARIABLE, NULL);
        DWORD code = RunToEnd(UpToDestination(false), reached, [&]() {
            moments.push_back(TakeTracked(reach));
            SetEvent(go);
        });
        EXPECT_EQ(code, 0u);
        CloseHandle(reached);
        CloseHandle(go);
        return moments;
    }

    // UNINSTAL.EXE's removal in this process, as its copy in TEMP does it,
    // when there is an installation directory; what it kept or refused.
    std::string UninstallHere()
    {
        if (!FileExists(E2E_TARGET))
            return "";
        InitSetupState();
        EXPECT_TRUE(UninstallSetDirectory(E2E_TARGET));
        g_uninstall.runningCopy = 1;
        UninstallRun();
        JournalEnable(1);
        return std::string(g_uninstall.kept) + g_uninstall.refused;
    }

    // Puts a moment back, runs the setup again in full when asked, then
    // the uninstaller: nothing kept, and the machine as before.
    void ExpectUndoneFrom(const Snapshot &moment, bool again)
    {
        std::string why;
        ASSERT_TRUE(RestoreTracked(reach, moment, &why)) << why;
        if (again)
            InstallAgain();
        std::string kept = UninstallHere();
        EXPECT_EQ(kept, "") << "kept or refused";
        RestartWindows();
        EXPECT_EQ(Differences(before, TakeTracked(reach)), std::vector<std::string>());
    }

    // The journal's lines at a moment.
    static std::vector<std::string> JournalLines(const Snapshot &moment)
    {
        std::vector<std::string> lines;
        auto journal = moment.find(kLog);
        std::string text = journal != moment.end() ? journal->second : "";
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find("\r\n", at);
            end = end == std::string::npos ? text.size() : end;
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }

    // The journal line an UNDO line of a moment undoes, for the messages.
    static std::string UndoneEntry(const Snapshot &moment)
    {
        std::string text = moment.count(kLog) ? moment.at(kLog) : "";
        std::vector<std::string> lines = JournalLines(moment);
        if (lines.empty() || lines.back().compare(0, 5, "UNDO ") != 0)
            return lines.empty() ? "<no journal>" : lines.back();
        size_t offset = strtoul(lines.back().c_str() + 5, NULL, 10);
        return offset < text.size() ? text.substr(offset, text.find("\r\n", offset) - offset) : "<beyond the end>";
    }

    Tracked reach;
    Snapshot before;
};

// The reruns are dear (a whole SETUP.EXE each): every RERUN_STRIDE-th
// entry and the last.
#define RERUN_STRIDE 4

TEST_F(KillPoints, EveryEntryOfTheSetup)
{
    std::vector<Snapshot> moments = InstallWithCheckpoints();
    ASSERT_GT(moments.size(), 20u) << "the sample installation's journal entries";
    std::vector<std::string> lines = JournalLines(moments.back());
    for (size_t n = 1; n <= moments.size(); n++) {
        SCOPED_TRACE("ended after entry " + std::to_string(n) + ": " + (n <= lines.size() ? lines[n - 1] : ""));
        ExpectUndoneFrom(moments[n - 1], false);
    }
}

TEST_F(KillPoints, EveryFourthEntryOfTheSetupThenTheSetupAgain)
{
    std::vector<Snapshot> moments = InstallWithCheckpoints();
    ASSERT_GT(moments.size(), 20u);
    std::vector<std::string> lines = JournalLines(moments.back());
    for (size_t n = RERUN_STRIDE; n <= moments.size() + RERUN_STRIDE - 1; n += RERUN_STRIDE) {
        size_t at = std::min(n, moments.size());
        SCOPED_TRACE("ended after entry " + std::to_string(at) + ", then run again: " + lines[at - 1]);
        ExpectUndoneFrom(moments[at - 1], true);
    }
}

TEST_F(KillPoints, EveryStepOfTheUninstaller)
{
    Install(false);
    std::vector<Snapshot> steps;
    struct Taker {
        const Tracked *reach;
        std::vector<Snapshot> *steps;
    } taker = { &reach, &steps };
    SeamSetEntryHook([](long, void *context) {
        Taker *taker = (Taker *)context;
        taker->steps->push_back(TakeTracked(*taker->reach));
    }, &taker);
    std::string kept = UninstallHere();
    SeamSetEntryHook(NULL, NULL);
    EXPECT_EQ(kept, "");
    RestartWindows();
    ASSERT_EQ(Differences(before, TakeTracked(reach)), std::vector<std::string>()) << "the whole removal";
    ASSERT_GT(steps.size(), 10u) << "the uninstaller's steps";
    for (size_t k = 1; k <= steps.size(); k++) {
        SCOPED_TRACE("uninstaller ended after step " + std::to_string(k) + ", undoing " + UndoneEntry(steps[k - 1]));
        ExpectUndoneFrom(steps[k - 1], false);
    }
}

// The gaps inside a replace that no journal entry marks: SETUP.EXE
// really ended between its two renames of system.ini (system.ini is then
// missing) and between deleting VMOUSE.BAK and moving VMOUSE.VXD; then
// the uninstaller, or the setup run again (refused: it is installed)
// and then the uninstaller. system.ini comes back byte for byte, and no
// temporary name is left.
TEST_F(KillPoints, ReplaceGapsOfTheSetup)
{
    struct Row {
        const char *place;
        bool again;
        bool iniMissing;    // at the moment the program ended
    };
    const Row rows[] = {
        /* 0 */ { SEAM_SYSTEM_INI_ASIDE, false, true },
        /* 1 */ { SEAM_SYSTEM_INI_ASIDE, true, true },
        /* 2 */ { SEAM_VMOUSE_BAK_GONE, false, false },
        /* 3 */ { SEAM_VMOUSE_BAK_GONE, true, false },
    };
    std::string ini = WindowsDir() + "\\system.ini";
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i) + ": ended at \"" + rows[i].place + "\"" +
                     (rows[i].again ? ", then the setup again" : ""));
        std::string why;
        ASSERT_TRUE(RestoreTracked(reach, before, &why)) << why;
        SetEnvironmentVariableA(SEAM_STOP_AT_VARIABLE, rows[i].place);
        Start();
        SetEnvironmentVariableA(SEAM_STOP_AT_VARIABLE, NULL);
        ASSERT_EQ(RunToEnd(UpToDestination(false)), (DWORD)SEAM_STOP_EXIT_CODE) << "ended at the place";
        EXPECT_EQ(FileExists(ini), !rows[i].iniMissing) << "the moment between the two steps";
        if (rows[i].again) {
            InstallAgain();
            EXPECT_TRUE(FileExists(ini)) << "the rerun brings system.ini back first";
        }
        EXPECT_EQ(UninstallHere(), "") << "kept or refused";
        RestartWindows();
        EXPECT_EQ(ReadFileBytes(ini), systemIniBefore) << "system.ini byte for byte";
        EXPECT_EQ(Differences(before, TakeTracked(reach)), std::vector<std::string>());
    }
}

// The uninstaller's own replaces (system.bak back from its saved copy,
// system.ini with its mouse line back), each ended between setting the target aside and renaming
// the new copy in; the uninstaller run again finishes the job.
TEST_F(KillPoints, ReplaceGapsOfTheUninstaller)
{
    WriteFileBytes(WindowsDir() + "\\system.bak", "an earlier system.bak\r\n");
    before = TakeTracked(reach);
    Install(false);
    std::vector<Snapshot> gaps;
    std::vector<std::string> places;
    struct Taker {
        const Tracked *reach;
        std::vector<Snapshot> *gaps;
        std::vector<std::string> *places;
    } taker = { &reach, &gaps, &places };
    SeamSetPlaceHook([](const char *place, void *context) {
        Taker *taker = (Taker *)context;
        taker->gaps->push_back(TakeTracked(*taker->reach));
        taker->places->push_back(place);
    }, &taker);
    std::string kept = UninstallHere();
    SeamSetPlaceHook(NULL, NULL);
    EXPECT_EQ(kept, "");
    RestartWindows();
    ASSERT_EQ(Differences(before, TakeTracked(reach)), std::vector<std::string>()) << "the whole removal";
    ASSERT_GE(places.size(), 2u) << "system.bak and system.ini set aside";
    EXPECT_EQ(places, std::vector<std::string>(places.size(), SEAM_TARGET_ASIDE));
    std::string ini = WindowsDir() + "\\system.ini";
    int iniMissing = 0;
    for (size_t k = 0; k < gaps.size(); k++) {
        SCOPED_TRACE("uninstaller ended at its replace " + std::to_string(k + 1));
        iniMissing += gaps[k].count(ini) == 0;
        ExpectUndoneFrom(gaps[k], false);
        EXPECT_EQ(ReadFileBytes(ini), systemIniBefore) << "system.ini byte for byte";
    }
    EXPECT_EQ(iniMissing, 1) << "one of the moments is the one without system.ini";
    DeleteFileA((WindowsDir() + "\\system.bak").c_str());
}

// A power cut after a whole installation: the journal's cached lines
// lost from line k on, while every change reached the disk (the
// installed machine with its journal cut to its first k lines), at every
// line boundary. The uninstaller then destroys nothing: every file and
// value of the machine before is back, or still as the installation left
// it (what a lost line described), or its bytes are set aside beside it;
// the device and class values come back from the restore record whatever
// the cut; and the journal is not whole (the message says "not
// complete") unless the END is there.
TEST_F(KillPoints, PowerCuts)
{
    // an older backup of each kind, so that both are saved and written over
    WriteFileBytes(SystemDir() + "\\VMM32\\VMOUSE.BAK", "an older VMOUSE.BAK\r\n");
    WriteFileBytes(WindowsDir() + "\\system.bak", "an earlier system.bak\r\n");
    before = TakeTracked(reach);
    Install(false);
    Snapshot installed = TakeTracked(reach);
    std::vector<std::string> lines = JournalLines(installed);
    ASSERT_GT(lines.size(), 20u);
    ASSERT_EQ(lines.back().compare(0, 4, "END "), 0) << lines.back();
    std::string journal = installed.at(kLog);
    const std::string device = "HKLM\\Enum\\" + std::string(kPresentPs2) + ": ";
    for (size_t k = 0; k <= lines.size(); k++) {
        SCOPED_TRACE("journal cut after line " + std::to_string(k) + (k > 0 ? ": " + lines[k - 1] : ""));
        std::string why;
        ASSERT_TRUE(RestoreTracked(reach, installed, &why)) << why;
        size_t at = 0;
        for (size_t i = 0; i < k; i++)
            at = journal.find("\r\n", at) + 2;
        WriteFileBytes(kLog, journal.substr(0, at));
        UninstallHere();
        RestartWindows();
        Snapshot after = TakeTracked(reach);
        // the message's "not complete" paragraph stands for a journal that is not whole
        EXPECT_EQ(g_uninstall.whole, k == lines.size() ? 1 : 0);
        for (auto &item : before) {
            auto now = after.find(item.first);
            auto made = installed.find(item.first);
            bool back = now != after.end() && now->second == item.second;
            bool asLeft = now != after.end() && made != installed.end() && now->second == made->second;
            bool aside = false;
            for (auto &other : after)
                aside = aside || (item.first.compare(0, 2, "C:") == 0 && other.second == item.second);
            EXPECT_TRUE(back || asLeft || aside) << "destroyed: " << item.first;
        }
        for (const char *name : { "DeviceDesc", "Mfg" }) {
            auto was = before.find(device + name);
            ASSERT_NE(was, before.end()) << name;
            EXPECT_EQ(after[device + name], was->second) << name << " comes back from the journal or the record";
        }
    }
    DeleteFileA((SystemDir() + "\\VMM32\\VMOUSE.BAK").c_str());
    DeleteFileA((WindowsDir() + "\\system.bak").c_str());
}

// The programs really ended, at the first entry, inside a file's copy,
// inside the registry update and after the END; and the uninstaller
// ended mid-way: the real uninstaller then leaves the whole machine (all
// of the registry's trees it could reach, all of C:) as it was.
TEST_F(KillPoints, TrueEnds)
{
    Install(false);
    std::vector<std::string> lines = JournalLines(TakeTracked(reach));
    UninstallWhateverIsThere();
    RestartWindows();
    auto first = [&](const char *kind) {
        for (size_t i = 0; i < lines.size(); i++)
            if (lines[i].compare(0, strlen(kind), kind) == 0)
                return (int)i + 1;
        ADD_FAILURE() << "no " << kind << " entry";
        return 1;
    };
    const int points[] = { 1, first("FILE "), first("VALUE "), (int)lines.size() };
    for (int n : points) {
        SCOPED_TRACE("ended after entry " + std::to_string(n) + ": " + lines[n - 1]);
        Snapshot whole = Fresh();
        EXPECT_TRUE(InstallEndedAfter(n));
        UninstallWhateverIsThere();
        RestartWindows();
        EXPECT_EQ(Differences(whole, TakeSnapshot()), std::vector<std::string>());
    }

    SCOPED_TRACE("uninstaller ended after its 5th step");
    Snapshot whole = Fresh();
    Install(false);
    SetEnvironmentVariableA(SEAM_STOP_VARIABLE, "5");
    ASSERT_TRUE(UiStartProcess("\"" E2E_TARGET "\\UNINSTAL.EXE\"", E2E_TARGET, &process));
    SetEnvironmentVariableA(SEAM_STOP_VARIABLE, NULL);
    UiMessageBox question;
    ASSERT_TRUE(UiWaitForMessageBox(&question, UI_TIMEOUT, process.dwProcessId));
    UiAnswerMessageBox(question, IDYES);
    EXPECT_EQ(Finish(), 0u) << "the program started hands the removal to its copy";
    WaitForCopies();
    ASSERT_TRUE(FileExists(E2E_TARGET "\\UNINSTAL.EXE")) << "the way to run it again stays";
    UninstallWhateverIsThere();
    RestartWindows();
    EXPECT_EQ(Differences(whole, TakeSnapshot()), std::vector<std::string>());
}

}  // namespace
