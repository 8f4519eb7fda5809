// The lock of an OUT_DIR on Windows: OUT_DIR\korvan-publish.lock opened without sharing.
#include "publish/out_dir_lock.h"

#include <windows.h>
#include <system_error>

namespace fs = std::filesystem;

fs::path LockFile(const fs::path& outDir)
{
    return outDir / "korvan-publish.lock";
}

OutDirLock::~OutDirLock()
{
    if (handle != (intptr_t)INVALID_HANDLE_VALUE)
        CloseHandle((HANDLE)handle);
}

int OutDirLock::Take(const fs::path& outDir, std::string& why)
{
    std::error_code ec;
    fs::create_directories(outDir, ec);
    HANDLE file = CreateFileW(LockFile(outDir).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        why = std::system_category().message((int)error);
        return error == ERROR_SHARING_VIOLATION ? 1 : 2;
    }
    handle = (intptr_t)file;
    return 0;
}
