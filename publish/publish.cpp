// Publishing a game folder for the launcher: one release folder, then the
// resource-information text that names it.
#include "publish/publish.h"

#include <stdio.h>
#include <system_error>
#include <vector>

#include "publish/compress.h"
#include "publish/list.h"
#include "publish/platform.h"
#include "publish/progress.h"
#include "publish/releases.h"
#include "publish/report.h"
#include "publish/sign.h"
#include "publish/statement.h"
#include "publish/validate.h"
#include "publish/walk.h"
#include "update/md5.h"

namespace fs = std::filesystem;

namespace {

struct PlannedFile {
    GameFile file;
    FileDigest digest;
    fs::path reuse;   // an equal archive of an earlier release; empty: compress
};

struct Totals {
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    int compressed = 0;
    int reused = 0;
};

} // namespace

// Adds the problems that forbid publishing: a bad base URL, unusable names,
// colliding names, folders that are not folders, an unusable key. Returns the number added.
static int FindRefusals(const PublishOptions& o, std::vector<GameFile>& files, SigningKey& key,
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
    PublishState state;
    if (ReadState(o.outDir, state) != 0)
        problems.push_back("state file " + Quoted(StateFile(o.outDir).u8string()) + ": can't be read");
    if (!o.signKey.empty()) {
        std::string why = SigningUnavailable();
        if (why.empty())
            key.Load(o.signKey, why);
        if (!why.empty())
            problems.push_back("signing key " + Quoted(o.signKey.u8string()) + ": " + why);
    }

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

// Reads every file into the plan and the list. Returns 0, or 1 when a file
// can't be read (problems then says which).
static int ReadGameFiles(const std::vector<GameFile>& files, std::vector<PlannedFile>& plan, Manifest& list,
                         std::vector<std::string>& problems)
{
    ProgressLine progress("reading", files.size());
    for (const GameFile& file : files) {
        PlannedFile planned{file, FileDigest(), fs::path()};
        if (DigestFile(file.source, planned.digest) != 0) {
            problems.push_back("file " + Quoted(file.displayName) + ": can't be read");
            continue;
        }
        list[file.name] = planned.digest.md5;
        progress.Step(planned.digest.size);
        plan.push_back(planned);
    }
    return problems.empty() ? 0 : 1;
}

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
static bool ReleaseHolds(const fs::path& folder, const std::string& listText, const std::vector<PlannedFile>& plan,
                         bool isSigned)
{
    std::string text;
    if (ReadWholeFile(folder / "md5.txt", text) != 0 || text != listText)
        return false;
    for (const PlannedFile& planned : plan)
        if (!ArchiveMatches(PathBelow(folder, planned.file.name + ".gz"), planned.digest))
            return false;
    std::error_code ec;
    return !isSigned || (fs::is_regular_file(folder / "SHA256SUMS", ec) && fs::is_regular_file(folder / "SHA256SUMS.sig", ec));
}

// Finds for every planned file an equal archive in the kept releases, newest first.
static void FindReusableArchives(const fs::path& outDir, const std::vector<std::string>& releases,
                                 std::vector<PlannedFile>& plan)
{
    for (auto release = releases.rbegin(); release != releases.rend(); ++release) {
        fs::path folder = outDir / kReleasesFolder / *release;
        std::string text;
        Manifest listed;
        if (ReadListFile(folder / "md5.txt", text, listed) != 0)
            continue;
        for (PlannedFile& planned : plan) {
            auto entry = listed.find(planned.file.name);
            fs::path archive = PathBelow(folder, planned.file.name + ".gz");
            if (planned.reuse.empty() && entry != listed.end() && entry->second == planned.digest.md5 &&
                ArchiveMatches(archive, planned.digest))
                planned.reuse = archive;
        }
    }
}

// Puts every archive into folder: a hard link to (or a copy of) an equal
// earlier one, or a new compression. Returns 0, or 1 after a failure it has reported.
static int WriteArchives(const fs::path& folder, std::vector<PlannedFile>& plan, Totals& totals)
{
    size_t count = 0;
    for (const PlannedFile& planned : plan)
        count += planned.reuse.empty() ? 1 : 0;
    ProgressLine progress("compressing", count);
    std::error_code ec;
    for (PlannedFile& planned : plan) {
        fs::path archive = PathBelow(folder, planned.file.name + ".gz");
        fs::create_directories(archive.parent_path(), ec);
        if (!planned.reuse.empty()) {
            fs::create_hard_link(planned.reuse, archive, ec);
            if (ec)
                fs::copy_file(planned.reuse, archive, ec);
            if (ec) {
                PrintError("archive " + Quoted(archive.u8string()) + ": can't be written");
                return 1;
            }
            totals.reused++;
        } else {
            std::string md5 = planned.digest.md5;
            int result = CompressFile(planned.file.source, archive, planned.digest);
            if (result != 0) {
                PrintError(result == 1 ? "file " + Quoted(planned.file.displayName) + ": can't be read"
                                       : "archive " + Quoted(archive.u8string()) + ": can't be written");
                return 1;
            }
            // The list states the MD5 of exactly the bytes in the archive.
            if (planned.digest.md5 != md5) {
                PrintError("file " + Quoted(planned.file.displayName) + ": changed while it was published");
                return 1;
            }
            totals.compressed++;
            progress.Step(planned.digest.size);
        }
        totals.bytesIn += planned.digest.size;
        totals.bytesOut += fs::file_size(archive, ec);
    }
    return 0;
}

// Writes SHA256SUMS and SHA256SUMS.sig into folder for release number.
// Returns 0, or 1 after a failure it has reported.
static int WriteStatement(const fs::path& folder, const std::vector<PlannedFile>& plan, const SigningKey& key,
                          unsigned long long number)
{
    Sums sums;
    std::string sum;
    if (Sha256OfFile(folder / "md5.txt", sum) != 0) {
        PrintError("list " + Quoted((folder / "md5.txt").u8string()) + ": can't be read back");
        return 1;
    }
    sums.emplace_back("md5.txt", sum);
    for (const PlannedFile& planned : plan) {
        fs::path archive = PathBelow(folder, planned.file.name + ".gz");
        if (Sha256OfFile(archive, sum) != 0) {
            PrintError("archive " + Quoted(archive.u8string()) + ": can't be read back");
            return 1;
        }
        sums.emplace_back(planned.file.name + ".gz", sum);
    }
    std::string statement = StatementText(number, sums), signature;
    if (key.Sign(statement, signature) != 0) {
        PrintError("SHA256SUMS can't be signed");
        return 1;
    }
    if (WriteFileReplacing(folder / "SHA256SUMS", statement) != 0 ||
        WriteFileReplacing(folder / "SHA256SUMS.sig", signature) != 0) {
        PrintError("signature files in " + Quoted(folder.u8string()) + ": can't be written");
        return 1;
    }
    return 0;
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

// Returns "a, b" for the names, or "none".
static std::string NameList(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

// Writes the resource-information text naming release, in one step.
// Returns 0, or 1 after reporting the failure.
static int NameRelease(const PublishOptions& o, const std::string& release)
{
    std::string text = "BASEURL=" + o.baseUrl + kReleasesFolder + "/" + release + "/";
    if (WriteFileReplacing(o.resinfo, text) == 0)
        return 0;
    PrintError("resource-information file " + Quoted(o.resinfo.u8string()) + ": can't be written; it still names "
               "the release it named before");
    return 1;
}

int Publish(const PublishOptions& o)
{
    std::vector<GameFile> files;
    std::vector<std::string> problems;
    std::vector<PlannedFile> plan;
    Manifest list;
    SigningKey key;
    if (FindRefusals(o, files, key, problems) == 0)
        ReadGameFiles(files, plan, list, problems);
    if (!problems.empty()) {
        PrintProblems(problems);
        PrintError("refused, nothing was written");
        return 1;
    }

    int leftovers = RemoveTemporaryFolders(o.outDir);
    if (leftovers > 0)
        printf("removed %d unfinished release folders of an interrupted publish\n", leftovers);
    std::vector<std::string> releases = ListReleases(o.outDir);
    std::string listText = ListText(list);
    std::string hash = ContentHash(listText, key);

    // The release named now, when it holds this very content, is published already.
    std::string namedUrl, named, why;
    std::string wanted = o.baseUrl + kReleasesFolder + "/";
    bool isNamed = NamedRelease(o.resinfo, namedUrl, named, why) == 0;
    if (isNamed && ReleaseHash(named) == hash.substr(0, ReleaseHash(named).size()) &&
        fs::is_directory(o.outDir / kReleasesFolder / named) &&
        ReleaseHolds(o.outDir / kReleasesFolder / named, listText, plan, key.Loaded())) {
        if (namedUrl == wanted + named + "/") {
            printf("release %s: unchanged, nothing written\n", named.c_str());
        } else {
            if (NameRelease(o, named) != 0)
                return 2;
            printf("release %s: unchanged; the resource-information text now names it at %s\n", named.c_str(),
                   (wanted + named + "/").c_str());
        }
        std::vector<std::string> removed = PruneReleases(o.outDir, o.keep, named);
        if (!removed.empty())
            printf("removed %d old releases: %s\n", (int)removed.size(), NameList(removed).c_str());
        return 0;
    }

    PublishState state;
    ReadState(o.outDir, state);
    unsigned long long sequence = state.sequence;
    for (const std::string& release : releases) {
        unsigned long long n;
        if (ParseReleaseName(release, n) && n > sequence)
            sequence = n;
    }
    state.sequence = sequence + 1;
    std::string release = ReleaseName(state.sequence, hash);
    fs::path temporary = TemporaryReleaseFolder(o.outDir, release);
    fs::path folder = o.outDir / kReleasesFolder / release;

    FindReusableArchives(o.outDir, releases, plan);
    Totals totals;
    std::error_code ec;
    fs::create_directories(temporary, ec);
    int failed = ec ? 1 : WriteArchives(temporary, plan, totals);
    if (failed == 0 && WriteFileReplacing(temporary / "md5.txt", listText) != 0) {
        PrintError("list " + Quoted((temporary / "md5.txt").u8string()) + ": can't be written");
        failed = 1;
    }
    if (failed == 0 && key.Loaded()) {
        // Never lower, never reuse: launchers refuse a number below one they saw.
        unsigned long long highest = HighestSignedRelease(o.outDir, releases);
        state.signedRelease = (highest > state.signedRelease ? highest : state.signedRelease) + 1;
        failed = WriteStatement(temporary, plan, key, state.signedRelease);
    }
    // The counters are saved before the folder gets its name, so that they
    // never fall behind a release that exists.
    if (failed == 0 && WriteState(o.outDir, state) != 0) {
        PrintError("state file " + Quoted(StateFile(o.outDir).u8string()) + ": can't be written");
        failed = 1;
    }
    if (failed == 0) {
        fs::rename(temporary, folder, ec);
        if (ec) {
            PrintError("release folder " + Quoted(folder.u8string()) + ": can't be named (" + ec.message() + ")");
            failed = 1;
        }
    }
    if (failed != 0) {
        fs::remove_all(temporary, ec);
        PrintError("publish failed; the resource-information text still names the release it named before");
        return 2;
    }
    // Last and in one step: launchers that start from now on get the new release.
    if (NameRelease(o, release) != 0)
        return 2;
    std::vector<std::string> removed = PruneReleases(o.outDir, o.keep, release);

    printf("release %s%s: %llu files, %llu bytes in, %llu bytes out, %d compressed, %d reused from earlier "
           "releases\n",
           release.c_str(), key.Loaded() ? (" (signed, release number " + std::to_string(state.signedRelease) + ")").c_str() : "",
           (unsigned long long)list.size(), (unsigned long long)totals.bytesIn, (unsigned long long)totals.bytesOut,
           totals.compressed, totals.reused);
    printf("the resource-information text names %s%s/\n", wanted.c_str(), release.c_str());
    printf("removed %d old releases: %s\n", (int)removed.size(), NameList(removed).c_str());
    return 0;
}
