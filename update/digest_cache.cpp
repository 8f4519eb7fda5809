#include "update/digest_cache.h"

#include <windows.h>
#include "common/file_handle.h"
#include "update/md5.h"
#include "update/temp_file.h"

namespace {

// Larger files are not the launcher's digest file.
const DWORD MaxDigestFileSize = 64u << 20;
const size_t ReadSize = 64 * 1024;

// Returns a handle of the listed file opened as FileMd5 opens it (readers only
// share), INVALID_HANDLE_VALUE when it can't be opened.
HANDLE OpenShared(const std::string& name)
{
    return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, NULL);
}

// Returns 0 with what the system says of the open file in *identity, 1 when it
// can't tell.
int IdentityOf(HANDLE file, FileIdentity* identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return 1;
    identity->size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    identity->lastWrite = static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                          info.ftLastWriteTime.dwLowDateTime;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return 0;
}

// Hashes the open file to its end. Returns 0 when every read succeeded, 1
// after a read error; *md5 is then the digest of the bytes read, as FileMd5 gives.
int HashOpenFile(HANDLE file, std::vector<unsigned char>& buffer, std::string* md5)
{
    Md5 sum;
    DWORD read = 0;
    BOOL ok = FALSE;
    while ((ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, NULL)) && read != 0)
        sum.Update(buffer.data(), read);
    unsigned char digest[16];
    sum.Final(digest);
    *md5 = Md5Text(digest);
    return ok ? 0 : 1;
}

// Returns 0 with the whole digest file in *text; 1 when it is missing,
// unreadable or too large to be one.
int ReadDigestText(const char* fileName, std::string* text)
{
    FileHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    LARGE_INTEGER length;
    if (!file.IsOpen() || !GetFileSizeEx(file.handle, &length) || length.QuadPart > MaxDigestFileSize)
        return 1;
    const DWORD size = static_cast<DWORD>(length.QuadPart);
    text->resize(size);
    DWORD read = 0;
    if (size != 0 && (!ReadFile(file.handle, &(*text)[0], size, &read, NULL) || read != size))
        return 1;
    return 0;
}

// Returns the system time as one FILETIME number.
uint64_t Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

}  // namespace

DigestCache::DigestCache(const char* fileName, bool fullCheck) : fileName(fileName), buffer(ReadSize)
{
    std::string text;
    const uint64_t now = Now();
    // A file that can't be read back whole counts as none: its entries are
    // dropped, every file is hashed, and it is written anew.
    if (ReadDigestText(fileName, &text) != 0 || ParseDigestFile(text, &digests) != 0 || fullCheck ||
        FullCheckDue(digests.fullCheckTime, now)) {
        digests = DigestFile();
        digests.fullCheckTime = now;
        changed = true;
    }
}

std::string DigestCache::LocalMd5(const std::string& name)
{
    FileHandle file(OpenShared(name));
    if (!file.IsOpen()) {
        Learn(name, std::string(), nullptr);
        return std::string(32, '0');
    }
    FileIdentity before;
    const bool known = IdentityOf(file.handle, &before) == 0;
    auto entry = digests.entries.find(name);
    if (known && entry != digests.entries.end() && entry->second.identity == before)
        return entry->second.md5;

    std::string md5;
    FileIdentity after;
    // A file that changed while it was read gets no entry: its digest may
    // mix old and new bytes.
    const bool whole = HashOpenFile(file.handle, buffer, &md5) == 0;
    const bool same = known && IdentityOf(file.handle, &after) == 0 && after == before;
    Learn(name, md5, whole && same ? &before : nullptr);
    return md5;
}

void DigestCache::Installed(const std::string& name, const std::string& md5)
{
    FileHandle file(OpenShared(name));
    FileIdentity identity;
    const bool known = file.IsOpen() && IdentityOf(file.handle, &identity) == 0;
    Learn(name, md5, known ? &identity : nullptr);
}

void DigestCache::Learn(const std::string& name, const std::string& md5, const FileIdentity* identity)
{
    auto entry = digests.entries.find(name);
    if (identity == nullptr || !IsStorableEntry(name, md5)) {
        if (entry != digests.entries.end()) {
            digests.entries.erase(entry);
            changed = true;
        }
        return;
    }
    const DigestEntry learned = {md5, *identity};
    if (entry == digests.entries.end() || !(entry->second == learned)) {
        digests.entries[name] = learned;
        changed = true;
    }
}

void DigestCache::Finish()
{
    if (!changed)
        return;
    // Written beside the digest file and moved over it, so that a reader finds
    // the old file or the new one. A failure leaves the old one, silently:
    // the next start then hashes what this one learned again.
    TempFile temp(".");
    if (temp.path[0] == '\0')
        return;
    const std::string text = DigestFileText(digests);
    DWORD written = 0;
    {
        FileHandle file(CreateFileA(temp.path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        if (!file.IsOpen() || !WriteFile(file.handle, text.data(), static_cast<DWORD>(text.size()), &written, NULL) ||
            written != text.size())
            return;
    }
    if (!MoveFileExA(temp.path, fileName.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    temp.Keep();
    changed = false;
}
