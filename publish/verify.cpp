// Checking published releases the way the launcher will use them.
#include "publish/verify.h"

#include <stdio.h>
#include <algorithm>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "publish/compress.h"
#include "publish/exit_codes.h"
#include "publish/list.h"
#include "publish/platform.h"
#include "publish/progress.h"
#include "publish/releases.h"
#include "publish/report.h"
#include "publish/sign.h"
#include "publish/validate.h"
#include "update/extension.h"
#include "update/md5.h"
#include "update/release_sums.h"

namespace fs = std::filesystem;

// Returns true for 32 lower-case hexadecimal digits, the only MD5 text that
// can equal one the launcher computes.
static bool IsMd5Text(const std::string& text)
{
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Adds the problems of one list entry and its archive to problems.
// Returns the size of the archive (0 when there is none).
static uint64_t CheckEntry(const fs::path& folder, const std::string& release, const std::string& name,
                           const std::string& expected, std::vector<std::string>& problems)
{
    std::string entry = "release " + release + ": entry " + QuotedCp932(name) + ": ";
    if (!IsGameFileName(name, IsCp932LeadByte)) {
        problems.push_back(entry + "not an .exe or .dll name, the launcher ignores it");
        return 0;
    }
    std::string nameProblem = NameProblem(name);
    if (!nameProblem.empty()) {
        problems.push_back(entry + nameProblem);
        return 0;
    }
    if (!IsMd5Text(expected))
        problems.push_back(entry + "MD5 text " + Quoted(expected) +
                           " is not 32 lower-case hexadecimal digits, it never matches");
    fs::path archive = PathBelow(folder, name + ".gz");
    std::string label = "release " + release + ": archive " + QuotedCp932(name + ".gz") + ": ";
    std::error_code ec;
    if (!fs::is_regular_file(archive, ec)) {
        problems.push_back(label + "missing");
        return 0;
    }
    std::string md5, why;
    int result = UnpackedMd5(archive, md5, why);
    if (result == 1)
        problems.push_back(label + "can't be opened");
    else if (result == 2)
        problems.push_back(label + "can't be unpacked (" + why + ")");
    else if (IsMd5Text(expected) && !Md5TextEqual(md5, expected))
        problems.push_back(label + "unpacks to MD5 " + md5 + ", the list says " + expected);
    return fs::file_size(archive, ec);
}

// Adds a problem for every line of the statement other than one right line for
// md5.txt and for each listed archive, and for each of these files without a line.
static void CheckStatementLines(const fs::path& folder, const std::string& label, const Manifest& list,
                                const ReleaseSums& sums, std::vector<std::string>& problems)
{
    std::set<std::string> expected{"md5.txt"};
    for (const auto& entry : list)
        expected.insert(entry.first + ".gz");
    for (const auto& sum : sums.sums) {
        std::string line = label + "SHA256SUMS line for " + QuotedCp932(sum.first) + ": ";
        if (expected.erase(sum.first) == 0) {
            problems.push_back(line + "not a file of this release");
            continue;
        }
        std::string actual;
        if (Sha256OfFile(PathBelow(folder, sum.first), actual) != 0)
            problems.push_back(line + "the file can't be read");
        else if (actual != sum.second)
            problems.push_back(line + "the file's SHA-256 is " + actual);
    }
    for (const std::string& name : expected)
        problems.push_back(label + "SHA256SUMS has no line for " + QuotedCp932(name));
}

// Checks the signed statement of a release against its files and, when a key
// is given, its signature; it is read as the launcher reads it. Returns its
// release number, 0 when it is unsigned, can't be read or (with a key) does
// not verify; problems collect what is wrong.
static uint32_t CheckStatement(const fs::path& folder, const std::string& release, const Manifest& list,
                               const fs::path& key, std::vector<std::string>& problems)
{
    std::string label = "release " + release + ": ";
    std::string statement, signature, why;
    std::error_code ec;
    bool present = fs::exists(folder / "SHA256SUMS", ec) || fs::exists(folder / "SHA256SUMS.sig", ec);
    if (!present && key.empty())
        return 0;
    if (ReadWholeFile(folder / "SHA256SUMS", statement) != 0 || ReadWholeFile(folder / "SHA256SUMS.sig", signature) != 0) {
        problems.push_back(label + "not signed (SHA256SUMS or SHA256SUMS.sig missing)");
        return 0;
    }
    int checked = key.empty() ? 0 : CheckSignature(key, statement, signature, why);
    if (checked == 2)
        problems.push_back("key " + Quoted(key.u8string()) + ": " + why);
    else if (checked != 0)
        problems.push_back(label + "SHA256SUMS.sig: the signature does not verify with this key");
    ReleaseSums sums;
    if (ParseReleaseSums(statement, &sums, &why) != 0) {
        problems.push_back(label + "SHA256SUMS: " + why);
        return 0;
    }
    CheckStatementLines(folder, label, list, sums, problems);
    return checked == 0 ? sums.release : 0;
}

// Returns the release number of the folder's statement when it verifies with
// the public key at key and reads as the launcher reads it; 0 otherwise.
static uint32_t VerifiedNumber(const fs::path& folder, const fs::path& key)
{
    std::string text, signature, why;
    ReleaseSums sums;
    if (ReadWholeFile(folder / "SHA256SUMS", text) != 0 || ReadWholeFile(folder / "SHA256SUMS.sig", signature) != 0 ||
        CheckSignature(key, text, signature, why) != 0 || ParseReleaseSums(text, &sums) != 0)
        return 0;
    return sums.release;
}

// Checks one release folder. Returns the release number of its statement (0:
// unsigned, or not verified with the key).
static uint32_t CheckRelease(const fs::path& outDir, const std::string& release, const fs::path& key,
                                       std::vector<std::string>& problems)
{
    fs::path folder = outDir / kReleasesFolder / release;
    std::string text;
    Manifest list;
    int listState = ReadListFile(folder / "md5.txt", text, list);
    if (listState != 0)
        problems.push_back("list " + Quoted((folder / "md5.txt").u8string()) +
                           (listState == 1 ? ": missing" : ": can't be read"));
    uint64_t bytes = 0;
    {
        ProgressLine progress("verifying", list.size());
        for (const auto& entry : list) {
            uint64_t size = CheckEntry(folder, release, entry.first, entry.second, problems);
            bytes += size;
            progress.Step(size);
        }
    }
    uint32_t number = 0;
    if (listState == 0 && SigningUnavailable().empty())
        number = CheckStatement(folder, release, list, key, problems);
    printf("release %s: %llu listed files, %llu archive bytes%s\n", release.c_str(), (unsigned long long)list.size(),
           (unsigned long long)bytes, number ? (", signed release number " + std::to_string(number)).c_str() : "");
    return number;
}

// Checks the resource-information text. Returns the release it names, empty
// when it names none that exists; problems collect what is wrong.
static std::string CheckResourceInfo(const VerifyOptions& o, std::vector<std::string>& problems)
{
    std::string baseUrl, named, why;
    std::string label = "resource-information file " + Quoted(o.resinfo.u8string()) + ": ";
    if (ReadNamedRelease(o.resinfo, baseUrl, named, why) != 0) {
        problems.push_back(label + why);
        return std::string();
    }
    std::string urlProblem = BaseUrlProblem(baseUrl);
    if (!urlProblem.empty())
        problems.push_back(label + "base URL " + urlProblem);
    std::error_code ec;
    if (!fs::is_directory(o.outDir / kReleasesFolder / named, ec)) {
        problems.push_back(label + "names release " + named + ", which is not in " +
                           Quoted((o.outDir / kReleasesFolder).u8string()));
        return std::string();
    }
    printf("the resource-information text names release %s\n", named.c_str());
    return named;
}

int Verify(const VerifyOptions& o)
{
    std::vector<std::string> problems;
    std::string named = CheckResourceInfo(o, problems);
    std::vector<std::string> releases = ListReleases(o.outDir), checked;
    if (o.all)
        checked = releases;
    else if (!named.empty())
        checked.push_back(named);

    uint32_t highest = 0;   // of the releases older than the one checked
    std::string highestRelease;
    for (const std::string& release : releases) {
        bool check = std::find(checked.begin(), checked.end(), release) != checked.end();
        uint32_t number = 0;
        if (check) {
            number = CheckRelease(o.outDir, release, o.key, problems);
            if (!o.key.empty() && number != 0 && number < highest)
                problems.push_back("release " + release + ": signed release number " + std::to_string(number) +
                                   " is below " + std::to_string(highest) + " of the older release " + highestRelease +
                                   "; launchers that saw that one refuse it");
        } else if (!o.key.empty()) {
            // An older release's verified number still bounds the newer ones.
            number = VerifiedNumber(o.outDir / kReleasesFolder / release, o.key);
        }
        if (number > highest) {
            highest = number;
            highestRelease = release;
        }
    }
    PrintProblems(problems);
    printf("verified %llu releases: %llu problems\n", (unsigned long long)checked.size(),
           (unsigned long long)problems.size());
    return problems.empty() ? kExitDone : kExitRefused;
}
