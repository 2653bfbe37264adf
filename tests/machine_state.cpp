#include "machine_state.h"

#include <shlwapi.h>

#include <algorithm>

#include "components.h"
#include "install_traces.h"
#include "test_support.h"

namespace {

const char kKeyMark[] = "<key>";
const char kDirMark[] = "<dir>";
const char kLargeMark[] = "<large ";
const DWORD kHeldBytes = 64 * 1024;    // files up to this size are held whole
const char kCanaryKey[] = "SOFTWARE\\Setup tests canary";
const char kCanaryFile[] = "C:\\CANARY.TXT";

std::string RootName(HKEY root)
{
    return root == HKEY_CLASSES_ROOT ? "HKCR" : "HKLM";
}

bool StartsWithNoCase(const std::string &text, const std::string &start)
{
    return text.size() >= start.size() && _strnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}

// A place below `top` ("HKLM\Enum" holds "HKLM\Enum\x" and "HKLM\Enum: v").
bool Under(const std::string &place, const std::string &top)
{
    return StartsWithNoCase(place, top) &&
           (place.size() == top.size() || place[top.size()] == '\\' || place[top.size()] == ':');
}

// A tree's files are held whole, a listing's up to kHeldBytes.
void TakeFile(const std::string &path, const WIN32_FIND_DATAA &found, bool whole, Snapshot *shot)
{
    if (whole || (found.nFileSizeHigh == 0 && found.nFileSizeLow <= kHeldBytes)) {
        (*shot)[path] = ReadFileBytes(path);
        return;
    }
    (*shot)[path] = kLargeMark + std::to_string(found.nFileSizeLow) + " bytes, " +
                    std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                    std::to_string(found.ftLastWriteTime.dwLowDateTime) + ">";
}

void TakeDirectory(const std::string &dir, bool deep, Snapshot *shot)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> below;
    do {
        std::string name = found.cFileName, path = dir + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            TakeFile(path, found, deep, shot);
        else if (deep)
            below.push_back(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (auto &path : below) {
        (*shot)[path] = kDirMark;
        TakeDirectory(path, true, shot);
    }
}

std::string Shown(const std::string &data)
{
    std::string text;
    for (unsigned char c : data.substr(0, 160)) {
        if (c >= ' ' && c < 0x7F) {
            text += (char)c;
        } else {
            char escaped[8];
            snprintf(escaped, sizeof(escaped), "\\x%02X", c);
            text += escaped;
        }
    }
    return data.size() > 160 ? text + "..." : text;
}

// The subkey path of a snapshot place "HKLM\a\b" (or of the key of a
// value place "HKLM\a\b: name").
std::string KeyPath(const std::string &place)
{
    std::string key = place.substr(0, place.find(": "));
    return key.substr(5);
}

bool RestoreKeys(const Tracked &tracked, const Snapshot &shot, std::string *why)
{
    for (auto &key : tracked.keys)
        SHDeleteKeyA(key.root, key.path.c_str());
    bool ok = true;
    for (auto &key : tracked.keys) {
        std::string top = RootName(key.root) + "\\" + key.path;
        for (auto it = shot.lower_bound(top); it != shot.end() && StartsWithNoCase(it->first, top); ++it) {
            if (!Under(it->first, top))
                continue;
            HKEY handle;
            if (RegCreateKeyExA(key.root, KeyPath(it->first).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                &handle, NULL) != ERROR_SUCCESS) {
                *why += "\n" + it->first + ": cannot be made";
                ok = false;
                continue;
            }
            size_t colon = it->first.find(": ");
            if (colon != std::string::npos) {
                const std::string &data = it->second;
                size_t sep = data.find(':');
                DWORD type = (DWORD)std::stoul(data.substr(0, sep));
                std::string bytes = data.substr(sep + 1);
                RegSetValueExA(handle, it->first.substr(colon + 2).c_str(), 0, type, (const BYTE *)bytes.data(),
                               (DWORD)bytes.size());
            }
            RegCloseKey(handle);
        }
    }
    return ok;
}

bool IsTrackedFile(const Tracked &tracked, const std::string &place)
{
    for (auto &tree : tracked.trees)
        if (Under(place, tree))
            return true;
    for (auto &dir : tracked.listings) {
        size_t slash = place.rfind('\\');
        if (slash != std::string::npos && _stricmp(place.substr(0, slash).c_str(), dir.c_str()) == 0)
            return true;
    }
    return false;
}

void TakeFiles(const Tracked &tracked, Snapshot *shot)
{
    for (auto &tree : tracked.trees) {
        if (GetFileAttributesA(tree.c_str()) != INVALID_FILE_ATTRIBUTES)
            (*shot)[tree] = kDirMark;
        TakeDirectory(tree, true, shot);
    }
    for (auto &dir : tracked.listings)
        TakeDirectory(dir, false, shot);
}

bool RestoreFiles(const Tracked &tracked, const Snapshot &shot, std::string *why)
{
    Snapshot now;
    TakeFiles(tracked, &now);
    bool ok = true;
    // what is there now but not then, deepest first
    for (auto it = now.rbegin(); it != now.rend(); ++it) {
        if (shot.count(it->first) != 0)
            continue;
        bool gone = it->second == kDirMark ? RemoveDirectoryA(it->first.c_str()) != 0
                                           : (SetFileAttributesA(it->first.c_str(), FILE_ATTRIBUTE_NORMAL),
                                              DeleteFileA(it->first.c_str()) != 0);
        if (!gone) {
            *why += "\n" + it->first + ": cannot be removed";
            ok = false;
        }
    }
    // what was there then, shallowest first
    for (auto &entry : shot) {
        if ((entry.first.size() < 2 || entry.first[1] != ':') || !IsTrackedFile(tracked, entry.first))
            continue;
        auto other = now.find(entry.first);
        if (other != now.end() && other->second == entry.second)
            continue;
        if (entry.second == kDirMark) {
            CreateDirectoryA(entry.first.c_str(), NULL);
        } else if (StartsWithNoCase(entry.second, kLargeMark) || entry.second == "<missing>") {
            *why += "\n" + entry.first + ": not held, " + entry.second;
            ok = false;
        } else {
            SetFileAttributesA(entry.first.c_str(), FILE_ATTRIBUTE_NORMAL);
            WriteFileBytes(entry.first, entry.second);
        }
    }
    return ok;
}

}  // namespace

void TakeKey(HKEY root, const std::string &rootName, const std::string &path, Snapshot *shot)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    (*shot)[rootName + "\\" + path] = kKeyMark;
    std::vector<BYTE> data(65536);
    char valueName[16384];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(valueName), size = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, valueName, &nameSize, NULL, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        (*shot)[rootName + "\\" + path + ": " + valueName] =
            std::to_string(type) + ":" + std::string((const char *)data.data(), size);
    }
    std::vector<std::string> children = SubkeyNames(key);
    RegCloseKey(key);
    for (auto &child : children)
        TakeKey(root, rootName, path + "\\" + child, shot);
}

Tracked InstallationReach(const std::string &installDir)
{
    Tracked tracked;
    // the component rows' keys, and the mouse page's whole key, whose
    // levels the setup makes when they are missing
    tracked.keys = { { HKEY_LOCAL_MACHINE, "Enum" },
                     { HKEY_LOCAL_MACHINE, TRACE_MOUSE_CLASS_KEY },
                     { HKEY_LOCAL_MACHINE, TRACE_MOUSE_PAGE_KEY },
                     { HKEY_LOCAL_MACHINE, kCanaryKey } };
    for (int i = 0; i < g_componentValueCount; i++) {
        TrackedKey key = { g_componentValues[i].root, g_componentValues[i].path };
        bool known = false;
        for (auto &other : tracked.keys)
            known = known || (other.root == key.root && Under(key.path, other.path));
        if (!known)
            tracked.keys.push_back(key);
    }
    tracked.trees = { installDir, SystemDir() + "\\VMM32", WindowsDir() + "\\INF" };
    tracked.listings = { WindowsDir(), SystemDir(), "C:" };
    return tracked;
}

void PlantCanaries()
{
    RegistrySandbox::SetString(HKEY_LOCAL_MACHINE, kCanaryKey, "Canary", "must never change");
    WriteFileBytes(kCanaryFile, "a file of the user's that no setup touches\r\n");
}

void RemoveCanaries()
{
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kCanaryKey);
    DeleteFileA(kCanaryFile);
}

Snapshot TakeTracked(const Tracked &tracked)
{
    Snapshot shot;
    for (auto &key : tracked.keys)
        TakeKey(key.root, RootName(key.root), key.path, &shot);
    TakeFiles(tracked, &shot);
    return shot;
}

bool RestoreTracked(const Tracked &tracked, const Snapshot &shot, std::string *why)
{
    bool keys = RestoreKeys(tracked, shot, why);
    return RestoreFiles(tracked, shot, why) && keys;
}

std::vector<std::string> Differences(const Snapshot &before, const Snapshot &after,
                                     const std::vector<std::string> &allowed)
{
    std::vector<std::string> lines;
    auto report = [&](const std::string &where, const std::string &was, const std::string &now) {
        for (auto &prefix : allowed)
            if (StartsWithNoCase(where, prefix))
                return;
        lines.push_back(where + ": " + Shown(was) + " -> " + Shown(now));
    };
    for (auto &entry : before) {
        auto other = after.find(entry.first);
        if (other == after.end())
            report(entry.first, entry.second, "<gone>");
        else if (other->second != entry.second)
            report(entry.first, entry.second, other->second);
    }
    for (auto &entry : after)
        if (before.find(entry.first) == before.end())
            report(entry.first, "<none>", entry.second);
    return lines;
}
