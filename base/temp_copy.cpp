/* Carrying on from a copy in TEMP (see temp_copy.h). */
#include "temp_copy.h"
#include "paths.h"
#include "text.h"

#include <windows.h>

int OwnPath(char *path, int size)
{
    char module[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, module, sizeof(module));

    if (length == 0 || length >= sizeof(module))
        return 0;
    module[length] = '\0';
    return FullPath(path, size, module);
}

int StartCopyInTemp(const char *ownPath, const char *namePattern, const char *dir)
{
    char temp[MAX_PATH], copy[MAX_PATH], name[16], line[3 * MAX_PATH];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD length = GetTempPathA(sizeof(temp), temp);
    int n;

    if (length == 0 || length >= sizeof(temp))
        return 0;
    if (length > 3 && temp[length - 1] == '\\')
        temp[length - 1] = '\0';
    for (n = 0; n < 1000; n++) {
        TextFormat(name, sizeof(name), namePattern, n % 100);
        if (!PathJoin(copy, sizeof(copy), temp, name))
            return 0;
        if (CopyFileA(ownPath, copy, TRUE))
            break;
        if (n >= 99)
            return 0;
    }
    TextFormat(line, sizeof(line), "\"%s\" " COPY_SWITCH "%lu %s", copy, (unsigned long)GetCurrentProcessId(),
               dir);
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(copy, line, NULL, NULL, FALSE, 0, NULL, temp, &startup, &process)) {
        DeleteFileA(copy);
        return 0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

/* "/from <process id> <directory>": the copy's command line. Waits for
 * the program that started it to end, so that its file can go. */
int ReadCopyCommand(const char *commandLine, char *dir, int size)
{
    const char *at = commandLine;
    DWORD id = 0;
    HANDLE starter;
    int i;

    for (i = 0; COPY_SWITCH[i] != '\0'; i++, at++) {
        if (*at != COPY_SWITCH[i])
            return 0;
    }
    while (*at >= '0' && *at <= '9')
        id = id * 10 + (DWORD)(*at++ - '0');
    if (*at++ != ' ' || !TextCopy(dir, size, at))
        return 0;
    starter = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (starter != NULL) {
        WaitForSingleObject(starter, 10000);
        CloseHandle(starter);
    }
    return 1;
}

