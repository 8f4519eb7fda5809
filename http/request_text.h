// The exact bytes of the client's HTTP/1.0 GET request.
#pragma once
#include <stdint.h>
#include <string>

// Returns the request head for path on host. osToken is " OS<platform>/<major>.<minor>.<build>;"
// and homePageUrl the maker's home page named in the User-Agent comment. A
// rangeStart above 0 asks for the body from that byte on ("Range: bytes=N-").
std::string RequestText(const std::string& path, const std::string& host,
                        const std::string& osToken, const std::string& homePageUrl,
                        uint32_t rangeStart = 0);
