// Bounding of one log message to the 1,024-byte datagram buffer.
#pragma once

enum { LogBufferSize = 1024 };

// Returns the number of text bytes of buffer (LogBufferSize bytes, zeroed
// before the formatter ran) to send for a message whose formatter reported
// formattedCount: the count itself up to 1,023, otherwise 1,023. A negative
// count is a formatting error, not a cut: then only the text the formatter
// wrote before its first NUL is sent, so no byte it did not write ever leaves.
int LogTextLength(int formattedCount, const char* buffer);
