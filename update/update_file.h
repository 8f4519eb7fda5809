// Brings one listed file up to date.
#pragma once
#include <windows.h>
#include <string>
#include "update/run_flag.h"

class ReleaseStatement;

// Returns 0 to go on with the next file (skipped, current, or replaced and
// verified) and 1 to stop the run (closing, verification failed, bad name).
// name and expectedMd5 are the list's whole key and value: every byte counts,
// so a name holding a NUL is refused rather than cut at it. With a statement
// (signed releases) the downloaded archive must be the one it signed, or
// "<name> invalid signature" is shown and 1 returned, the local file unchanged.
int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const std::string& name,
               const std::string& expectedMd5, const ReleaseStatement* statement = nullptr);

// Returns true when "<name>.skipupdate" exists (file or directory).
bool IsUpdateSkipped(const char* name);
