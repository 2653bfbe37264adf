/* Byte fills, copies and comparisons: what the C library's memset,
 * memcpy and memcmp did. Compiled so that the compiler does not turn
 * these loops back into calls of those very functions. */
#include "text.h"

void FillBytes(void *target, int value, unsigned int count)
{
    unsigned char *bytes = (unsigned char *)target;

    while (count-- > 0)
        *bytes++ = (unsigned char)value;
}

/* Front to back, or back to front where the target overlaps the source
 * further on, so an overlapping copy comes out whole. */
void CopyBytes(void *target, const void *source, unsigned int count)
{
    unsigned char *to = (unsigned char *)target;
    const unsigned char *from = (const unsigned char *)source;

    if (to <= from || to >= from + count) {
        while (count-- > 0)
            *to++ = *from++;
    } else {
        while (count-- > 0)
            to[count] = from[count];
    }
}

int SameBytes(const void *a, const void *b, unsigned int count)
{
    const unsigned char *x = (const unsigned char *)a;
    const unsigned char *y = (const unsigned char *)b;

    for (; count > 0; count--) {
        if (*x++ != *y++)
            return 0;
    }
    return 1;
}
