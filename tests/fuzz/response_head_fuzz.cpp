// Fuzzes the reading and parsing of a response head. The input is the byte
// stream from the server; when it holds two NUL bytes, the texts before them
// are first a key and a terminator for ExtractHeaderValue and the rest is the stream.
#include <string.h>

#include "http/response_head.h"
#include "http/url.h"
#include "tests/fuzz/fuzz_check.h"

// Returns the value of key in head the way the launcher looks it up: first
// occurrence of key in the text up to its first NUL, up to the next terminator.
static std::string ValueOf(const std::string& head, const std::string& key, const std::string& terminator)
{
    const std::string visible(head.c_str());
    size_t found = visible.find(key);
    if (found == std::string::npos)
        return std::string();
    size_t start = found + key.size();
    size_t end = visible.find(terminator, start);
    if (end == std::string::npos)
        return std::string();
    return visible.substr(start, end - start);
}

// Feeds the stream byte by byte as the launcher's receive loop does. Returns the head.
static std::string ReadHead(const std::string& stream, HeadState& state)
{
    std::string head;
    state = HeadIncomplete;
    for (size_t i = 0; i < stream.size() && state == HeadIncomplete; ++i) {
        state = AppendHeadByte(head, stream[i]);
        FUZZ_CHECK(head.size() == i + 1);
        FUZZ_CHECK(head.size() <= MaxResponseHeadBytes + 1);
    }
    FUZZ_CHECK(stream.compare(0, head.size(), head) == 0);
    size_t blank = stream.find("\r\n\r\n");
    if (blank != std::string::npos && blank + 4 <= MaxResponseHeadBytes) {
        // The head ends at the first blank line, which fits.
        FUZZ_CHECK(state == HeadComplete);
        FUZZ_CHECK(head.size() == blank + 4);
    } else if (stream.size() > MaxResponseHeadBytes) {
        // 4,096 bytes without a complete head: too long, and not a byte more is read.
        FUZZ_CHECK(state == HeadTooLong);
        FUZZ_CHECK(head.size() == MaxResponseHeadBytes + 1);
    } else {
        FUZZ_CHECK(state == HeadIncomplete);
        FUZZ_CHECK(head == stream);
    }
    return head;
}

static void CheckParse(const std::string& head)
{
    ResponseHead parsed = ParseResponseHead(head);
    uint32_t status = StrToUl32(ValueOf(head, "HTTP/1.1 ", "\r\n").c_str());
    if (status == 0)
        status = StrToUl32(ValueOf(head, "HTTP/1.0 ", "\r\n").c_str());
    FUZZ_CHECK(parsed.statusCode == (int32_t)status);
    FUZZ_CHECK(parsed.contentLength == StrToUl32(ValueOf(head, "Content-Length: ", "\r\n").c_str()));
    FUZZ_CHECK(parsed.location == ValueOf(head, "Location: ", "\r\n"));
    // A Location value never holds the line end or a NUL.
    FUZZ_CHECK(parsed.location.find("\r\n") == std::string::npos);
    FUZZ_CHECK(parsed.location.find('\0') == std::string::npos);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string key = "Location: ", terminator = "\r\n", stream;
    if (!SplitAtTwoNuls(data, size, key, terminator, stream))
        stream.assign(reinterpret_cast<const char*>(data), size);

    HeadState state;
    std::string head = ReadHead(stream, state);
    CheckParse(head);

    std::string value = ExtractHeaderValue(head.c_str(), key.c_str(), terminator.c_str());
    FUZZ_CHECK(value == ValueOf(head, key, terminator));
    if (!value.empty())
        FUZZ_CHECK(std::string(head.c_str()).find(key + value + terminator) != std::string::npos);
    return 0;
}
