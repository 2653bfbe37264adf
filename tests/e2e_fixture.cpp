#include "e2e_fixture.h"

#include <shlwapi.h>

#include "resource.h"
#include "test_support.h"

static void CopyTree(const std::string &from, const std::string &to)
{
    CreateDirectoryA(to.c_str(), NULL);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The files the sample package puts into the Windows directories.
static const char *const kWindowsFiles[] = { "\\SYSTEM\\ZRMOUSE.DRV", "\\INF\\ZRMOUSE.INF" };

void EndToEnd::SetUp()
{
    ASSERT_TRUE(FileExists(E2E_SAMPLE "\\SETUP.EXE"))
        << "the e2e_package fixture lays out " E2E_SAMPLE;
    ClearInstallation(E2E_TARGET);
    for (const char *file : kWindowsFiles)
        DeleteFileA((WindowsDir() + file).c_str());
    PrepareWindowsFiles();
    systemIniBefore = SystemIni();
    StartRestartWatcher();
}

void EndToEnd::TearDown()
{
    if (process.hProcess != NULL)
        UiWaitProcess(&process, 1, NULL);
    StopRestartWatcher();
    ClearInstallation(E2E_TARGET);
    for (const char *file : kWindowsFiles)
        DeleteFileA((WindowsDir() + file).c_str());
    RestoreWindowsFiles();
    RemoveTree(E2E_PACKAGE);
}

void EndToEnd::MakePackage(const std::string &mainLines)
{
    RemoveTree(E2E_PACKAGE);
    CopyTree(E2E_SAMPLE, E2E_PACKAGE);
    std::string script = ReadFileBytes(E2E_SAMPLE "\\SETUP.INF");
    std::string main = "[Main]\nProductName=Velto\nDefaultPath=" E2E_TARGET "\nMinimumSpace=500\n" + mainLines;
    size_t start = script.find("[Main]");
    size_t end = script.find("[Startup]");
    ASSERT_NE(start, std::string::npos);
    script.replace(start, end - start, main + "\n");
    WriteFileBytes(E2E_PACKAGE "\\SETUP.INF", script);
}

void EndToEnd::Start(const std::string &arguments)
{
    std::string line = "\"" E2E_PACKAGE "\\SETUP.EXE\"";
    if (!arguments.empty())
        line += " " + arguments;
    ASSERT_TRUE(UiStartProcess(line, E2E_PACKAGE, &process));
}

HWND EndToEnd::Page(const char *className)
{
    HWND page = UiWaitForPage(className, UI_TIMEOUT, process.dwProcessId);
    EXPECT_TRUE(page != NULL) << "no " << className << " page";
    return page;
}

void EndToEnd::Press(HWND page, int id)
{
    EXPECT_TRUE(UiClick(page, id)) << "no control " << id;
    EXPECT_TRUE(UiWaitGone(page)) << "the page stayed after " << id;
}

DWORD EndToEnd::Finish()
{
    DWORD code = 99;
    EXPECT_TRUE(UiWaitProcess(&process, 20000, &code)) << "SETUP.EXE did not end";
    return code;
}

HWND EndToEnd::UpToDestination(bool serial)
{
    HWND page = Page("SETUP_BEGIN");
    if (page == NULL)
        return NULL;
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELMOUSE");
    if (page == NULL)
        return NULL;
    UiClick(page, serial ? IDC_SERIAL_MOUSE : IDC_PS2_MOUSE);
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    if (page != NULL) {
        EXPECT_EQ(UiItemText(page, IDC_DESTINATION_PATH), E2E_TARGET);
    }
    return page;
}

HWND EndToEnd::InstallUpToFinish(bool serial)
{
    HWND page = UpToDestination(serial);
    if (page == NULL)
        return NULL;
    Press(page, IDC_NEXT);
    return UiWaitForPage("SETUP_END", 30000, process.dwProcessId);
}

std::string EndToEnd::SystemIni()
{
    return ReadFileBytes(WindowsDir() + "\\system.ini");
}

void EndToEnd::ExpectFilesInstalled()
{
    struct Row { const char *original; std::string target; } rows[] = {
        { "VARIRE.EXE", E2E_TARGET "\\.\\VARIRE.EXE" },
        { "ZRPAGE.DLL", E2E_TARGET "\\ZRPAGE.DLL" },
        { "UNINSTAL.EXE", E2E_TARGET "\\UNINSTAL.EXE" },
        { "README.TXT", E2E_TARGET "\\README.TXT" },
        { "HELP\\ZRHELP.HLP", E2E_TARGET "\\HELP\\ZRHELP.HLP" },
        { "SYSTEM\\ZRMOUSE.DRV", WindowsDir() + "\\SYSTEM\\ZRMOUSE.DRV" },
        { "INF\\ZRMOUSE.INF", WindowsDir() + "\\INF\\ZRMOUSE.INF" },
    };
    for (auto &row : rows) {
        std::string original = ReadFileBytes(std::string(E2E_ORIGINALS "\\") + row.original);
        ASSERT_NE(original, "<missing>") << row.original;
        EXPECT_EQ(ReadFileBytes(row.target), original) << row.target << " is not the expanded original";
    }
}

void EndToEnd::ExpectNothingInstalled()
{
    EXPECT_FALSE(FileExists(E2E_TARGET "\\VARIRE.EXE"));
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY));
    EXPECT_EQ(SystemIni(), systemIniBefore) << "system.ini changed";
    EXPECT_TRUE(FileExists(SystemDir() + "\\VMM32\\VMOUSE.VXD"));
    EXPECT_FALSE(RestartRequested(500));
}
