// Loading SETUP.INF, through the platform's real profile readers and a
// private registry for "ProgramFilesDir".
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "setup_state.h"
#include "containment.h"
#include "script_test.h"
#include "test_support.h"

namespace {

class ScriptTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, "ProgramFilesDir",
                                   "C:\\Program Files");
        dir_ = ScratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override
    {
        FreeFileTable();
        RemoveTree(dir_);
    }
    // Writes the script (none when ini is null) and loads it as the
    // program dir\SETUP.EXE would, with Windows in windowsDir.
    int Load(const char *ini, const char *windowsDir = "D:\\WINDOWS")
    {
        if (ini != NULL)
            WriteFileBytes(dir_ + "\\SETUP.INF", ini);
        HINSTANCE instance = g_setup.instance;
        InitSetupState();
        g_setup.instance = instance;
        strcpy(g_setup.windowsDir, windowsDir);
        return LoadSetupScriptFrom((dir_ + "\\SETUP.EXE").c_str());
    }
    const FileRecord &Record(int disk, int file) { return g_setup.fileTable[disk][file]; }

    RegistrySandbox sandbox_;
    std::string dir_;
};

void ExpectRecord(const FileRecord &r, const char *subdir, const char *target,
                  const char *source, const char *name, const char *description, int absolute)
{
    EXPECT_STREQ(r.sourceSubdir, subdir);
    EXPECT_STREQ(r.targetDir, target);
    EXPECT_STREQ(r.sourceName, source);
    EXPECT_STREQ(r.targetName, name);
    EXPECT_STREQ(r.description, description);
    EXPECT_EQ(r.targetIsAbsolute, absolute);
}

const char kWorkedExample[] =
    "[Main]\r\nProductName=Velto\r\nDefaultPath=C:\\VELTO\r\nMinimumSpace=1500\r\nDefaultSerialMouse=0\r\n"
    "[Startup]\r\nTitle=Velto Mouse Setup\r\n"
    "[DiskLabel]\r\nDisk1=Velto Disk 1\r\n"
    "[DirectoryName]\r\nRootDir=.\r\nSubDir1=HELP\r\nWinSystemDir=SYSTEM\r\nWinInfDir=INF\r\n"
    "[FileCounts]\r\nDisk1=5\r\n"
    "[Disk1]\r\n"
    "1=VARIRE.EX_,VARIRE.EXE,Mouse program,RootDir\r\n"
    "2=ZRHELP.HL_ , ZRHELP.HLP ,  Help file ,subdir1\r\n"
    "3=ZRMOUSE.DR_,ZRMOUSE.DRV,Mouse driver,WinSystemDir\r\n"
    "4=ZRMOUSE.IN_,ZRMOUSE.INF,Driver information,WinInfDir\r\n"
    "5=README.TXT,README.TXT,Read me,Docs\r\n";

TEST_F(ScriptTest, WorkedExampleRecordByRecord)
{
    ASSERT_EQ(Load(kWorkedExample), 1);
    EXPECT_EQ(std::string(g_setup.sourceDir), dir_);
    EXPECT_STREQ(g_setup.installDir, "D:\\VELTO");
    EXPECT_STREQ(g_setup.productName, "Velto");
    EXPECT_STREQ(g_setup.caption, "Velto Setup Program");
    EXPECT_EQ(g_setup.minimumSpaceKb, 1500);
    EXPECT_EQ(g_setup.serialMouse, 0);
    EXPECT_EQ(g_setup.ps2Only, 0);
    EXPECT_EQ(g_setup.noLogo, 0);
    EXPECT_STREQ(g_setup.bannerTitle, "Velto Mouse Setup");
    EXPECT_STREQ(g_setup.driverInfo.pnpId, "1234");
    EXPECT_STREQ(g_setup.driverInfo.mfg, "");
    EXPECT_STREQ(g_setup.driverInfo.serialName, "");
    ASSERT_EQ(g_setup.diskCount, 1);
    ASSERT_EQ(g_setup.fileCounts[0], 5);
    EXPECT_EQ(g_setup.fileTable[1] - g_setup.fileTable[0], 5);
    ExpectRecord(Record(0, 0), ".", ".", "VARIRE.EX_", "VARIRE.EXE", "Mouse program", 0);
    ExpectRecord(Record(0, 1), "HELP", "HELP", "ZRHELP.HL_", "ZRHELP.HLP", "Help file", 0);
    ExpectRecord(Record(0, 2), "SYSTEM", "D:\\WINDOWS\\SYSTEM", "ZRMOUSE.DR_", "ZRMOUSE.DRV", "Mouse driver", 1);
    ExpectRecord(Record(0, 3), "INF", "D:\\WINDOWS\\INF", "ZRMOUSE.IN_", "ZRMOUSE.INF", "Driver information", 1);
    ExpectRecord(Record(0, 4), "", "", "README.TXT", "README.TXT", "Read me", 0);
}

TEST_F(ScriptTest, ProgramInTheRootOfADrive)
{
    // "A:\SETUP.EXE" gives "A:": the cut stops at the second character.
    HINSTANCE instance = g_setup.instance;
    InitSetupState();
    g_setup.instance = instance;
    strcpy(g_setup.windowsDir, "C:\\WINDOWS");
    ASSERT_EQ(LoadSetupScriptFrom("A:\\SETUP.EXE"), 1);
    EXPECT_STREQ(g_setup.sourceDir, "A:");
    ASSERT_EQ(LoadSetupScriptFrom("SETUP.EXE"), 1);
    EXPECT_STREQ(g_setup.sourceDir, "SETUP.EXE");
}

TEST_F(ScriptTest, ProgramDirectoryTooLongForSourceDirFails)
{
    // 79 characters fit sourceDir; with 80 nothing may be read or installed.
    std::string fits = "C:\\" + std::string(76, 'F');
    std::string tooLong = fits + "L";
    HINSTANCE instance = g_setup.instance;
    InitSetupState();
    g_setup.instance = instance;
    strcpy(g_setup.windowsDir, "C:\\WINDOWS");
    EXPECT_EQ(LoadSetupScriptFrom((tooLong + "\\SETUP.EXE").c_str()), 0);
    EXPECT_EQ(LoadSetupScriptFrom((std::string(300, 'P') + "\\SETUP.EXE").c_str()), 0);
    EXPECT_EQ(g_setup.fileTableHandle, (HGLOBAL)NULL);
    EXPECT_STREQ(g_setup.caption, "Velto Setup Program") << "the read-error message's caption";
    ASSERT_EQ(LoadSetupScriptFrom((fits + "\\SETUP.EXE").c_str()), 1);
    EXPECT_EQ(std::string(g_setup.sourceDir), fits);
}

TEST_F(ScriptTest, MissingScriptTakesEveryDefault)
{
    ASSERT_EQ(Load(NULL, "E:\\WIN"), 1);
    EXPECT_STREQ(g_setup.productName, "Velto");
    EXPECT_STREQ(g_setup.caption, "Velto Setup Program");
    EXPECT_STREQ(g_setup.installDir, "E:\\VELTO");
    EXPECT_EQ(g_setup.minimumSpaceKb, 1024);
    EXPECT_EQ(g_setup.serialMouse, 1);
    EXPECT_EQ(g_setup.ps2Only, 0);
    EXPECT_EQ(g_setup.noLogo, 0);
    EXPECT_EQ(g_setup.diskCount, 0);
    EXPECT_STREQ(g_setup.bannerTitle, "");
    EXPECT_STREQ(g_setup.driverInfo.pnpId, "1234");
    EXPECT_NE(g_setup.fileTableHandle, (HGLOBAL)NULL) << "an empty table is still allocated";
    EXPECT_EQ(g_setup.fileTable[0], g_setup.fileTable[g_setup.diskCount]);
}

TEST_F(ScriptTest, CaptionRule)
{
    ASSERT_EQ(Load("[Main]\r\nProductName=\r\n"), 1);
    EXPECT_STREQ(g_setup.productName, "");
    EXPECT_STREQ(g_setup.caption, " Setup Program");
    ASSERT_EQ(Load("[Main]\r\nProductName=Wheel Mouse\r\n"), 1);
    EXPECT_STREQ(g_setup.caption, "Wheel Mouse Setup Program");
}

TEST_F(ScriptTest, DefaultPathRule)
{
    struct Row { const char *line; const char *expect; } rows[] = {
        /* 0 */ { "DefaultPath=C:\\TOOLS\\MOUSE", "D:\\TOOLS\\MOUSE" },
        /* 1 */ { "DefaultPath=D:VELTO", "D:VELTO" },
        /* 2 */ { "DefaultPath=x:\\A", "D:\\A" },
        /* 3 */ { "DefaultPath=VELTO", "C:\\Program Files\\VELTO" },
        /* 4 */ { "DefaultPath=\\VELTO", "C:\\Program Files\\VELTO" },
        /* 5 */ { "DefaultPath=", "C:\\Program Files\\" },
        /* 6 */ { "DefaultPath=X:", "C:\\Program Files\\X:" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << rows[i].line);
        ASSERT_EQ(Load((std::string("[Main]\r\n") + rows[i].line + "\r\n").c_str()), 1);
        EXPECT_STREQ(g_setup.installDir, rows[i].expect);
    }
}

TEST_F(ScriptTest, DefaultPathBaseFromTheRegistry)
{
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, "ProgramFilesDir", "F:\\Apps");
    ASSERT_EQ(Load("[Main]\r\nDefaultPath=VELTO\r\n"), 1);
    EXPECT_STREQ(g_setup.installDir, "F:\\Apps\\VELTO");

    // The key without the value: the base is empty.
    RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY);
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, NULL, NULL);
    ASSERT_EQ(Load("[Main]\r\nDefaultPath=VELTO\r\n"), 1);
    EXPECT_STREQ(g_setup.installDir, "\\VELTO");

    // No key at all: the fixed base, whatever else the registry holds.
    RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY);
    ASSERT_EQ(Load("[Main]\r\nDefaultPath=VELTO\r\n"), 1);
    EXPECT_STREQ(g_setup.installDir, "C:\\Program Files\\VELTO");
}

TEST_F(ScriptTest, DestinationTooLongIsRefusedNotCut)
{
    std::string longName(90, 'N');
    ASSERT_EQ(Load(("[Main]\r\nDefaultPath=C:\\" + longName + "\r\n").c_str()), 1);
    EXPECT_STREQ(g_setup.installDir, "");
    // 79 characters fit exactly.
    std::string fits = "C:\\" + std::string(76, 'F');
    ASSERT_EQ(Load(("[Main]\r\nDefaultPath=" + fits + "\r\n").c_str()), 1);
    EXPECT_EQ(std::string(g_setup.installDir), "D:\\" + std::string(76, 'F'));
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, PROGRAM_FILES_KEY, "ProgramFilesDir",
                               ("C:\\" + std::string(70, 'P')).c_str());
    ASSERT_EQ(Load("[Main]\r\nDefaultPath=VELTOMOUSE\r\n"), 1);
    EXPECT_STREQ(g_setup.installDir, "");
}

TEST_F(ScriptTest, SettingsAndDriverStrings)
{
    ASSERT_EQ(Load("[Main]\r\nOEM=1\r\nPS2Only=1\r\nDefaultSerialMouse=2\r\n"
                   "[Startup]\r\nMfg=Velto Inc.\r\nMouseDriver=ZRMOUSE.DRV\r\nMouseInf=ZRMOUSE.INF\r\n"
                   "DriverDate=12-08-1998\r\nPS2InfSection=PS2_Install\r\nSerialInfSection=Ser_Install\r\n"
                   "PS2Name=Velto PS/2 Wheel Mouse\r\nSerialName=wrong key\r\nSeialName=Velto Serial Wheel Mouse\r\n"
                   "PnpID=VLT0001234567\r\n"), 1);
    EXPECT_EQ(g_setup.noLogo, 1);
    EXPECT_EQ(g_setup.ps2Only, 1);
    EXPECT_EQ(g_setup.serialMouse, 2);
    EXPECT_STREQ(g_setup.driverInfo.mfg, "Velto Inc.");
    EXPECT_STREQ(g_setup.driverInfo.mouseDriver, "ZRMOUSE.DRV");
    EXPECT_STREQ(g_setup.driverInfo.mouseInf, "ZRMOUSE.INF");
    EXPECT_STREQ(g_setup.driverInfo.driverDate, "12-08-1998");
    EXPECT_STREQ(g_setup.driverInfo.ps2InfSection, "PS2_Install");
    EXPECT_STREQ(g_setup.driverInfo.serialInfSection, "Ser_Install");
    EXPECT_STREQ(g_setup.driverInfo.ps2Name, "Velto PS/2 Wheel Mouse");
    EXPECT_STREQ(g_setup.driverInfo.serialName, "Velto Serial Wheel Mouse");
    EXPECT_STREQ(g_setup.driverInfo.pnpId, "VLT000123") << "cut to its 10 characters";
}

TEST_F(ScriptTest, MinimumSpaceIsClampedNotWrapped)
{
    struct Row { const char *value; int expect; } rows[] = {
        { "0", 0 }, { "32767", 32767 }, { "32768", 32767 }, { "70000", 32767 },
        { "65536", 32767 }, { "-5", 0 }, { "1500", 1500 },
    };
    for (auto &row : rows) {
        SCOPED_TRACE(row.value);
        ASSERT_EQ(Load((std::string("[Main]\r\nMinimumSpace=") + row.value + "\r\n").c_str()), 1);
        EXPECT_EQ(g_setup.minimumSpaceKb, row.expect);
    }
}

TEST_F(ScriptTest, DisksAreCountedFromLabels)
{
    // Labels for disks 1 and 3: two disks, sections Disk1 and Disk2.
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=One\r\nDisk3=Three\r\nDisk4=\r\n"
                   "[FileCounts]\r\nDisk1=1\r\nDisk2=1\r\nDisk3=1\r\n"
                   "[Disk1]\r\n1=A.EX_,A.EXE,first,RootDir\r\n"
                   "[Disk2]\r\n1=B.EX_,B.EXE,second,RootDir\r\n"
                   "[Disk3]\r\n1=C.EX_,C.EXE,third,RootDir\r\n"), 1);
    ASSERT_EQ(g_setup.diskCount, 2);
    EXPECT_EQ(g_setup.fileCounts[0], 1);
    EXPECT_EQ(g_setup.fileCounts[1], 1);
    EXPECT_EQ(g_setup.fileCounts[2], 0) << "the third disk is not loaded";
    EXPECT_STREQ(Record(0, 0).sourceName, "A.EX_");
    EXPECT_STREQ(Record(1, 0).sourceName, "B.EX_");
    EXPECT_EQ(g_setup.fileTable[2] - g_setup.fileTable[0], 2);
}

TEST_F(ScriptTest, SixDisksEachLoadTheirFiles)
{
    std::string ini = "[DiskLabel]\r\n", counts = "[FileCounts]\r\n", disks;
    for (int d = 1; d <= 6; d++) {
        std::string n = std::to_string(d);
        ini += "Disk" + n + "=Disk " + n + "\r\n";
        counts += "Disk" + n + "=" + n + "\r\n";
        disks += "[Disk" + n + "]\r\n" + n + "=F" + n + ".EX_,F" + n + ".EXE,file,RootDir\r\n";
    }
    ASSERT_EQ(Load((ini + counts + disks).c_str()), 1);
    ASSERT_EQ(g_setup.diskCount, 6);
    for (int d = 0; d < 6; d++) {
        SCOPED_TRACE("disk " + std::to_string(d + 1));
        ASSERT_EQ(g_setup.fileCounts[d], d + 1);
        EXPECT_EQ(Record(d, d).sourceName, "F" + std::to_string(d + 1) + ".EX_");
    }
}

TEST_F(ScriptTest, MissingLinesStayEmptyRecords)
{
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=3\r\n"
                   "[Disk1]\r\n1=A.EX_,A.EXE,first,RootDir\r\n3=C.EX_,C.EXE,third,RootDir\r\n"), 1);
    ASSERT_EQ(g_setup.fileCounts[0], 3);
    EXPECT_STREQ(Record(0, 0).sourceName, "A.EX_");
    ExpectRecord(Record(0, 1), "", "", "", "", "", 0);
    EXPECT_STREQ(Record(0, 2).sourceName, "C.EX_");
}

TEST_F(ScriptTest, FileLineFields)
{
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=6\r\n"
                   "[DirectoryName]\r\nRootDir=.\r\nSubDir6=EXTRA\r\nWinDir=WIN\r\n"
                   "[Disk1]\r\n"
                   "1= VARIRE.EX_ , VARIRE.EXE ,  Mouse program , rootdir\r\n"
                   "2=A.EX_\t,A.EXE,tab kept,RootDir\r\n"
                   "3=B.EX_,B.EXE\r\n"
                   "4=C.EX_,C.EXE,unknown key,Docs\r\n"
                   "5=D.EX_,D.EXE,,SUBDIR6\r\n"
                   "6=E.EX_,E.EXE,windows,WinDir,extra,fields\r\n"), 1);
    ExpectRecord(Record(0, 0), ".", ".", "VARIRE.EX_", "VARIRE.EXE", "Mouse program", 0);
    ExpectRecord(Record(0, 1), ".", ".", "A.EX_\t", "A.EXE", "tab kept", 0);
    ExpectRecord(Record(0, 2), "", "", "B.EX_", "B.EXE", "", 0);
    ExpectRecord(Record(0, 3), "", "", "C.EX_", "C.EXE", "unknown key", 0);
    ExpectRecord(Record(0, 4), "EXTRA", "EXTRA", "D.EX_", "D.EXE", "", 0);
    ExpectRecord(Record(0, 5), "WIN", "D:\\WINDOWS", "E.EX_", "E.EXE", "windows", 1);
}

TEST_F(ScriptTest, TextsTooLongForTheirFields)
{
    std::string longDir(40, 'D');          // 40 characters: one too many
    std::string longName(15, 'N');         // file names hold 14
    std::string longDescription(80, 'x');  // descriptions are cut at 61
    std::string ini = "[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=5\r\n"
                      "[DirectoryName]\r\nRootDir=.\r\nSubDir1=" + longDir + "\r\nSubDir2=" +
                      std::string(39, 'E') + "\r\n"
                      "[Disk1]\r\n"
                      "1=" + longName + ",A.EXE,long source,RootDir\r\n"
                      "2=A.EX_," + longName + ",long target,RootDir\r\n"
                      "3=A.EX_,A.EXE," + longDescription + ",RootDir\r\n"
                      "4=A.EX_,A.EXE,long directory,SubDir1\r\n"
                      "5=A.EX_,A.EXE,directory that fits,SubDir2\r\n";
    ASSERT_EQ(Load(ini.c_str()), 1);
    ExpectRecord(Record(0, 0), "", "", "", "", "", 0);
    ExpectRecord(Record(0, 1), "", "", "", "", "", 0);
    ExpectRecord(Record(0, 2), ".", ".", "A.EX_", "A.EXE", std::string(61, 'x').c_str(), 0);
    ExpectRecord(Record(0, 3), "", "", "", "", "", 0);
    EXPECT_STREQ(Record(0, 4).targetDir, std::string(39, 'E').c_str());
}

TEST_F(ScriptTest, WindowsDirectoryTooLongForATarget)
{
    std::string windows = "C:\\" + std::string(32, 'W');   // 35 + "\SYSTEM" = 42, + "\INF" = 39
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=3\r\n"
                   "[Disk1]\r\n1=A.DR_,A.DRV,driver,WinSystemDir\r\n2=B.IN_,B.INF,inf,WinInfDir\r\n"
                   "3=C.EX_,C.EXE,windows,WinDir\r\n", windows.c_str()), 1);
    ExpectRecord(Record(0, 0), "", "", "", "", "", 0);
    EXPECT_EQ(std::string(Record(0, 1).targetDir), windows + "\\INF");
    EXPECT_EQ(std::string(Record(0, 2).targetDir), windows);
    // No Windows directory at all: no Windows target is made up.
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=1\r\n"
                   "[Disk1]\r\n1=A.DR_,A.DRV,driver,WinSystemDir\r\n", ""), 1);
    ExpectRecord(Record(0, 0), "", "", "", "", "", 0);
}

TEST_F(ScriptTest, LineLongerThanTheReaderIsRefused)
{
    // The reader's room is 1,024: a line that fills it may have been cut.
    std::string huge = "A.EX_,A.EXE," + std::string(2000, 'd') + ",RootDir";
    std::string filling = "B.EX_,B.EXE," + std::string(1003, 'd') + ",SubDir1";
    std::string whole = "C.EX_,C.EXE," + std::string(1002, 'd') + ",SubDir1";
    ASSERT_EQ(filling.size(), 1023u);
    ASSERT_EQ(Load(("[DiskLabel]\r\nDisk1=One\r\n[FileCounts]\r\nDisk1=3\r\n"
                    "[DirectoryName]\r\nSubDir1=HELP\r\n[Disk1]\r\n1=" + huge + "\r\n2=" +
                    filling + "\r\n3=" + whole + "\r\n").c_str()), 1);
    ExpectRecord(Record(0, 0), "", "", "", "", "", 0);
    ExpectRecord(Record(0, 1), "", "", "", "", "", 0);
    EXPECT_STREQ(Record(0, 2).sourceName, "C.EX_") << "1,022 characters are whole";
    EXPECT_STREQ(Record(0, 2).targetDir, "HELP") << "the directory key after a long description";
}

TEST_F(ScriptTest, CountsAreNarrowedTo16BitsFirst)
{
    // A count is a 16-bit signed value; one that reads negative counts as 0.
    struct Row { const char *value; int expect; } rows[] = {
        /* 0 */ { "65537", 1 }, /* 1 */ { "40000", 0 }, /* 2 */ { "-3", 0 }, /* 3 */ { "32769", 0 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": Disk1=" << rows[i].value);
        ASSERT_EQ(Load((std::string("[DiskLabel]\r\nDisk1=a\r\n[FileCounts]\r\nDisk1=") +
                        rows[i].value + "\r\n[Disk1]\r\n1=A.EX_,A.EXE,a,RootDir\r\n").c_str()), 1);
        EXPECT_EQ(g_setup.fileCounts[0], rows[i].expect);
        FreeFileTable();
    }
    // The sum stays within 16 bits, and the whole table is there to be written.
    ASSERT_EQ(Load("[DiskLabel]\r\nDisk1=a\r\nDisk2=b\r\n[FileCounts]\r\nDisk1=2\r\nDisk2=32767\r\n"
                   "[Disk1]\r\n2=B.EX_,B.EXE,b,RootDir\r\n"), 1);
    EXPECT_EQ(g_setup.fileCounts[1], 32765);
    EXPECT_EQ(g_setup.fileTable[2] - g_setup.fileTable[0], 32767);
    EXPECT_STREQ(Record(0, 1).sourceName, "B.EX_");
    EXPECT_EQ(Record(1, 32764).sourceName[0], '\0');
    EXPECT_GE(GlobalSize(g_setup.fileTableHandle), 32767 * sizeof(FileRecord));
}

TEST(SplitField, WalksFieldsAndTrimsBlanksOnly)
{
    char field[256];
    const char *text = "  a b  ,\tc\t,,   ,last  ";
    const char *next = SplitField(text, field, sizeof(field));
    EXPECT_STREQ(field, "a b");
    next = SplitField(next, field, sizeof(field));
    EXPECT_STREQ(field, "\tc\t");
    next = SplitField(next, field, sizeof(field));
    EXPECT_STREQ(field, "");
    next = SplitField(next, field, sizeof(field));
    EXPECT_STREQ(field, "") << "a field of blanks is empty";
    next = SplitField(next, field, sizeof(field));
    EXPECT_STREQ(field, "last");
    EXPECT_EQ(*next, '\0');
    next = SplitField(next, field, sizeof(field));
    EXPECT_STREQ(field, "") << "past the end every field is empty";
}

TEST(SplitField, BoundedByTheFieldSize)
{
    char field[8] = "#######";
    const char *next = SplitField("abcdefghijkl,x", field, 5);
    EXPECT_STREQ(field, "abcd");
    EXPECT_EQ(field[5], '#');
    EXPECT_STREQ(next, "x");
}

TEST(FileTable, ZeroRecordsStillAllocates)
{
    ASSERT_EQ(AllocFileTable(0), 1);
    EXPECT_NE(g_setup.fileTable[0], (FileRecord *)NULL);
    EXPECT_GE(GlobalSize(g_setup.fileTableHandle), sizeof(FileRecord));
    FreeFileTable();
    EXPECT_EQ(g_setup.fileTableHandle, (HGLOBAL)NULL);
}

}  // namespace

// What a name or directory value of the script may be: a plain relative
// path. Each row: the text and why it is refused (or not).
TEST(ScriptContainment, PathPiecesStayInside)
{
    struct Row { const char *text; int reason; } rows[] = {
        { "", PATH_CONTAINED },             { ".", PATH_CONTAINED },
        { "HELP\\DEUTSCH", PATH_CONTAINED }, { "HELP\\\\X\\", PATH_CONTAINED },
        { "A..B.TXT", PATH_CONTAINED },     { "..X", PATH_CONTAINED },
        { "COM10", PATH_CONTAINED },        { "CONFIG.SYS", PATH_CONTAINED },
        { "..", PATH_PARENT },              { "HELP\\..\\..", PATH_PARENT },
        { "...", PATH_PARENT },             { "A/../B", PATH_PARENT },
        { ". .", PATH_PARENT },             { "X\\.. ", PATH_PARENT },
        { "C:", PATH_DRIVE },               { "C:\\WINDOWS", PATH_DRIVE },
        { "A.TXT:STREAM", PATH_DRIVE },     { "\\WINDOWS", PATH_ROOTED },
        { "/WINDOWS", PATH_ROOTED },        { "\\\\SERVER\\SHARE", PATH_ROOTED },
        { "*.EXE", PATH_WILDCARD },         { "A?.EXE", PATH_WILDCARD },
        { "A|B", PATH_WILDCARD },           { "A\tB", PATH_WILDCARD },
        { "CON", PATH_DEVICE },             { "nul.txt", PATH_DEVICE },
        { "HELP\\LPT1", PATH_DEVICE },       { "AUX .DAT", PATH_DEVICE },
    };
    for (const Row &row : rows)
        EXPECT_EQ(CheckPathPiece(row.text), row.reason) << "\"" << row.text << "\"";
}

// The one path rule that the setup's package check, the uninstaller's
// entry check and SETUPCHK share: "/" and "\" alike, ".." and "..." steps,
// trailing dots and blanks as Win32 drops them, devices, and Windows' own
// files. Each table row: the input and what the rule makes of it.
TEST(ScriptPathRule, OneRuleForEveryProgram)
{
    struct PieceRow { const char *text; int reason; } pieces[] = {
        /* 0 */ { "HELP.", PATH_TRAILING },      /* 1 */ { "WIN.INI.", PATH_TRAILING },
        /* 2 */ { "A ", PATH_TRAILING },         /* 3 */ { "HELP \\A", PATH_TRAILING },
        /* 4 */ { "CONIN$", PATH_DEVICE },       /* 5 */ { "conout$.txt", PATH_DEVICE },
        /* 6 */ { "HELP/...", PATH_PARENT },     /* 7 */ { "A.B", PATH_CONTAINED },
    };
    for (const PieceRow &row : pieces)
        EXPECT_EQ(CheckPathPiece(row.text), row.reason) << "\"" << row.text << "\"";

    struct TargetRow { const char *text; int windowsDir; int reason; } targets[] = {
        /* 0 */ { "A.EXE", 0, PATH_CONTAINED },        /* 1 */ { ".", 0, PATH_NO_NAME },
        /* 2 */ { "", 0, PATH_NO_NAME },               /* 3 */ { "HELP\\", 0, PATH_NO_NAME },
        /* 4 */ { "HELP\\.", 0, PATH_NO_NAME },        /* 5 */ { "WIN.INI", 0, PATH_CONTAINED },
        /* 6 */ { "WIN.INI", 1, PATH_WINDOWS_OWN },    /* 7 */ { "system.dat", 1, PATH_WINDOWS_OWN },
        /* 8 */ { "KRNL386.EXE", 1, PATH_WINDOWS_OWN }, /* 9 */ { "IO.SYS", 1, PATH_WINDOWS_OWN },
        /* 10 */ { "COMMAND.COM", 1, PATH_WINDOWS_OWN }, /* 11 */ { "ZRMOUSE.DRV", 1, PATH_CONTAINED },
        /* 12 */ { "SYSTEM.INI.", 1, PATH_TRAILING },  /* 13 */ { "CONOUT$", 0, PATH_DEVICE },
        /* 14 */ { "..", 1, PATH_PARENT },
    };
    for (const TargetRow &row : targets)
        EXPECT_EQ(CheckTargetName(row.text, row.windowsDir), row.reason)
            << "\"" << row.text << "\" windows " << row.windowsDir;

    struct CanonicalRow { const char *path; const char *canonical; } canonicals[] = {
        /* 0 */ { "C:\\VELTO\\../AUTOEXEC.BAT", "C:\\AUTOEXEC.BAT" },
        /* 1 */ { "C:/VELTO/./A.TXT", "C:\\VELTO\\A.TXT" },
        /* 2 */ { "C:\\A\\B\\...\\X", "C:\\X" },
        /* 3 */ { "C:\\WINDOWS\\WIN.INI.", "C:\\WINDOWS\\WIN.INI" },
        /* 4 */ { "C:\\WINDOWS\\USER.DAT ", "C:\\WINDOWS\\USER.DAT" },
        /* 5 */ { "C:\\A\\\\B\\", "C:\\A\\B" },
        /* 6 */ { "C:\\..\\..", "C:\\" },
        /* 7 */ { "C:\\", "C:\\" },
        /* 8 */ { "C:\\VELTO\\. .\\A", "C:\\A" },
        /* 9 */ { "VELTO\\A", "" },
        /* 10 */ { "\\\\SERVER\\SHARE\\A", "" },
        /* 11 */ { "C:A", "" },
    };
    for (const CanonicalRow &row : canonicals) {
        char canonical[MAX_PATH];
        memset(canonical, '#', sizeof(canonical));
        EXPECT_EQ(CanonicalPath(canonical, sizeof(canonical), row.path), row.canonical[0] != '\0') << row.path;
        EXPECT_EQ(std::string(canonical), row.canonical) << row.path;
    }

    struct WithinRow { const char *path; const char *dir; int within; } withins[] = {
        /* 0 */ { "C:\\VELTO\\A", "C:\\VELTO", 1 },
        /* 1 */ { "c:\\velto\\HELP\\A", "C:\\VELTO", 1 },
        /* 2 */ { "C:\\VELTO\\../A", "C:\\VELTO", 0 },
        /* 3 */ { "C:\\VELTO/..\\A", "C:\\VELTO", 0 },
        /* 4 */ { "C:\\VELTOX\\A", "C:\\VELTO", 0 },
        /* 5 */ { "C:\\VELTO", "C:\\VELTO", 0 },
        /* 6 */ { "C:\\VELTO\\.", "C:\\VELTO", 0 },
        /* 7 */ { "C:\\VELTO\\A\\...", "C:\\VELTO", 0 },
        /* 8 */ { "C:\\A", "C:\\", 1 },
        /* 9 */ { "D:\\VELTO\\A", "C:\\VELTO", 0 },
    };
    for (const WithinRow &row : withins)
        EXPECT_EQ(PathWithin(row.path, row.dir), row.within) << row.path << " in " << row.dir;

    struct PlainRow { const char *path; int plain; } plains[] = {
        /* 0 */ { "C:\\VELTO\\A.TXT", 1 },   /* 1 */ { "C:\\VELTO/A.TXT", 0 },
        /* 2 */ { "C:\\VELTO\\A.TXT.", 0 },  /* 3 */ { "C:\\VELTO\\A.TXT ", 0 },
        /* 4 */ { "C:\\VELTO\\NUL", 0 },     /* 5 */ { "C:\\VELTO\\CONOUT$", 0 },
        /* 6 */ { "C:\\VELTO\\A.TXT:S", 0 }, /* 7 */ { "C:\\VELTO\\..\\A", 0 },
        /* 8 */ { "C:\\VELTO\\*.TXT", 0 },   /* 9 */ { "C:\\VELTO\\\\A", 0 },
    };
    for (const PlainRow &row : plains)
        EXPECT_EQ(IsPlainFullPath(row.path), row.plain) << row.path;
}
