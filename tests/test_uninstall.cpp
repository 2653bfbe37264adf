// UNINSTAL.EXE's logic in this process: it acts only on what the setup
// could have made, a damaged journal leaves everything else untouched and
// the removal reported as not complete, and replaced files come back.
#include <gtest/gtest.h>

#include "setup_state.h"
#include "text.h"
#include "file_ops.h"
#include "components.h"
#include "journal.h"
#include "uninstall.h"
#include "registry_fixture.h"
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
    // The keys a journal's runs chose: the root device made, with the
    // class key made for it; a present PS/2 mouse taken over; a second
    // device in a run and a device no takeover chooses are not.
    const std::string root = "HKLM\\Enum\\Root\\VeltoMouse\\0000", classes = "HKLM\\" CLASS_ROOT "Mouse\\";
    WriteFileBytes(JournalPath(), Line("RUN", { "1", "N", "Velto" }) + Line("KEY", { root }) +
                                      Line("VALUE", { root, "Driver", "-", "", "1", "Mouse\\0003" }) +
                                      Line("KEY", { classes + "0003" }) + Line("END", {}) +
                                      Line("RUN", { "1", "N", "Velto" }) +
                                      Line("VALUE", { "HKLM\\Enum\\BIOS\\*PNP0F13\\0000", "Mfg", "1", "Old", "1", "Velto" }) +
                                      Line("VALUE", { "HKLM\\Enum\\BIOS\\*PNP0F0E\\0000", "Mfg", "1", "Old", "1", "Velto" }) +
                                      Line("VALUE", { "HKLM\\Enum\\PCI\\OTHERDEV\\0000", "Driver", "1", "Display\\0000",
                                                      "1", "Mouse\\0005" }) +
                                      Line("KEY", { classes + "0005" }) + Line("END", {}) +
                                      Line("RUN", { "1", "N", "Velto" }) +
                                      Line("VALUE", { "HKLM\\Enum\\PCI\\OTHERDEV\\0001", "Mfg", "1", "Old", "1", "Velto" }) +
                                      Line("END", {}));
    g_uninstall.haveJournal = 1;
    ASSERT_TRUE(UninstallReadJournal());
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
        /* 12 */ { "HKLM\\" CLASS_ROOT "Mouse\\0003", "InfPath", true },
        /* 13 */ { "HKLM\\System\\CurrentControlSet\\Services\\Class\\Display\\0000", "InfPath", false },
        /* 14 */ { "HKLM\\SOFTWARE\\OtherVendor", NULL, false },
        /* 15 */ { "HKCU\\Software", NULL, false },
        /* 16 */ { "HKLM\\Enum\\BIOS\\*PNP0F0E\\0000", "Mfg", false },      // a second device in its run
        /* 17 */ { "HKLM\\Enum\\PCI\\OTHERDEV\\0000", "Driver", false },    // no mouse a takeover chooses
        /* 18 */ { "HKLM\\Enum\\PCI\\OTHERDEV\\0001", "Mfg", false },
        /* 19 */ { "HKLM\\Enum\\SERENUM\\VLT0100\\0001", "Mfg", false },    // not in the journal
        /* 20 */ { "HKLM\\" CLASS_ROOT "Mouse\\0005", "DriverDesc", false },    // no chosen device names it
        /* 21 */ { "HKLM\\" CLASS_ROOT "Mouse\\0005", NULL, false },
        /* 22 */ { "HKLM\\" CLASS_ROOT "Mouse\\0003", NULL, true },
        /* 23 */ { "HKLM\\" CLASS_ROOT "Mouse\\0004", "InfPath", false },
    };
    for (size_t i = 0; i < sizeof(keys) / sizeof(keys[0]); i++) {
        if (keys[i].value == NULL)
            EXPECT_EQ(KeyAllowed(keys[i].named), keys[i].allowed) << "key " << i << " " << keys[i].named;
        else
            EXPECT_EQ(ValueAllowed(keys[i].named, keys[i].value), keys[i].allowed) << "value " << i;
    }
    UninstallFreeJournal();
    struct LineRow { std::string line; bool allowed; } lines[] = {
        { "mouse=msmouse.vxd", true },
        { "mouse=a\r\n[boot]", false },
        { std::string("mouse=a\0b", 9), false },
        { "mouse=" + std::string(112, 'x'), true },     // 118: fits the 120-character line
        { "mouse=" + std::string(113, 'x'), false },
        { "MOUSE=msmouse.vxd", true },
        { "device=C:\\VELTO\\EVIL.VXD", false },   // any other line of [386Enh]
        { "[boot]", false },
        { "mouse=a[boot]", false },
        { "mouse=a=b", false },
        { "mouse=a\tb", false },
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

// Hostile journals whose every line has a valid checksum: a "/" or a
// trailing dot or blank in a path, a device or class key no run of the
// setup chose (also through the restore record), a mouse line that is
// not one, a damaged line before a later run or a byte-order mark. What
// lies outside the setup's reach keeps its bytes and values, each such
// entry is refused and listed, and the removal counts as not complete.
TEST_F(UninstallTest, HostileJournalsWithValidChecksums)
{
    const std::string parent = dir_.substr(0, dir_.rfind('\\'));
    const std::string canary = parent + "\\CANARY.TXT", emptyDir = parent + "\\EMPTYDIR";
    const std::string winIni = windows_ + "\\win.ini", systemIni = windows_ + "\\system.ini";
    const std::string ownDat = windows_ + "\\SETUPTST.DAT";
    const std::string winIniBytes = ReadFileBytes(winIni), systemIniBytes = ReadFileBytes(systemIni);
    ASSERT_NE(winIniBytes, "<missing>");
    const std::string otherDevice = "Enum\\PCI\\OTHERDEV\\0000", otherClass = CLASS_ROOT "Mouse\\0005";
    const std::string a = dir_ + "\\A.TXT", program = dir_ + "\\UNINSTAL.EXE";
    const std::string tail = Line("VALUE", { "HKLM\\" UNINSTALL_ENTRY_KEY, "UninstallString", "-", "", "1", program }) +
                             Line("END", {});
    std::string canaryCrc, winIniCrc, ownDatCrc, evilCrc;
    WriteFileBytes(canary, "the user's own file");
    WriteFileBytes(ownDat, "Windows' own data");
    const std::string canarySize = Sum(canary, &canaryCrc), winIniSize = Sum(winIni, &winIniCrc),
                      ownDatSize = Sum(ownDat, &ownDatCrc);
    const std::string saved = dir_ + "\\00000000.SAV";
    const std::string evil = "planted over the user's file";
    WriteFileBytes(saved, evil);
    const std::string evilSize = Sum(saved, &evilCrc);
    const std::string record = "[PS2]\r\nSubKey1=" + otherDevice + "\r\nDeviceDesc=Evil\r\nMfg=Evil\r\nSubKey2=" +
                               otherClass + "\r\nDriverDesc=Evil\r\n";

    struct Row {
        const char *fault;
        std::string name;       // an extra name of the NAMES line
        std::string lines;      // between the installation's entries and its end
        std::string before;     // before the journal's first line
        int refused;
        std::string listed;     // a part of the refused list
        bool planted;           // a .SAV planted in the directory
        bool restoreRecord;     // SETUP.INF naming the other device's keys
    };
    const Row rows[] = {
        /* 0 */ { "U1 a \"/..\" out of the directory", "",
                  Line("FILE", { dir_ + "/../CANARY.TXT", "NEW" }) +
                      Line("DONE", { dir_ + "/../CANARY.TXT", canarySize, canaryCrc }), "",
                  1, "FILE " + dir_ + "/../CANARY.TXT", false, false },
        /* 1 */ { "U1 a foreign empty directory", "", Line("DIR", { dir_ + "/../EMPTYDIR" }), "",
                  1, "DIR " + dir_ + "/../EMPTYDIR", false, false },
        /* 2 */ { "U1 a planted saved copy", "",
                  Line("FILE", { dir_ + "/../CANARY.TXT", "OLD", evilSize, evilCrc, saved }), "",
                  1, "FILE " + dir_ + "/../CANARY.TXT", true, false },
        /* 3 */ { "U2 a trailing dot", "WIN.INI.",
                  Line("FILE", { winIni + ".", "NEW" }) + Line("DONE", { winIni + ".", winIniSize, winIniCrc }), "",
                  1, "FILE " + winIni + ".", false, false },
        /* 4 */ { "U2 a trailing blank", "SETUPTST.DAT ",
                  Line("FILE", { ownDat + " ", "NEW" }) + Line("DONE", { ownDat + " ", ownDatSize, ownDatCrc }), "",
                  1, "FILE " + ownDat + " ", false, false },
        /* 5 */ { "U4 another device's driver", "",
                  Line("VALUE", { "HKLM\\" + otherDevice, "Driver", "1", "Display\\0000", "1", "Mouse\\0009" }), "",
                  1, "VALUE HKLM\\" + otherDevice + ": Driver", false, false },
        /* 6 */ { "U4 another mouse's class key", "",
                  Line("VALUE", { "HKLM\\" + otherClass, "DriverDesc", "1", "Evil", "1", "Other mouse" }), "",
                  1, "VALUE HKLM\\" + otherClass + ": DriverDesc", false, false },
        /* 7 */ { "U4 the restore record of a damaged journal", "", "garbage\r\n", "", 0, "", false, true },
        /* 8 */ { "U5 a device= line", "",
                  Line("LINE", { "device=C:\\VELTO\\EVIL.VXD", "mouse=*vmouse" }), "",
                  1, "LINE device=C:\\VELTO\\EVIL.VXD", false, false },
        /* 9 */ { "U5 a [boot] line", "", Line("LINE", { "[boot]", "mouse=*vmouse" }), "",
                  1, "LINE [boot]", false, false },
        /* 10 */ { "U6 a damaged line before a later run", "",
                   "RUN 1 N Ve\r\n" + Line("RUN", { "1", "N", "Velto" }), "", 0, "", false, false },
        /* 11 */ { "U6 a damaged first line", "", "", "garbage\r\n", 0, "", false, false },
        /* 12 */ { "U6 a byte-order mark on its own line", "", "", "\xEF\xBB\xBF\r\n", 0, "", false, false },
        /* 13 */ { "U6 a byte-order mark", "", "", "\xEF\xBB\xBF", 0, "", false, false },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        const Row &row = rows[i];
        SCOPED_TRACE(std::string("row ") + std::to_string(i) + ": " + row.fault);
        RemoveTree(dir_);
        CreateDirectoryA(dir_.c_str(), NULL);
        CreateDirectoryA(emptyDir.c_str(), NULL);
        WriteFileBytes(a, "A's text");
        std::string aCrc;
        Sum(a, &aCrc);
        if (row.planted)
            WriteFileBytes(saved, evil);
        if (row.restoreRecord)
            WriteFileBytes(dir_ + "\\SETUP.INF", record);
        std::vector<std::string> names = { "ZRMOUSE.DRV" };
        if (!row.name.empty())
            names.push_back(row.name);
        WriteFileBytes(JournalPath(), row.before + Line("RUN", { "1", "N", "Velto" }) + Line("NAMES", names) +
                                          Line("FILE", { a, "NEW" }) + Line("DONE", { a, "8", aCrc }) + row.lines +
                                          tail);
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, otherDevice.c_str(), "Driver", "Mouse\\0009");
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, otherDevice.c_str(), "DeviceDesc", "Other device");
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, otherClass.c_str(), "DriverDesc", "Other mouse");
        RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, UNINSTALL_ENTRY_KEY, "UninstallString", program.c_str());

        ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
        UninstallRun();

        EXPECT_EQ(g_uninstall.whole, 0) << "the removal is reported as not complete";
        EXPECT_EQ(g_uninstall.refusedCount, row.refused) << g_uninstall.refused;
        EXPECT_NE(std::string(g_uninstall.refused).find(row.listed), std::string::npos) << g_uninstall.refused;
        EXPECT_FALSE(FileExists(a)) << "what the journal accounts for is undone";
        EXPECT_TRUE(FileExists(JournalPath())) << "the journal stays";
        EXPECT_EQ(ReadFileBytes(canary), "the user's own file");
        EXPECT_NE(GetFileAttributesA(emptyDir.c_str()), INVALID_FILE_ATTRIBUTES) << emptyDir;
        EXPECT_EQ(ReadFileBytes(winIni), winIniBytes);
        EXPECT_EQ(ReadFileBytes(systemIni), systemIniBytes);
        EXPECT_EQ(ReadFileBytes(ownDat), "Windows' own data");
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, otherDevice.c_str(), "Driver"), "Mouse\\0009");
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, otherDevice.c_str(), "DeviceDesc"), "Other device");
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, otherDevice.c_str(), "Mfg"), "<absent>");
        EXPECT_EQ(RegistrySandbox::GetString(HKEY_LOCAL_MACHINE, otherClass.c_str(), "DriverDesc"), "Other mouse");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "Enum");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "System");
        RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE");
    }
    DeleteFileA(canary.c_str());
    DeleteFileA(ownDat.c_str());
    RemoveDirectoryA(emptyDir.c_str());
}

// A file that was there before is saved by the setup and comes back byte
// for byte, through two runs that wrote two versions over it; a file
// changed since stays, with the journal, until it is as the setup left
// it, and the next run finishes.
TEST_F(UninstallTest, ReplacedFilesComeBackAndRunsAddUp)
{
    std::string file = dir_ + "\\DRIVER.DRV", fresh = dir_ + "\\NEW.TXT";
    std::string original("MZ\0 the original driver\xFF", 24);
    FILETIME old = { 0x12345678, 0x01C00000 };
    // two runs over the same files, then the uninstaller: with the file as
    // the last run left it, and with the file changed by hand since
    for (bool changedByHand : { false, true }) {
        SCOPED_TRACE(changedByHand ? "changed by hand since" : "as the last run left it");
        RemoveTree(dir_);
        CreateDirectoryA(dir_.c_str(), NULL);
        WriteFileBytes(file, original);
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
        if (changedByHand)
            WriteFileBytes(file, "changed by hand");

        ASSERT_TRUE(UninstallSetDirectory(dir_.c_str()));
        UninstallRun();
        EXPECT_EQ(g_uninstall.whole, 1);
        EXPECT_FALSE(FileExists(fresh)) << "what could go, went";
        // the user's change is final: it is kept and listed, and the way
        // back goes as another run could do no more
        EXPECT_EQ(g_uninstall.keptCount, changedByHand ? 2 : 0) << "the entries of both runs: " << g_uninstall.kept;
        EXPECT_EQ(g_uninstall.keptFinal, g_uninstall.keptCount);
        EXPECT_FALSE(FileExists(JournalPath()));
        if (changedByHand) {
            EXPECT_EQ(ReadFileBytes(file), "changed by hand");
        } else {
            EXPECT_EQ(ReadFileBytes(file), original);
            WIN32_FILE_ATTRIBUTE_DATA data;
            ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
            EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, old.dwLowDateTime) << "its time too";
        }
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir_ + "\\*.SAV").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "no saved copy is left";
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
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

namespace {

// Replaces cut short between their renames (a SWAP line without the UNDO
// that finishes it): the target comes back from its aside copy, the
// temporary names go, each replace is finished once; what a SWAP line
// names beyond the replace's own names is never touched.
TEST_F(UninstallTest, ReplacesCutShortAreFinishedFirst)
{
    struct Row {
        const char *name;
        const char *target, *fresh, *aside, *how;
        std::vector<std::string> before;    // files there: "NAME=bytes"
        std::vector<std::string> after;     // files there afterwards, "NAME=bytes" or "NAME" absent with '!'
        int changes;
    };
    const Row rows[] = {
        /* 0 */ { "the safe replace, target set aside", "DRIVER.DRV", "~SN000.TMP", "~SO000.TMP", "T",
                  { "~SN000.TMP=new", "~SO000.TMP=old" }, { "DRIVER.DRV=old", "!~SN000.TMP", "!~SO000.TMP" }, 2 },
        /* 1 */ { "the safe replace, aside left", "DRIVER.DRV", "~SN000.TMP", "~SO000.TMP", "T",
                  { "DRIVER.DRV=new", "~SO000.TMP=old" }, { "DRIVER.DRV=new", "!~SO000.TMP" }, 1 },
        /* 2 */ { "system.ini set aside as system.bak", "system.ini", "system.new", "system.bak", "K",
                  { "system.new=new", "system.bak=user's" }, { "system.ini=user's", "!system.new", "!system.bak" }, 2 },
        /* 3 */ { "system.ini and system.bak both gone", "system.ini", "system.new", "system.bak", "K",
                  { "system.new=new" }, { "system.ini=new", "!system.new" }, 1 },
        /* 4 */ { "a fresh name that is no temporary one", "DRIVER.DRV", "KEEP.TXT", "-", "T",
                  { "KEEP.TXT=the user's" }, { "KEEP.TXT=the user's", "!DRIVER.DRV" }, 0 },
        /* 5 */ { "an aside that is not system.bak", "system.ini", "system.new", "WIN.INI", "K",
                  { "WIN.INI=the user's", "system.new=new" }, { "WIN.INI=the user's", "system.new=new", "!system.ini" },
                  0 },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        const Row &row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i) + ": " + row.name);
        RemoveTree(dir_);
        CreateDirectoryA(dir_.c_str(), NULL);
        for (auto &file : row.before) {
            size_t equals = file.find('=');
            WriteFileBytes(dir_ + "\\" + file.substr(0, equals), file.substr(equals + 1));
        }
        std::string aside = std::string(row.aside) == "-" ? "-" : dir_ + "\\" + row.aside;
        WriteFileBytes(JournalPath(), Line("RUN", { "1", "N", "Velto" }) +
                                          Line("SWAP", { dir_ + "\\" + row.target, dir_ + "\\" + row.fresh, aside,
                                                         row.how }));
        EXPECT_EQ(JournalFinishReplaces(JournalPath().c_str()), row.changes);
        for (auto &file : row.after) {
            if (file[0] == '!') {
                EXPECT_FALSE(FileExists(dir_ + "\\" + file.substr(1))) << file;
                continue;
            }
            size_t equals = file.find('=');
            EXPECT_EQ(ReadFileBytes(dir_ + "\\" + file.substr(0, equals)), file.substr(equals + 1)) << file;
        }
        EXPECT_EQ(JournalFinishReplaces(JournalPath().c_str()), 0) << "finished once";
    }
}

}  // namespace
