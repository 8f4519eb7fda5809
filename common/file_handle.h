// Owner of a Win32 file handle: closed when the owner goes.
#pragma once
#include <windows.h>

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle(handle) {}
    ~FileHandle() { Reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Closes the handle held, if any, and takes next.
    void Reset(HANDLE next = INVALID_HANDLE_VALUE)
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        handle = next;
    }
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    HANDLE handle;
};
