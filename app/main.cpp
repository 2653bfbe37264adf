/* SETUP.EXE: the entry point and the wizard sequence. */
#include "paths.h"
#include "setup_state.h"
#include "text.h"
#include "wizard.h"
#include "../install/install.h"
#include "../registry/registry.h"
#include "../res/resource.h"
#include "../script/containment.h"
#include "../script/journal.h"
#include "../script/setup_script.h"
#include "../ui/ui.h"

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

/* The mouse type page alone, then the device registration from the
 * program's own directory and a restart. */
static void RunReconfigureMode(void)
{
    ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    if (!LoadSetupScript()) {
        ShowWarning(IDS_READ_ERROR, g_setup.caption, MB_ICONEXCLAMATION);
        return;
    }
    g_setup.backEnabled = 0;
    if (RunPage("SETUP_SELMOUSE", MouseTypePageProc, IDD_MOUSE_TYPE) == PAGE_CANCEL)
        return;
    TEXT_COPY(g_setup.installDir, g_setup.sourceDir);
    UpdateRegistry(0);
    JournalEnd();
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
        if (state == STATE_INSTALL && next == STATE_FINISH)
            UpdateSystemIni();
        state = next;
    }
    JournalEnd();
    FreeFileTable();
    DestroyWindow(g_setup.mainWindow);
    g_setup.mainWindow = NULL;
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

static void RunNormalMode(void)
{
    if (CompanionRunning() || IsAlreadyInstalled()) {
        FinishInstalledReplaces();
        ShowWarning(IDS_OTHER_MOUSE_PROGRAM, "Warning", MB_ICONEXCLAMATION);
        return;
    }
    if ((GetVersion() & 0x80000000u) == 0) {
        ShowWarning(IDS_WIN95_ONLY, "Warning", MB_ICONEXCLAMATION);
        return;
    }
    ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir));
    if (!LoadSetupScript()) {
        ShowWarning(IDS_READ_ERROR, g_setup.caption, MB_ICONEXCLAMATION);
        return;
    }
    if (!AcceptPackage()) {
        FreeFileTable();
        return;
    }
    if (!CreateMainWindow())
        return;
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
        RunNormalMode();
    return 0;
}
