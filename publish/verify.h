// Checking a published folder the way the launcher will use it.
#pragma once
#include <filesystem>

// Checks that every .exe and .dll entry of outDir's "md5.txt" has its archive,
// that the archive unpacks with zlib's gzip reader and that the MD5 of what it
// unpacks to equals the listed text; reports every problem found.
// Returns 0 when there is none, 1 otherwise.
int Verify(const std::filesystem::path& outDir);
