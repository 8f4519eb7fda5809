#include "log/log_text.h"

int LogTextLength(int formattedCount, const char* buffer)
{
    if (formattedCount < 0) {
        int n = 0;
        while (n < LogBufferSize - 1 && buffer[n] != '\0')
            ++n;
        return n;
    }
    // A text of 1,024 characters or more fills the buffer without room for its NUL.
    if (formattedCount >= LogBufferSize)
        return LogBufferSize - 1;
    return formattedCount;
}
