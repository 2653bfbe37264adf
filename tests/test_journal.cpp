// The change journal's writer and reader: what goes in comes back byte
// for byte, a journal cut anywhere loses at most its last entry and the
// reader knows, an existing file is saved before it is written over.
#include <gtest/gtest.h>

#include "setup_state.h"
#include "text.h"
#include "file_ops.h"
#include "journal.h"
#include "test_support.h"

namespace {

class JournalTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitSetupState();
        dir_ = ScratchDir("journal");
        TEXT_COPY(g_setup.installDir, dir_.c_str());
        TEXT_COPY(g_setup.productName, "Velto");
        JournalEnable(1);
    }
    void TearDown() override
    {
        JournalClose();
        RemoveTree(dir_);
        InitSetupState();
    }
    std::string Path() const { return dir_ + "\\" JOURNAL_NAME; }
    std::string Field(const JournalEntry &entry, int field) const
    {
        return std::string(entry.fields[field], entry.lengths[field]);
    }

    RegistrySandbox sandbox_;
    std::string dir_;
};

TEST_F(JournalTest, OutsideTextsComeBackByteForByte)
{
    struct Row { std::string name, data; } rows[] = {
        /* 0 */ { "plain", "text" },
        /* 1 */ { "line\r\nbreak", "[boot]\r\nshell=evil.exe" },
        /* 2 */ { std::string("zero\0byte", 9), std::string("a\0b\0", 4) },
        /* 3 */ { " blanks and % and * ", "%41 *00000000" },
        /* 4 */ { "", "" },                                   // the unnamed value, empty
        /* 5 */ { "long", std::string(2000, '\xE9') },
    };
    HKEY key;
    JournalKey(HKEY_LOCAL_MACHINE, "Enum\\Root\\VeltoMouse\\0000");
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Enum\\Root\\VeltoMouse\\0000", 0, NULL, 0, KEY_ALL_ACCESS,
                              NULL, &key, NULL), ERROR_SUCCESS);
    for (auto &row : rows) {
        JournalValue(key, row.name.c_str(), REG_BINARY, (const BYTE *)row.data.data(), (DWORD)row.data.size());
        RegSetValueExA(key, row.name.c_str(), 0, REG_BINARY, (const BYTE *)row.data.data(),
                       (DWORD)row.data.size());
    }
    // written again: the original is now what the first write left
    JournalValue(key, "plain", REG_SZ, (const BYTE *)"new", 3);
    RegCloseKey(key);
    JournalEnd();

    Journal journal;
    ASSERT_TRUE(JournalRead(Path().c_str(), &journal));
    EXPECT_EQ(journal.damaged, 0);
    EXPECT_EQ(journal.lastRunEnded, 1);
    std::vector<std::string> keys;
    std::vector<const JournalEntry *> values;
    for (int i = 0; i < journal.count; i++) {
        if (journal.entries[i].kind == J_KEY)
            keys.push_back(Field(journal.entries[i], 0));
        if (journal.entries[i].kind == J_VALUE)
            values.push_back(&journal.entries[i]);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{ "HKLM\\Enum", "HKLM\\Enum\\Root", "HKLM\\Enum\\Root\\VeltoMouse",
                                               "HKLM\\Enum\\Root\\VeltoMouse\\0000" }));
    ASSERT_EQ(values.size(), sizeof(rows) / sizeof(rows[0]) + 1);
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(Field(*values[i], 0), "HKLM\\Enum\\Root\\VeltoMouse\\0000");
        EXPECT_EQ(Field(*values[i], 1), rows[i].name.c_str()) << "a name stops at its zero, as the registry's";
        EXPECT_EQ(Field(*values[i], 2), "-") << "did not exist";
        EXPECT_EQ(Field(*values[i], 4), "3");
        EXPECT_EQ(Field(*values[i], 5), rows[i].data);
    }
    EXPECT_EQ(Field(*values.back(), 2), "3");
    EXPECT_EQ(Field(*values.back(), 3), "text") << "the original of the second write";
    JournalFree(&journal);
}

// Every cut of a journal: the whole lines before it read, the cut line
// is counted as damaged, and only the whole journal has its END.
TEST_F(JournalTest, CutAnywhereLosesAtMostTheLastEntry)
{
    WriteFileBytes(dir_ + "\\A.TXT", "old contents");
    JournalDirectory((dir_ + "\\HELP").c_str());
    ASSERT_TRUE(JournalFileBefore((dir_ + "\\A.TXT").c_str()));
    WriteFileBytes(dir_ + "\\A.TXT", "new contents");
    JournalFileDone((dir_ + "\\A.TXT").c_str());
    JournalMouseLine("mouse=msmouse.vxd\n", "mouse=*vmouse\n");
    JournalEnd();
    std::string whole = ReadFileBytes(Path());

    Journal journal;
    ASSERT_TRUE(JournalRead(Path().c_str(), &journal));
    int count = journal.count;
    EXPECT_EQ(count, 6) << whole;   // RUN DIR FILE DONE LINE END
    EXPECT_EQ(journal.damaged, 0);
    JournalFree(&journal);

    std::string cutPath = dir_ + "\\CUT.LOG";
    for (size_t length = 0; length <= whole.size(); length++) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        std::string cut = whole.substr(0, length);
        WriteFileBytes(cutPath, cut);
        ASSERT_TRUE(JournalRead(cutPath.c_str(), &journal));
        int lines = 0;
        for (char c : cut)
            lines += c == '\n';
        bool atLineEnd = cut.empty() || cut.back() == '\n';
        EXPECT_EQ(journal.count, lines);
        EXPECT_EQ(journal.damaged, atLineEnd ? 0 : 1);
        EXPECT_EQ(journal.lastRunEnded, length == whole.size() ? 1 : 0);
        JournalFree(&journal);
    }

    // A torn last line is closed off by the next run; it stays damage,
    // since nothing tells it from a forged one.
    WriteFileBytes(Path(), whole + "FILE C:\\x");
    JournalDirectory((dir_ + "\\MORE").c_str());
    JournalClose();
    ASSERT_TRUE(JournalRead(Path().c_str(), &journal));
    EXPECT_EQ(journal.damaged, 1);
    EXPECT_EQ(journal.runs, 2);
    EXPECT_EQ(journal.entries[journal.count - 1].kind, J_DIR);
    JournalFree(&journal);
}

// A file that is there is saved before the setup writes over it, with
// its size and checksum in the entry that goes first.
TEST_F(JournalTest, AnExistingFileIsSavedFirst)
{
    std::string file = dir_ + "\\DRIVER.DRV";
    std::string original("MZ\0\x01 original driver", 21);
    WriteFileBytes(file, original);
    ASSERT_TRUE(JournalFileBefore(file.c_str()));
    JournalClose();

    Journal journal;
    ASSERT_TRUE(JournalRead(Path().c_str(), &journal));
    const JournalEntry &entry = journal.entries[journal.count - 1];
    ASSERT_EQ(entry.kind, J_FILE);
    ASSERT_EQ(entry.fieldCount, 5);
    EXPECT_EQ(Field(entry, 0), file);
    EXPECT_EQ(Field(entry, 1), "OLD");
    EXPECT_EQ(Field(entry, 2), std::to_string(original.size()));
    char crc[16];
    snprintf(crc, sizeof(crc), "%08lX", (unsigned long)Crc32(0, (const BYTE *)original.data(), (DWORD)original.size()));
    EXPECT_EQ(Field(entry, 3), crc);
    EXPECT_EQ(ReadFileBytes(Field(entry, 4)), original) << "the saved copy";
    std::string saved = Field(entry, 4);
    EXPECT_EQ(saved.substr(0, dir_.size() + 1), dir_ + "\\") << saved;
    EXPECT_EQ(saved.size(), dir_.size() + 13) << "an 8.3 name: " << saved;
    EXPECT_EQ(saved.substr(saved.size() - 4), ".SAV");
    JournalFree(&journal);
}

}  // namespace
