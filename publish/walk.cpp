// Walks the game folder and names its .exe and .dll files as the launcher will.
#include "publish/walk.h"

#include <algorithm>
#include <system_error>

#include "publish/platform.h"
#include "publish/report.h"
#include "update/extension.h"
#include "update/key_value_list.h"

namespace fs = std::filesystem;

// UTF-8 has no lead bytes that could hide an ASCII '.', '/' or '\'.
static bool NoLeadByte(unsigned char)
{
    return false;
}

// Converts a UTF-8 name to code page 932 and back. Returns 0 when the bytes
// stand for exactly the same characters, 1 otherwise.
static int ExactCp932Name(const std::string& utf8, std::string& cp932)
{
    std::string back;
    if (Cp932FromUtf8(utf8, cp932) != 0 || Utf8FromCp932(cp932, back) != 0)
        return 1;
    return back == utf8 ? 0 : 1;
}

// Adds the game files of dir and its subfolders. Returns nothing; problems collect failures.
static void WalkFolder(const fs::path& gameDir, const fs::path& dir, int depth,
                       std::vector<GameFile>& files, std::vector<std::string>& problems)
{
    // Linked folders are followed; a link loop ends here instead of running forever.
    if (depth > 64) {
        problems.push_back("folder " + Quoted(dir.u8string()) + ": nested too deeply (a link loop?)");
        return;
    }
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            WalkFolder(gameDir, it->path(), depth + 1, files, problems);
            continue;
        }
        if (!it->is_regular_file(typeError))
            continue;
        std::string utf8 = it->path().lexically_relative(gameDir).generic_u8string();
        std::string cp932;
        if (ExactCp932Name(utf8, cp932) != 0) {
            // Other files may carry any name; only the published ones must fit.
            if (IsGameFileName(utf8, NoLeadByte))
                problems.push_back("file " + Quoted(utf8) + ": code page 932 can't hold this name");
            continue;
        }
        if (IsGameFileName(cp932, IsCp932LeadByte))
            files.push_back(GameFile{cp932, utf8, it->path()});
    }
    if (ec)
        problems.push_back("folder " + Quoted(dir.u8string()) + ": " + ec.message());
}

int FindGameFiles(const fs::path& gameDir, std::vector<GameFile>& files,
                  std::vector<std::string>& problems)
{
    size_t before = problems.size();
    WalkFolder(gameDir, gameDir, 0, files, problems);
    std::sort(files.begin(), files.end(),
              [](const GameFile& a, const GameFile& b) { return ByteOrder()(a.name, b.name); });
    return (int)(problems.size() - before);
}
