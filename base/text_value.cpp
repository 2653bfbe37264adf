/* A registry value read as text. */
#include "registry_read.h"
#include "text.h"

int ReadTextValue(HKEY key, const char *name, char *buffer, int size)
{
    DWORD length = (DWORD)size;
    LONG result;

    FillBytes(buffer, 0, (size_t)size);
    result = RegQueryValueExA(key, name, NULL, NULL, (BYTE *)buffer, &length);
    if (result == ERROR_MORE_DATA) {
        buffer[0] = '\0';
        return 0;
    }
    if (result != ERROR_SUCCESS) {
        FillBytes(buffer, 0, (size_t)size);
        return 1;
    }
    /* a value stored without a zero byte may fill the whole room */
    if (TextLengthWithin(buffer, size) >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}
