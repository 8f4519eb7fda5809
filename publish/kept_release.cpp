// Release folders already in OUT_DIR, and how far their files can be trusted.
#include "publish/kept_release.h"

#include "publish/list.h"
#include "publish/platform.h"
#include "publish/releases.h"

namespace fs = std::filesystem;

// Returns true when the folder's statement verifies with key and gives the
// SHA-256 of its md5.txt; statement then holds it.
static bool ReadVerifiedStatement(const fs::path& folder, const SigningKey& key, ReleaseSums& statement)
{
    std::string text, signature, sum;
    if (!key.Loaded() || ReadWholeFile(folder / "SHA256SUMS", text) != 0 ||
        ReadWholeFile(folder / "SHA256SUMS.sig", signature) != 0 || !key.Verifies(text, signature) ||
        ParseReleaseSums(text, &statement) != 0)
        return false;
    auto line = statement.sums.find("md5.txt");
    return line != statement.sums.end() && Sha256OfFile(folder / "md5.txt", sum) == 0 && sum == line->second;
}

std::vector<KeptRelease> ReadKeptReleases(const fs::path& outDir, const SigningKey& key)
{
    std::vector<KeptRelease> kept;
    for (const std::string& name : ListReleases(outDir)) {
        KeptRelease release;
        release.name = name;
        release.folder = outDir / kReleasesFolder / name;
        release.hasList = ReadListFile(release.folder / "md5.txt", release.listText, release.list) == 0;
        release.verified = release.hasList && ReadVerifiedStatement(release.folder, key, release.statement);
        kept.push_back(release);
    }
    return kept;
}

bool ArchiveIntact(const KeptRelease& release, const std::string& name, const FileDigest& digest)
{
    auto entry = release.list.find(name);
    fs::path archive = PathBelow(release.folder, name + ".gz");
    // The gzip trailer first: it rules most stale archives out without reading them.
    if (!release.hasList || entry == release.list.end() || entry->second != digest.md5 ||
        !ArchiveMatches(archive, digest))
        return false;
    std::string sum, md5, why;
    if (release.verified) {
        auto line = release.statement.sums.find(name + ".gz");
        return line != release.statement.sums.end() && Sha256OfFile(archive, sum) == 0 && sum == line->second;
    }
    return UnpackedMd5(archive, md5, why) == 0 && md5 == digest.md5;
}
