// Bounding of one log message to the 1,024-byte datagram buffer.
#pragma once

enum { LogBufferSize = 1024 };

// Returns the number of text bytes to send for a message whose formatter
// reported formattedCount (negative: it did not fit): the count itself up to
// 1,023, otherwise 1,023.
int LogTextLength(int formattedCount);
