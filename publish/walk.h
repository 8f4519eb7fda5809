// Finds the game's executables and libraries below the game folder.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct GameFile {
    std::string name;                 // code page 932 bytes, '/' between components
    std::string displayName;          // the same name in UTF-8, for messages
    std::filesystem::path source;     // the file in the game folder
};

// Adds to files every regular file below gameDir (subfolders included) whose
// name is an .exe or .dll by the launcher's extension rule, in the launcher's
// key order. A game file whose name code page 932 can't hold exactly, and a
// folder that can't be read, add a text to problems instead.
// Returns the number of problems added.
int FindGameFiles(const std::filesystem::path& gameDir, std::vector<GameFile>& files,
                  std::vector<std::string>& problems);
