#include <gtest/gtest.h>
#include <utility>
#include <vector>
#include "update/key_value_list.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// The entries of the parsed list in iteration order.
Entries Parse(const std::string& text)
{
    Manifest map = ParseKeyValueList(text, "&", "=");
    return Entries(map.begin(), map.end());
}

}  // namespace

TEST(SplitString, KeepsEmptyItemsButNoTrailingOne)
{
    using Items = std::vector<std::string>;
    EXPECT_EQ(Items{}, SplitString("", "&"));
    EXPECT_EQ(Items{"abc"}, SplitString("abc", "&"));
    EXPECT_EQ(Items{""}, SplitString("&", "&"));
    EXPECT_EQ(Items({"", ""}), SplitString("&&", "&"));
    EXPECT_EQ(Items({"", "a", "b"}), SplitString("&a&b&", "&"));
    EXPECT_EQ(Items({"a", "b&c"}), SplitString("a<>b&c", "<>"));
    EXPECT_EQ(Items({"a", "", "b"}), SplitString("a<><>b<>", "<>"));
    // A separator that overlaps itself is matched from where the last one ended.
    EXPECT_EQ(Items({"", "&a"}), SplitString("&&&a", "&&"));
    EXPECT_EQ(Items({"a", std::string("b\0c", 3)}), SplitString(std::string("a&b\0c", 5), "&"));
}

TEST(ParseKeyValueList, EmptyItemsGiveTheEmptyKey)
{
    EXPECT_EQ(Entries{}, Parse(""));
    EXPECT_EQ((Entries{{"", ""}}), Parse("&"));
    EXPECT_EQ((Entries{{"", ""}}), Parse("&&"));
    EXPECT_EQ((Entries{{"", ""}, {"a", "1"}}), Parse("&a=1"));
    EXPECT_EQ((Entries{{"a", "1"}}), Parse("a=1&"));
    EXPECT_EQ((Entries{{"", "1"}, {"a", "2"}}), Parse("=1&a=2&&"));
}

TEST(ParseKeyValueList, SplitsEachItemAtItsFirstKeyValueSeparator)
{
    EXPECT_EQ((Entries{{"", "v"}}), Parse("=v"));
    EXPECT_EQ((Entries{{"k", ""}}), Parse("k="));
    EXPECT_EQ((Entries{{"k", "v=w"}}), Parse("k=v=w"));
    EXPECT_EQ((Entries{{"k", ""}}), Parse("k"));
    Manifest map = ParseKeyValueList("a::b||c::d::e", "||", "::");
    EXPECT_EQ((Entries{{"a", "b"}, {"c", "d::e"}}), Entries(map.begin(), map.end()));
}

TEST(ParseKeyValueList, LastValueWithSeparatorWins)
{
    EXPECT_EQ((Entries{{"k", "2"}}), Parse("k=1&k=2"));
    EXPECT_EQ((Entries{{"k", ""}}), Parse("k=1&k="));
    // An item without separator never overwrites, but is overwritten.
    EXPECT_EQ((Entries{{"k", "1"}}), Parse("k=1&k"));
    EXPECT_EQ((Entries{{"k", "1"}}), Parse("k&k=1"));
    EXPECT_EQ((Entries{{"", "x"}}), Parse("=x&&"));
    EXPECT_EQ((Entries{{"", "y"}}), Parse("=x&&=y"));
}

TEST(ParseKeyValueList, KeepsEveryByteOfKeysAndValues)
{
    EXPECT_EQ((Entries{{"a.exe", "0123\r\n"}}), Parse("a.exe=0123\r\n"));
    EXPECT_EQ((Entries{{"a.exe", "1"}, {"b.dll\r\n", ""}}), Parse("a.exe=1&b.dll\r\n"));
    EXPECT_EQ((Entries{{" a ", " 1 "}, {" b", ""}}), Parse(" a = 1 & b"));
    EXPECT_EQ((Entries{{"a%20b+c", "%3D"}}), Parse("a%20b+c=%3D"));
    EXPECT_EQ((Entries{{std::string("a\0b", 3), "x"}}), Parse(std::string("a\0b=x", 5)));
}

TEST(ParseKeyValueList, OrdersKeysByUnsignedBytes)
{
    EXPECT_EQ((Entries{{"Z.exe", "1"}, {"a.exe", "2"}}), Parse("a.exe=2&Z.exe=1"));
    EXPECT_EQ((Entries{{"A.exe", "1"}, {"a.exe", "2"}}), Parse("a.exe=2&A.exe=1"));
    EXPECT_EQ((Entries{{"a", "1"}, {"a.exe", "2"}, {"ab", "3"}}), Parse("ab=3&a.exe=2&a=1"));
    // Shift-JIS bytes (0x80 and up) sort after every ASCII byte.
    EXPECT_EQ((Entries{{"z.exe", "1"}, {"\x95\x5C.exe", "2"}}), Parse("\x95\x5C.exe=2&z.exe=1"));
}

TEST(ByteOrder, ComparesUnsignedBytesWithPrefixFirst)
{
    ByteOrder less;
    EXPECT_TRUE(less("", "a"));
    EXPECT_FALSE(less("a", ""));
    EXPECT_FALSE(less("a", "a"));
    EXPECT_TRUE(less("a", std::string("a\0", 2)));
    EXPECT_TRUE(less("\x7F", "\x80"));
    EXPECT_FALSE(less("\xFF", "\x01"));
}
