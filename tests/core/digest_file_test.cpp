#include <gtest/gtest.h>
#include "update/digest_file.h"

TEST(DigestFile, ReadsBackWhatItWritesAndRefusesAnyMalformedLine)
{
    const std::string head = "korvan-digests 1\nfull-check 01d9f0c1a2b3c4d5\n";
    const std::string line = "0123456789abcdef0123456789abcdef fedcba9876543210 0000000000000001 a1b2c3d4 0000000000fe0001 ";
    DigestFile file, read;
    file.fullCheckTime = 0x01d9f0c1a2b3c4d5ull;
    file.entries["sub dir/\x94\x5c x.exe"] = {line.substr(0, 32), {0xfedcba9876543210ull, 1, 0xa1b2c3d4u, 0xfe0001}};
    file.entries["bad\nname.exe"] = {line.substr(0, 32), {}};  // left out: it would not read back
    ASSERT_EQ(head + line + "sub dir/\x94\x5c x.exe\n", DigestFileText(file));
    ASSERT_EQ(0, ParseDigestFile(DigestFileText(file), &read));
    file.entries.erase("bad\nname.exe");
    EXPECT_TRUE(read.fullCheckTime == file.fullCheckTime && read.entries == file.entries);

    std::string upper = line;
    upper[40] = 'A';
    for (const std::string& bad : {head.substr(0, 44), head + line + "a.exe", head + line + "a.exe\r\n", head + line + "\n",
                                   head + upper + "a.exe\n", head + line.substr(1) + "a.exe\n",
                                   head + line + "a.exe\n" + line + "a.exe\n", "korvan-digests 2" + head.substr(16)})
        EXPECT_EQ(1, ParseDigestFile(bad, &read)) << bad;
    EXPECT_EQ(1u, read.entries.size());
    EXPECT_TRUE(FullCheckDue(1, 0) && FullCheckDue(0, 25920000000001ull) && !FullCheckDue(0, 25920000000000ull));
}
