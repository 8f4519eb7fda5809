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
    parsed.contentRange = ExtractHeaderValue(text, "Content-Range: ", "\r\n");
    return parsed;
}

// Reads 1 to 10 decimal digits at *p, up to 0xFFFFFFFF, and moves *p past them.
// Returns true when there was such a number.
static bool ReadNumber(const char** p, uint64_t* value)
{
    const char* start = *p;
    *value = 0;
    while (**p >= '0' && **p <= '9' && *p - start < 10)
        *value = *value * 10 + static_cast<uint64_t>(*(*p)++ - '0');
    return *p > start && *value <= 0xFFFFFFFFu && !(**p >= '0' && **p <= '9');
}

bool RangeAgrees(const std::string& contentRange, uint32_t from, uint32_t contentLength, uint32_t* total)
{
    static const char Unit[] = "bytes ";
    if (contentRange.compare(0, sizeof Unit - 1, Unit) != 0)
        return false;
    const char* p = contentRange.c_str() + sizeof Unit - 1;
    uint64_t first, last, length;
    if (!ReadNumber(&p, &first) || *p++ != '-' || !ReadNumber(&p, &last) || *p++ != '/' ||
        !ReadNumber(&p, &length) || p != contentRange.c_str() + contentRange.size())
        return false;
    // first <= last: a range ending before it starts has no bytes, and a 206
    // without a length would be read to the connection's end.
    if (first != from || first > last || last + 1 != length || length - first != contentLength)
        return false;
    *total = static_cast<uint32_t>(length);
    return true;
}
