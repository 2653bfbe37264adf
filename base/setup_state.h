/* The one record of everything the setup knows, and the string loader. */
#ifndef SETUP_STATE_H
#define SETUP_STATE_H

#include <windows.h>

/* Result of a page, stored in pageResult before the page closes. */
typedef short PageResult;
#define PAGE_CANCEL 0
#define PAGE_NEXT   1
#define PAGE_BACK   2

/* Private messages: sent to a fresh page; the browser reuses the number
 * for its own start-up step and has a second one for its refresh. */
#define PAGE_INIT       (WM_USER + 100)
#define BROWSE_REFRESH  (WM_USER + 101)

#define DISK_MAX        6
#define DIRECTORY_KEYS  10
#define PICTURE_KINDS   2       /* the package's own side picture and logo */
#define TEXT_MAX        256     /* texts read from the script or the string table */
#define DIR_MAX         80      /* windowsDir, sourceDir, installDir */
#define PRODUCT_MAX     72
#define DRIVER_TEXT_MAX 40
#define PNP_ID_MAX      10
#define IGNORED_TEXT_MAX 1024
#define FAILURE_TEXT_MAX (2 * TEXT_MAX)

/* Directory key indexes, in the order of the script's directory section. */
#define DIR_ROOT        0
#define DIR_SUB1        1       /* 1 to 6: SubDir1 to SubDir6 */
#define DIR_WINDOWS     7
#define DIR_WIN_SYSTEM  8
#define DIR_WIN_INF     9

struct DriverInfo {
    char mfg[DRIVER_TEXT_MAX];
    char mouseDriver[DRIVER_TEXT_MAX];
    char mouseInf[DRIVER_TEXT_MAX];
    char driverDate[DRIVER_TEXT_MAX];
    char ps2InfSection[DRIVER_TEXT_MAX];
    char serialInfSection[DRIVER_TEXT_MAX];
    char ps2Name[DRIVER_TEXT_MAX];
    char serialName[DRIVER_TEXT_MAX];
    char pnpId[PNP_ID_MAX];
};

/* One file to copy. */
struct FileRecord {
    char sourceSubdir[40];      /* sub-directory of sourceDir holding the file */
    char targetDir[40];         /* relative to installDir, or a full path */
    char sourceName[15];        /* name in the package, maybe compressed */
    char targetName[15];        /* name of the installed file */
    char description[62];       /* shown under the name while copying */
    int targetIsAbsolute;       /* 1: targetDir is a full path */
};

struct SetupState {
    /* environment and paths */
    HINSTANCE instance;
    short screenWidth;
    short screenHeight;
    char windowsDir[MAX_PATH];      /* any Windows directory a user can have */
    char sourceDir[DIR_MAX];        /* the package's directory */
    char installDir[DIR_MAX];       /* the destination */

    /* the script's settings */
    char productName[PRODUCT_MAX];
    char caption[TEXT_MAX];         /* productName + " Setup Program" */
    char bannerTitle[TEXT_MAX];
    short minimumSpaceKb;
    int noLogo;
    char pictureNames[PICTURE_KINDS][TEXT_MAX];  /* [Main]'s own pictures, empty: none */
    int ps2Only;
    DriverInfo driverInfo;
    short diskCount;                /* 0 to 6 */
    char diskLabels[DISK_MAX][TEXT_MAX];  /* DiskLabel's Disk1 to Disk6 */
    short linesBeyondCount[DISK_MAX];     /* numbered lines after a disk's count */
    short fileCounts[DISK_MAX];
    char directoryNames[DIRECTORY_KEYS][TEXT_MAX];
    FileRecord *fileTable[DISK_MAX + 1];  /* first record of each disk; the last entry ends the table */
    HGLOBAL fileTableHandle;

    /* the user's choices and the flow */
    int serialMouse;                /* 1 serial, 0 PS/2 */
    int backEnabled;
    int restartAfterFinish;
    PageResult pageResult;
    char mouseType[DRIVER_TEXT_MAX];  /* "PS2" or "Serial" */
    HWND mainWindow;                /* the background window, null in the -u mode */
    /* the installation's outcome beyond its page result */
    short filesIgnored;             /* files the user chose to go on without */
    char ignoredNames[IGNORED_TEXT_MAX];  /* their names, one a line */
    char failure[FAILURE_TEXT_MAX]; /* what stopped the installation, or empty */

    /* private to the background window */
    int dissolvePending;
    HFONT bannerFont;
    HPALETTE gradientPalette;   /* the gradient's blues, on a screen of 256 colours */
    HBITMAP pictures[PICTURE_KINDS];  /* the package's side picture and logo, null: built-in */
    /* private to the directory browser */
    char browsePath[TEXT_MAX];
};

extern SetupState g_setup;

/* Puts every field back to its initial value. */
void InitSetupState(void);

/* A string-table text in one of four rotating buffers, or null. */
const char *LoadText(UINT id);

/* A message box of string-table text textId, a "%s" in it given the
 * product name; the box's answer. */
int ShowTextMessage(HWND owner, UINT textId, const char *caption, UINT style);

/* Keeps what stopped the installation: string-table text textId with
 * the given detail for its "%s"; the first failure of a run is kept. */
void NoteFailure(UINT textId, const char *detail);

#endif
