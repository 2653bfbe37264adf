// The system.ini update, byte for byte, its backups and its failures, and
// VMOUSE.VXD moved aside, in a scratch Windows and system directory.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "paths.h"
#include "setup_state.h"
#include "text.h"
#include "install.h"
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
    std::string longMouse = "mouse=" + std::string(294, 'm');
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
        /*  5: a mouse line of a later section is none of [386Enh] */
        { "[386Enh]\r\nkeyboard=*vkd\r\n[other]\r\nmouse=x\r\nmouse=y\r\n",
          "[386Enh]\r\nkeyboard=*vkd\r\n[other]\r\nmouse=x\r\nmouse=y\r\n" },
        /*  6: a 300-character line comes back whole */
        { "[386Enh]\r\n" + longLine + "\r\nmouse=x\r\n", "[386Enh]\r\n" + longLine + "\r\nmouse=*vmouse\r\n" },
        /*  7: a 300-character line with "mouse" in its second half is read
         *     whole and is no mouse line */
        { "[386Enh]\r\n" + mixed + "\r\nmouse=x\r\n", "[386Enh]\r\n" + mixed + "\r\nmouse=*vmouse\r\n" },
        /*  8: a last line without a line feed */
        { "[boot]\r\nlast=1", "[boot]\r\nlast=1" },
        /*  9: ...unless it is the replaced one */
        { "[386Enh]\r\nmouse=x", "[386Enh]\r\nmouse=*vmouse\r\n" },
        /* 10: Ctrl-Z ends the input */
        { "[boot]\r\na=1\r\n\x1A[386Enh]\r\nmouse=x\r\n", "[boot]\r\na=1\r\n" },
        /* 11: a header that holds the word is no mouse line */
        { "[386Enh] mouse\r\nmouse=x\r\n", "[386Enh] mouse\r\nmouse=*vmouse\r\n" },
        /* 12: only the first mouse line is replaced */
        { "[386Enh]\r\nmouse=a\r\n[386Enh]\r\nmouse=b\r\n", "[386Enh]\r\nmouse=*vmouse\r\n[386Enh]\r\nmouse=b\r\n" },
        /* 13: a comment after a blank is no mouse line; blanks around the key are */
        { "[386Enh]\r\n ;mouse=a\r\n\tmouse = b\r\n", "[386Enh]\r\n ;mouse=a\r\nmouse=*vmouse\r\n" },
        /* 14: a lone CR stays */
        { "[boot]\ra=1\r\n", "[boot]\ra=1\r\n" },
        /* 15: an empty file */
        { "", "" },
        /* 16: a 300-character mouse line is replaced whole */
        { "[386Enh]\r\n" + longMouse + "\r\nnext=1\r\n", "[386Enh]\r\nmouse=*vmouse\r\nnext=1\r\n" },
        /* 17: a key that only begins with the word */
        { "[386Enh]\r\nmousewheel=1\r\nmouse=x\r\n", "[386Enh]\r\nmousewheel=1\r\nmouse=*vmouse\r\n" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        DeleteFileA(Win("system.bak").c_str());
        WriteFileBytes(Win("system.ini"), rows[i].before);
        EXPECT_EQ(UpdateSystemIni(), 1);
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

        g_setup.failure[0] = '\0';
        EXPECT_EQ(UpdateSystemIni(), 0) << "a failure reported as success";
        EXPECT_EQ(std::string(g_setup.failure), "system.ini could not be updated: " + Win("system.ini"));
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

// Any Windows or system directory a user can have: a long one is
// updated like any other; one whose paths do not fit, or none, is told
// and leaves nothing behind.
TEST_F(SystemIniTest, LongOrEmptyDirectories)
{
    struct Row { size_t length; int result; } rows[] = {
        /* 0: beyond the old 52- and 80-character rooms */ { 200, 1 },
        /* 1: system.ini no longer fits MAX_PATH */         { MAX_PATH - 11, 0 },
        /* 2: no Windows directory */                       { 0, 0 },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.length));
        std::string dir;
        // the files only where their paths fit
        bool files = row.length > 0 && row.length + 20 < MAX_PATH;
        if (row.length > 0) {
            dir = root_ + "\\" + std::string(row.length - root_.size() - 1, 'L');
            ASSERT_EQ(dir.size(), row.length);
            CreateDirectoryA(dir.c_str(), NULL);
        }
        if (files) {
            CreateDirectoryA((dir + "\\VMM32").c_str(), NULL);
            WriteFileBytes(dir + "\\VMM32\\VMOUSE.VXD", "driver");
            WriteFileBytes(dir + "\\system.ini", "[386Enh]\r\nmouse=x\r\n");
        }
        TEXT_COPY(g_setup.windowsDir, dir.c_str());
        g_systemDirHook = dir.c_str();
        g_setup.failure[0] = '\0';
        EXPECT_EQ(UpdateSystemIni(), row.result);
        EXPECT_EQ(g_setup.failure[0] != '\0', row.result == 0) << g_setup.failure;
        if (files) {
            EXPECT_EQ(ReadFileBytes(dir + "\\system.ini"),
                      row.result ? "[386Enh]\r\nmouse=*vmouse\r\n" : "[386Enh]\r\nmouse=x\r\n");
            EXPECT_FALSE(FileExists(dir + "\\system.new"));
            EXPECT_EQ(FileExists(dir + "\\VMM32\\VMOUSE.BAK"), row.result == 1);
        }
        EXPECT_FALSE(FileExists("\\system.new")) << "written at the drive root";
        EXPECT_FALSE(FileExists("\\system.bak")) << "written at the drive root";
        g_systemDirHook = system_.c_str();
        if (row.length > 0)
            RemoveTree(dir);
    }
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
        WriteFileBytes(Win("system.ini"), "[386Enh]\r\nmouse=x\r\n");
        EXPECT_EQ(UpdateSystemIni(), 1);
        EXPECT_EQ(ReadFileBytes(Vmm("VMOUSE.BAK")), row.bakAfter);
        EXPECT_EQ(FileExists(Vmm("VMOUSE.VXD")), row.vxdAfter);
    }
}

}  // namespace
