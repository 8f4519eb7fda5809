// One publish at a time into an OUT_DIR: an exclusive lock on its lock file,
// held while the publish plans and writes.
#pragma once
#include <stdint.h>
#include <filesystem>
#include <string>

// Returns the path of the lock file in outDir.
std::filesystem::path LockFile(const std::filesystem::path& outDir);

// Owns the lock (flock on POSIX, a file opened without sharing on Windows);
// the system drops it when the process ends, however it ends.
class OutDirLock {
public:
    OutDirLock() = default;
    ~OutDirLock();
    OutDirLock(const OutDirLock&) = delete;
    OutDirLock& operator=(const OutDirLock&) = delete;

    // Creates outDir and its lock file when missing and takes the lock without
    // waiting. Returns 0 when held, 1 when another process holds it, 2 when the
    // lock file can't be made or locked (why says how).
    int Take(const std::filesystem::path& outDir, std::string& why);

private:
    intptr_t handle = -1;   // the file descriptor, or the HANDLE
};
