// The part of the machine an installation can reach, taken cheaply and
// put back exactly: the registry keys it writes below (with every value's
// type and bytes), the directories it writes into (small files byte for
// byte) and a canary set it must never touch. The kill-point tests take
// it after every journal entry and put each moment back before they run
// the uninstaller on it.
#ifndef SETUP_MACHINE_STATE_H
#define SETUP_MACHINE_STATE_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// "where" -> "what": "HKLM\path" -> "<key>", "HKLM\path: name" -> the
// value's type and bytes, "C:\path" -> "<dir>", a file's bytes, or its
// size and time when it is too large to hold.
typedef std::map<std::string, std::string> Snapshot;

struct TrackedKey {
    HKEY root;
    std::string path;
};

struct Tracked {
    std::vector<TrackedKey> keys;       // whole subtrees
    std::vector<std::string> trees;     // directories, recursively
    std::vector<std::string> listings;  // directories, their files only
};

// What the sample installation can reach on the end-to-end tests'
// machine (installDir, the Windows and system directories, the device,
// driver class and component keys), with the canary file and key.
Tracked InstallationReach(const std::string &installDir);
// Makes the canary file and key; RemoveCanaries takes them away again.
void PlantCanaries();
void RemoveCanaries();

Snapshot TakeTracked(const Tracked &tracked);
// Makes the tracked places exactly as in the snapshot; false (with the
// places named in *why) when something cannot be put back.
bool RestoreTracked(const Tracked &tracked, const Snapshot &shot, std::string *why);

// "where: before -> after" for each difference whose place does not
// start with one of `allowed`; binary data shown escaped and cut short.
std::vector<std::string> Differences(const Snapshot &before, const Snapshot &after,
                                     const std::vector<std::string> &allowed = {});

// Walks a registry subtree into the snapshot (values as type and bytes).
void TakeKey(HKEY root, const std::string &rootName, const std::string &path, Snapshot *shot);

#endif
