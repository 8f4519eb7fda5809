// The publisher's counters, kept in OUT_DIR so that they survive removed releases.
#pragma once
#include <filesystem>

// Counters that must never go back, even when old releases are removed.
struct PublishState {
    unsigned long long sequence = 0;        // last release sequence number used
    unsigned long long signedRelease = 0;   // last signed release number used
};

// Returns the path of the state file in outDir.
std::filesystem::path StateFile(const std::filesystem::path& outDir);

// Reads the state file of outDir (all zero when there is none).
// Returns 0, or 1 when it exists but can't be read or parsed.
int ReadState(const std::filesystem::path& outDir, PublishState& state);

// Writes the state file of outDir in one step. Returns 0, or 1 when that fails.
int WriteState(const std::filesystem::path& outDir, const PublishState& state);
