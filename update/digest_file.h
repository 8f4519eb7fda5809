// The digest cache's file: each listed file's MD5 with what the system said of
// the file when it was taken, and the time of the last full check; written
// whole and read back only when every line is as written.
#pragma once
#include <stdint.h>
#include <map>
#include <string>
#include "update/key_value_list.h"

// What GetFileInformationByHandle reported for a file; times are FILETIMEs
// (100 ns units) as one number.
struct FileIdentity {
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    uint32_t volume = 0;
    uint64_t index = 0;

    bool operator==(const FileIdentity& other) const
    {
        return size == other.size && lastWrite == other.lastWrite && volume == other.volume &&
               index == other.index;
    }
};

struct DigestEntry {
    std::string md5;  // 32 lower-case hex digits
    FileIdentity identity;

    bool operator==(const DigestEntry& other) const { return md5 == other.md5 && identity == other.identity; }
};

struct DigestFile {
    uint64_t fullCheckTime = 0;
    std::map<std::string, DigestEntry, ByteOrder> entries;
};

// Returns true when an entry of name and md5 can be written and read back:
// a name that is not empty and has no byte below 0x20, an MD5 text of 32
// lower-case hex digits.
bool IsStorableEntry(const std::string& name, const std::string& md5);

// Returns the text of file: "korvan-digests 1", "full-check <16 hex>", then one
// line "<md5> <size> <last write> <volume> <index> <name>" per storable entry,
// the numbers as 16, 16, 8 and 16 lower-case hex digits; every line ends in LF.
std::string DigestFileText(const DigestFile& file);

// Parses text as DigestFileText writes it. Returns 0 and sets *out when every
// line is well formed, 1 otherwise (a CR, a line without LF, a number of the
// wrong width or case, a name listed twice, ...), leaving *out alone.
int ParseDigestFile(const std::string& text, DigestFile* out);

// Returns true when a full check is due at now after one at lastCheck: more
// than 30 days have passed, or lastCheck is later than now (a clock set back).
bool FullCheckDue(uint64_t lastCheck, uint64_t now);
