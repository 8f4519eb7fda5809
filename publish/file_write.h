// Small files written so that a reader sees either the old or the new file,
// never a part of one.
#pragma once
#include <filesystem>
#include <string>

// Writes bytes to path through a part file beside it that then takes its place
// in one step, creating missing folders. Returns 0, or 1 when it can't be written.
int WriteFileReplacing(const std::filesystem::path& path, const std::string& bytes);
