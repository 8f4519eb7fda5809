// A pause that ends early when the launcher is closed.
#pragma once
#include <windows.h>
#include "common/run_flag.h"

// Returns once duration milliseconds have passed or *running is false.
void WaitWhileRunning(DWORD duration, const RunFlag* running);
