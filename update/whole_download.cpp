// Archives downloaded whole into a temporary file of the system's temporary folder.
#include "update/archive_download.h"

namespace {

class WholeFile : public ArchiveFile {
public:
    explicit WholeFile(BodySink* sink)
        : file(CreateFileA(temp.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL)),
          sink(sink)
    {
    }

    HRESULT Attempt(const std::string& url, IBindStatusCallback* callback) override
    {
        if (!file.IsOpen())
            return static_cast<HRESULT>(ERROR_INVALID_HANDLE);
        FileDownload download;
        download.file = file.handle;
        return DownloadIntoFile(url.c_str(), download, callback, sink);
    }

    HANDLE Handle() const override { return file.handle; }

private:
    TempFile temp;     // made first, deleted last: the handle closes before
    FileHandle file;
    BodySink* sink;
};

}  // namespace

std::unique_ptr<ArchiveFile> WholeDownload::Open(const std::string&, const std::string&, BodySink* sink)
{
    return std::unique_ptr<ArchiveFile>(new WholeFile(sink));
}
