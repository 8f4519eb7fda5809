#include "update/release_sums.h"

namespace {

const char Header[] = "# korvan release ";
const size_t SumDigits = 64;

bool IsLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

bool ParseReleaseNumber(const std::string& text, uint32_t* number)
{
    if (text.empty() || text.size() > 10 || (text[0] == '0' && text.size() > 1))
        return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return false;
    *number = static_cast<uint32_t>(value);
    return true;
}

int ParseReleaseSums(const std::string& text, ReleaseSums* out)
{
    ReleaseSums result;
    if (text.find('\r') != std::string::npos)
        return 1;
    size_t end = text.find('\n');
    const size_t headerSize = sizeof Header - 1;
    if (end == std::string::npos || text.compare(0, headerSize, Header) != 0 || end < headerSize ||
        !ParseReleaseNumber(text.substr(headerSize, end - headerSize), &result.release))
        return 1;
    for (size_t begin = end + 1; begin < text.size(); begin = end + 1) {
        end = text.find('\n', begin);
        if (end == std::string::npos)
            return 1;
        std::string line = text.substr(begin, end - begin);
        if (line.size() < SumDigits + 3 || line.compare(SumDigits, 2, "  ") != 0)
            return 1;
        for (size_t i = 0; i < SumDigits; ++i)
            if (!IsLowerHex(line[i]))
                return 1;
        if (!result.sums.emplace(line.substr(SumDigits + 2), line.substr(0, SumDigits)).second)
            return 1;
    }
    *out = result;
    return 0;
}
