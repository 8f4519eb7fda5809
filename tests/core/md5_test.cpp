#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <map>
#include <set>
#include <random>
#include <string>
#include <vector>
#include "update/md5.h"
#ifndef _WIN32
#include <unistd.h>
#endif

TEST(Md5, GivesTheRfc1321SuiteInLowerCase)
{
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, md5] : suite)
        EXPECT_EQ(md5, Md5OfBytes(text, strlen(text))) << '"' << text << '"';
}

TEST(Md5, GivesTheSameDigestWhateverTheFeedSizes)
{
    std::mt19937 random(1321);
    std::vector<unsigned char> data(5000);
    for (auto& byte : data)
        byte = static_cast<unsigned char>(random());
    for (size_t size : {0, 1, 55, 56, 63, 64, 65, 127, 128, 1023, 1024, 1025, 5000}) {
        const std::string whole = Md5OfBytes(data.data(), size);
        Md5 md5;
        for (size_t done = 0; done < size;) {
            size_t piece = std::min<size_t>(random() % 150, size - done);
            md5.Update(data.data() + done, piece);
            done += piece;
        }
        unsigned char digest[16];
        md5.Final(digest);
        EXPECT_EQ(whole, Md5Text(digest)) << size << " bytes";
    }
}

TEST(Md5, FinalClearsTheWorkingState)
{
    Md5 md5;
    md5.Update("abc", 3);
    unsigned char digest[16];
    md5.Final(digest);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Text(digest));
    md5.Final(digest);
    EXPECT_NE("900150983cd24fb0d6963f7d28e17f72", Md5Text(digest));
}

TEST(Md5Text, IsLowerCaseHexInDigestOrder)
{
    const unsigned char digest[16] = {0x00, 0x01, 0x09, 0x0a, 0x0f, 0x10, 0x7f, 0x80,
                                      0x9a, 0xab, 0xbc, 0xcd, 0xde, 0xef, 0xf0, 0xff};
    EXPECT_EQ("0001090a0f107f809aabbccddeeff0ff", Md5Text(digest));
}

TEST(Md5TextEqual, IsExactAndCaseSensitive)
{
    const std::string computed = "900150983cd24fb0d6963f7d28e17f72";
    EXPECT_TRUE(Md5TextEqual(computed, "900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(Md5TextEqual(computed, "900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_FALSE(Md5TextEqual(computed, "900150983cd24fb0d6963f7d28e17f72\r\n"));
    EXPECT_FALSE(Md5TextEqual(computed, "900150983cd24fb0d6963f7d28e17f72 "));
    EXPECT_FALSE(Md5TextEqual(computed, "900150983cd24fb0d6963f7d28e17f7"));
    EXPECT_FALSE(Md5TextEqual(computed, ""));
    EXPECT_TRUE(Md5TextEqual(std::string(32, '0'), "00000000000000000000000000000000"));
}

#ifndef _WIN32
// Compares with the system's md5sum over many lengths around the block (64)
// and read (1024) boundaries, with random contents.
TEST(Md5, AgreesWithMd5sumAroundBlockBoundaries)
{
    std::set<size_t> sizes;
    for (size_t size = 0; size <= 200; ++size)
        sizes.insert(size);
    for (size_t size = 960; size <= 1100; ++size)
        sizes.insert(size);
    std::mt19937 random(20240601);
    for (int i = 0; i < 40; ++i)
        sizes.insert(2000 + random() % 70000);

    char dir[] = "/tmp/md5-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::map<std::string, std::string> ours;
    std::string command = "md5sum";
    for (size_t size : sizes) {
        std::string data(size, '\0');
        for (auto& byte : data)
            byte = static_cast<char>(random());
        const std::string path = std::string(dir) + "/" + std::to_string(size);
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(size, fwrite(data.data(), 1, size, file));
        fclose(file);
        ours[path] = Md5OfBytes(data.data(), size);
        command += " " + path;
    }

    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    char line[512];
    size_t compared = 0;
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        ASSERT_GT(text.size(), 35u) << text;
        std::string path = text.substr(34, text.size() - 35);
        ASSERT_EQ(1u, ours.count(path)) << text;
        EXPECT_EQ(text.substr(0, 32), ours[path]) << path;
        ++compared;
    }
    EXPECT_EQ(0, pclose(pipe));
    EXPECT_EQ(ours.size(), compared);
    for (const auto& entry : ours)
        remove(entry.first.c_str());
    rmdir(dir);
}
#endif
