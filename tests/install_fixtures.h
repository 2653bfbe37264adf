// Helpers of the installation tests: packages made at run time (SZDD
// files through Debian's mscompress), loaded through the real script
// loader, and the install page run with the registry update observed.
#ifndef SETUP_INSTALL_FIXTURES_H
#define SETUP_INSTALL_FIXTURES_H

#include <windows.h>

#include <string>

#include "setup_state.h"

// Bytes that compress somewhat (text with noise), the same for a seed.
std::string SampleBytes(size_t size, unsigned seed);
// Writes packed, the SZDD form of plain, made by mscompress; plain stays.
void CompressTo(const std::string &plain, const std::string &packed);

// The state of a fresh run with Windows in windowsDir, the script
// SETUP.INF of packageDir loaded and the destination installDir.
void LoadPackage(const std::string &packageDir, const std::string &windowsDir,
                 const std::string &installDir);
void UnloadPackage();

// The install page run through RunPage; the registry update is counted
// instead of made.
PageResult RunInstallPage();
extern int g_registryUpdates;     // calls seen since RunInstallPage began
extern int g_registryFlag;        // the flag of the last one
extern std::string g_statusAtRegistry;   // status text and percentage then
extern std::string g_percentAtRegistry;
extern void (*g_duringRegistry)(HWND page);  // a test's extra step then, if any

// The install page created from its template, without its PAGE_INIT.
HWND CreateInstallPage();

std::string ControlText(HWND window, int id);

#endif
