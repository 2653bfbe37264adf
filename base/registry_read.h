/* A registry value read as text, the one way every program reads one;
 * apart from the writes, so that a program that only reads links no
 * journal. */
#ifndef SETUP_REGISTRY_READ_H
#define SETUP_REGISTRY_READ_H

#include <windows.h>

/* Reads a value of any type into the buffer as text up to its first zero
 * byte, always terminated. A missing value reads as empty text. Returns 0,
 * with the buffer emptied, when the value does not fit whole. */
int ReadTextValue(HKEY key, const char *name, char *buffer, int size);

#endif
