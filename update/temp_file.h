// A temporary file that lives as long as its object.
#pragma once
#include <windows.h>

class TempFile {
public:
    // Creates an empty "mj<hex>.tmp" in the system's temporary folder. When that
    // fails, shows the reason and throws the message box's result (an int).
    TempFile();
    // Creates it in folder instead; path stays empty when that fails (no message).
    explicit TempFile(const char* folder);
    // Deletes the file if it still exists.
    virtual ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Gives the file up (it was moved into place): the destructor leaves it alone.
    void Keep() { path[0] = '\0'; }

    char path[MAX_PATH];
};
