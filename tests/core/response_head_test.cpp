#include <gtest/gtest.h>
#include "http/response_head.h"

namespace {

// Feeds text byte by byte; returns the state after the last byte.
HeadState Feed(const std::string& text, std::string& head)
{
    HeadState state = HeadIncomplete;
    for (char c : text) {
        state = AppendHeadByte(head, c);
        if (state != HeadIncomplete)
            break;
    }
    return state;
}

// A head of exactly size bytes, ending with the blank line.
std::string HeadOfSize(size_t size)
{
    std::string start = "HTTP/1.0 200 OK\r\nX-Pad: ";
    return start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
}

}  // namespace

TEST(AppendHeadByte, CompletesAtTheBlankLineWithin4095Bytes)
{
    std::string head;
    EXPECT_EQ(HeadComplete, Feed("HTTP/1.0 200 OK\r\n\r\nbody", head));
    EXPECT_EQ("HTTP/1.0 200 OK\r\n\r\n", head);

    head.clear();
    EXPECT_EQ(HeadComplete, Feed(HeadOfSize(4095), head));
    EXPECT_EQ(4095u, head.size());

    head.clear();
    EXPECT_EQ(HeadTooLong, Feed(HeadOfSize(4096), head));
    EXPECT_EQ(4096u, head.size());

    head.clear();
    EXPECT_EQ(HeadIncomplete, Feed("\r\n\r", head));
    EXPECT_EQ(HeadComplete, Feed("\n", head));
}

TEST(ExtractHeaderValue, TakesTheFirstMatchUpToTheTerminator)
{
    const char* head = "HTTP/1.0 302 Found\r\nContent-Location: /c\r\nLocation: http://x/ \r\n\r\n";
    EXPECT_EQ("/c", ExtractHeaderValue(head, "Location: ", "\r\n"));
    EXPECT_EQ("302 Found", ExtractHeaderValue(head, "HTTP/1.0 ", "\r\n"));
    EXPECT_EQ("", ExtractHeaderValue(head, "Missing: ", "\r\n"));
    EXPECT_EQ("", ExtractHeaderValue("Key: \r\n", "Key: ", "\r\n"));
    EXPECT_EQ("", ExtractHeaderValue("Key: value", "Key: ", "\r\n"));
    EXPECT_EQ(" v ", ExtractHeaderValue("Key: v \r\n", "Key:", "\r\n"));
}

TEST(ParseResponseHead, ReadsStatusLengthAndLocation)
{
    ResponseHead h = ParseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n");
    EXPECT_EQ(200, h.statusCode);
    EXPECT_EQ(1234u, h.contentLength);
    EXPECT_EQ("", h.location);

    h = ParseResponseHead("HTTP/1.0 302 Found\r\nLocation: http://h:1/p q \r\n\r\n");
    EXPECT_EQ(302, h.statusCode);
    EXPECT_EQ(0u, h.contentLength);
    EXPECT_EQ("http://h:1/p q ", h.location);

    h = ParseResponseHead("HTTP/1.2 200 OK\r\n\r\n");
    EXPECT_EQ(0, h.statusCode);
    // "HTTP/1.1 " whose value converts to 0 falls back to "HTTP/1.0 ".
    h = ParseResponseHead("HTTP/1.1 abc\r\nVia: HTTP/1.0 404\r\n\r\n");
    EXPECT_EQ(404, h.statusCode);
}

TEST(ParseResponseHead, IgnoresLengthsThatAreNotExactlyContentLengthColonSpace)
{
    EXPECT_EQ(0u, ParseResponseHead("HTTP/1.0 200 OK\r\ncontent-length: 5\r\n\r\n").contentLength);
    EXPECT_EQ(0u, ParseResponseHead("HTTP/1.0 200 OK\r\nContent-Length:5\r\n\r\n").contentLength);
    EXPECT_EQ(5u, ParseResponseHead("HTTP/1.0 200 OK\r\nContent-Length: 5x\r\n\r\n").contentLength);
}

TEST(ParseResponseHead, StopsAtAnEmbeddedNul)
{
    std::string head = std::string("HTTP/1.0 200 OK\r\nX: a") + '\0' + "b\r\nContent-Length: 9\r\nLocation: http://h/\r\n\r\n";
    ResponseHead h = ParseResponseHead(head);
    EXPECT_EQ(200, h.statusCode);
    EXPECT_EQ(0u, h.contentLength);
    EXPECT_EQ("", h.location);
}

TEST(RangeAgrees, ARangeWithoutBytesNeverAgrees)
{
    uint32_t total = 0;
    EXPECT_FALSE(RangeAgrees("bytes 20-19/20", 20, 0, &total));
}
