/* The script's inner routines, for the tests. */
#ifndef SETUP_SCRIPT_TEST_H
#define SETUP_SCRIPT_TEST_H

#include "restore_record.h"
#include "setup_script.h"

/* Room for recordCount records of the file table; 0 without memory. */
int AllocFileTable(short recordCount);
/* The restore record's text of key in section, or defaultText. */
const char *ReadSetupValue(const char *section, const char *key, const char *defaultText);

#endif
