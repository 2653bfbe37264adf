/* Bounded text helpers: every copy into a fixed buffer goes through
 * these. Each takes the buffer's size (terminating zero included),
 * always leaves the buffer terminated, and returns 1 when the whole text
 * fitted, 0 when it had to be cut. */
#ifndef SETUP_TEXT_H
#define SETUP_TEXT_H

int TextCopy(char *buffer, int size, const char *text);
int TextAppend(char *buffer, int size, const char *text);
int TextFormat(char *buffer, int size, const char *format, ...);

/* Builds a path from pieces, "\" between them; 1 only when it fits
 * whole. A path that does not fit is left empty, never cut. */
int PathJoin(char *buffer, int size, const char *first, const char *second);

#define TEXT_COPY(buffer, text)   TextCopy((buffer), (int)sizeof(buffer), (text))
#define TEXT_APPEND(buffer, text) TextAppend((buffer), (int)sizeof(buffer), (text))

#endif
