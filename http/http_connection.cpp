#include "http/http_connection.h"
#include <new>
#include <memory>
#include "http/body_sink.h"

namespace {

const int MaxRequests = 10;
const int FileBlockBytes = 65536;

}  // namespace

HttpConnection::HttpConnection()
    : statusCode(0), contentLength(0), socket(INVALID_SOCKET), file(INVALID_HANDLE_VALUE)
{
}

HttpConnection::~HttpConnection()
{
    if (socket != INVALID_SOCKET)
        closesocket(socket);
    socket = INVALID_SOCKET;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}

HRESULT HttpConnection::OpenUrl(const char* url)
{
    return OpenUrlFrom(url, 0);
}

HRESULT HttpConnection::OpenUrlFrom(const char* url, uint32_t from)
{
    // Each response's Location becomes the next request's URL, verbatim.
    ResponseHead head;
    head.location = url;
    for (int requests = 1;; ++requests) {
        std::string current = head.location;
        HRESULT result = HttpRequestHead(current.c_str(), socket, from, head);
        if (result != 0)
            return result;
        statusCode = head.statusCode;
        contentLength = head.contentLength;
        contentRange = head.contentRange;
        if (statusCode == 200 || (from > 0 && (statusCode == 206 || statusCode == 416)))
            return 0;
        if (statusCode == 404)
            return 2;
        if (requests == MaxRequests)
            return 12;
    }
}

HRESULT HttpConnection::DownloadToFile(const char* url, const char* path,
                                       IBindStatusCallback* callback)
{
    if (file != INVALID_HANDLE_VALUE)
        return 1;
    HANDLE created = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
    if (created == INVALID_HANDLE_VALUE)
        return static_cast<HRESULT>(GetLastError());
    file = created;

    HRESULT result = OpenUrl(url);
    if (result != 0)
        return result;
    if (callback)
        callback->OnProgress(0, contentLength, BINDSTATUS_BEGINDOWNLOADDATA, NULL);
    uint32_t count = 0;
    return ReceiveBody(file, callback, nullptr, count, contentLength);
}

HRESULT HttpConnection::ReceiveBody(HANDLE target, IBindStatusCallback* callback, BodySink* sink,
                                    uint32_t& stored, uint32_t total)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[FileBlockBytes]);
    if (!buffer)
        return E_OUTOFMEMORY;
    uint32_t count = 0;
    for (;;) {
        if (contentLength != 0 && count >= contentLength)
            break;
        int got = recv(socket, buffer.get(), FileBlockBytes, 0);
        if (got == 0)
            break;
        if (got == SOCKET_ERROR)
            return WSAGetLastError();
        DWORD written = 0;
        if (!WriteFile(target, buffer.get(), static_cast<DWORD>(got), &written, NULL) ||
            written != static_cast<DWORD>(got)) {
            DWORD code = GetLastError();
            // A short write without an error code still lost data.
            return static_cast<HRESULT>(code != 0 ? code : ERROR_DISK_FULL);
        }
        count += static_cast<uint32_t>(got);
        stored += static_cast<uint32_t>(got);
        if (sink)
            sink->Add(buffer.get(), static_cast<size_t>(got));
        if (callback && callback->OnProgress(stored, total, BINDSTATUS_DOWNLOADINGDATA, NULL) != 0)
            return E_ABORT;
    }
    if (contentLength != 0 && count != contentLength)
        return RPC_E_INVALID_DATA;
    if (callback)
        callback->OnProgress(stored, total, BINDSTATUS_ENDDOWNLOADDATA, NULL);
    return 0;
}
