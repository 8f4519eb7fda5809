// Polling with a deadline, for tests that wait for something to happen.
#pragma once
#include <windows.h>
#include <functional>

// Checks cond every 5 ms until it holds or timeoutMs has passed. Returns cond's last value.
inline bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start >= timeoutMs)
            return cond();
        Sleep(5);
    }
    return true;
}
