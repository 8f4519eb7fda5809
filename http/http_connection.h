// One download attempt's socket and target file, and the single HTTP/1.0 GET.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <stdint.h>
#include <string>

class HttpConnection {
public:
    HttpConnection();
    virtual ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Follows up to 10 responses; returns 0 with the socket at the body of a 200,
    // 2 for 404, 12 after the tenth other response, or a transaction failure code.
    HRESULT OpenUrl(const char* url);

    // Streams the body of url into a new file at path. Returns 0, 1 when this
    // connection already has a file, E_ABORT, RPC_E_INVALID_DATA, or a Winsock,
    // Win32 or transaction code. Socket and file stay open until destruction.
    HRESULT DownloadToFile(const char* url, const char* path, IBindStatusCallback* callback);

    int32_t statusCode;
    uint32_t contentLength;
    SOCKET socket;
    HANDLE file;
};

// One GET transaction on a fresh connection stored in socketSlot. Returns 0 with
// the socket positioned at the first body byte, E_INVALIDARG for a URL without
// "://", RPC_E_INVALID_HEADER for a head cut short or over 4,095 bytes, or a
// Winsock code. The outputs are written only on success; url may alias location.
HRESULT HttpRequest(const char* url, SOCKET& socketSlot, int32_t& statusCode,
                    uint32_t& contentLength, std::string& location);
