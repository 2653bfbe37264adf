/* The programs' own start-up: no C run-time library is linked, so the
 * entry points the linker looks for are here. */
#ifndef SETUP_START_H
#define SETUP_START_H

/* Runs the image's static constructors, if it has any. */
void RunConstructors(void);

#endif
