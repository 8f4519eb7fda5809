// POSIX side of korvan-publish: glibc's iconv for code page 932, byte file names.
#include "publish/platform.h"
#include "publish/gzip_input.h"

#include <errno.h>
#include <iconv.h>
#include <unistd.h>

// Converts text between two iconv encodings. Returns 0 on success, 1 on any
// byte or character the conversion can't take.
static int Convert(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return 1;
    out.clear();
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[1024];
    int result = 0;
    for (;;) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t n = srcLeft ? iconv(cd, &src, &srcLeft, &dst, &dstLeft)
                           : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (n != (size_t)-1) {
            if (srcLeft == 0)
                break;
        } else if (errno != E2BIG) {
            result = 1;
            break;
        }
    }
    iconv_close(cd);
    return result;
}

int Cp932FromUtf8(const std::string& utf8, std::string& cp932)
{
    return Convert("CP932", "UTF-8", utf8, cp932);
}

int Utf8FromCp932(const std::string& cp932, std::string& utf8)
{
    return Convert("UTF-8", "CP932", cp932, utf8);
}

std::filesystem::path PathBelow(const std::filesystem::path& dir, const std::string& cp932Name)
{
    return dir / std::filesystem::path(cp932Name);
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool ErrorIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

gzFile OpenGzipForReading(const std::filesystem::path& path)
{
    return gzopen(path.c_str(), "rb");
}
