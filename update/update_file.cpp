#include "update/update_file.h"
#include <string>
#include "http/progress_callback.h"
#include "log/log_printf.h"
#include "update/ansi_lead_byte.h"
#include "update/base_url.h"
#include "update/file_md5.h"
#include "update/file_error.h"
#include "update/file_name_check.h"
#include "update/gunzip_file.h"
#include "update/md5.h"
#include "update/temp_file.h"
#include "update/update_parts.h"
#include "update/wait_while_running.h"

// Appended to the file name when the unpacked file does not verify. Shift-JIS:
// " invalid md5", then "A restart of the computer may be needed when this error
// appears" and "If Korvan is running, please quit it", each line marked with a
// reference mark.
static const char VerifyFailedText[] =
    " invalid md5\r\n\r\n"
    "\x81\xa6\x82\xb1\x82\xcc\x83\x47\x83\x89\x81\x5b\x82\xaa\x8f\x6f\x82\xe9\x8f\xea"
    "\x8d\x87\x82\xc9\x82\xcd\x83\x52\x83\x93\x83\x73\x83\x85\x81\x5b\x83\x5e\x82\xcc"
    "\x8d\xc4\x8b\x4e\x93\xae\x82\xaa\x95\x4b\x97\x76\x82\xc8\x8f\xea\x8d\x87\x82\xaa"
    "\x82\xa0\x82\xe8\x82\xdc\x82\xb7\r\n"
    "\x81\xa6Korvan\x82\xf0\x8b\x4e\x93\xae\x82\xb5\x82\xc4\x82\xa2\x82\xe9\x8f\xea"
    "\x8d\x87\x82\xc9\x82\xcd\x8f\x49\x97\xb9\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\r\n";

// Appended to a listed name that would leave the working directory.
static const char InvalidNameText[] = " invalid file name";

// Creates the folders of a relative name that don't exist yet, level by level,
// so that a file of a subfolder new to this player can be installed. The name
// was checked to stay below the working directory. Returns the folder part of
// the name ("." when it has none).
static std::string MakeNameFolder(const char* name)
{
    size_t end = 0;
    for (size_t i = 0; name[i] != '\0'; ++i) {
        if (IsAnsiLeadByte(static_cast<unsigned char>(name[i])) && name[i + 1] != '\0') {
            ++i;
        } else if (name[i] == '\\' || name[i] == '/') {
            CreateDirectoryA(std::string(name, i).c_str(), NULL);  // an existing level is fine
            end = i + 1;
        }
    }
    return end == 0 ? std::string(".") : std::string(name, end);
}

// Unpacks the open archive next to target, verifies it and only then moves it
// over target, so that target is always either the old or the verified new file.
// Returns 0 when target now holds the verified file, 1 otherwise (target unchanged).
static int InstallVerified(HANDLE archive, const char* target, const std::string& expectedMd5)
{
    TempFile unpacked(MakeNameFolder(target).c_str());
    if (unpacked.path[0] == '\0')
        return 1;
    GunzipHandle(archive, unpacked.path);
    if (!Md5TextEqual(FileMd5(unpacked.path), expectedMd5))
        return 1;
    if (!MoveFileExA(unpacked.path, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    unpacked.Keep();
    return 0;
}

// Downloads the archive at url into archive, retrying every 10 s while the
// launcher runs. Returns 0 when it has arrived, 1 when the launcher is closing.
static int DownloadArchive(HWND window, const RunFlag* running, const char* name, const std::string& url,
                           ArchiveFile& archive, ProgressCallback& callback)
{
    LogPrintf("GOING DOWNLOAD %s BEGIN\r\n", name);
    for (;;) {
        callback.AddRef();
        HRESULT result = archive.Attempt(url, &callback);
        callback.Release();
        if (result == 0 || !running->load())
            break;
        ShowWindow(window, SW_SHOW);
        WaitWhileRunning(10000, running);
    }
    LogPrintf("GOING DOWNLOAD %s END\r\n", name);
    return running->load() ? 0 : 1;
}

// Downloads and installs a file whose name was checked. Returns 0 or 1 as
// UpdateFile; throws when no file for the archive can be made.
static int DownloadAndInstall(HWND window, HWND fileBar, const RunFlag* running,
                              const std::string& wholeName, const std::string& expectedMd5, UpdateParts& parts)
{
    const char* name = wholeName.c_str();
    ProgressCallback callback(fileBar, running);
    std::unique_ptr<ArchiveJudge> judge = parts.release->JudgeArchive(wholeName);
    std::unique_ptr<ArchiveFile> archive = parts.download->Open(wholeName, expectedMd5, judge.get());
    if (Md5TextEqual(parts.digests->LocalMd5(wholeName), expectedMd5))
        return 0;

    std::string url = std::string(GetBaseUrl()) + name + ".gz";
    for (bool discarded = false;; discarded = true) {
        if (DownloadArchive(window, running, name, url, *archive, callback) != 0)
            return 1;
        const char* failure = nullptr;
        // zlib only ever reads bytes that passed the judge.
        if (judge && !judge->Matches())
            failure = InvalidSignatureText;
        else if (InstallVerified(archive->Handle(), name, expectedMd5) != 0)
            failure = VerifyFailedText;
        if (failure == nullptr) {
            archive->Finished();
            parts.digests->Installed(wholeName, expectedMd5);
            return 0;
        }
        if (!archive->Resumed() || discarded) {
            archive->Finished();
            ShowFileError(window, running, name, failure);
            return 1;
        }
        // Bytes kept from an earlier attempt may be stale: once more from the first
        // byte, and only once, so that a bad archive behind a cutting server ends in
        // the message rather than in downloads without end.
        archive->Discard();
    }
}

int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const std::string& name,
               const std::string& expectedMd5, UpdateParts& parts)
{
    // The whole name is checked; only then is it used as a C string, which
    // it now is to its last byte.
    if (!IsSafeFileName(name, IsAnsiLeadByte)) {
        ShowFileError(window, running, name.c_str(), InvalidNameText);
        return 1;
    }
    if (IsUpdateSkipped(name.c_str()))
        return 0;
    try {
        return DownloadAndInstall(window, fileBar, running, name, expectedMd5, parts);
    } catch (int) {
        // The temporary file failed and its message was shown: the run stops.
        return 1;
    }
}

int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const std::string& name,
               const std::string& expectedMd5)
{
    UpdateParts parts = PlainUpdateParts();
    return UpdateFile(window, fileBar, running, name, expectedMd5, parts);
}

bool IsUpdateSkipped(const char* name)
{
    std::string marker = std::string(name) + ".skipupdate";
    if (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    LogPrintf("SKIPUPDATE %s\r\n", name);
    return true;
}
