// One download attempt's socket and target file, and the single HTTP/1.0 GET.
#pragma once
#include <windows.h>
#include <urlmon.h>
#include <stdint.h>
#include <string>
#include "http/response_head.h"

class BodySink;

class HttpConnection {
public:
    HttpConnection();
    virtual ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Follows up to 10 responses; returns 0 with the socket at the body of a 200,
    // 2 for 404, 12 after the tenth other response, or a transaction failure code.
    HRESULT OpenUrl(const char* url);

    // OpenUrl asking for the body from byte from on (when from > 0): a 206 or
    // 416 answer then ends the loop as well, with 0; statusCode and
    // contentRange tell what came.
    HRESULT OpenUrlFrom(const char* url, uint32_t from);

    // Receives the body after the head into target (which this object does not
    // own), sink (may be null) seeing each stored block. stored counts the
    // body bytes target holds, reports go out as stored of total. Returns 0,
    // E_ABORT, RPC_E_INVALID_DATA (not Content-Length bytes), a Winsock or
    // Win32 code; stored is right on every return.
    HRESULT ReceiveBody(HANDLE target, IBindStatusCallback* callback, BodySink* sink, uint32_t& stored,
                        uint32_t total);

    // Streams the body of url into a new file at path. Returns 0, 1 when this
    // connection already has a file, E_ABORT, RPC_E_INVALID_DATA, or a Winsock,
    // Win32 or transaction code. Socket and file stay open until destruction.
    HRESULT DownloadToFile(const char* url, const char* path, IBindStatusCallback* callback);

    int32_t statusCode;
    uint32_t contentLength;
    SOCKET socket;
    HANDLE file;
    std::string contentRange;   // of the last head, for OpenUrlFrom's callers
};

// One GET transaction on a fresh connection stored in socketSlot. Returns 0 with
// the socket positioned at the first body byte, E_INVALIDARG for a URL without
// "://", RPC_E_INVALID_HEADER for a head cut short or over 4,095 bytes, or a
// Winsock code. The outputs are written only on success; url may alias location.
HRESULT HttpRequest(const char* url, SOCKET& socketSlot, int32_t& statusCode,
                    uint32_t& contentLength, std::string& location);

// The same transaction asking for the body from byte rangeStart on when it is
// above 0; the whole parsed head lands in head. Returns the same codes.
HRESULT HttpRequestHead(const char* url, SOCKET& socketSlot, uint32_t rangeStart, ResponseHead& head);
