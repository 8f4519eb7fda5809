// Fuzzes the publisher's checks. The input is lines: a base URL, then names
// of game files in code page 932.
#include <set>

#include "http/url.h"
#include "publish/validate.h"
#include "tests/fuzz/fuzz_check.h"
#include "update/extension.h"
#include "update/file_name_check.h"

static std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return text;
}

// A base URL the publisher accepts is one the launcher splits into the same
// host and port for every file, with the file's name at the end of the path.
static void CheckBaseUrl(const std::string& url, const std::vector<std::string>& names)
{
    if (!BaseUrlProblem(url).empty())
        return;
    FUZZ_CHECK(url.compare(0, 7, "http://") == 0 && EndsWith(url, "/"));
    for (unsigned char c : url)
        FUZZ_CHECK(c > 0x20 && c < 0x7f && c != '?' && c != '#');
    UrlParts base;
    FUZZ_CHECK(ParseUrl(url.c_str(), base) == 0);
    FUZZ_CHECK(!base.host.empty() && base.host.find('@') == std::string::npos);
    FUZZ_CHECK(base.port != 0);
    // The launcher's host ends at the first '/' or ':'; a port is the number up to the next '/'.
    size_t pathBegin = url.find('/', 7);
    size_t hostEnd = 7 + base.host.size();
    if (url[hostEnd] == ':')
        FUZZ_CHECK(base.port == (uint16_t)atoi(url.substr(hostEnd + 1, pathBegin - hostEnd - 1).c_str()));
    else
        FUZZ_CHECK(base.port == 80 && hostEnd == pathBegin);
    FUZZ_CHECK(base.path == url.substr(pathBegin));
    for (const std::string& name : names) {
        if (!NameProblem(name).empty())
            continue;
        UrlParts file;
        FUZZ_CHECK(ParseUrl((url + name + ".gz").c_str(), file) == 0);
        FUZZ_CHECK(file.host == base.host && file.port == base.port);
        FUZZ_CHECK(file.path == base.path + name + ".gz");
    }
}

static void CheckName(const std::string& name)
{
    std::string folded = FoldCase(name);
    FUZZ_CHECK(folded.size() == name.size());
    FUZZ_CHECK(FoldCase(folded) == folded);
    if (!NameProblem(name).empty())
        return;
    // What the publisher accepts, the launcher takes as it is.
    FUZZ_CHECK(IsSafeFileName(name, IsCp932LeadByte));
    FUZZ_CHECK(name.find_first_of("&=:") == std::string::npos);
    // A second byte may be '\\' (0x95 0x5C is a kanji); single bytes never are.
    for (size_t i = 0; i < name.size(); i += IsCp932LeadByte((unsigned char)name[i]) ? 2 : 1)
        FUZZ_CHECK(std::string("\\ %?#").find(name[i]) == std::string::npos);
    FUZZ_CHECK(name.size() + 11 < 260);
    bool listed = EndsWith(AsciiLower(name), ".exe") || EndsWith(AsciiLower(name), ".dll");
    FUZZ_CHECK(IsGameFileName(name, IsCp932LeadByte) == listed);
    for (unsigned char c : name)
        FUZZ_CHECK(c >= 0x20 && c != 0x7f);
}

// Counts the problems FindCaseCollisions should report, pair by pair.
static size_t ExpectedCollisions(const std::vector<std::string>& names)
{
    std::set<std::string> files;
    for (const std::string& name : names)
        files.insert(FoldCase(name));
    size_t count = names.size() - files.size();
    for (const std::string& name : names) {
        const std::string folded = FoldCase(name);
        for (const std::string& file : files) {
            if (folded.compare(0, file.size() + 1, file + "/") == 0)
                ++count;
            if (folded.compare(0, file.size() + 4, file + ".GZ/") == 0)
                ++count;
        }
    }
    return count;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        size_t end = input.find('\n', start);
        lines.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const std::string url = lines[0];
    const std::vector<std::string> names(lines.begin() + 1, lines.end());

    CheckBaseUrl(url, names);
    for (const std::string& name : names)
        CheckName(name);

    std::vector<std::string> problems{"earlier problem"};
    int added = FindCaseCollisions(names, problems);
    FUZZ_CHECK(added >= 0 && (size_t)added + 1 == problems.size());
    FUZZ_CHECK((size_t)added == ExpectedCollisions(names));
    return 0;
}
