/* The change journal's reader: every line back into its entry, damaged
 * lines counted; the format is described in journal.h. */
#include "journal.h"
#include "text.h"
#include "file_ops.h"

static int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* Unescapes a field in place; its length, or -1 when malformed. */
static long Unescape(char *field, DWORD escapedLength)
{
    DWORD from = 0, to = 0;
    int high, low;

    if (escapedLength == 1 && field[0] == '%') {
        field[0] = '\0';
        return 0;
    }
    while (from < escapedLength) {
        if (field[from] == '%') {
            if (from + 2 >= escapedLength)
                return -1;
            high = HexValue(field[from + 1]);
            low = HexValue(field[from + 2]);
            if (high < 0 || low < 0)
                return -1;
            field[to++] = (char)(high * 16 + low);
            from += 3;
        } else {
            field[to++] = field[from++];
        }
    }
    field[to] = '\0';
    return (long)to;
}

const char *const g_journalKindNames[J_KINDS] = {
    "RUN", "NAMES", "DIR", "FILE", "DONE", "KEY", "VALUE", "LINE", "MOVE", "END", "UNDO", "SWAP"
};

/* 1 when the entry has the fields its kind needs. */
static int WellFormed(const JournalEntry *entry)
{
    static const int counts[J_KINDS] = { 3, -1, 1, -2, 3, 1, 6, 2, 2, 0, 1, 4 };
    int need = counts[entry->kind];

    if (need == -1)
        return entry->fieldCount >= 1;
    if (need == -2)
        return (entry->fieldCount == 2 && TextSame(entry->fields[1], "NEW")) ||
               (entry->fieldCount == 5 && TextSame(entry->fields[1], "OLD"));
    return entry->fieldCount == need;
}

/* One line (without its line end) into an entry; 0 when it is not one. */
static int ParseLine(char *text, DWORD length, JournalEntry *entry)
{
    DWORD star, crc, i, start;
    long got;
    int digit, kind;

    if (length < 11 || length > JOURNAL_LINE_MAX)
        return 0;
    star = length - 10;
    if (text[star] != ' ' || text[star + 1] != '*')
        return 0;
    crc = 0;
    for (i = star + 2; i < length; i++) {
        digit = HexValue(text[i]);
        if (digit < 0)
            return 0;
        crc = crc * 16 + (DWORD)digit;
    }
    if (Crc32(0, (const BYTE *)text, star) != crc)
        return 0;
    text[star] = '\0';
    for (i = 0; i < star && text[i] != ' '; i++)
        ;
    text[i] = '\0';
    for (kind = 0; kind < J_KINDS && !TextSame(text, g_journalKindNames[kind]); kind++)
        ;
    if (kind == J_KINDS)
        return 0;
    entry->kind = kind;
    entry->fieldCount = 0;
    while (i < star) {
        start = ++i;
        while (i < star && text[i] != ' ')
            i++;
        text[i] = '\0';
        if (entry->fieldCount == JOURNAL_FIELDS_MAX || i == start)
            return 0;
        got = Unescape(text + start, i - start);
        if (got < 0)
            return 0;
        entry->fields[entry->fieldCount] = text + start;
        entry->lengths[entry->fieldCount] = (DWORD)got;
        entry->fieldCount++;
    }
    return WellFormed(entry);
}

int JournalRead(const char *path, Journal *journal)
{
    HANDLE file;
    DWORD size, got, at, start, lines = 1, end;
    JournalEntry *entry;
    int whole;

    ZeroMemory(journal, sizeof(*journal));
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    size = GetFileSize(file, NULL);
    journal->text = size == INVALID_FILE_SIZE ? NULL : (char *)GlobalAlloc(GPTR, size + 1);
    whole = journal->text != NULL && ReadFile(file, journal->text, size, &got, NULL) && got == size;
    CloseHandle(file);
    if (whole) {
        for (at = 0; at < size; at++)
            lines += journal->text[at] == '\n';
        journal->entries = (JournalEntry *)GlobalAlloc(GPTR, lines * sizeof(JournalEntry));
    }
    if (!whole || journal->entries == NULL) {
        JournalFree(journal);
        return 0;
    }
    for (start = 0; start < size; start = at + 1) {
        for (at = start; at < size && journal->text[at] != '\n'; at++)
            ;
        end = at;
        if (at < size && end > start && journal->text[end - 1] == '\r')
            end--;
        entry = &journal->entries[journal->count];
        entry->offset = start;
        /* a line that does not read is damage wherever it is, also one a
         * later run closed off: nothing tells a torn line from a forged
         * one, and what it described may have happened */
        if (at >= size || !ParseLine(journal->text + start, end - start, entry)) {
            journal->damaged++;
            continue;
        }
        if (entry->kind == J_RUN) {
            journal->runs++;
            journal->lastRunEnded = 0;
        } else if (entry->kind == J_END) {
            journal->lastRunEnded = 1;
        }
        journal->count++;
    }
    return 1;
}

void JournalFree(Journal *journal)
{
    if (journal->text != NULL)
        GlobalFree(journal->text);
    if (journal->entries != NULL)
        GlobalFree(journal->entries);
    ZeroMemory(journal, sizeof(*journal));
}

int JournalEntryAt(const Journal *journal, DWORD offset, int before)
{
    int low = 0, high = before - 1, middle;

    while (low <= high) {
        middle = low + (high - low) / 2;
        if (journal->entries[middle].offset == offset)
            return middle;
        if (journal->entries[middle].offset < offset)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

int JournalNumber(const JournalEntry *entry, int field, int hex, DWORD *number)
{
    const char *text;
    DWORD i;
    int digit;

    *number = 0;
    if (field >= entry->fieldCount || entry->lengths[field] == 0 || entry->lengths[field] > (hex ? 8u : 10u))
        return 0;
    text = entry->fields[field];
    for (i = 0; i < entry->lengths[field]; i++) {
        digit = HexValue(text[i]);
        if (digit < 0 || (!hex && digit > 9))
            return 0;
        if (!hex && *number > 429496729u)
            return 0;
        *number = *number * (hex ? 16 : 10) + (DWORD)digit;
    }
    return 1;
}

int JournalText(const JournalEntry *entry, int field)
{
    return field < entry->fieldCount && (DWORD)lstrlenA(entry->fields[field]) == entry->lengths[field];
}
