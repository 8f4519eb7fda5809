// Fuzzes SplitString and ParseKeyValueList with any separators. The input is
// pair separator NUL key/value separator NUL text; without two NUL bytes it is
// the text of a list, parsed with "&" and "=" as the launcher does.
#include <iterator>
#include <map>
#include <string.h>

#include "tests/fuzz/fuzz_check.h"
#include "update/key_value_list.h"

// Returns the first position at or after from where separator stands in text,
// found by comparing at every position; npos when there is none.
static size_t FindAt(const std::string& text, const std::string& separator, size_t from)
{
    for (size_t p = from; p + separator.size() <= text.size(); ++p)
        if (memcmp(text.data() + p, separator.data(), separator.size()) == 0)
            return p;
    return std::string::npos;
}

static void CheckSplit(const std::string& text, const std::string& separator,
                       const std::vector<std::string>& items)
{
    std::vector<std::string> expected;
    size_t start = 0;
    for (size_t p; (p = FindAt(text, separator, start)) != std::string::npos; start = p + separator.size())
        expected.push_back(text.substr(start, p - start));
    if (start < text.size())
        expected.push_back(text.substr(start));
    FUZZ_CHECK(items == expected);

    // Joined with the separator the items give the text back, but for a
    // separator at the very end, which leaves no empty item.
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i)
        joined += (i ? separator : std::string()) + items[i];
    bool trailing = !text.empty() && start == text.size();
    FUZZ_CHECK((trailing ? joined + separator : joined) == text);
    for (const std::string& item : items)
        FUZZ_CHECK(FindAt(item, separator, 0) == std::string::npos);
}

static void CheckParse(const std::vector<std::string>& items, const std::string& keyValueSeparator,
                       const Manifest& parsed)
{
    // std::string orders by unsigned bytes too, so both maps iterate alike.
    std::map<std::string, std::string> expected;
    for (const std::string& item : items) {
        size_t p = FindAt(item, keyValueSeparator, 0);
        if (p == std::string::npos)
            expected.emplace(item, std::string());
        else
            expected[item.substr(0, p)] = item.substr(p + keyValueSeparator.size());
    }
    FUZZ_CHECK(parsed.size() == expected.size());
    auto e = expected.begin();
    for (auto it = parsed.begin(); it != parsed.end(); ++it, ++e) {
        FUZZ_CHECK(it->first == e->first);
        FUZZ_CHECK(it->second == e->second);
    }
    const ByteOrder before;
    for (auto it = parsed.begin(); it != parsed.end() && std::next(it) != parsed.end(); ++it) {
        FUZZ_CHECK(before(it->first, std::next(it)->first));
        FUZZ_CHECK(!before(std::next(it)->first, it->first));
        FUZZ_CHECK(!before(it->first, it->first));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string pairSeparator = "&", keyValueSeparator = "=", text;
    if (!SplitAtTwoNuls(data, size, pairSeparator, keyValueSeparator, text))
        text.assign(reinterpret_cast<const char*>(data), size);
    // Neither separator may be empty.
    if (pairSeparator.empty())
        pairSeparator = "&";
    if (keyValueSeparator.empty())
        keyValueSeparator = "=";

    std::vector<std::string> items = SplitString(text, pairSeparator.c_str());
    CheckSplit(text, pairSeparator, items);
    Manifest parsed = ParseKeyValueList(text, pairSeparator.c_str(), keyValueSeparator.c_str());
    CheckParse(items, keyValueSeparator, parsed);
    return 0;
}
