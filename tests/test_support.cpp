#include "test_support.h"

#include "journal.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <vector>

static const char kScratchRoot[] = "C:\\setup-tests";

std::string ScratchDir(const std::string &name)
{
    std::string path = std::string(kScratchRoot) + "\\" + name;
    CreateDirectoryA(kScratchRoot, NULL);
    RemoveTree(path);
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), NULL)) << "cannot create " << path;
    return path;
}

void RemoveTree(const std::string &path)
{
    // the setup keeps its journal open while it runs; a test's run ends here
    JournalClose();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);

    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << path;
}

static void PutLittle(std::string &bytes, DWORD value, int count)
{
    for (int i = 0; i < count; i++)
        bytes += (char)((value >> (8 * i)) & 0xFF);
}

std::string MakeBmp(int width, int height, int bits, COLORREF colour, int keyRows,
                    DWORD headerSize, DWORD compression)
{
    DWORD entries = 1u << bits, rowBytes = ((DWORD)width * bits + 31) / 32 * 4;
    DWORD offset = 14 + headerSize + entries * 4, size = offset + rowBytes * height;
    std::string bytes = "BM";
    PutLittle(bytes, size, 4);
    PutLittle(bytes, 0, 4);
    PutLittle(bytes, offset, 4);
    PutLittle(bytes, headerSize, 4);
    PutLittle(bytes, (DWORD)width, 4);
    PutLittle(bytes, (DWORD)height, 4);
    PutLittle(bytes, 1, 2);
    PutLittle(bytes, (DWORD)bits, 2);
    PutLittle(bytes, compression, 4);
    bytes.append(20, '\0');
    bytes.append(headerSize - 40, '\0');
    PutLittle(bytes, 0xFF00FF, 4);
    PutLittle(bytes, (DWORD)GetBValue(colour) | GetGValue(colour) << 8 | GetRValue(colour) << 16, 4);
    bytes.append((entries - 2) * 4, '\0');
    for (int y = 0; y < height; y++) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < width && y >= keyRows; x++) {
            int bit = x * bits;
            row[bit / 8] = (char)(row[bit / 8] | 1 << (8 - bits - bit % 8));
        }
        bytes += row;
    }
    return bytes;
}

std::string ReadFileBytes(const std::string &path)
{
    // also while a program holds it open for writing (a journal being written)
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramDir()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.rfind('\\'));
}

static const char kSandboxRoot[] = "Software\\VeltoSetupTests";
static const HKEY kSandboxed[3] = { HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_DYN_DATA };
static const char *const kSandboxNames[3] = { "HKLM", "HKCR", "HKDD" };

RegistrySandbox::RegistrySandbox()
{
    for (int i = 0; i < 3; i++) {
        std::string path = std::string(kSandboxRoot) + "\\" + kSandboxNames[i];
        SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0,
                                  KEY_ALL_ACCESS, NULL, &keys_[i], NULL),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegOverridePredefKey(kSandboxed[i], keys_[i]), ERROR_SUCCESS)
            << "redirecting " << kSandboxNames[i];
    }
}

RegistrySandbox::~RegistrySandbox()
{
    for (int i = 0; i < 3; i++) {
        RegOverridePredefKey(kSandboxed[i], NULL);
        RegCloseKey(keys_[i]);
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, kSandboxRoot);
}

void RegistrySandbox::SetString(HKEY root, const char *path, const char *name, const char *value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS) << path;
    if (value != NULL)
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);
    RegCloseKey(key);
}

bool RegistrySandbox::KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string RegistrySandbox::GetString(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<absent>";
    std::vector<char> data(4096, 0);
    DWORD size = (DWORD)data.size() - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name, NULL, &type, (BYTE *)data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<absent>";
    return std::string(data.data(), strnlen(data.data(), size));
}

void RegistrySandbox::DeleteTree(HKEY root, const char *path)
{
    SHDeleteKeyA(root, path);
}
