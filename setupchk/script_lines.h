/* The lines of SETUP.INF as the profile reader sees them, for the
 * package checker: where each section and key stands, how long each line
 * really is, and in which encoding the file is written. */
#ifndef SETUPCHK_SCRIPT_LINES_H
#define SETUPCHK_SCRIPT_LINES_H

#include "setup_state.h"

#define SCRIPT_ANSI         0
#define SCRIPT_UTF8_BOM     1   /* begins with the bytes EF BB BF */
#define SCRIPT_UTF16        2   /* a byte-order mark FF FE or FE FF, or zero bytes */

#define LINE_SECTION        1
#define LINE_KEY            2

struct ScriptLine {
    int number;             /* from 1 */
    int kind;               /* LINE_SECTION or LINE_KEY */
    int section;            /* index of its section's line, -1 outside any */
    int length;             /* characters of the whole line, its end not counted */
    int valueLength;        /* a key's value, blanks around it not counted */
    char name[TEXT_MAX];    /* section or key name without blanks around it */
};

struct ScriptText {
    ScriptLine *lines;      /* sections and keys only; comments and blank lines left out */
    int count;
    int lineCount;          /* every line of the file */
    int encoding;           /* SCRIPT_... */
    DWORD size;             /* bytes */
};

/* Reads the file's lines; 0 when it cannot be read. A UTF-16 file is
 * not split into lines. */
int LoadScriptLines(const char *path, ScriptText *text);
void FreeScriptLines(ScriptText *text);

/* Index of the section the profile reader reads under that name (the
 * first of that name), or -1. */
int FindScriptSection(const ScriptText *text, const char *section);
/* The line of the key the reader reads (the first of that name in that
 * section), or of the section's own line when key is null; 0 when absent. */
int FindScriptLine(const ScriptText *text, const char *section, const char *key);
/* The entry of a line number, or null. */
const ScriptLine *ScriptLineAt(const ScriptText *text, int number);

#endif
