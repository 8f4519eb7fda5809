#include "log/log_lock.h"

LogEventFactory LogLockCreateEvent = CreateEventA;

LogLock::LogLock()
    : event(LogLockCreateEvent(NULL, FALSE, TRUE, NULL))
{
    if (event == NULL)
        throw 0;
}

LogLock::~LogLock()
{
    // Taking the lock lets a message being sent finish first.
    WaitForSingleObject(event, INFINITE);
    CloseHandle(event);
    event = NULL;
}
