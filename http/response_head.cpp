#include "http/response_head.h"
#include <string.h>
#include "http/url.h"

HeadState AppendHeadByte(std::string& head, char byte)
{
    head += byte;
    if (head.size() > MaxResponseHeadBytes)
        return HeadTooLong;
    if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0)
        return HeadComplete;
    return HeadIncomplete;
}

std::string ExtractHeaderValue(const char* head, const char* key, const char* terminator)
{
    const char* found = strstr(head, key);
    if (found == nullptr)
        return std::string();
    const char* start = found + strlen(key);
    const char* end = strstr(start, terminator);
    if (end == nullptr)
        return std::string();
    return std::string(start, end);
}

ResponseHead ParseResponseHead(const std::string& head)
{
    const char* text = head.c_str();
    ResponseHead parsed;
    uint32_t status = StrToUl32(ExtractHeaderValue(text, "HTTP/1.1 ", "\r\n").c_str());
    if (status == 0)
        status = StrToUl32(ExtractHeaderValue(text, "HTTP/1.0 ", "\r\n").c_str());
    parsed.statusCode = static_cast<int32_t>(status);
    parsed.contentLength = StrToUl32(ExtractHeaderValue(text, "Content-Length: ", "\r\n").c_str());
    parsed.location = ExtractHeaderValue(text, "Location: ", "\r\n");
    return parsed;
}
