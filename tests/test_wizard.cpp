// The page sequence, the mode test, the start-up entry check, the string
// loader and the setup state's initial values.
#include <gtest/gtest.h>

#include <string.h>

#include "setup_state.h"
#include "wizard.h"
#include "resource.h"
#include "test_support.h"

namespace {

TEST(Wizard, SequenceWithoutPs2Only)
{
    struct Row { WizardState state; PageResult result; WizardState expect; } rows[] = {
        /*  0 */ { STATE_WELCOME, PAGE_CANCEL, STATE_ABORT },
        /*  1 */ { STATE_WELCOME, PAGE_NEXT, STATE_MOUSE_TYPE },
        /*  2 */ { STATE_WELCOME, PAGE_BACK, STATE_MOUSE_TYPE },
        /*  3 */ { STATE_WELCOME, 7, STATE_MOUSE_TYPE },
        /*  4 */ { STATE_MOUSE_TYPE, PAGE_CANCEL, STATE_ABORT },
        /*  5 */ { STATE_MOUSE_TYPE, PAGE_BACK, STATE_WELCOME },
        /*  6 */ { STATE_MOUSE_TYPE, PAGE_NEXT, STATE_DESTINATION },
        /*  7 */ { STATE_MOUSE_TYPE, -1, STATE_DESTINATION },
        /*  8 */ { STATE_DESTINATION, PAGE_CANCEL, STATE_ABORT },
        /*  9 */ { STATE_DESTINATION, PAGE_BACK, STATE_MOUSE_TYPE },
        /* 10 */ { STATE_DESTINATION, PAGE_NEXT, STATE_CLOSE_COMPANION },
        /* 11 */ { STATE_CLOSE_COMPANION, PAGE_NEXT, STATE_INSTALL },
        /* 12 */ { STATE_INSTALL, PAGE_CANCEL, STATE_ABORT },
        /* 13 */ { STATE_INSTALL, PAGE_NEXT, STATE_FINISH },
        /* 14 */ { STATE_INSTALL, PAGE_BACK, STATE_FINISH },
        /* 15 */ { STATE_FINISH, PAGE_CANCEL, STATE_DONE },
        /* 16 */ { STATE_FINISH, PAGE_NEXT, STATE_DONE },
        /* 17 */ { STATE_FINISH, PAGE_BACK, STATE_DONE },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        EXPECT_EQ(NextWizardState(rows[i].state, rows[i].result, 0), rows[i].expect)
            << "row " << i;
    }
}

TEST(Wizard, SequenceWithPs2OnlySkipsTheMouseTypePage)
{
    struct Row { WizardState state; PageResult result; WizardState expect; } rows[] = {
        /* 0 */ { STATE_WELCOME, PAGE_NEXT, STATE_DESTINATION },
        /* 1 */ { STATE_WELCOME, PAGE_BACK, STATE_DESTINATION },
        /* 2 */ { STATE_WELCOME, PAGE_CANCEL, STATE_ABORT },
        /* 3 */ { STATE_DESTINATION, PAGE_BACK, STATE_WELCOME },
        /* 4 */ { STATE_DESTINATION, PAGE_NEXT, STATE_CLOSE_COMPANION },
        /* 5 */ { STATE_DESTINATION, PAGE_CANCEL, STATE_ABORT },
        /* 6 */ { STATE_INSTALL, PAGE_NEXT, STATE_FINISH },
        /* 7 */ { STATE_FINISH, PAGE_NEXT, STATE_DONE },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        EXPECT_EQ(NextWizardState(rows[i].state, rows[i].result, 1), rows[i].expect)
            << "row " << i;
        EXPECT_EQ(NextWizardState(rows[i].state, rows[i].result, -4), rows[i].expect)
            << "row " << i << ": any nonzero PS2Only";
    }
}

TEST(Mode, OnlyLowerCaseDashUSelectsReconfiguration)
{
    struct Row { const char *line; int expect; } rows[] = {
        { "-u", 1 }, { "-uninstall", 1 }, { "-ux", 1 }, { "-u anything", 1 },
        { "-U", 0 }, { "/u", 0 }, { "", 0 }, { " -u", 0 }, { "-", 0 }, { "u", 0 },
    };
    for (auto &row : rows)
        EXPECT_EQ(IsReconfigureMode(row.line), row.expect) << "'" << row.line << "'";
    EXPECT_EQ(IsReconfigureMode(NULL), 0);
}

TEST(AlreadyInstalled, StartupEntryNamingTheCompanion)
{
    RegistrySandbox sandbox;
    EXPECT_EQ(IsAlreadyInstalled(), 0) << "no Run key";
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, RUN_KEY, NULL, NULL);
    EXPECT_EQ(IsAlreadyInstalled(), 0) << "no Kestrel value";

    struct Row { const char *value; int expect; } rows[] = {
        /* 0 */ { "C:\\VELTO\\VARIRE.EXE -startup", 1 },
        /* 1 */ { "C:\\VELTO\\varire.exe -startup", 0 },   // case-sensitive
        /* 2 */ { "VARIRE.EXE", 1 },
        /* 3 */ { "C:\\VELTO\\VARIRE.EX", 0 },
        /* 4 */ { "", 0 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, RUN_KEY, COMPANION_TITLE, rows[i].value);
        EXPECT_EQ(IsAlreadyInstalled(), rows[i].expect) << "row " << i;
    }
    // An entry longer than 80 characters is still read whole.
    std::string longEntry = "C:\\" + std::string(90, 'P') + "\\VARIRE.EXE -startup";
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, RUN_KEY, COMPANION_TITLE, longEntry.c_str());
    EXPECT_EQ(IsAlreadyInstalled(), 1);
    // Another program's entry does not count.
    RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, RUN_KEY);
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, RUN_KEY, "Other", "C:\\VELTO\\VARIRE.EXE");
    EXPECT_EQ(IsAlreadyInstalled(), 0);
}

TEST(LoadText, RingOfFourBuffers)
{
    const char *first = LoadText(IDS_MAIN_SECTION);
    ASSERT_NE(first, (const char *)NULL);
    EXPECT_STREQ(first, "Main");
    const char *second = LoadText(IDS_DEFAULT_PATH);
    const char *third = LoadText(IDS_TITLE);
    const char *missing = LoadText(21);   // no text: still takes a buffer
    EXPECT_EQ(missing, (const char *)NULL);
    EXPECT_STREQ(first, "Main") << "still valid after three more calls";
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    const char *fifth = LoadText(IDS_COPYING);
    EXPECT_EQ(fifth, first) << "the fifth call reuses the first buffer";
    EXPECT_STREQ(first, "Copying ");
}

TEST(LoadText, TheProgramsTexts)
{
    struct Row { UINT id; const char *text; } rows[] = {
        { 1, "DiskLabel" }, { 2, "DirectoryName" }, { 3, "FileCounts" },
        { 4, "Disk1" }, { 9, "Disk6" }, { 10, "RootDir" }, { 16, "SubDir6" },
        { 17, "WinDir" }, { 18, "WinSystemDir" }, { 19, "WinInfDir" },
        { 20, "SETUP.INF Reading error !" }, { 22, "Main" }, { 23, "DefaultPath" },
        { 25, "MinimumSpace" }, { 28, " installation is not completed !" },
        { 29, "Setup Program" }, { 30, "ProductName" },
        { 32, "The specified directory already exists !\nDo you still want to install into this directory ?" },
        { 33, "Can not create directory !\nThe specified directory is either invalid or disk drive is write protected." },
        { 34, "There is no enough free space in the specified disk drive !" },
        { 36, "Copying " }, { 41, "Startup" }, { 43, "Title" },
        { 44, "This  Mouse Setup Program is for Windows 95/98 only !" },
        { 45, "Mfg" }, { 46, "MouseDriver" }, { 47, "MouseInf" }, { 48, "DriverDate" },
        { 49, "PS2InfSection" }, { 50, "SerialInfSection" }, { 51, "PS2Name" }, { 52, "SeialName" },
        { 53, "The Mouse Setup Program has installed driver successfully. You have to restart your Windows now !" },
        { 54, "Setup have detected another mouse program in your system.\nPlease remove it from your system first !" },
    };
    for (auto &row : rows) {
        const char *text = LoadText(row.id);
        ASSERT_NE(text, (const char *)NULL) << "string " << row.id;
        EXPECT_STREQ(text, row.text) << "string " << row.id;
    }
    const UINT unused[] = { 0, 21, 24, 26, 27, 31, 35, 37, 38, 39, 40, 42, 55 };
    for (UINT id : unused)
        EXPECT_EQ(LoadText(id), (const char *)NULL) << "string " << id;
}

TEST(SetupState, InitialValues)
{
    HINSTANCE instance = g_setup.instance;
    memset(&g_setup, 0x5A, sizeof(g_setup));
    InitSetupState();
    EXPECT_EQ(g_setup.serialMouse, 1);
    EXPECT_EQ(g_setup.backEnabled, 1);
    EXPECT_EQ(g_setup.restartAfterFinish, 1);
    EXPECT_EQ(g_setup.dissolvePending, 1);
    EXPECT_EQ(g_setup.ps2Only, 0);
    EXPECT_EQ(g_setup.noLogo, 0);
    EXPECT_EQ(g_setup.pageResult, 0);
    EXPECT_EQ(g_setup.diskCount, 0);
    EXPECT_STREQ(g_setup.productName, "");
    EXPECT_STREQ(g_setup.installDir, "");
    EXPECT_EQ(g_setup.mainWindow, (HWND)NULL);
    EXPECT_EQ(g_setup.fileTableHandle, (HGLOBAL)NULL);
    g_setup.instance = instance;
}

}  // namespace
