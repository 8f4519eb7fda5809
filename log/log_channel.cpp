#include "log/log_channel.h"
#include <atomic>
#include <stdio.h>
#include "log/log_text.h"

int LogChannel::Send(const char* format, va_list args)
{
    WaitForSingleObject(event, INFINITE);
    // Zeroed first: after a formatting error only bytes the formatter wrote
    // are counted (see LogTextLength).
    char buffer[LogBufferSize] = {};
    int count = vsnprintf(buffer, sizeof buffer, format, args);
    buffer[LogBufferSize - 1] = '\0';
    int n = LogTextLength(count, buffer);
    if (n > 0 && socket != INVALID_SOCKET)
        send(socket, buffer, n + 1, 0);
    SetEvent(event);
    return n;
}

namespace {

std::atomic<bool> attempted(false);

// Owns the channel; a function-local static, so destroyed at process exit.
struct ChannelHolder {
    ChannelHolder()
    {
        attempted = true;
        try {
            channel = new LogChannel;
        } catch (int) {
            // No lock, no logging; the launcher never depends on a log line.
            channel = nullptr;
        }
    }
    ~ChannelHolder() { delete channel; }
    LogChannel* channel;
};

}  // namespace

LogChannel* ProcessLogChannel()
{
    static ChannelHolder holder;
    return holder.channel;
}

bool LogChannelAttempted()
{
    return attempted;
}
