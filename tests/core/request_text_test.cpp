#include <gtest/gtest.h>
#include "http/request_text.h"
#include "http/url.h"

TEST(RequestText, IsTheExactHeadForAUrlWithPortAndQuery)
{
    UrlParts parts;
    ASSERT_EQ(0, ParseUrl("http://host:8080/a/b?x=1", parts));
    EXPECT_EQ(
        "GET /a/b?x=1 HTTP/1.0\r\n"
        "User-Agent: Mozilla/4.0 (compatible; R-FIG KORVAN; OS2/5.1.2600; http://www.r-fig.example/)\r\n"
        "Accept-Encoding: gzip, deflate\r\n"
        "Host: host\r\n"
        "Korvan-Client-Type: download\r\n"
        "\r\n",
        RequestText(parts.path, parts.host, " OS2/5.1.2600;", "http://www.r-fig.example/"));
}

TEST(RequestText, SendsPathAndHostUnescaped)
{
    std::string text = RequestText("/a b/%41\x94\xC5", "h\x94\xC5", " OS0/0.0.0;", "http://x/");
    EXPECT_EQ(0u, text.find("GET /a b/%41\x94\xC5 HTTP/1.0\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nHost: h\x94\xC5\r\n"));
}
