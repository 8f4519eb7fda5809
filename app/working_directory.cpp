#include "app/working_directory.h"
#include <windows.h>
#include <shlobj.h>
#include <string.h>
#include "common/launcher_texts.h"
#include "common/path_folder.h"

// Shows a start-up failure. Returns 1.
static int StartupFailure(const char* text)
{
    MessageBoxA(NULL, text, LauncherTitle, MB_OK);
    return 1;
}

int ChangeDirectoryExeFriend()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    // A path that filled the buffer was cut short: never use a truncated path.
    if (length == 0 || length >= MAX_PATH)
        return StartupFailure("ChangeDirectoryExeFriend failed");
    path[FolderLength(path)] = '\0';
    if (!SetCurrentDirectoryA(path))
        return StartupFailure("ChangeDirectoryExeFriend failed");
    return 0;
}

// Appends one component with a separator where needed and creates that folder.
// Returns 0, or 1 when the result would not fit in MAX_PATH bytes.
static int AppendAndCreate(char (&path)[MAX_PATH], const char* component)
{
    size_t length = strlen(path);
    bool needsSeparator = length == 0 || (path[length - 1] != '\\' && path[length - 1] != '/');
    if (length + (needsSeparator ? 1 : 0) + strlen(component) >= MAX_PATH)
        return 1;
    if (needsSeparator)
        path[length++] = '\\';
    strcpy(path + length, component);
    CreateDirectoryA(path, NULL);  // an existing level is fine
    return 0;
}

int ChangeDirectoryToLocalAppData()
{
    if (GetFileAttributesA("./config.ini") != INVALID_FILE_ATTRIBUTES)
        return 0;

    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(NULL, path, CSIDL_LOCAL_APPDATA, TRUE);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return StartupFailure("CSIDL_LOCAL_APPDATA failed");

    if (AppendAndCreate(path, "R-FIG") != 0 || AppendAndCreate(path, "korvan") != 0 ||
        AppendAndCreate(path, "130") != 0 || !SetCurrentDirectoryA(path))
        return StartupFailure("ChangeDirectoryToLocalAppData failed");
    return 0;
}
