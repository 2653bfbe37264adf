// The system.ini update, byte for byte, its backups and its failures, and
// VMOUSE.VXD moved aside, in a scratch Windows and system directory.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "../app/paths.h"
#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/install.h"
#include "test_support.h"

namespace {

class SystemIniTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = ScratchDir("sysini");
        windows_ = root_ + "\\WIN";
        system_ = root_ + "\\SYS";
        CreateDirectoryA(windows_.c_str(), NULL);
        CreateDirectoryA(system_.c_str(), NULL);
        CreateDirectoryA((system_ + "\\VMM32").c_str(), NULL);
        InitSetupState();
        g_setup.instance = GetModuleHandleA(NULL);
        TEXT_COPY(g_setup.windowsDir, windows_.c_str());
        g_systemDirHook = system_.c_str();
    }
    void TearDown() override
    {
        g_systemDirHook = NULL;
        SetFileAttributesA(Win("system.bak").c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(root_);
    }
    std::string Win(const char *name) { return windows_ + "\\" + name; }
    std::string Vmm(const char *name) { return system_ + "\\VMM32\\" + name; }

    std::string root_, windows_, system_;
};

TEST_F(SystemIniTest, MouseLineRewrittenByteForByte)
{
    std::string longLine(300, 'a');
    std::string mixed = std::string(150, 'k') + "mouse" + std::string(145, 'z');
    struct Row { std::string before, after; } rows[] = {
        /*  0: built-in driver and a further file */
        { "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=*vmouse, msmouse.vxd\r\nkeyboard=*vkd\r\n",
          "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\nmouse=*vmouse\r\nkeyboard=*vkd\r\n" },
        /*  1: a commented mouse line is kept */
        { "[386Enh]\r\n;mouse=old.vxd\r\nmouse=new.vxd\r\n", "[386Enh]\r\n;mouse=old.vxd\r\nmouse=*vmouse\r\n" },
        /*  2: the section name in other letter case */
        { "[386enh]\r\nmouse=x.vxd\r\n", "[386enh]\r\nmouse=x.vxd\r\n" },
        /*  3: Mouse with a capital M is no mouse line */
        { "[386Enh]\r\nMouse=x.vxd\r\n", "[386Enh]\r\nMouse=x.vxd\r\n" },
        /*  4: no section: line feeds become CR LF */
        { "[boot]\nmouse=x.vxd\nend=1\n", "[boot]\r\nmouse=x.vxd\r\nend=1\r\n" },
        /*  5: the first mouse line of a later section, and only that one */
        { "[386Enh]\r\nkeyboard=*vkd\r\n[other]\r\nmouse=x\r\nmouse=y\r\n",
          "[386Enh]\r\nkeyboard=*vkd\r\n[other]\r\nmouse=*vmouse\r\nmouse=y\r\n" },
        /*  6: a 300-character line comes back whole */
        { "[386Enh]\r\n" + longLine + "\r\nmouse=x\r\n", "[386Enh]\r\n" + longLine + "\r\nmouse=*vmouse\r\n" },
        /*  7: a long line is read in pieces of 119 */
        { "[386Enh]\r\n" + mixed + "\r\n",
          "[386Enh]\r\n" + std::string(119, 'k') + "mouse=*vmouse\r\n" + std::string(62, 'z') + "\r\n" },
        /*  8: a last line without a line feed */
        { "[boot]\r\nlast=1", "[boot]\r\nlast=1" },
        /*  9: ...unless it is the replaced one */
        { "[386Enh]\r\nmouse=x", "[386Enh]\r\nmouse=*vmouse\r\n" },
        /* 10: Ctrl-Z ends the input */
        { "[boot]\r\na=1\r\n\x1A[386Enh]\r\nmouse=x\r\n", "[boot]\r\na=1\r\n" },
        /* 11: a line holding both texts is replaced itself */
        { "[386Enh] mouse\r\nmouse=x\r\n", "mouse=*vmouse\r\nmouse=x\r\n" },
        /* 12: a second section header sets the latch again */
        { "[386Enh]\r\nmouse=a\r\n[386Enh]\r\nmouse=b\r\n", "[386Enh]\r\nmouse=*vmouse\r\n[386Enh]\r\nmouse=*vmouse\r\n" },
        /* 13: a blank before ';' is no comment */
        { "[386Enh]\r\n ;mouse=a\r\n", "[386Enh]\r\nmouse=*vmouse\r\n" },
        /* 14: a lone CR stays */
        { "[boot]\ra=1\r\n", "[boot]\ra=1\r\n" },
        /* 15: an empty file */
        { "", "" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        DeleteFileA(Win("system.bak").c_str());
        WriteFileBytes(Win("system.ini"), rows[i].before);
        UpdateSystemIni();
        EXPECT_EQ(ReadFileBytes(Win("system.ini")), rows[i].after);
        EXPECT_EQ(ReadFileBytes(Win("system.bak")), rows[i].before);
        EXPECT_FALSE(FileExists(Win("system.new")));
    }
}

TEST_F(SystemIniTest, OneGenerationOfBackup)
{
    WriteFileBytes(Win("system.bak"), "older backup");
    WriteFileBytes(Win("system.ini"), "[386Enh]\r\nmouse=x\r\n");
    UpdateSystemIni();
    EXPECT_EQ(ReadFileBytes(Win("system.bak")), "[386Enh]\r\nmouse=x\r\n");
    EXPECT_EQ(ReadFileBytes(Win("system.ini")), "[386Enh]\r\nmouse=*vmouse\r\n");
    UpdateSystemIni();
    EXPECT_EQ(ReadFileBytes(Win("system.bak")), "[386Enh]\r\nmouse=*vmouse\r\n");
    EXPECT_EQ(ReadFileBytes(Win("system.ini")), "[386Enh]\r\nmouse=*vmouse\r\n");
}

// Each row breaks the update one way; system.ini must come out as it was.
TEST_F(SystemIniTest, FailuresKeepSystemIni)
{
    const std::string before = "[386Enh]\r\nmouse=x\r\n";
    struct Row { const char *what; int kind; } rows[] = {
        /* 0 */ { "system.new cannot be opened", 0 },
        /* 1 */ { "a zero byte in a line", 1 },
        /* 2 */ { "system.bak cannot be deleted", 2 },
    };
    for (auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::string content = row.kind == 1 ? std::string("[386Enh]\r\na\0b\r\nmouse=x\r\n", 22) : before;
        WriteFileBytes(Win("system.ini"), content);
        WriteFileBytes(Win("system.bak"), "older backup");
        if (row.kind == 0)
            CreateDirectoryA(Win("system.new").c_str(), NULL);
        if (row.kind == 2)
            SetFileAttributesA(Win("system.bak").c_str(), FILE_ATTRIBUTE_READONLY);

        UpdateSystemIni();
        EXPECT_TRUE(ReadFileBytes(Win("system.ini")) == content) << ReadFileBytes(Win("system.ini"));
        EXPECT_EQ(ReadFileBytes(Win("system.bak")), "older backup");
        if (row.kind == 0)
            EXPECT_TRUE(RemoveDirectoryA(Win("system.new").c_str()));
        else
            EXPECT_FALSE(FileExists(Win("system.new")));
        SetFileAttributesA(Win("system.bak").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(SystemIniTest, MissingSystemIniLeavesNothingBehind)
{
    WriteFileBytes(Win("system.bak"), "older backup");
    UpdateSystemIni();
    EXPECT_FALSE(FileExists(Win("system.ini")));
    EXPECT_FALSE(FileExists(Win("system.new")));
    EXPECT_EQ(ReadFileBytes(Win("system.bak")), "older backup");
}

TEST_F(SystemIniTest, WindowsDirectoryTooLongOrEmpty)
{
    // 41 characters: the system.bak path needs 52 with its terminator
    std::string longDir = root_ + "\\" + std::string(41 - root_.size() - 1, 'L');
    ASSERT_EQ(longDir.size(), 41u);
    CreateDirectoryA(longDir.c_str(), NULL);
    WriteFileBytes(longDir + "\\system.ini", "[386Enh]\r\nmouse=x\r\n");
    TEXT_COPY(g_setup.windowsDir, longDir.c_str());
    UpdateSystemIni();
    EXPECT_EQ(ReadFileBytes(longDir + "\\system.ini"), "[386Enh]\r\nmouse=x\r\n");
    EXPECT_FALSE(FileExists(longDir + "\\system.new"));
    EXPECT_FALSE(FileExists(longDir + "\\system.bak"));

    // 40 characters fit
    std::string fitDir = longDir.substr(0, 40);
    CreateDirectoryA(fitDir.c_str(), NULL);
    WriteFileBytes(fitDir + "\\system.ini", "[386Enh]\r\nmouse=x\r\n");
    TEXT_COPY(g_setup.windowsDir, fitDir.c_str());
    UpdateSystemIni();
    EXPECT_EQ(ReadFileBytes(fitDir + "\\system.ini"), "[386Enh]\r\nmouse=*vmouse\r\n");

    g_setup.windowsDir[0] = '\0';
    UpdateSystemIni();
    EXPECT_FALSE(FileExists("\\system.new")) << "written at the drive root";
    EXPECT_FALSE(FileExists("\\system.bak")) << "written at the drive root";
}

TEST_F(SystemIniTest, VmouseMovedAside)
{
    struct Row { const char *what; bool vxd; bool oldBak; const char *bakAfter; bool vxdAfter; } rows[] = {
        /* 0 */ { "first move", true, false, "driver", false },
        /* 1 */ { "older backup replaced", true, true, "driver", false },
        /* 2 */ { "no driver: the older backup stays", false, true, "older", false },
        /* 3 */ { "nothing at all", false, false, "<missing>", false },
    };
    for (auto &row : rows) {
        SCOPED_TRACE(row.what);
        DeleteFileA(Vmm("VMOUSE.VXD").c_str());
        DeleteFileA(Vmm("VMOUSE.BAK").c_str());
        if (row.vxd)
            WriteFileBytes(Vmm("VMOUSE.VXD"), "driver");
        if (row.oldBak)
            WriteFileBytes(Vmm("VMOUSE.BAK"), "older");
        UpdateSystemIni();
        EXPECT_EQ(ReadFileBytes(Vmm("VMOUSE.BAK")), row.bakAfter);
        EXPECT_EQ(FileExists(Vmm("VMOUSE.VXD")), row.vxdAfter);
    }
}

TEST_F(SystemIniTest, SystemDirectoryTooLong)
{
    // the VMOUSE.BAK path needs 80 with its terminator from 63 characters on
    std::string longDir = root_ + "\\" + std::string(63 - root_.size() - 1, 'S');
    ASSERT_EQ(longDir.size(), 63u);
    CreateDirectoryA(longDir.c_str(), NULL);
    CreateDirectoryA((longDir + "\\VMM32").c_str(), NULL);
    WriteFileBytes(longDir + "\\VMM32\\VMOUSE.VXD", "driver");
    g_systemDirHook = longDir.c_str();
    UpdateSystemIni();
    EXPECT_EQ(ReadFileBytes(longDir + "\\VMM32\\VMOUSE.VXD"), "driver");
    EXPECT_FALSE(FileExists(longDir + "\\VMM32\\VMOUSE.BAK"));
    g_systemDirHook = system_.c_str();
}

}  // namespace
