/* The command line as the programs' own start-up hands it on. */
#ifndef SETUP_COMMAND_LINE_H
#define SETUP_COMMAND_LINE_H

/* The arguments: the text after the program's name (quoted or not)
 * and the blanks that follow it. */
const char *CommandLineArguments(const char *commandLine);

/* Splits text in place into at most most words, the program's name
 * first; blanks part them, a pair of quotes holds blanks in (the quotes
 * go), a backslash is an ordinary character. Returns the count. */
int SplitCommandLine(char *text, char **words, int most);

#endif
