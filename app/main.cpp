/* SETUP.EXE: the entry point and the wizard sequence. */
#include "paths.h"
#include "fixed_texts.h"
#include "temp_copy.h"
#include "setup_state.h"
#include "text.h"
#include "wizard.h"
#include "file_ops.h"
#include "install.h"
#include "registry.h"
#include "resource.h"
#include "containment.h"
#include "journal.h"
#include "setup_script.h"
#include "ui.h"

/* The page each state of the sequence runs. */
struct WizardPage {
    WizardState state;
    const char *className;
    WNDPROC pageProc;
    WORD templateId;
};

static const WizardPage wizardPages[] = {
    { STATE_WELCOME,     "SETUP_BEGIN",    WelcomePageProc,     IDD_WELCOME },
    { STATE_MOUSE_TYPE,  "SETUP_SELMOUSE", MouseTypePageProc,   IDD_MOUSE_TYPE },
    { STATE_DESTINATION, "SETUP_SELDIR",   DestinationPageProc, IDD_DESTINATION },
    { STATE_INSTALL,     "SETUP_INSTALL",  InstallPageProc,     IDD_INSTALL },
    { STATE_FINISH,      "SETUP_END",      FinishPageProc,      IDD_FINISH },
};

static PageResult RunStatePage(WizardState state)
{
    size_t i;

    for (i = 0; i < sizeof(wizardPages) / sizeof(wizardPages[0]); i++) {
        if (wizardPages[i].state == state)
            return RunPage(wizardPages[i].className, wizardPages[i].pageProc,
                           wizardPages[i].templateId);
    }
    return PAGE_NEXT;
}

static void ShowWarning(UINT textId, const char *caption, UINT icon)
{
    ShowTextMessage(NULL, textId, caption, MB_OK | icon);
}

static void Restart(void)
{
    ExitWindowsEx(EWX_REBOOT, 0);
}

/* A SETUP.INF longer than the profile functions read would come back
 * in part: refused before anything is written. 1 when it is within reach. */
static int ScriptInReach(void)
{
    char text[2 * TEXT_MAX];
    DWORD size;

    if (ScriptWithinReach())
        return 1;
    ScriptSize(ScriptPath(), &size);
    TextFormat(text, sizeof(text), LoadText(IDS_SCRIPT_TOO_LARGE), (unsigned long)size,
               (unsigned long)SCRIPT_SIZE_MAX);
    MessageBoxA(NULL, text, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

/* The mouse type page alone, then the device registration from the
 * program's own directory and a restart. A registration that fails is
 * told, and Windows is not restarted. */
static void RunReconfigureMode(void)
{
    int registered;

    ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    if (!LoadSetupScript()) {
        ShowWarning(IDS_READ_ERROR, g_setup.caption, MB_ICONEXCLAMATION);
        return;
    }
    if (!ScriptInReach()) {
        FreeFileTable();
        return;
    }
    g_setup.backEnabled = 0;
    if (RunPage("SETUP_SELMOUSE", MouseTypePageProc, IDD_MOUSE_TYPE) == PAGE_CANCEL)
        return;
    TEXT_COPY(g_setup.installDir, g_setup.sourceDir);
    registered = UpdateRegistry(0);
    if (!JournalEnd() && registered) {
        NoteFailure(IDS_JOURNAL_FAILED, JOURNAL_NAME);
        registered = 0;
    }
    if (!registered) {
        ShowNotCompleted(NULL);
        return;
    }
    ShowWarning(IDS_INSTALLED_RESTART, g_setup.caption, MB_ICONINFORMATION);
    Restart();
}

static void RunWizard(void)
{
    WizardState state = STATE_WELCOME;
    WizardState next;
    PageResult result;

    while (state != STATE_ABORT && state != STATE_DONE) {
        if (state == STATE_CLOSE_COMPANION) {
            CloseCompanion();
            result = PAGE_NEXT;
        } else {
            result = RunStatePage(state);
        }
        next = NextWizardState(state, result, g_setup.ps2Only);
        if (state == STATE_WELCOME && next == STATE_DESTINATION)
            g_setup.serialMouse = 0;
        /* a system.ini that could not be updated is told; no finish page */
        if (state == STATE_INSTALL && next == STATE_FINISH && !UpdateSystemIni()) {
            ShowNotCompleted(g_setup.mainWindow);
            next = STATE_ABORT;
        }
        state = next;
    }
    JournalEnd();
    FreeFileTable();
    DestroyWindow(g_setup.mainWindow);
    g_setup.mainWindow = NULL;
    FreePackagePictures();
    if (state == STATE_DONE && g_setup.restartAfterFinish == 1)
        Restart();
}

/* A package that names a file outside the destination, the Windows
 * directories or the package is refused whole before anything is
 * written: the user is told which record, then that the installation is
 * not completed. 1 when the package is contained. */
static int AcceptPackage(void)
{
    ContainmentFault fault;
    char message[4 * TEXT_MAX];

    if (!FindFirstContainmentFault(&fault))
        return 1;
    FormatPackageRefusal(&fault, message, sizeof(message));
    MessageBoxA(NULL, message, g_setup.caption, MB_OK | MB_ICONEXCLAMATION);
    ShowNotCompleted(NULL);
    return 0;
}

/* A program started from a floppy disk may be paged in from it, its
 * pictures and texts read from it, at any time: with the package's next
 * disk in the drive it would fail. Started from a removable drive, the
 * setup therefore carries on from a copy of itself in TEMP, told the
 * package's directory. 1 when the copy runs and this program is to end. */
static int MoveOffRemovableDrive(const char *ownPath)
{
    char packageDir[MAX_PATH], drive[4];

    if (!PathDirectory(packageDir, sizeof(packageDir), ownPath) ||
        !PathOnRemovableDrive(packageDir, drive, sizeof(drive)))
        return 0;
    return StartCopyInTemp(ownPath, "~SETUP%02d.EXE", packageDir);
}

/* The script of the package: beside this program, or, for the copy in
 * TEMP, in the directory its command line names. */
static int LoadPackageScript(int copy, const char *packageDir)
{
    char programPath[MAX_PATH];

    if (!copy)
        return LoadSetupScript();
    if (!PathJoin(programPath, sizeof(programPath), packageDir, "SETUP.EXE")) {
        LoadSetupScriptFrom("");
        return 0;
    }
    return LoadSetupScriptFrom(programPath);
}

static void RunNormalMode(const char *commandLine)
{
    char ownPath[MAX_PATH], packageDir[MAX_PATH];
    int copy;

    copy = ReadCopyCommand(commandLine, packageDir, sizeof(packageDir));
    if (CompanionRunning() || IsAlreadyInstalled()) {
        FinishInstalledReplaces();
        ShowWarning(IDS_OTHER_MOUSE_PROGRAM, TEXT_WARNING, MB_ICONEXCLAMATION);
        return;
    }
    if ((GetVersion() & 0x80000000u) == 0) {
        ShowWarning(IDS_WIN95_ONLY, TEXT_WARNING, MB_ICONEXCLAMATION);
        return;
    }
    if (!OwnPath(ownPath, sizeof(ownPath)))
        ownPath[0] = '\0';
    if (!copy && ownPath[0] != '\0' && MoveOffRemovableDrive(ownPath))
        return;
    ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    /* the copy in TEMP goes at the next start of Windows */
    if (copy && ownPath[0] != '\0')
        WininitAdd(g_setup.windowsDir, NULL, ownPath);
    if (!LoadPackageScript(copy, packageDir)) {
        ShowWarning(IDS_READ_ERROR, g_setup.caption, MB_ICONEXCLAMATION);
        return;
    }
    if (!ScriptInReach() || !AcceptPackage()) {
        FreeFileTable();
        return;
    }
    LoadPackagePictures();
    if (!CreateMainWindow()) {
        FreePackagePictures();
        return;
    }
    RunWizard();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)show;
    InitSetupState();
    g_setup.instance = instance;
    g_setup.productName[0] = '\0';
    g_setup.screenWidth = (short)GetSystemMetrics(SM_CXSCREEN);
    g_setup.screenHeight = (short)GetSystemMetrics(SM_CYSCREEN);
    if (IsReconfigureMode(commandLine))
        RunReconfigureMode();
    else
        RunNormalMode(commandLine);
    return 0;
}
