// The demo: installs the sample package the way a person would, with a
// picture of every page, and tells what the installation did; then runs
// the uninstall entry's command, pictures its messages and tells what it
// put back.
//
//   demo_driver --prepare PACKAGE             clear an earlier demo, set the machine up
//   demo_driver --run PACKAGE PICTURE-FOLDER  the same, then click through and report
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "../res/resource.h"
#include "install_traces.h"
#include "restart_watcher.h"
#include "ui_driver.h"

namespace {

const char kInstallDir[] = "C:\\VELTO";
const char kPresentMouse[] = "BIOS\\*PNP0F13\\0000";
const char *const kWindowsFiles[] = { "\\SYSTEM\\ZRMOUSE.DRV", "\\INF\\ZRMOUSE.INF" };

// No trace of a demo's installation.
void ClearMachine()
{
    ClearInstallation(kInstallDir);
    for (const char *file : kWindowsFiles)
        DeleteFileA((WindowsDir() + file).c_str());
    RestoreWindowsFiles();
    DeleteFileA((WindowsDir() + "\\WININIT.INI").c_str());   // left by the uninstall
}

// A machine as Windows 98 leaves it with a standard PS/2 mouse.
void PrepareMachine()
{
    ClearMachine();
    PrepareWindowsFiles();
    AddPresentDevice("C29A1E40", kPresentMouse, "Standard PS/2 Port Mouse",
                     "(Standard mouse types)", "Mouse\\0000");
    AddDriverClassKey("Mouse\\0000", "Standard PS/2 Port Mouse", "MSMOUSE.VXD");
}

struct Demo {
    std::string package;
    std::string pictures;
    PROCESS_INFORMATION process;
    int failures;
};

void Say(const char *format, const std::string &text = "")
{
    printf(format, text.c_str());
    fflush(stdout);
}

void Picture(Demo *demo, const char *name)
{
    UiPause(300);   // let the page and the background finish painting
    std::string path = demo->pictures + "\\" + name + ".bmp";
    if (!UiSaveScreenshot(path))
        Say("  (no picture %s)\n", name);
}

HWND Page(Demo *demo, const char *className, const char *title)
{
    HWND page = UiWaitForPage(className, 30000, demo->process.dwProcessId);
    if (page == NULL) {
        Say("  the %s page did not come\n", title);
        demo->failures++;
        return NULL;
    }
    Say("  %s\n", title);
    return page;
}

void Next(HWND page, int id)
{
    UiClick(page, id);
    UiWaitGone(page);
}

void ClickThrough(Demo *demo)
{
    HWND page = Page(demo, "SETUP_BEGIN", "welcome page: Next");
    if (page == NULL)
        return;
    Picture(demo, "1-welcome");
    Next(page, IDC_NEXT);

    if ((page = Page(demo, "SETUP_SELMOUSE", "mouse type page: PS/2 Mouse, Next")) == NULL)
        return;
    UiClick(page, IDC_PS2_MOUSE);
    Picture(demo, "2-mouse-type");
    Next(page, IDC_NEXT);

    if ((page = Page(demo, "SETUP_SELDIR", "destination page: Browse..., Cancel, Next")) == NULL)
        return;
    Picture(demo, "3-destination");
    UiClick(page, IDC_BROWSE);
    HWND browser = UiWaitForBrowser(UI_TIMEOUT, demo->process.dwProcessId);
    if (browser != NULL) {
        Picture(demo, "4-browse-directory");
        UiClick(browser, IDCANCEL);
        UiWaitGone(browser);
    }
    Next(page, IDC_NEXT);

    page = UiWaitForPage("SETUP_INSTALL", 10000, demo->process.dwProcessId);
    if (page != NULL) {
        Say("  install page: copying, then \"Updating Registry...\"\n");
        UiWaitItemText(page, IDC_INSTALL_STATUS, "Updating Registry...", 10000);
        Picture(demo, "5-copying");
    }

    if ((page = Page(demo, "SETUP_END", "finish page: restart now, Finish")) == NULL)
        return;
    Picture(demo, "6-finish");
    Next(page, IDC_NEXT);
}

void PrintLines(const char *title, const std::vector<std::string> &lines)
{
    Say("\n%s\n", title);
    if (lines.empty())
        Say("  (none)\n");
    for (auto &line : lines)
        Say("  %s\n", line);
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string ReadText(const std::string &path)
{
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
        text.append(chunk, got);
    fclose(file);
    return text;
}

// The lines of system.ini that differ from the text given.
std::vector<std::string> SystemIniChanges(const std::string &before)
{
    std::vector<std::string> was = SplitLines(before);
    std::vector<std::string> now = SplitLines(ReadText(WindowsDir() + "\\system.ini"));
    std::vector<std::string> changes;
    for (size_t i = 0; i < was.size() || i < now.size(); i++) {
        std::string a = i < was.size() ? was[i] : "", b = i < now.size() ? now[i] : "";
        if (a != b)
            changes.push_back("line " + std::to_string(i + 1) + ": \"" + a + "\" -> \"" + b + "\"");
    }
    return changes;
}

// Answers a message box of the uninstaller after taking its picture; the
// result comes from its copy in TEMP (any process), which is waited for.
bool AnswerBox(Demo *demo, const char *picture, int answer, std::string *text, bool fromCopy = false)
{
    UiMessageBox box;
    if (!UiWaitForMessageBox(&box, 30000, fromCopy ? 0 : demo->process.dwProcessId)) {
        Say("  no message from UNINSTAL.EXE\n");
        demo->failures++;
        return false;
    }
    UiPause(300);
    if (!UiSaveScreenshot(demo->pictures + "\\" + picture + ".bmp", box.window))
        Say("  (no picture %s)\n", picture);
    *text = box.text;
    DWORD owner = 0;
    GetWindowThreadProcessId(box.window, &owner);
    HANDLE copy = fromCopy ? OpenProcess(SYNCHRONIZE, FALSE, owner) : NULL;
    UiAnswerMessageBox(box, box.buttons.size() == 1 ? IDOK : answer);
    if (copy != NULL) {
        WaitForSingleObject(copy, 30000);
        CloseHandle(copy);
    }
    return true;
}

// Runs the uninstall entry's command, Yes to its question and to the
// restart, and reports what it put back.
void Uninstall(Demo *demo, const std::string &systemIniBefore)
{
    std::string command = RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString");
    Say("\nRunning the uninstall entry's command %s\n", command);
    if (!UiStartProcess("\"" + command + "\"", kInstallDir, &demo->process)) {
        Say("UNINSTAL.EXE did not start\n");
        demo->failures++;
        return;
    }
    ForgetRestart();
    std::string question, result;
    if (AnswerBox(demo, "7-uninstall-question", IDYES, &question)) {
        Say("  question: %s\n", question);
        if (AnswerBox(demo, "8-uninstall-done", IDYES, &result, true))
            Say("  result: %s\n", result);
    }
    DWORD code = 0;
    if (!UiWaitProcess(&demo->process, 30000, &code)) {
        Say("UNINSTAL.EXE did not end\n");
        demo->failures++;
    }
    bool restart = RestartRequested();
    PrintLines("Registry keys and values left (the mouse as it was before):", RegistryReport());
    std::vector<std::string> files;
    for (auto &line : FileReport(kInstallDir))
        files.push_back(std::string(kInstallDir) + "\\" + line);
    PrintLines("Files left in C:\\VELTO (the directory goes at once):", files);
    PrintLines("WININIT.INI:", SplitLines(ReadText(WindowsDir() + "\\WININIT.INI")));
    PrintLines("system.ini lines that differ from before the installation:", SystemIniChanges(systemIniBefore));
    std::string vxd = SystemDir() + "\\VMM32\\VMOUSE.VXD";
    Say("  VMM32\\VMOUSE.VXD %s\n", GetFileAttributesA(vxd.c_str()) != INVALID_FILE_ATTRIBUTES ? "is back" : "is missing");
    Say("\nRestart of Windows requested: %s\n", restart ? "yes" : "no");
}

void Report(const std::string &systemIniBefore)
{
    std::vector<std::string> files;
    for (auto &line : FileReport(kInstallDir))
        files.push_back(std::string(kInstallDir) + "\\" + line);
    for (const char *file : kWindowsFiles) {
        std::string path = WindowsDir() + file;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            files.push_back(path);
    }
    PrintLines("Files written:", files);
    PrintLines("Registry keys and values set:", RegistryReport());

    PrintLines("system.ini lines changed (the old file is system.bak):", SystemIniChanges(systemIniBefore));
    std::string vmouse = SystemDir() + "\\VMM32\\VMOUSE.BAK";
    if (GetFileAttributesA(vmouse.c_str()) != INVALID_FILE_ATTRIBUTES)
        Say("  VMM32\\VMOUSE.VXD moved aside to %s\n", vmouse);
    PrintLines("Restore record (C:\\VELTO\\SETUP.INF):", SplitLines(ReadText(std::string(kInstallDir) + "\\SETUP.INF")));
}

int Run(Demo *demo)
{
    PrepareMachine();
    std::string systemIniBefore = ReadText(WindowsDir() + "\\system.ini");
    StartRestartWatcher();
    Say("Running %s\\SETUP.EXE\n", demo->package);
    if (!UiStartProcess("\"" + demo->package + "\\SETUP.EXE\"", demo->package, &demo->process)) {
        Say("SETUP.EXE did not start\n");
        return 1;
    }
    ClickThrough(demo);
    DWORD code = 0;
    if (!UiWaitProcess(&demo->process, 30000, &code)) {
        Say("SETUP.EXE did not end\n");
        demo->failures++;
    }
    bool restart = RestartRequested();
    Report(systemIniBefore);
    Say("\nRestart of Windows requested: %s\n", restart ? "yes" : "no");
    Uninstall(demo, systemIniBefore);
    StopRestartWatcher();
    // The prefix is the tests' too: a start-up entry left behind would
    // make every later run of SETUP.EXE refuse.
    ClearMachine();
    return demo->failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--prepare") {
        PrepareMachine();
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "--run") {
        Demo demo = {};
        demo.package = argv[2];
        demo.pictures = argv[3];
        return Run(&demo);
    }
    fprintf(stderr, "usage: demo_driver --prepare PACKAGE | --run PACKAGE PICTURE-FOLDER\n");
    return 2;
}
