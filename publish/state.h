// The publisher's counter of release names, kept in OUT_DIR so that it survives
// removed releases.
#pragma once
#include <filesystem>

// The counter that must never go back, even when old releases are removed.
struct PublishState {
    unsigned long long sequence = 0;   // last release sequence number used
};

// Returns the path of the state file in outDir.
std::filesystem::path StateFile(const std::filesystem::path& outDir);

// Reads the state file of outDir (zero when there is none).
// Returns 0, or 1 when it exists but can't be read or parsed.
int ReadState(const std::filesystem::path& outDir, PublishState& state);

// Writes the state file of outDir in one step. Returns 0, or 1 when that fails.
int WriteState(const std::filesystem::path& outDir, const PublishState& state);
