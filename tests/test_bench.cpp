// make bench's copy benchmark gives a figure only for work done: a round
// whose targets are not all written ends it with an error and no figure.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "test_support.h"

namespace {

typedef DWORD(WINAPI *Crc32Function)(DWORD, const BYTE *, INT);

// "relative-path size crc32" as the benchmark's manifest lists a target.
std::string ManifestLine(const std::string &name, const std::string &bytes)
{
    Crc32Function crc32 = (Crc32Function)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlComputeCrc32");
    EXPECT_TRUE(crc32 != NULL);
    DWORD crc = crc32 ? crc32(0, (const BYTE *)bytes.data(), (INT)bytes.size()) : 0;
    char line[128];
    snprintf(line, sizeof(line), "%s %u %08lx\n", name.c_str(), (unsigned)bytes.size(), (unsigned long)crc);
    return line;
}

// Runs the command line; its exit code, with stdout and stderr in *output.
DWORD RunCaptured(const std::string &commandLine, std::string *output)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return 999;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    BOOL started = CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    CloseHandle(writeEnd);
    char chunk[4096];
    DWORD got;
    while (started && ReadFile(readEnd, chunk, sizeof(chunk), &got, NULL) && got > 0)
        output->append(chunk, got);
    CloseHandle(readEnd);
    if (!started)
        return 998;
    DWORD code = 997;
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

TEST(BenchCopy, GivesAFigureOnlyForWorkDone)
{
    struct Row { bool blocked; DWORD exitCode; bool figure; } rows[] = {
        /* 0 */ { false, 0, true },
        /* 1 */ { true, 1, false },   // F2.BIN cannot be written: a directory is in its way
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE("row " + std::to_string(i));
        std::string root = ScratchDir("bench");
        CreateDirectoryA((root + "\\PKG").c_str(), NULL);
        CreateDirectoryA((root + "\\OUT").c_str(), NULL);
        std::string script = "[Main]\r\nProductName=Velto\r\n[DiskLabel]\r\nDisk1=One\r\n"
                             "[DirectoryName]\r\nRootDir=.\r\n[FileCounts]\r\nDisk1=3\r\n[Disk1]\r\n";
        std::string manifest;
        for (int n = 1; n <= 3; n++) {
            std::string name = "F" + std::to_string(n) + ".BIN";
            std::string bytes(1000 * n, (char)('a' + n));
            WriteFileBytes(root + "\\PKG\\" + name, bytes);
            script += std::to_string(n) + "=" + name + "," + name + ",File,RootDir\r\n";
            manifest += ManifestLine(name, bytes);
        }
        WriteFileBytes(root + "\\PKG\\SETUP.INF", script);
        WriteFileBytes(root + "\\MANIFEST.TXT", manifest);
        if (rows[i].blocked)
            CreateDirectoryA((root + "\\OUT\\F2.BIN").c_str(), NULL);

        std::string output;
        DWORD code = RunCaptured("\"" + ProgramDir() + "\\install_bench.exe\" " + root + "\\PKG " +
                                 root + "\\OUT " + root + "\\MANIFEST.TXT", &output);
        EXPECT_EQ(code, rows[i].exitCode) << output;
        EXPECT_EQ(output.find("copy phase (median") != std::string::npos, rows[i].figure) << output;
        EXPECT_EQ(output.find("ratio") != std::string::npos, rows[i].figure) << output;
        if (rows[i].blocked) {
            EXPECT_NE(output.find("OUT\\F2.BIN was not written"), std::string::npos) << output;
        }
        RemoveTree(root);
    }
}

}  // namespace
