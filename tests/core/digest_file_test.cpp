#include <gtest/gtest.h>
#include <string>
#include "update/digest_file.h"

static const std::string Head = "korvan-digests 1\nfull-check 01d9f0c1a2b3c4d5\n";
static const std::string Line = "0123456789abcdef0123456789abcdef fedcba9876543210 0000000000000001 a1b2c3d4 0000000000fe0001 ";

TEST(DigestFile, ReadsBackWhatItWritesAndRefusesAnyMalformedLine)
{
    DigestFile file, read;
    file.fullCheckTime = 0x01d9f0c1a2b3c4d5ull;
    file.entries["sub dir/\x94\x5c x.exe"] = {Line.substr(0, 32), {0xfedcba9876543210ull, 1, 0xa1b2c3d4u, 0xfe0001}};
    file.entries["bad\nname.exe"] = {std::string(32, 'f'), {}};  // not written: it would not read back
    const std::string text = DigestFileText(file);
    EXPECT_EQ(Head + Line + "sub dir/\x94\x5c x.exe\n", text);
    ASSERT_EQ(0, ParseDigestFile(text, &read));
    file.entries.erase("bad\nname.exe");
    EXPECT_TRUE(read.fullCheckTime == file.fullCheckTime && read.entries == file.entries);

    std::string upper = Line;
    upper[40] = 'A';
    for (const std::string& bad : {std::string(), Head.substr(0, 44), Head + Line + "a.exe", Head + Line + "a.exe\r\n",
                                   Head + Line + "\n", Head + Line + "a\tb.exe\n", Head + upper + "a.exe\n",
                                   Head + Line + "a.exe\n" + Line + "a.exe\n", Head + Line.substr(1) + "a.exe\n",
                                   Head + Line + "a.exe\n\n", "korvan-digests 2" + Head.substr(16)}) {
        DigestFile kept = read;
        EXPECT_EQ(1, ParseDigestFile(bad, &kept)) << bad;
        EXPECT_EQ(1u, kept.entries.size());
    }
}

TEST(DigestFile, FullCheckIsDueAfterThirtyDaysOrWithTheClockSetBack)
{
    const uint64_t day = 24ull * 3600 * 10000000, last = 0x01d9f0c1a2b3c4d5ull;
    EXPECT_FALSE(FullCheckDue(last, last) || FullCheckDue(last, last + 30 * day));
    EXPECT_TRUE(FullCheckDue(last, last + 30 * day + 1) && FullCheckDue(last, last - 1));
}
