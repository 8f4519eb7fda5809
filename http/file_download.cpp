#include "http/file_download.h"
#include "http/body_sink.h"
#include "http/http_connection.h"
#include "http/response_head.h"

// Cuts file after its first size bytes and puts the write position there.
// Returns 0, or the Win32 code of the failure.
static HRESULT CutAfter(HANDLE file, uint32_t size)
{
    if (SetFilePointer(file, static_cast<LONG>(size), NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return static_cast<HRESULT>(GetLastError());
    if (!SetEndOfFile(file))
        return static_cast<HRESULT>(GetLastError());
    return 0;
}

HRESULT DownloadIntoFile(const char* url, FileDownload& download, IBindStatusCallback* callback, BodySink* sink)
{
    download.appended = false;
    // Whatever lies past the stored bytes never counts.
    HRESULT result = CutAfter(download.file, download.stored);
    if (result != 0)
        return result;
    HttpConnection connection;
    if ((result = connection.OpenUrlFrom(url, download.stored)) != 0)
        return result;
    uint32_t total = 0;
    bool append = download.stored > 0 && connection.statusCode == 206 &&
                  RangeAgrees(connection.contentRange, download.stored, connection.contentLength, &total);
    if (!append && connection.statusCode != 200) {
        // A 416 or a range that does not fit: the stored bytes are not this
        // body's start. They go now, so that no later attempt or run resumes them.
        download.stored = 0;
        if ((result = CutAfter(download.file, 0)) != 0)
            return result;
        if ((result = connection.OpenUrlFrom(url, 0)) != 0)
            return result;
    }
    if (!append) {
        download.stored = 0;
        total = connection.contentLength;
        if (sink)
            sink->Restart();
        if ((result = CutAfter(download.file, 0)) != 0)
            return result;
    }

    if (callback) {
        callback->OnProgress(0, total, BINDSTATUS_BEGINDOWNLOADDATA, NULL);
        // The bar starts where the stored bytes end.
        if (append && callback->OnProgress(download.stored, total, BINDSTATUS_DOWNLOADINGDATA, NULL) != 0)
            return E_ABORT;
    }
    result = connection.ReceiveBody(download.file, callback, sink, download.stored, total);
    download.appended = append && result == 0;
    return result;
}
