// The published list "md5.txt": its text, and reading it and other small files.
#pragma once
#include <filesystem>
#include <string>

#include "update/key_value_list.h"

// Returns the list text: name "=" MD5 text, pairs joined by "&" in the list's
// key order, nothing after the last pair.
std::string ListText(const Manifest& list);

// Reads the whole file at path into text. Returns 0, 1 when there is no such
// file, 2 when it can't be read.
int ReadWholeFile(const std::filesystem::path& path, std::string& text);

// Reads the list file at path the way the launcher parses it. Returns 0, 1 when
// there is no such file, 2 when it can't be read.
int ReadListFile(const std::filesystem::path& path, std::string& text, Manifest& list);
