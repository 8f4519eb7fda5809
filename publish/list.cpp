// The published list "md5.txt" and the other small files, written so that a
// reader sees either the old or the new file, never a part of one.
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

fs::path PartPath(const fs::path& path)
{
    fs::path part = path;
    part += ".part";
    return part;
}

int ReplaceWithPart(const fs::path& path)
{
    std::error_code ec;
    fs::rename(PartPath(path), path, ec);
    if (!ec)
        return 0;
    fs::remove(PartPath(path), ec);
    return 1;
}

int WriteFileReplacing(const fs::path& path, const std::string& bytes)
{
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    {
        std::ofstream out(PartPath(path), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) {
            fs::remove(PartPath(path), ec);
            return 1;
        }
    }
    return ReplaceWithPart(path);
}
