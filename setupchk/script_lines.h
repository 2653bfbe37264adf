/* Where sections and keys stand in SETUP.INF, for the package checker's
 * messages: found the way the profile reader finds them. */
#ifndef SETUPCHK_SCRIPT_LINES_H
#define SETUPCHK_SCRIPT_LINES_H

/* Called for each section line (key null) and each key line, with the
 * section it lies in and its line number, counting from 1. */
typedef void (*ScriptLineVisit)(const char *section, const char *key, int line,
                                void *context);

/* Visits every line of the script; 0 when it cannot be opened. */
int ForEachScriptLine(const char *path, ScriptLineVisit visit, void *context);

/* The line of the first key of that name in a section of that
 * name, or of the section's own line when key is null; 0 when absent. */
int FindScriptLine(const char *path, const char *section, const char *key);

#endif
