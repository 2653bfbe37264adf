/* SETUPCHK.EXE's command line and output: the settings and the file
 * table as the setup will use them, then every finding as
 * "PATH\SETUP.INF(LINE): error|warning: what. Setup: what it will do."
 * --quiet prints the findings only; --strict counts warnings as errors;
 * --unix-path=PATH names the package folder PATH in the findings, its path
 * on the machine that runs SETUPCHK under Wine.
 * Exit status 0: no error, 1: errors, 2: the package cannot be read or
 * the command line is wrong. */
#include "setupchk.h"
#include "setup_state.h"
#include "text.h"

struct Options {
    const char *packageDir;
    int quiet;
    int check;              /* CHECK_STRICT or 0 */
    const char *shownDir;   /* --unix-path, or null */
    const char *journal;    /* --journal: list this journal instead */
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

/* The next argument of a command line into word: blanks separate
 * arguments, double quotes group blanks into one and are dropped.
 * Returns where the following argument starts, or null at the end. 0 in
 * *fits when the argument was longer than word. */
static const char *NextArgument(const char *line, char *word, int size, int *fits)
{
    int length = 0, quoted = 0;

    while (*line == ' ' || *line == '\t')
        line++;
    if (*line == '\0')
        return NULL;
    *fits = 1;
    for (; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); line++) {
        if (*line == '"') {
            quoted = !quoted;
            continue;
        }
        if (length < size - 1)
            word[length++] = *line;
        else
            *fits = 0;
    }
    word[length] = '\0';
    return line;
}

#define UNIX_PATH_OPTION "--unix-path="

static int ReadOptions(const char *commandLine, Options *options, char *packageDir, int size,
                       char *shownDir, int shownSize, char *journal, int journalSize)
{
    char word[MAX_PATH];
    const char *next;
    int fits;

    options->packageDir = NULL;
    options->quiet = 0;
    options->check = 0;
    options->shownDir = NULL;
    options->journal = NULL;
    /* the first argument is the program itself */
    next = NextArgument(commandLine, word, sizeof(word), &fits);
    while (next != NULL && (next = NextArgument(next, word, sizeof(word), &fits)) != NULL) {
        if (!fits)
            return 0;
        if (lstrcmpA(word, "--journal") == 0 && options->journal == NULL &&
            (next = NextArgument(next, journal, journalSize, &fits)) != NULL && fits)
            options->journal = journal;
        else if (lstrcmpA(word, "--quiet") == 0)
            options->quiet = 1;
        else if (lstrcmpA(word, "--strict") == 0)
            options->check |= CHECK_STRICT;
        else if (TextSameStart(word, UNIX_PATH_OPTION, lstrlenA(UNIX_PATH_OPTION)) &&
                 word[lstrlenA(UNIX_PATH_OPTION)] != '\0' && options->shownDir == NULL &&
                 TextCopy(shownDir, shownSize, word + lstrlenA(UNIX_PATH_OPTION)))
            options->shownDir = shownDir;
        else if (word[0] == '-' && word[1] == '-')
            return 0;
        else if (options->packageDir == NULL && TextCopy(packageDir, size, word))
            options->packageDir = packageDir;
        else
            return 0;
    }
    /* a package, or a journal */
    return (options->packageDir != NULL) != (options->journal != NULL);
}

int RunPackageCheck(const char *commandLine)
{
    char packageDir[MAX_PATH], shownDir[MAX_PATH], journal[MAX_PATH];
    Options options;

    if (!ReadOptions(commandLine, &options, packageDir, sizeof(packageDir), shownDir,
                     sizeof(shownDir), journal, sizeof(journal))) {
        PrintLine("usage: SETUPCHK PACKAGE_DIR [--strict] [--quiet] [--unix-path=PATH]");
        PrintLine("       SETUPCHK --journal UNINSTAL.LOG");
        return CHECK_UNREADABLE;
    }
    if (options.journal != NULL)
        return ListJournal(options.journal, Print, &options);
    InitSetupState();
    g_setup.instance = GetModuleHandleA(NULL);
    return CheckPackageShown(options.packageDir, options.shownDir, options.check, Print,
                             &options);
}
