// The folder part of a path in the ANSI code page.
#pragma once
#include <stddef.h>

// Returns the length of the folder part of path (up to and including its last
// '\' or '/', or a drive's ':'), skipping the second bytes of double-byte
// characters; 0 when there is none.
size_t FolderLength(const char* path);
