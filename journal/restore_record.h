/* The restore record: installDir\SETUP.INF, one section per mouse type,
 * holding the registry values the setup replaced, each written once. */
#ifndef SETUP_RESTORE_RECORD_H
#define SETUP_RESTORE_RECORD_H

/* 1 when the value is recorded (or already was, or there is no
 * destination); 0 when the journal could not keep the record. */
int RecordOriginalValue(const char *section, const char *key, const char *value);
/* The restore record's text of key in section, or defaultText (for the
 * tests). */
const char *ReadSetupValue(const char *section, const char *key, const char *defaultText);

#endif
