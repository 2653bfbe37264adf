/* Registration of the companion components, the mouse device and its
 * driver class key. */
#ifndef SETUP_REGISTRY_H
#define SETUP_REGISTRY_H

#include "../app/setup_state.h"

/* Flag nonzero: components, then the mouse device; 0: the device only.
 * Each routine answers 1 when all it had to write is written, and 0 at
 * the first key or value (or journal entry) that failed, which it has
 * noted for the user (NoteFailure); what it wrote before is journaled. */
int UpdateRegistry(int flag);
int RegisterComponents(void);
int AllocateDriverKeyName(char *name, int size);
int UpdateDriverClassKey(const char *driverKey, const char *description, const char *infSection);
int CreateDriverClassKey(const char *driverKey, const char *description, const char *infSection);

#endif
