// SETUPCHK's check: a small package, clean, and with one planted mistake
// per row, each found with its level and line; the rows whose outcome
// matters run SETUP.EXE too, which must do what the check predicted; and
// many generated packages, none of which may crash the check.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "file_ops.h"
#include "resource.h"
#include "setupchk.h"
#include "e2e_fixture.h"
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

// The clean package: plain programs in the package folder, B.TX_
// compressed in HELP (1,500 bytes expanded), the driver and its INF.
const char *const kScript[] = {
    "[Main]",                                               // 1
    "ProductName=Velto",                                    // 2
    "DefaultPath=C:\\VELTO",                                // 3
    "MinimumSpace=100",                                     // 4
    "[Startup]",                                            // 5
    "MouseDriver=MOUSE.DRV",                                // 6
    "MouseInf=MOUSE.INF",                                   // 7
    "SeialName=Serial mouse",                               // 8
    "[DiskLabel]",                                          // 9
    "Disk1=Disk 1",                                         // 10
    "[DirectoryName]",                                      // 11
    "RootDir=.",                                            // 12
    "SubDir1=HELP",                                         // 13
    "WinSystemDir=SYSTEM",                                  // 14
    "WinInfDir=INF",                                        // 15
    "[FileCounts]",                                         // 16
    "Disk1=7",                                              // 17
    "[Disk1]",                                              // 18
    "1=A.EXE,A.EXE,Program A,RootDir",                      // 19
    "2=B.TX_,B.TXT,Read me,SubDir1",                        // 20
    "3=U.EXE,UNINSTAL.EXE,Uninstall,RootDir",               // 21
    "4=V.EXE,VARIRE.EXE,Mouse program,RootDir",             // 22
    "5=Z.DLL,ZRPAGE.DLL,Control panel page,RootDir",        // 23
    "6=MOUSE.DRV,MOUSE.DRV,Mouse driver,WinSystemDir",      // 24
    "7=MOUSE.INF,MOUSE.INF,Driver information,WinInfDir",   // 25
};

const std::string kPackedB = Szdd(std::string(1500, 'b'), 1500);

struct PackageFile { const char *path; std::string content; };

const PackageFile kFiles[] = {
    { "A.EXE", std::string(100, 'a') },
    { "HELP\\B.TX_", kPackedB },
    { "U.EXE", "uninstaller" },
    { "V.EXE", "mouse program" },
    { "Z.DLL", "control panel page" },
    { "SYSTEM\\MOUSE.DRV", "driver" },
    { "INF\\MOUSE.INF", "[Version]" },
};

// What SETUP.EXE does with a row's package, checked when the test runs it.
enum Outcome { CHECK_ONLY, REFUSED, INSTALLED };

struct Planted {
    const char *name;
    std::vector<std::pair<int, std::string> > edits;  // script lines replaced (may hold more lines)
    std::vector<PackageFile> files;   // written after the clean ones; an empty content removes
    int options;
    int result;
    int level;                  // CHECK_ERROR or CHECK_WARNING of the finding, 0 for none
    int line;
    const char *finding;        // a part of its text
    int findings;               // how many in all
    Outcome outcome;
    const char *refusedAs;      // "[section] key: text" of SETUP.EXE's message
};

const std::string kLong(2000, 'x');
// a comment that takes SETUP.INF past the 64 KB the profile functions read
const std::string kBulk = "; " + std::string(70 * 1024, 'c');
// a destination of 79 characters and a RootDir of 39 ("." steps) take the
// longer targets to 128 characters and more
const std::string kDeep(76, 'D');
std::string DotSteps()
{
    std::string steps;
    for (int i = 0; i < 19; i++)
        steps += ".\\";
    return steps + ".";
}

// the package's own side picture and logo, as the setup wants them
const COLORREF kGreen = RGB(0, 128, 0);
const std::string kSide = MakeBmp(118, 234, 4, kGreen);
const std::string kLogo = MakeBmp(490, 43, 4, kGreen, 3);

const Planted kPlanted[] = {
    { "clean", {}, {}, 0, CHECK_CLEAN, 0, 0, NULL, 0, CHECK_ONLY, NULL },
    { "no script", {}, { { "SETUP.INF", "" } }, 0, CHECK_UNREADABLE, 0, 0, NULL, 0, CHECK_ONLY, NULL },
    { "missing source", {}, { { "HELP\\B.TX_", "" } }, 0, CHECK_PROBLEMS, CHECK_ERROR, 20,
      "source file missing", 1, CHECK_ONLY, NULL },
    { "empty record", { { 20, "2=,B.TXT,Read me,SubDir1" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 20,
      "record left empty", 1, CHECK_ONLY, NULL },
    { "line too long", { { 20, "2=B.TX_,B.TXT," + kLong + ",SubDir1" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 20, "line too long: 2022 characters, of them 2020 after", 1, CHECK_ONLY, NULL },
    { "count larger", { { 17, "Disk1=8" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 17,
      "count 8 of Disk1 is larger", 1, CHECK_ONLY, NULL },
    { "count smaller", { { 25, std::string(kScript[24]) + "\r\n8=A.EXE,A2.EXE,Again,RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 17, "count 7 of Disk1 is smaller", 1, CHECK_ONLY, NULL },
    { "unknown directory key", { { 19, "1=A.EXE,A.EXE,Program A,RootDri" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "directory key \"RootDri\" is not one of the ten of [DirectoryName] "
      "(did you mean RootDir?)", 1, CHECK_ONLY, NULL },
    { "directory key not defined", { { 20, "2=B.TX_,B.TXT,Read me,SubDir4" } }, { { "B.TX_", kPackedB } },
      0, CHECK_PROBLEMS, CHECK_ERROR, 20, "directory key SubDir4 is used but not defined", 1,
      CHECK_ONLY, NULL },
    { "name too long", { { 19, "1=ABCDEFGHIJKL.EXE,A.EXE,Program A,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "name \"ABCDEFGHIJKL.EXE\" too long for its field", 1, CHECK_ONLY, NULL },
    { "directory too long", { { 13, "SubDir1=HELPXXXX\\DEUTSCH1\\ABCDEFGH\\ABCDEFGH\\ABCDEFGH" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 20, "directory SubDir1 too long", 1, CHECK_ONLY, NULL },
    { "description too long", { { 19, "1=A.EXE,A.EXE," + std::string(62, 'd') + ",RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 19, "description too long for its field: 62 characters", 1,
      CHECK_ONLY, NULL },
    { "product name too long", { { 2, "ProductName=" + std::string(72, 'p') } }, {}, 0, CHECK_CLEAN,
      CHECK_WARNING, 2, "ProductName too long for its field", 1, CHECK_ONLY, NULL },
    { "not 8.3", { { 19, "1=A.EXE,PROGRAM-A.EXE,Program A,RootDir" } }, {}, 0, CHECK_CLEAN,
      CHECK_WARNING, 19, "\"PROGRAM-A.EXE\" is not an 8.3 name", 1, CHECK_ONLY, NULL },
    { "damaged header", {}, { { "HELP\\B.TX_", Szdd("bbbb", 4).replace(8, 1, "B") } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 20, "damaged header (unknown method)", 1, CHECK_ONLY, NULL },
    { "damaged data", {}, { { "HELP\\B.TX_", Szdd(std::string(500, 'b'), 1500) } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 20, "expands to 500 of the 1500 bytes", 1, CHECK_ONLY, NULL },
    { "above MinimumSpace", { { 4, "MinimumSpace=1" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 4,
      "the files expand to 2 KB, more than MinimumSpace 1 KB", 1, CHECK_ONLY, NULL },
    { "MinimumSpace out of range", { { 4, "MinimumSpace=40000" } }, {}, 0, CHECK_CLEAN,
      CHECK_WARNING, 4, "Setup: asks for 32767 KB", 1, CHECK_ONLY, NULL },
    { "same target", { { 20, "2=A.EXE,a.exe,Again,RootDir" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING,
      20, "same target as line 19", 1, CHECK_ONLY, NULL },
    { "the change journal", { { 19, "1=A.EXE,uninstal.log,Program A,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "the setup's own change journal", 1, CHECK_ONLY, NULL },
    { "stored uncompressed", {}, { { "HELP\\B.TX_", "plain text" } }, 0, CHECK_CLEAN, CHECK_WARNING,
      20, "B.TX_ is named as a compressed file but stored uncompressed", 1, CHECK_ONLY, NULL },
    { "bigger than a floppy", { { 4, "MinimumSpace=4000" } }, { { "A.EXE", std::string(1800000, 'a') } },
      0, CHECK_CLEAN, CHECK_WARNING, 18, "the files of Disk1 take 1801759 bytes, more than the "
      "1457664", 1, CHECK_ONLY, NULL },
    { "script over 64 KB", { { 25, std::string(kScript[24]) + "\r\n" + kBulk } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 1, "SETUP.INF is 72", 1, CHECK_ONLY, NULL },
    { "header of 4 GB", {}, { { "HELP\\B.TX_", Szdd(std::string(1500, 'b'), 0xFFFFFFF9u) } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 20, "header gives 4294967289 bytes, more than LZ32 can take", 1,
      CHECK_ONLY, NULL },
    { "paths for LZ32", { { 3, "DefaultPath=C:\\" + kDeep }, { 12, "RootDir=" + DotSteps() } }, {}, 0,
      CHECK_CLEAN, CHECK_WARNING, 21, "target path of 132 characters with the default destination", 3,
      CHECK_ONLY, NULL },
    { "count wraps", { { 17, "Disk1=65543" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 17,
      "count 65543 of Disk1 does not fit 16 bits. Setup: reads it as 7.", 1, CHECK_ONLY, NULL },
    { "count negative", { { 17, "Disk1=-3" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 17,
      "count -3 of Disk1 is negative. Setup: reads it as 0.", 8, CHECK_ONLY, NULL },
    { "SerialName", { { 8, "SerialName=Serial mouse" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 8,
      "unknown key \"SerialName\" in [Startup] (did you mean SeialName?)", 1, CHECK_ONLY, NULL },
    { "SerialName, strict", { { 8, "SerialName=Serial mouse" } }, {}, CHECK_STRICT, CHECK_PROBLEMS,
      CHECK_WARNING, 8, "did you mean SeialName?", 1, CHECK_ONLY, NULL },
    { "key of another section", { { 2, "Title=Velto" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 2,
      "unknown key \"Title\" in [Main] (it belongs in [Startup])", 1, CHECK_ONLY, NULL },
    { "unknown section", { { 5, "[Strtup]" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 5,
      "unknown section [Strtup] (did you mean [Startup]?)", 1, CHECK_ONLY, NULL },
    { "key outside any section", { { 1, "Stray=1\r\n[Main]" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 1,
      "key \"Stray\" outside any section", 1, CHECK_ONLY, NULL },
    { "key twice", { { 10, "Disk1=Disk 1\r\nDisk1=Other" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 11,
      "Disk1 given twice in [DiskLabel] (first on line 10). Setup: reads the first, on line 10", 1,
      CHECK_ONLY, NULL },
    { "file line twice", { { 25, std::string(kScript[24]) + "\r\n7=A.EXE,A.EXE,Again,RootDir" } }, {},
      0, CHECK_CLEAN, CHECK_WARNING, 26, "7 given twice in [Disk1] (first on line 25)", 1,
      CHECK_ONLY, NULL },
    { "section twice", { { 25, std::string(kScript[24]) + "\r\n[Startup]\r\nTitle=Later" } }, {}, 0,
      CHECK_CLEAN, CHECK_WARNING, 26, "section [Startup] given twice (first on line 5)", 1,
      CHECK_ONLY, NULL },
    { "disk section not loaded", { { 25, std::string(kScript[24]) + "\r\n[Disk3]\r\n1=A.EXE,A.EXE,x,RootDir" } },
      {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 27, "[Disk3] has 1 numbered line(s)", 1, CHECK_ONLY, NULL },
    { "empty file table", { { 10, "Disk1=" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 16,
      "the package installs no file", 7, CHECK_ONLY, NULL },
    { "empty script", {}, { { "SETUP.INF", "\r\n" } }, 0, CHECK_PROBLEMS, CHECK_ERROR, 1,
      "the package installs no file", 4, CHECK_ONLY, NULL },
    { "UTF-16", {}, { { "SETUP.INF", std::string("\xFF\xFE[\0M\0a\0i\0n\0]\0\r\0\n\0", 18) } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 1, "UTF-16: save it as ANSI (in Notepad: Save As, Encoding "
      "ANSI). Setup: Windows 95 and 98 read no section", 1,
      CHECK_ONLY, NULL },
    { "UTF-8 mark", { { 1, "\xEF\xBB\xBF[Main]" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 1,
      "do not see the section [Main]", 1, CHECK_ONLY, NULL },

    // Containment: SETUP.EXE refuses the package, names the record, writes nothing.
    { "into the Windows directory", { { 13, "SubDir1=HELP\r\nSubDir2=..\\..\\..\\WINDOWS" },
                                     { 19, "1=WIN.INI,WIN.INI,Settings,SubDir2" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 14, "SubDir2 \"..\\..\\..\\WINDOWS\" leads outside the package "
      "and the destination directory (a \"..\" step)", 1, REFUSED,
      "[Disk1] 1: SubDir2=..\\..\\..\\WINDOWS" },
    { "target up two levels", { { 19, "1=A.EXE,..\\..\\EVIL1.TX,Program A,RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 19, "target name \"..\\..\\EVIL1.TX\" leads outside the "
      "destination directory (a \"..\" step)", 1, REFUSED, "[Disk1] 1: ..\\..\\EVIL1.TX" },
    { "target with a drive", { { 19, "1=A.EXE,C:\\EVIL2.TXT,Program A,RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 19, "(a drive)", 1, REFUSED, "[Disk1] 1: C:\\EVIL2.TXT" },
    { "target from the root", { { 19, "1=A.EXE,\\WINDOWS\\E4.TX,Program A,RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 19, "(a path from the root)", 1, REFUSED,
      "[Disk1] 1: \\WINDOWS\\E4.TX" },
    { "unused directory outside", { { 15, "WinInfDir=INF\r\nSubDir3=..\\..\\OUTSIDE" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 16, "SubDir3 \"..\\..\\OUTSIDE\" leads outside", 1, REFUSED,
      "[DirectoryName] SubDir3: ..\\..\\OUTSIDE" },
    { "source outside the package", { { 19, "1=..\\A.EXE,A.EXE,Program A,RootDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 19, "source name \"..\\A.EXE\" leads outside the package", 1,
      REFUSED, "[Disk1] 1: ..\\A.EXE" },
    { "wildcard", { { 19, "1=A.EXE,*.EXE,Program A,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "(a wildcard or a character no file name holds)", 1, REFUSED,
      "[Disk1] 1: *.EXE" },
    { "device", { { 19, "1=A.EXE,LPT1.TXT,Program A,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "(a device name)", 1, CHECK_ONLY, NULL },
    { "three dots", { { 12, "RootDir=...\\X" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 12,
      "RootDir \"...\\X\" leads outside", 4, CHECK_ONLY, NULL },

    // Directories: every level is made.
    { "nested SubDir", { { 13, "SubDir1=HELP\\DEUTSCH" } },
      { { "HELP\\B.TX_", "" }, { "HELP\\DEUTSCH\\B.TX_", kPackedB } }, 0, CHECK_CLEAN, 0, 0, NULL, 0,
      INSTALLED, NULL },
    { "RootDir=BIN", { { 12, "RootDir=BIN" } },
      { { "A.EXE", "" }, { "BIN\\A.EXE", std::string(100, 'a') }, { "BIN\\U.EXE", "uninstaller" },
        { "BIN\\V.EXE", "mouse program" }, { "BIN\\Z.DLL", "control panel page" } },
      0, CHECK_PROBLEMS, CHECK_ERROR, 18, "no record installs UNINSTAL.EXE into the destination "
      "directory", 3, INSTALLED, NULL },

    // Components the registry names.
    { "no uninstaller", { { 21, "3=U.EXE,UNINST.EXE,Uninstall,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 18, "no record installs UNINSTAL.EXE into the destination directory. Setup: "
      "registers ", 1, INSTALLED, NULL },
    { "driver elsewhere", { { 15, "WinInfDir=INF\r\nWinDir=SYSTEM" },
                           { 24, "6=MOUSE.DRV,MOUSE.DRV,Mouse driver,WinDir" } }, {}, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 6, "no record installs MouseDriver MOUSE.DRV into the SYSTEM "
      "directory", 1, CHECK_ONLY, NULL },

    // What an author gets wrong first, each told with what to do.
    { "tab after a name", { { 19, "1=A.EXE,A.EXE\t,Program A,RootDir" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 19, "target name \"A.EXE<TAB>\" holds a control character, <TAB>, which no "
      "file name holds: remove it. Setup: refuses the whole package", 1, CHECK_ONLY, NULL },
    { "key typo takes the default", { { 2, "ProductNmae=Acme" } }, {}, 0, CHECK_CLEAN, CHECK_WARNING, 2,
      "(did you mean ProductName?). Setup: never reads it; without ProductName it uses the default, "
      "\"Velto\": every page title, text and message says it.", 1, CHECK_ONLY, NULL },
    { "component's source missing", {}, { { "V.EXE", "" } }, 0, CHECK_PROBLEMS, CHECK_ERROR, 22,
      "no record installs VARIRE.EXE into the destination directory: this line names it, but its "
      "source is missing.", 2, CHECK_ONLY, NULL },
    { "mscompress's own name", {}, { { "HELP\\B.TX_", "" }, { "HELP\\B.TXT_", kPackedB } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 20, "B.TX_; beside it is B.TXT_, the name mscompress gives: "
      "rename it to B.TX_.", 1, CHECK_ONLY, NULL },
    { "UTF-8 mark, the fix", { { 1, "\xEF\xBB\xBF[Main]" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 1,
      "SETUP.INF begins with a UTF-8 byte-order mark: save it as ANSI", 1, CHECK_ONLY, NULL },
    // the source path has an empty step: shown with one separator (ExpectFindings)
    { "no directory, one separator", { { 20, "2=B.TX_,B.TXT,Read me,Docs" } }, {}, 0, CHECK_PROBLEMS,
      CHECK_ERROR, 20, "\\B.TX_. Setup: asks the user about the file", 2, CHECK_ONLY, NULL },
    // The package's own pictures: each fault told at its key, the built-in picture shown.
    { "own pictures", { { 2, "SidePicture=SIDE.BMP\r\nLogo=BIN\\LOGO.BMP" } },
      { { "SIDE.BMP", kSide }, { "BIN\\LOGO.BMP", kLogo } }, 0, CHECK_CLEAN, 0, 0, NULL, 0, CHECK_ONLY, NULL },
    { "picture missing", { { 2, "SidePicture=SIDE.BMP" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 2,
      "\\SIDE.BMP is not in the package. Setup: shows its built-in side picture.", 1, CHECK_ONLY, NULL },
    { "picture outside", { { 2, "SidePicture=..\\SIDE.BMP" } }, {}, 0, CHECK_PROBLEMS, CHECK_ERROR, 2,
      "SidePicture=..\\SIDE.BMP names no file of the package's directory", 1, CHECK_ONLY, NULL },
    { "picture size", { { 2, "SidePicture=SIDE.BMP" } }, { { "SIDE.BMP", MakeBmp(100, 234, 4, kGreen) } },
      0, CHECK_PROBLEMS, CHECK_ERROR, 2, "is 100 x 234 pixels; it must be 118 x 234", 1, CHECK_ONLY, NULL },
    { "picture header", { { 2, "Logo=LOGO.BMP" } }, { { "LOGO.BMP", MakeBmp(490, 43, 4, kGreen, 2, 124) } },
      0, CHECK_PROBLEMS, CHECK_ERROR, 2, "has a 124-byte header; the setup takes only the 40-byte "
      "header of Windows 3.x bitmaps, the one every Windows reads: save it as a Windows 3.x BMP. Setup: "
      "shows its built-in logo.", 1, CHECK_ONLY, NULL },
    { "picture depth", { { 2, "SidePicture=SIDE.BMP" } }, { { "SIDE.BMP", MakeBmp(118, 234, 8, kGreen) } },
      0, CHECK_PROBLEMS, CHECK_ERROR, 2, "has 8 bits per pixel (256 colours); it must have 4 bits per "
      "pixel (16 colours)", 1, CHECK_ONLY, NULL },
    { "picture compressed", { { 2, "SidePicture=SIDE.BMP" } },
      { { "SIDE.BMP", MakeBmp(118, 234, 4, kGreen, 0, 40, BI_RLE4) } }, 0, CHECK_PROBLEMS, CHECK_ERROR, 2,
      "is compressed: save it uncompressed", 1, CHECK_ONLY, NULL },
    { "picture not a BMP", { { 2, "SidePicture=SIDE.BMP" } }, { { "SIDE.BMP", "GIF89a" } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 2, "is not a BMP file", 1, CHECK_ONLY, NULL },
    { "picture cut short", { { 2, "SidePicture=SIDE.BMP" } }, { { "SIDE.BMP", kSide.substr(0, 2000) } }, 0,
      CHECK_PROBLEMS, CHECK_ERROR, 2, "ends before its pixels do", 1, CHECK_ONLY, NULL },
    { "logo without a key", { { 2, "Logo=LOGO.BMP" } }, { { "LOGO.BMP", MakeBmp(490, 43, 4, kGreen) } }, 0,
      CHECK_CLEAN, CHECK_WARNING, 2, "the logo has no pixel of the colour key 0xFF00FF", 1, CHECK_ONLY, NULL },
    { "side picture with keys", { { 2, "SidePicture=SIDE.BMP" } },
      { { "SIDE.BMP", MakeBmp(118, 234, 4, kGreen, 2) } }, 0, CHECK_CLEAN, CHECK_WARNING, 2,
      "236 pixels of the side picture are the colour key", 1, CHECK_ONLY, NULL },
    { "logo hidden", { { 2, "Logo=LOGO.BMP\r\nOEM=1" } }, { { "LOGO.BMP", kLogo } }, 0, CHECK_CLEAN,
      CHECK_WARNING, 2, "a logo is given, but OEM is not 0. Setup: shows no logo.", 1, CHECK_ONLY, NULL },
};

struct Finding { int kind; int line; std::string text; };

struct Output {
    std::vector<Finding> findings;
    std::vector<std::string> info;
    std::string all;
};

void Collect(int kind, int line, const char *text, void *context)
{
    Output *output = (Output *)context;

    if (kind == CHECK_ERROR || kind == CHECK_WARNING)
        output->findings.push_back({ kind, line, text });
    else if (kind == CHECK_INFO)
        output->info.push_back(text);
    output->all += std::string(text) + "\n";
}

std::string PlantedScript(const Planted &row, const std::string &defaultPath)
{
    std::string script;

    for (size_t i = 0; i < sizeof(kScript) / sizeof(kScript[0]); i++) {
        std::string line = kScript[i];
        if (i == 2)
            line = "DefaultPath=" + defaultPath;
        for (auto &edit : row.edits)
            if (edit.first == (int)i + 1)
                line = edit.second;
        script += line + "\r\n";
    }
    return script;
}

void WritePackage(const std::string &dir, const Planted &row, const std::string &defaultPath)
{
    const char *const folders[] = { "HELP", "HELP\\DEUTSCH", "BIN", "SYSTEM", "INF" };
    for (const char *folder : folders)
        CreateDirectoryA((dir + "\\" + folder).c_str(), NULL);
    WriteFileBytes(dir + "\\SETUP.INF", PlantedScript(row, defaultPath));
    for (const PackageFile &file : kFiles)
        WriteFileBytes(dir + "\\" + file.path, file.content);
    for (const PackageFile &file : row.files) {
        if (file.content.empty())
            DeleteFileA((dir + "\\" + file.path).c_str());
        else
            WriteFileBytes(dir + "\\" + file.path, file.content);
    }
}

std::string Kind(int kind)
{
    return kind == CHECK_ERROR ? "error" : kind == CHECK_WARNING ? "warning" : "none";
}

// The row's result, its finding with level and line, and how many in all.
void ExpectFindings(const Planted &row, int result, const Output &output, const std::string &dir)
{
    EXPECT_EQ(result, row.result) << output.all;
    EXPECT_EQ(output.findings.size(), (size_t)row.findings) << output.all;
    if (row.finding == NULL)
        return;
    bool found = false;
    for (const Finding &finding : output.findings) {
        if (finding.text.find(row.finding) == std::string::npos)
            continue;
        found = true;
        EXPECT_EQ(Kind(finding.kind), Kind(row.level)) << finding.text;
        EXPECT_EQ(finding.line, row.line) << finding.text;
        // PATH(LINE): level: what. Setup: what it does.
        std::string prefix = dir + "\\SETUP.INF(" + std::to_string(row.line) + "): " +
                             Kind(row.level) + ": ";
        EXPECT_EQ(finding.text.compare(0, prefix.size(), prefix), 0) << finding.text;
        EXPECT_NE(finding.text.find(". Setup: "), std::string::npos) << finding.text;
    }
    // paths with one separator between their parts
    for (const Finding &finding : output.findings) {
        EXPECT_EQ(finding.text.find("\\\\"), std::string::npos) << finding.text;
        EXPECT_EQ(finding.text.find("\\.\\"), std::string::npos) << finding.text;
    }
    EXPECT_TRUE(found) << "no finding with \"" << row.finding << "\":\n" << output.all;
}

TEST(PackageCheck, EachPlantedMistakeWithItsLevelAndLine)
{
    for (const Planted &row : kPlanted) {
        SCOPED_TRACE(row.name);
        std::string dir = ScratchDir("setupchk");
        WritePackage(dir, row, "C:\\VELTO");
        Output output;

        int result = CheckPackage(dir.c_str(), row.options, Collect, &output);
        ExpectFindings(row, result, output, dir);
        if (row.result == CHECK_CLEAN && row.findings == 0) {
            // the table row of the compressed file: target, stored and expanded size
            std::string tableRow = "<none>";
            for (const std::string &line : output.info)
                if (line.find("\\B.TX_ ") != std::string::npos)
                    tableRow = line;
            EXPECT_NE(tableRow.find(" C:\\VELTO\\HELP\\"), std::string::npos) << tableRow;
            EXPECT_NE(tableRow.find("B.TXT "), std::string::npos) << tableRow;
            EXPECT_NE(tableRow.find(" 1702      1500  Read me"), std::string::npos) << tableRow;
        }
        RemoveTree(dir);
    }
}

// SETUPCHK.EXE's command line: its options and the exit status they give.
TEST(PackageCheck, CommandLineAndExitStatus)
{
    std::string dir = ScratchDir("setupchk");
    WritePackage(dir, kPlanted[0], "C:\\VELTO");
    WriteFileBytes(dir + "\\SETUP.INF", PlantedScript(kPlanted[0], "C:\\VELTO") + "Stray=1\r\n");
    struct Row { std::string line; int status; } rows[] = {
        { "SETUPCHK.EXE", CHECK_UNREADABLE },
        { "SETUPCHK.EXE --quiet", CHECK_UNREADABLE },
        { "SETUPCHK.EXE " + dir + " --bogus", CHECK_UNREADABLE },
        { "SETUPCHK.EXE " + dir + " " + dir, CHECK_UNREADABLE },
        { "\"C:\\Program Files\\SETUPCHK.EXE\" \"" + dir + "\" --quiet", CHECK_CLEAN },
        { "SETUPCHK.EXE " + dir + " --strict --quiet", CHECK_PROBLEMS },
        { "SETUPCHK.EXE " + dir + "\\NONE", CHECK_UNREADABLE },
    };
    for (const Row &row : rows)
        EXPECT_EQ(RunPackageCheck(row.line.c_str()), row.status) << row.line;
    RemoveTree(dir);
}

// Run through make, the findings name the package folder by its path on
// the machine that runs Wine, in the form its editors read; without the
// option, by the folder's own path.
TEST(PackageCheck, FindingsNameTheFolderAsGiven)
{
    std::string dir = ScratchDir("setupchk");
    Planted missing = kPlanted[2];
    WritePackage(dir, missing, "C:\\VELTO");
    struct Row { const char *shownAs; std::string first; } rows[] = {
        { "/home/author/pkg", "/home/author/pkg/SETUP.INF:20: error: source file missing: "
                              "/home/author/pkg/HELP/B.TX_. Setup: " },
        { "/home/author/pkg/", "/home/author/pkg/SETUP.INF:20: error: source file missing: "
                               "/home/author/pkg/HELP/B.TX_. Setup: " },
        { NULL, dir + "\\SETUP.INF(20): error: source file missing: " + dir + "\\HELP\\B.TX_. Setup: " },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.shownAs != NULL ? row.shownAs : "(none)");
        Output output;
        EXPECT_EQ(CheckPackageShown(dir.c_str(), row.shownAs, 0, Collect, &output), CHECK_PROBLEMS);
        ASSERT_EQ(output.findings.size(), 1u) << output.all;
        EXPECT_EQ(output.findings[0].text.compare(0, row.first.size(), row.first), 0)
            << output.findings[0].text;
    }
    struct Command { std::string line; int status; } commands[] = {
        { "SETUPCHK.EXE " + dir + " --unix-path=/home/author/pkg --quiet", CHECK_PROBLEMS },
        { "SETUPCHK.EXE \"" + dir + "\" \"--unix-path=/home/a b/pkg\"", CHECK_PROBLEMS },
        { "SETUPCHK.EXE " + dir + " --unix-path=", CHECK_UNREADABLE },
    };
    for (const Command &command : commands)
        EXPECT_EQ(RunPackageCheck(command.line.c_str()), command.status) << command.line;
    RemoveTree(dir);
}

// A journal line as the setup writes it: its text and its checksum.
std::string JournalLine(const std::string &text)
{
    char crc[16];
    snprintf(crc, sizeof(crc), "%08lX", (unsigned long)Crc32(0, (const BYTE *)text.data(), (DWORD)text.size()));
    return text + " *" + crc + "\r\n";
}

// SETUPCHK --journal: two runs, the second ended part-way, and a damaged
// line between them, each line told in words with its number.
TEST(PackageCheckJournal, RunsEntriesAndADamagedLineInPlainWords)
{
    std::string dir = ScratchDir("setupchk-journal");
    std::string first = JournalLine("RUN 1 N Velto") + JournalLine("NAMES ZRMOUSE.DRV ZRMOUSE.INF") +
                        JournalLine("DIR C:\\VELTO") + JournalLine("FILE C:\\VELTO\\VARIRE.EXE NEW") +
                        JournalLine("DONE C:\\VELTO\\VARIRE.EXE 327 1A2B3C4D");
    std::string value = JournalLine("VALUE HKLM\\Enum\\Root\\VeltoMouse DeviceDesc 1 Standard%20mouse%00 "
                                    "1 Velto%20PS/2%20Wheel%20Mouse");
    std::string text = first + value +
        JournalLine("FILE C:\\WINDOWS\\SYSTEM\\ZRMOUSE.DRV OLD 100 0BADF00D C:\\VELTO\\000000F0.SAV") +
        JournalLine("LINE mouse=*vmouse,%20msmouse.vxd mouse=*vmouse") +
        JournalLine("MOVE C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.VXD C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.BAK") +
        JournalLine("END") + "KEY HKLM\\Enum\tdamaged *00000000\r\n" +
        JournalLine("RUN 1 U Velto") + JournalLine("VALUE HKLM\\Enum\\Root\\VeltoMouse Mfg - % 4 %01%00%00%00") +
        JournalLine("UNDO " + std::to_string(first.size()));
    std::string path = dir + "\\UNINSTAL.LOG";
    WriteFileBytes(path, text);
    struct Row { int line; int kind; const char *text; } rows[] = {
        { 0, CHECK_INFO, "Journal PATH: 2 runs, 13 entries, 1 damaged line" },
        { 1, CHECK_INFO, "    1  run 1: an installation of \"Velto\" (journal version 1)" },
        { 2, CHECK_INFO, "    2  the package's files for the Windows directories: ZRMOUSE.DRV ZRMOUSE.INF" },
        { 3, CHECK_INFO, "    3  makes directory C:\\VELTO" },
        { 4, CHECK_INFO, "    4  writes new file C:\\VELTO\\VARIRE.EXE" },
        { 5, CHECK_INFO, "    5    completed C:\\VELTO\\VARIRE.EXE: 327 bytes, checksum 1A2B3C4D" },
        { 6, CHECK_INFO, "    6  sets HKLM\\Enum\\Root\\VeltoMouse: DeviceDesc = \"Velto PS/2 Wheel Mouse\" "
                         "(was: \"Standard mouse\")" },
        { 7, CHECK_INFO, "    7  writes over file C:\\WINDOWS\\SYSTEM\\ZRMOUSE.DRV (it was 100 bytes, checksum "
                         "0BADF00D; saved first as C:\\VELTO\\000000F0.SAV)" },
        { 8, CHECK_INFO, "    8  replaces the system.ini mouse line \"mouse=*vmouse, msmouse.vxd\" with "
                         "\"mouse=*vmouse\"" },
        { 9, CHECK_INFO, "    9  renames C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.VXD to "
                         "C:\\WINDOWS\\SYSTEM\\VMM32\\VMOUSE.BAK" },
        { 10, CHECK_INFO, "   10  the run ended" },
        { 11, CHECK_WARNING, "   11  DAMAGED: not a whole entry (cut, or changed since it was written), not "
                             "acted on: \"KEY HKLM\\Enum<TAB>damaged *00000000\"" },
        { 12, CHECK_INFO, "   12  run 2: SETUP.EXE -u (the mouse registered again) of \"Velto\" (journal version 1)" },
        { 13, CHECK_INFO, "   13  sets HKLM\\Enum\\Root\\VeltoMouse: Mfg = 1 (a number) (was: it did not exist)" },
        { 14, CHECK_INFO, "   14  undone by the uninstaller: the entry of line 6" },
        { 0, CHECK_INFO, "The last run has no END line: it was ended part-way." },
    };
    Output output;
    std::vector<Finding> told;
    auto collect = [](int kind, int line, const char *text, void *context) {
        ((std::vector<Finding> *)context)->push_back({ kind, line, text });
    };
    EXPECT_EQ(ListJournal(path.c_str(), collect, &told), CHECK_PROBLEMS);
    std::string all;
    for (const Finding &line : told)
        all += line.text + "\n";
    ASSERT_EQ(told.size(), sizeof(rows) / sizeof(rows[0])) << all;
    for (size_t i = 0; i < told.size(); i++) {
        std::string expected = rows[i].text;
        size_t at = expected.find("PATH");
        if (at != std::string::npos)
            expected.replace(at, 4, path);
        EXPECT_EQ(told[i].text, expected) << "row " << i;
        EXPECT_EQ(told[i].line, rows[i].line) << "row " << i;
        EXPECT_EQ(Kind(told[i].kind), Kind(rows[i].kind)) << "row " << i;
    }
    // the command line: the listing's status, and no journal
    EXPECT_EQ(RunPackageCheck(("SETUPCHK.EXE --journal " + path + " --quiet").c_str()), CHECK_PROBLEMS);
    WriteFileBytes(path, first);
    EXPECT_EQ(RunPackageCheck(("SETUPCHK.EXE --journal " + path).c_str()), CHECK_CLEAN);
    EXPECT_EQ(RunPackageCheck(("SETUPCHK.EXE --journal " + dir + "\\NONE.LOG").c_str()), CHECK_UNREADABLE);
    EXPECT_EQ(RunPackageCheck("SETUPCHK.EXE --journal"), CHECK_UNREADABLE);
    RemoveTree(dir);
}

// Random and hostile scripts and file layouts: the check ends with 0, 1
// or 2 for each, and never crashes.
TEST(PackageCheck, GeneratedPackagesEndWithAKnownStatus)
{
    const unsigned seed = 19;
    std::mt19937 random(seed);
    auto pick = [&](const std::vector<std::string> &from) { return from[random() % from.size()]; };
    const std::vector<std::string> sections = {
        "Main", "Startup", "DiskLabel", "DirectoryName", "FileCounts", "Disk1", "Disk2", "Disk3",
        "Disk6", "Disk7", "disk1", " Main ", "", "[", "Mian",
    };
    const std::vector<std::string> keys = {
        "ProductName", "DefaultPath", "MinimumSpace", "OEM", "PS2Only", "Title", "MouseDriver",
        "MouseInf", "SeialName", "SerialName", "PnpID", "Disk1", "Disk2", "Disk6", "RootDir",
        "SubDir1", "SubDir6", "WinDir", "WinSystemDir", "WinInfDir", "1", "2", "3", "7", "01",
        "32767", "99999", "", "=", ";1",
    };
    const std::vector<std::string> pieces = {
        "", ".", "..", "...", "HELP", "HELP\\DEUTSCH", "..\\..\\WINDOWS", "C:\\", "\\WINDOWS",
        "*.*", "A.EXE", "B.TX_", "CON", "LPT1.TXT", "X", std::string(300, 'y'), "65543", "-1",
        "2147483648", "0", "1", "RootDir", "SubDir1", "WinDir", "Docs", " , , ,", "\t", "%s%n%d",
        "\xEF\xBB\xBF", std::string(1, '\0'), "A.EXE,A.EXE,x,RootDir", "..\\A.EXE,A,x,SubDir1",
        "B.TX_,B.TXT,y,SubDir1", "A.EXE,VERYLONGFILENAME.EXE,z,WinSystemDir",
    };
    const std::vector<std::string> files = {
        "A.EXE", "B.TX_", "HELP\\B.TX_", "HELP\\DEUTSCH\\A.EXE", "SYSTEM\\MOUSE.DRV", "X",
        "U.EXE", "V.EXE", "Z.DLL", "INF\\MOUSE.INF",
    };
    int counts[3] = { 0, 0, 0 };
    const int packages = 1000;
    std::string dir = ScratchDir("setupchk-generated");
    CreateDirectoryA((dir + "\\HELP").c_str(), NULL);
    CreateDirectoryA((dir + "\\HELP\\DEUTSCH").c_str(), NULL);
    CreateDirectoryA((dir + "\\SYSTEM").c_str(), NULL);
    CreateDirectoryA((dir + "\\INF").c_str(), NULL);

    for (int n = 0; n < packages; n++) {
        std::string script;
        int lines = (int)(random() % 40);
        if (n % 3 == 0) {
            // the clean package with a few lines replaced, hostile or not
            std::vector<std::string> clean(kScript, kScript + sizeof(kScript) / sizeof(kScript[0]));
            for (int i = (int)(random() % 4); i >= 0; i--) {
                std::string &line = clean[random() % clean.size()];
                line = line.substr(0, line.find('=') + 1) + pick(pieces);
            }
            for (const std::string &line : clean)
                script += line + "\r\n";
            lines = 0;
        }
        for (int i = 0; i < lines; i++) {
            switch (random() % 4) {
            case 0: script += "[" + pick(sections) + "]"; break;
            case 1: script += pick(keys) + "=" + pick(pieces) + "," + pick(pieces); break;
            default: script += pick(keys) + "=" + pick(pieces); break;
            }
            script += random() % 5 == 0 ? "\n" : "\r\n";
        }
        if (random() % 10 == 0)
            script = std::string("\xFF\xFE", 2) + script;
        if (random() % 20 == 0)
            script = std::string(random() % 3000, (char)(random() % 256));
        bool noScript = random() % 25 == 0;
        RemoveDirectoryA((dir + "\\SETUP.INF").c_str());
        DeleteFileA((dir + "\\SETUP.INF").c_str());
        if (noScript && random() % 2 == 0)
            CreateDirectoryA((dir + "\\SETUP.INF").c_str(), NULL);   // a folder in its place
        else if (!noScript)
            WriteFileBytes(dir + "\\SETUP.INF", script);
        for (const std::string &file : files) {
            std::string path = dir + "\\" + file;
            RemoveDirectoryA(path.c_str());
            switch (random() % (n % 3 == 0 ? 12 : 5)) {
            case 0: DeleteFileA(path.c_str()); break;
            case 4: DeleteFileA(path.c_str()); CreateDirectoryA(path.c_str(), NULL); break;
            case 1: WriteFileBytes(dir + "\\" + file, Szdd(std::string(random() % 300, 'q'),
                                                           (unsigned)(random() % 400))); break;
            default: WriteFileBytes(dir + "\\" + file, std::string(random() % 200, 'p')); break;
            }
        }
        Output output;
        int result = CheckPackage(dir.c_str(), (int)(random() % 2), Collect, &output);
        ASSERT_TRUE(result >= 0 && result <= 2)
            << "package " << n << " (seed " << seed << "): " << result << "\n" << script;
        counts[result]++;
        for (const Finding &finding : output.findings) {
            ASSERT_EQ(finding.text.compare(0, dir.size() + 10, dir + "\\SETUP.INF"), 0)
                << "package " << n << ": " << finding.text;
        }
        if (noScript) {
            EXPECT_EQ(result, CHECK_UNREADABLE) << "package " << n;
        }
    }
    std::cout << packages << " generated packages: " << counts[0] << " clean, " << counts[1]
              << " with errors, " << counts[2] << " unreadable\n";
    EXPECT_EQ(counts[0] + counts[1] + counts[2], packages);
    EXPECT_GT(counts[1], 0);
    RemoveTree(dir);
}

// The targets of the check's file table that are written.
std::vector<std::string> PredictedTargets(const Output &output)
{
    std::vector<std::string> targets;
    for (const std::string &line : output.info) {
        std::istringstream fields(line);
        int disk = 0, number = 0;
        std::string lineNumber, source, target, stored, expanded;
        if (!(fields >> disk >> number >> lineNumber >> source >> target >> stored >> expanded))
            continue;
        if (stored != "missing" && expanded != "-" && target != "(refused)")
            targets.push_back(target);
    }
    return targets;
}

// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string &dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The rows where the outcome matters, run through SETUP.EXE: what it
// does must be what the check's "Setup:" sentences said.
TEST_F(EndToEnd, PlantedPackagesDoWhatTheCheckerPredicts)
{
    std::string winIni = ReadFileBytes(WindowsDir() + "\\win.ini");
    for (const Planted &row : kPlanted) {
        if (row.outcome == CHECK_ONLY)
            continue;
        SCOPED_TRACE(row.name);
        ClearInstallation(E2E_TARGET);
        RemoveTree(E2E_PACKAGE);
        CreateDirectoryA(E2E_PACKAGE, NULL);
        ASSERT_TRUE(CopyFileA(E2E_SAMPLE "\\SETUP.EXE", E2E_PACKAGE "\\SETUP.EXE", FALSE));
        WritePackage(E2E_PACKAGE, row, E2E_TARGET);
        Output output;
        int result = CheckPackage(E2E_PACKAGE, 0, Collect, &output);
        ExpectFindings(row, result, output, E2E_PACKAGE);

        std::vector<std::string> rootBefore = FolderNames("C:"), e2eBefore = FolderNames(E2E_ROOT);
        Start();
        if (row.outcome == REFUSED) {
            EXPECT_NE(output.all.find("Setup: refuses the whole package before it copies anything; "
                                      "the installation ends not completed."), std::string::npos);
            UiMessageBox box;
            ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
            EXPECT_EQ(box.text, std::string("This package cannot be installed: its SETUP.INF places or "
                                            "reads a file outside the installation directory, the "
                                            "Windows directories or the package.\n\n") + row.refusedAs);
            EXPECT_EQ(box.caption, "Velto Setup Program");
            UiAnswerMessageBox(box, IDOK);
            ASSERT_TRUE(UiWaitForMessageBox(&box, UI_TIMEOUT, process.dwProcessId));
            EXPECT_EQ(box.text, "Velto installation is not completed !");
            UiAnswerMessageBox(box, IDOK);
            EXPECT_EQ(Finish(), 0u);
            EXPECT_FALSE(FileExists(E2E_TARGET)) << "the destination was made";
            EXPECT_EQ(FolderNames("C:"), rootBefore) << "C:\\ changed";
            EXPECT_EQ(FolderNames(E2E_ROOT), e2eBefore);
            for (const char *path : { "C:\\EVIL1.TX", "C:\\EVIL2.TXT", "C:\\OUTSIDE", "C:\\WINDOWS\\E4.TX" })
                EXPECT_FALSE(FileExists(path)) << path;
            EXPECT_EQ(ReadFileBytes(WindowsDir() + "\\win.ini"), winIni) << "WIN.INI changed";
            ExpectNothingInstalled();
            continue;
        }
        HWND finish = InstallUpToFinish(true);
        ASSERT_TRUE(finish != NULL);
        UiClick(finish, IDC_RESTART_LATER);
        Press(finish, IDC_NEXT);
        EXPECT_EQ(Finish(), 0u);
        std::vector<std::string> targets = PredictedTargets(output);
        EXPECT_EQ(targets.size(), 7u) << output.all;
        for (const std::string &target : targets)
            EXPECT_TRUE(FileExists(target)) << target << " predicted, not installed";
        // a component the check says is missing is registered, and absent
        for (const Finding &finding : output.findings) {
            size_t at = finding.text.find("Setup: registers ");
            if (at == std::string::npos)
                continue;
            at += 17;
            std::string path = finding.text.substr(at, finding.text.find(' ', at) - at);
            EXPECT_FALSE(FileExists(path)) << path;
            if (path.find("UNINSTAL.EXE") != std::string::npos) {
                EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, TRACE_UNINSTALL_KEY, "UninstallString"), path);
            }
        }
        DeleteFileA((WindowsDir() + "\\SYSTEM\\MOUSE.DRV").c_str());
        DeleteFileA((WindowsDir() + "\\INF\\MOUSE.INF").c_str());
        RestoreWindowsFiles();
        PrepareWindowsFiles();
        systemIniBefore = SystemIni();
    }
}

}  // namespace
