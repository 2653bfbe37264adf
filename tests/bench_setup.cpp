// Benchmark, printed (not a test): how long SETUP.EXE takes from process
// start to its welcome page (the background and its logo dissolve
// included) beside the smallest dialog program built the same way, and
// how long the whole unattended installation of the sample package takes.
// A run whose window did not appear, or an installation that did not
// write the package's files, ends the benchmark with an error and no
// figure.
//
//   bench_setup PACKAGE-FOLDER MINIMAL-DIALOG.EXE ORIGINALS-FOLDER
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_seams.h"
#include "resource.h"
#include "install_traces.h"
#include "restart_watcher.h"
#include "ui_driver.h"

namespace {

const int kRuns = 5;
const char kInstallDir[] = "C:\\VELTO";

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Says why a run did not do its work; the caller then gives no figure.
bool Failed(int run, const std::string &what)
{
    fprintf(stderr, "bench_setup: error: run %d: %s; no figure\n", run, what.c_str());
    return false;
}

std::string ReadBytes(const std::string &path)
{
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return "<missing>";
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

// Start to shown: the window of the class exists, is visible and its
// thread waits for input; -1 when it did not appear.
double TimeToWindow(const std::string &commandLine, const std::string &folder,
                    const char *className, PROCESS_INFORMATION *process)
{
    double start = Now();
    if (!UiStartProcess(commandLine, folder, process))
        return -1;
    HWND window = UiWaitForPage(className, 30000, process->dwProcessId);
    if (window == NULL)
        return -1;
    WaitForInputIdle(process->hProcess, 10000);
    return Now() - start;
}

bool SetupStart(int run, const std::string &package, std::vector<double> *times)
{
    PROCESS_INFORMATION process = {};
    double ms = TimeToWindow("\"" + package + "\\SETUP.EXE\"", package, "SETUP_BEGIN", &process);
    if (ms < 0) {
        if (process.hProcess != NULL)
            UiWaitProcess(&process, 0, NULL);
        return Failed(run, "SETUP.EXE's welcome page did not appear");
    }
    HWND page = UiWaitForPage("SETUP_BEGIN", UI_TIMEOUT, process.dwProcessId);
    if (!UiClick(page, IDC_CANCEL))
        return Failed(run, "SETUP.EXE's welcome page has no Cancel");
    UiMessageBox box;
    if (UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId))
        UiAnswerMessageBox(box, IDOK);
    if (!UiWaitProcess(&process, 10000, NULL))
        return Failed(run, "SETUP.EXE did not end after Cancel");
    times->push_back(ms);
    return true;
}

bool MinimalStart(int run, const std::string &program, std::vector<double> *times)
{
    PROCESS_INFORMATION process = {};
    double ms = TimeToWindow("\"" + program + "\"", ".", "#32770", &process);
    if (ms < 0) {
        if (process.hProcess != NULL)
            UiWaitProcess(&process, 0, NULL);
        return Failed(run, "the minimal dialog did not appear");
    }
    HWND dialog = UiFindWindow("#32770", "Minimal", process.dwProcessId);
    UiClick(dialog, IDOK);
    if (!UiWaitProcess(&process, 10000, NULL))
        return Failed(run, "the minimal dialog did not end after OK");
    times->push_back(ms);
    return true;
}

bool NextPage(const char *className, DWORD processId, int id = IDC_NEXT)
{
    HWND page = UiWaitForPage(className, 30000, processId);
    if (page == NULL)
        return false;
    UiClick(page, id);
    return UiWaitGone(page);
}

// The package's files, each where the sample's script puts it, as the
// originals hold them (expanded).
std::string FilesNotWritten(const std::string &originals)
{
    struct Row { const char *original; std::string target; } rows[] = {
        { "VARIRE.EXE", std::string(kInstallDir) + "\\VARIRE.EXE" },
        { "ZRPAGE.DLL", std::string(kInstallDir) + "\\ZRPAGE.DLL" },
        { "UNINSTAL.EXE", std::string(kInstallDir) + "\\UNINSTAL.EXE" },
        { "README.TXT", std::string(kInstallDir) + "\\README.TXT" },
        { "HELP\\ZRHELP.HLP", std::string(kInstallDir) + "\\HELP\\ZRHELP.HLP" },
        { "SYSTEM\\ZRMOUSE.DRV", WindowsDir() + "\\SYSTEM\\ZRMOUSE.DRV" },
        { "INF\\ZRMOUSE.INF", WindowsDir() + "\\INF\\ZRMOUSE.INF" },
    };
    std::string wrong;
    for (auto &row : rows) {
        std::string original = ReadBytes(originals + "\\" + row.original);
        if (original == "<missing>" || ReadBytes(row.target) != original)
            wrong += " " + row.target;
    }
    return wrong;
}

void ClearWindowsFiles()
{
    DeleteFileA((WindowsDir() + "\\SYSTEM\\ZRMOUSE.DRV").c_str());
    DeleteFileA((WindowsDir() + "\\INF\\ZRMOUSE.INF").c_str());
}

// The flushes to the disk the last installation made, as the test
// build's SETUP.EXE reports them; -1 from a program without the seams
// (the deliverable).
long flushesReported = -1;

// The whole installation, clicked through as fast as the pages come.
bool Installation(int run, const std::string &package, const std::string &originals,
                  std::vector<double> *times)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string report = std::string(temp) + "SETUPFLUSHES.TXT";
    DeleteFileA(report.c_str());
    SetEnvironmentVariableA(SEAM_FLUSH_REPORT_VARIABLE, report.c_str());
    ClearInstallation(kInstallDir);
    ClearWindowsFiles();
    PrepareWindowsFiles();
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!UiStartProcess("\"" + package + "\\SETUP.EXE\"", package, &process))
        return Failed(run, "SETUP.EXE did not start");
    bool pages = NextPage("SETUP_BEGIN", process.dwProcessId) &&
                 NextPage("SETUP_SELMOUSE", process.dwProcessId) &&
                 NextPage("SETUP_SELDIR", process.dwProcessId);
    HWND finish = pages ? UiWaitForPage("SETUP_END", 60000, process.dwProcessId) : NULL;
    if (finish != NULL) {
        UiClick(finish, IDC_RESTART_LATER);
        UiClick(finish, IDC_NEXT);
    }
    bool ended = UiWaitProcess(&process, finish != NULL ? 30000 : 0, NULL);
    double ms = Now() - start;
    SetEnvironmentVariableA(SEAM_FLUSH_REPORT_VARIABLE, NULL);
    std::string flushes = ReadBytes(report);
    flushesReported = flushes == "<missing>" ? -1 : atol(flushes.c_str());
    DeleteFileA(report.c_str());
    std::string wrong = FilesNotWritten(originals);
    ClearInstallation(kInstallDir);
    ClearWindowsFiles();
    RestoreWindowsFiles();
    if (finish == NULL)
        return Failed(run, "the installation did not reach the finish page");
    if (!ended)
        return Failed(run, "SETUP.EXE did not end after Finish");
    if (!wrong.empty())
        return Failed(run, "the installation did not write" + wrong);
    times->push_back(ms);
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: bench_setup PACKAGE-FOLDER MINIMAL-DIALOG.EXE ORIGINALS-FOLDER\n");
        return 2;
    }
    std::string package = argv[1];
    std::vector<double> setup, minimal, install;
    StartRestartWatcher();
    bool done = true;
    for (int run = 1; done && run <= kRuns; run++)
        done = MinimalStart(run, argv[2], &minimal) && SetupStart(run, package, &setup) &&
               Installation(run, package, argv[3], &install);
    StopRestartWatcher();
    if (!done)
        return 1;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    printf("Screen %d x %d, median of %d runs under Wine\n", width, height, kRuns);
    printf("  start to welcome page, logo dissolve included: %8.1f ms\n", Median(setup));
    printf("  start of a minimal dialog program:             %8.1f ms\n", Median(minimal));
    printf("  ratio:                                         %8.2f\n", Median(setup) / Median(minimal));
    printf("  whole unattended installation of the sample:   %8.1f ms\n", Median(install));
    if (flushesReported >= 0)
        printf("  flushes to the disk in that installation:      %8ld\n", flushesReported);
    else
        printf("  flushes to the disk in that installation: not counted (a program without the test seams)\n");
    return 0;
}
