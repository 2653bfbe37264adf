// Tries a package the way a person would (make try-package, and make demo
// on the sample package): installs it on a machine set up like Windows 98
// with a standard PS/2 mouse, with a picture of every page, and tells what
// the installation did (its change journal in words, the files with their
// sizes, the system.ini lines, the restore record); then runs the
// uninstall entry's command, pictures its messages, and tells what is
// left against the machine before. Exit status 0 only when the
// installation completed and the machine came back.
//
//   demo_driver --prepare PACKAGE [--dest DIR]          clear an earlier try, set the machine up
//   demo_driver --run PACKAGE PICTURE-FOLDER [--mouse ps2|serial] [--dest DIR]
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "resource.h"
#include "journal.h"
#include "setupchk.h"
#include "install_traces.h"
#include "restart_watcher.h"
#include "ui_driver.h"

namespace {

const char kPresentMouse[] = "BIOS\\*PNP0F13\\0000";

struct Try {
    std::string package;
    std::string pictures;
    std::string dest;           // given, or what the destination page proposed
    bool serial;
    PROCESS_INFORMATION process;
    int failures;
    bool completed;             // the finish page came, and no message said otherwise
    int boxes;                  // message boxes pictured so far
};

// The files of the directories an installation may write into besides its
// own: name -> size and a hash of the bytes.
typedef std::map<std::string, std::pair<DWORD, unsigned>> FileSnapshot;

std::string ReadText(const std::string &path);

unsigned HashBytes(const std::string &bytes)
{
    unsigned hash = 2166136261u;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

void Say(const char *format, const std::string &text = "")
{
    printf(format, text.c_str());
    fflush(stdout);
}

std::vector<std::string> WindowsFileDirs()
{
    return { WindowsDir(), WindowsDir() + "\\SYSTEM", WindowsDir() + "\\INF", SystemDir() + "\\VMM32" };
}

// WININIT.INI is told apart: it holds what is left for the next start.
FileSnapshot SnapshotWindowsFiles()
{
    FileSnapshot files;
    for (const std::string &dir : WindowsFileDirs()) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                lstrcmpiA(found.cFileName, "WININIT.INI") == 0)
                continue;
            std::string path = dir + "\\" + found.cFileName;
            files[path] = { found.nFileSizeLow, HashBytes(ReadText(path)) };
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return files;
}

// "new", "changed" and "gone" files against an earlier snapshot.
std::vector<std::string> FileChanges(const FileSnapshot &before, const FileSnapshot &now)
{
    std::vector<std::string> changes;
    for (auto &file : now) {
        auto was = before.find(file.first);
        std::string size = std::to_string(file.second.first) + " bytes";
        if (was == before.end())
            changes.push_back(file.first + " (" + size + ", new)");
        else if (was->second != file.second)
            changes.push_back(file.first + " (" + size + ", changed; was " +
                              std::to_string(was->second.first) + " bytes)");
    }
    for (auto &file : before)
        if (now.find(file.first) == now.end())
            changes.push_back(file.first + " (gone; was " + std::to_string(file.second.first) + " bytes)");
    return changes;
}

// Lines of one list that the other lacks, each marked.
std::vector<std::string> LineChanges(const std::vector<std::string> &before,
                                     const std::vector<std::string> &now)
{
    std::vector<std::string> changes;
    for (auto &line : now)
        if (std::find(before.begin(), before.end(), line) == before.end())
            changes.push_back("now:    " + line);
    for (auto &line : before)
        if (std::find(now.begin(), now.end(), line) == now.end())
            changes.push_back("before: " + line);
    return changes;
}

// No trace of an earlier try: files the snapshot did not have go.
void ClearMachine(const std::string &dest, const FileSnapshot *before)
{
    ClearInstallation(dest);
    if (before != NULL) {
        for (auto &file : SnapshotWindowsFiles())
            if (before->find(file.first) == before->end())
                DeleteFileA(file.first.c_str());
    }
    RestoreWindowsFiles();
    DeleteFileA((WindowsDir() + "\\WININIT.INI").c_str());   // left by the uninstall
}

// A machine as Windows 98 leaves it with a standard PS/2 mouse.
void PrepareMachine(const std::string &dest)
{
    ClearMachine(dest, NULL);
    PrepareWindowsFiles();
    AddPresentDevice("C29A1E40", kPresentMouse, "Standard PS/2 Port Mouse",
                     "(Standard mouse types)", "Mouse\\0000");
    AddDriverClassKey("Mouse\\0000", "Standard PS/2 Port Mouse", "MSMOUSE.VXD");
}

void Picture(Try *t, const char *name, HWND window = NULL)
{
    // the page and the background; the copying page paints only its own
    UiWaitPainted(NULL, t->process.dwProcessId, 1500);
    if (!UiSaveScreenshot(t->pictures + "\\" + name + ".bmp", window))
        Say("  (no picture %s)\n", name);
}

// A message box of the setup: the directory exists (OK: install into it),
// or anything else, told and pictured; the installation then counts as
// not completed.
void AnswerSetupBox(Try *t, const UiMessageBox &box)
{
    if (box.buttons.size() == 2 && box.icon == "question" && t->dest.size() > 0 &&
        GetFileAttributesA(t->dest.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Say("  \"%s\": OK, install into it\n", box.text);
        UiAnswerMessageBox(box, IDOK);
        return;
    }
    std::string name = "box-" + std::to_string(++t->boxes);
    Say("  message: %s\n", box.text);
    Picture(t, name.c_str(), box.window);
    t->completed = false;
    UiAnswerMessageBox(box, box.buttonIds.empty() ? IDOK : box.buttonIds[0]);
}

// The first of the pages to come, answering the message boxes on the way;
// NULL when none comes (the setup ended, or the time is up).
HWND NextPage(Try *t, const std::vector<const char *> &classes, std::string *which,
              DWORD timeoutMs = 30000)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (const char *name : classes) {
            HWND page = UiWaitForPage(name, 100, t->process.dwProcessId);
            if (page != NULL) {
                *which = name;
                return page;
            }
        }
        UiMessageBox box;
        if (UiWaitForMessageBox(&box, 100, t->process.dwProcessId)) {
            AnswerSetupBox(t, box);
            continue;
        }
        if (WaitForSingleObject(t->process.hProcess, 0) == WAIT_OBJECT_0)
            break;
    }
    return NULL;
}

// The page of the class, told as "title: what is done there".
HWND Page(Try *t, const char *className, const char *title, const char *done)
{
    std::string which;
    HWND page = NextPage(t, { className }, &which);
    if (page == NULL) {
        Say("  the %s did not come\n", title);
        t->completed = false;
        return NULL;
    }
    Say("  %s: ", title);
    Say("%s\n", done);
    return page;
}

void Next(HWND page, int id)
{
    UiClick(page, id);
    UiWaitGone(page);
}

void ClickThrough(Try *t)
{
    HWND page = Page(t, "SETUP_BEGIN", "welcome page", "Next");
    if (page == NULL)
        return;
    Picture(t, "1-welcome");
    Next(page, IDC_NEXT);

    std::string which;
    page = NextPage(t, { "SETUP_SELMOUSE", "SETUP_SELDIR" }, &which);
    if (page != NULL && which == "SETUP_SELMOUSE") {
        Say(t->serial ? "  mouse type page: Serial Mouse, Next\n" : "  mouse type page: PS/2 Mouse, Next\n");
        UiClick(page, t->serial ? IDC_SERIAL_MOUSE : IDC_PS2_MOUSE);
        Picture(t, "2-mouse-type");
        Next(page, IDC_NEXT);
        page = Page(t, "SETUP_SELDIR", "destination page", "Browse..., Cancel, Next");
    } else if (page != NULL) {
        Say("  (no mouse type page: the package is for PS/2 mice only)\n");
        Say("  destination page: Browse..., Cancel, Next\n");
    } else {
        Say("  the destination page did not come\n");
        t->completed = false;
    }
    if (page == NULL)
        return;
    UiClick(page, IDC_BROWSE);
    HWND browser = UiWaitForBrowser(UI_TIMEOUT, t->process.dwProcessId);
    if (browser != NULL) {
        Picture(t, "4-browse-directory");
        UiClick(browser, IDCANCEL);
        UiWaitGone(browser);
    }
    // the page shows the browser's choice once it is closed: then the
    // destination given, as the browser would have set it
    if (!t->dest.empty())
        UiSetItemText(page, IDC_DESTINATION_PATH, t->dest);
    t->dest = UiItemText(page, IDC_DESTINATION_PATH);
    Say("    destination %s\n", t->dest);
    Picture(t, "3-destination");
    UiClick(page, IDC_NEXT);

    page = NextPage(t, { "SETUP_INSTALL", "SETUP_END" }, &which);
    if (page != NULL && which == "SETUP_INSTALL") {
        Say("  install page: copying, then \"Updating Registry...\"\n");
        UiWaitItemText(page, IDC_INSTALL_STATUS, "Updating Registry...", 30000);
        Picture(t, "5-copying");
    }
    if ((page = Page(t, "SETUP_END", "finish page", "restart now, Finish")) == NULL)
        return;
    Picture(t, "6-finish");
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

void PrintJournalLine(int kind, int line, const char *text, void *context)
{
    (void)kind;
    (void)line;
    (void)context;
    Say("  %s\n", text);
}

// Answers a message box of the uninstaller after taking its picture; the
// result comes from its copy in TEMP (any process), which is waited for.
bool AnswerBox(Try *t, const char *picture, int answer, std::string *text, bool fromCopy = false)
{
    UiMessageBox box;
    if (!UiWaitForMessageBox(&box, 30000, fromCopy ? 0 : t->process.dwProcessId)) {
        Say("  no message from UNINSTAL.EXE\n");
        t->failures++;
        return false;
    }
    UiWaitPainted(box.window);
    if (!UiSaveScreenshot(t->pictures + "\\" + picture + ".bmp", box.window))
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

// What the installation did: its journal in words, the files, system.ini
// and the restore record.
void Report(Try *t, const FileSnapshot &windowsBefore, const std::string &systemIniBefore)
{
    std::string journal = t->dest + "\\" JOURNAL_NAME;
    Say("\nWhat the installation did, from its change journal %s:\n", journal);
    if (ListJournal(journal.c_str(), PrintJournalLine, NULL) != CHECK_CLEAN)
        t->failures++;
    std::vector<std::string> files;
    for (auto &line : FileReport(t->dest))
        files.push_back(t->dest + "\\" + line);
    for (auto &line : FileChanges(windowsBefore, SnapshotWindowsFiles()))
        files.push_back(line);
    PrintLines("Files written (sizes in bytes):", files);
    PrintLines("system.ini lines changed (the old file is system.bak):", SystemIniChanges(systemIniBefore));
    PrintLines(("Restore record (" + t->dest + "\\SETUP.INF):").c_str(),
               SplitLines(ReadText(t->dest + "\\SETUP.INF")));
}

// Lines of WININIT.INI other than the removal of the uninstaller's own
// copy in TEMP at the next start.
std::vector<std::string> PendingForNextStart()
{
    auto upper = [](std::string text) {
        CharUpperBuffA(&text[0], (DWORD)text.size());
        return text;
    };
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::string ownCopy = "NUL=" + upper(temp);
    std::vector<std::string> left;
    for (auto &line : SplitLines(ReadText(WindowsDir() + "\\WININIT.INI"))) {
        if (line.empty() || upper(line) == "[RENAME]" || upper(line).compare(0, ownCopy.size(), ownCopy) == 0)
            continue;
        left.push_back(line);
    }
    return left;
}

// The machine before the installation.
struct Before {
    std::vector<std::string> registry;
    FileSnapshot windowsFiles;
    std::string systemIni;
};

// Tells what differs from the machine before; true when nothing does.
bool CompareWithBefore(Try *t, const Before &before, const char *heading)
{
    Say("\n%s\n", heading);
    std::vector<std::string> registry = LineChanges(before.registry, RegistryReport());
    PrintLines("Registry keys and values that differ:", registry);
    std::vector<std::string> files;
    for (auto &line : FileReport(t->dest))
        files.push_back(t->dest + "\\" + line);
    if (files.empty() && GetFileAttributesA(t->dest.c_str()) != INVALID_FILE_ATTRIBUTES)
        files.push_back(t->dest + " (the directory, empty)");
    for (auto &line : FileChanges(before.windowsFiles, SnapshotWindowsFiles()))
        files.push_back(line);
    PrintLines("Files that differ:", files);
    std::vector<std::string> pending = PendingForNextStart();
    PrintLines("WININIT.INI lines for the next start (besides the uninstaller's own copy in TEMP):", pending);
    std::vector<std::string> ini = SystemIniChanges(before.systemIni);
    PrintLines("system.ini lines that differ:", ini);
    return registry.empty() && files.empty() && pending.empty() && ini.empty();
}

// Runs the uninstall entry's command, Yes to its question and to the
// restart; false when it did not run to its end.
bool Uninstall(Try *t)
{
    std::string command = RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString");
    Say("\nRunning the uninstall entry's command %s\n", command);
    if (command == "<absent>" || !UiStartProcess("\"" + command + "\"", t->dest, &t->process)) {
        Say("UNINSTAL.EXE did not start\n");
        return false;
    }
    ForgetRestart();
    std::string question, result;
    bool answered = AnswerBox(t, "7-uninstall-question", IDYES, &question);
    if (answered) {
        Say("  question: %s\n", question);
        answered = AnswerBox(t, "8-uninstall-done", IDYES, &result, true);
        if (answered)
            Say("  result: %s\n", result);
    }
    DWORD code = 0;
    if (!UiWaitProcess(&t->process, 30000, &code)) {
        Say("UNINSTAL.EXE did not end\n");
        return false;
    }
    Say("\nRestart of Windows requested: %s\n", RestartRequested() ? "yes" : "no");
    return answered;
}

int Run(Try *t)
{
    PrepareMachine(t->dest);
    Before before = { RegistryReport(), SnapshotWindowsFiles(), ReadText(WindowsDir() + "\\system.ini") };
    StartRestartWatcher();
    Say("Running %s\\SETUP.EXE\n", t->package);
    if (!UiStartProcess("\"" + t->package + "\\SETUP.EXE\"", t->package, &t->process)) {
        Say("SETUP.EXE did not start\n");
        return 1;
    }
    t->completed = true;
    ClickThrough(t);
    DWORD code = 0;
    if (!UiWaitProcess(&t->process, 30000, &code)) {
        Say("SETUP.EXE did not end\n");
        t->completed = false;
    }
    bool restart = RestartRequested(t->completed ? 5000 : 500);
    bool back = false;
    bool journal = !t->dest.empty() &&
                   GetFileAttributesA((t->dest + "\\" JOURNAL_NAME).c_str()) != INVALID_FILE_ATTRIBUTES;
    if (journal)
        Report(t, before.windowsFiles, before.systemIni);
    Say("\nRestart of Windows requested: %s\n", restart ? "yes" : "no");
    if (t->completed) {
        if (!Uninstall(t))
            t->failures++;
        back = CompareWithBefore(t, before, "What is left against the machine before the installation:");
    } else if (journal) {
        CompareWithBefore(t, before, "What the setup left, not completed, against the machine before "
                                     "(no uninstall follows):");
    }
    StopRestartWatcher();
    Say("\n%s\n", !t->completed ? "The installation did not complete."
                  : back ? "The installation completed, and the machine came back as it was before."
                         : "The installation completed; the machine did not come back as it was before.");
    // The prefix is the tests' too: a start-up entry left behind would
    // make every later run of SETUP.EXE refuse.
    ClearMachine(t->dest, &before.windowsFiles);
    return t->completed && back && t->failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    Try t = {};
    std::vector<std::string> args(argv + 1, argv + argc);
    size_t positional = 0;
    std::string mode;
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--mouse" && i + 1 < args.size() && (args[i + 1] == "ps2" || args[i + 1] == "serial"))
            t.serial = args[++i] == "serial";
        else if (args[i] == "--dest" && i + 1 < args.size())
            t.dest = args[++i];
        else if (mode.empty() && (args[i] == "--prepare" || args[i] == "--run"))
            mode = args[i];
        else if (positional == 0 && !mode.empty())
            t.package = args[i], positional++;
        else if (positional == 1 && mode == "--run")
            t.pictures = args[i], positional++;
        else
            mode = "?";
    }
    if (mode == "--prepare" && positional == 1) {
        PrepareMachine(t.dest);
        return 0;
    }
    if (mode == "--run" && positional == 2)
        return Run(&t);
    fprintf(stderr, "usage: demo_driver --prepare PACKAGE [--dest DIR]\n"
                    "       demo_driver --run PACKAGE PICTURE-FOLDER [--mouse ps2|serial] [--dest DIR]\n");
    return 2;
}
