/* SETUPCHK.EXE's command line and output: the settings and the file
 * table as the setup will use them, then every finding as
 * "PATH\SETUP.INF(LINE): error|warning: what. Setup: what it will do."
 * --quiet prints the findings only; --strict counts warnings as errors.
 * Exit status 0: no error, 1: errors, 2: the package cannot be read or
 * the command line is wrong. */
#include "setupchk.h"
#include "../app/setup_state.h"
#include "../app/text.h"

struct Options {
    const char *packageDir;
    int quiet;
    int check;              /* CHECK_STRICT or 0 */
};

static void PrintLine(const char *text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written;

    if (out == NULL || out == INVALID_HANDLE_VALUE)
        return;
    WriteFile(out, text, (DWORD)lstrlenA(text), &written, NULL);
    WriteFile(out, "\r\n", 2, &written, NULL);
}

static void Print(int kind, int line, const char *text, void *context)
{
    const Options *options = (const Options *)context;
    char message[1200];

    (void)line;
    switch (kind) {
    case CHECK_INFO:
        if (!options->quiet)
            PrintLine(text);
        break;
    case CHECK_FAILURE:
        TextFormat(message, sizeof(message), "SETUPCHK: %s", text);
        PrintLine(message);
        break;
    default:
        PrintLine(text);
        break;
    }
}

static int ReadOptions(int argc, char **argv, Options *options)
{
    int i;

    options->packageDir = NULL;
    options->quiet = 0;
    options->check = 0;
    for (i = 1; i < argc; i++) {
        if (lstrcmpA(argv[i], "--quiet") == 0)
            options->quiet = 1;
        else if (lstrcmpA(argv[i], "--strict") == 0)
            options->check |= CHECK_STRICT;
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            return 0;
        else if (options->packageDir == NULL)
            options->packageDir = argv[i];
        else
            return 0;
    }
    return options->packageDir != NULL;
}

int RunPackageCheck(int argc, char **argv)
{
    Options options;

    if (!ReadOptions(argc, argv, &options)) {
        PrintLine("usage: SETUPCHK PACKAGE_DIR [--strict] [--quiet]");
        return CHECK_UNREADABLE;
    }
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    return CheckPackage(options.packageDir, options.check, Print, &options);
}
