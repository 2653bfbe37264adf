/* The command line as the programs' own start-up hands it on. */
#include "command_line.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

const char *CommandLineArguments(const char *commandLine)
{
    const char *p = commandLine;

    if (*p == '"') {
        for (p++; *p != '\0' && *p != '"'; p++)
            ;
        if (*p == '"')
            p++;
    } else {
        while (*p != '\0' && !IsBlank(*p))
            p++;
    }
    while (IsBlank(*p))
        p++;
    return p;
}

int SplitCommandLine(char *text, char **words, int most)
{
    char *from = text;
    char *to = text;
    int count = 0;
    int quoted;

    for (;;) {
        while (IsBlank(*from))
            from++;
        if (*from == '\0' || count == most)
            return count;
        words[count++] = to;
        for (quoted = 0; *from != '\0' && (quoted || !IsBlank(*from)); from++) {
            if (*from == '"')
                quoted = !quoted;
            else
                *to++ = *from;
        }
        /* the word ends where it was copied to; the text goes on after
         * the blank that ended it */
        if (*from != '\0')
            from++;
        *to++ = '\0';
    }
}
