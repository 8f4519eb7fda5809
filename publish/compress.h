// Reading game files: their MD5, and their deterministic gzip archives, and
// unpacking an archive as the launcher does.
#pragma once
#include <stdint.h>
#include <filesystem>
#include <string>

struct FileDigest {
    std::string md5;     // 32 lower-case hexadecimal digits, as the launcher computes them
    uint32_t crc = 0;    // CRC-32, as a gzip trailer holds it
    uint64_t size = 0;
};

// Reads the file at path into digest. Returns 0, or 1 when it can't be read.
int DigestFile(const std::filesystem::path& path, FileDigest& digest);

// Writes a gzip archive of source to target: maximum compression, no time stamp,
// no file name, so that the same bytes always give the same archive. digest
// receives the digest of the bytes compressed. Returns 0, 1 when the source
// can't be read, 2 when the target can't be written.
int CompressFile(const std::filesystem::path& source, const std::filesystem::path& target,
                 FileDigest& digest);

// Returns true when the file at path starts like a gzip archive and its trailer
// holds the CRC-32 and the size of digest.
bool ArchiveMatches(const std::filesystem::path& path, const FileDigest& digest);

// Unpacks the archive at path as the launcher does (zlib's gzip reader, which
// checks the CRC-32 and size of the trailer), into an MD5 text. Returns 0, 1 when
// it can't be opened, 2 when it can't be unpacked (why says how).
int UnpackedMd5(const std::filesystem::path& path, std::string& md5, std::string& why);
