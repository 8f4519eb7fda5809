// Stand-in for the game program "korvan.exe" in tests.
//
// Records how it was started and exits with 0. The record file is the path in
// the environment variable KORVAN_RECORD_FILE if set, else "korvan-record.txt"
// in the working directory. Its bytes are:
//   the command line (GetCommandLineA), a NUL byte,
//   the working directory (GetCurrentDirectoryA), a NUL byte.
// The file is written under a temporary name and then renamed, so once it
// exists it is complete. Exit code 1 means the record could not be written.
#include <windows.h>
#include <string>

int main()
{
    std::string record = GetCommandLineA();
    record.push_back('\0');
    char directory[MAX_PATH * 4];
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    record.append(directory, length < sizeof directory ? length : 0);
    record.push_back('\0');

    char path[MAX_PATH * 4];
    DWORD pathLength = GetEnvironmentVariableA("KORVAN_RECORD_FILE", path, sizeof path);
    std::string target = pathLength > 0 && pathLength < sizeof path ? path : "korvan-record.txt";
    std::string partial = target + ".partial";

    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, NULL) &&
              written == record.size();
    CloseHandle(file);
    if (!ok || !MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partial.c_str());
        return 1;
    }
    return 0;
}
