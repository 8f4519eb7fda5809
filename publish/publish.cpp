// Publishing a game folder for the launcher: archives, list, resource information.
#include "publish/publish.h"

#include <stdio.h>
#include <set>
#include <system_error>
#include <vector>

#include "publish/compress.h"
#include "publish/list.h"
#include "publish/platform.h"
#include "publish/progress.h"
#include "publish/report.h"
#include "publish/validate.h"
#include "publish/walk.h"
#include "update/extension.h"

namespace fs = std::filesystem;

namespace {

struct PlannedFile {
    GameFile file;
    fs::path archive;
    FileDigest digest;
    bool compress = false;
};

struct Totals {
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    int recompressed = 0;
    int removed = 0;
};

} // namespace

// Adds the problems that forbid publishing: a bad base URL, unusable names,
// colliding names, folders that are not folders. Returns the number added.
static int FindRefusals(const PublishOptions& o, std::vector<GameFile>& files,
                        std::vector<std::string>& problems)
{
    std::string urlProblem = BaseUrlProblem(o.baseUrl);
    if (!urlProblem.empty())
        problems.push_back("base URL " + Quoted(o.baseUrl) + ": " + urlProblem);
    std::error_code ec;
    if (!fs::is_directory(o.gameDir, ec))
        problems.push_back("game folder " + Quoted(o.gameDir.u8string()) + ": not a folder");
    else if (FindGameFiles(o.gameDir, files, problems) == 0 && files.empty())
        // An empty list would let every launcher start the game unchecked.
        problems.push_back("game folder " + Quoted(o.gameDir.u8string()) + ": holds no .exe or .dll file");
    if (fs::exists(o.outDir, ec) && !fs::is_directory(o.outDir, ec))
        problems.push_back("output folder " + Quoted(o.outDir.u8string()) + ": not a folder");
    if (fs::is_directory(o.resinfo, ec))
        problems.push_back("resource-information file " + Quoted(o.resinfo.u8string()) + ": is a folder");

    std::vector<std::string> names;
    for (const GameFile& file : files) {
        std::string nameProblem = NameProblem(file.name);
        if (!nameProblem.empty())
            problems.push_back("file " + Quoted(file.displayName) + ": " + nameProblem);
        names.push_back(file.name);
    }
    FindCaseCollisions(names, problems);
    return (int)problems.size();
}

// Reads every file and decides which archives must be written anew.
// Returns 0, or 1 when a file can't be read (problems then says which).
static int PlanArchives(const PublishOptions& o, const std::vector<GameFile>& files, const Manifest& old,
                        std::vector<PlannedFile>& plan, std::vector<std::string>& problems)
{
    ProgressLine progress("reading", files.size());
    for (const GameFile& file : files) {
        PlannedFile planned{file, PathBelow(o.outDir, file.name + ".gz"), FileDigest(), false};
        if (DigestFile(file.source, planned.digest) != 0) {
            problems.push_back("file " + Quoted(file.displayName) + ": can't be read");
            continue;
        }
        auto listed = old.find(file.name);
        planned.compress = listed == old.end() || listed->second != planned.digest.md5 ||
                           !ArchiveMatches(planned.archive, planned.digest);
        progress.Step(planned.digest.size);
        plan.push_back(planned);
    }
    return problems.empty() ? 0 : 1;
}

// Writes the archives the plan marks and fills list. Returns 0, or 1 after a failure it has reported.
static int WriteArchives(std::vector<PlannedFile>& plan, Manifest& list, Totals& totals)
{
    size_t count = 0;
    for (const PlannedFile& planned : plan)
        count += planned.compress ? 1 : 0;
    ProgressLine progress("compressing", count);
    std::error_code ec;
    for (PlannedFile& planned : plan) {
        if (planned.compress) {
            fs::create_directories(planned.archive.parent_path(), ec);
            int result = CompressFile(planned.file.source, PartPath(planned.archive), planned.digest);
            if (result != 0 || ReplaceWithPart(planned.archive) != 0) {
                fs::remove(PartPath(planned.archive), ec);
                PrintError(result == 1 ? "file " + Quoted(planned.file.displayName) + ": can't be read"
                                       : "archive " + Quoted(planned.archive.u8string()) + ": can't be written");
                return 1;
            }
            totals.recompressed++;
            progress.Step(planned.digest.size);
        }
        // The list states the MD5 of exactly the bytes in the archive.
        list[planned.file.name] = planned.digest.md5;
        totals.bytesIn += planned.digest.size;
        totals.bytesOut += fs::file_size(planned.archive, ec);
    }
    return 0;
}

// Removes the archives of names that the old list had and the new one lacks,
// and folders left empty by that. Returns the number of archives removed.
static int RemoveStaleArchives(const fs::path& outDir, const Manifest& old, const Manifest& list)
{
    std::set<std::string> current;
    for (const auto& entry : list)
        current.insert(FoldCase(entry.first));
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : old) {
        // Only archives this tool could have written; never one that a current
        // name shares on a case-insensitive file system.
        const std::string& name = entry.first;
        if (list.count(name) || current.count(FoldCase(name)) || !NameProblem(name).empty() ||
            !IsGameFileName(name, IsCp932LeadByte))
            continue;
        fs::path archive = PathBelow(outDir, name + ".gz");
        if (!fs::remove(archive, ec))
            continue;
        removed++;
        // The name's own folders, innermost first, as far as they are empty.
        fs::path folder = archive.parent_path();
        for (size_t slash = name.find('/'); slash != std::string::npos && fs::is_empty(folder, ec);
             slash = name.find('/', slash + 1)) {
            fs::remove(folder, ec);
            folder = folder.parent_path();
        }
    }
    return removed;
}

int Publish(const PublishOptions& o)
{
    std::vector<GameFile> files;
    std::vector<std::string> problems;
    Manifest old;
    std::string oldText;
    if (FindRefusals(o, files, problems) == 0 &&
        ReadListFile(o.outDir / "md5.txt", oldText, old) == 2)
        problems.push_back("list " + Quoted((o.outDir / "md5.txt").u8string()) + ": can't be read");
    std::vector<PlannedFile> plan;
    if (problems.empty())
        PlanArchives(o, files, old, plan, problems);
    if (!problems.empty()) {
        PrintProblems(problems);
        PrintError("refused, nothing was written");
        return 1;
    }

    Totals totals;
    Manifest list;
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (WriteArchives(plan, list, totals) != 0)
        return 2;
    // The list goes last, in one step: a launcher never sees it name an archive
    // that isn't in place yet.
    if (WriteFileReplacing(o.outDir / "md5.txt", ListText(list)) != 0) {
        PrintError("list " + Quoted((o.outDir / "md5.txt").u8string()) + ": can't be written");
        return 2;
    }
    if (WriteFileReplacing(o.resinfo, "BASEURL=" + o.baseUrl) != 0) {
        PrintError("resource-information file " + Quoted(o.resinfo.u8string()) + ": can't be written");
        return 2;
    }
    totals.removed = RemoveStaleArchives(o.outDir, old, list);

    printf("published %llu files: %llu bytes in, %llu bytes out, %d re-compressed, %d archives removed\n",
           (unsigned long long)list.size(), (unsigned long long)totals.bytesIn,
           (unsigned long long)totals.bytesOut, totals.recompressed, totals.removed);
    return 0;
}
