// Unpacking of a downloaded gzip file.
#pragma once
#include <windows.h>

// Unpacks the gzip file at source into a new or truncated file at target; a
// source without gzip header is copied unchanged. Stops at the end of the data
// or at the first read error. Reports nothing: the caller verifies the target.
void GunzipFile(const char* source, const char* target);

// The same from the first byte of a file already open for reading: zlib reads
// exactly the bytes of that open file. The handle stays open.
void GunzipHandle(HANDLE source, const char* target);
