// What the launcher can take: the base URL and the names of published files.
#pragma once
#include <string>
#include <vector>

// Longest name the launcher can handle: name + ".skipupdate" must fit MAX_PATH.
const size_t kLongestName = 260 - 1 - 11;

// Returns why the launcher can't use url as its base URL; empty when it can.
std::string BaseUrlProblem(const std::string& url);

// Returns why the launcher can't fetch and write a file of this code page 932
// name; empty when it can.
std::string NameProblem(const std::string& name);

// Returns name with letters folded to upper case the way Windows file names
// compare: ASCII, and the full-width Latin, Greek, Cyrillic letters and Roman
// numerals of code page 932.
std::string FoldCase(const std::string& name);

// Adds a problem for every two names that Windows would take for the same file,
// and for a file or its archive "<name>.gz" that has the name of a folder of
// another file. Returns the number added.
int FindCaseCollisions(const std::vector<std::string>& names, std::vector<std::string>& problems);
