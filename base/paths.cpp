/* The platform's paths, asked in one place so that a test's system
 * directory reaches every program the same way. */
#include "paths.h"
#include "text.h"

#include <windows.h>

const char *g_systemDirHook = NULL;

/* A length the platform reported for a buffer of size: 0 or too long
 * empties it. */
static int Fitted(char *buffer, int size, UINT length)
{
    if (length == 0 || length >= (UINT)size) {
        if (size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int ReadWindowsDirectory(char *buffer, int size)
{
    return Fitted(buffer, size, GetWindowsDirectoryA(buffer, (UINT)size));
}

int ReadSystemDirectory(char *buffer, int size)
{
    if (g_systemDirHook != NULL)
        return TextCopy(buffer, size, g_systemDirHook) && buffer[0] != '\0';
    return Fitted(buffer, size, GetSystemDirectoryA(buffer, (UINT)size));
}

int FullPath(char *full, int size, const char *path)
{
    char *name;

    return Fitted(full, size, GetFullPathNameA(path, (DWORD)size, full, &name));
}

int PathDirectory(char *dir, int size, const char *path)
{
    int end = lstrlenA(path);

    while (end > 0 && path[end - 1] != '\\')
        end--;
    if (end <= 1 || end > size)
        return 0;
    TextCopy(dir, end, path);   /* the path up to its last separator */
    return 1;
}

int PathOnRemovableDrive(const char *path, char *drive, int size)
{
    char root[4];

    if (size > 0)
        drive[0] = '\0';
    if (path[0] == '\0' || path[1] != ':')
        return 0;
    root[0] = path[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
    if (GetDriveTypeA(root) != DRIVE_REMOVABLE)
        return 0;
    root[2] = '\0';
    return TextCopy(drive, size, root);
}
