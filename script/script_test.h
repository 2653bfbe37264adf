/* The script's inner routines, for the tests. */
#ifndef SETUP_SCRIPT_TEST_H
#define SETUP_SCRIPT_TEST_H

#include "setup_script.h"

/* Room for recordCount records of the file table; 0 without memory. */
int AllocFileTable(short recordCount);

#endif
