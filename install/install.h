/* The install page, and the system.ini update. */
#ifndef SETUP_INSTALL_H
#define SETUP_INSTALL_H

#include "setup_state.h"
#include "mouse_keys.h"

/* The system.ini update's names, the setup's and the uninstaller's alike:
 * the files in the Windows directory, the section and the line the setup
 * writes, and the system's own mouse driver it moves aside. */
#define SYSTEM_INI          "system.ini"
#define SYSTEM_INI_NEW      "system.new"
#define SYSTEM_INI_BACKUP   "system.bak"
#define SECTION_386ENH      "[386Enh]"
#define MOUSE_LINE_TEXT     "mouse=" VMOUSE_DEVICE
/* The longest original mouse line (without its line end) the uninstaller
 * puts back. */
#define MOUSE_LINE_MAX      118
#define VMM32_DIR           "VMM32"         /* in the system directory */
#define VMOUSE_VXD_NAME     "VMOUSE.VXD"
#define VMOUSE_BAK_NAME     "VMOUSE.BAK"
#define VMOUSE_VXD          VMM32_DIR "\\" VMOUSE_VXD_NAME
#define VMOUSE_BAK          VMM32_DIR "\\" VMOUSE_BAK_NAME

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

/* 0, with what failed noted for the user, when system.ini could not be
 * rewritten (it then stays as it was) or the journal could not keep a
 * change. */
int UpdateSystemIni(void);
/* Sets the mouse line of system.ini (the first line of its [386Enh]
 * section whose key is "mouse") to mouseLine
 * (which ends with its line feed), with the same care: a new file, then
 * put in place by the safe replace; system.bak is left as it is (the
 * uninstaller puts the setup's system.bak back itself). With expected given, only
 * when the line is that text now (compared up to the line end). */
#define MOUSE_LINE_FAILED   0   /* system.ini stays as it was */
#define MOUSE_LINE_SET      1
#define MOUSE_LINE_OTHER    2   /* the line is not the expected one: kept */
int SetSystemIniMouseLine(const char *mouseLine, const char *expected);

#endif
