/* SETUPCHK.EXE PACKAGE_DIR [--quiet]: checks a package before it ships.
 * Prints the settings and the file table as the setup will use them and
 * every problem with its line of SETUP.INF; --quiet prints the problems
 * only. Exit status 0: no problem, 1: problems, 2: the package cannot be
 * read. */
#include "setupchk.h"
#include "../app/setup_state.h"
#include "../app/stream.h"
#include "../app/text.h"

struct Options {
    const char *packageDir;
    int quiet;
};

static Stream output;

static void PrintLine(const char *text)
{
    StreamPut(&output, text);
    StreamPut(&output, "\n");
}

static void Print(int kind, int line, const char *text, void *context)
{
    const Options *options = (const Options *)context;
    char message[1200];

    switch (kind) {
    case CHECK_INFO:
        if (!options->quiet)
            PrintLine(text);
        break;
    case CHECK_PROBLEM:
        if (line != 0)
            TextFormat(message, sizeof(message), "SETUP.INF(%d): %s", line, text);
        else
            TextFormat(message, sizeof(message), "SETUP.INF: %s", text);
        PrintLine(message);
        break;
    default:
        TextFormat(message, sizeof(message), "SETUPCHK: %s", text);
        PrintLine(message);
        break;
    }
}

static int ReadOptions(int argc, char **argv, Options *options)
{
    int i;

    options->packageDir = NULL;
    options->quiet = 0;
    for (i = 1; i < argc; i++) {
        if (TextSame(argv[i], "--quiet"))
            options->quiet = 1;
        else if (options->packageDir == NULL)
            options->packageDir = argv[i];
        else
            return 0;
    }
    return options->packageDir != NULL;
}

int main(int argc, char **argv)
{
    Options options;
    int result;

    StreamOpenOutput(&output);
    if (!ReadOptions(argc, argv, &options)) {
        PrintLine("usage: SETUPCHK PACKAGE_DIR [--quiet]");
        StreamClose(&output);
        return CHECK_UNREADABLE;
    }
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    result = CheckPackage(options.packageDir, Print, &options);
    StreamClose(&output);
    return result;
}
