#include "http/url.h"
#include <string.h>

uint32_t StrToUl32(const char* text, const char** end)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    const char* digits = p;
    uint64_t value = 0;
    bool overflow = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    if (p == digits) {
        // No digits: nothing was converted, not even the sign or blanks.
        if (end)
            *end = text;
        return 0;
    }
    if (end)
        *end = p;
    if (overflow)
        return 0xFFFFFFFFu;
    uint32_t result = static_cast<uint32_t>(value);
    return negative ? 0u - result : result;
}

int ParseUrl(const char* url, UrlParts& parts)
{
    const char* scheme = strstr(url, "://");
    if (scheme == nullptr)
        return 1;
    const char* host = scheme + 3;
    const char* p = host + strcspn(host, "/:");
    parts.host.assign(host, p);
    parts.port = 80;
    if (*p == ':')
        parts.port = static_cast<uint16_t>(StrToUl32(p + 1, &p));
    parts.path = *p == '/' ? std::string(p) : std::string("/");
    return 0;
}
