/* A change journal (UNINSTAL.LOG) in plain words, for SETUPCHK --journal:
 * every run and every entry with its line, each damaged line marked. The
 * entries come from the journal's own reader; the lines it could not take
 * are found by their places in the file. */
#include "setupchk.h"
#include "check_run.h"
#include "text.h"
#include "journal.h"

#define SHOWN_MAX   64          /* bytes of a value's data shown */

struct Listing {
    CheckOutput output;
    void *context;
    const char *bytes;          /* the file as it is */
    DWORD size;
    DWORD *lineStarts;          /* offset of each line, from line 1 */
    int lineCount;
};

static void Tell(const Listing *listing, int kind, int line, const char *text)
{
    listing->output(kind, line, text, listing->context);
}

/* The line of the file at an offset, or 0. */
static int LineAt(const Listing *listing, DWORD offset)
{
    int low = 0, high = listing->lineCount - 1, middle;

    while (low <= high) {
        middle = (low + high) / 2;
        if (listing->lineStarts[middle] == offset)
            return middle + 1;
        if (listing->lineStarts[middle] < offset)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return 0;
}

/* A field as text for a line: control characters (and zero bytes) by
 * name, cut with "..." when long. */
static void BytesText(char *buffer, int size, const char *bytes, DWORD length)
{
    char name[8], one[2];
    DWORD i;
    unsigned char c;

    buffer[0] = '\0';
    one[1] = '\0';
    for (i = 0; i < length; i++) {
        if (lstrlenA(buffer) >= size - 12) {
            TextAppend(buffer, size, "...");
            return;
        }
        c = (unsigned char)bytes[i];
        if (c < 0x20) {
            ControlName(name, sizeof(name), c);
            TextAppend(buffer, size, name);
        } else {
            one[0] = (char)c;
            TextAppend(buffer, size, one);
        }
    }
}

static void FieldText(char *buffer, int size, const JournalEntry *entry, int field)
{
    if (field < entry->fieldCount)
        BytesText(buffer, size, entry->fields[field], entry->lengths[field]);
    else if (size > 0)
        buffer[0] = '\0';
}

/* A registry value's data: a text in quotes, a number, or bytes in hex. */
static void ValueText(char *buffer, int size, const JournalEntry *entry, int typeField)
{
    char piece[16], text[TEXT_MAX];
    const BYTE *data = (const BYTE *)entry->fields[typeField + 1];
    DWORD type = 0, length = entry->lengths[typeField + 1], i, value = 0;

    JournalNumber(entry, typeField, 0, &type);
    /* a text as the registry gives it back ends in a zero */
    if ((type == REG_SZ || type == REG_EXPAND_SZ) &&
        (DWORD)lstrlenA((const char *)data) >= length - (length > 0 && data[length - 1] == 0)) {
        BytesText(text, sizeof(text), (const char *)data,
                  length - (length > 0 && data[length - 1] == 0));
        TextFormat(buffer, size, "\"%s\"", text);
        return;
    }
    if (type == REG_DWORD && length == 4) {
        for (i = 4; i > 0; i--)
            value = value * 256 + data[i - 1];
        TextFormat(buffer, size, "%lu (a number)", (unsigned long)value);
        return;
    }
    TextFormat(buffer, size, "%lu bytes:", (unsigned long)length);
    for (i = 0; i < length && i < SHOWN_MAX; i++) {
        TextFormat(piece, sizeof(piece), " %02X", (unsigned)data[i]);
        TextAppend(buffer, size, piece);
    }
    if (length > SHOWN_MAX)
        TextAppend(buffer, size, " ...");
}

static void DescribeValue(char *text, int size, const JournalEntry *entry)
{
    char key[TEXT_MAX], name[TEXT_MAX], now[MESSAGE_MAX / 2], before[MESSAGE_MAX / 2];

    FieldText(key, sizeof(key), entry, 0);
    FieldText(name, sizeof(name), entry, 1);
    ValueText(now, sizeof(now), entry, 4);
    if (TextSame(entry->fields[2], "-"))
        TEXT_COPY(before, "it did not exist");
    else if (TextSame(entry->fields[2], "?"))
        TEXT_COPY(before, "too long to keep");
    else
        ValueText(before, sizeof(before), entry, 2);
    TextFormat(text, size, "sets %s: %s = %s (was: %s)", key, name[0] != '\0' ? name : "(default)",
               now, before);
}

static void Describe(char *text, int size, const Listing *listing, const JournalEntry *entry,
                     int run)
{
    char a[TEXT_MAX], b[TEXT_MAX], c[TEXT_MAX];
    DWORD number = 0;
    int i;

    FieldText(a, sizeof(a), entry, 0);
    FieldText(b, sizeof(b), entry, 1);
    switch (entry->kind) {
    case J_RUN:
        FieldText(c, sizeof(c), entry, 2);
        TextFormat(text, size, "run %d: %s of \"%s\" (journal version %s)", run,
                   TextSame(b, "U") ? "SETUP.EXE -u (the mouse registered again)"
                                    : "an installation", c, a);
        break;
    case J_NAMES:
        TextCopy(text, size, "the package's files for the Windows directories:");
        for (i = 0; i < entry->fieldCount; i++) {
            FieldText(c, sizeof(c), entry, i);
            TextAppend(text, size, " ");
            TextAppend(text, size, c);
        }
        break;
    case J_DIR:
        TextFormat(text, size, "makes directory %s", a);
        break;
    case J_FILE:
        if (entry->fieldCount == 2) {
            TextFormat(text, size, "writes new file %s", a);
            break;
        }
        JournalNumber(entry, 2, 0, &number);
        FieldText(c, sizeof(c), entry, 4);
        TextFormat(text, size, "writes over file %s (it was %lu bytes, checksum %s; saved "
                   "first as %s)", a, (unsigned long)number, entry->fields[3], c);
        break;
    case J_DONE:
        JournalNumber(entry, 1, 0, &number);
        TextFormat(text, size, "  completed %s: %lu bytes, checksum %s", a,
                   (unsigned long)number, entry->fields[2]);
        break;
    case J_KEY:
        TextFormat(text, size, "makes key %s", a);
        break;
    case J_VALUE:
        DescribeValue(text, size, entry);
        break;
    case J_LINE:
        TextFormat(text, size, "replaces the system.ini mouse line \"%s\" with \"%s\"", a, b);
        break;
    case J_MOVE:
        TextFormat(text, size, "renames %s to %s", a, b);
        break;
    case J_END:
        TextCopy(text, size, "the run ended");
        break;
    case J_SWAP:
        FieldText(c, sizeof(c), entry, 2);
        TextFormat(text, size, "replaces %s by way of %s (the file set aside as %s%s)", a, b, c,
                   lstrcmpA(entry->fields[3], "K") == 0 ? ", which stays" : "");
        break;
    default:
        JournalNumber(entry, 0, 0, &number);
        TextFormat(text, size, "undone by the uninstaller: the entry of line %d",
                   LineAt(listing, number));
        break;
    }
}

/* The offsets of the file's lines. */
static int FindLines(Listing *listing)
{
    DWORD at;
    int lines = 0;

    for (at = 0; at < listing->size; at++)
        lines += listing->bytes[at] == '\n';
    listing->lineStarts = (DWORD *)GlobalAlloc(GPTR, (lines + 1) * sizeof(DWORD));
    if (listing->lineStarts == NULL)
        return 0;
    listing->lineCount = 0;
    for (at = 0; at < listing->size; at++) {
        if (at == 0 || listing->bytes[at - 1] == '\n')
            listing->lineStarts[listing->lineCount++] = at;
    }
    return 1;
}

static void TellDamaged(const Listing *listing, int line)
{
    char raw[TEXT_MAX], shown[80], text[MESSAGE_MAX];
    DWORD start = listing->lineStarts[line - 1], end = start;
    int length;

    while (end < listing->size && listing->bytes[end] != '\n' && end - start < sizeof(raw) - 1)
        end++;
    length = (int)(end - start);
    CopyBytes(raw, listing->bytes + start, (unsigned)length);
    raw[length] = '\0';
    if (length > 0 && raw[length - 1] == '\r')
        raw[length - 1] = '\0';
    Quote(shown, sizeof(shown), raw);
    TextFormat(text, sizeof(text), "%5d  DAMAGED: not a whole entry (cut, or changed since it "
               "was written), not acted on: \"%s\"", line, shown);
    Tell(listing, CHECK_WARNING, line, text);
}

static int ListEntries(Listing *listing, const Journal *journal, const char *path)
{
    char text[MESSAGE_MAX], line[MESSAGE_MAX + 16];
    const JournalEntry *entry = journal->entries, *end = journal->entries + journal->count;
    int number, run = 0, damaged = 0;

    TextFormat(text, sizeof(text), "Journal %s: %d run%s, %d entr%s, %d damaged line%s", path,
               journal->runs, journal->runs == 1 ? "" : "s", journal->count,
               journal->count == 1 ? "y" : "ies", journal->damaged,
               journal->damaged == 1 ? "" : "s");
    Tell(listing, CHECK_INFO, 0, text);
    for (number = 1; number <= listing->lineCount; number++) {
        if (entry == end || entry->offset != listing->lineStarts[number - 1]) {
            /* a last line end leaves an empty "line" after it */
            if (listing->lineStarts[number - 1] < listing->size) {
                TellDamaged(listing, number);
                damaged++;
            }
            continue;
        }
        if (entry->kind == J_RUN)
            run++;
        Describe(text, sizeof(text), listing, entry, run);
        TextFormat(line, sizeof(line), "%5d  %s", number, text);
        Tell(listing, CHECK_INFO, number, line);
        entry++;
    }
    if (journal->runs > 0 && !journal->lastRunEnded)
        Tell(listing, CHECK_INFO, 0, "The last run has no END line: it was ended part-way.");
    return damaged;
}

int ListJournal(const char *path, CheckOutput output, void *context)
{
    Listing listing;
    Journal journal;
    HANDLE file;
    DWORD got = 0;
    char *bytes;
    char text[MESSAGE_MAX];
    int damaged;

    FillBytes(&listing, 0, sizeof(listing));
    listing.output = output;
    listing.context = context;
    if (!JournalRead(path, &journal)) {
        TextFormat(text, sizeof(text), "cannot read the journal %s", path);
        output(CHECK_FAILURE, 0, text, context);
        return CHECK_UNREADABLE;
    }
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, 0, NULL);
    listing.size = file != INVALID_HANDLE_VALUE ? GetFileSize(file, NULL) : 0;
    bytes = file != INVALID_HANDLE_VALUE && listing.size != INVALID_FILE_SIZE
            ? (char *)GlobalAlloc(GPTR, listing.size + 1) : NULL;
    if (bytes == NULL || !ReadFile(file, bytes, listing.size, &got, NULL) ||
        got != listing.size) {
        if (bytes != NULL)
            GlobalFree(bytes);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        JournalFree(&journal);
        TextFormat(text, sizeof(text), "cannot read the journal %s", path);
        output(CHECK_FAILURE, 0, text, context);
        return CHECK_UNREADABLE;
    }
    CloseHandle(file);
    listing.bytes = bytes;
    damaged = FindLines(&listing) ? ListEntries(&listing, &journal, path) : -1;
    if (listing.lineStarts != NULL)
        GlobalFree(listing.lineStarts);
    GlobalFree(bytes);
    JournalFree(&journal);
    if (damaged < 0) {
        output(CHECK_FAILURE, 0, "out of memory", context);
        return CHECK_UNREADABLE;
    }
    return damaged > 0 ? CHECK_PROBLEMS : CHECK_CLEAN;
}
