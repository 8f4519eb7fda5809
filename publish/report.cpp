// Messages of korvan-publish on the standard error stream.
#include "publish/report.h"

#include <stdio.h>

#include "publish/platform.h"

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

std::string QuotedCp932(const std::string& cp932)
{
    std::string utf8;
    return Quoted(Utf8FromCp932(cp932, utf8) == 0 ? utf8 : cp932);
}

void PrintError(const std::string& text)
{
    fflush(stdout);
    fprintf(stderr, "korvan-publish: %s\n", text.c_str());
}

int PrintProblems(const std::vector<std::string>& problems)
{
    for (const std::string& problem : problems)
        PrintError(problem);
    return (int)problems.size();
}
