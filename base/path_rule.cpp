/* The path rule that SETUP.EXE's package check, UNINSTAL.EXE's entry
 * check and SETUPCHK share; described in path_rule.h. */
#include "path_rule.h"
#include "text.h"

#include <windows.h>

int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

/* Compares the first `length` characters of a piece with a name, without
 * regard to case. */
static int SameName(const char *piece, int length, const char *name)
{
    int i;

    for (i = 0; i < length; i++) {
        if (name[i] == '\0' || UpperAscii(piece[i]) != name[i])
            return 0;
    }
    return name[i] == '\0';
}

int TrimmedLength(const char *step, int length)
{
    while (length > 0 && (step[length - 1] == '.' || step[length - 1] == ' '))
        length--;
    return length;
}

int IsDeviceName(const char *step, int length)
{
    static const char *const devices[] = {
        "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$",
    };
    int i, base;

    /* the name before its extension, without the blanks before the dot */
    for (base = 0; base < length && step[base] != '.'; base++)
        ;
    while (base > 0 && step[base - 1] == ' ')
        base--;
    /* COM1 to COM9 and LPT1 to LPT9 */
    if (base == 4 && (SameName(step, 3, "COM") || SameName(step, 3, "LPT")) && step[3] >= '1' &&
        step[3] <= '9')
        return 1;
    for (i = 0; i < (int)(sizeof(devices) / sizeof(devices[0])); i++) {
        if (SameName(step, base, devices[i]))
            return 1;
    }
    return 0;
}

int IsWindowsOwnFile(const char *name)
{
    static const char *const endings[] = { ".INI", ".DAT", ".DA0", ".SYS", ".COM" };
    static const char *const names[] = {
        "KRNL386.EXE", "GDI.EXE", "USER.EXE", "EXPLORER.EXE", "WININIT.EXE",
        "REGEDIT.EXE", "AUTOEXEC.BAT", "VMM32.VXD", "KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
        "ADVAPI32.DLL", "SHELL32.DLL", "COMDLG32.DLL", "LZ32.DLL",
    };
    const char *last = name;
    int length, i;

    for (; *name != '\0'; name++) {
        if (*name == '\\' || *name == '/')
            last = name + 1;
    }
    length = TrimmedLength(last, lstrlenA(last));
    for (i = 0; i < (int)(sizeof(endings) / sizeof(endings[0])); i++) {
        if (length >= 4 && SameName(last + length - 4, 4, endings[i]))
            return 1;
    }
    for (i = 0; i < (int)(sizeof(names) / sizeof(names[0])); i++) {
        if (SameName(last, length, names[i]))
            return 1;
    }
    return 0;
}

/* ---- full paths ---- */

int CanonicalPath(char *canonical, int size, const char *path)
{
    char built[MAX_PATH];
    int length = 2, i, start, end, trimmed, dots, up;

    if (size > 0)
        canonical[0] = '\0';
    if (path == NULL || !((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) ||
        path[1] != ':' || !IsSeparator(path[2]))
        return 0;
    built[0] = path[0];
    built[1] = ':';
    for (start = 3;; start = end + 1) {
        for (end = start; path[end] != '\0' && !IsSeparator(path[end]); end++)
            ;
        trimmed = TrimmedLength(path + start, end - start);
        if (trimmed == 0 && end > start) {
            /* dots (and blanks): "." stays, ".." one up, "..." two */
            for (dots = 0, i = start; i < end; i++)
                dots += path[i] == '.';
            for (up = dots - 1; up > 0 && length > 2; up--) {
                while (length > 2 && built[length - 1] != '\\')
                    length--;
                length--;
            }
        } else if (trimmed > 0) {
            if (length + 1 + trimmed >= (int)sizeof(built))
                return 0;
            built[length++] = '\\';
            CopyBytes(built + length, path + start, (unsigned)trimmed);
            length += trimmed;
        }
        if (path[end] == '\0')
            break;
    }
    if (length == 2)
        built[length++] = '\\';
    built[length] = '\0';
    if (!TextCopy(canonical, size, built)) {
        canonical[0] = '\0';
        return 0;
    }
    return 1;
}

int IsPlainFullPath(const char *path)
{
    char canonical[MAX_PATH];
    int start, i;

    if (!CanonicalPath(canonical, sizeof(canonical), path) || !TextSame(canonical, path))
        return 0;
    for (i = 2; path[i] != '\0'; i++) {
        if ((unsigned char)path[i] < 0x20 || TextFindChar(":*?<>|\"", path[i]) != NULL)
            return 0;
    }
    for (start = 3, i = 3;; i++) {
        if (path[i] != '\\' && path[i] != '\0')
            continue;
        if (IsDeviceName(path + start, i - start))
            return 0;
        if (path[i] == '\0')
            return 1;
        start = i + 1;
    }
}

int PathSame(const char *a, const char *b)
{
    int length = lstrlenA(a);

    return length == lstrlenA(b) && TextSameStartNoCase(a, b, length);
}

int PathWithin(const char *path, const char *dir)
{
    char full[MAX_PATH], base[MAX_PATH];
    int length;

    if (!CanonicalPath(full, sizeof(full), path) || !CanonicalPath(base, sizeof(base), dir))
        return 0;
    length = lstrlenA(base);
    if (base[length - 1] == '\\')   /* the root */
        length--;
    return lstrlenA(full) > length + 1 && TextSameStartNoCase(full, base, length) &&
           full[length] == '\\';
}

