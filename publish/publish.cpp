// Publishing a game folder for the launcher, step by step: check the inputs,
// plan the release, write its folder, name it, remove old releases, report.
#include "publish/publish.h"

#include <stdio.h>

#include "publish/exit_codes.h"
#include "publish/inputs.h"
#include "publish/out_dir_lock.h"
#include "publish/plan.h"
#include "publish/releases.h"
#include "publish/report.h"
#include "publish/write_release.h"

// Returns "a, b" for the names, or "none".
static std::string NameList(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

// Writes the resource-information text naming the planned release, in one step.
// Returns 0, or 1 after reporting the failure.
static int NameRelease(const PublishOptions& o, const ReleasePlan& plan)
{
    if (WriteResourceInfo(o.resinfo, o.baseUrl, plan.release) == 0)
        return 0;
    PrintError("resource-information file " + Quoted(o.resinfo.u8string()) + ": can't be written; it still names "
               "the release it named before");
    return 1;
}

// Takes the lock of OUT_DIR, so that no other publish plans or writes there
// meanwhile. Returns 0, or an exit code after reporting why not.
static int LockOutDir(const PublishOptions& o, OutDirLock& lock)
{
    std::string why;
    int result = lock.Take(o.outDir, why);
    if (result == 1)
        PrintError("output folder " + Quoted(o.outDir.u8string()) + ": another korvan-publish is publishing into "
                   "it (it holds " + Quoted(LockFile(o.outDir).u8string()) + "); refused, nothing was written");
    else if (result != 0)
        PrintError("lock file " + Quoted(LockFile(o.outDir).u8string()) + ": can't be made or locked (" + why + ")");
    return result == 0 ? 0 : result == 1 ? kExitRefused : kExitFailed;
}

// Removes the folders that an interrupted publish left, and says so. Returns nothing.
static void RemoveLeftovers(const PublishOptions& o)
{
    int leftovers = RemoveTemporaryFolders(o.outDir);
    if (leftovers > 0)
        printf("removed %d unfinished release folders of an interrupted publish\n", leftovers);
}

// Writes the notes and the first lines of the report. Returns nothing.
static void PrintNotes(const PublishOptions& o, const ReleasePlan& plan)
{
    for (const std::string& note : plan.notes)
        printf("%s\n", note.c_str());
    if (!plan.unchanged && plan.firstSigned)
        printf("release number %u is the first signed into %s: no statement there verifies with this key. "
               "Launchers that recorded a higher release number wait for a newer release; give the number "
               "with --release-number N.\n",
               (unsigned)plan.signedNumber, Quoted(o.outDir.u8string()).c_str());
}

// Writes the summary of the publish to the standard output. Returns nothing.
static void PrintReport(const PublishOptions& o, const ReleasePlan& plan, const WriteTotals& totals,
                        const std::vector<std::string>& removed)
{
    std::string url = ReleaseUrl(o.baseUrl, plan.release);
    PrintNotes(o, plan);
    if (plan.unchanged && !plan.renames) {
        printf("release %s: unchanged, nothing written\n", plan.release.c_str());
    } else if (plan.unchanged) {
        printf("release %s: unchanged; the resource-information text now names it at %s\n", plan.release.c_str(),
               url.c_str());
    } else {
        std::string number = plan.signedNumber ? " (signed, release number " + std::to_string(plan.signedNumber) + ")" : "";
        printf("release %s%s: %llu files, %llu bytes in, %llu bytes out, %d compressed, %d reused from earlier "
               "releases\n",
               plan.release.c_str(), number.c_str(), (unsigned long long)plan.files.size(),
               (unsigned long long)totals.bytesIn, (unsigned long long)totals.bytesOut, totals.compressed,
               totals.reused);
        printf("the resource-information text names %s\n", url.c_str());
    }
    // An unchanged release mentions old releases only when some were removed.
    if (!plan.unchanged || !removed.empty())
        printf("removed %d old releases: %s\n", (int)removed.size(), NameList(removed).c_str());
}

int Publish(const PublishOptions& o)
{
    PublishInputs inputs;
    if (CheckInputs(o, inputs) != 0)
        return kExitRefused;
    OutDirLock lock;
    int locked = LockOutDir(o, lock);
    if (locked != 0)
        return locked;
    ReleasePlan plan;
    if (PlanRelease(o, inputs, plan) != 0)
        return kExitRefused;
    RemoveLeftovers(o);
    WriteTotals totals;
    if (!plan.unchanged && WriteReleaseFolder(o, inputs.key, plan, totals) != 0) {
        PrintError("publish failed; the resource-information text still names the release it named before");
        return kExitFailed;
    }
    // Last and in one step: launchers that start from now on get the new release.
    if (plan.renames && NameRelease(o, plan) != 0)
        return kExitFailed;
    PrintReport(o, plan, totals, PruneReleases(o.outDir, o.keep, plan.release));
    return kExitDone;
}
