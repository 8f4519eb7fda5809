#include "http/download.h"
#include <new>
#include "http/http_connection.h"

namespace {

const int TextBlockBytes = 8192;

// Reads the body after a 200 head into text. Returns 0, E_ABORT, E_OUTOFMEMORY,
// RPC_E_INVALID_DATA (whole, and fewer bytes than the head announced) or a Winsock code.
HRESULT ReadBody(HttpConnection& connection, std::string& text, IBindStatusCallback* callback, bool whole)
{
    const uint32_t contentLength = connection.contentLength;
    char buffer[TextBlockBytes];
    for (;;) {
        if (contentLength != 0 && text.size() >= contentLength)
            break;
        int got = recv(connection.socket, buffer, TextBlockBytes, 0);
        if (got == 0)
            break;
        if (got == SOCKET_ERROR)
            return WSAGetLastError();
        // Never let a server grow the text without bound.
        if (text.size() + static_cast<size_t>(got) > MaxDownloadTextBytes)
            return E_OUTOFMEMORY;
        try {
            text.append(buffer, static_cast<size_t>(got));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (callback &&
            callback->OnProgress(static_cast<ULONG>(text.size()), contentLength, BINDSTATUS_DOWNLOADINGDATA, NULL) != 0)
            return E_ABORT;
    }
    if (whole && text.size() < contentLength)
        return RPC_E_INVALID_DATA;
    if (callback)
        callback->OnProgress(static_cast<ULONG>(text.size()), contentLength, BINDSTATUS_ENDDOWNLOADDATA, NULL);
    return 0;
}

// DownloadUrl's work; whole as for ReadBody.
HRESULT Download(const char* url, std::string& text, IBindStatusCallback* callback, bool whole)
{
    if (callback)
        callback->AddRef();
    HttpConnection connection;
    HRESULT result = connection.OpenUrl(url);
    if (result == 0) {
        if (callback)
            callback->OnProgress(0, connection.contentLength, BINDSTATUS_BEGINDOWNLOADDATA, NULL);
        result = ReadBody(connection, text, callback, whole);
    }
    if (connection.socket != INVALID_SOCKET) {
        closesocket(connection.socket);
        connection.socket = INVALID_SOCKET;
    }
    if (callback)
        callback->Release();
    return result;
}

}  // namespace

HRESULT DownloadUrl(IUnknown* caller, const char* url, std::string& text, DWORD reserved,
                    IBindStatusCallback* callback)
{
    return Download(url, text, callback, false);
}

HRESULT DownloadToString(const char* url, std::string& text)
{
    return DownloadUrl(NULL, url, text, 0, NULL);
}

HRESULT DownloadWholeToString(const char* url, std::string& text)
{
    return Download(url, text, NULL, true);
}
