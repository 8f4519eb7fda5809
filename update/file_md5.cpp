#include "update/file_md5.h"

#include <windows.h>
#include "update/md5.h"

std::string FileMd5(const char* path)
{
    // Readers only share: a file being written by someone else counts as unreadable.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return std::string(32, '0');

    Md5 md5;
    unsigned char buffer[1024];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, NULL) && read != 0)
        md5.Update(buffer, read);
    unsigned char digest[16];
    md5.Final(digest);
    CloseHandle(file);
    return Md5Text(digest);
}
