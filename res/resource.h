/* Resource ids of SETUP.EXE. Nothing but #defines: the .rc and the code
 * both include it. The numbers are fixed by the program's resources. */
#ifndef SETUP_RESOURCE_H
#define SETUP_RESOURCE_H

/* String table: script sections and keys */
#define IDS_DISK_LABEL_SECTION      1
#define IDS_DIRECTORY_SECTION       2
#define IDS_FILE_COUNTS_SECTION     3
#define IDS_DISK1                   4   /* 4 to 9: "Disk1" to "Disk6" */
#define IDS_ROOT_DIR                10  /* 10 to 19: the ten directory keys */
#define IDS_WIN_DIR                 17
#define IDS_WIN_SYSTEM_DIR          18
#define IDS_WIN_INF_DIR             19
#define IDS_READ_ERROR              20
#define IDS_MAIN_SECTION            22
#define IDS_DEFAULT_PATH            23
#define IDS_MINIMUM_SPACE           25
#define IDS_NOT_COMPLETED           28
#define IDS_SETUP_PROGRAM           29
#define IDS_PRODUCT_NAME            30
#define IDS_DIRECTORY_EXISTS        32
#define IDS_CANNOT_CREATE           33
#define IDS_NO_SPACE                34
#define IDS_COPYING                 36
#define IDS_STARTUP_SECTION         41
#define IDS_TITLE                   43
#define IDS_WIN95_ONLY              44
#define IDS_MFG                     45  /* 45 to 52: the driver string keys */
#define IDS_MOUSE_DRIVER            46
#define IDS_MOUSE_INF               47
#define IDS_DRIVER_DATE             48
#define IDS_PS2_INF_SECTION         49
#define IDS_SERIAL_INF_SECTION      50
#define IDS_PS2_NAME                51
#define IDS_SERIAL_NAME             52
#define IDS_INSTALLED_RESTART       53
#define IDS_OTHER_MOUSE_PROGRAM     54

/* String table: texts beyond the original program's */
#define IDS_PACKAGE_REFUSED         60  /* a file outside the destination or the package */
#define IDS_PACKAGE_NAME_REFUSED    61  /* a target name that is not the package's to write */
#define IDS_INSERT_DISK             62  /* a disk asked for by its label */
#define IDS_FILE_MISSING            63  /* a source that cannot be read: Abort, Retry, Ignore */
#define IDS_FILES_NOT_INSTALLED     64  /* the files gone on without */
#define IDS_INSTALL_INCOMPLETE      65  /* the finish page after such files */
#define IDS_SCRIPT_TOO_LARGE        66  /* a SETUP.INF beyond the profile functions' reach */
#define IDS_REGISTRY_FAILED         67  /* what failed, for the not-completed warning */
#define IDS_JOURNAL_FAILED          68
#define IDS_SYSTEM_INI_FAILED       69
#define IDS_LINE_NOT_TAKEN          70  /* the description of a record its line did not fill */
#define IDS_LINE_BEYOND_COUNT       71  /* the description of a line after its disk's count */

/* Dialog templates */
#define IDD_WELCOME                 101
#define IDD_FINISH                  102
#define IDD_INSTALL                 103
#define IDD_BROWSE                  104
#define IDD_DESTINATION             107
#define IDD_MOUSE_TYPE              108

/* Bitmaps and icons */
#define IDB_PS2_MOUSE               112
#define IDB_SERIAL_MOUSE            113
#define IDB_SIDE_PICTURE            304
#define IDB_LOGO                    307
#define IDI_SETUP                   200
#define IDI_DISK                    201
#define IDI_DISK_DONE               202

/* Page buttons, common to every page */
#define IDC_NEXT                    1   /* "&Next >"; "Finish" on the finish page */
#define IDC_INSTALL_CANCEL          1   /* the same id: the install page's "Cancel" */
#define IDC_CANCEL                  2
#define IDC_BACK                    3

/* Controls common to every page */
#define IDC_RULE                    1006
#define IDC_SIDE_PICTURE            1022
#define IDC_PAGE_TEXT               1023  /* the "%s" text of the welcome, destination and finish pages */

/* Welcome page (101) */
#define IDC_WELCOME_TEXT            1024

/* Finish page (102) */
#define IDC_RESTART_NOW             1032
#define IDC_RESTART_LATER           1033

/* Mouse type page (108) */
#define IDC_SERIAL_MOUSE            1034
#define IDC_PS2_MOUSE               1035

/* Destination page (107) and the browser (104) */
#define IDC_DESTINATION_PATH        1003  /* static on the page, edit in the browser */
#define IDC_BROWSE                  1025

/* Install page (103) */
#define IDC_INSTALL_FRAME1          1009
#define IDC_INSTALL_FRAME2          1010
#define IDC_INSTALL_BAR             1011
#define IDC_INSTALL_FRAME3          1012
#define IDC_INSTALL_PERCENT         1013
#define IDC_INSTALL_PERCENT2        1014
#define IDC_INSTALL_ICON1           1015
#define IDC_INSTALL_ICON2           1016
#define IDC_INSTALL_ICON3           1017
#define IDC_INSTALL_ICON4           1018
#define IDC_INSTALL_STATUS          1019

#endif
