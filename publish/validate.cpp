// What the launcher can take: the base URL and the names of published files.
#include "publish/validate.h"

#include <map>
#include <stdlib.h>

#include "publish/report.h"
#include "update/extension.h"
#include "update/file_name_check.h"

std::string BaseUrlProblem(const std::string& url)
{
    for (size_t i = 0; i < url.size(); i++) {
        unsigned char c = (unsigned char)url[i];
        if (c <= 0x20 || c == 0x7f)
            return "holds white space or a control byte";
        if (c >= 0x80)
            return "holds a byte outside ASCII";
    }
    if (url.compare(0, 7, "http://") != 0)
        return "does not begin with \"http://\"";
    if (url.back() != '/')
        return "does not end with \"/\"";
    if (url.find_first_of("?#") != std::string::npos)
        return "holds \"?\" or \"#\": the file names would not reach the server's path";
    // The launcher takes the host up to the first '/' or ':' and a decimal port after ':'.
    size_t hostEnd = url.find_first_of("/:", 7);
    std::string host = url.substr(7, hostEnd - 7);
    if (host.empty())
        return "names no host";
    if (host.find('@') != std::string::npos)
        return "holds user information, which the launcher takes for the host name";
    if (url[hostEnd] == ':') {
        size_t portEnd = url.find('/', hostEnd);
        std::string port = url.substr(hostEnd + 1, portEnd - hostEnd - 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            atoi(port.c_str()) < 1 || atoi(port.c_str()) > 65535)
            return "has a port that is not a number from 1 to 65535";
    }
    return std::string();
}

// Returns true for a component that Windows opens as a device (CON, NUL.exe, COM1.dll).
static bool IsDeviceName(const std::string& component)
{
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3",
                                          "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1",
                                          "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8",
                                          "LPT9"};
    std::string base = FoldCase(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : devices)
        if (base == device)
            return true;
    return false;
}

// Returns why a single-byte character can't stand in a name; null when it can.
static const char* CharacterProblem(unsigned char c)
{
    if (c < 0x20 || c == 0x7f)
        return "holds a control byte";
    if (c == 0x80 || c == 0xa0 || c >= 0xfd)
        return "holds a byte that code page 932 does not define";
    switch (c) {
    case ' ': return "holds a space, which would split the launcher's request line";
    case '%': return "holds \"%\", which web servers decode";
    case '?': return "holds \"?\", which would start a query in the download URL";
    case '#': return "holds \"#\", which would start a fragment in the download URL";
    case '\\': return "holds \"\\\", a second folder separator on Windows";
    case '*': case '"': case '<': case '>': case '|':
        return "holds a character that Windows does not allow in file names";
    }
    return nullptr;
}

std::string NameProblem(const std::string& name)
{
    if (name.empty())
        return "is empty";
    if (name.find('&') != std::string::npos)
        return "holds \"&\", the list's pair separator";
    if (name.find('=') != std::string::npos)
        return "holds \"=\", the list's key/value separator";
    if (name.find(':') != std::string::npos)
        return "holds \":\", which Windows takes for a drive or a stream";
    if (name.size() > kLongestName)
        return "is longer than " + std::to_string(kLongestName) + " bytes, too long for the launcher's paths";
    // '/' and '.' are never the second byte of a double-byte character, so the
    // components can be cut at every '/'.
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        std::string component = name.substr(start, end - start);
        if (component == "..")
            return "holds a \"..\" component";
        if (component.empty())
            return "holds an empty folder component";
        if (component.back() == '.' || component.back() == ' ')
            return "has a component ending in \".\" or a space, which Windows drops";
        if (IsDeviceName(component))
            return "has a component that Windows opens as a device (" + component + ")";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (size_t i = 0; i < name.size(); i++) {
        unsigned char c = (unsigned char)name[i];
        if (IsCp932LeadByte(c)) {
            unsigned char trail = i + 1 < name.size() ? (unsigned char)name[i + 1] : 0;
            if (trail < 0x40 || trail == 0x7f || trail > 0xfc)
                return "holds a double-byte character that code page 932 does not define";
            i++;
            continue;
        }
        if (const char* problem = CharacterProblem(c))
            return problem;
    }
    if (!IsSafeFileName(name, IsCp932LeadByte))
        return "would leave the launcher's working folder";
    return std::string();
}

// Returns the upper-case form of the double-byte character lead:trail, as one code.
static unsigned FoldDoubleByte(unsigned lead, unsigned trail)
{
    if (lead == 0x82 && trail >= 0x81 && trail <= 0x9a)            // full-width a-z
        return 0x8260 + (trail - 0x81);
    if (lead == 0x83 && trail >= 0xbf && trail <= 0xd6)            // Greek small letters
        return 0x839f + (trail - 0xbf);
    if (lead == 0x84 && trail >= 0x70 && trail <= 0x7e)            // Cyrillic small letters
        return 0x8440 + (trail - 0x70);
    if (lead == 0x84 && trail >= 0x80 && trail <= 0x91)
        return 0x844f + (trail - 0x80);
    if (lead == 0xfa && trail >= 0x40 && trail <= 0x49)            // small Roman numerals
        return 0x8754 + (trail - 0x40);
    if (lead == 0xee && trail >= 0xef && trail <= 0xf8)
        return 0x8754 + (trail - 0xef);
    if (lead == 0xfa && trail >= 0x4a && trail <= 0x53)            // capital Roman numerals, IBM row
        return 0x8754 + (trail - 0x4a);
    return (lead << 8) | trail;
}

std::string FoldCase(const std::string& name)
{
    std::string folded;
    folded.reserve(name.size());
    for (size_t i = 0; i < name.size(); i++) {
        unsigned char c = (unsigned char)name[i];
        if (IsCp932LeadByte(c) && i + 1 < name.size()) {
            unsigned code = FoldDoubleByte(c, (unsigned char)name[++i]);
            folded += (char)(code >> 8);
            folded += (char)(code & 0xff);
        } else {
            folded += (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : (char)c;
        }
    }
    return folded;
}

int FindCaseCollisions(const std::vector<std::string>& names, std::vector<std::string>& problems)
{
    size_t before = problems.size();
    std::map<std::string, std::string> files;   // folded name -> name
    for (const std::string& name : names) {
        auto inserted = files.emplace(FoldCase(name), name);
        if (!inserted.second)
            problems.push_back("files " + QuotedCp932(inserted.first->second) + " and " +
                               QuotedCp932(name) + " differ only in letter case and collide on Windows");
    }
    // On the web server each file's archive is "<name>.gz"; that too can't be a folder.
    std::map<std::string, std::string> archives;
    for (const auto& file : files)
        archives.emplace(file.first + ".GZ", file.second);
    for (const std::string& name : names) {
        std::string folded = FoldCase(name);
        for (size_t slash = folded.find('/'); slash != std::string::npos; slash = folded.find('/', slash + 1)) {
            std::string folder = folded.substr(0, slash);
            auto file = files.find(folder);
            if (file != files.end())
                problems.push_back("file " + QuotedCp932(file->second) + " has the name of the folder of " +
                                   QuotedCp932(name) + " on Windows");
            auto archive = archives.find(folder);
            if (archive != archives.end())
                problems.push_back("the archive of " + QuotedCp932(archive->second) +
                                   " has the name of the folder of " + QuotedCp932(name));
        }
    }
    return (int)(problems.size() - before);
}
