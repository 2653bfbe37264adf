/* The tests' seams (see test_seams.h); compiled into the tests' builds only. */
#include "test_seams.h"

static SeamEntryHook entryHook;
static void *entryContext;
static SeamPlaceHook placeHook;
static void *placeContext;
static int environmentRead;
static long stopAfter;
static HANDLE checkpointReached;
static HANDLE checkpointGo;

/* A number from the environment; -1 when the variable is absent or not a number. */
static long NumberVariable(const char *name)
{
    char value[16];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    long number = 0;
    DWORD i;

    if (length == 0 || length >= sizeof(value))
        return -1;
    for (i = 0; i < length; i++) {
        if (value[i] < '0' || value[i] > '9')
            return -1;
        number = number * 10 + (value[i] - '0');
    }
    return number;
}

static HANDLE OpenCheckpointEvent(const char *base, const char *suffix)
{
    char name[MAX_PATH];
    int length = lstrlenA(base), i;

    if (length + lstrlenA(suffix) >= (int)sizeof(name))
        return NULL;
    for (i = 0; i < length; i++)
        name[i] = base[i];
    for (i = 0; suffix[i] != '\0'; i++)
        name[length + i] = suffix[i];
    name[length + i] = '\0';
    return OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name);
}

static void ReadEnvironment(void)
{
    char base[MAX_PATH];
    DWORD length;

    environmentRead = 1;
    stopAfter = NumberVariable(SEAM_STOP_VARIABLE);
    length = GetEnvironmentVariableA(SEAM_CHECKPOINT_VARIABLE, base, sizeof(base));
    if (length == 0 || length >= sizeof(base))
        return;
    checkpointReached = OpenCheckpointEvent(base, "-reached");
    checkpointGo = OpenCheckpointEvent(base, "-go");
}

void SeamAfterJournalEntry(long entry)
{
    if (entryHook != NULL) {
        entryHook(entry, entryContext);
        return;
    }
    if (!environmentRead)
        ReadEnvironment();
    if (checkpointReached != NULL && checkpointGo != NULL) {
        SetEvent(checkpointReached);
        WaitForSingleObject(checkpointGo, INFINITE);
    }
    if (stopAfter > 0 && entry == stopAfter)
        ExitProcess(SEAM_STOP_EXIT_CODE);
}

DWORD SeamPause(DWORD productMs)
{
    long pause = NumberVariable(SEAM_PAUSE_VARIABLE);

    return pause >= 0 ? (DWORD)pause : productMs;
}

void SeamSetEntryHook(SeamEntryHook hook, void *context)
{
    entryHook = hook;
    entryContext = context;
}

/* The writes to fail, counted down from the test's n. */
static long registryFailIn;
static long journalFailIn;

static int CountDown(long *left)
{
    if (*left <= 0)
        return 0;
    return --*left == 0;
}

int SeamRegistryWriteFails(void)
{
    return CountDown(&registryFailIn);
}

int SeamJournalWriteFails(void)
{
    return CountDown(&journalFailIn);
}

void SeamFailRegistryWrite(long n)
{
    registryFailIn = n;
}

void SeamFailJournalWrite(long n)
{
    journalFailIn = n;
}

void SeamSetPlaceHook(SeamPlaceHook hook, void *context)
{
    placeHook = hook;
    placeContext = context;
}

void SeamAt(const char *place)
{
    char stopAt[64];
    DWORD length;

    if (placeHook != NULL) {
        placeHook(place, placeContext);
        return;
    }
    length = GetEnvironmentVariableA(SEAM_STOP_AT_VARIABLE, stopAt, sizeof(stopAt));
    if (length > 0 && length < sizeof(stopAt) && lstrcmpA(stopAt, place) == 0)
        ExitProcess(SEAM_STOP_EXIT_CODE);
}

void SeamReportFlushes(long flushes)
{
    char path[MAX_PATH], text[16];
    DWORD length = GetEnvironmentVariableA(SEAM_FLUSH_REPORT_VARIABLE, path, sizeof(path));
    HANDLE file;
    int at = (int)sizeof(text);

    if (length == 0 || length >= sizeof(path))
        return;
    do {
        text[--at] = (char)('0' + flushes % 10);
        flushes /= 10;
    } while (flushes > 0 && at > 0);
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteFile(file, text + at, (DWORD)(sizeof(text) - at), &length, NULL);
    CloseHandle(file);
}
