/* The restore record: installDir\SETUP.INF, one section per mouse type,
 * holding the registry values the setup replaced, each written once. */
#ifndef SETUP_RESTORE_RECORD_H
#define SETUP_RESTORE_RECORD_H

void RecordOriginalValue(const char *section, const char *key, const char *value);

#endif
