// Helpers shared by the tests: scratch directories and files made at run
// time, and a private registry for the keys a test changes.
#ifndef SETUP_TEST_SUPPORT_H
#define SETUP_TEST_SUPPORT_H

#include <windows.h>

#include <string>

// A fresh, empty directory C:\setup-tests\<name>; removed again by
// RemoveTree.
std::string ScratchDir(const std::string &name);
void RemoveTree(const std::string &path);
void WriteFileBytes(const std::string &path, const std::string &bytes);
std::string ReadFileBytes(const std::string &path);
bool FileExists(const std::string &path);
// A BMP file of width x height pixels at 1, 4 or 8 bits: palette entry 0
// the colour key 0xFF00FF, entry 1 the colour; every pixel entry 1 but
// the bottom keyRows rows, which are the key. Another header size (a
// later header, zeros after the first 40 bytes) or a compression makes a
// file the setup's picture rule refuses.
std::string MakeBmp(int width, int height, int bits, COLORREF colour, int keyRows = 0,
                    DWORD headerSize = 40, DWORD compression = BI_RGB);
// The directory of the running test program (where SETUP.EXE is built).
std::string ProgramDir();

// Sends HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and HKEY_DYN_DATA of this
// process to empty keys of their own below HKEY_CURRENT_USER while it
// lives, so a test can make or remove any key, "absent" included, without
// touching the Wine prefix's real ones. Removed again at the end.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    // Creates the key (below the redirected root) with a string value;
    // a null value name creates the key only.
    static void SetString(HKEY root, const char *path, const char *name, const char *value);
    static bool KeyExists(HKEY root, const char *path);
    // The value's data as stored, or "<absent>".
    static std::string GetString(HKEY root, const char *path, const char *name);
    static void DeleteTree(HKEY root, const char *path);
private:
    HKEY keys_[3];
};

#endif
