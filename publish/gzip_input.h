// Opening a gzip file by name, which differs between the POSIX and the Windows
// build (platform_posix.cpp, platform_win.cpp); kept apart so that zlib reaches
// only the code that reads archives.
#pragma once
#include <filesystem>
#include <zlib.h>

// Opens a gzip file for reading (zlib passes a file without gzip header through).
// Returns null when it can't be opened.
gzFile OpenGzipForReading(const std::filesystem::path& path);
