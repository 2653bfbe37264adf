/* The start of a console program: main with the command line split
 * into words. */
#include "command_line.h"
#include "start.h"
#include "text.h"

#include <windows.h>

#define ARGUMENTS_MAX 64

int main(int argc, char **argv);

/* The compiler calls this from main to run the constructors, which the
 * start below has already run. */
extern "C" void __main(void)
{
}

extern "C" void mainCRTStartup(void)
{
    static char *words[ARGUMENTS_MAX + 1];
    const char *commandLine = GetCommandLineA();
    char *text = (char *)GlobalAlloc(GMEM_FIXED, (SIZE_T)lstrlenA(commandLine) + 1);
    int count = 0;
    int result;

    if (text != NULL) {
        TextCopy(text, lstrlenA(commandLine) + 1, commandLine);
        count = SplitCommandLine(text, words, ARGUMENTS_MAX);
    }
    words[count] = NULL;
    RunConstructors();
    result = main(count, words);
    if (text != NULL)
        GlobalFree(text);
    ExitProcess((UINT)result);
}
