// Brings one listed file up to date.
#pragma once
#include <windows.h>
#include "update/run_flag.h"

// Returns 0 to go on with the next file (skipped, current, or replaced and
// verified) and 1 to stop the run (closing, verification failed, bad name).
int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const char* name,
               const char* expectedMd5);

// Returns true when "<name>.skipupdate" exists (file or directory).
bool IsUpdateSkipped(const char* name);
