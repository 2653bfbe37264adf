/* Lines of SETUP.INF. The profile reader drops blanks around section and
 * key names and compares them without regard to case; of two sections of
 * one name it reads the first only, and of two equal keys in it the
 * first. */
#include "script_lines.h"
#include "text.h"

#define SCRIPT_SIZE_MAX (64u << 20)     /* larger files are not read */

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

/* text[0..length) without blanks around it, cut to the buffer. */
static void CopyTrimmed(char *buffer, int size, const char *text, int length)
{
    int start = 0;

    while (start < length && IsBlank(text[start]))
        start++;
    while (length > start && IsBlank(text[length - 1]))
        length--;
    if (length - start > size - 1)
        length = start + size - 1;
    TextCopy(buffer, length - start + 1, text + start);
}

static int TrimmedLength(const char *text, int length)
{
    int start = 0;

    while (start < length && IsBlank(text[start]))
        start++;
    while (length > start && IsBlank(text[length - 1]))
        length--;
    return length - start;
}

static int AddLine(ScriptText *text, int *capacity, const ScriptLine *line)
{
    HANDLE heap = GetProcessHeap();
    ScriptLine *grown;

    if (text->count == *capacity) {
        *capacity = *capacity == 0 ? 64 : *capacity * 2;
        grown = (ScriptLine *)(text->lines == NULL
                    ? HeapAlloc(heap, 0, (SIZE_T)*capacity * sizeof(ScriptLine))
                    : HeapReAlloc(heap, 0, text->lines, (SIZE_T)*capacity * sizeof(ScriptLine)));
        if (grown == NULL)
            return 0;
        text->lines = grown;
    }
    text->lines[text->count++] = *line;
    return 1;
}

/* One line [start, start + length): a section, a key, or nothing kept. */
static int ReadLine(ScriptText *text, int *capacity, int *section, const char *start,
                    int length, int number)
{
    ScriptLine line;
    int i = 0, close, equals;

    while (i < length && IsBlank(start[i]))
        i++;
    if (i == length || start[i] == ';')
        return 1;
    line.number = number;
    line.length = length;
    line.valueLength = 0;
    if (start[i] == '[') {
        for (close = length - 1; close > i && start[close] != ']'; close--)
            ;
        if (close > i) {
            line.kind = LINE_SECTION;
            CopyTrimmed(line.name, sizeof(line.name), start + i + 1, close - i - 1);
            line.section = text->count;
            *section = text->count;
            return AddLine(text, capacity, &line);
        }
    }
    for (equals = i; equals < length && start[equals] != '='; equals++)
        ;
    line.kind = LINE_KEY;
    line.section = *section;
    CopyTrimmed(line.name, sizeof(line.name), start + i, equals - i);
    if (equals < length)
        line.valueLength = TrimmedLength(start + equals + 1, length - equals - 1);
    if (line.name[0] == '\0')
        return 1;
    return AddLine(text, capacity, &line);
}

static int EncodingOf(const unsigned char *bytes, DWORD size)
{
    DWORD i;

    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) ||
                      (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return SCRIPT_UTF16;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        return SCRIPT_UTF8_BOM;
    /* UTF-16 without a mark: zero bytes among the first characters */
    for (i = 0; i < size && i < 64; i++) {
        if (bytes[i] == 0)
            return SCRIPT_UTF16;
    }
    return SCRIPT_ANSI;
}

int LoadScriptLines(const char *path, ScriptText *text)
{
    HANDLE file, heap = GetProcessHeap();
    char *bytes;
    DWORD got = 0, i, lineStart, end;
    int capacity = 0, section = -1, number = 0;

    text->lines = NULL;
    text->count = 0;
    text->lineCount = 0;
    text->encoding = SCRIPT_ANSI;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    text->size = GetFileSize(file, NULL);
    if (text->size == INVALID_FILE_SIZE || text->size > SCRIPT_SIZE_MAX) {
        CloseHandle(file);
        return 0;
    }
    bytes = (char *)HeapAlloc(heap, 0, text->size + 1);
    if (bytes == NULL || !ReadFile(file, bytes, text->size, &got, NULL) || got != text->size) {
        if (bytes != NULL)
            HeapFree(heap, 0, bytes);
        CloseHandle(file);
        return 0;
    }
    CloseHandle(file);
    bytes[got] = '\0';
    text->encoding = EncodingOf((const unsigned char *)bytes, got);
    if (text->encoding != SCRIPT_UTF16) {
        lineStart = text->encoding == SCRIPT_UTF8_BOM ? 3 : 0;
        for (i = lineStart; i <= got; i++) {
            if (i < got && bytes[i] != '\n')
                continue;
            end = i;
            if (end > lineStart && bytes[end - 1] == '\r')
                end--;
            if (i < got || end > lineStart) {
                number++;
                if (!ReadLine(text, &capacity, &section, bytes + lineStart,
                              (int)(end - lineStart), number))
                    break;
            }
            lineStart = i + 1;
        }
    }
    text->lineCount = number;
    HeapFree(heap, 0, bytes);
    return 1;
}

void FreeScriptLines(ScriptText *text)
{
    if (text->lines != NULL)
        HeapFree(GetProcessHeap(), 0, text->lines);
    text->lines = NULL;
    text->count = 0;
}

int FindScriptSection(const ScriptText *text, const char *section)
{
    int i;

    for (i = 0; i < text->count; i++) {
        if (text->lines[i].kind == LINE_SECTION && lstrcmpiA(text->lines[i].name, section) == 0)
            return i;
    }
    return -1;
}

int FindScriptLine(const ScriptText *text, const char *section, const char *key)
{
    int s = FindScriptSection(text, section);
    int i;

    if (s < 0)
        return 0;
    if (key == NULL)
        return text->lines[s].number;
    for (i = s + 1; i < text->count && text->lines[i].kind == LINE_KEY; i++) {
        if (lstrcmpiA(text->lines[i].name, key) == 0)
            return text->lines[i].number;
    }
    return 0;
}

const ScriptLine *ScriptLineAt(const ScriptText *text, int number)
{
    int low = 0, high = text->count - 1, middle;

    while (low <= high) {
        middle = (low + high) / 2;
        if (text->lines[middle].number == number)
            return &text->lines[middle];
        if (text->lines[middle].number < number)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return NULL;
}
