#include "update/digest_file.h"

namespace {

const char Header[] = "korvan-digests 1\n";
const char FullCheck[] = "full-check ";
const uint64_t FullCheckInterval = 30ull * 24 * 3600 * 10000000;  // 30 days in 100 ns

// Widths of the numbers of an entry line, after the MD5 text and a space, each
// followed by a space; the name starts after the last one.
const size_t Md5Digits = 32;
const size_t NumberWidths[] = {16, 16, 8, 16};
const size_t NameStart = Md5Digits + 1 + 16 + 1 + 16 + 1 + 8 + 1 + 16 + 1;

bool IsLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

void AppendHex(std::string* text, uint64_t value, size_t digits)
{
    static const char hex[] = "0123456789abcdef";
    for (size_t i = digits; i-- > 0;)
        *text += hex[(value >> (4 * i)) & 15];
}

// Reads digits lower-case hex digits at text[pos]. Returns true and sets *value
// when they are all there.
bool ReadHex(const std::string& text, size_t pos, size_t digits, uint64_t* value)
{
    if (pos + digits > text.size())
        return false;
    uint64_t result = 0;
    for (size_t i = pos; i < pos + digits; ++i) {
        if (!IsLowerHex(text[i]))
            return false;
        result = result << 4 | static_cast<uint64_t>(text[i] <= '9' ? text[i] - '0' : text[i] - 'a' + 10);
    }
    *value = result;
    return true;
}

// Parses one entry line (without its LF) into *file. Returns true when it is
// well formed and its name is new.
bool ReadEntry(const std::string& line, DigestFile* file)
{
    if (line.size() <= NameStart || line[Md5Digits] != ' ')
        return false;
    uint64_t numbers[4] = {};
    size_t pos = Md5Digits + 1;
    for (size_t i = 0; i < 4; ++i) {
        if (!ReadHex(line, pos, NumberWidths[i], &numbers[i]) || line[pos + NumberWidths[i]] != ' ')
            return false;
        pos += NumberWidths[i] + 1;
    }
    DigestEntry entry;
    entry.md5 = line.substr(0, Md5Digits);
    entry.identity.size = numbers[0];
    entry.identity.lastWrite = numbers[1];
    entry.identity.volume = static_cast<uint32_t>(numbers[2]);
    entry.identity.index = numbers[3];
    const std::string name = line.substr(NameStart);
    // The MD5 text and the name are checked as a writer checks them.
    return IsStorableEntry(name, entry.md5) && file->entries.emplace(name, entry).second;
}

}  // namespace

bool IsStorableEntry(const std::string& name, const std::string& md5)
{
    if (name.empty() || md5.size() != Md5Digits)
        return false;
    for (unsigned char c : name)
        if (c < 0x20)
            return false;
    for (char c : md5)
        if (!IsLowerHex(c))
            return false;
    return true;
}

std::string DigestFileText(const DigestFile& file)
{
    std::string text = Header;
    text += FullCheck;
    AppendHex(&text, file.fullCheckTime, 16);
    text += '\n';
    for (const auto& item : file.entries) {
        const DigestEntry& entry = item.second;
        if (!IsStorableEntry(item.first, entry.md5))
            continue;
        text += entry.md5 + ' ';
        AppendHex(&text, entry.identity.size, 16);
        text += ' ';
        AppendHex(&text, entry.identity.lastWrite, 16);
        text += ' ';
        AppendHex(&text, entry.identity.volume, 8);
        text += ' ';
        AppendHex(&text, entry.identity.index, 16);
        text += ' ' + item.first + '\n';
    }
    return text;
}

int ParseDigestFile(const std::string& text, DigestFile* out)
{
    DigestFile result;
    const size_t headerSize = sizeof Header - 1;
    const size_t checkSize = sizeof FullCheck - 1;
    if (text.find('\r') != std::string::npos || text.compare(0, headerSize, Header) != 0 ||
        text.compare(headerSize, checkSize, FullCheck) != 0 ||
        !ReadHex(text, headerSize + checkSize, 16, &result.fullCheckTime) ||
        text.size() <= headerSize + checkSize + 16 || text[headerSize + checkSize + 16] != '\n')
        return 1;
    for (size_t begin = headerSize + checkSize + 17; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos || !ReadEntry(text.substr(begin, end - begin), &result))
            return 1;
        begin = end + 1;
    }
    *out = result;
    return 0;
}

bool FullCheckDue(uint64_t lastCheck, uint64_t now)
{
    return lastCheck > now || now - lastCheck > FullCheckInterval;
}
