/* The registration's inner routines, for the tests. */
#ifndef SETUP_REGISTRY_TEST_H
#define SETUP_REGISTRY_TEST_H

#include "registry.h"

/* The device list's entry of the Plug and Play id; 0 when none. */
int FindHardwareKey(const char *id, char *hardwareKey);

#endif
