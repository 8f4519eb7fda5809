// Planning a release: unchanged, or a new one with its name, numbers and reused archives.
#include "publish/plan.h"

#include <stdio.h>
#include <system_error>

#include "publish/list.h"
#include "publish/platform.h"
#include "publish/releases.h"
#include "publish/statement.h"
#include "update/md5.h"

namespace fs = std::filesystem;

// Returns the content hash of a release: its list and, when signed, the signing key.
static std::string ContentHash(const std::string& listText, const SigningKey& key)
{
    std::string content = listText;
    if (key.Loaded())
        content += "\nsigned by " + key.Fingerprint();
    return Md5OfBytes(content.data(), content.size());
}

// Returns true when the release folder holds exactly this list with matching
// archives (and a signature when signed), so publishing it again adds nothing.
static bool ReleaseHolds(const fs::path& folder, const ReleasePlan& plan, bool isSigned)
{
    std::string text;
    if (ReadWholeFile(folder / "md5.txt", text) != 0 || text != plan.listText)
        return false;
    for (const PlannedFile& planned : plan.files)
        if (!ArchiveMatches(PathBelow(folder, planned.file.name + ".gz"), planned.digest))
            return false;
    std::error_code ec;
    return !isSigned || (fs::is_regular_file(folder / "SHA256SUMS", ec) && fs::is_regular_file(folder / "SHA256SUMS.sig", ec));
}

// Takes the release that the resource-information text names when it holds
// this very content already. Returns true when it does.
static bool TakeUnchanged(const PublishOptions& o, const PublishInputs& inputs, const std::string& hash,
                          ReleasePlan& plan)
{
    std::string namedUrl, named, why;
    if (ReadNamedRelease(o.resinfo, namedUrl, named, why) != 0 ||
        ReleaseHash(named) != hash.substr(0, ReleaseHash(named).size()))
        return false;
    std::error_code ec;
    fs::path folder = o.outDir / kReleasesFolder / named;
    if (!fs::is_directory(folder, ec) || !ReleaseHolds(folder, plan, inputs.key.Loaded()))
        return false;
    plan.release = named;
    plan.unchanged = true;
    plan.renames = namedUrl != ReleaseUrl(o.baseUrl, named);
    return true;
}

// Finds for every planned file an equal archive in the kept releases, newest first.
static void FindReusableArchives(const fs::path& outDir, const std::vector<std::string>& releases,
                                 std::vector<PlannedFile>& files)
{
    for (auto release = releases.rbegin(); release != releases.rend(); ++release) {
        fs::path folder = outDir / kReleasesFolder / *release;
        std::string text;
        Manifest listed;
        if (ReadListFile(folder / "md5.txt", text, listed) != 0)
            continue;
        for (PlannedFile& planned : files) {
            auto entry = listed.find(planned.file.name);
            fs::path archive = PathBelow(folder, planned.file.name + ".gz");
            if (planned.reuse.empty() && entry != listed.end() && entry->second == planned.digest.md5 &&
                ArchiveMatches(archive, planned.digest))
                planned.reuse = archive;
        }
    }
}

// Returns the highest signed release number found in the kept releases.
static unsigned long long HighestSignedRelease(const fs::path& outDir, const std::vector<std::string>& releases)
{
    unsigned long long highest = 0;
    for (const std::string& release : releases) {
        std::string text, why;
        unsigned long long number;
        Sums sums;
        if (ReadWholeFile(outDir / kReleasesFolder / release / "SHA256SUMS", text) == 0 &&
            ParseStatement(text, number, sums, why) == 0 && number > highest)
            highest = number;
    }
    return highest;
}

// Plans a new release: its sequence number (never used before, even by a removed
// release), its name, the archives it reuses and its signed number.
static void PlanNewRelease(const PublishOptions& o, const PublishInputs& inputs, const std::string& hash,
                           const std::vector<std::string>& releases, ReleasePlan& plan)
{
    unsigned long long sequence = inputs.state.sequence;
    for (const std::string& release : releases) {
        unsigned long long n;
        if (ParseReleaseName(release, n) && n > sequence)
            sequence = n;
    }
    plan.state.sequence = sequence + 1;
    plan.release = ReleaseName(plan.state.sequence, hash);
    FindReusableArchives(o.outDir, releases, plan.files);
    if (inputs.key.Loaded()) {
        // Never lower, never reuse: launchers refuse a number below one they saw.
        unsigned long long highest = HighestSignedRelease(o.outDir, releases);
        plan.signedNumber = (highest > plan.state.signedRelease ? highest : plan.state.signedRelease) + 1;
        plan.state.signedRelease = plan.signedNumber;
    }
}

int PlanRelease(const PublishOptions& o, const PublishInputs& inputs, ReleasePlan& plan)
{
    int leftovers = RemoveTemporaryFolders(o.outDir);
    if (leftovers > 0)
        printf("removed %d unfinished release folders of an interrupted publish\n", leftovers);
    plan.files = inputs.files;
    plan.listText = ListText(inputs.list);
    plan.state = inputs.state;
    std::string hash = ContentHash(plan.listText, inputs.key);
    if (!TakeUnchanged(o, inputs, hash, plan))
        PlanNewRelease(o, inputs, hash, ListReleases(o.outDir), plan);
    return 0;
}
