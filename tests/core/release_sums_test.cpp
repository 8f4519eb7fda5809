#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>
#include "update/release_sums.h"

static const std::string A(64, 'a');
static const std::string Hex = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TEST(ReleaseSums, ReadsTheNumberAndEveryNameAsBytes)
{
    ReleaseSums sums;
    const std::string text = "# korvan release 4294967295\n" + Hex + "  md5.txt\n" + A +
                             "  sub dir/\x94\xc5 x.exe.gz\n" + A + std::string("  n\0ul.gz\n", 10);
    ASSERT_EQ(0, ParseReleaseSums(text, &sums));
    EXPECT_EQ(4294967295u, sums.release);
    ASSERT_EQ(3u, sums.sums.size());
    EXPECT_EQ(Hex, sums.sums.at("md5.txt"));
    EXPECT_EQ(A, sums.sums.at("sub dir/\x94\xc5 x.exe.gz"));
    EXPECT_EQ(1u, sums.sums.count(std::string("n\0ul.gz", 7)));
    EXPECT_EQ(0u, sums.sums.count("n"));

    ASSERT_EQ(0, ParseReleaseSums("# korvan release 0\n", &sums));
    EXPECT_EQ(0u, sums.release);
    EXPECT_TRUE(sums.sums.empty());
}

class MalformedSums : public testing::TestWithParam<std::string> {};

TEST_P(MalformedSums, AreRefusedAndLeaveTheResultAlone)
{
    ReleaseSums sums;
    sums.release = 7;
    EXPECT_EQ(1, ParseReleaseSums(GetParam(), &sums));
    EXPECT_EQ(7u, sums.release);
    EXPECT_TRUE(sums.sums.empty());
}

INSTANTIATE_TEST_SUITE_P(ReleaseSums, MalformedSums, testing::Values(
    std::string(""),
    A + "  md5.txt\n",                                       // no first line
    "# korvan release 3",                                    // no LF
    "# korvan release 3\r\n",
    "# Korvan release 3\n",
    "# korvan release  3\n",
    "# korvan release \n",
    "# korvan release 03\n",
    "# korvan release +3\n",
    "# korvan release 4294967296\n",
    "# korvan release 99999999999\n",
    "# korvan release 3\n" + A + "  md5.txt",               // last line without LF
    "# korvan release 3\n" + A + "  md5.txt\r\n",
    "# korvan release 3\n" + A + "  md5.txt\n" + A + "  md5.txt\n",
    "# korvan release 3\n" + A + "  md5.txt\n\n",           // empty line
    "# korvan release 3\n" + A + "  \n",                    // empty name
    "# korvan release 3\n" + A + " *md5.txt\n",
    "# korvan release 3\n" + A + " md5.txt\n",
    "# korvan release 3\n" + A.substr(1) + "  md5.txt\n",
    "# korvan release 3\n" + std::string(63, 'a') + "A  md5.txt\n",
    "# korvan release 3\n" + std::string(63, 'a') + "g  md5.txt\n",
    "# korvan release 3\n\\" + A + "  md5.txt\n"));

TEST(ReleaseSums, SayWhichLineIsWrongAndHow)
{
    const std::string head = "# korvan release 3\n";
    for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>>{
             {"# korvan release 3", "line 1 does not end with LF"},
             {head + A + "  a\r\n", "line 2 holds a CR"},
             {"# korvan release 4294967296\n", "line 1 is not \"# korvan release N\" with N from 0 to 4294967295"},
             {head + A + "  a\n" + A + "  b\n" + A + "  a\n", "line 4 names a file that an earlier line names"},
             {head + A + "  a\n" + A + " b\n", "line 3 is not \"<64 lower-case hexadecimal digits>  <name>\""},
             {head + A + "  \n", "line 2 names no file"},
             {head + A + "  a", "line 2 does not end with LF"}}) {
        std::string why;
        ReleaseSums sums;
        EXPECT_EQ(1, ParseReleaseSums(text, &sums, &why));
        EXPECT_EQ(expected, why) << text;
    }
}
