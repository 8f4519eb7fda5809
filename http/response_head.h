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
    std::string contentRange;   // the Content-Range value, verbatim
};

// Status ("HTTP/1.1 ", else "HTTP/1.0 "), Content-Length, Location and
// Content-Range of head; 0, 0, empty and empty for what it lacks.
ResponseHead ParseResponseHead(const std::string& head);

// Returns true when a 206 answer to "Range: bytes=<from>-" carries the rest of
// the body and says so consistently: contentRange is exactly
// "bytes <from>-<total - 1>/<total>" with from < total, and contentLength is
// total - from. *total then holds the whole body's length.
bool RangeAgrees(const std::string& contentRange, uint32_t from, uint32_t contentLength, uint32_t* total);
