/* Reading and writing single registry values for the registration. */
#ifndef SETUP_REGISTRY_VALUES_H
#define SETUP_REGISTRY_VALUES_H

#include <windows.h>

/* Called with the value's name ("" for a key's unnamed value) and the
 * byte count before every value is written. Null in the program; only
 * the tests set it. */
typedef void (*ValueWriteHook)(const char *name, DWORD byteCount);
extern ValueWriteHook g_valueWriteHook;

/* A REG_SZ value of the text's length, without the terminating zero. */
void WriteStringValue(HKEY key, const char *name, const char *text);
/* A REG_BINARY value of four zero bytes (ConfigFlags, DetFlags). */
void WriteZeroFlags(HKEY key, const char *name);
/* Reads a value of any type into the buffer as text up to its first zero
 * byte, always terminated. A missing value reads as empty text. Returns 0,
 * with the buffer emptied, when the value does not fit whole. */
int ReadTextValue(HKEY key, const char *name, char *buffer, int size);
/* Records the value's old text (any type, up to its first zero byte)
 * under the mouse type's section of the restore record, then writes the
 * new text. */
void TakeOverValue(HKEY key, const char *name, const char *text);

#endif
