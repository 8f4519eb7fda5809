// The log channel's lock: an unnamed auto-reset event, signalled while free.
#pragma once
#include <windows.h>

// Creates the lock's event; tests replace it to make creation fail.
typedef HANDLE(WINAPI* LogEventFactory)(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCSTR);
extern LogEventFactory LogLockCreateEvent;

class LogLock {
public:
    // Throws the integer 0 when the event cannot be created.
    LogLock();
    virtual ~LogLock();
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;

    HANDLE event;
};
