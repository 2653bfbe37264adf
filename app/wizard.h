/* The wizard's page sequence and the start-up checks. */
#ifndef SETUP_WIZARD_H
#define SETUP_WIZARD_H

#include "setup_state.h"
#include "components.h"

enum WizardState {
    STATE_WELCOME,
    STATE_MOUSE_TYPE,
    STATE_DESTINATION,
    STATE_CLOSE_COMPANION,
    STATE_INSTALL,
    STATE_FINISH,
    STATE_ABORT,
    STATE_DONE
};

/* The state after `state` ended with `result`. */
WizardState NextWizardState(WizardState state, PageResult result, int ps2Only);

/* 1 when the command line asks for the mouse-device-only mode ("-u"). */
int IsReconfigureMode(const char *commandLine);

/* 1 when the start-up entry "Kestrel" already names VARIRE.EXE. */
int IsAlreadyInstalled(void);
/* A replace the installation that start-up entry names left cut short
 * (system.ini set aside) is finished, though this run goes no further. */
void FinishInstalledReplaces(void);

#endif
