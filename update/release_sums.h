// The signed statement of a release ("SHA256SUMS"): a first line
// "# korvan release N", then "<64 lower-case hex>  <name>\n" lines. One reader
// and one writer for the launcher and the publisher.
#pragma once
#include <stdint.h>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "update/key_value_list.h"

struct ReleaseSums {
    uint32_t release = 0;
    // Name (bytes, exactly as listed) to its 64-digit SHA-256 text.
    std::map<std::string, std::string, ByteOrder> sums;
};

// Reads a release number: 1 to 10 decimal digits, no sign, no leading zero
// (except "0" itself), at most 4294967295. Returns true and sets *number when
// text is such a number, false otherwise.
bool ParseReleaseNumber(const std::string& text, uint32_t* number);

// Parses text into *out. Returns 0 when it is well formed, 1 otherwise: the
// first line missing or not "# korvan release N", a line without its LF, a
// CR anywhere, a sum that is not 64 lower-case hex digits, a separator other
// than two spaces, an empty name, or a name listed twice. When why is given,
// a refusal says there which line is wrong and how.
int ParseReleaseSums(const std::string& text, ReleaseSums* out, std::string* why = nullptr);

// Returns the statement of release for lines of (name, SHA-256 text), in the
// order given: "# korvan release N", then "<sum>  <name>" for each, every line
// ending in LF, as sha256sum writes them.
std::string ReleaseSumsText(uint32_t release, const std::vector<std::pair<std::string, std::string>>& lines);
