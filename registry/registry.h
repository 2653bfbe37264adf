/* Registration of the companion components, the mouse device and its
 * driver class key. */
#ifndef SETUP_REGISTRY_H
#define SETUP_REGISTRY_H

#include "../app/setup_state.h"

/* Flag nonzero: components, then the mouse device; 0: the device only. */
void UpdateRegistry(int flag);
void RegisterComponents(void);
/* 1 when a device key ("Enum\\...") is one the registration could
 * choose: its own root device, or a present mouse of the ids a takeover
 * looks for. */
int CouldTakeOverDevice(const char *path);
int AllocateDriverKeyName(char *name, int size);
void UpdateDriverClassKey(const char *driverKey, const char *description, const char *infSection);
void CreateDriverClassKey(const char *driverKey, const char *description, const char *infSection);

#endif
