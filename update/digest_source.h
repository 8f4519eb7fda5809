// Where the launcher takes a local file's MD5 from when it decides whether the
// file is current: a full read of the file, or a build's digest cache.
#pragma once
#include <string>
#include "update/file_md5.h"

class DigestSource {
public:
    virtual ~DigestSource() = default;
    // Returns the MD5 text of the local file name, as FileMd5 would.
    virtual std::string LocalMd5(const std::string& name) = 0;
    // name now holds a verified file whose MD5 text is md5.
    virtual void Installed(const std::string& name, const std::string& md5) {}
    // The file loop has ended, complete or not: keep what was learned.
    virtual void Finish() {}
};

// Every file read in full, every time.
class FullDigests : public DigestSource {
public:
    std::string LocalMd5(const std::string& name) override { return FileMd5(name.c_str()); }
};
