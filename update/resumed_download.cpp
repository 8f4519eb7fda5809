// Partial archive files: found again by name and MD5, fed to the judge, resumed.
#include "update/resumed_download.h"
#include <set>
#include "http/body_sink.h"
#include "update/md5.h"

namespace {

const char PartialFolder[] = "launcher-partial\\";
const DWORD FeedBlockBytes = 65536;

// Owner of a FindFirstFileA search: closed when the owner goes.
class FileSearch {
public:
    FileSearch(const std::string& pattern, WIN32_FIND_DATAA* found)
        : handle(FindFirstFileA(pattern.c_str(), found)) {}
    ~FileSearch()
    {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    HANDLE handle;
};

// Returns an open handle to the file at path (INVALID_HANDLE_VALUE when it
// can't be opened): read and written by this launcher, read by others only.
HANDLE OpenArchiveFile(const std::string& path, DWORD disposition)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, disposition, 0, NULL);
}

class PartialFile : public ArchiveFile {
public:
    PartialFile(std::string fileName, BodySink* sink) : fileName(std::move(fileName)), sink(sink) {}

    // The first attempt opens the partial; when no partial folder can be made
    // it takes a plain temporary file, whose failure shows its message and throws.
    HRESULT Attempt(const std::string& url, IBindStatusCallback* callback) override
    {
        if (!file.IsOpen())
            OpenPartial();
        if (!file.IsOpen())
            return static_cast<HRESULT>(ERROR_INVALID_HANDLE);
        download.file = file.handle;
        return DownloadIntoFile(url.c_str(), download, callback, sink);
    }

    bool Resumed() const override { return download.appended; }

    void Discard() override
    {
        download.stored = 0;
        download.appended = false;
        // Emptied now: a run killed before the next attempt must not resume these bytes.
        if (file.IsOpen() && SetFilePointer(file.handle, 0, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER)
            SetEndOfFile(file.handle);
    }

    void Finished() override
    {
        file.Reset();
        fallback.reset();
        if (!path.empty() && DeleteFileA(path.c_str()))
            RemoveDirectoryA(folder.c_str());   // only when no other partial is left in it
        path.clear();
    }

    HANDLE Handle() const override { return file.handle; }

private:
    // Takes the partial kept by an earlier run, in whichever folder holds it,
    // else creates it in the first folder that can be made.
    void OpenPartial()
    {
        const std::vector<std::string> folders = PartialFolders();
        for (const std::string& candidate : folders) {
            if (Take(candidate, OpenArchiveFile(candidate + fileName, OPEN_EXISTING))) {
                Feed();
                return;
            }
        }
        for (const std::string& candidate : folders) {
            CreateDirectoryA(candidate.c_str(), NULL);   // an existing folder is fine
            if (Take(candidate, OpenArchiveFile(candidate + fileName, OPEN_ALWAYS)))
                return;
        }
        fallback.reset(new TempFile);
        file.Reset(OpenArchiveFile(fallback->path, OPEN_EXISTING));
    }

    // Holds opened as the partial file of folder. Returns false when it is not open.
    bool Take(const std::string& inFolder, HANDLE opened)
    {
        if (opened == INVALID_HANDLE_VALUE)
            return false;
        file.Reset(opened);
        folder = inFolder;
        path = inFolder + fileName;
        return true;
    }

    // Hands the bytes kept to the sink, which must have seen every byte of the
    // archive before the rest is appended; stored counts the bytes it took.
    void Feed()
    {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file.handle, &size) || size.QuadPart > 0xFFFFFFFFu)
            return;   // nothing counts: the first attempt empties the file
        if (sink == nullptr) {
            download.stored = size.LowPart;
            return;
        }
        sink->Restart();
        std::string buffer(FeedBlockBytes, '\0');
        DWORD read = 0;
        while (download.stored < size.LowPart && ReadFile(file.handle, &buffer[0], FeedBlockBytes, &read, NULL) &&
               read != 0) {
            sink->Add(buffer.data(), read);
            download.stored += read;
        }
    }

    const std::string fileName;
    BodySink* const sink;
    std::string folder, path;          // of the partial held; empty for the fallback
    std::unique_ptr<TempFile> fallback;
    FileHandle file;                   // after the fallback: closed before it is deleted
    FileDownload download;
};

}  // namespace

std::string PartialFileName(const std::string& name, const std::string& md5)
{
    const std::string entry = name + "=" + md5;
    return Md5OfBytes(entry.data(), entry.size()) + ".part";
}

std::vector<std::string> PartialFolders()
{
    std::vector<std::string> folders(1, PartialFolder);
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length > 0 && length < sizeof temp)
        folders.push_back(std::string(temp, length) + PartialFolder);
    return folders;
}

std::unique_ptr<ArchiveFile> ResumedDownload::Open(const std::string& name, const std::string& expectedMd5,
                                                   BodySink* sink)
{
    return std::unique_ptr<ArchiveFile>(new PartialFile(PartialFileName(name, expectedMd5), sink));
}

void ResumedDownload::Completed(const Manifest& list)
{
    std::set<std::string> needed;
    for (const auto& entry : list)
        needed.insert(PartialFileName(entry.first, entry.second));
    for (const std::string& folder : PartialFolders()) {
        WIN32_FIND_DATAA found;
        FileSearch search(folder + "*.part", &found);
        if (search.handle == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && needed.count(found.cFileName) == 0)
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search.handle, &found));
        RemoveDirectoryA(folder.c_str());   // only when it is empty now
    }
}
