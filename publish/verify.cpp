// Checking published releases the way the launcher will use them.
#include "publish/verify.h"

#include <stdio.h>
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
#include "publish/statement.h"
#include "publish/validate.h"
#include "update/extension.h"
#include "update/md5.h"

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

// Checks the signed statement of a release against its files and, when a key
// is given, its signature. number receives the release number (0 when unsigned).
// Returns nothing; problems collect what is wrong.
static void CheckStatement(const fs::path& folder, const std::string& release, const Manifest& list,
                           const fs::path& key, unsigned long long& number, std::vector<std::string>& problems)
{
    number = 0;
    std::string label = "release " + release + ": ";
    std::string statement, signature, why;
    std::error_code ec;
    bool present = fs::exists(folder / "SHA256SUMS", ec) || fs::exists(folder / "SHA256SUMS.sig", ec);
    if (!present && key.empty())
        return;
    if (ReadWholeFile(folder / "SHA256SUMS", statement) != 0 || ReadWholeFile(folder / "SHA256SUMS.sig", signature) != 0) {
        problems.push_back(label + "not signed (SHA256SUMS or SHA256SUMS.sig missing)");
        return;
    }
    if (!key.empty()) {
        int checked = CheckSignature(key, statement, signature, why);
        if (checked == 2)
            problems.push_back("key " + Quoted(key.u8string()) + ": " + why);
        else if (checked != 0)
            problems.push_back(label + "SHA256SUMS.sig: the signature does not verify with this key");
    }
    Sums sums;
    if (ParseStatement(statement, number, sums, why) != 0) {
        problems.push_back(label + "SHA256SUMS: " + why);
        number = 0;
        return;
    }
    // Exactly md5.txt and the archive of every listed name, each once.
    std::set<std::string> expected{"md5.txt"}, seen;
    for (const auto& entry : list)
        expected.insert(entry.first + ".gz");
    for (const auto& sum : sums) {
        std::string line = label + "SHA256SUMS line for " + QuotedCp932(sum.first) + ": ";
        if (!expected.count(sum.first)) {
            problems.push_back(line + "not a file of this release");
            continue;
        }
        if (!seen.insert(sum.first).second) {
            problems.push_back(line + "given twice");
            continue;
        }
        std::string actual;
        if (Sha256OfFile(PathBelow(folder, sum.first), actual) != 0)
            problems.push_back(line + "the file can't be read");
        else if (actual != sum.second)
            problems.push_back(line + "the file's SHA-256 is " + actual);
    }
    for (const std::string& name : expected)
        if (!seen.count(name))
            problems.push_back(label + "SHA256SUMS has no line for " + QuotedCp932(name));
}

// Checks one release folder. Returns the release number of its statement (0: unsigned).
static unsigned long long CheckRelease(const fs::path& outDir, const std::string& release, const fs::path& key,
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
    unsigned long long number = 0;
    if (listState == 0 && SigningUnavailable().empty())
        CheckStatement(folder, release, list, key, number, problems);
    printf("release %s: %llu listed files, %llu archive bytes%s\n", release.c_str(), (unsigned long long)list.size(),
           (unsigned long long)bytes, number ? (", signed release number " + std::to_string(number)).c_str() : "");
    return number;
}

int Verify(const VerifyOptions& o)
{
    std::vector<std::string> problems;
    std::string baseUrl, named, why;
    std::string label = "resource-information file " + Quoted(o.resinfo.u8string()) + ": ";
    std::vector<std::string> releases = ListReleases(o.outDir), checked;
    std::error_code ec;
    if (ReadNamedRelease(o.resinfo, baseUrl, named, why) != 0) {
        problems.push_back(label + why);
        named.clear();
    } else {
        std::string urlProblem = BaseUrlProblem(baseUrl);
        if (!urlProblem.empty())
            problems.push_back(label + "base URL " + urlProblem);
        if (!fs::is_directory(o.outDir / kReleasesFolder / named, ec)) {
            problems.push_back(label + "names release " + named + ", which is not in " +
                               Quoted((o.outDir / kReleasesFolder).u8string()));
            named.clear();
        } else {
            printf("the resource-information text names release %s\n", named.c_str());
        }
    }
    if (o.all)
        checked = releases;
    else if (!named.empty())
        checked.push_back(named);

    unsigned long long highest = 0;   // of the releases older than the one checked
    std::string highestRelease;
    for (const std::string& release : releases) {
        bool check = false;
        for (const std::string& c : checked)
            check = check || c == release;
        unsigned long long number = 0;
        if (check) {
            number = CheckRelease(o.outDir, release, o.key, problems);
            if (!o.key.empty() && number != 0 && number < highest)
                problems.push_back("release " + release + ": signed release number " + std::to_string(number) +
                                   " is below " + std::to_string(highest) + " of the older release " + highestRelease +
                                   "; launchers that saw that one refuse it");
        } else if (!o.key.empty()) {
            // An older release's number still bounds the newer ones.
            std::string text;
            Sums sums;
            if (ReadWholeFile(o.outDir / kReleasesFolder / release / "SHA256SUMS", text) != 0 ||
                ParseStatement(text, number, sums, why) != 0)
                number = 0;
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
