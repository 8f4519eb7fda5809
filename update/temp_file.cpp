#include "update/temp_file.h"
#include "common/launcher_texts.h"

static const char TempPrefix[] = "mj";

// Shows why the temporary file could not be made and abandons the construction.
[[noreturn]] static void FailTempFile(const char* text)
{
    throw MessageBoxA(NULL, text, LauncherTitle, MB_OK);
}

TempFile::TempFile()
{
    path[0] = '\0';
    char folder[MAX_PATH];
    // A path that does not fit is not written: the call returns the size it
    // would need, and the buffer holds nothing usable.
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        FailTempFile("GetTempPath failed");
    if (GetTempFileNameA(folder, TempPrefix, 0, path) == 0) {
        path[0] = '\0';
        FailTempFile("GetTempFileName failed");
    }
}

TempFile::TempFile(const char* folder)
{
    if (GetTempFileNameA(folder, TempPrefix, 0, path) == 0)
        path[0] = '\0';
}

TempFile::~TempFile()
{
    if (path[0] != '\0' && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(path);
        path[0] = '\0';
    }
}
