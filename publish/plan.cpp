// Planning a release: unchanged, or a new one with its name, numbers and reused archives.
#include "publish/plan.h"

#include "publish/kept_release.h"
#include "publish/list.h"
#include "publish/platform.h"
#include "publish/releases.h"
#include "publish/report.h"
#include "update/md5.h"

// Returns the content hash of a release: its list and, when signed, the signing key.
static std::string ContentHash(const std::string& listText, const SigningKey& key)
{
    std::string content = listText;
    if (key.Loaded())
        content += "\nsigned by " + key.Fingerprint();
    return Md5OfBytes(content.data(), content.size());
}

// Returns true when the release holds exactly this list with intact archives
// and, when signed, a verified statement of just these files (of the asked
// number, if one is asked), so publishing it again adds nothing.
static bool ReleaseHolds(const KeptRelease& release, const ReleasePlan& plan, const PublishOptions& o,
                         bool isSigned)
{
    if (!release.hasList || release.listText != plan.listText)
        return false;
    if (isSigned && (!release.verified || release.statement.sums.size() != plan.files.size() + 1 ||
                     (o.releaseNumber != 0 && release.statement.release != o.releaseNumber)))
        return false;
    for (const PlannedFile& planned : plan.files)
        if (!ArchiveIntact(release, planned.file.name, planned.digest))
            return false;
    return true;
}

// Takes the release that the resource-information text names when it holds
// this very content already. Returns true when it does.
static bool TakeUnchanged(const PublishOptions& o, const PublishInputs& inputs, const std::string& hash,
                          const std::vector<KeptRelease>& kept, ReleasePlan& plan)
{
    std::string namedUrl, named, why;
    if (ReadNamedRelease(o.resinfo, namedUrl, named, why) != 0 ||
        ReleaseHash(named) != hash.substr(0, ReleaseHash(named).size()))
        return false;
    for (const KeptRelease& release : kept) {
        if (release.name != named || !ReleaseHolds(release, plan, o, inputs.key.Loaded()))
            continue;
        plan.release = named;
        plan.unchanged = true;
        plan.renames = namedUrl != ReleaseUrl(o.baseUrl, named);
        return true;
    }
    return false;
}

// Finds for every planned file an intact equal archive in the kept releases,
// newest first, and notes the equal ones found damaged.
static void FindReusableArchives(const std::vector<KeptRelease>& kept, ReleasePlan& plan)
{
    std::vector<std::string> damagedIn(plan.files.size());
    for (auto release = kept.rbegin(); release != kept.rend(); ++release) {
        for (size_t i = 0; i < plan.files.size(); i++) {
            PlannedFile& planned = plan.files[i];
            auto entry = release->list.find(planned.file.name);
            if (!planned.reuse.empty() || entry == release->list.end() || entry->second != planned.digest.md5)
                continue;
            if (ArchiveIntact(*release, planned.file.name, planned.digest))
                planned.reuse = PathBelow(release->folder, planned.file.name + ".gz");
            else if (damagedIn[i].empty())
                damagedIn[i] = release->name;
        }
    }
    for (size_t i = 0; i < plan.files.size(); i++)
        if (!damagedIn[i].empty())
            plan.notes.push_back("archive " + QuotedCp932(plan.files[i].file.name + ".gz") + " of release " +
                                 damagedIn[i] + " is missing or damaged: " +
                                 (plan.files[i].reuse.empty() ? "compressed again" : "an older intact copy is used"));
}

// Sets the signed release number: the one the options give, else one above
// the highest that a verified statement in OUT_DIR holds, else 1.
// Returns 0, or 1 after reporting why that number can't be given.
static int ChooseSignedNumber(const PublishOptions& o, const std::vector<KeptRelease>& kept, ReleasePlan& plan)
{
    uint32_t highest = 0;
    plan.firstSigned = true;
    for (const KeptRelease& release : kept)
        if (release.verified) {
            plan.firstSigned = false;
            highest = release.statement.release > highest ? release.statement.release : highest;
        }
    std::string where = "the highest release number that this key signed in " + Quoted(o.outDir.u8string());
    if (o.releaseNumber != 0 && !plan.firstSigned && o.releaseNumber <= highest) {
        PrintError("--release-number " + std::to_string(o.releaseNumber) + ": not above " + std::to_string(highest) +
                   ", " + where + "; launchers that saw that one would refuse it; refused, nothing was written");
        return 1;
    }
    if (o.releaseNumber == 0 && highest == UINT32_MAX) {
        PrintError("release number: the next would pass 4294967295 (" + where +
                   "), the highest a launcher takes; refused, nothing was written");
        return 1;
    }
    plan.signedNumber = o.releaseNumber != 0 ? o.releaseNumber : (plan.firstSigned ? 1 : highest + 1);
    return 0;
}

// Plans a new release: its sequence number (never used before, even by a removed
// release), its name, the archives it reuses and its signed number.
// Returns 0, or 1 after reporting a refusal.
static int PlanNewRelease(const PublishOptions& o, const PublishInputs& inputs, const std::string& hash,
                          const std::vector<KeptRelease>& kept, ReleasePlan& plan)
{
    if (inputs.key.Loaded() && ChooseSignedNumber(o, kept, plan) != 0)
        return 1;
    unsigned long long sequence = inputs.state.sequence;
    for (const KeptRelease& release : kept) {
        unsigned long long n;
        if (ParseReleaseName(release.name, n) && n > sequence)
            sequence = n;
    }
    plan.state.sequence = sequence + 1;
    plan.release = ReleaseName(plan.state.sequence, hash);
    FindReusableArchives(kept, plan);
    return 0;
}

int PlanRelease(const PublishOptions& o, const PublishInputs& inputs, ReleasePlan& plan)
{
    plan.files = inputs.files;
    plan.listText = ListText(inputs.list);
    plan.state = inputs.state;
    std::string hash = ContentHash(plan.listText, inputs.key);
    std::vector<KeptRelease> kept = ReadKeptReleases(o.outDir, inputs.key);
    if (TakeUnchanged(o, inputs, hash, kept, plan))
        return 0;
    return PlanNewRelease(o, inputs, hash, kept, plan);
}
