// A release folder already in OUT_DIR as the next publish sees it: its list,
// and its statement when that verifies with the signing key in use. Only such
// a statement vouches for the folder's files and raises the next release number.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "publish/compress.h"
#include "publish/sign.h"
#include "update/key_value_list.h"
#include "update/release_sums.h"

struct KeptRelease {
    std::string name;
    std::filesystem::path folder;
    bool hasList = false;
    std::string listText;   // md5.txt
    Manifest list;
    // SHA256SUMS verifies with the key, parses and gives the SHA-256 of this md5.txt.
    bool verified = false;
    ReleaseSums statement;   // when verified
};

// Reads the release folders below outDir, oldest first; with a loaded key
// checks their statements. Returns them.
std::vector<KeptRelease> ReadKeptReleases(const std::filesystem::path& outDir, const SigningKey& key);

// Returns true when the archive of the game file name in release holds exactly
// the bytes of digest: the list gives digest's MD5 for name, and the archive's
// SHA-256 equals its line in the verified statement or, without one, the archive
// unpacks completely (CRC-32 checked) to that MD5.
bool ArchiveIntact(const KeptRelease& release, const std::string& name, const FileDigest& digest);
