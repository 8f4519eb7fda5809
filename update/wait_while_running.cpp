#include "update/wait_while_running.h"

void WaitWhileRunning(DWORD duration, const RunFlag* running)
{
    DWORD start = GetTickCount();
    while (running->load()) {
        // Unsigned difference: a wrap of the tick count neither shortens nor lengthens the wait.
        if (GetTickCount() - start >= duration)
            return;
        Sleep(1);
    }
}
