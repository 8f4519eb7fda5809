// What differs between the POSIX and the Windows build of korvan-publish:
// code page 932 conversion, file names on disk, arguments, terminal
// (gzip input: gzip_input.h).
#pragma once
#include <filesystem>
#include <string>
#include <vector>

// Converts UTF-8 text to code page 932 bytes, without best-fit substitutes.
// Returns 0 on success, 1 when the text is not UTF-8 or code page 932 lacks a character.
int Cp932FromUtf8(const std::string& utf8, std::string& cp932);

// Converts code page 932 bytes to UTF-8. Returns 0 on success, 1 on bytes code page 932 lacks.
int Utf8FromCp932(const std::string& cp932, std::string& utf8);

// Returns the path below dir of the file that a code page 932 name stands for:
// the name's bytes on POSIX (what a web server receives from the launcher),
// the name's characters on Windows.
std::filesystem::path PathBelow(const std::filesystem::path& dir, const std::string& cp932Name);

// Returns the program's arguments without the program name: UTF-8 on Windows,
// the bytes as given on POSIX.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Returns true when the standard error stream is a terminal.
bool ErrorIsTerminal();
