// End-to-end runs: the real SETUP.EXE started as a separate process from
// a copy of the sample package, driven like a person would, and the
// files, registry and system.ini checked afterwards.
#ifndef SETUP_E2E_FIXTURE_H
#define SETUP_E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "install_traces.h"
#include "restart_watcher.h"
#include "ui_driver.h"

#define E2E_ROOT      "C:\\setup-e2e"
#define E2E_SAMPLE    E2E_ROOT "\\sample"
#define E2E_ORIGINALS E2E_ROOT "\\originals"
#define E2E_PACKAGE   E2E_ROOT "\\package"
#define E2E_TARGET    E2E_ROOT "\\VELTO"

class EndToEnd : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh copy of the sample package with the script's [Main] keys
    // replaced by these lines (DefaultPath points at E2E_TARGET).
    void MakePackage(const std::string &mainLines = "");
    // Starts E2E_PACKAGE\SETUP.EXE with the command line.
    void Start(const std::string &arguments = "");
    HWND Page(const char *className);
    void Press(HWND page, int id);
    // Waits for SETUP.EXE to end; its exit code.
    DWORD Finish();
    // Next through welcome and mouse type (serial or PS/2); returns the
    // destination page, or NULL.
    HWND UpToDestination(bool serial);
    // Next through welcome, mouse type (serial or PS/2) and destination;
    // returns the finish page, or NULL.
    HWND InstallUpToFinish(bool serial);
    void ExpectFilesInstalled();
    void ExpectNothingInstalled();
    std::string SystemIni();

    PROCESS_INFORMATION process = {};
    std::string systemIniBefore;
};

#endif
