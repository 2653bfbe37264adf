// The bounded text helpers: sizes too small, exact and large, checked
// against a sentinel so that no write past the size goes unseen.
#include <gtest/gtest.h>

#include <string.h>

#include "../app/text.h"

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

}  // namespace
