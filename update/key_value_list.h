// The "name=md5&name=md5" list format, parsed into a byte-ordered map.
#pragma once
#include <map>
#include <string>
#include <vector>

// Orders keys by their bytes as unsigned values; a prefix comes first.
struct ByteOrder {
    bool operator()(const std::string& a, const std::string& b) const;
};

// File name to MD5 text, in byte order of the names.
using Manifest = std::map<std::string, std::string, ByteOrder>;

// Returns the items of text between occurrences of separator (non-empty);
// empty items are kept except a trailing one.
std::vector<std::string> SplitString(const std::string& text, const char* separator);

// Returns the map of the items of text: key before the first keyValueSeparator,
// value after it; the last item with a separator wins for a key.
Manifest ParseKeyValueList(const std::string& text, const char* pairSeparator,
                           const char* keyValueSeparator);
