// Reading and writing the signed statement of a release ("SHA256SUMS").
#include "update/release_sums.h"

#include <algorithm>

namespace {

const char Header[] = "# korvan release ";
const size_t SumDigits = 64;

bool IsLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Returns 1 after setting *why (when given) to "line N " and what is wrong.
int Refuse(std::string* why, size_t line, const std::string& what)
{
    if (why)
        *why = "line " + std::to_string(line) + " " + what;
    return 1;
}

// Reads one "<sum>  <name>" line into sums. Returns 0, or 1 (why says how it is wrong).
int ParseSumLine(const std::string& line, size_t number, ReleaseSums& result, std::string* why)
{
    if (line.size() < SumDigits + 2 || line.compare(SumDigits, 2, "  ") != 0 ||
        !std::all_of(line.begin(), line.begin() + SumDigits, IsLowerHex))
        return Refuse(why, number, "is not \"<64 lower-case hexadecimal digits>  <name>\"");
    if (line.size() == SumDigits + 2)
        return Refuse(why, number, "names no file");
    if (!result.sums.emplace(line.substr(SumDigits + 2), line.substr(0, SumDigits)).second)
        return Refuse(why, number, "names a file that an earlier line names");
    return 0;
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

int ParseReleaseSums(const std::string& text, ReleaseSums* out, std::string* why)
{
    ReleaseSums result;
    size_t cr = text.find('\r');
    if (cr != std::string::npos)
        return Refuse(why, 1 + std::count(text.begin(), text.begin() + cr, '\n'), "holds a CR");
    size_t end = text.find('\n');
    const size_t headerSize = sizeof Header - 1;
    if (end == std::string::npos)
        return Refuse(why, 1, "does not end with LF");
    if (text.compare(0, headerSize, Header) != 0 || end < headerSize ||
        !ParseReleaseNumber(text.substr(headerSize, end - headerSize), &result.release))
        return Refuse(why, 1, "is not \"# korvan release N\" with N from 0 to 4294967295");
    size_t number = 2;
    for (size_t begin = end + 1; begin < text.size(); begin = end + 1, ++number) {
        end = text.find('\n', begin);
        if (end == std::string::npos)
            return Refuse(why, number, "does not end with LF");
        if (ParseSumLine(text.substr(begin, end - begin), number, result, why) != 0)
            return 1;
    }
    *out = result;
    return 0;
}

std::string ReleaseSumsText(uint32_t release, const std::vector<std::pair<std::string, std::string>>& lines)
{
    std::string text = Header + std::to_string(release) + "\n";
    for (const auto& line : lines)
        text += line.second + "  " + line.first + "\n";
    return text;
}
