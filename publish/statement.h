// The signed statement SHA256SUMS: "# korvan release N", then one line
// "<sha-256>  <name>" for md5.txt and for every archive, as sha256sum writes them.
#pragma once
#include <string>
#include <utility>
#include <vector>

// One line of the statement: name and 64 lower-case hexadecimal digits.
typedef std::vector<std::pair<std::string, std::string>> Sums;

// Returns the statement text of release number for sums, in the order given.
std::string StatementText(unsigned long long number, const Sums& sums);

// Reads a statement. Returns 0 with its number and lines, or 1 when it is not
// one (why says where).
int ParseStatement(const std::string& text, unsigned long long& number, Sums& sums, std::string& why);
