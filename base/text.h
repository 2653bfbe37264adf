/* Bounded text helpers: every copy into a fixed buffer goes through
 * these. Each takes the buffer's size (terminating zero included),
 * always leaves the buffer terminated, and returns 1 when the whole text
 * fitted, 0 when it had to be cut. The programs link no C library, so
 * the searches and comparisons they need are here too. */
#ifndef SETUP_TEXT_H
#define SETUP_TEXT_H

#include <stdarg.h>

int TextCopy(char *buffer, int size, const char *text);
int TextAppend(char *buffer, int size, const char *text);

/* The program's own formatter (the platform's stops at 1,024
 * characters): %d %i %u %x %X %c %s %%, the flags '-' and '0', a width
 * and a precision (digits or '*'), and the sizes 'l' and 'h'. */
int TextFormat(char *buffer, int size, const char *format, ...);
int TextFormatList(char *buffer, int size, const char *format, va_list args);

/* Builds a path from pieces, "\" between them; 1 only when it fits
 * whole. A path that does not fit is left empty, never cut. */
int PathJoin(char *buffer, int size, const char *first, const char *second);

/* The length of a text that may lack its zero within size bytes: at
 * most size. */
int TextLengthWithin(const char *text, int size);

/* 1 when both texts are the same bytes; with a count, when their first
 * count characters are (a text shorter than count must match whole). */
int TextSame(const char *a, const char *b);
int TextSameStart(const char *a, const char *b, int count);
/* The same, with the letters A to Z equal to a to z. */
int TextSameStartNoCase(const char *a, const char *b, int count);

/* The first (or last) place of a character or a text; null when absent. */
char *TextFindChar(const char *text, char c);
char *TextFindLastChar(const char *text, char c);
char *TextFind(const char *text, const char *part);
/* The number of characters before the first one that is in stops. */
int TextSpanTo(const char *text, const char *stops);

/* A decimal number after optional blanks and sign; digits end it. A
 * value beyond the type's range stays at its limit. */
long TextToLong(const char *text);
unsigned long TextToUnsignedLong(const char *text);

/* Bytes, for what the C library's memset, memcpy and memcmp did. */
void FillBytes(void *target, int value, unsigned int count);
void CopyBytes(void *target, const void *source, unsigned int count);
int SameBytes(const void *a, const void *b, unsigned int count);

#define TEXT_COPY(buffer, text)   TextCopy((buffer), (int)sizeof(buffer), (text))
#define TEXT_APPEND(buffer, text) TextAppend((buffer), (int)sizeof(buffer), (text))

#endif
