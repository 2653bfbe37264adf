// Benchmark: the uninstaller on a journal of 20,000 entries (a run's
// first line, 9,999 files each with its intent and its completion line,
// the run's end), written by the setup's own journal writer into the
// scratch directory, 2,000 files a directory. Prints the time of the
// removal; a removal that did not do its work (a file or the journal
// left) ends with an error and no figure.
//   uninstall_bench <scratch dir>
#include <windows.h>

#include <stdio.h>

#include "setup_state.h"
#include "text.h"
#include "journal.h"
#include "uninstall.h"

enum { FILES = 9999, PER_DIRECTORY = 2000, ENTRIES = 2 * FILES + 2 };

static double Seconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static int FilePath(char *path, int size, const char *dir, int file)
{
    return TextFormat(path, size, "%s\\D%d\\F%05d.BIN", dir, file / PER_DIRECTORY, file);
}

// The installation as the setup journals it: each file's intent, the
// file, its completion line.
static int Install(const char *dir)
{
    char path[MAX_PATH];
    DWORD written;

    JournalEnable(1);
    for (int file = 0; file < FILES; file++) {
        if (!FilePath(path, sizeof(path), dir, file))
            return 0;
        if (file % PER_DIRECTORY == 0) {
            char sub[MAX_PATH];
            TextFormat(sub, sizeof(sub), "%s\\D%d", dir, file / PER_DIRECTORY);
            CreateDirectoryA(sub, NULL);
        }
        if (!JournalFileBefore(path))
            return 0;
        HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (handle == INVALID_HANDLE_VALUE)
            return 0;
        WriteFile(handle, path, (DWORD)lstrlenA(path), &written, NULL);
        CloseHandle(handle);
        JournalFileDone(path);
    }
    JournalEnd();
    return 1;
}

static int CountEntries(const char *journalPath)
{
    Journal journal;
    int count;

    if (!JournalRead(journalPath, &journal))
        return -1;
    count = journal.damaged == 0 ? journal.count : -1;
    JournalFree(&journal);
    return count;
}

int main(int argc, char **argv)
{
    char journalPath[MAX_PATH], path[MAX_PATH];

    if (argc != 2) {
        fprintf(stderr, "usage: uninstall_bench <scratch dir>\n");
        return 2;
    }
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.productName, "Velto");
    if (!TEXT_COPY(g_setup.installDir, argv[1]) || !PathJoin(journalPath, sizeof(journalPath), argv[1], JOURNAL_NAME)) {
        fprintf(stderr, "uninstall_bench: the scratch path is too long for the setup's fields\n");
        return 1;
    }
    if (!Install(argv[1]) || CountEntries(journalPath) != ENTRIES) {
        fprintf(stderr, "uninstall_bench: error: the installation of %d files did not journal %d entries\n", FILES,
                ENTRIES);
        return 1;
    }
    if (!UninstallSetDirectory(argv[1])) {
        fprintf(stderr, "uninstall_bench: %s cannot be an installation directory\n", argv[1]);
        return 1;
    }
    double start = Seconds();
    UninstallRun();
    double elapsed = Seconds() - start;

    int left = 0;
    for (int file = 0; file < FILES; file++)
        left += FilePath(path, sizeof(path), argv[1], file) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    if (left > 0 || GetFileAttributesA(journalPath) != INVALID_FILE_ATTRIBUTES || !g_uninstall.whole) {
        fprintf(stderr, "uninstall_bench: error: the removal left %d files%s; no figure\n", left,
                GetFileAttributesA(journalPath) != INVALID_FILE_ATTRIBUTES ? " and the journal" : "");
        return 1;
    }
    printf("uninstaller, a journal of %d entries (%d files in directories of %d): %.2f s\n", ENTRIES, FILES,
           PER_DIRECTORY, elapsed);
    return 0;
}
