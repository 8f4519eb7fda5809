// Publishing a game folder for the launcher: archives, list, resource information.
#pragma once
#include <filesystem>
#include <string>

struct PublishOptions {
    std::filesystem::path gameDir;
    std::filesystem::path outDir;
    std::filesystem::path resinfo;   // the resource-information text to write
    std::string baseUrl;
};

// Writes "<name>.gz" for every .exe and .dll of the game folder whose archive
// is missing or out of date, then "md5.txt" and the resource-information text,
// then removes the archives of files no longer listed.
// Returns 0, 1 when refused (nothing written), 2 when writing failed.
int Publish(const PublishOptions& options);
