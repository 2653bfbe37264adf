/* The keys of the setup script that the string table does not name: the
 * loader reads them by these names, and the checker knows them by them
 * too (the others it takes from the string table, as the loader does). */
#ifndef SETUP_SCRIPT_KEYS_H
#define SETUP_SCRIPT_KEYS_H

#define KEY_OEM                 "OEM"               /* [Main] */
#define KEY_DEFAULT_SERIAL      "DefaultSerialMouse"
#define KEY_PS2_ONLY            "PS2Only"
#define KEY_PNP_ID              "PnpID"             /* [Startup] */
/* The driver strings of [Startup], the string table's keys "Mfg" to
 * "SeialName". */
#define DRIVER_STRING_COUNT     8

#endif
