// The command line of korvan-publish.
#pragma once
#include <string>
#include <vector>

// Runs "GAME_DIR OUT_DIR --base-url URL [--resinfo FILE] [--keep N] [--sign KEY
// [--release-number N]]",
// "verify OUT_DIR [--resinfo FILE] [--all] [--key PUB]" or "keygen DIR".
// Returns the exit code (exit_codes.h): kExitDone, kExitRefused when refused or
// problems were found, kExitFailed on wrong usage or a failure while writing.
int RunCommandLine(const std::vector<std::string>& arguments);
