// SETUPCHK's check: a small package, clean, and with one planted mistake
// per row, each found once with its line of SETUP.INF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../setupchk/setupchk.h"
#include "test_support.h"

namespace {

// SZDD made of literals only: a flag byte of ones before every eight
// bytes. The header declares `declared` bytes.
std::string Szdd(const std::string &plain, unsigned declared)
{
    std::string bytes("SZDD\x88\xF0\x27\x33" "A", 9);
    bytes += '\0';
    for (int i = 0; i < 4; i++)
        bytes += (char)((declared >> (8 * i)) & 0xFF);
    for (size_t i = 0; i < plain.size(); i++) {
        if (i % 8 == 0)
            bytes += '\xFF';
        bytes += plain[i];
    }
    return bytes;
}

// The clean package: A.EXE plain in the package folder, B.TX_ compressed
// in HELP (1,500 bytes expanded).
const char *const kScript[] = {
    "[Main]",                               // 1
    "ProductName=Velto",                    // 2
    "MinimumSpace=100",                     // 3
    "[DiskLabel]",                          // 4
    "Disk1=Disk 1",                         // 5
    "[DirectoryName]",                      // 6
    "RootDir=.",                            // 7
    "SubDir1=HELP",                         // 8
    "WinSystemDir=SYSTEM",                  // 9
    "[FileCounts]",                         // 10
    "Disk1=2",                              // 11
    "[Disk1]",                              // 12
    "1=A.EXE,A.EXE,Program A,RootDir",      // 13
    "2=B.TX_,B.TXT,Read me,SubDir1",        // 14
};

const std::string kPlainA(100, 'a');
const std::string kPackedB = Szdd(std::string(1500, 'b'), 1500);

struct Planted {
    const char *name;
    int editLine;               // the script line replaced, 0 for none
    std::string editText;
    const char *file;           // a file replaced, or removed when its content is empty
    std::string content;
    int result;
    const char *problem;        // the one problem expected, null for none
    int line;
};

const Planted kPlanted[] = {
    { "clean", 0, "", NULL, "", CHECK_CLEAN, NULL, 0 },
    { "no script", 0, "", "SETUP.INF", "", CHECK_UNREADABLE, NULL, 0 },
    { "missing source", 0, "", "HELP\\B.TX_", "", CHECK_PROBLEMS, "source file missing", 14 },
    { "empty record", 14, "2=", NULL, "", CHECK_PROBLEMS, "record left empty", 14 },
    { "line too long", 14, "2=B.TX_,B.TXT," + std::string(1500, 'x') + ",SubDir1", NULL, "",
      CHECK_PROBLEMS, "line too long", 14 },
    { "count larger", 11, "Disk1=3", NULL, "", CHECK_PROBLEMS, "count 3 of Disk1 is larger", 11 },
    { "count smaller", 11, "Disk1=1", NULL, "", CHECK_PROBLEMS, "count 1 of Disk1 is smaller", 11 },
    { "unknown directory key", 14, "2=A.EXE,C.EXE,Copy,Docs", NULL, "", CHECK_PROBLEMS,
      "unknown directory key \"Docs\"", 14 },
    { "name too long", 13, "1=ABCDEFGHIJKL.EXE,A.EXE,Program A,RootDir", NULL, "",
      CHECK_PROBLEMS, "name \"ABCDEFGHIJKL.EXE\" too long for its field", 13 },
    { "directory too long", 8, "SubDir1=" + std::string(40, 'h'), NULL, "", CHECK_PROBLEMS,
      "directory SubDir1", 14 },
    { "product name too long", 2, "ProductName=" + std::string(72, 'p'), NULL, "",
      CHECK_PROBLEMS, "ProductName too long for its field", 2 },
    { "not 8.3", 13, "1=A.EXE,PROGRAM-A.EXE,Program A,RootDir", NULL, "", CHECK_PROBLEMS,
      "\"PROGRAM-A.EXE\" is not an 8.3 name", 13 },
    { "damaged header", 0, "", "HELP\\B.TX_", Szdd("bbbb", 4).replace(8, 1, "B"),
      CHECK_PROBLEMS, "damaged header (unknown method)", 14 },
    { "damaged data", 0, "", "HELP\\B.TX_", Szdd(std::string(500, 'b'), 1500), CHECK_PROBLEMS,
      "expands to 500 of the 1500 bytes", 14 },
    { "above MinimumSpace", 3, "MinimumSpace=1", NULL, "", CHECK_PROBLEMS,
      "the files expand to 2 KB, more than MinimumSpace 1 KB", 3 },
    { "same target", 14, "2=A.EXE,a.exe,Again,RootDir", NULL, "", CHECK_PROBLEMS,
      "same target as line 13", 14 },
};

struct Output {
    std::vector<std::pair<int, std::string> > problems;
    std::string all;
};

void Collect(int kind, int line, const char *text, void *context)
{
    Output *output = (Output *)context;

    if (kind == CHECK_PROBLEM)
        output->problems.push_back(std::make_pair(line, std::string(text)));
    output->all += std::string(text) + "\n";
}

void WritePackage(const std::string &dir, const Planted &row)
{
    std::string script;

    for (size_t i = 0; i < sizeof(kScript) / sizeof(kScript[0]); i++)
        script += ((int)i + 1 == row.editLine ? row.editText : std::string(kScript[i])) + "\r\n";
    WriteFileBytes(dir + "\\SETUP.INF", script);
    WriteFileBytes(dir + "\\A.EXE", kPlainA);
    CreateDirectoryA((dir + "\\HELP").c_str(), NULL);
    WriteFileBytes(dir + "\\HELP\\B.TX_", kPackedB);
    if (row.file != NULL && row.content.empty())
        DeleteFileA((dir + "\\" + row.file).c_str());
    else if (row.file != NULL)
        WriteFileBytes(dir + "\\" + row.file, row.content);
}

TEST(PackageCheck, EachPlantedMistakeOnceWithItsLine)
{
    for (const Planted &row : kPlanted) {
        SCOPED_TRACE(row.name);
        std::string dir = ScratchDir("setupchk");
        WritePackage(dir, row);
        Output output;

        EXPECT_EQ(CheckPackage(dir.c_str(), Collect, &output), row.result) << output.all;
        if (row.problem == NULL) {
            EXPECT_TRUE(output.problems.empty()) << output.all;
        } else {
            ASSERT_EQ(output.problems.size(), 1u) << output.all;
            EXPECT_EQ(output.problems[0].first, row.line) << output.all;
            EXPECT_NE(output.problems[0].second.find(row.problem), std::string::npos)
                << output.problems[0].second;
        }
        if (row.result == CHECK_CLEAN) {
            // the table row of the compressed file: stored and expanded size
            EXPECT_NE(output.all.find("B.TX_  C:\\VELTO\\HELP\\B.TXT      1702      1500  Read me"),
                      std::string::npos) << output.all;
        }
        RemoveTree(dir);
    }
}

}  // namespace
