// The digest cache under Wine: an entry answers only while the file is the one
// whose MD5 was taken, and not after 30 days or when a full check is asked for.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/work_folder.h"
#include "update/digest_cache.h"
#include "update/file_md5.h"

static const char Lie[] = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";  // an answer of Lie came from an entry

// One start of the cache: returns LocalMd5 of a.exe.
static std::string Start(bool fullCheck = false)
{
    DigestCache cache(DigestFileName, fullCheck);
    std::string md5 = cache.LocalMd5("a.exe");
    cache.Finish();
    return md5;
}

// Writes file with a.exe's entry claiming Lie and the last full check daysAgo days ago.
static void PlantLie(DigestFile file, uint64_t daysAgo = 0)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    file.entries.at("a.exe").md5 = Lie;
    file.fullCheckTime = (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - daysAgo * 864000000000ull;
    ASSERT_TRUE(WriteFileBytes(DigestFileName, DigestFileText(file)));
}

TEST(DigestCache, AnEntryAnswersOnlyWhileSizeLastWriteVolumeAndIndexMatch)
{
    WorkFolder work;
    std::string text;
    DigestFile taken, now;
    ASSERT_TRUE(WriteFileBytes("a.exe", PatternBytes(65537)));
    ASSERT_EQ(FileMd5("a.exe"), Start());
    ASSERT_TRUE(ReadFileBytes(DigestFileName, &text) && ParseDigestFile(text, &taken) == 0);
    PlantLie(taken);
    EXPECT_EQ(Lie, Start());
    for (int field = 0; field < 4; ++field) {
        DigestFile off = taken;
        FileIdentity& id = off.entries.at("a.exe").identity;
        id.size ^= field == 0, id.lastWrite ^= field == 1, id.volume ^= field == 2, id.index ^= field == 3;
        PlantLie(off);
        EXPECT_EQ(FileMd5("a.exe"), Start()) << field;
        EXPECT_TRUE(ReadFileBytes(DigestFileName, &text) && ParseDigestFile(text, &now) == 0);
        EXPECT_TRUE(now.entries == taken.entries) << field;
    }
    // Nor does an entry open a file that FileMd5 can't read.
    PlantLie(taken);
    HANDLE held = CreateFileA("a.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(std::string(32, '0'), Start());
    CloseHandle(held);

    // After 30 days, or when asked, every file is hashed and the check time renewed.
    PlantLie(taken, 29);
    EXPECT_EQ(Lie, Start());
    PlantLie(taken, 31);
    EXPECT_EQ(FileMd5("a.exe"), Start());
    EXPECT_TRUE(ReadFileBytes(DigestFileName, &text) && ParseDigestFile(text, &now) == 0);
    EXPECT_GE(now.fullCheckTime, taken.fullCheckTime);
    PlantLie(taken);
    EXPECT_EQ(FileMd5("a.exe"), Start(true));
}
