/* Reading and writing single registry values for the registration. */
#ifndef SETUP_REGISTRY_VALUES_H
#define SETUP_REGISTRY_VALUES_H

#include "registry_read.h"

/* Called with the value's name ("" for a key's unnamed value) and the
 * byte count before every value is written. Null in the program; only
 * the tests set it. */
typedef void (*ValueWriteHook)(const char *name, DWORD byteCount);
extern ValueWriteHook g_valueWriteHook;

/* The key the values written next belong to: journaled (its missing
 * levels), then created or opened with full access. 0, with the
 * failure noted for the user (NoteFailure), when a step fails. Start
 * only journals it and names it for the failures. */
int StartValueKey(HKEY root, const char *path);
int CreateValueKey(HKEY root, const char *path, HKEY *key);
int OpenValueKey(HKEY root, const char *path, HKEY *key);
/* A REG_SZ value of the text's length, without the terminating zero;
 * journaled first. 0, with the failure noted, when the journal entry or
 * the write fails. */
int WriteStringValue(HKEY key, const char *name, const char *text);
/* A REG_BINARY value of four zero bytes (ConfigFlags, DetFlags). */
int WriteZeroFlags(HKEY key, const char *name);
/* Records the value's old text (any type, up to its first zero byte)
 * under the mouse type's section of the restore record, then writes the
 * new text. */
int TakeOverValue(HKEY key, const char *name, const char *text);

#endif
