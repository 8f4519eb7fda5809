// Release folders below OUT_DIR/releases: their names, the resource-information
// text that names one, removal of old and unfinished ones.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

// Folder of the releases below OUT_DIR, and the URL path part that names one.
extern const char kReleasesFolder[];

// Returns the name of a release: the sequence number, at least six digits, "-",
// and a 12-digit content hash, for example "000002-3fa2c9d1e0b4".
std::string ReleaseName(unsigned long long sequence, const std::string& hash);

// Returns true when name is a release name; sequence then holds its number.
bool ParseReleaseName(const std::string& name, unsigned long long& sequence);

// Returns the content hash part of a release name.
std::string ReleaseHash(const std::string& name);

// Returns the release folders below outDir, oldest first.
std::vector<std::string> ListReleases(const std::filesystem::path& outDir);

// Returns the folder a release is written to before it gets its name.
std::filesystem::path TemporaryReleaseFolder(const std::filesystem::path& outDir, const std::string& name);

// Removes the temporary folders that an interrupted publish left below outDir.
// Returns the number removed.
int RemoveTemporaryFolders(const std::filesystem::path& outDir);

// Reads the resource-information text at path as the launcher does: "BASEURL="
// and the base URL, which must end in "releases/<name>/". Returns 0 with the
// URL and the release name, 1 when there is no such file, 2 when it can't be
// read or names no release (why says how).
int ReadNamedRelease(const std::filesystem::path& path, std::string& baseUrl, std::string& name,
                     std::string& why);

// Returns the base URL of a release when OUT_DIR is served at baseUrl.
std::string ReleaseUrl(const std::string& baseUrl, const std::string& release);

// Writes the resource-information text at path, "BASEURL=" and the release's
// URL, in one step. Returns 0, or 1 when it can't be written.
int WriteResourceInfo(const std::filesystem::path& path, const std::string& baseUrl, const std::string& release);

// Removes the oldest releases beyond the newest keep, never the one named keepAlways.
// Returns the names removed.
std::vector<std::string> PruneReleases(const std::filesystem::path& outDir, size_t keep,
                                       const std::string& keepAlways);
