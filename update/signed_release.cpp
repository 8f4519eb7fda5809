#include "update/signed_release.h"
#include <windows.h>
#include "common/path_folder.h"
#include "update/background_judge.h"
#include "update/ansi_lead_byte.h"
#include "update/file_name_check.h"
#include "update/key_value_list.h"

static const char GameProgram[] = "korvan.exe";

// Returns the long form of path, or path itself when the system can't give one.
static std::string LongPath(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

// Returns true when path names folder itself or something below it, letters
// compared without regard to case as the file system does.
static bool IsWithin(const std::string& path, const std::string& folder)
{
    std::string outer = LongPath(folder), inner = LongPath(path);
    if (!outer.empty() && FolderLength(outer.c_str()) == outer.size())
        outer.pop_back();
    if (outer.empty() || inner.size() < outer.size() ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, inner.c_str(), static_cast<int>(outer.size()),
                       outer.c_str(), static_cast<int>(outer.size())) != CSTR_EQUAL)
        return false;
    return inner.size() == outer.size() || inner[outer.size()] == '\\' || inner[outer.size()] == '/';
}

// Returns the working folder, or "" when the system can't tell it.
static std::string WorkingFolder()
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

// Returns the launcher executable's folder, or "" when the system can't tell it.
static std::string LauncherFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return std::string();
    return std::string(path, FolderLength(path));
}

SignedRelease::SignedRelease(const std::string& publicKeyPem, uint32_t minRelease)
    : statement(publicKeyPem), minRelease(minRelease)
{
}

int SignedRelease::FetchList(const std::string& baseUrl, std::string* list)
{
    uint32_t floor = RecordedRelease();
    if (floor < minRelease)
        floor = minRelease;
    refused = "md5.txt";
    int result = statement.FetchList(baseUrl, floor, list);
    if (result == ListAccepted && ParseKeyValueList(*list, "&", "=").count(GameProgram) == 0) {
        refused = GameProgram;
        result = ListRefused;
    }
    // Nothing but an accepted list is ever parsed.
    if (result != ListAccepted)
        list->clear();
    return result;
}

bool SignedRelease::TakesLibraryAsCurrent(const std::string& name) const
{
    if (!IsSafeFileName(name, IsAnsiLeadByte) || GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    std::string loadedFrom;
    if (!LoadsAsLibrary(name, &loadedFrom))
        return false;
    std::string working = WorkingFolder(), launcher = LauncherFolder();
    return !loadedFrom.empty() && !working.empty() && !launcher.empty() && !IsWithin(loadedFrom, working) &&
           !IsWithin(loadedFrom, launcher);
}

std::unique_ptr<ArchiveJudge> SignedRelease::JudgeArchive(const std::string& name) const
{
    // Hashed beside the download rather than after it.
    return std::unique_ptr<ArchiveJudge>(new BackgroundJudge(statement.JudgeArchive(name)));
}

void SignedRelease::RecordComplete(const char* configFile) const
{
    char release[16];
    wsprintfA(release, "%lu", static_cast<unsigned long>(statement.ReleaseNumber()));
    WritePrivateProfileStringA("STATUS", "RELEASE", release, configFile);
}

std::string SignedRelease::GamePath() const
{
    std::string folder = WorkingFolder();
    if (!folder.empty() && FolderLength(folder.c_str()) != folder.size())
        folder += '\\';
    return folder + GameProgram;
}
