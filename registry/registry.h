/* Registration of the companion components, the mouse device and its
 * driver class key. */
#ifndef SETUP_REGISTRY_H
#define SETUP_REGISTRY_H

#include "../app/setup_state.h"

/* Flag nonzero: components, then the mouse device; 0: the device only. */
void UpdateRegistry(int flag);
void RegisterComponents(void);
int AllocateDriverKeyName(char *name, int size);
void UpdateDriverClassKey(const char *driverKey, const char *description, const char *infSection);
void CreateDriverClassKey(const char *driverKey, const char *description, const char *infSection);

#endif
