#include "common/path_folder.h"
#include <windows.h>

size_t FolderLength(const char* path)
{
    size_t folder = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsDBCSLeadByte(c) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/' || (i == 1 && c == ':'))
            folder = i + 1;
    }
    return folder;
}
