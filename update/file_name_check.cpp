#include "update/file_name_check.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Tells whether a path component climbs to the parent: "..", and also forms
// such as "..." or ".. " that Windows trims to ".." (trailing dots and blanks).
bool ClimbsUp(const std::string& name, size_t begin, size_t end)
{
    size_t dots = 0;
    for (size_t i = begin; i < end; ++i) {
        if (name[i] == '.')
            ++dots;
        else if (name[i] != ' ')
            return false;
    }
    return dots >= 2;
}

}  // namespace

bool IsSafeFileName(const std::string& name, LeadBytePredicate isLeadByte)
{
    if (name.empty() || IsSeparator(name[0]))
        return false;
    // ':' names a drive or a stream; a NUL would cut the name the system sees.
    if (name.find(':') != std::string::npos || name.find('\0') != std::string::npos)
        return false;
    size_t begin = 0;
    for (size_t i = 0; i <= name.size();) {
        if (i == name.size() || IsSeparator(name[i])) {
            if (ClimbsUp(name, begin, i))
                return false;
            begin = ++i;
        } else if (isLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            // No double-byte code page has a second byte below 0x40: such a pair
            // (a lead byte before '/', '.' or '\0') is no character, and the
            // system may read its second byte on its own, as a separator.
            if (static_cast<unsigned char>(name[i + 1]) < 0x40)
                return false;
            i += 2;
        } else {
            ++i;
        }
    }
    return true;
}
