/* Registration of the companion components, the mouse device and its
 * driver class key. */
#ifndef SETUP_REGISTRY_H
#define SETUP_REGISTRY_H

#include "setup_state.h"
#include "mouse_keys.h"

/* withComponents nonzero: the components, then the mouse device (the
 * install page); 0: the device only (the -u mode).
 * Each routine answers 1 when all it had to write is written, and 0 at
 * the first key or value (or journal entry) that failed, which it has
 * noted for the user (NoteFailure); what it wrote before is journaled. */
int UpdateRegistry(int withComponents);
int RegisterComponents(void);
/* The device keys the registration chooses from: its own root device,
 * or a present mouse whose hardware key holds one of the ids a takeover
 * looks for, in its order (two of PS/2 mice, one of serial mice, then the
 * serial enumerator with the package's id). */
#define SERIAL_MOUSE_ID     "*PNP0F0C\\"
#define SERIAL_ENUMERATOR   "SERENUM\\"
extern const char *const g_ps2MouseIds[2];
/* 1 when a device key ("Enum\\<enumerator>\\<id>\\<instance>") is one the
 * registration could choose (the package's serial id is not known
 * afterwards: any of the serial enumerator's counts). */
int CouldTakeOverDevice(const char *path);
int AllocateDriverKeyName(char *name, int size);
int UpdateDriverClassKey(const char *driverKey, const char *description, const char *infSection);
int CreateDriverClassKey(const char *driverKey, const char *description, const char *infSection);

#endif
