// Files for the update tests: a private working directory, whole-file reads and
// writes, gzip data made with zlib, and listings of temporary files.
#pragma once
#include <string>
#include <vector>

// A fresh folder in the temporary directory that is the working directory while
// the object lives; afterwards the previous one is restored and the folder removed.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string path;  // full path, ending in '\'

private:
    std::string previous;
};

// Points the system's temporary folder (TMP and TEMP) at folder while the
// object lives; restores both afterwards.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::string& folder);
    ~TempFolderOverride();
    TempFolderOverride(const TempFolderOverride&) = delete;
    TempFolderOverride& operator=(const TempFolderOverride&) = delete;

private:
    std::string saved[2];
    bool had[2];
};

// Returns true when path names an existing file or folder.
bool PathExists(const std::string& path);
// Returns the bytes of the file at path; false when it can't be read.
bool ReadFileBytes(const std::string& path, std::string* bytes);
// Creates or replaces the file at path with bytes. Returns true on success.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Returns size bytes that repeat no short pattern (and compress poorly).
std::string PatternBytes(size_t size);
// Returns data compressed into the gzip format.
std::string GzipBytes(const std::string& data);
// Deletes folder (ending in '\') with everything in it.
void RemoveTree(const std::string& folder);
// Returns the system's temporary folder, ending in '\'.
std::string TempFolderPath();
// Returns the names of the files in folder (ending in '\') that match pattern.
std::vector<std::string> FilesMatching(const std::string& folder, const char* pattern);
// Returns the full path of a program built next to the running test program.
std::string TestProgramPath(const char* fileName);
