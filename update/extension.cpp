#include "update/extension.h"

bool IsCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Returns the number of bytes of the character at position i: 2 for a lead
// byte followed by another byte, otherwise 1.
size_t CharLength(const std::string& text, size_t i, LeadBytePredicate isLeadByte)
{
    return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string NameExtension(const std::string& name, LeadBytePredicate isLeadByte)
{
    size_t i = name.size() >= 2 && name[1] == ':' && IsAsciiLetter(name[0]) ? 2 : 0;
    size_t dot = std::string::npos;
    for (size_t n; i < name.size(); i += n) {
        n = CharLength(name, i, isLeadByte);
        if (n == 2)
            continue;
        if (name[i] == '\\' || name[i] == '/')
            dot = std::string::npos;
        else if (name[i] == '.')
            dot = i;
    }
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool ExtensionEqualsIgnoringCase(const std::string& ext, const char* asciiExt,
                                 LeadBytePredicate isLeadByte)
{
    const std::string other(asciiExt);
    size_t i = 0;
    for (size_t n; i < ext.size() && i < other.size(); i += n) {
        n = CharLength(ext, i, isLeadByte);
        if (n != CharLength(other, i, isLeadByte))
            return false;  // a double-byte character never equals a single byte
        if (n == 2) {
            if (ext.compare(i, 2, other, i, 2) != 0)
                return false;
        } else if (FoldAscii(ext[i]) != FoldAscii(other[i])) {
            return false;
        }
    }
    return i == ext.size() && i == other.size();
}

bool IsGameFileName(const std::string& name, LeadBytePredicate isLeadByte)
{
    const std::string ext = NameExtension(name, isLeadByte);
    return ExtensionEqualsIgnoringCase(ext, ".exe", isLeadByte) ||
           ExtensionEqualsIgnoringCase(ext, ".dll", isLeadByte);
}
