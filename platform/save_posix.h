// Saves of the POSIX file services, into a folder that a TPathResolver walk
// reached: the rules of TFileSystem::SaveFile for lists and for files the user named.
#pragma once

#include <ctime>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <utility>

#include "platform/files.h"
#include "platform/path_resolver_posix.h"

namespace files {

// The run that saves: its start dates the stale temporary files, and each folder it
// saves in is cleaned of them once.
class TSaveSession {
public:
    void Start();
    // Removes the stale temporary files of the folder the first time it is met since
    // Start; nothing before a Start.
    void CleanOnce(int folder);

private:
    std::mutex Mutex;
    bool Started = false;
    struct timespec StartTime = {};
    std::set<std::pair<dev_t, ino_t>> Cleaned;
};

struct TSaveRequest {
    const TFolderPlace& Folder; // holds the file to save
    const std::string& Name;
    TSaveContent& Content; // read once, by the write that the save ends in
    TSaveTarget Target;
    TPathResolver* Tree;   // the tree that holds Folder, or nullptr
    TPathResolver& System; // follows the links of Named files
    TSaveSession& Session;
};

TSaveStatus SaveInFolder(const TSaveRequest& request, TSaveReport& report);

} // namespace files
