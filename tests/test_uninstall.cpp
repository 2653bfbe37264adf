// UNINSTAL.EXE's logic in this process: it acts only on what the setup
// could have made, a damaged journal leaves everything else untouched and
// the removal reported as not complete, and replaced files come back.
#include <gtest/gtest.h>

#include "../app/setup_state.h"
#include "../app/text.h"
#include "../install/file_ops.h"
#include "../registry/components.h"
#include "../script/journal.h"
#include "../uninstal/uninstall.h"
#include "test_support.h"

namespace {

std::string Escape(const std::string &field)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    if (field.empty())
        return "%";
    for (unsigned char c : field) {
        if (c <= ' ' || c >= 0x7F || c == '%' || c == '*') {
            text += '%';
            text += digits[c >> 4];
            text += digits[c & 15];
        } else {
            text += (char)c;
        }
    }
    return text;
}

// One journal line as the writer makes it.
std::string Line(const std::string &kind, const std::vector<std::string> &fields)
{
    std::string text = kind;
    for (auto &field : fields)
        text += " " + Escape(field);
    char crc[16];
    snprintf(crc, sizeof(crc), " *%08lX\r\n", (unsigned long)Crc32(0, (const BYTE *)text.data(), (DWORD)text.size()));
    return text + crc;
}

std::string Sum(const std::string &path, std::string *crcText)
{
    DWORD size = 0, crc = 0;
    FileSum(path.c_str(), &size, &crc);
    char text[16];
    snprintf(text, sizeof(text), "%08lX", (unsigned long)crc);
    *crcText = text;
    return std::to_string(size);
}

class UninstallTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitSetupState();
        dir_ = ScratchDir("uninstall");
        TEXT_COPY(g_setup.installDir, dir_.c_str());
        TEXT_COPY(g_setup.productName, "Velto");
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof(windows));
        windows_ = windows;
    }
    void TearDown() override
    {
        JournalClose();
        JournalEnable(1);
        RemoveTree(dir_);
        InitSetupState();
    }
    std::string JournalPath() const { return dir_ + "\\" JOURNAL_NAME; }

    RegistrySandbox sandbox_;
    std::string dir_, windows_;
};

TEST_F(UninstallTest, OnlyWhatTheSetupCouldHaveMade)
{
    ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    const char *const names[] = { "ZRMOUSE.DRV", "ZRMOUSE.INF", "WIN.INI" };
    struct FileRow { std::string path; bool allowed; } files[] = {
        /* 0 */ { dir_ + "\\VARIRE.EXE", true },
        /* 1 */ { dir_ + "\\HELP\\ZRHELP.HLP", true },
        /* 2 */ { dir_ + "\\" JOURNAL_NAME, false },            // the journal itself
        /* 3 */ { dir_ + "\\..\\OTHER.TXT", false },
        /* 4 */ { std::string(system) + "\\ZRMOUSE.DRV", true },
        /* 5 */ { windows_ + "\\INF\\ZRMOUSE.INF", true },
        /* 6 */ { windows_ + "\\WIN.INI", false },              // Windows' own, even when listed
        /* 7 */ { windows_ + "\\system.ini", false },
        /* 8 */ { windows_ + "\\NOTEPAD.EXE", false },          // not the package's
        /* 9 */ { windows_ + "\\system.bak", true },
        /* 10 */ { std::string(system) + "\\VMM32\\VMOUSE.BAK", true },
        /* 11 */ { std::string(system) + "\\VMM32\\VMOUSE.VXD", false },
        /* 12 */ { "C:\\ZRMOUSE.DRV", false },
        /* 13 */ { dir_ + "x\\VARIRE.EXE", false },             // a sibling sharing the name's start
    };
    for (size_t i = 0; i < sizeof(files) / sizeof(files[0]); i++)
        EXPECT_EQ(FileAllowed(files[i].path.c_str(), names, 3), files[i].allowed) << "file " << i << " "
                                                                                   << files[i].path;
    struct KeyRow { const char *named; const char *value; bool allowed; } keys[] = {
        /* 0 */ { "HKCR\\CLSID\\" HANDLER_CLSID, NULL, true },
        /* 1 */ { "HKCR\\CLSID\\" HANDLER_CLSID "\\InProcServer32", "ThreadingModel", true },
        /* 2 */ { "HKCR\\CLSID", NULL, false },
        /* 3 */ { "HKLM\\SOFTWARE", NULL, false },
        /* 4 */ { "HKLM\\" CURRENT_VERSION_KEY, "ProgramFilesDir", false },
        /* 5 */ { "HKLM\\" UNINSTALL_ENTRY_KEY, "UninstallString", true },
        /* 6 */ { "HKLM\\" CURRENT_VERSION_KEY "\\Uninstall\\OtherProduct", NULL, false },
        /* 7 */ { "HKLM\\" CURRENT_VERSION_KEY "\\Run", "Kestrel", true },
        /* 8 */ { "HKLM\\" CURRENT_VERSION_KEY "\\Run", "OtherProgram", false },
        /* 9 */ { "HKLM\\Enum\\Root\\VeltoMouse\\0000", "DetFunc", true },
        /* 10 */ { "HKLM\\Enum\\BIOS\\*PNP0F13\\0000", "Mfg", true },
        /* 11 */ { "HKLM\\Enum\\BIOS\\*PNP0F13\\0000", "HardWareID", false },
        /* 12 */ { "HKLM\\System\\CurrentControlSet\\Services\\Class\\Mouse\\0003", "InfPath", true },
        /* 13 */ { "HKLM\\System\\CurrentControlSet\\Services\\Class\\Display\\0000", "InfPath", false },
        /* 14 */ { "HKLM\\SOFTWARE\\OtherVendor", NULL, false },
        /* 15 */ { "HKCU\\Software", NULL, false },
    };
    for (size_t i = 0; i < sizeof(keys) / sizeof(keys[0]); i++) {
        if (keys[i].value == NULL)
            EXPECT_EQ(KeyAllowed(keys[i].named), keys[i].allowed) << "key " << i << " " << keys[i].named;
        else
            EXPECT_EQ(ValueAllowed(keys[i].named, keys[i].value), keys[i].allowed) << "value " << i;
    }
    struct LineRow { std::string line; bool allowed; } lines[] = {
        { "mouse=msmouse.vxd", true },
        { "mouse=a\r\n[boot]", false },
        { std::string("mouse=a\0b", 9), false },
        { "mouse=" + std::string(112, 'x'), true },     // 118: fits the 120-character line
        { "mouse=" + std::string(113, 'x'), false },
    };
    for (size_t i = 0; i < sizeof(lines) / sizeof(lines[0]); i++)
        EXPECT_EQ(MouseLineAllowed(lines[i].line.data(), (DWORD)lines[i].line.size()), lines[i].allowed)
            << "line " << i;
}

// Damaged, cut and hostile journals: what they name outside the setup's
// reach stays as it is, every entry that reads is still undone, and the
// removal counts as not complete, with the journal kept.
TEST_F(UninstallTest, DamagedJournalsTouchNothingElse)
{
    std::string winIni = windows_ + "\\win.ini", systemIni = windows_ + "\\system.ini";
    std::string winIniCrc, systemIniCrc;
    std::string winIniSize = Sum(winIni, &winIniCrc), systemIniSize = Sum(systemIni, &systemIniCrc);
    std::string winIniBytes = ReadFileBytes(winIni), systemIniBytes = ReadFileBytes(systemIni);
    ASSERT_NE(winIniBytes, "<missing>");
    std::string a = dir_ + "\\A.TXT", program = dir_ + "\\UNINSTAL.EXE";
    const std::string uninstallKey = "HKLM\\" UNINSTALL_ENTRY_KEY;
    std::string tail = Line("VALUE", { uninstallKey, "UninstallString", "-", "", "1", program }) + Line("END", {});

    struct Row {
        const char *name;
        std::string journal;
        bool aUndone;   // the readable entry for A.TXT was undone
    };
    std::string garbage = "garbage without a checksum\r\n";
    const Row rows[] = {
        /* 0 */ { "cut in the first line", "RUN 1 N Ve", false },
        /* 1 */ { "cut after the first line", Line("RUN", { "1", "N", "Velto" }), false },
        /* 2 */ { "cut in an entry", "", true },   // filled below
        /* 3 */ { "cut one byte short", "", true },
        /* 4 */ { "emptied", "", false },
        /* 5 */ { "a garbage line", "", true },
        /* 6 */ { "CR, LF and zero bytes in the mouse line",
                  Line("LINE", { std::string("mouse=x\r\n[boot]\0", 17), "mouse=*vmouse" }), true },
        /* 7 */ { "an overlong line", Line("VALUE", { "HKLM\\Enum\\Root\\VeltoMouse\\0000", "Mfg", "-", "", "1",
                                                     std::string(9000, 'x') }), true },
        /* 8 */ { "WIN.INI", Line("FILE", { winIni, "NEW" }) + Line("DONE", { winIni, winIniSize, winIniCrc }), true },
        /* 9 */ { "system.ini", Line("FILE", { systemIni, "NEW" }) +
                                    Line("DONE", { systemIni, systemIniSize, systemIniCrc }), true },
        /* 10 */ { "HKLM\\SOFTWARE", Line("KEY", { "HKLM\\SOFTWARE" }), true },
        /* 11 */ { "ProgramFilesDir", Line("VALUE", { "HKLM\\" CURRENT_VERSION_KEY, "ProgramFilesDir", "1",
                                                      "C:\\Old", "1", "C:\\Program Files" }), true },
        /* 12 */ { "another vendor's empty key", Line("KEY", { "HKLM\\SOFTWARE\\OtherVendor\\Empty" }), true },
        /* 13 */ { "a CR LF in a key name", Line("KEY", { "HKLM\\" CURRENT_VERSION_KEY "\\Run\r\n[x]" }), true },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(std::string("row ") + std::to_string(i) + ": " + rows[i].name);
        RemoveTree(dir_);
        CreateDirectoryA(dir_.c_str(), NULL);
        WriteFileBytes(a, "A's text");
        std::string aCrc;
        Sum(a, &aCrc);
        std::string full = Line("RUN", { "1", "N", "Velto" }) + Line("NAMES", { "ZRMOUSE.DRV" }) + Line("FILE", { a, "NEW" }) +
               Line("DONE", { a, "8", aCrc });
        std::string journal = rows[i].journal;
        switch (i) {
        case 2: journal = full.substr(0, full.size() - 7); break;
        case 3: journal = (full + tail).substr(0, full.size() + tail.size() - 1); break;
        case 4: journal = ""; break;
        case 5: journal = full + garbage + tail; break;
        default:
            if (i >= 6)
                journal = full + journal + tail;
        }
        WriteFileBytes(JournalPath(), journal);
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir", "C:\\Program Files");
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\OtherVendor\\Empty", NULL, NULL);
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, "UninstallString", program.c_str());

        ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
        UninstallRun();

        EXPECT_EQ(g_uninstall.whole, 0) << "the removal is reported as not complete";
        EXPECT_TRUE(FileExists(JournalPath())) << "the journal stays";
        EXPECT_EQ(ReadFileBytes(winIni), winIniBytes);
        EXPECT_EQ(ReadFileBytes(systemIni), systemIniBytes);
        EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\OtherVendor\\Empty"));
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, "ProgramFilesDir"),
                  "C:\\Program Files");
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, "UninstallString"), program)
            << "the way to run it again stays";
        EXPECT_EQ(FileExists(a), !rows[i].aUndone);
        if (i >= 8) {
            EXPECT_EQ(g_uninstall.refusedCount, 1) << g_uninstall.refused;
        }
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE");
    }
}

// A file that was there before is saved by the setup and comes back byte
// for byte, through two runs that wrote two versions over it; a file
// changed since stays, with the journal, until it is as the setup left
// it, and the next run finishes.
TEST_F(UninstallTest, ReplacedFilesComeBackAndRunsAddUp)
{
    std::string file = dir_ + "\\DRIVER.DRV", fresh = dir_ + "\\NEW.TXT";
    std::string original("MZ\0 the original driver\xFF", 24);
    WriteFileBytes(file, original);
    FILETIME old = { 0x12345678, 0x01C00000 };
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    SetFileTime(handle, NULL, NULL, &old);
    CloseHandle(handle);
    const char *const versions[] = { "version A", "version B" };
    for (const char *version : versions) {
        JournalEnable(1);
        ASSERT_TRUE(JournalFileBefore(file.c_str()));
        WriteFileBytes(file, version);
        JournalFileDone(file.c_str());
        ASSERT_TRUE(JournalFileBefore(fresh.c_str()));
        WriteFileBytes(fresh, version);
        JournalFileDone(fresh.c_str());
        JournalEnd();
    }
    WriteFileBytes(file, "changed by hand");

    ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
    UninstallRun();
    EXPECT_EQ(g_uninstall.keptCount, 2) << "the entries of both runs: " << g_uninstall.kept;
    EXPECT_EQ(ReadFileBytes(file), "changed by hand");
    EXPECT_FALSE(FileExists(fresh)) << "what could go, went";
    EXPECT_TRUE(FileExists(JournalPath()));

    WriteFileBytes(file, "version B");
    ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
    UninstallRun();
    EXPECT_EQ(g_uninstall.keptCount, 0) << g_uninstall.kept;
    EXPECT_EQ(g_uninstall.whole, 1);
    EXPECT_EQ(ReadFileBytes(file), original);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, old.dwLowDateTime) << "its time too";
    EXPECT_FALSE(FileExists(JournalPath()));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir_ + "\\*.SAV").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "no saved copy is left";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

}  // namespace

namespace {

// A file in use whose deletion cannot be left to WININIT.INI (the file
// cannot be written) is kept and the failure is reported.
TEST_F(UninstallTest, AFailedWininitWriteIsReported)
{
    std::string file = dir_ + "\\INUSE.TXT", blocker = windows_ + "\\WININIT.NEW";
    JournalEnable(1);
    ASSERT_TRUE(JournalFileBefore(file.c_str()));
    WriteFileBytes(file, "held open");
    JournalFileDone(file.c_str());
    JournalEnd();
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string wininit = ReadFileBytes(windows_ + "\\WININIT.INI");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), NULL)) << "WININIT.NEW as a directory: no new file there";

    ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
    UninstallRun();
    CloseHandle(held);
    RemoveDirectoryA(blocker.c_str());

    EXPECT_EQ(g_uninstall.wininitFailed, 1);
    EXPECT_EQ(g_uninstall.keptCount, 1) << g_uninstall.kept;
    EXPECT_EQ(ReadFileBytes(windows_ + "\\WININIT.INI"), wininit) << "WININIT.INI as it was";
    EXPECT_TRUE(FileExists(JournalPath())) << "the journal stays for another run";
    char text[4096];
    UninstallMessage(text, sizeof(text));
    EXPECT_NE(std::string(text).find(file), std::string::npos) << text;
}

}  // namespace
