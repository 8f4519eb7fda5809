// Brings one listed file up to date.
#pragma once
#include <windows.h>
#include <string>
#include "common/run_flag.h"

struct UpdateParts;

// Returns 0 to go on with the next file (skipped, current, or replaced and
// verified) and 1 to stop the run (closing, verification failed, bad name).
// name and expectedMd5 are the list's whole key and value: every byte counts,
// so a name holding a NUL is refused rather than cut at it. parts decide where
// the local MD5 comes from, which file the archive is downloaded into and
// whether it is judged before it is unpacked ("<name> invalid signature" when
// it is not the archive expected, the local file unchanged).
int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const std::string& name,
               const std::string& expectedMd5, UpdateParts& parts);

// The same with the plain launcher's parts.
int UpdateFile(HWND window, HWND fileBar, const RunFlag* running, const std::string& name,
               const std::string& expectedMd5);

// Returns true when "<name>.skipupdate" exists (file or directory).
bool IsUpdateSkipped(const char* name);
