/* What the compiler calls on its own: the constructor list that the
 * linker builds, and memset, memcpy and memmove for the block fills and
 * copies it writes as calls. */
#include "start.h"
#include "text.h"

#include <stddef.h>

typedef void (*Constructor)(void);

/* The linker's list: a count or -1, the constructors, a zero. */
extern "C" Constructor __CTOR_LIST__[];

void RunConstructors(void)
{
    int count = 0;

    while (__CTOR_LIST__[count + 1] != 0)
        count++;
    /* the last one listed runs first */
    while (count > 0)
        __CTOR_LIST__[count--]();
}

extern "C" void *memset(void *target, int value, size_t count)
{
    FillBytes(target, value, (unsigned int)count);
    return target;
}

extern "C" void *memcpy(void *target, const void *source, size_t count)
{
    CopyBytes(target, source, (unsigned int)count);
    return target;
}

extern "C" void *memmove(void *target, const void *source, size_t count)
{
    CopyBytes(target, source, (unsigned int)count);
    return target;
}
