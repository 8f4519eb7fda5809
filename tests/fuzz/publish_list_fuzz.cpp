// Fuzzes the publisher's list reader and writer. The input is the text of a
// published "md5.txt".
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "publish/list.h"
#include "publish/validate.h"
#include "update/md5.h"
#include "tests/fuzz/fuzz_check.h"

namespace fs = std::filesystem;

// Returns the path of this process's scratch list file; it is removed at exit.
static const fs::path& ScratchList()
{
    static const fs::path path = fs::temp_directory_path() / ("korvan-fuzz-md5-" + std::to_string(getpid()) + ".txt");
    static const bool removeAtExit = atexit([] {
        std::error_code ec;
        fs::remove(ScratchList(), ec);
    }) == 0;
    (void)removeAtExit;
    return path;
}

static bool SameList(const Manifest& a, const Manifest& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(ScratchList(), std::ios::binary | std::ios::trunc);
        out.write(input.data(), (std::streamsize)input.size());
        FUZZ_CHECK(out.good());
    }
    std::string text;
    Manifest list;
    FUZZ_CHECK(ReadListFile(ScratchList(), text, list) == 0);
    FUZZ_CHECK(text == input);
    FUZZ_CHECK(SameList(list, ParseKeyValueList(input, "&", "=")));

    // Parsed keys hold no separator and values no "&": written again, the list reads back the same.
    const std::string written = ListText(list);
    FUZZ_CHECK(SameList(ParseKeyValueList(written, "&", "="), list));
    FUZZ_CHECK(written.empty() == list.empty());
    FUZZ_CHECK(!EndsWith(written, "&"));

    // The publisher's own lists: read as lines, the names it accepts, each with
    // an MD5 text. Its name rules keep the separators out, so the list reads back.
    Manifest published;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        const std::string name = input.substr(start, end - start);
        if (NameProblem(name).empty())
            published[name] = Md5OfBytes(name.data(), name.size());
        start = end + 1;
    }
    FUZZ_CHECK(SameList(ParseKeyValueList(ListText(published), "&", "="), published));
    return 0;
}
