// Shared by the fuzz targets: a failed property aborts, so libFuzzer keeps the input.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                   \
        }                                                                              \
    } while (0)

// Returns the input cut at its first two NUL bytes: the texts before each and
// the rest. Returns false (parts untouched) when the input holds fewer than two.
inline bool SplitAtTwoNuls(const uint8_t* data, size_t size, std::string& first,
                           std::string& second, std::string& rest)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t a = input.find('\0');
    if (a == std::string::npos)
        return false;
    size_t b = input.find('\0', a + 1);
    if (b == std::string::npos)
        return false;
    first = input.substr(0, a);
    second = input.substr(a + 1, b - a - 1);
    rest = input.substr(b + 1);
    return true;
}

// Returns true when text ends with suffix.
inline bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
