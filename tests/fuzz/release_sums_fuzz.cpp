// Fuzzes the one reader of SHA256SUMS and its writer. The input is read as a
// statement; then its first four bytes give a release number and the rest,
// cut at LF, the names the writer lists.
#include <string.h>
#include <set>

#include "update/md5.h"
#include "update/release_sums.h"
#include "tests/fuzz/fuzz_check.h"

typedef std::vector<std::pair<std::string, std::string>> Lines;

// Returns 64 lower-case hexadecimal digits fixed by name.
static std::string SumFor(const std::string& name)
{
    std::string md5 = Md5OfBytes(name.data(), name.size());
    return md5 + Md5OfBytes(md5.data(), md5.size());
}

// Any text the reader accepts, written again, reads the same and is as long.
static void CheckReadThenWritten(const std::string& input)
{
    ReleaseSums parsed, again;
    std::string why;
    if (ParseReleaseSums(input, &parsed, &why) != 0) {
        FUZZ_CHECK(why.compare(0, 5, "line ") == 0);   // a refusal says where
        return;
    }
    const std::string written = ReleaseSumsText(parsed.release, Lines(parsed.sums.begin(), parsed.sums.end()));
    FUZZ_CHECK(written.size() == input.size());
    FUZZ_CHECK(ParseReleaseSums(written, &again) == 0);
    FUZZ_CHECK(again.release == parsed.release && again.sums == parsed.sums);
}

// The writer's text reads back as written exactly when the reader can hold
// every line: a name not empty, without CR, not twice.
static void CheckWrittenThenRead(const std::string& input)
{
    uint32_t release = 0;
    memcpy(&release, input.data(), input.size() < 4 ? input.size() : 4);
    const std::string rest = input.size() < 4 ? std::string() : input.substr(4);
    Lines lines;
    std::set<std::string> names;
    bool holdable = true;
    for (size_t start = 0; !rest.empty() && start <= rest.size();) {
        size_t end = rest.find('\n', start);
        const std::string name = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        holdable = holdable && !name.empty() && name.find('\r') == std::string::npos && names.insert(name).second;
        lines.emplace_back(name, SumFor(name));
        start = end == std::string::npos ? rest.size() + 1 : end + 1;
    }
    ReleaseSums back;
    FUZZ_CHECK((ParseReleaseSums(ReleaseSumsText(release, lines), &back) == 0) == holdable);
    if (!holdable)
        return;
    FUZZ_CHECK(back.release == release && back.sums.size() == lines.size());
    for (const auto& line : lines)
        FUZZ_CHECK(back.sums.at(line.first) == line.second);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckReadThenWritten(input);
    CheckWrittenThenRead(input);
    return 0;
}
