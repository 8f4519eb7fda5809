// Fuzzes the extension rule and the name check under code page 932. The input
// is one listed name, NUL bytes included.
#include "tests/fuzz/fuzz_check.h"
#include "update/extension.h"
#include "update/file_name_check.h"

// Returns the start positions of the characters of name from position from:
// a lead byte takes the byte after it along, as the system's conversion does.
static std::vector<size_t> CharStarts(const std::string& name, size_t from)
{
    std::vector<size_t> starts;
    for (size_t i = from; i < name.size(); i += IsCp932LeadByte((unsigned char)name[i]) && i + 1 < name.size() ? 2 : 1)
        starts.push_back(i);
    return starts;
}

static bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

static std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return text;
}

static void CheckExtension(const std::string& name)
{
    const std::string ext = NameExtension(name, IsCp932LeadByte);
    FUZZ_CHECK(EndsWith(name, ext));
    // After a drive "X:", the last '.' of the last component, counted in characters.
    size_t from = name.size() >= 2 && name[1] == ':' &&
                  ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) ? 2 : 0;
    size_t lastComponent = from, lastDot = std::string::npos;
    for (size_t i : CharStarts(name, from)) {
        if (i + 1 < name.size() && IsCp932LeadByte((unsigned char)name[i]))
            continue;
        if (IsSeparator(name[i])) {
            lastComponent = i + 1;
            lastDot = std::string::npos;
        } else if (name[i] == '.') {
            lastDot = i;
        }
    }
    FUZZ_CHECK(lastDot == std::string::npos ? ext.empty() : ext == name.substr(lastDot));
    FUZZ_CHECK(lastDot == std::string::npos || lastDot >= lastComponent);

    // Lead bytes never equal ASCII, so the rule comes down to the bytes.
    bool exe = ExtensionEqualsIgnoringCase(ext, ".exe", IsCp932LeadByte);
    bool dll = ExtensionEqualsIgnoringCase(ext, ".dll", IsCp932LeadByte);
    FUZZ_CHECK(exe == (AsciiLower(ext) == ".exe"));
    FUZZ_CHECK(dll == (AsciiLower(ext) == ".dll"));
    FUZZ_CHECK(IsGameFileName(name, IsCp932LeadByte) == (exe || dll));
    FUZZ_CHECK(ExtensionEqualsIgnoringCase(name, ".exe", IsCp932LeadByte) == (AsciiLower(name) == ".exe"));
}

// Tells whether Windows makes a component "..": it drops trailing dots and spaces.
static bool BecomesParent(const std::string& component)
{
    return component.size() >= 2 && component.compare(0, 2, "..") == 0 &&
           component.find_first_not_of(". ", 2) == std::string::npos;
}

static void CheckSafeName(const std::string& name)
{
    if (!IsSafeFileName(name, IsCp932LeadByte))
        return;
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(!IsSeparator(name[0]));
    FUZZ_CHECK(name.find(':') == std::string::npos);
    FUZZ_CHECK(name.find('\0') == std::string::npos);
    size_t begin = 0;
    for (size_t i : CharStarts(name, 0)) {
        if (i + 1 < name.size() && IsCp932LeadByte((unsigned char)name[i]))
            continue;
        if (IsSeparator(name[i])) {
            FUZZ_CHECK(!BecomesParent(name.substr(begin, i - begin)));
            begin = i + 1;
        }
    }
    FUZZ_CHECK(!BecomesParent(name.substr(begin)));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    CheckExtension(name);
    CheckSafeName(name);
    return 0;
}
