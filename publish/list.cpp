// The published list "md5.txt": its text, and reading it and other small files.
#include "publish/list.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

std::string ListText(const Manifest& list)
{
    std::string text;
    for (const auto& entry : list) {
        if (!text.empty())
            text += '&';
        text += entry.first;
        text += '=';
        text += entry.second;
    }
    return text;
}

int ReadWholeFile(const fs::path& path, std::string& text)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return 1;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 2;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? 2 : 0;
}

int ReadListFile(const fs::path& path, std::string& text, Manifest& list)
{
    int result = ReadWholeFile(path, text);
    if (result == 0)
        list = ParseKeyValueList(text, "&", "=");
    return result;
}
