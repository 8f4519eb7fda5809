// URL rules of the HTTP client: scheme ignored, host, optional port, raw path.
#pragma once
#include <stdint.h>
#include <string>

struct UrlParts {
    std::string host;
    std::string path;
    uint16_t port;
};

// Converts like a 32-bit strtoul with base 10: white space and a sign are
// skipped, conversion stops at the first non-digit, no digits gives 0, an
// overflow gives 0xFFFFFFFF. Returns the value; *end (if given) is where it stopped.
uint32_t StrToUl32(const char* text, const char** end = nullptr);

// Splits url into host, port (80 unless given) and path ("/" unless given).
// Returns 0, or 1 when url has no "://" (parts untouched).
int ParseUrl(const char* url, UrlParts& parts);
