// Benchmark: the install page's copy phase against a bare LZ32
// open-copy-close loop over the same package, in the same run.
//   install_bench <package dir> <scratch dir>
#include <windows.h>
#include <lzexpand.h>

#include <stdio.h>
#include <string.h>

#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/install.h"
#include "../res/resource.h"
#include "../script/setup_script.h"
#include "../ui/page_host.h"

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
    if (argc < 3) {
        fprintf(stderr, "usage: install_bench <package dir> <scratch dir>\n");
        return 2;
    }
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    TEXT_COPY(g_setup.productName, "Velto");
    TEXT_COPY(g_setup.windowsDir, argv[2]);
    char program[TEXT_MAX];
    TEXT_COPY(program, argv[1]);
    TEXT_APPEND(program, "\\SETUP.EXE");
    if (!LoadSetupScriptFrom(program))
        return 1;
    TEXT_COPY(g_setup.installDir, argv[2]);
    int files = 0;
    for (int disk = 0; disk < g_setup.diskCount; disk++)
        files += g_setup.fileCounts[disk];

    HWND page = CreatePage("SETUP_INSTALL", InstallPageProc, IDD_INSTALL);
    ShowWindow(page, SW_SHOW);
    UpdateWindow(page);
    HDC dc = GetDC(page);

    enum { ROUNDS = 5 };
    double copy[ROUNDS], bare[ROUNDS];
    Bare();  // warms the file cache
    for (int round = 0; round < ROUNDS; round++) {
        copy[round] = CopyPhase(page, dc);
        bare[round] = Bare();
    }
    ReleaseDC(page, dc);
    DestroyWindow(page);
    FreeFileTable();

    Sort(copy, ROUNDS);
    Sort(bare, ROUNDS);
    printf("files: %d in %d disks\n", files, g_setup.diskCount);
    printf("copy phase (median of %d): %.3f s\n", ROUNDS, copy[ROUNDS / 2]);
    printf("bare LZ32 loop (median of %d): %.3f s\n", ROUNDS, bare[ROUNDS / 2]);
    printf("ratio copy/bare: %.3f (target 1.25)\n", copy[ROUNDS / 2] / bare[ROUNDS / 2]);
    return 0;
}
