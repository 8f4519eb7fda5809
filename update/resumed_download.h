// Archive downloads that go on where they stopped, in the same run or the next.
#pragma once
#include <string>
#include <vector>
#include "update/archive_download.h"

// Returns the partial file's name for the archive of name that unpacks to md5:
// the MD5 text of "<name>=<md5>" and ".part", so that no byte of the list
// reaches the file system and other content is never resumed as this one.
std::string PartialFileName(const std::string& name, const std::string& md5);

// Returns the folders, each ending in '\', where partial files are kept, in
// the order they are tried: "launcher-partial\" of the working folder (the
// game's volume), then the same folder in the system's temporary folder.
std::vector<std::string> PartialFolders();

// Each archive goes into its partial file, which keeps every byte that arrived
// when a download ends early, until the archive is installed or proved useless.
class ResumedDownload : public ArchiveDownload {
public:
    // Touches no file: the partial is opened at the first download attempt.
    std::unique_ptr<ArchiveFile> Open(const std::string& name, const std::string& expectedMd5,
                                      BodySink* sink) override;
    // Removes the partials of names no longer listed or whose MD5 changed.
    void Completed(const Manifest& list) override;
};
