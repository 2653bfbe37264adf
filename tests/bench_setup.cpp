// Benchmark, printed (not a test): how long SETUP.EXE takes from process
// start to its welcome page (the background and its logo dissolve
// included) beside the smallest dialog program built the same way, and
// how long the whole unattended installation of the sample package takes.
//
//   bench_setup PACKAGE-FOLDER MINIMAL-DIALOG.EXE
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../res/resource.h"
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

// Start to shown: the window of the class exists, is visible and its
// thread waits for input.
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

double SetupStart(const std::string &package)
{
    PROCESS_INFORMATION process = {};
    double ms = TimeToWindow("\"" + package + "\\SETUP.EXE\"", package, "SETUP_BEGIN", &process);
    HWND page = UiFindWindow("SETUP_BEGIN", NULL, process.dwProcessId);
    UiClick(page, IDC_CANCEL);
    UiMessageBox box;
    if (UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId))
        UiAnswerMessageBox(box, IDOK);
    UiWaitProcess(&process, 10000, NULL);
    return ms;
}

double MinimalStart(const std::string &program)
{
    PROCESS_INFORMATION process = {};
    double ms = TimeToWindow("\"" + program + "\"", ".", "#32770", &process);
    HWND dialog = UiFindWindow("#32770", "Minimal", process.dwProcessId);
    UiClick(dialog, IDOK);
    UiWaitProcess(&process, 10000, NULL);
    return ms;
}

void NextPage(const char *className, DWORD processId, int id = IDC_NEXT)
{
    HWND page = UiWaitForPage(className, 30000, processId);
    UiClick(page, id);
    UiWaitGone(page);
}

// The whole installation, clicked through as fast as the pages come.
double Installation(const std::string &package)
{
    ClearInstallation(kInstallDir);
    PrepareWindowsFiles();
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!UiStartProcess("\"" + package + "\\SETUP.EXE\"", package, &process))
        return -1;
    NextPage("SETUP_BEGIN", process.dwProcessId);
    NextPage("SETUP_SELMOUSE", process.dwProcessId);
    NextPage("SETUP_SELDIR", process.dwProcessId);
    HWND finish = UiWaitForPage("SETUP_END", 60000, process.dwProcessId);
    UiClick(finish, IDC_RESTART_LATER);
    UiClick(finish, IDC_NEXT);
    bool ended = UiWaitProcess(&process, 30000, NULL);
    double ms = Now() - start;
    ClearInstallation(kInstallDir);
    RestoreWindowsFiles();
    return ended ? ms : -1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bench_setup PACKAGE-FOLDER MINIMAL-DIALOG.EXE\n");
        return 2;
    }
    std::string package = argv[1];
    std::vector<double> setup, minimal, install;
    StartRestartWatcher();
    for (int i = 0; i < kRuns; i++) {
        minimal.push_back(MinimalStart(argv[2]));
        setup.push_back(SetupStart(package));
        install.push_back(Installation(package));
    }
    StopRestartWatcher();
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    printf("Screen %d x %d, median of %d runs under Wine\n", width, height, kRuns);
    printf("  start to welcome page, logo dissolve included: %8.1f ms\n", Median(setup));
    printf("  start of a minimal dialog program:             %8.1f ms\n", Median(minimal));
    printf("  ratio:                                         %8.2f\n", Median(setup) / Median(minimal));
    printf("  whole unattended installation of the sample:   %8.1f ms\n", Median(install));
    return 0;
}
