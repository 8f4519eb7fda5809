// Reading and parsing an HTTP response head.
#pragma once
#include <stdint.h>
#include <string>

// A head, blank line included, must fit in this many bytes.
enum { MaxResponseHeadBytes = 4095 };

enum HeadState { HeadIncomplete, HeadComplete, HeadTooLong };

// Appends one received byte to head. Returns HeadTooLong once head holds
// 4,096 bytes, HeadComplete when it ends with "\r\n\r\n", else HeadIncomplete.
HeadState AppendHeadByte(std::string& head, char byte);

// Returns the text after the first occurrence of key in head up to the next
// terminator; empty when key is absent or no terminator follows. head is
// searched as a NUL-terminated string.
std::string ExtractHeaderValue(const char* head, const char* key, const char* terminator);

struct ResponseHead {
    int32_t statusCode;
    uint32_t contentLength;
    std::string location;
};

// Status ("HTTP/1.1 ", else "HTTP/1.0 "), Content-Length and Location of head;
// 0, 0 and empty for what it lacks.
ResponseHead ParseResponseHead(const std::string& head);
