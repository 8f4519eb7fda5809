#include "log/log_printf.h"
#include "log/log_channel.h"

int LogPrintf(const char* format, ...)
{
    if (format == nullptr)
        return 0;
    LogChannel* channel = ProcessLogChannel();
    if (channel == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    channel->Send(format, args);
    va_end(args);
    return 0;
}
