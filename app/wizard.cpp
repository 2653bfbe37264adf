/* The page sequence of the normal mode, and the start-up checks. */
#include "wizard.h"
#include "paths.h"
#include "setup_state.h"
#include "text.h"
#include "values.h"
#include "journal.h"

/* Where each state goes on Cancel, Back and Next; "other" results count
 * as Next. With PS2Only the mouse type page is left out both ways. */
struct WizardStep {
    WizardState state;
    WizardState onCancel;
    WizardState onBack;
    WizardState onNext;
    WizardState onBackPs2Only;
    WizardState onNextPs2Only;
};

static const WizardStep wizardSteps[] = {
    /* state               Cancel        Back                Next                   Back, PS2Only       Next, PS2Only */
    { STATE_WELCOME,         STATE_ABORT,  STATE_MOUSE_TYPE,   STATE_MOUSE_TYPE,      STATE_DESTINATION,  STATE_DESTINATION },
    { STATE_MOUSE_TYPE,      STATE_ABORT,  STATE_WELCOME,      STATE_DESTINATION,     STATE_WELCOME,      STATE_DESTINATION },
    { STATE_DESTINATION,     STATE_ABORT,  STATE_MOUSE_TYPE,   STATE_CLOSE_COMPANION, STATE_WELCOME,      STATE_CLOSE_COMPANION },
    { STATE_CLOSE_COMPANION, STATE_INSTALL, STATE_INSTALL,     STATE_INSTALL,         STATE_INSTALL,      STATE_INSTALL },
    { STATE_INSTALL,         STATE_ABORT,  STATE_FINISH,       STATE_FINISH,          STATE_FINISH,       STATE_FINISH },
    { STATE_FINISH,          STATE_DONE,   STATE_DONE,         STATE_DONE,            STATE_DONE,         STATE_DONE },
};

WizardState NextWizardState(WizardState state, PageResult result, int ps2Only)
{
    size_t i;

    for (i = 0; i < sizeof(wizardSteps) / sizeof(wizardSteps[0]); i++) {
        const WizardStep *step = &wizardSteps[i];
        if (step->state != state)
            continue;
        if (result == PAGE_CANCEL)
            return step->onCancel;
        if (result == PAGE_BACK)
            return ps2Only ? step->onBackPs2Only : step->onBack;
        return ps2Only ? step->onNextPs2Only : step->onNext;
    }
    return state == STATE_DONE ? STATE_DONE : STATE_ABORT;
}

int IsReconfigureMode(const char *commandLine)
{
    return commandLine != NULL && commandLine[0] == '-' && commandLine[1] == 'u';
}

/* The start-up entry of the companion program; 0 when it does not name it. */
static int ReadStartupEntry(char *value, int size)
{
    HKEY key;
    int found;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    found = ReadTextValue(key, COMPANION_TITLE, value, size) && TextFind(value, "VARIRE.EXE") != NULL;
    RegCloseKey(key);
    return found;
}

int IsAlreadyInstalled(void)
{
    /* More room than the 80 bytes the entry normally needs, so that a
     * longer entry is still read whole and terminated. */
    char value[1024];

    return ReadStartupEntry(value, sizeof(value));
}

void FinishInstalledReplaces(void)
{
    char value[1024], journal[MAX_PATH];
    char *program;

    if (!ReadStartupEntry(value, sizeof(value)) || (program = TextFind(value, "\\VARIRE.EXE")) == NULL)
        return;
    *program = '\0';     /* the installation directory */
    if (!PathJoin(journal, sizeof(journal), value, JOURNAL_NAME) ||
        !ReadWindowsDirectory(g_setup.windowsDir, sizeof(g_setup.windowsDir)))
        return;
    JournalFinishReplaces(journal);
}
