// The digest cache: a listed file's MD5 is taken from the digest file while the
// system still reports the size, last-write time, volume and file index that
// the file had when the launcher itself took that MD5.
#pragma once
#include <string>
#include <vector>
#include "update/digest_file.h"
#include "update/digest_source.h"

// The digest file, in the working folder.
static const char DigestFileName[] = "launcher-digests.txt";

class DigestCache : public DigestSource {
public:
    // Reads the digest file fileName of the working folder. Its entries are not
    // used, and every file is hashed (a full check), when it is missing,
    // unreadable or malformed, when its last full check is more than 30 days
    // old, or when fullCheck is set.
    DigestCache(const char* fileName, bool fullCheck);
    DigestCache(const DigestCache&) = delete;
    DigestCache& operator=(const DigestCache&) = delete;

    std::string LocalMd5(const std::string& name) override;
    void Installed(const std::string& name, const std::string& md5) override;
    // Replaces the digest file in one step when anything changed.
    void Finish() override;

private:
    // Records md5 and identity for name, or forgets name when identity is null.
    void Learn(const std::string& name, const std::string& md5, const FileIdentity* identity);

    std::string fileName;
    DigestFile digests;
    bool changed = false;
    std::vector<unsigned char> buffer;
};
