/* Placeholders until the registration lands. */
#include "registry.h"
void UpdateRegistry(int) {}
