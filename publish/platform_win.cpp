// Windows side of korvan-publish: the system's code page 932 table, wide file names.
#include "publish/platform.h"
#include "publish/gzip_input.h"

#include <windows.h>
#include <shellapi.h>
#include <io.h>
#include <stdio.h>

// Converts multi-byte text of a code page to UTF-16. Returns 0, or 1 on invalid bytes.
static int WideFrom(UINT codePage, const std::string& in, std::wstring& out)
{
    out.clear();
    if (in.empty())
        return 0;
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), nullptr, 0);
    if (n <= 0)
        return 1;
    out.resize(n);
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), &out[0], n);
    return 0;
}

// Converts UTF-16 text to UTF-8 (a lone surrogate becomes U+FFFD).
static std::string Utf8FromWide(const std::wstring& in)
{
    if (in.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, in.data(), (int)in.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, in.data(), (int)in.size(), &out[0], n, nullptr, nullptr);
    return out;
}

int Cp932FromUtf8(const std::string& utf8, std::string& cp932)
{
    cp932.clear();
    std::wstring wide;
    if (WideFrom(CP_UTF8, utf8, wide) != 0)
        return 1;
    if (wide.empty())
        return 0;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(),
                                nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return 1;
    cp932.resize(n);
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(),
                        &cp932[0], n, nullptr, &usedDefault);
    return usedDefault ? 1 : 0;
}

int Utf8FromCp932(const std::string& cp932, std::string& utf8)
{
    std::wstring wide;
    if (WideFrom(932, cp932, wide) != 0)
        return 1;
    utf8 = Utf8FromWide(wide);
    return 0;
}

std::filesystem::path PathBelow(const std::filesystem::path& dir, const std::string& cp932Name)
{
    std::wstring wide;
    if (WideFrom(932, cp932Name, wide) != 0)
        wide.assign(cp932Name.begin(), cp932Name.end());
    return dir / std::filesystem::path(wide);
}

std::vector<std::string> ProgramArguments(int, char**)
{
    // The ANSI argv loses characters outside the system code page; take the wide line.
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; i++)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool ErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

gzFile OpenGzipForReading(const std::filesystem::path& path)
{
    return gzopen_w(path.c_str(), "rb");
}
