#include "install_fixtures.h"

#include <gtest/gtest.h>

#include <string.h>

#include "paths.h"
#include "text.h"
#include "install_test.h"
#include "resource.h"
#include "setup_script.h"
#include "page_host.h"
#include "ui.h"
#include "test_support.h"

int g_registryUpdates;
int g_registryFlag;
std::string g_statusAtRegistry;
std::string g_percentAtRegistry;
void (*g_duringRegistry)(HWND page);

std::string SampleBytes(size_t size, unsigned seed)
{
    static const char words[][8] = { "mouse ", "wheel ", "driver ", "\r\n", "setup ", "velto " };
    std::string bytes;
    unsigned state = seed * 2654435761u + 12345u;
    bytes.reserve(size);
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        if ((state >> 16) % 4 == 0)
            bytes.push_back((char)(state >> 8));
        else
            bytes.append(words[(state >> 20) % 6]);
    }
    bytes.resize(size);
    return bytes;
}

static std::string UnixPath(const std::string &path)
{
    typedef char *(CDECL *ToUnix)(const WCHAR *);
    ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                           "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (toUnix == NULL)
        return "";
    char *unix = toUnix(wide);
    if (unix == NULL)
        return "";
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

void CompressTo(const std::string &plain, const std::string &packed)
{
    SCOPED_TRACE("compressing " + plain);
    std::string unix = UnixPath(plain);
    ASSERT_NE(unix, "");
    std::string done = plain + ".done";
    DeleteFileA(done.c_str());
    // Wine starts the Linux program but cannot wait for it: it leaves a
    // mark when it is through.
    std::string line = "/bin/sh -c \"/usr/bin/mscompress '" + unix + "' && touch '" + unix +
                       ".done'\"";
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                               &process)) << line;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (int i = 0; i < 3000 && !FileExists(done); i++)
        Sleep(10);
    ASSERT_TRUE(FileExists(done)) << line;
    DeleteFileA(done.c_str());
    DeleteFileA(packed.c_str());
    ASSERT_TRUE(MoveFileA((plain + "_").c_str(), packed.c_str())) << packed;
    ASSERT_EQ(ReadFileBytes(packed).substr(0, 4), "SZDD") << packed;
}

void LoadPackage(const std::string &packageDir, const std::string &windowsDir,
                 const std::string &installDir)
{
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.windowsDir, windowsDir.c_str());
    ASSERT_EQ(LoadSetupScriptFrom((packageDir + "\\SETUP.EXE").c_str()), 1);
    TEXT_COPY(g_setup.installDir, installDir.c_str());
}

void UnloadPackage()
{
    FreeFileTable();
    g_registryUpdateHook = NULL;
    g_systemDirHook = NULL;
    g_duringRegistry = NULL;
}

std::string ControlText(HWND window, int id)
{
    char text[512] = "";
    GetDlgItemTextA(window, id, text, sizeof(text));
    return text;
}

static int ObserveRegistryUpdate(int flag)
{
    HWND page = FindWindowA("SETUP_INSTALL", NULL);
    g_registryUpdates++;
    g_registryFlag = flag;
    g_statusAtRegistry = ControlText(page, IDC_INSTALL_STATUS);
    g_percentAtRegistry = ControlText(page, IDC_INSTALL_PERCENT);
    if (g_duringRegistry != NULL)
        g_duringRegistry(page);
    return 1;
}

PageResult RunInstallPage()
{
    g_registryUpdates = 0;
    g_registryFlag = -1;
    g_statusAtRegistry = g_percentAtRegistry = "<none>";
    g_registryUpdateHook = ObserveRegistryUpdate;
    return RunPage("SETUP_INSTALL", InstallPageProc, IDD_INSTALL);
}

HWND CreateInstallPage()
{
    return CreatePage("SETUP_INSTALL", InstallPageProc, IDD_INSTALL);
}
