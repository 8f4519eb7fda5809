// The signed statement SHA256SUMS.
#include "publish/statement.h"

#include <stdlib.h>

static const char kFirstLine[] = "# korvan release ";

std::string StatementText(unsigned long long number, const Sums& sums)
{
    std::string text = kFirstLine + std::to_string(number) + "\n";
    for (const auto& sum : sums)
        text += sum.second + "  " + sum.first + "\n";
    return text;
}

// Returns true for 64 lower-case hexadecimal digits.
static bool IsSha256Text(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

int ParseStatement(const std::string& text, unsigned long long& number, Sums& sums, std::string& why)
{
    sums.clear();
    if (text.empty() || text.back() != '\n') {
        why = "does not end with a line end";
        return 1;
    }
    size_t end = text.find('\n');
    std::string first = text.substr(0, end);
    std::string digits = first.compare(0, sizeof kFirstLine - 1, kFirstLine) == 0 ? first.substr(sizeof kFirstLine - 1) : "";
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos ||
        (digits[0] == '0')) {
        why = "first line is not \"# korvan release N\"";
        return 1;
    }
    number = strtoull(digits.c_str(), nullptr, 10);
    for (size_t start = end + 1; start < text.size();) {
        size_t lineEnd = text.find('\n', start);
        std::string line = text.substr(start, lineEnd - start);
        if (line.size() < 67 || !IsSha256Text(line.substr(0, 64)) || line.compare(64, 2, "  ") != 0) {
            why = "line " + std::to_string(sums.size() + 2) + " is not \"<sha-256>  <name>\"";
            return 1;
        }
        sums.emplace_back(line.substr(66), line.substr(0, 64));
        start = lineEnd + 1;
    }
    return 0;
}
