// Checking published releases the way the launcher will use them.
#pragma once
#include <filesystem>

struct VerifyOptions {
    std::filesystem::path outDir;
    std::filesystem::path resinfo;   // the resource-information text that names the release
    bool all = false;                // every kept release, not only the named one
    std::filesystem::path key;       // public key: check the signatures too; empty: don't
};

// Checks the release that the resource-information text names (with all, every
// kept release): every .exe and .dll entry of its "md5.txt" has its archive,
// which unpacks with zlib's gzip reader to the listed MD5; with a key also
// SHA256SUMS, its signature and its release number. Reports every problem found.
// Returns kExitDone when there is none, kExitRefused otherwise.
int Verify(const VerifyOptions& options);
