// The bounded text helpers: sizes too small, exact and large, checked
// against a sentinel so that no write past the size goes unseen.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <windows.h>

#include "command_line.h"
#include "stream.h"
#include "text.h"

namespace {

struct Guarded {
    char bytes[16];
    char sentinel[8];
};

void Fill(Guarded *g)
{
    memset(g, '#', sizeof(*g));
}

void ExpectSentinel(const Guarded &g)
{
    for (char c : g.sentinel)
        ASSERT_EQ(c, '#') << "written past the buffer";
}

TEST(Text, CopyReportsCutAndStaysTerminated)
{
    struct Row { const char *text; int size; const char *expect; int fits; } rows[] = {
        /* 0 */ { "",        16, "",        1 },
        /* 1 */ { "abc",     16, "abc",     1 },
        /* 2 */ { "abcdefg",  8, "abcdefg", 1 },   // exact: 7 characters and the zero
        /* 3 */ { "abcdefgh", 8, "abcdefg", 0 },   // one too many
        /* 4 */ { "abcdefghijklmnopqrstuvwxyz", 16, "abcdefghijklmno", 0 },
        /* 5 */ { "x",        1, "",        0 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        Guarded g;
        Fill(&g);
        EXPECT_EQ(TextCopy(g.bytes, rows[i].size, rows[i].text), rows[i].fits);
        EXPECT_STREQ(g.bytes, rows[i].expect);
        for (int j = rows[i].size; j < 16; j++)
            EXPECT_EQ(g.bytes[j], '#') << "byte " << j << " beyond the size was written";
        ExpectSentinel(g);
    }
}

TEST(Text, AppendFillsToTheEndAndNoFurther)
{
    Guarded g;
    Fill(&g);
    TextCopy(g.bytes, 16, "C:\\VELTO");
    EXPECT_EQ(TextAppend(g.bytes, 16, "\\HELP"), 1);
    EXPECT_STREQ(g.bytes, "C:\\VELTO\\HELP");
    EXPECT_EQ(TextAppend(g.bytes, 16, "ab"), 1);       // exactly 15 characters
    EXPECT_STREQ(g.bytes, "C:\\VELTO\\HELPab");
    EXPECT_EQ(TextAppend(g.bytes, 16, "c"), 0);
    EXPECT_STREQ(g.bytes, "C:\\VELTO\\HELPab");
    ExpectSentinel(g);
}

TEST(Text, AppendToUnterminatedBufferTerminatesIt)
{
    Guarded g;
    Fill(&g);
    EXPECT_EQ(TextAppend(g.bytes, 16, "x"), 0);
    EXPECT_EQ(strlen(g.bytes), 15u);
    ExpectSentinel(g);
}

TEST(Text, FormatCutsAtTheSize)
{
    Guarded g;
    Fill(&g);
    EXPECT_EQ(TextFormat(g.bytes, 16, "%d%%", 57), 1);
    EXPECT_STREQ(g.bytes, "57%");
    EXPECT_EQ(TextFormat(g.bytes, 16, "Mouse\\%04d", 2), 1);
    EXPECT_STREQ(g.bytes, "Mouse\\0002");
    EXPECT_EQ(TextFormat(g.bytes, 16, "%s", "0123456789abcdef"), 0);   // 16 characters
    EXPECT_STREQ(g.bytes, "0123456789abcde");
    EXPECT_EQ(TextFormat(g.bytes, 16, "%s", "0123456789abcde"), 1);    // 15: exact
    ExpectSentinel(g);
}

TEST(Text, PathJoinNeverCutsAPath)
{
    Guarded g;
    Fill(&g);
    EXPECT_EQ(PathJoin(g.bytes, 16, "C:\\VELTO", "A.TXT"), 1);
    EXPECT_STREQ(g.bytes, "C:\\VELTO\\A.TXT");
    EXPECT_EQ(PathJoin(g.bytes, 16, "C:\\VELTO", "LONGNAME.TXT"), 0);
    EXPECT_STREQ(g.bytes, "") << "a path that does not fit must be refused, not cut";
    EXPECT_EQ(PathJoin(g.bytes, 16, "", ""), 1);
    EXPECT_STREQ(g.bytes, "\\");
    ExpectSentinel(g);
}

// The program's own formatter against the C library's, and past the
// 1,024 characters where the platform's wvsprintfA stops.
TEST(Text, FormatAsTheCLibraryDoes)
{
    struct NumberRow { const char *format; long value; } numbers[] = {
        /* 0 */ { "%d", -42 },          /* 1 */ { "%d", 0 },
        /* 2 */ { "%ld", 2147483647L }, /* 3 */ { "%ld", -2147483647L - 1 },
        /* 4 */ { "%lu", -1 },          /* 5 */ { "%04d", 7 },
        /* 6 */ { "%04d", -7 },         /* 7 */ { "[%5d]", 42 },
        /* 8 */ { "[%-5d]", 42 },       /* 9 */ { "%x", 0xBEEF },
        /* 10 */ { "%08lX", 0xBEEFL },  /* 11 */ { "%.3d", 5 },
        /* 12 */ { "%hd", 70000 },      /* 13 */ { "%c%%", 'A' },
    };
    struct TextRow { const char *format; const char *value; } texts[] = {
        /* 0 */ { "%s", "" },           /* 1 */ { "[%9s]", "abc" },
        /* 2 */ { "[%-16s]", "abc" },   /* 3 */ { "[%.2s]", "abc" },
        /* 4 */ { "a%sb", "\xE9\xFF" },
    };
    char ours[64], theirs[64];
    for (size_t i = 0; i < sizeof(numbers) / sizeof(numbers[0]); i++) {
        SCOPED_TRACE(testing::Message() << "number row " << i << " " << numbers[i].format);
        EXPECT_EQ(TextFormat(ours, sizeof(ours), numbers[i].format, numbers[i].value), 1);
        snprintf(theirs, sizeof(theirs), numbers[i].format, numbers[i].value);
        EXPECT_STREQ(ours, theirs);
    }
    for (size_t i = 0; i < sizeof(texts) / sizeof(texts[0]); i++) {
        SCOPED_TRACE(testing::Message() << "text row " << i << " " << texts[i].format);
        EXPECT_EQ(TextFormat(ours, sizeof(ours), texts[i].format, texts[i].value), 1);
        snprintf(theirs, sizeof(theirs), texts[i].format, texts[i].value);
        EXPECT_STREQ(ours, theirs);
    }
    EXPECT_EQ(TextFormat(ours, sizeof(ours), "%-*s|", 6, "ab"), 1);
    EXPECT_STREQ(ours, "ab    |");

    std::string long_text(2000, 'x');
    char big[2100];
    EXPECT_EQ(TextFormat(big, sizeof(big), "<%s>", long_text.c_str()), 1);
    EXPECT_EQ(strlen(big), 2002u);
    EXPECT_EQ(TextFormat(big, 1025, "%s", long_text.c_str()), 0);
    EXPECT_EQ(strlen(big), 1024u);
}

TEST(Text, SearchesAndComparisonsAsTheCLibraryDoes)
{
    const char *text = "C:\\Velto\\Help,old";
    EXPECT_EQ(TextFindChar(text, '\\'), strchr(text, '\\'));
    EXPECT_EQ(TextFindChar(text, '\0'), text + strlen(text));
    EXPECT_EQ(TextFindChar(text, '|'), nullptr);
    EXPECT_EQ(TextFindLastChar(text, '\\'), strrchr(text, '\\'));
    EXPECT_EQ(TextFindLastChar(text, '|'), nullptr);
    EXPECT_EQ(TextFind(text, "Help"), strstr(text, "Help"));
    EXPECT_EQ(TextFind(text, ""), text);
    EXPECT_EQ(TextFind(text, "help"), nullptr);
    EXPECT_EQ(TextSpanTo(text, ",|"), (int)strcspn(text, ",|"));
    EXPECT_EQ(TextSpanTo(text, "|"), (int)strlen(text));

    struct Row { const char *a, *b; int count, same, sameStart, sameNoCase; } rows[] = {
        /* 0 */ { "old",   "old",   4, 1, 1, 1 },
        /* 1 */ { "old,1", "old,",  4, 0, 1, 1 },
        /* 2 */ { "ol",    "old",   4, 0, 0, 0 },
        /* 3 */ { "OLD,",  "old,",  4, 0, 0, 1 },
        /* 4 */ { "",      "",      0, 1, 1, 1 },
        /* 5 */ { "\xC9",  "\xE9",  1, 0, 0, 0 },   // only A to Z fold
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        EXPECT_EQ(TextSame(rows[i].a, rows[i].b), rows[i].same);
        EXPECT_EQ(TextSameStart(rows[i].a, rows[i].b, rows[i].count), rows[i].sameStart);
        EXPECT_EQ(TextSameStartNoCase(rows[i].a, rows[i].b, rows[i].count), rows[i].sameNoCase);
    }

    const char *numbers[] = { "0", "0012", " -37x", "+5", "2147483647", "2147483648",
                              "-2147483649", "4294967295", "99999999999", "", "x1" };
    for (const char *n : numbers) {
        SCOPED_TRACE(n);
        EXPECT_EQ(TextToLong(n), strtol(n, NULL, 10));
        EXPECT_EQ(TextToUnsignedLong(n), strtoul(n, NULL, 10));
    }
    char unterminated[4] = { 'a', 'b', 'c', 'd' };
    EXPECT_EQ(TextLengthWithin(unterminated, 4), 4);
    EXPECT_EQ(TextLengthWithin("ab", 4), 2);
}

TEST(Text, BytesFillCopyAndCompareOverlapsIncluded)
{
    char bytes[12];
    FillBytes(bytes, '#', sizeof(bytes));
    FillBytes(bytes + 1, 0, 3);
    EXPECT_TRUE(SameBytes(bytes, "#\0\0\0#", 5));
    EXPECT_FALSE(SameBytes(bytes, "#\0\0\1", 4));
    EXPECT_TRUE(SameBytes(bytes, "x", 0));

    memcpy(bytes, "abcdefghijk", 12);
    CopyBytes(bytes + 2, bytes, 6);     // forward overlap
    EXPECT_STREQ(bytes, "ababcdefijk");
    memcpy(bytes, "abcdefghijk", 12);
    CopyBytes(bytes, bytes + 2, 6);     // backward overlap
    EXPECT_STREQ(bytes, "cdefghghijk");
}

// Text mode: a line feed is CR LF in the file, CR LF reads as one line
// feed, a CR on its own stays, Ctrl-Z ends the input; binary keeps all.
TEST(Text, StreamsReadAndWriteTextAndBinary)
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    strcat(path, "stream_test.txt");

    std::string written = "one\ntwo\rthree\r\n" + std::string(494, 'x') + "\n" + std::string(1, '\0') + "z\n";
    Stream stream;
    ASSERT_EQ(StreamOpen(&stream, path, "wt"), 1);
    EXPECT_EQ(StreamWrite(&stream, written.data(), (DWORD)written.size()), 1);
    EXPECT_EQ(StreamPut(&stream, "end\x1A" "after"), 1);
    EXPECT_EQ(StreamClose(&stream), 1);

    std::string raw;
    ASSERT_EQ(StreamOpen(&stream, path, "rb"), 1);
    for (int c; (c = StreamGetChar(&stream)) != -1;)
        raw += (char)c;
    StreamClose(&stream);
    EXPECT_EQ(raw, "one\r\ntwo\rthree\r\r\n" + std::string(494, 'x') + "\r\n" + std::string(1, '\0') +
                   "z\r\nend\x1A" "after");

    // the CR LF after the x's lies across the buffer's end; lines cut by the size
    std::string lines;
    char line[8];
    ASSERT_EQ(StreamOpen(&stream, path, "rt"), 1);
    while (StreamGetLine(&stream, line, sizeof(line)))
        lines += std::string(line, strlen(line) + (line[0] == '\0' ? 1 : 0)) + "|";
    EXPECT_EQ(StreamClose(&stream), 1);
    std::string expected = "one\n|two\rthr|ee\r\n|";
    std::string xs(494, 'x');
    for (size_t at = 0; at < 494; at += 7)
        expected += xs.substr(at, 7) + (at + 7 > 494 ? "" : "|");
    expected += "\n|" + std::string(1, '\0') + "|end|";
    EXPECT_EQ(lines, expected);

    EXPECT_EQ(StreamOpen(&stream, "C:\\no\\such\\folder\\file.txt", "rt"), 0);
    DeleteFileA(path);
}

TEST(Text, CommandLineAsTheProgramsStartUpSplitsIt)
{
    struct ArgumentsRow { const char *line, *arguments; } lines[] = {
        /* 0 */ { "SETUP.EXE -u", "-u" },
        /* 1 */ { "\"C:\\My Setup\\SETUP.EXE\"  -u x", "-u x" },
        /* 2 */ { "SETUP.EXE", "" },
        /* 3 */ { "\"C:\\SETUP.EXE\"-u", "-u" },
        /* 4 */ { "\"unclosed", "" },
        /* 5 */ { "SETUP.EXE\t\t-u", "-u" },
    };
    for (size_t i = 0; i < sizeof(lines) / sizeof(lines[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        EXPECT_STREQ(CommandLineArguments(lines[i].line), lines[i].arguments);
    }

    struct SplitRow { const char *line; int most; const char *words; } splits[] = {
        /* 0 */ { "SETUPCHK.EXE C:\\PKG --quiet", 8, "SETUPCHK.EXE|C:\\PKG|--quiet|" },
        /* 1 */ { "\"C:\\My Tools\\SETUPCHK.EXE\" \"C:\\My Pkg\\\"", 8, "C:\\My Tools\\SETUPCHK.EXE|C:\\My Pkg\\|" },
        /* 2 */ { "  a\t b  ", 8, "a|b|" },
        /* 3 */ { "a b c d", 2, "a|b|" },
        /* 4 */ { "", 8, "" },
        /* 5 */ { "a\"b c\"d \"\"", 8, "ab cd||" },
    };
    for (size_t i = 0; i < sizeof(splits) / sizeof(splits[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        char text[64];
        char *words[8];
        strcpy(text, splits[i].line);
        int count = SplitCommandLine(text, words, splits[i].most);
        std::string joined;
        for (int w = 0; w < count; w++)
            joined += std::string(words[w]) + "|";
        EXPECT_EQ(joined, splits[i].words);
    }
}

}  // namespace
