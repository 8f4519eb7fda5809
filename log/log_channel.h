// The process's one log channel: the lock first, then the socket.
#pragma once
#include <stdarg.h>
#include "log/log_lock.h"
#include "log/log_socket.h"

class LogChannel : public LogLock, public LogSocket {
public:
    LogChannel() = default;
    ~LogChannel() override = default;

    // Formats one message under the lock and sends its text (at most 1,023
    // bytes) plus a NUL as one datagram. Returns the number of text bytes.
    int Send(const char* format, va_list args);
};

// Returns the process's channel, creating it on the first call; its
// destruction runs at process exit. Null when its lock could not be created:
// logging then stays off for the rest of the process.
LogChannel* ProcessLogChannel();

// Returns whether ProcessLogChannel has been called yet.
bool LogChannelAttempted();
