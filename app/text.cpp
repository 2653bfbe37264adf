/* Bounded text helpers. */
#include "text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int TextCopy(char *buffer, int size, const char *text)
{
    int i;

    if (size <= 0)
        return 0;
    if (text == NULL)
        text = "";
    for (i = 0; i < size - 1 && text[i] != '\0'; i++)
        buffer[i] = text[i];
    buffer[i] = '\0';
    return text[i] == '\0';
}

int TextAppend(char *buffer, int size, const char *text)
{
    int length;

    if (size <= 0)
        return 0;
    length = (int)strnlen(buffer, (size_t)size);
    if (length >= size) {
        /* not terminated within its size: terminate it, report the cut */
        buffer[size - 1] = '\0';
        return 0;
    }
    return TextCopy(buffer + length, size - length, text);
}

int TextFormat(char *buffer, int size, const char *format, ...)
{
    va_list args;
    int written;

    if (size <= 0)
        return 0;
    va_start(args, format);
    written = _vsnprintf(buffer, (size_t)size, format, args);
    va_end(args);
    buffer[size - 1] = '\0';
    return written >= 0 && written < size;
}

int PathJoin(char *buffer, int size, const char *first, const char *second)
{
    char path[1024];

    if (!TEXT_COPY(path, first) || !TEXT_APPEND(path, "\\") ||
        !TEXT_APPEND(path, second) || !TextCopy(buffer, size, path)) {
        if (size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return 1;
}
