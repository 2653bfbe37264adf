// The copy engine on packages made at run time: paths, expansion of SZDD
// files, plain files, the missing and the damaged source.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "setup_state.h"
#include "text.h"
#include "install_test.h"
#include "resource.h"
#include "copy_engine.h"
#include "file_ops.h"
#include "containment.h"
#include "journal.h"
#include "setup_script.h"
#include "setupchk.h"
#include "ui.h"
#include "install_fixtures.h"
#include "test_support.h"
#include "ui_driver.h"

namespace {

// The user's side: answers the next message boxes of this process in
// turn, keeping what each said.
void AnswerBoxes(const std::vector<int> &answers, std::vector<UiMessageBox> *seen,
                 const std::function<void(size_t)> &before = nullptr)
{
    for (size_t i = 0; i < answers.size(); i++) {
        UiMessageBox box;
        if (!UiWaitForMessageBox(&box, UI_TIMEOUT, GetCurrentProcessId()))
            return;
        seen->push_back(box);
        if (before)
            before(i);
        UiAnswerMessageBox(box, answers[i]);
    }
}

class CopyTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = ScratchDir("copy");
        package_ = root_ + "\\PKG";
        windows_ = root_ + "\\WIN";
        install_ = root_ + "\\INST";
        CreateDirectoryA(package_.c_str(), NULL);
        CreateDirectoryA(windows_.c_str(), NULL);
        CreateDirectoryA((windows_ + "\\SYSTEM").c_str(), NULL);
        CreateDirectoryA(install_.c_str(), NULL);
    }
    void TearDown() override
    {
        UnloadPackage();
        RemoveTree(root_);
    }
    // A file of the package, plain or in SZDD form; returns its bytes.
    std::string Plain(const std::string &relative, size_t size, unsigned seed)
    {
        std::string bytes = SampleBytes(size, seed);
        WriteFileBytes(package_ + "\\" + relative, bytes);
        return bytes;
    }
    std::string Packed(const std::string &relative, const std::string &packedName, size_t size,
                       unsigned seed)
    {
        std::string plain = package_ + "\\" + relative;
        std::string bytes = SampleBytes(size, seed);
        WriteFileBytes(plain, bytes);
        std::string dir = plain.substr(0, plain.rfind('\\'));
        CompressTo(plain, dir + "\\" + packedName);
        DeleteFileA(plain.c_str());
        return bytes;
    }
    void Load(const std::string &script)
    {
        WriteFileBytes(package_ + "\\SETUP.INF", script);
        LoadPackage(package_, windows_, install_);
    }

    std::string root_, package_, windows_, install_;
};

TEST_F(CopyTest, PackageOfPlainAndCompressedFilesArrivesWhole)
{
    CreateDirectoryA((package_ + "\\HELP").c_str(), NULL);
    CreateDirectoryA((package_ + "\\SYSTEM").c_str(), NULL);
    CreateDirectoryA((package_ + "\\DEEP").c_str(), NULL);
    CreateDirectoryA((package_ + "\\DEEP\\LEVEL").c_str(), NULL);
    std::string varire = Packed("VARIRE.EXE", "VARIRE.EX_", 70000, 1);
    std::string readme = Plain("HELP\\README.TXT", 3000, 2);
    std::string driver = Packed("SYSTEM\\ZRMOUSE.DRV", "ZRMOUSE.DR_", 20000, 3);
    std::string notes = Plain("NOTES.TXT", 500, 4);
    std::string help = Packed("HELP\\ZRHELP.HLP", "ZRHELP.HL_", 9000, 6);
    Load("[Main]\r\nProductName=Velto\r\n"
         "[DiskLabel]\r\nDisk1=One\r\nDisk2=Two\r\n"
         "[DirectoryName]\r\nRootDir=.\r\nSubDir1=HELP\r\nSubDir2=DEEP\\LEVEL\r\nWinSystemDir=SYSTEM\r\n"
         "[FileCounts]\r\nDisk1=4\r\nDisk2=1\r\n"
         "[Disk1]\r\n"
         "1=VARIRE.EX_,VARIRE.EXE,Mouse program,RootDir\r\n"
         "2=README.TXT,README.TXT,Read me,SubDir1\r\n"
         "3=ZRMOUSE.DR_,ZRMOUSE.DRV,Mouse driver,WinSystemDir\r\n"
         "4=NOTES.TXT,NOTES.TXT,Notes,Docs\r\n"
         "[Disk2]\r\n1=ZRHELP.HL_,ZRHELP.HLP,Help file,SubDir1\r\n");

    EXPECT_EQ(RunInstallPage(), PAGE_NEXT);

    struct Row { std::string path; std::string bytes; } rows[] = {
        /* 0: compressed, the '.' root */ { install_ + "\\VARIRE.EXE", varire },
        /* 1: plain, a sub-directory */   { install_ + "\\HELP\\README.TXT", readme },
        /* 2: compressed, absolute */     { windows_ + "\\SYSTEM\\ZRMOUSE.DRV", driver },
        /* 3: unknown directory key */    { install_ + "\\NOTES.TXT", notes },
        /* 4: the second disk */          { install_ + "\\HELP\\ZRHELP.HLP", help },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        std::string got = ReadFileBytes(rows[i].path);
        EXPECT_EQ(got.size(), rows[i].bytes.size()) << "row " << i << ": " << rows[i].path;
        EXPECT_TRUE(got == rows[i].bytes) << "row " << i << ": " << rows[i].path;
    }
    // the two-level directory whose first level is missing: both made
    EXPECT_NE(GetFileAttributesA((install_ + "\\DEEP\\LEVEL").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u)
        << "a level not made";
    // nothing at a root, and nothing asked
    EXPECT_FALSE(FileExists(root_ + "\\VARIRE.EXE"));
    EXPECT_EQ(g_setup.filesIgnored, 0);
    EXPECT_EQ(g_registryUpdates, 1);
    EXPECT_EQ(g_registryFlag, 1);
    EXPECT_EQ(g_statusAtRegistry, "Updating Registry...");
    EXPECT_EQ(g_percentAtRegistry, "100%");
}

// A target in use cannot be created: nothing is written under the
// compressed form of its name instead, and it keeps its bytes.
TEST_F(CopyTest, TargetInUseIsWrittenUnderNoOtherName)
{
    Plain("DST.DLL", 5000, 9);
    Load("[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=.\r\n"
         "[FileCounts]\r\nDisk1=1\r\n[Disk1]\r\n1=DST.DLL,DST.DLL,Driver,RootDir\r\n");
    std::string target = install_ + "\\DST.DLL";
    WriteFileBytes(target, "older version");
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    HWND page = CreateInstallPage();
    ASSERT_TRUE(page != NULL);
    HDC dc = GetDC(page);
    g_setup.pageResult = PAGE_NEXT;
    CopyFileTable(page, dc);
    ReleaseDC(page, dc);
    DestroyWindow(page);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(target), "older version");
    EXPECT_FALSE(FileExists(install_ + "\\DST.DL_")) << "written under another name";
}

TEST_F(CopyTest, DiskCountZeroGoesStraightToTheRegistry)
{
    Load("[Main]\r\nProductName=Velto\r\n");
    DWORD start = GetTickCount();
    EXPECT_EQ(RunInstallPage(), PAGE_NEXT);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(g_registryUpdates, 1);
    EXPECT_EQ(g_statusAtRegistry, "Updating Registry...");
    EXPECT_EQ(g_percentAtRegistry, "0%");
    EXPECT_GE(elapsed, 990u) << "the second of Updating Registry...";
}

TEST_F(CopyTest, StatusTextNamesTheFileAndItsDescription)
{
    Load("[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=.\r\n"
         "[FileCounts]\r\nDisk1=2\r\n[Disk1]\r\n1=MISSING.EX_,MISSING.EXE,Mouse program,RootDir\r\n");
    HWND page = CreateInstallPage();
    ASSERT_TRUE(page != NULL);
    HDC dc = GetDC(page);
    g_setup.fileCounts[0] = 1;
    g_setup.pageResult = PAGE_NEXT;
    std::vector<UiMessageBox> asked;
    UiDrive([&]() { AnswerBoxes({ IDIGNORE }, &asked); }, [&]() { CopyFileTable(page, dc); });
    EXPECT_EQ(ControlText(page, IDC_INSTALL_STATUS), "Copying MISSING.EX_\n\nMouse program");
    EXPECT_EQ(ControlText(page, IDC_INSTALL_PERCENT), "100%");
    EXPECT_FALSE(FileExists(install_ + "\\MISSING.EXE")) << "target made without a source";

    g_setup.fileCounts[0] = 2;  // the second record is empty
    UiDrive([&]() { AnswerBoxes({ IDIGNORE, IDIGNORE }, &asked); }, [&]() { CopyFileTable(page, dc); });
    EXPECT_EQ(asked.size(), 3u) << "a question for each source that is not there";
    EXPECT_EQ(ControlText(page, IDC_INSTALL_STATUS), "Copying \n\n");
    EXPECT_EQ(ControlText(page, IDC_INSTALL_PERCENT), "100%");
    ReleaseDC(page, dc);
    DestroyWindow(page);
    // the page's quit message would end the next test's message boxes
    MSG quit;
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A source that cannot be read is asked about, by its name, description
// and the path looked in: Abort is Cancel (nothing registered, "not
// completed"); Retry looks again; Ignore goes on without it, names it
// after the copy and makes the finish page say the installation is
// incomplete. A line whose name does not fit, and a line after the
// disk's count, are asked about by their lines.
TEST_F(CopyTest, MissingSourceIsAskedAbout)
{
    struct Row {
        const char *name;
        std::vector<int> answers;       // to the boxes in turn
        PageResult result;
        int registryUpdates;
        bool arrived;                   // GONE.TXT installed in the end
        short ignored;
        const char *lastBox;            // a text the last box holds
    } rows[] = {
        /* 0 */ { "abort", { IDABORT, IDOK }, PAGE_CANCEL, 0, false, 0, "installation is not completed" },
        /* 1 */ { "retry", { IDRETRY, IDIGNORE, IDIGNORE, IDOK }, PAGE_NEXT, 1, true, 2, "not installed" },
        /* 2 */ { "ignore", { IDIGNORE, IDIGNORE, IDIGNORE, IDOK }, PAGE_NEXT, 1, false, 3,
                  "not installed:\n\nGONE.TXT\n[Disk1] 2\n[Disk1] 4\n" },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string kept = Plain("KEPT.TXT", 100, 1);
        DeleteFileA((package_ + "\\GONE.TXT").c_str());
        Load("[Main]\r\nProductName=Velto\r\n[DiskLabel]\r\nDisk1=One\r\n"
             "[DirectoryName]\r\nRootDir=.\r\n[FileCounts]\r\nDisk1=3\r\n"
             "[Disk1]\r\n1=GONE.TXT,GONE.TXT,Gone file,RootDir\r\n"
             "2=A_NAME_LONGER_THAN_14.TXT,X.TXT,Long name,RootDir\r\n"
             "3=KEPT.TXT,KEPT.TXT,Kept file,RootDir\r\n4=KEPT.TXT,BEYOND.TXT,Beyond the count,RootDir\r\n");
        std::vector<UiMessageBox> asked;
        PageResult result = PAGE_BACK;
        // Retry: the file is put back while the question is up
        auto putBack = [&](size_t i) {
            if (i == 0 && row.answers[0] == IDRETRY)
                WriteFileBytes(package_ + "\\GONE.TXT", "back again");
        };
        UiDrive([&]() { AnswerBoxes(row.answers, &asked, putBack); },
                [&]() { result = RunInstallPage(); });
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(g_registryUpdates, row.registryUpdates);
        EXPECT_EQ(FileExists(install_ + "\\GONE.TXT"), row.arrived);
        EXPECT_EQ(g_setup.filesIgnored, row.ignored);
        ASSERT_EQ(asked.size(), row.answers.size());
        EXPECT_NE(asked[0].text.find("GONE.TXT (Gone file)"), std::string::npos) << asked[0].text;
        EXPECT_NE(asked[0].text.find(package_ + "\\.\\GONE.TXT"), std::string::npos) << asked[0].text;
        EXPECT_EQ(asked[0].buttons, (std::vector<std::string>{ "&Abort", "&Retry", "&Ignore" }));
        EXPECT_NE(asked.back().text.find(row.lastBox), std::string::npos) << asked.back().text;
        if (row.result == PAGE_NEXT) {
            EXPECT_NE(asked[asked.size() - 3].text.find("[Disk1] 2 (a line of SETUP.INF that Setup cannot take)"),
                      std::string::npos) << asked[asked.size() - 3].text;
            EXPECT_NE(asked[asked.size() - 2].text.find("[Disk1] 4 (a line of SETUP.INF after the disk's count"),
                      std::string::npos) << asked[asked.size() - 2].text;
            EXPECT_FALSE(FileExists(install_ + "\\BEYOND.TXT"));
            EXPECT_EQ(ReadFileBytes(install_ + "\\KEPT.TXT"), kept) << "the files after it";
        }
        UnloadPackage();
        RemoveTree(install_);
        CreateDirectoryA(install_.c_str(), NULL);
    }
}

// LZOpenFileA takes paths of fewer than 128 characters: a target of 128
// or more is not copied and is asked about by its name and path; a target
// of 125 beside it is copied.
TEST_F(CopyTest, TargetPathTooLongForLz32IsAskedAbout)
{
    std::string steps;
    for (int i = 0; i < 19; i++)
        steps += ".\\";
    steps += ".";  // 39 characters that lead nowhere
    std::string shortFile = Plain("A.TXT", 100, 3);
    Plain("LONGNAME.TXT", 100, 4);
    Load("[Main]\r\nProductName=Velto\r\n[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=" + steps +
         "\r\n[FileCounts]\r\nDisk1=2\r\n[Disk1]\r\n1=A.TXT,A.TXT,Short,RootDir\r\n"
         "2=LONGNAME.TXT,LONGNAME.TXT,Long target,RootDir\r\n");
    std::string deep = install_ + "\\" + std::string(79 - install_.size() - 1, 'D');
    ASSERT_EQ(deep.size(), 79u);
    CreateDirectoryA(deep.c_str(), NULL);
    TEXT_COPY(g_setup.installDir, deep.c_str());
    std::string longTarget = deep + "\\" + steps + "\\LONGNAME.TXT";
    ASSERT_EQ(longTarget.size(), 132u);

    std::vector<UiMessageBox> asked;
    PageResult result = PAGE_BACK;
    UiDrive([&]() { AnswerBoxes({ IDIGNORE, IDOK }, &asked); }, [&]() { result = RunInstallPage(); });
    EXPECT_EQ(result, PAGE_NEXT);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].text.find("LONGNAME.TXT (Long target)"), std::string::npos) << asked[0].text;
    EXPECT_NE(asked[0].text.find(longTarget), std::string::npos) << asked[0].text;
    EXPECT_NE(asked[1].text.find("not installed:\n\nLONGNAME.TXT\n"), std::string::npos) << asked[1].text;
    EXPECT_EQ(ReadFileBytes(deep + "\\A.TXT"), shortFile);
    EXPECT_FALSE(FileExists(deep + "\\LONGNAME.TXT"));
    EXPECT_EQ(g_setup.filesIgnored, 1);
}

// After files the user went on without, the finish page says so.
TEST_F(CopyTest, FinishPageAfterIgnoredFilesSaysIncomplete)
{
    struct Row { short ignored; const char *text; } rows[] = {
        /* 0 */ { 0, "You have installed Velto Successfully !" },
        /* 1 */ { 1, "The installation of Velto is incomplete !" },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        Load("[Main]\r\nProductName=Velto\r\n");
        g_setup.filesIgnored = row.ignored;
        std::string shown;
        UiDrive([&]() {
                    HWND page = UiWaitForPage("SETUP_END");
                    shown = UiItemText(page, IDC_PAGE_TEXT);
                    UiClick(page, IDC_NEXT);
                },
                [&]() { RunPage("SETUP_END", FinishPageProc, IDD_FINISH); });
        EXPECT_EQ(shown, row.text);
        UnloadPackage();
    }
}

class PathTest : public CopyTest {};

TEST_F(PathTest, SourceAndTargetPaths)
{
    Load("[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=.\r\nSubDir1=HELP\r\nWinDir=W\r\n"
         "[FileCounts]\r\nDisk1=4\r\n[Disk1]\r\n"
         "1=A.EX_,A.EXE,a,RootDir\r\n2=B.HL_,B.HLP,b,SubDir1\r\n3=C.TXT,C.TXT,c,WinDir\r\n"
         "4=D.TXT,D.TXT,d,Docs\r\n");
    struct Row { int disk, file; std::string source, target; } rows[] = {
        /* 0 */ { 0, 0, package_ + "\\.\\A.EX_", install_ + "\\.\\A.EXE" },
        /* 1 */ { 0, 1, package_ + "\\HELP\\B.HL_", install_ + "\\HELP\\B.HLP" },
        /* 2 */ { 0, 2, package_ + "\\W\\C.TXT", windows_ + "\\C.TXT" },
        /* 3: no directory, one separator */ { 0, 3, package_ + "\\D.TXT", install_ + "\\D.TXT" },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        char buffer[256];
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(BuildSourcePath(buffer, sizeof(buffer), rows[i].disk, rows[i].file), 1) << "row " << i;
        EXPECT_EQ(std::string(buffer), rows[i].source) << "row " << i;
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(BuildTargetPath(buffer, sizeof(buffer), rows[i].disk, rows[i].file), 1) << "row " << i;
        EXPECT_EQ(std::string(buffer), rows[i].target) << "row " << i;

        // exact size fits; one less leaves the buffer empty, the rest untouched
        size_t need = rows[i].source.size() + 1;
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(BuildSourcePath(buffer, (int)need, rows[i].disk, rows[i].file), 1) << "row " << i;
        EXPECT_EQ(buffer[need], '#') << "row " << i;
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(BuildSourcePath(buffer, (int)need - 1, rows[i].disk, rows[i].file), 0) << "row " << i;
        EXPECT_EQ(buffer[0], '\0') << "row " << i;
        EXPECT_EQ(buffer[need - 1], '#') << "row " << i << ": written past the size";
        need = rows[i].target.size() + 1;
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(BuildTargetPath(buffer, (int)need - 1, rows[i].disk, rows[i].file), 0) << "row " << i;
        EXPECT_EQ(buffer[0], '\0') << "row " << i;
        EXPECT_EQ(buffer[need - 1], '#') << "row " << i << ": written past the size";
    }
    char buffer[256];
    EXPECT_EQ(BuildSourcePath(buffer, sizeof(buffer), 0, 4), 0) << "past the disk's count";
    EXPECT_EQ(BuildSourcePath(buffer, sizeof(buffer), 1, 0), 0) << "past the disk count";
    EXPECT_EQ(BuildTargetPath(buffer, sizeof(buffer), -1, 0), 0);
}

// Every missing level of a directory below the destination is made, "."
// and doubled separators add none; outside the destination nothing is.
TEST_F(PathTest, TargetDirectoriesMadeLevelByLevelInsideOnly)
{
    Load("[Main]\r\nProductName=Velto\r\n");
    WriteFileBytes(install_ + "\\FILE", "in the way");
    struct Row { std::string path; int made; std::vector<std::string> exist, absent; } rows[] = {
        /* 0 */ { install_ + "\\HELP\\.\\DEUTSCH\\\\X", 1,
                  { install_ + "\\HELP", install_ + "\\HELP\\DEUTSCH\\X" }, {} },
        /* 1 */ { install_ + "\\HELP", 1, { install_ + "\\HELP" }, {} },
        /* 2 */ { install_ + "\\FILE\\SUB", 0, {}, { install_ + "\\FILE\\SUB" } },
        /* 3 */ { root_ + "\\OUTSIDE\\X", 0, {}, { root_ + "\\OUTSIDE" } },
        /* 4 */ { install_ + "X\\Y", 0, {}, { install_ + "X" } },
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        EXPECT_EQ(MakeTargetDirectory(rows[i].path.c_str()), rows[i].made) << "row " << i;
        for (const std::string &path : rows[i].exist)
            EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "row " << i << ": " << path;
        for (const std::string &path : rows[i].absent)
            EXPECT_FALSE(FileExists(path)) << "row " << i << ": " << path;
    }
}

TEST_F(PathTest, EmptyBasesAndNamesNeverMakeARootPath)
{
    Load("[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=.\r\nWinDir=W\r\n"
         "[FileCounts]\r\nDisk1=3\r\n[Disk1]\r\n1=A.EX_,A.EXE,a,RootDir\r\n3=C.TXT,C.TXT,c,WinDir\r\n");
    char buffer[256];
    struct Row { const char *what; int file; int sourceOk, targetOk; } rows[] = {
        /* 0 */ { "empty record", 1, 0, 0 },
        /* 1 */ { "normal record", 0, 1, 1 },
    };
    for (auto &row : rows) {
        EXPECT_EQ(BuildSourcePath(buffer, sizeof(buffer), 0, row.file), row.sourceOk) << row.what << " " << buffer;
        EXPECT_EQ(BuildTargetPath(buffer, sizeof(buffer), 0, row.file), row.targetOk) << row.what << " " << buffer;
    }
    g_setup.sourceDir[0] = '\0';
    EXPECT_EQ(BuildSourcePath(buffer, sizeof(buffer), 0, 0), 0) << "empty sourceDir: " << buffer;
    EXPECT_STREQ(buffer, "");
    g_setup.installDir[0] = '\0';
    EXPECT_EQ(BuildTargetPath(buffer, sizeof(buffer), 0, 0), 0) << "empty installDir: " << buffer;
    g_setup.fileTable[0][2].targetDir[0] = '\0';  // a Windows directory that was too long
    EXPECT_EQ(BuildTargetPath(buffer, sizeof(buffer), 0, 2), 0) << "empty absolute dir: " << buffer;
}

TEST_F(CopyTest, EmptySourceDirCopiesNothing)
{
    Plain("A.TXT", 100, 10);
    Load("[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nSubDir1=SUB\r\n"
         "[FileCounts]\r\nDisk1=1\r\n[Disk1]\r\n1=A.TXT,A.TXT,a,SubDir1\r\n");
    g_setup.sourceDir[0] = '\0';
    g_setup.installDir[0] = '\0';
    // the file is asked about, and gone on without
    std::vector<UiMessageBox> asked;
    PageResult result = PAGE_BACK;
    UiDrive([&]() { AnswerBoxes({ IDIGNORE, IDOK }, &asked); }, [&]() { result = RunInstallPage(); });
    EXPECT_EQ(result, PAGE_NEXT);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(FileExists("C:\\SUB")) << "sub-directory made at the root";
    EXPECT_EQ(g_registryUpdates, 1);
}

static int GoOn(const CopyStep *, void *)
{
    return 1;
}

static void CollectErrors(int kind, int, const char *text, void *context)
{
    if (kind == CHECK_ERROR)
        ((std::vector<std::string> *)context)->push_back(text);
}

// The names in a folder and below it, sorted, each with its bytes.
static std::string FolderState(const std::string &dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return "";
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            names.push_back(name + "\\{" + FolderState(dir + "\\" + name) + "}");
        else
            names.push_back(name + "=" + ReadFileBytes(dir + "\\" + name));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    std::string state;
    for (const std::string &name : names)
        state += name + ";";
    return state;
}

// A target name that is not the package's to write (Windows' own files,
// a trailing dot that Win32 drops, no name, a device) is refused by the
// setup's package check before anything is written, SETUPCHK reports it
// with the same words, and the copy engine, called without the check,
// opens nothing: Windows' files keep their bytes.
TEST_F(CopyTest, NamesTheSetupDoesNotWriteAreRefusedBeforeAnything)
{
    struct Row { const char *target; const char *directoryKey; int reason; } rows[] = {
        /* 0 */ { "SYSTEM.INI.", "WinDir", PATH_TRAILING },
        /* 1 */ { "WIN.INI.", "WinDir", PATH_TRAILING },
        /* 2 */ { "KRNL386.EXE.", "WinDir", PATH_TRAILING },
        /* 3 */ { "WIN.INI", "WinDir", PATH_WINDOWS_OWN },
        /* 4 */ { "SYSTEM.DAT", "WinDir", PATH_WINDOWS_OWN },
        /* 5 */ { "WIN.INI", "WinSystemDir", PATH_WINDOWS_OWN },
        /* 6 */ { ".", "RootDir", PATH_NO_NAME },
        /* 7 */ { "", "RootDir", PATH_NO_NAME },
        /* 8 */ { "CONIN$", "RootDir", PATH_DEVICE },
        /* 9 */ { "CONOUT$", "RootDir", PATH_DEVICE },
    };
    CreateDirectoryA((package_ + "\\W").c_str(), NULL);
    CreateDirectoryA((package_ + "\\S").c_str(), NULL);
    for (const char *source : { "A.TXT", "W\\A.TXT", "S\\A.TXT" })
        WriteFileBytes(package_ + "\\" + source, "the package's bytes");
    for (const char *name : { "WIN.INI", "SYSTEM.INI", "KRNL386.EXE", "SYSTEM.DAT", "SYSTEM\\WIN.INI" })
        WriteFileBytes(windows_ + "\\" + name, std::string("Windows' own ") + name);
    const std::string windowsBefore = FolderState(windows_), installBefore = FolderState(install_);

    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        const Row &row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i) + ": \"" + row.target + "\" into " + row.directoryKey);
        std::string words = std::string("names a file the setup does not write (") + PathFaultText(row.reason) + ")";
        std::string script = "[DiskLabel]\r\nDisk1=One\r\n[DirectoryName]\r\nRootDir=.\r\nWinDir=W\r\n"
                             "WinSystemDir=S\r\n[FileCounts]\r\nDisk1=1\r\n[Disk1]\r\n1=A.TXT," +
                             std::string(row.target) + ",a," + row.directoryKey + "\r\n";
        WriteFileBytes(package_ + "\\SETUP.INF", script);

        // SETUPCHK: an error with the setup's words
        std::vector<std::string> errors;
        CheckPackage(package_.c_str(), 0, CollectErrors, &errors);
        std::string quoted = std::string("target name \"") + row.target + "\" ";
        bool reported = false;
        for (const std::string &error : errors)
            reported = reported || (error.find(quoted) != std::string::npos && error.find(words) != std::string::npos);
        std::string all;
        for (const std::string &error : errors)
            all += error + "\n";
        EXPECT_TRUE(reported) << "no error with: " << quoted << "..." << words << "\n" << all;

        // the setup's package check: refused, the same words in its message
        Load(script);
        ContainmentFault fault;
        ASSERT_TRUE(FindFirstContainmentFault(&fault));
        EXPECT_EQ(fault.reason, row.reason);
        char message[1024];
        FormatPackageRefusal(&fault, message, sizeof(message));
        EXPECT_NE(std::string(message).find(words), std::string::npos) << message;
        EXPECT_NE(std::string(message).find(std::string("[Disk1] 1: ") + row.target), std::string::npos) << message;

        // the copy engine on its own: nothing opened, nothing written
        EXPECT_EQ(CopyPackageFiles(GoOn, NULL), 0) << "a refused file counts as not arrived";
        JournalClose();
        UnloadPackage();
        EXPECT_EQ(FolderState(windows_), windowsBefore);
        EXPECT_EQ(FolderState(install_), installBefore);
    }
}

// WININIT.EXE works top to bottom: each new line goes at the end of
// [rename], after the lines already there, before the next section.
TEST_F(CopyTest, WininitLinesGoAtTheEndOfRename)
{
    std::string first = install_ + "\\FIRST.TXT", second = install_ + "\\SECOND.TXT";
    WriteFileBytes(first, "1");
    WriteFileBytes(second, "2");
    char shortFirst[MAX_PATH], shortSecond[MAX_PATH];
    GetShortPathNameA(first.c_str(), shortFirst, sizeof(shortFirst));
    GetShortPathNameA(second.c_str(), shortSecond, sizeof(shortSecond));
    std::string one = std::string("NUL=") + shortFirst + "\r\n", two = std::string("NUL=") + shortSecond + "\r\n";
    struct Row { const char *name; std::string before, after; } rows[] = {
        /* 0 */ { "no file", "", "[rename]\r\n" + one + two },
        /* 1 */ { "lines there", "[rename]\r\nNUL=C:\\OLD.TXT\r\n",
                  "[rename]\r\nNUL=C:\\OLD.TXT\r\n" + one + two },
        /* 2 */ { "a section after", "[Rename]\r\nNUL=C:\\OLD.TXT\r\n\r\n[other]\r\nx=y\r\n",
                  "[Rename]\r\nNUL=C:\\OLD.TXT\r\n" + one + two + "\r\n[other]\r\nx=y\r\n" },
        /* 3 */ { "a section before, no line end", "[other]\r\nx=y\r\n[rename]\r\nNUL=C:\\OLD.TXT",
                  "[other]\r\nx=y\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n" + one + two },
    };
    std::string wininit = windows_ + "\\WININIT.INI";
    for (const Row &row : rows) {
        DeleteFileA(wininit.c_str());
        if (!row.before.empty())
            WriteFileBytes(wininit, row.before);
        EXPECT_EQ(WininitAdd(windows_.c_str(), NULL, first.c_str()), 1) << row.name;
        EXPECT_EQ(WininitAdd(windows_.c_str(), NULL, second.c_str()), 1) << row.name;
        EXPECT_EQ(ReadFileBytes(wininit), row.after) << row.name;
    }
}

}  // namespace
