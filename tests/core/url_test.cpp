#include <gtest/gtest.h>
#include "http/url.h"

namespace {

UrlParts Parse(const char* url)
{
    UrlParts parts{"unset", "unset", 1};
    EXPECT_EQ(0, ParseUrl(url, parts)) << url;
    return parts;
}

}  // namespace

TEST(ParseUrl, SplitsHostPortAndPath)
{
    UrlParts p = Parse("http://host:8080/a/b?x=1#f");
    EXPECT_EQ("host", p.host);
    EXPECT_EQ(8080, p.port);
    EXPECT_EQ("/a/b?x=1#f", p.path);

    p = Parse("http://host");
    EXPECT_EQ("host", p.host);
    EXPECT_EQ(80, p.port);
    EXPECT_EQ("/", p.path);

    // Any scheme is fetched with plain HTTP.
    p = Parse("https://host/x");
    EXPECT_EQ(80, p.port);
    EXPECT_EQ("/x", p.path);

    // '?' does not end the host.
    p = Parse("http://host?x=1");
    EXPECT_EQ("host?x=1", p.host);
    EXPECT_EQ("/", p.path);

    p = Parse("http:///p");
    EXPECT_EQ("", p.host);
    EXPECT_EQ("/p", p.path);
}

TEST(ParseUrl, ConvertsThePortLikeStrtoulAndKeepsItsLow16Bits)
{
    EXPECT_EQ(0, Parse("http://h:/x").port);
    EXPECT_EQ("/x", Parse("http://h:/x").path);
    EXPECT_EQ(0, Parse("http://h:abc/x").port);
    EXPECT_EQ("/", Parse("http://h:abc/x").path);  // scanning stopped at 'a'
    EXPECT_EQ(81, Parse("http://h: 81/x").port);
    EXPECT_EQ(70000 & 0xFFFF, Parse("http://h:70000/").port);
    EXPECT_EQ(0xFFFF, Parse("http://h:99999999999/").port);
    EXPECT_EQ(8080, Parse("http://h:8080?q").port);
    EXPECT_EQ("/", Parse("http://h:8080?q").path);
}

TEST(ParseUrl, RejectsAUrlWithoutSchemeSeparator)
{
    UrlParts parts{"keep", "keep", 7};
    EXPECT_EQ(1, ParseUrl("host/file.txt", parts));
    EXPECT_EQ(1, ParseUrl("", parts));
    EXPECT_EQ(1, ParseUrl("http:/host/", parts));
    EXPECT_EQ("keep", parts.host);
}

TEST(StrToUl32, BehavesLikeA32BitStrtoul)
{
    const char* end = nullptr;
    const char* text = "  200 OK";
    EXPECT_EQ(200u, StrToUl32(text, &end));
    EXPECT_STREQ(" OK", end);
    text = "x1";
    EXPECT_EQ(0u, StrToUl32(text, &end));
    EXPECT_EQ(text, end);
    EXPECT_EQ(0u, StrToUl32(""));
    EXPECT_EQ(0u, StrToUl32(" -"));
    EXPECT_EQ(4294967295u, StrToUl32("4294967295"));
    EXPECT_EQ(4294967295u, StrToUl32("4294967296"));
    EXPECT_EQ(4294967291u, StrToUl32("-5"));
    EXPECT_EQ(12u, StrToUl32("+12"));
}
