// Checking a published folder the way the launcher will use it.
#include "publish/verify.h"

#include <stdio.h>
#include <string>
#include <system_error>
#include <vector>

#include "publish/list.h"
#include "publish/platform.h"
#include "publish/progress.h"
#include "publish/report.h"
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

// Unpacks the archive at path as the launcher does, into an MD5 text.
// Returns 0, 1 when it can't be opened, 2 when it can't be unpacked (why says how).
static int UnpackedMd5(const fs::path& path, std::string& md5, std::string& why)
{
    gzFile in = OpenGzipForReading(path);
    if (in == nullptr)
        return 1;
    Md5 digest;
    char buffer[65536];
    int n;
    while ((n = gzread(in, buffer, sizeof buffer)) > 0)
        digest.Update(buffer, (size_t)n);
    int status = 0;
    if (n < 0) {
        int code;
        why = gzerror(in, &code);
        status = 2;
    }
    if (gzclose(in) != Z_OK && status == 0) {
        why = "the archive ends early";
        status = 2;
    }
    unsigned char bytes[16];
    digest.Final(bytes);
    md5 = Md5Text(bytes);
    return status;
}

// Adds the problems of one list entry and its archive to problems.
// Returns the size of the archive (0 when there is none).
static uint64_t CheckEntry(const fs::path& outDir, const std::string& name, const std::string& expected,
                           std::vector<std::string>& problems)
{
    std::string entry = "entry " + QuotedCp932(name) + ": ";
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
    fs::path archive = PathBelow(outDir, name + ".gz");
    std::string label = "archive " + QuotedCp932(name + ".gz") + ": ";
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

// Adds a problem when the resource-information text in its usual place does
// not hold a base URL the launcher can use.
static void CheckResourceInformation(const fs::path& outDir, std::vector<std::string>& problems)
{
    fs::path path = outDir / "1" / "resinfo-release130.txt";
    std::string text;
    if (ReadWholeFile(path, text) != 0)
        return;
    std::string label = "resource-information file " + Quoted(path.u8string()) + ": ";
    if (text.compare(0, 8, "BASEURL=") != 0) {
        problems.push_back(label + "does not begin with \"BASEURL=\"");
        return;
    }
    std::string urlProblem = BaseUrlProblem(text.substr(8));
    if (!urlProblem.empty())
        problems.push_back(label + "base URL " + urlProblem);
}

int Verify(const fs::path& outDir)
{
    std::vector<std::string> problems;
    std::string text;
    Manifest list;
    int listState = ReadListFile(outDir / "md5.txt", text, list);
    if (listState != 0)
        problems.push_back("list " + Quoted((outDir / "md5.txt").u8string()) +
                           (listState == 1 ? ": missing" : ": can't be read"));
    uint64_t bytes = 0;
    {
        ProgressLine progress("verifying", list.size());
        for (const auto& entry : list) {
            uint64_t size = CheckEntry(outDir, entry.first, entry.second, problems);
            bytes += size;
            progress.Step(size);
        }
    }
    CheckResourceInformation(outDir, problems);
    PrintProblems(problems);
    printf("verified %llu listed files, %llu archive bytes: %llu problems\n",
           (unsigned long long)list.size(), (unsigned long long)bytes, (unsigned long long)problems.size());
    return problems.empty() ? 0 : 1;
}
