#include "log/log_text.h"

int LogTextLength(int formattedCount)
{
    // A text of 1,024 characters or more fills the buffer without room for its NUL.
    if (formattedCount < 0 || formattedCount >= LogBufferSize)
        return LogBufferSize - 1;
    return formattedCount;
}
