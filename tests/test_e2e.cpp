// The whole program: SETUP.EXE run from a package folder as a separate
// process and used like a person would, then the files, the registry and
// system.ini checked.
#include "e2e_fixture.h"

#include "resource.h"
#include "test_support.h"

namespace {

const char kPresentPs2[] = "BIOS\\*PNP0F13\\0000";
const char kClassKey[] = TRACE_MOUSE_CLASS_KEY "\\0000";

std::string SystemIniAfter(const std::string &before)
{
    std::string after = before;
    size_t at = after.find("mouse=*vmouse, msmouse.vxd\r\n");
    if (at != std::string::npos)
        after.replace(at, strlen("mouse=*vmouse, msmouse.vxd\r\n"), "mouse=*vmouse\r\n");
    return after;
}

std::string ReadSetupIniValue(const char *file, const char *section, const char *key)
{
    char value[256];
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof(value), file);
    return value;
}

void ExpectSystemIniUpdated(const std::string &before)
{
    EXPECT_EQ(ReadFileBytes(WindowsDir() + "\\system.ini"), SystemIniAfter(before));
    EXPECT_EQ(ReadFileBytes(WindowsDir() + "\\system.bak"), before);
    EXPECT_FALSE(FileExists(WindowsDir() + "\\system.new"));
    EXPECT_FALSE(FileExists(SystemDir() + "\\VMM32\\VMOUSE.VXD"));
    EXPECT_TRUE(FileExists(SystemDir() + "\\VMM32\\VMOUSE.BAK"));
}

void ExpectComponents()
{
    EXPECT_EQ(RegistryValue(HKEY_CLASSES_ROOT, "CLSID\\" TRACE_CLSID "\\InProcServer32", ""),
              E2E_TARGET "\\ZRPAGE.DLL");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"),
              E2E_TARGET "\\VARIRE.EXE -startup");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString"),
              E2E_TARGET "\\UNINSTAL.EXE");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "DisplayName"), "Velto");
}

// A present PS/2 mouse with its own driver class key, as Windows 98
// leaves a standard mouse.
void AddStandardPs2Mouse()
{
    AddPresentDevice("C29A1E40", kPresentPs2, "Standard PS/2 Port Mouse",
                     "(Standard mouse types)", "Mouse\\0000");
    AddDriverClassKey("Mouse\\0000", "Standard PS/2 Port Mouse", "MSMOUSE.VXD");
}

TEST_F(EndToEnd, SerialMouseInstallationAndRestart)
{
    MakePackage();
    Start();
    HWND finish = InstallUpToFinish(true);
    ASSERT_TRUE(finish != NULL);
    EXPECT_EQ(UiIsChecked(finish, IDC_RESTART_NOW), BST_CHECKED);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_TRUE(RestartRequested()) << "restart now was chosen";

    ExpectFilesInstalled();
    ExpectComponents();
    // No serial mouse present: a root device of its own, serial.
    std::string device = TRACE_ROOT_DEVICE_KEY "\\0000";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "Class"), "Mouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DeviceDesc"), "Velto Serial Wheel Mouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DetFunc"), "*:DETECTSERIALMOUSE");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "ConfigFlags"), "hex:0,0,0,0");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "Driver"), "Mouse\\0000");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "DevLoader"), "*vmouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "MouseType"), "Serial");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "InfSection"), "ZRMOUSE_SER");
    ExpectSystemIniUpdated(systemIniBefore);
    EXPECT_FALSE(FileExists(E2E_TARGET "\\SETUP.INF")) << "a root device records nothing";
}

TEST_F(EndToEnd, Ps2MouseTakeoverWithoutRestart)
{
    AddStandardPs2Mouse();
    MakePackage();
    Start();
    HWND finish = InstallUpToFinish(false);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_FALSE(RestartRequested(1000)) << "restart later was chosen";

    ExpectFilesInstalled();
    ExpectComponents();
    std::string device = std::string("Enum\\") + kPresentPs2;
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DeviceDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "Mfg"), "Velto");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "Driver"), "Mouse\\0000");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY));
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "DevLoader"), "MSMOUSE.VXD") << "kept";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "MouseType"), "PS2");
    ExpectSystemIniUpdated(systemIniBefore);

    // The restore record holds the values replaced, in the order taken.
    std::string record = ReadFileBytes(E2E_TARGET "\\SETUP.INF");
    EXPECT_EQ(record,
              "[PS2]\r\nSubKey1=Enum\\BIOS\\*PNP0F13\\0000\r\n"
              "DeviceDesc=Standard PS/2 Port Mouse\r\nMfg=(Standard mouse types)\r\n"
              "SubKey2=System\\CurrentControlSet\\Services\\Class\\Mouse\\0000\r\n"
              "MouseDriver=msmouse.drv\r\nInfPath=MSMOUSE.INF\r\n"
              "DriverDesc=Standard PS/2 Port Mouse\r\nDriverDate=5-11-1998\r\nInfSection=PS2_Inst\r\n");
}

TEST_F(EndToEnd, SecondInstallationKeepsTheRestoreRecord)
{
    AddStandardPs2Mouse();
    MakePackage();
    Start();
    HWND finish = InstallUpToFinish(false);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    std::string record = ReadFileBytes(E2E_TARGET "\\SETUP.INF");
    ASSERT_NE(record.find("DeviceDesc=Standard PS/2 Port Mouse"), std::string::npos);

    // The start-up entry would refuse a second run: remove it, as an
    // uninstall of the companion program would, and install again.
    HKEY run;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    RegDeleteValueA(run, "Kestrel");
    RegCloseKey(run);
    Start();
    HWND page = Page("SETUP_BEGIN");
    ASSERT_TRUE(page != NULL);
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELMOUSE");
    ASSERT_TRUE(page != NULL);
    EXPECT_EQ(UiIsChecked(page, IDC_SERIAL_MOUSE), BST_CHECKED) << "the script's default again";
    UiClick(page, IDC_PS2_MOUSE);
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    ASSERT_TRUE(page != NULL);
    UiClick(page, IDC_NEXT);
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "The specified directory already exists !\nDo you still want to install into this directory ?");
    EXPECT_EQ(box.icon, "question");
    UiAnswerMessageBox(box, IDOK);
    finish = UiWaitForPage("SETUP_END", 30000, process.dwProcessId);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_EQ(ReadFileBytes(E2E_TARGET "\\SETUP.INF"), record)
        << "the second run recorded the package's own values over the first ones";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "DriverDesc"), "Velto PS/2 Wheel Mouse");
}

TEST_F(EndToEnd, Ps2OnlyPackage)
{
    MakePackage("PS2Only=1\nDefaultSerialMouse=1\n");
    Start();
    HWND page = Page("SETUP_BEGIN");
    ASSERT_TRUE(page != NULL);
    Press(page, IDC_NEXT);
    page = Page("SETUP_SELDIR");
    ASSERT_TRUE(page != NULL);
    EXPECT_EQ(UiFindWindow("SETUP_SELMOUSE", NULL, process.dwProcessId), (HWND)NULL);
    Press(page, IDC_NEXT);
    HWND finish = UiWaitForPage("SETUP_END", 30000, process.dwProcessId);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    std::string device = TRACE_ROOT_DEVICE_KEY "\\0000";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DetFunc"), "*:DETECTPS2MOUSE")
        << "PS2Only makes it a PS/2 mouse whatever DefaultSerialMouse says";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DeviceDesc"), "Velto PS/2 Wheel Mouse");
    ExpectFilesInstalled();
}

TEST_F(EndToEnd, ReconfigurationRegistersTheDeviceOnly)
{
    AddStandardPs2Mouse();
    MakePackage();
    // A companion window does not stop the -u road.
    HWND companion = CreateWindowExA(0, "STATIC", "Kestrel", WS_POPUP, 0, 0, 10, 10,
                                     NULL, NULL, NULL, NULL);
    Start("-u");
    HWND page = Page("SETUP_SELMOUSE");
    DestroyWindow(companion);
    ASSERT_TRUE(page != NULL);
    EXPECT_FALSE(UiIsEnabled(page, IDC_BACK));
    EXPECT_EQ(UiFindWindow("SetupMain", NULL, process.dwProcessId), (HWND)NULL)
        << "no background window with -u";
    EXPECT_EQ(UiFindWindow("SETUP_BEGIN", NULL, process.dwProcessId), (HWND)NULL);
    UiClick(page, IDC_PS2_MOUSE);
    Press(page, IDC_NEXT);
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "The Mouse Setup Program has installed driver successfully. "
                        "You have to restart your Windows now !");
    EXPECT_EQ(box.caption, "Velto Setup Program");
    EXPECT_EQ(box.icon, "asterisk");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_TRUE(RestartRequested());

    std::string device = std::string("Enum\\") + kPresentPs2;
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, device, "DeviceDesc"), "Velto PS/2 Wheel Mouse");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kClassKey, "MouseType"), "PS2");
    // The restore record goes into the package's own script.
    EXPECT_EQ(ReadSetupIniValue(E2E_PACKAGE "\\SETUP.INF", "PS2", "DeviceDesc"),
              "Standard PS/2 Port Mouse");
    // Nothing else: no files, no components, system.ini as it was.
    EXPECT_FALSE(FileExists(E2E_TARGET));
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "CLSID\\" TRACE_CLSID));
    EXPECT_EQ(SystemIni(), systemIniBefore);
}

TEST_F(EndToEnd, ReconfigurationCancelChangesNothing)
{
    AddStandardPs2Mouse();
    MakePackage();
    Start("-u");
    HWND page = Page("SETUP_SELMOUSE");
    ASSERT_TRUE(page != NULL);
    UiClick(page, IDC_CANCEL);
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_FALSE(RestartRequested(1000));
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, std::string("Enum\\") + kPresentPs2, "DeviceDesc"),
              "Standard PS/2 Port Mouse");
}

// Each refusal: the message, its caption and icon, and nothing done.
void ExpectRefusal(PROCESS_INFORMATION *process, const char *text)
{
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process->dwProcessId));
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.icon, "exclamation");
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(UiFindWindow("SetupMain", NULL, process->dwProcessId), (HWND)NULL);
    UiAnswerMessageBox(box, IDOK);
}

const char kOtherMouseProgram[] =
    "Setup have detected another mouse program in your system.\nPlease remove it from your system first !";

TEST_F(EndToEnd, RefusesWhileTheCompanionRuns)
{
    MakePackage();
    HWND companion = CreateWindowExA(0, "STATIC", "Kestrel", WS_POPUP, 0, 0, 10, 10,
                                     NULL, NULL, NULL, NULL);
    Start();
    ExpectRefusal(&process, kOtherMouseProgram);
    EXPECT_EQ(Finish(), 0u);
    DestroyWindow(companion);
    ExpectNothingInstalled();
}

TEST_F(EndToEnd, RefusesASecondInstallation)
{
    MakePackage();
    Start();
    HWND finish = InstallUpToFinish(true);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    Press(finish, IDC_NEXT);
    EXPECT_EQ(Finish(), 0u);
    ASSERT_NE(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    std::string iniAfterFirst = SystemIni();

    Start();
    ExpectRefusal(&process, kOtherMouseProgram);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_EQ(SystemIni(), iniAfterFirst);
}

TEST_F(EndToEnd, RefusesWindowsOutsideThe95Family)
{
    MakePackage();
    // Wine reports another Windows version to this program name only.
    CopyFileA(E2E_PACKAGE "\\SETUP.EXE", E2E_PACKAGE "\\SETUPNT.EXE", FALSE);
    RegistrySandbox::SetString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUPNT.EXE",
                               "Version", "winxp");
    ASSERT_TRUE(UiStartProcess("\"" E2E_PACKAGE "\\SETUPNT.EXE\"", E2E_PACKAGE, &process));
    ExpectRefusal(&process, "This  Mouse Setup Program is for Windows 95/98 only !");
    EXPECT_EQ(Finish(), 0u);
    RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUPNT.EXE");
    ExpectNothingInstalled();
}

TEST_F(EndToEnd, CancelOnEachPageLeavesTheSystemAlone)
{
    struct Row { const char *lastPage; } rows[] = {
        /* 0 */ { "SETUP_BEGIN" },
        /* 1 */ { "SETUP_SELMOUSE" },
        /* 2 */ { "SETUP_SELDIR" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        MakePackage();
        Start();
        const char *order[] = { "SETUP_BEGIN", "SETUP_SELMOUSE", "SETUP_SELDIR" };
        HWND page = NULL;
        for (const char *className : order) {
            page = Page(className);
            ASSERT_TRUE(page != NULL);
            if (strcmp(className, rows[i].lastPage) == 0)
                break;
            Press(page, IDC_NEXT);
        }
        UiClick(page, IDC_CANCEL);
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
        EXPECT_EQ(box.text, "Velto installation is not completed !");
        UiAnswerMessageBox(box, IDOK);
        EXPECT_EQ(Finish(), 0u);
        EXPECT_EQ(UiTopWindows(process.dwProcessId).size(), 0u);
        ExpectNothingInstalled();
        EXPECT_FALSE(FileExists(E2E_TARGET)) << "the destination is made only by Next";
    }
}

// Alt+F4 (SC_CLOSE) on a page: Cancel with the warning on the welcome
// page and on the destination page after a refused Next; Finish with the
// choice shown on the finish page.
TEST_F(EndToEnd, AltF4EndsEachPageItsOwnWay)
{
    MakePackage();
    Start();
    HWND page = Page("SETUP_BEGIN");
    ASSERT_TRUE(page != NULL);
    PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    ExpectNothingInstalled();

    // The directory exists; its question answered Cancel leaves the page.
    CreateDirectoryA(E2E_TARGET, NULL);
    Start();
    for (const char *className : { "SETUP_BEGIN", "SETUP_SELMOUSE" }) {
        page = Page(className);
        ASSERT_TRUE(page != NULL);
        Press(page, IDC_NEXT);
    }
    page = Page("SETUP_SELDIR");
    ASSERT_TRUE(page != NULL);
    UiClick(page, IDC_NEXT);
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    UiAnswerMessageBox(box, IDCANCEL);
    PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    ExpectNothingInstalled();
    EXPECT_TRUE(RemoveDirectoryA(E2E_TARGET)) << "something was written";

    Start();
    HWND finish = InstallUpToFinish(true);
    ASSERT_TRUE(finish != NULL);
    UiClick(finish, IDC_RESTART_LATER);
    EXPECT_TRUE(UiWaitUntil([&]() { return UiIsChecked(finish, IDC_RESTART_LATER) == BST_CHECKED; }));
    PostMessageA(finish, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_FALSE(RestartRequested(1000)) << "restart later was chosen";
    ExpectFilesInstalled();
}

}  // namespace

namespace {

// A package of five big files on disk 1 and a small one on disk 2, so a
// Cancel can land while the third file is being copied.
std::string BigFile(int seed)
{
    std::string bytes(24 << 20, '\0');
    unsigned value = 2463534242u + (unsigned)seed;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        value ^= value << 13;
        value ^= value >> 17;
        value ^= value << 5;
        bytes[i] = (char)value;
    }
    return bytes;
}

TEST_F(EndToEnd, CancelWhileCopying)
{
    CreateDirectoryA(E2E_PACKAGE, NULL);
    CopyFileA(E2E_SAMPLE "\\SETUP.EXE", E2E_PACKAGE "\\SETUP.EXE", FALSE);
    std::string script = "[Main]\r\nProductName=Velto\r\nDefaultPath=" E2E_TARGET "\r\n"
                         "[DiskLabel]\r\nDisk1=One\r\nDisk2=Two\r\n[DirectoryName]\r\nRootDir=.\r\n"
                         "[FileCounts]\r\nDisk1=5\r\nDisk2=1\r\n[Disk1]\r\n";
    std::string bytes[6];
    for (int i = 1; i <= 5; i++) {
        std::string name = "BIG" + std::to_string(i) + ".BIN";
        bytes[i] = BigFile(i);
        WriteFileBytes(E2E_PACKAGE "\\" + name, bytes[i]);
        script += std::to_string(i) + "=" + name + "," + name + ",Big file " + std::to_string(i) + ",RootDir\r\n";
    }
    WriteFileBytes(E2E_PACKAGE "\\LATER.TXT", "later");
    script += "[Disk2]\r\n1=LATER.TXT,LATER.TXT,Later,RootDir\r\n";
    WriteFileBytes(E2E_PACKAGE "\\SETUP.INF", script);

    Start();
    HWND page = UpToDestination(true);
    ASSERT_TRUE(page != NULL);
    Press(page, IDC_NEXT);
    HWND install = UiWaitForWindow("SETUP_INSTALL", NULL, UI_TIMEOUT, process.dwProcessId);
    ASSERT_TRUE(install != NULL);
    // The third file's target appears when its copy starts.
    std::string third = E2E_TARGET "\\.\\BIG3.BIN";
    for (int i = 0; i < 3000 && !FileExists(third); i++)
        Sleep(5);
    ASSERT_TRUE(FileExists(third));
    ASSERT_TRUE(UiClick(install, IDC_NEXT));  // the install page's Cancel
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, 20000, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    EXPECT_EQ(box.icon, "exclamation");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);

    for (int i = 1; i <= 3; i++)
        EXPECT_TRUE(ReadFileBytes(E2E_TARGET "\\BIG" + std::to_string(i) + ".BIN") == bytes[i])
            << "file " << i << " not written whole";
    for (int i = 4; i <= 5; i++)
        EXPECT_FALSE(FileExists(E2E_TARGET "\\BIG" + std::to_string(i) + ".BIN")) << "file " << i;
    EXPECT_FALSE(FileExists(E2E_TARGET "\\LATER.TXT")) << "a file of the second disk";
    // Nothing is registered after a Cancel, so the setup runs again.
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY));
    EXPECT_EQ(SystemIni(), systemIniBefore);
    EXPECT_TRUE(FileExists(SystemDir() + "\\VMM32\\VMOUSE.VXD"));
    EXPECT_FALSE(RestartRequested(500));
    Start();
    page = Page("SETUP_BEGIN");
    ASSERT_TRUE(page != NULL) << "the setup refuses to run again";
    UiClick(page, IDC_CANCEL);
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
}

// A file that cannot be written (held open by another program) ends the
// installation not completed: no further file, nothing registered,
// system.ini alone, no finish page; the file keeps its bytes and nothing
// is written under another name.
TEST_F(EndToEnd, FileInUseEndsNotCompleted)
{
    MakePackage();
    CreateDirectoryA(E2E_TARGET, NULL);
    WriteFileBytes(E2E_TARGET "\\ZRPAGE.DLL", "older version");
    HANDLE held = CreateFileA(E2E_TARGET "\\ZRPAGE.DLL", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Start();
    HWND page = UpToDestination(true);
    ASSERT_TRUE(page != NULL);
    UiClick(page, IDC_NEXT);
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    UiAnswerMessageBox(box, IDOK);            // the directory exists: install into it
    ASSERT_TRUE(UiWaitForMessageBox(&box, 20000, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    EXPECT_EQ(UiFindWindow("SETUP_END", NULL, process.dwProcessId), (HWND)NULL);
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    CloseHandle(held);

    EXPECT_EQ(ReadFileBytes(E2E_TARGET "\\ZRPAGE.DLL"), "older version");
    EXPECT_FALSE(FileExists(E2E_TARGET "\\ZRPAGE.DL_")) << "written under another name";
    EXPECT_EQ(ReadFileBytes(E2E_TARGET "\\VARIRE.EXE"), ReadFileBytes(E2E_ORIGINALS "\\VARIRE.EXE"));
    EXPECT_FALSE(FileExists(E2E_TARGET "\\UNINSTAL.EXE")) << "a further file";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY));
    EXPECT_EQ(SystemIni(), systemIniBefore);
    EXPECT_FALSE(RestartRequested(500));
}

}  // namespace

namespace {

// The disks of a three-disk package made of the sample's files.
struct FloppyDisk {
    const char *label;
    std::vector<std::string> files;     // relative to the sample package
};

const FloppyDisk kFloppies[] = {
    { "Velto Disk 1", { "SETUP.EXE", "SETUP.INF", "VARIRE.EX_", "ZRPAGE.DL_", "UNINSTAL.EX_" } },
    { "Velto Disk 2", { "README.TXT", "HELP\\ZRHELP.HL_" } },
    { "Velto Disk 3", { "SYSTEM\\ZRMOUSE.DR_", "INF\\ZRMOUSE.IN_" } },
};

// The sample's script with the files spread over the three disks.
std::string FloppyScript()
{
    std::string script = ReadFileBytes(E2E_SAMPLE "\\SETUP.INF");
    size_t startup = script.find("[Startup]");
    size_t labels = script.find("[DiskLabel]");
    return "[Main]\r\nProductName=Velto\r\nDefaultPath=" E2E_TARGET "\r\nMinimumSpace=500\r\n" +
           script.substr(startup, labels - startup) +
           "[DiskLabel]\r\nDisk1=Velto Disk 1\r\nDisk2=Velto Disk 2\r\nDisk3=Velto Disk 3\r\n"
           "[DirectoryName]\r\nRootDir=.\r\nSubDir1=HELP\r\nWinSystemDir=SYSTEM\r\nWinInfDir=INF\r\n"
           "[FileCounts]\r\nDisk1=3\r\nDisk2=2\r\nDisk3=2\r\n"
           "[Disk1]\r\n1=VARIRE.EX_,VARIRE.EXE,Wheel mouse program,RootDir\r\n"
           "2=ZRPAGE.DL_,ZRPAGE.DLL,Mouse control panel page,RootDir\r\n"
           "3=UNINSTAL.EX_,UNINSTAL.EXE,Uninstall program,RootDir\r\n"
           "[Disk2]\r\n1=README.TXT,README.TXT,Read me,RootDir\r\n2=ZRHELP.HL_,ZRHELP.HLP,Help file,SubDir1\r\n"
           "[Disk3]\r\n1=ZRMOUSE.DR_,ZRMOUSE.DRV,Mouse driver,WinSystemDir\r\n"
           "2=ZRMOUSE.IN_,ZRMOUSE.INF,Driver information,WinInfDir\r\n";
}

// Takes the disk out of drive A: and puts disk `disk` (from 0) in.
void InsertFloppy(int disk)
{
    RemoveTree("A:\\HELP");
    RemoveTree("A:\\SYSTEM");
    RemoveTree("A:\\INF");
    for (const FloppyDisk &each : kFloppies)
        for (const std::string &file : each.files)
            DeleteFileA(("A:\\" + file).c_str());
    for (const std::string &file : kFloppies[disk].files) {
        size_t slash = file.find('\\');
        if (slash != std::string::npos)
            CreateDirectoryA(("A:\\" + file.substr(0, slash)).c_str(), NULL);
        if (file == "SETUP.INF")
            WriteFileBytes("A:\\SETUP.INF", FloppyScript());
        else
            CopyFileA((E2E_SAMPLE "\\" + file).c_str(), ("A:\\" + file).c_str(), FALSE);
    }
}

}  // namespace

// A package on floppies: the setup started from drive A: carries on from
// a copy of itself elsewhere, asks for each disk by its label in order,
// asks again while the wrong disk is in, and a Cancel at the third disk
// registers nothing; the uninstaller then takes away what was copied.
TEST_F(EndToEnd, FloppyPackageAsksForEachDiskByLabel)
{
    ASSERT_EQ(GetDriveTypeA("A:\\"), (UINT)DRIVE_REMOVABLE) << "the floppy-drive fixture makes drive A:";
    InsertFloppy(0);
    ASSERT_TRUE(UiStartProcess("\"A:\\SETUP.EXE\"", "A:\\", &process));
    EXPECT_EQ(Finish(), 0u) << "the setup started from the floppy ends at once";
    HWND welcome = UiWaitForPage("SETUP_BEGIN", UI_TIMEOUT, 0);
    ASSERT_TRUE(welcome != NULL) << "no copy of the setup runs";
    DWORD id = 0;
    GetWindowThreadProcessId(welcome, &id);
    process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
    process.hThread = NULL;
    process.dwProcessId = id;
    char image[MAX_PATH] = "";
    DWORD length = sizeof(image);
    QueryFullProcessImageNameA(process.hProcess, 0, image, &length);
    EXPECT_NE(toupper(image[0]), 'A') << "the setup still runs from the floppy: " << image;

    HWND page = UpToDestination(true);
    ASSERT_TRUE(page != NULL);
    Press(page, IDC_NEXT);
    // disk 2 asked for; the third disk is the wrong one and is asked again
    struct Step { int inserted; const char *label; int answer; } steps[] = {
        /* 0 */ { 2, "Velto Disk 2", IDOK },
        /* 1 */ { 1, "Velto Disk 2", IDOK },
        /* 2 */ { 1, "Velto Disk 3", IDCANCEL },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.label);
        UiMessageBox box;
        ASSERT_TRUE(UiWaitForMessageBox(&box, 20000, process.dwProcessId));
        EXPECT_EQ(box.text, std::string("Please insert the disk labelled '") + step.label + "' into drive A:.");
        EXPECT_EQ(box.buttons, (std::vector<std::string>{ "OK", "Cancel" }));
        InsertFloppy(step.inserted);
        UiAnswerMessageBox(box, step.answer);
    }
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, 20000, process.dwProcessId));
    EXPECT_EQ(box.text, "Velto installation is not completed !");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);

    for (const char *copied : { "VARIRE.EXE", "ZRPAGE.DLL", "UNINSTAL.EXE", "README.TXT", "HELP\\ZRHELP.HLP" })
        EXPECT_TRUE(FileExists(std::string(E2E_TARGET "\\") + copied)) << copied;
    EXPECT_FALSE(FileExists(WindowsDir() + "\\SYSTEM\\ZRMOUSE.DRV")) << "a file of the third disk";
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_RUN_KEY, "Kestrel"), "<absent>");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, TRACE_ROOT_DEVICE_KEY));
    EXPECT_EQ(SystemIni(), systemIniBefore);
    EXPECT_FALSE(RestartRequested(500));

    // the uninstaller takes away what the cancelled run copied
    ASSERT_TRUE(UiStartProcess("\"" E2E_TARGET "\\UNINSTAL.EXE\"", E2E_TARGET, &process));
    UiMessageBox question, result;
    ASSERT_TRUE(UiWaitForMessageBox(&question, UI_TIMEOUT, process.dwProcessId));
    UiAnswerMessageBox(question, IDYES);
    EXPECT_EQ(Finish(), 0u);
    ASSERT_TRUE(UiWaitForMessageBox(&result, 20000));
    GetWindowThreadProcessId(result.window, &id);
    HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, id);
    UiAnswerMessageBox(result, result.buttons.size() == 1 ? IDOK : IDNO);
    if (copy != NULL) {
        EXPECT_EQ(WaitForSingleObject(copy, 20000), WAIT_OBJECT_0);
        CloseHandle(copy);
    }
    for (const char *copied : { "VARIRE.EXE", "ZRPAGE.DLL", "README.TXT", "HELP\\ZRHELP.HLP", "UNINSTAL.LOG" })
        EXPECT_FALSE(FileExists(std::string(E2E_TARGET "\\") + copied)) << copied << ": " << result.text;
    EXPECT_EQ(GetFileAttributesA(E2E_TARGET), INVALID_FILE_ATTRIBUTES) << "the destination stays";
    EXPECT_EQ(SystemIni(), systemIniBefore);
    InsertFloppy(0);
    DeleteFileA("A:\\SETUP.EXE");
    DeleteFileA("A:\\SETUP.INF");
    DeleteFileA("A:\\VARIRE.EX_");
    DeleteFileA("A:\\ZRPAGE.DL_");
    DeleteFileA("A:\\UNINSTAL.EX_");
}

// A SETUP.INF longer than Windows 95's profile functions read is refused
// before anything is written, with its size and the limit.
TEST_F(EndToEnd, ScriptOver64KbIsRefused)
{
    MakePackage();
    std::string script = ReadFileBytes(E2E_PACKAGE "\\SETUP.INF");
    script += "\r\n; " + std::string(70 * 1024, 'c') + "\r\n";
    WriteFileBytes(E2E_PACKAGE "\\SETUP.INF", script);
    Start();
    UiMessageBox box;
    ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
    EXPECT_EQ(box.text, "SETUP.INF is " + std::to_string(script.size()) +
                            " bytes long: Windows 95 reads no more than 65536 bytes of it. "
                            "This package cannot be installed.");
    EXPECT_EQ(box.icon, "exclamation");
    UiAnswerMessageBox(box, IDOK);
    EXPECT_EQ(Finish(), 0u);
    EXPECT_EQ(GetFileAttributesA(E2E_TARGET), INVALID_FILE_ATTRIBUTES) << "written before the refusal";
    ExpectNothingInstalled();
}
