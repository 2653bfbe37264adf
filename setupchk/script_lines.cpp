/* Line numbers of SETUP.INF. The profile reader drops blanks around
 * section and key names and compares them without regard to case; the
 * first of two equal keys is the one it reads. */
#include "script_lines.h"
#include "../app/setup_state.h"
#include "../app/stream.h"
#include "../app/text.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/* Copies text[0..length) without its surrounding blanks. */
static void CopyTrimmed(char *buffer, int size, const char *text, int length)
{
    char piece[TEXT_MAX];
    int start = 0;

    while (start < length && IsBlank(text[start]))
        start++;
    while (length > start && IsBlank(text[length - 1]))
        length--;
    if (length - start >= (int)sizeof(piece))
        length = start + (int)sizeof(piece) - 1;
    CopyBytes(piece, text + start, (size_t)(length - start));
    piece[length - start] = '\0';
    TextCopy(buffer, size, piece);
}

/* One line's start (a longer line is read on in further pieces, which
 * hold no name). Comment lines and lines without a name are passed over. */
static void VisitLine(const char *text, int line, char *section, int sectionSize,
                      ScriptLineVisit visit, void *context)
{
    const char *end;
    char key[TEXT_MAX];

    while (IsBlank(*text))
        text++;
    if (*text == '\0' || *text == ';')
        return;
    if (*text == '[' && (end = TextFindLastChar(text, ']')) != NULL) {
        CopyTrimmed(section, sectionSize, text + 1, (int)(end - text - 1));
        visit(section, NULL, line, context);
        return;
    }
    end = TextFindChar(text, '=');
    CopyTrimmed(key, sizeof(key), text, end != NULL ? (int)(end - text) : (int)lstrlenA(text));
    if (key[0] != '\0')
        visit(section, key, line, context);
}

int ForEachScriptLine(const char *path, ScriptLineVisit visit, void *context)
{
    char piece[1100];
    char section[TEXT_MAX] = "";
    int line = 0, atLineStart = 1;
    Stream file;

    if (!StreamOpen(&file, path, "rb"))
        return 0;
    while (StreamGetLine(&file, piece, sizeof(piece))) {
        if (atLineStart) {
            line++;
            VisitLine(piece, line, section, sizeof(section), visit, context);
        }
        atLineStart = TextFindChar(piece, '\n') != NULL;
    }
    StreamClose(&file);
    return 1;
}

struct LineQuery {
    const char *section;
    const char *key;
    int line;
};

static void MatchLine(const char *section, const char *key, int line, void *context)
{
    LineQuery *query = (LineQuery *)context;

    if (query->line != 0 || lstrcmpiA(section, query->section) != 0)
        return;
    if (query->key == NULL ? key == NULL : key != NULL && lstrcmpiA(key, query->key) == 0)
        query->line = line;
}

int FindScriptLine(const char *path, const char *section, const char *key)
{
    LineQuery query = { section, key, 0 };

    ForEachScriptLine(path, MatchLine, &query);
    return query.line;
}
