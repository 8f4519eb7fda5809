// MD5 text of a local file's contents.
#pragma once
#include <string>

// Returns the 32-digit lower-case MD5 text of the file at path; 32 zeros when it
// can't be opened, the digest of the bytes read so far after a read error.
std::string FileMd5(const char* path);
