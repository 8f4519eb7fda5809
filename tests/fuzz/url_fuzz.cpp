// Fuzzes the URL split and the 32-bit strtoul rule. The input is one URL; it
// is read as the launcher reads it, up to its first NUL.
#include <ctype.h>
#include <errno.h>
#include <string.h>

#include "http/url.h"
#include "tests/fuzz/fuzz_check.h"

// Returns what a 32-bit strtoul with base 10 gives for text, worked out from
// the 64-bit strtoul of glibc.
static uint32_t Strtoul32(const char* text, const char** end)
{
    const char* p = text;
    while (isspace((unsigned char)*p))
        ++p;
    bool negative = *p == '-';
    char* stop;
    errno = 0;
    unsigned long wide = strtoul(text, &stop, 10);
    *end = stop;
    if (errno == ERANGE)
        return 0xFFFFFFFFu;
    // A negative number comes back as 2^64 minus its magnitude.
    unsigned long magnitude = negative ? 0ul - wide : wide;
    if (magnitude > 0xFFFFFFFFul)
        return 0xFFFFFFFFu;
    return (uint32_t)wide;
}

static void CheckStrToUl32(const char* text)
{
    const char* end = nullptr;
    uint32_t value = StrToUl32(text, &end);
    const char* libcEnd = nullptr;
    FUZZ_CHECK(value == Strtoul32(text, &libcEnd));
    FUZZ_CHECK(end == libcEnd);
    FUZZ_CHECK(StrToUl32(text) == value);
}

static void CheckParseUrl(const std::string& url)
{
    UrlParts parts;
    parts.host = "untouched";
    parts.path = "untouched";
    parts.port = 1;
    size_t scheme = url.find("://");
    int result = ParseUrl(url.c_str(), parts);
    if (scheme == std::string::npos) {
        FUZZ_CHECK(result == 1);
        FUZZ_CHECK(parts.host == "untouched" && parts.path == "untouched" && parts.port == 1);
        return;
    }
    FUZZ_CHECK(result == 0);
    size_t hostBegin = scheme + 3;
    size_t hostEnd = url.find_first_of("/:", hostBegin);
    if (hostEnd == std::string::npos)
        hostEnd = url.size();
    FUZZ_CHECK(parts.host == url.substr(hostBegin, hostEnd - hostBegin));
    size_t pathBegin = hostEnd;
    if (hostEnd < url.size() && url[hostEnd] == ':') {
        const char* end = nullptr;
        uint32_t port = StrToUl32(url.c_str() + hostEnd + 1, &end);
        FUZZ_CHECK(parts.port == (uint16_t)port);
        pathBegin = (size_t)(end - url.c_str());
    } else {
        FUZZ_CHECK(parts.port == 80);
    }
    // The path is the rest of the URL from a '/' where the host or port ends, else "/".
    FUZZ_CHECK(!parts.path.empty() && parts.path[0] == '/');
    if (pathBegin < url.size() && url[pathBegin] == '/')
        FUZZ_CHECK(parts.path == url.substr(pathBegin));
    else
        FUZZ_CHECK(parts.path == "/");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string url(input.c_str());
    CheckStrToUl32(url.c_str());
    CheckParseUrl(url);
    return 0;
}
