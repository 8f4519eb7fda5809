#include <gtest/gtest.h>
#include "update/extension.h"
#include "update/file_name_check.h"

TEST(IsCp932LeadByte, CoversBothLeadRanges)
{
    int count = 0;
    for (int b = 0; b < 256; ++b)
        count += IsCp932LeadByte(static_cast<unsigned char>(b));
    EXPECT_EQ(31 + 29, count);
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0x9F));
    EXPECT_FALSE(IsCp932LeadByte(0xA0));
    EXPECT_FALSE(IsCp932LeadByte(0xDF));
    EXPECT_TRUE(IsCp932LeadByte(0xE0));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0xFD));
}

TEST(NameExtension, IsTheLastDotOfTheLastComponent)
{
    EXPECT_EQ(".EXE", NameExtension("Game.EXE", IsCp932LeadByte));
    EXPECT_EQ(".gz", NameExtension("a.tar.gz", IsCp932LeadByte));
    EXPECT_EQ(".exe", NameExtension(".exe", IsCp932LeadByte));
    EXPECT_EQ(".", NameExtension("a.", IsCp932LeadByte));
    EXPECT_EQ("", NameExtension("dll", IsCp932LeadByte));
    EXPECT_EQ("", NameExtension("dir.exe/file", IsCp932LeadByte));
    EXPECT_EQ("", NameExtension("dir.exe\\file", IsCp932LeadByte));
    EXPECT_EQ(".dll", NameExtension("data\\sub/x.dll", IsCp932LeadByte));
    EXPECT_EQ("", NameExtension("C:", IsCp932LeadByte));
    EXPECT_EQ(".exe", NameExtension("C:x.exe", IsCp932LeadByte));
    EXPECT_EQ("", NameExtension("", IsCp932LeadByte));
}

TEST(NameExtension, NeverTakesASecondByteForASeparatorOrDot)
{
    // 0x95 0x5C is one kanji whose second byte is '\'.
    EXPECT_EQ(".exe\x95\x5C", NameExtension("a.exe\x95\x5C", IsCp932LeadByte));
    EXPECT_EQ(".dll", NameExtension("\x95\x5C.dll", IsCp932LeadByte));
    EXPECT_EQ(".exe\x95\x5C" "b", NameExtension("a.exe\x95\x5C" "b", IsCp932LeadByte));
    // Read byte by byte the same name has a separator after the dot.
    EXPECT_EQ("", NameExtension("a.exe\x95\x5C" "b", [](unsigned char) { return false; }));
    // A lead byte before a '.' swallows it.
    EXPECT_EQ(".a\x81.b", NameExtension("x.a\x81.b", IsCp932LeadByte));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(".exe\x81", NameExtension("x.exe\x81", IsCp932LeadByte));
}

TEST(ExtensionEqualsIgnoringCase, FoldsAsciiLettersOnly)
{
    EXPECT_TRUE(ExtensionEqualsIgnoringCase(".EXE", ".exe", IsCp932LeadByte));
    EXPECT_TRUE(ExtensionEqualsIgnoringCase(".Dll", ".dll", IsCp932LeadByte));
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".ex", ".exe", IsCp932LeadByte));
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".exe ", ".exe", IsCp932LeadByte));
    EXPECT_FALSE(ExtensionEqualsIgnoringCase("", ".exe", IsCp932LeadByte));
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".ex\xC5", ".exe", IsCp932LeadByte));
    // '@' and '`' sit next to the letters but are no letters.
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".@", ".`", IsCp932LeadByte));
    // A double-byte character is one unit and never equals ASCII bytes.
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".\x82\x65xe", ".exe", IsCp932LeadByte));
    EXPECT_FALSE(ExtensionEqualsIgnoringCase(".e\x82\x78", ".exe", IsCp932LeadByte));
    EXPECT_TRUE(ExtensionEqualsIgnoringCase(".\x95\x5C", ".\x95\x5C", IsCp932LeadByte));
}

TEST(IsGameFileName, AcceptsExeAndDllInAnyCase)
{
    for (const char* name : {"Game.EXE", "x.Dll", ".exe", "data/x.dll", "\x95\x5C.exe"})
        EXPECT_TRUE(IsGameFileName(name, IsCp932LeadByte)) << name;
    for (const char* name : {"readme.txt", "dll", "dir.exe/file", "x.exe.gz", "x.exe\x95\x5C",
                             "x\x81.exe", "x.e\x82\x78", ""})
        EXPECT_FALSE(IsGameFileName(name, IsCp932LeadByte)) << name;
}

TEST(IsSafeFileName, RefusesNamesThatLeaveTheWorkingDirectory)
{
    for (const char* name : {"../x.exe", "..\\x.dll", "a/../../x.exe", "a\\..", "..",
                             "C:x.exe", "C:\\x.exe", "/x.exe", "\\x.exe", "\\\\host\\x.exe",
                             "a:b.exe", "x.exe:stream", "", ".../x.exe", ".. /x.exe"})
        EXPECT_FALSE(IsSafeFileName(name, IsCp932LeadByte)) << name;
    EXPECT_FALSE(IsSafeFileName(std::string("x.exe\0/../y", 11), IsCp932LeadByte));
}

TEST(IsSafeFileName, AllowsRelativeNamesWithSubfolders)
{
    for (const char* name : {"x.exe", "data/x.dll", "data\\sub\\x.dll", "a..b.exe", "..a.exe",
                             "a../x.exe", "./x.exe", "\x95\x5C.exe", "\x95\x5C\\x.exe"})
        EXPECT_TRUE(IsSafeFileName(name, IsCp932LeadByte)) << name;
}

TEST(IsSafeFileName, NeverTakesASecondByteForASeparator)
{
    // With the kanji 0x95 0x5C read as one character there is no ".." component.
    EXPECT_TRUE(IsSafeFileName("\x95\x5C../x.exe", IsCp932LeadByte));
    EXPECT_FALSE(IsSafeFileName("\x95\x5C../x.exe", [](unsigned char) { return false; }));
    EXPECT_FALSE(IsSafeFileName("\x95\x5C\\..\\x.exe", IsCp932LeadByte));
    // A lead byte before a byte that can't end a character hides nothing either.
    for (const char* name : {"\x81/../x.exe", "a\x81\\..\\..\\x.exe", "\x81..\x81/x.exe", "x\x81 .exe"})
        EXPECT_FALSE(IsSafeFileName(name, IsCp932LeadByte)) << name;
}
