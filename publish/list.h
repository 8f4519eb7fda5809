// The published list "md5.txt" and the other small files, written so that a
// reader sees either the old or the new file, never a part of one.
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

// Returns the path a file is written to before it takes the place of path.
std::filesystem::path PartPath(const std::filesystem::path& path);

// Moves PartPath(path) over path in one step. Returns 0, or 1 when that fails
// (the part file is removed then).
int ReplaceWithPart(const std::filesystem::path& path);

// Writes bytes to path through its part file, creating missing folders.
// Returns 0, or 1 when it can't be written.
int WriteFileReplacing(const std::filesystem::path& path, const std::string& bytes);
