#include "tests/support/work_folder.h"
#include <windows.h>
#include <zlib.h>
#include <stdexcept>

void RemoveTree(const std::string& folder)
{
    for (const std::string& name : FilesMatching(folder, "*")) {
        std::string path = folder + name;
        DWORD attributes = GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(path + "\\");
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

WorkFolder::WorkFolder()
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    previous = current;
    for (unsigned attempt = 0;; ++attempt) {
        char name[64];
        wsprintfA(name, "korvan-work-%lu-%u\\", GetCurrentProcessId(), GetTickCount() + attempt);
        path = TempFolderPath() + name;
        if (CreateDirectoryA(path.c_str(), NULL))
            break;
        if (attempt > 1000)
            throw std::runtime_error("no work folder");
    }
    SetCurrentDirectoryA(path.c_str());
}

WorkFolder::~WorkFolder()
{
    SetCurrentDirectoryA(previous.c_str());
    RemoveTree(path);
}

static const char* const TempVariables[2] = {"TMP", "TEMP"};

TempFolderOverride::TempFolderOverride(const std::string& folder)
{
    for (int i = 0; i < 2; ++i) {
        char value[MAX_PATH * 2];
        DWORD length = GetEnvironmentVariableA(TempVariables[i], value, sizeof value);
        had[i] = length > 0 && length < sizeof value;
        saved[i] = had[i] ? value : "";
        SetEnvironmentVariableA(TempVariables[i], folder.c_str());
    }
}

TempFolderOverride::~TempFolderOverride()
{
    for (int i = 0; i < 2; ++i)
        SetEnvironmentVariableA(TempVariables[i], had[i] ? saved[i].c_str() : NULL);
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[65536];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, NULL) && count > 0)
        bytes->append(buffer, count);
    CloseHandle(file);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string PatternBytes(size_t size)
{
    std::string data(size, '\0');
    unsigned value = 12345;
    for (char& byte : data) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<char>(value >> 16);
    }
    return data;
}

std::string GzipBytes(const std::string& data)
{
    z_stream stream = {};
    // 15 + 16: a gzip header and trailer around the deflate data.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

std::string TempFolderPath()
{
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof folder, folder);
    std::string path(folder, length < sizeof folder ? length : 0);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

std::vector<std::string> FilesMatching(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string TestProgramPath(const char* fileName)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string result(path, length < sizeof path ? length : 0);
    size_t slash = result.find_last_of("\\/");
    return result.substr(0, slash == std::string::npos ? 0 : slash + 1) + fileName;
}
