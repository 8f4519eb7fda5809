// Release folders below OUT_DIR/releases and the resource-information text.
#include "publish/releases.h"

#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <system_error>

#include "publish/file_write.h"
#include "publish/list.h"

namespace fs = std::filesystem;

const char kReleasesFolder[] = "releases";

static const char kTemporaryPrefix[] = ".tmp-";
static const size_t kHashDigits = 12;

std::string ReleaseName(unsigned long long sequence, const std::string& hash)
{
    char number[32];
    snprintf(number, sizeof number, "%06llu", sequence);
    return std::string(number) + "-" + hash.substr(0, kHashDigits);
}

bool ParseReleaseName(const std::string& name, unsigned long long& sequence)
{
    size_t dash = name.find('-');
    if (dash == std::string::npos || dash < 6 || dash > 18 || name.size() != dash + 1 + kHashDigits)
        return false;
    if (name.find_first_not_of("0123456789") != dash ||
        name.find_first_not_of("0123456789abcdef", dash + 1) != std::string::npos)
        return false;
    sequence = strtoull(name.c_str(), nullptr, 10);
    return sequence > 0;
}

std::string ReleaseHash(const std::string& name)
{
    size_t dash = name.find('-');
    return dash == std::string::npos ? std::string() : name.substr(dash + 1);
}

std::vector<std::string> ListReleases(const fs::path& outDir)
{
    std::vector<std::pair<unsigned long long, std::string>> found;
    std::error_code ec;
    fs::directory_iterator it(outDir / kReleasesFolder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        std::string name = it->path().filename().u8string();
        unsigned long long sequence;
        if (it->is_directory(typeError) && ParseReleaseName(name, sequence))
            found.emplace_back(sequence, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (const auto& release : found)
        names.push_back(release.second);
    return names;
}

fs::path TemporaryReleaseFolder(const fs::path& outDir, const std::string& name)
{
    return outDir / kReleasesFolder / (kTemporaryPrefix + name);
}

int RemoveTemporaryFolders(const fs::path& outDir)
{
    std::vector<fs::path> leftovers;
    std::error_code ec;
    fs::directory_iterator it(outDir / kReleasesFolder, ec), end;
    for (; !ec && it != end; it.increment(ec))
        if (it->path().filename().u8string().compare(0, sizeof kTemporaryPrefix - 1, kTemporaryPrefix) == 0)
            leftovers.push_back(it->path());
    int removed = 0;
    for (const fs::path& path : leftovers)
        if (fs::remove_all(path, ec) != static_cast<std::uintmax_t>(-1) && !ec)
            removed++;
    return removed;
}

int ReadNamedRelease(const fs::path& path, std::string& baseUrl, std::string& name, std::string& why)
{
    std::string text;
    int result = ReadWholeFile(path, text);
    if (result != 0) {
        why = result == 1 ? "missing" : "can't be read";
        return result;
    }
    if (text.compare(0, 8, "BASEURL=") != 0) {
        why = "does not begin with \"BASEURL=\"";
        return 2;
    }
    baseUrl = text.substr(8);
    // The value ends in "releases/<name>/"; what comes before is where OUT_DIR is served.
    std::string folder = baseUrl.size() > 1 && baseUrl.back() == '/' ? baseUrl.substr(0, baseUrl.size() - 1) : "";
    size_t slash = folder.rfind('/');
    std::string parent = slash == std::string::npos ? "" : folder.substr(0, slash);
    std::string marker = std::string("/") + kReleasesFolder;
    unsigned long long sequence;
    if (slash == std::string::npos || parent.size() < marker.size() ||
        parent.compare(parent.size() - marker.size(), marker.size(), marker) != 0 ||
        !ParseReleaseName(folder.substr(slash + 1), sequence)) {
        why = "base URL does not end in \"releases/<release>/\"";
        return 2;
    }
    name = folder.substr(slash + 1);
    return 0;
}

std::string ReleaseUrl(const std::string& baseUrl, const std::string& release)
{
    return baseUrl + kReleasesFolder + "/" + release + "/";
}

int WriteResourceInfo(const fs::path& path, const std::string& baseUrl, const std::string& release)
{
    return WriteFileReplacing(path, "BASEURL=" + ReleaseUrl(baseUrl, release));
}

std::vector<std::string> PruneReleases(const fs::path& outDir, size_t keep, const std::string& keepAlways)
{
    std::vector<std::string> releases = ListReleases(outDir), removed;
    std::error_code ec;
    for (size_t i = 0; i + keep < releases.size(); i++) {
        if (releases[i] == keepAlways)
            continue;
        fs::remove_all(outDir / kReleasesFolder / releases[i], ec);
        if (!ec)
            removed.push_back(releases[i]);
    }
    return removed;
}
