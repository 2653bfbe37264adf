// Benchmark: the install page's copy phase (every file shown, the change
// journal written into the scratch directory as in an installation)
// against a bare LZ32 open-copy-close loop over the same package, in the
// same run. After
// every round each target must hold the expanded bytes the manifest
// gives (lines "relative-path size crc32-in-hex"); a round that did not
// do its work ends the benchmark with an error and no figure.
//   install_bench <package dir> <scratch dir> <manifest>
#include <windows.h>
#include <lzexpand.h>

#include <stdio.h>
#include <string.h>

#include "setup_state.h"
#include "text.h"
#include "file_ops.h"
#include "install_test.h"
#include "resource.h"
#include "journal.h"
#include "setup_script.h"
#include "page_host.h"

static double Seconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// The same files, opened, copied and closed with nothing around them.
static void BareLoop(void)
{
    char source[TEXT_MAX], target[TEXT_MAX];
    OFSTRUCT openRecord;
    for (int disk = 0; disk < g_setup.diskCount; disk++) {
        for (int file = 0; file < g_setup.fileCounts[disk]; file++) {
            BuildSourcePath(source, sizeof(source), disk, file);
            BuildTargetPath(target, sizeof(target), disk, file);
            INT in = LZOpenFileA(source, &openRecord, OF_READ);
            INT out = LZOpenFileA(target, &openRecord, OF_CREATE);
            LZCopy(in, out);
            LZClose(in);
            LZClose(out);
        }
    }
}

enum { MANIFEST_MAX = 4096 };

struct Expected {
    char path[TEXT_MAX];    /* the target's full path */
    unsigned long size;
    unsigned long crc;
};

static Expected g_expected[MANIFEST_MAX];
static int g_expectedCount;

static unsigned long Crc32(unsigned long crc, const unsigned char *bytes, size_t count)
{
    static unsigned long table[256];
    if (table[1] == 0)
        for (unsigned long n = 0; n < 256; n++) {
            unsigned long c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc & 0xFFFFFFFFUL;
    for (size_t i = 0; i < count; i++)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc & 0xFFFFFFFFUL;
}

static int ReadManifest(const char *manifest, const char *scratch)
{
    FILE *file = fopen(manifest, "r");
    if (file == NULL) {
        fprintf(stderr, "install_bench: cannot read the manifest %s\n", manifest);
        return 0;
    }
    char name[TEXT_MAX];
    unsigned long size, crc;
    g_expectedCount = 0;
    while (fscanf(file, "%255s %lu %lx", name, &size, &crc) == 3) {
        Expected *entry = &g_expected[g_expectedCount];
        if (g_expectedCount == MANIFEST_MAX || !PathJoin(entry->path, sizeof(entry->path), scratch, name)) {
            fprintf(stderr, "install_bench: manifest entry %s does not fit\n", name);
            fclose(file);
            return 0;
        }
        entry->size = size;
        entry->crc = crc;
        g_expectedCount++;
    }
    fclose(file);
    if (g_expectedCount == 0)
        fprintf(stderr, "install_bench: the manifest %s lists no file\n", manifest);
    return g_expectedCount > 0;
}

// Every target goes before a round, so what a round leaves is its own.
static void RemoveTargets(void)
{
    for (int i = 0; i < g_expectedCount; i++)
        DeleteFileA(g_expected[i].path);
}

// 1 when every target holds its expected bytes; else says which does not.
static int TargetsWritten(const char *what, int round)
{
    static unsigned char chunk[65536];
    for (int i = 0; i < g_expectedCount; i++) {
        const Expected *entry = &g_expected[i];
        FILE *file = fopen(entry->path, "rb");
        unsigned long size = 0, crc = 0;
        size_t got;
        if (file != NULL) {
            while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) {
                crc = Crc32(crc, chunk, got);
                size += (unsigned long)got;
            }
            fclose(file);
        }
        if (file == NULL || size != entry->size || crc != entry->crc) {
            fprintf(stderr, "install_bench: error: round %d of the %s did not do its work: ", round, what);
            if (file == NULL)
                fprintf(stderr, "%s was not written\n", entry->path);
            else
                fprintf(stderr, "%s holds %lu bytes with CRC %08lx, expected %lu bytes with CRC %08lx\n",
                        entry->path, size, crc, entry->size, entry->crc);
            fprintf(stderr, "install_bench: no figure\n");
            return 0;
        }
    }
    return 1;
}

static double CopyPhase(HWND page, HDC dc)
{
    g_setup.pageResult = PAGE_NEXT;
    double start = Seconds();
    CopyFileTable(page, dc);
    return Seconds() - start;
}

static double Bare(void)
{
    double start = Seconds();
    BareLoop();
    return Seconds() - start;
}

static void Sort(double *values, int count)
{
    for (int i = 1; i < count; i++)
        for (int j = i; j > 0 && values[j] < values[j - 1]; j--) {
            double swap = values[j];
            values[j] = values[j - 1];
            values[j - 1] = swap;
        }
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: install_bench <package dir> <scratch dir> <manifest>\n");
        return 2;
    }
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.productName, "Velto");
    char program[TEXT_MAX];
    if (!TEXT_COPY(g_setup.windowsDir, argv[2]) || !PathJoin(program, sizeof(program), argv[1], "SETUP.EXE")) {
        fprintf(stderr, "install_bench: the package or scratch path is too long for the setup's fields\n");
        return 1;
    }
    if (!LoadSetupScriptFrom(program)) {
        fprintf(stderr, "install_bench: cannot load %s's script\n", program);
        return 1;
    }
    // The script's default path replaces the destination: set it after.
    if (!TEXT_COPY(g_setup.installDir, argv[2])) {
        fprintf(stderr, "install_bench: the scratch path is too long for the setup's fields\n");
        return 1;
    }
    if (!ReadManifest(argv[3], argv[2]))
        return 1;
    int files = 0;
    for (int disk = 0; disk < g_setup.diskCount; disk++)
        files += g_setup.fileCounts[disk];

    HWND page = CreatePage("SETUP_INSTALL", InstallPageProc, IDD_INSTALL);
    ShowWindow(page, SW_SHOW);
    UpdateWindow(page);
    HDC dc = GetDC(page);

    enum { ROUNDS = 5 };
    double copy[ROUNDS], bare[ROUNDS], unjournaled[ROUNDS];
    long flushes = 0, before;
    RemoveTargets();
    Bare();  // warms the file cache
    int done = TargetsWritten("bare LZ32 loop (the warm-up)", 0);
    for (int round = 1; done && round <= ROUNDS; round++) {
        RemoveTargets();
        before = FileFlushCount();
        copy[round - 1] = CopyPhase(page, dc);
        flushes += FileFlushCount() - before;
        done = TargetsWritten("copy phase", round);
        RemoveTargets();
        if (done) {
            bare[round - 1] = Bare();
            done = TargetsWritten("bare LZ32 loop", round);
        }
        // the same copy phase with the journal off, to show its share
        RemoveTargets();
        if (done) {
            JournalEnable(0);
            unjournaled[round - 1] = CopyPhase(page, dc);
            JournalEnable(1);
            done = TargetsWritten("copy phase without the journal", round);
        }
    }
    ReleaseDC(page, dc);
    DestroyWindow(page);
    FreeFileTable();
    if (!done)
        return 1;
    // the journal was on: every round's every file has its two entries
    JournalClose();
    char journalPath[TEXT_MAX];
    Journal journal;
    int fileEntries = 0;
    if (BuildJournalPath(journalPath, sizeof(journalPath)) && JournalRead(journalPath, &journal)) {
        for (int i = 0; i < journal.count; i++)
            fileEntries += journal.entries[i].kind == J_FILE || journal.entries[i].kind == J_DONE;
        JournalFree(&journal);
    }
    if (fileEntries < 2 * files * ROUNDS) {
        fprintf(stderr, "install_bench: error: the journal holds %d file entries, expected %d; no figure\n",
                fileEntries, 2 * files * ROUNDS);
        return 1;
    }

    Sort(copy, ROUNDS);
    Sort(bare, ROUNDS);
    Sort(unjournaled, ROUNDS);
    printf("files: %d in %d disks\n", files, g_setup.diskCount);
    printf("copy phase (median of %d): %.3f s\n", ROUNDS, copy[ROUNDS / 2]);
    printf("bare LZ32 loop (median of %d): %.3f s\n", ROUNDS, bare[ROUNDS / 2]);
    printf("ratio copy/bare: %.3f (goal 1.5; 2.03 on x64 before entries that destroy were flushed, "
           "so at most 2.23)\n", copy[ROUNDS / 2] / bare[ROUNDS / 2]);
    printf("journal: %d file entries; %ld flushes to the disk in the %d journaled copy phases "
           "(new files wait for the next flush)\n", fileEntries, flushes, ROUNDS);
    printf("copy phase without the journal (median of %d): %.3f s, ratio %.3f\n", ROUNDS,
           unjournaled[ROUNDS / 2], unjournaled[ROUNDS / 2] / bare[ROUNDS / 2]);
    printf("bare LZ32 loop per file (median of %d): %.4f ms\n", ROUNDS, 1000.0 * bare[ROUNDS / 2] / files);
    printf("copy phase per file (median of %d): %.4f ms\n", ROUNDS, 1000.0 * copy[ROUNDS / 2] / files);
    return 0;
}
