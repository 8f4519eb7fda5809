// The digest cache under Wine: when an entry answers for a file, and when not.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/work_folder.h"
#include "update/digest_cache.h"
#include "update/file_md5.h"

// One start of the cache: returns LocalMd5 of a.exe.
static std::string Start(bool fullCheck)
{
    DigestCache cache(DigestFileName, fullCheck);
    std::string md5 = cache.LocalMd5("a.exe");
    cache.Finish();
    return md5;
}

static DigestFile Digests()
{
    std::string text;
    DigestFile file;
    EXPECT_TRUE(ReadFileBytes(DigestFileName, &text) && ParseDigestFile(text, &file) == 0) << text;
    return file;
}

TEST(DigestCache, AnEntryAnswersOnlyForTheFileWhoseMd5WasTakenUntilAFullCheck)
{
    WorkFolder work;
    ASSERT_TRUE(WriteFileBytes("a.exe", PatternBytes(65537)));
    const std::string real = FileMd5("a.exe"), lie(32, 'a');
    ASSERT_EQ(real, Start(false));
    const DigestFile taken = Digests();
    // An entry claiming lie: {identity field changed (-1: none), days since the full check, full check asked, lie answered}
    const int cases[][4] = {{-1, 0, 0, 1}, {0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0},
                            {-1, 29, 0, 1}, {-1, 31, 0, 0}, {-1, 0, 1, 0}};
    for (const auto& c : cases) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        DigestFile planted = taken;
        DigestEntry& entry = planted.entries.at("a.exe");
        entry.md5 = lie;
        entry.identity.size ^= c[0] == 0, entry.identity.lastWrite ^= c[0] == 1;
        entry.identity.volume ^= c[0] == 2, entry.identity.index ^= c[0] == 3;
        planted.fullCheckTime = (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - c[1] * 864000000000ull;
        ASSERT_TRUE(WriteFileBytes(DigestFileName, DigestFileText(planted)));
        EXPECT_EQ(c[3] ? lie : real, Start(c[2] != 0)) << c[0] << ' ' << c[1] << ' ' << c[2];
        const DigestFile after = Digests();
        EXPECT_TRUE(c[3] || (after.entries == taken.entries && after.fullCheckTime >= taken.fullCheckTime));
    }
    HANDLE held = CreateFileA("a.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(std::string(32, '0'), Start(false)) << "an entry answered for a file that FileMd5 can't read";
    CloseHandle(held);
}
