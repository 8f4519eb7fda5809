#include "update/key_value_list.h"

#include <string.h>

bool ByteOrder::operator()(const std::string& a, const std::string& b) const
{
    size_t shorter = a.size() < b.size() ? a.size() : b.size();
    // memcmp compares as unsigned char, so 0x80 and above sort after ASCII.
    int order = shorter ? memcmp(a.data(), b.data(), shorter) : 0;
    if (order != 0)
        return order < 0;
    return a.size() < b.size();
}

std::vector<std::string> SplitString(const std::string& text, const char* separator)
{
    std::vector<std::string> items;
    size_t n = strlen(separator);
    size_t start = 0;
    for (size_t p = text.find(separator, start, n); p != std::string::npos;
         p = text.find(separator, start, n)) {
        items.emplace_back(text, start, p - start);
        start = p + n;
    }
    if (start < text.size())
        items.emplace_back(text, start);
    return items;
}

Manifest ParseKeyValueList(const std::string& text, const char* pairSeparator,
                           const char* keyValueSeparator)
{
    Manifest map;
    size_t n = strlen(keyValueSeparator);
    for (const std::string& item : SplitString(text, pairSeparator)) {
        size_t p = item.find(keyValueSeparator, 0, n);
        if (p == std::string::npos)
            map.emplace(item, std::string());  // never overwrites a given value
        else
            map[item.substr(0, p)] = item.substr(p + n);
    }
    return map;
}
