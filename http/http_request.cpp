// One HTTP/1.0 GET transaction on a fresh Winsock 1.1 connection.
#include <windows.h>
#include "http/http_connection.h"
#include "http/request_text.h"
#include "http/response_head.h"
#include "http/url.h"
#include "log/log_printf.h"
#include "server_config.h"

namespace {

// Returns " OS<platform>/<major>.<minor>.<build>;" for the running system.
std::string OsToken()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    char token[64];
    wsprintfA(token, " OS%d/%d.%d.%d;", static_cast<int>(version.dwPlatformId),
              static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion),
              static_cast<int>(version.dwBuildNumber));
    return token;
}

// Looks the host up: by name when it starts with a letter, else as a dotted address.
hostent* LookUpHost(const std::string& host)
{
    char first = host.empty() ? '\0' : host[0];
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))
        return gethostbyname(host.c_str());
    unsigned long address = inet_addr(host.c_str());
    return gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
}

}  // namespace

HRESULT HttpRequest(const char* url, SOCKET& socketSlot, int32_t& statusCode,
                    uint32_t& contentLength, std::string& location)
{
    ResponseHead head;
    HRESULT result = HttpRequestHead(url, socketSlot, 0, head);
    if (result != 0)
        return result;
    statusCode = head.statusCode;
    contentLength = head.contentLength;
    location = head.location;
    return 0;
}

HRESULT HttpRequestHead(const char* url, SOCKET& socketSlot, uint32_t rangeStart, ResponseHead& head)
{
    if (socketSlot != INVALID_SOCKET) {
        closesocket(socketSlot);
        socketSlot = INVALID_SOCKET;
    }
    UrlParts parts;
    if (ParseUrl(url, parts) != 0)
        return E_INVALIDARG;

    socketSlot = socket(AF_INET, SOCK_STREAM, 0);
    int timeout = 10000;
    setsockopt(socketSlot, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(socketSlot, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);

    hostent* entry = LookUpHost(parts.host);
    if (entry == NULL)
        return WSAGetLastError();
    sockaddr_in address;
    ZeroMemory(&address, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(parts.port);
    size_t length = entry->h_length > 0 ? static_cast<size_t>(entry->h_length) : 0;
    if (length > sizeof address.sin_addr)
        length = sizeof address.sin_addr;
    if (entry->h_addr_list[0] != NULL)
        memcpy(&address.sin_addr, entry->h_addr_list[0], length);
    if (connect(socketSlot, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        int code = WSAGetLastError();
        LogPrintf("connect error=%d\r\n", code);
        return code;
    }

    std::string buffer = RequestText(parts.path, parts.host, OsToken(), KORVAN_HOME_PAGE_URL, rangeStart);
    send(socketSlot, buffer.data(), static_cast<int>(buffer.size()), 0);

    // One byte per receive, so that no byte of the body is consumed.
    buffer.clear();
    for (;;) {
        char byte;
        int got = recv(socketSlot, &byte, 1, 0);
        if (got == SOCKET_ERROR)
            return WSAGetLastError();
        if (got == 0)
            return RPC_E_INVALID_HEADER;
        HeadState state = AppendHeadByte(buffer, byte);
        if (state == HeadTooLong)
            return RPC_E_INVALID_HEADER;
        if (state == HeadComplete)
            break;
    }

    head = ParseResponseHead(buffer);
    return 0;
}
