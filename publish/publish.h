// Publishing a game folder for the launcher: one release folder of archives and
// list, then the resource-information text that names it.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <filesystem>
#include <string>

struct PublishOptions {
    std::filesystem::path gameDir;
    std::filesystem::path outDir;
    std::filesystem::path resinfo;   // the resource-information text to write
    std::string baseUrl;             // where outDir is served
    size_t keep = 3;                 // releases kept, the new one counted
    std::filesystem::path signKey;   // private key; empty: unsigned
    uint32_t releaseNumber = 0;      // signed release number to give; 0: the next
};

// Writes OUT_DIR/releases/<release>/ with "<name>.gz" for every .exe and .dll of
// the game folder and "md5.txt" (signed: also SHA256SUMS and SHA256SUMS.sig),
// under a temporary name first, then the resource-information text naming it,
// then removes the oldest releases beyond options.keep. An unchanged game
// writes nothing. A lock file in OUT_DIR keeps a second publish out meanwhile. Returns kExitDone, kExitRefused when refused (nothing
// written), kExitFailed when writing failed (exit_codes.h).
int Publish(const PublishOptions& options);
