// Diagnostics: one UDP datagram per message to 127.0.0.1:514.
#pragma once

// Formats printf-style and sends the text (at most 1,023 bytes) plus a NUL.
// Returns 0 always; a null format does nothing.
int LogPrintf(const char* format, ...);
