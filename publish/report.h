// Messages of korvan-publish on the standard error stream.
#pragma once
#include <string>
#include <vector>

// Returns text in double quotes, control bytes written as \xNN.
std::string Quoted(const std::string& text);

// Returns a code page 932 name as UTF-8 in double quotes (its raw bytes when it isn't code page 932).
std::string QuotedCp932(const std::string& cp932);

// Writes "korvan-publish: " and the text, then a line end, to the standard error stream.
void PrintError(const std::string& text);

// Writes every problem with PrintError. Returns the number of problems.
int PrintProblems(const std::vector<std::string>& problems);
