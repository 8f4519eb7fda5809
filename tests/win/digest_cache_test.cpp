// The digest cache under Wine: an entry answers only while the file is the one
// whose MD5 was taken; a bad digest file is rebuilt silently; full checks.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/answer_boxes.h"
#include "tests/support/work_folder.h"
#include "update/digest_cache.h"
#include "update/file_md5.h"
#include "update/md5.h"

class DigestCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes("a.exe", "contents") && WriteFileBytes("b.dll", PatternBytes(65537)));
        ASSERT_EQ(Real, Start());
    }

    // One start of the cache: returns LocalMd5 of a.exe, checks b.dll's against FileMd5's.
    static std::string Start(bool fullCheck = false)
    {
        DigestCache cache(DigestFileName, fullCheck);
        std::string md5 = cache.LocalMd5("a.exe");
        EXPECT_EQ(FileMd5("b.dll"), cache.LocalMd5("b.dll"));
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

    // Makes the entry of a.exe claim Lie, with the last full check daysAgo days ago.
    static DigestFile PlantLie(uint64_t daysAgo = 0, DigestFile file = Digests())
    {
        file.entries.at("a.exe").md5 = Lie;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        file.fullCheckTime = (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - daysAgo * 864000000000ull;
        EXPECT_TRUE(WriteFileBytes(DigestFileName, DigestFileText(file)));
        return file;
    }

    WorkFolder work;
    const std::string Real = Md5OfBytes("contents", 8);
    static constexpr const char* Lie = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";  // from an entry, never from a.exe
};

TEST_F(DigestCacheTest, AnEntryAnswersOnlyWhileAllFourMatch)
{
    DigestFile planted = PlantLie();
    EXPECT_EQ(Lie, Start());
    const DigestEntry real = {Real, planted.entries.at("a.exe").identity};
    for (int field = 0; field < 4; ++field) {
        FileIdentity off = real.identity;
        off.size ^= field == 0, off.lastWrite ^= field == 1, off.volume ^= field == 2, off.index ^= field == 3;
        planted.entries.at("a.exe").identity = off;
        PlantLie(0, planted);
        EXPECT_EQ(Real, Start()) << field;
        EXPECT_TRUE(Digests().entries.at("a.exe") == real) << field;
    }
    // Nor does it open a file that FileMd5 can't read.
    PlantLie();
    HANDLE held = CreateFileA("a.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(FileMd5("a.exe"), Start());
    CloseHandle(held);
}

TEST_F(DigestCacheTest, FileReplacedWithSizeAndLastWriteRestoredIsHashed)
{
    const FileIdentity old = Digests().entries.at("a.exe").identity;
    ASSERT_TRUE(WriteFileBytes("new.tmp", "CONTENTS") && MoveFileExA("new.tmp", "a.exe", MOVEFILE_REPLACE_EXISTING));
    HANDLE file = CreateFileA("a.exe", FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    const FILETIME time = {static_cast<DWORD>(old.lastWrite), static_cast<DWORD>(old.lastWrite >> 32)};
    ASSERT_TRUE(SetFileTime(file, NULL, NULL, &time));
    CloseHandle(file);

    EXPECT_EQ(Md5OfBytes("CONTENTS", 8), Start());
    const FileIdentity now = Digests().entries.at("a.exe").identity;
    EXPECT_TRUE(now.size == old.size && now.lastWrite == old.lastWrite && now.index != old.index);
}

TEST_F(DigestCacheTest, MissingOrMalformedDigestFileIsRebuiltWithoutAMessage)
{
    PlantLie();
    std::string text;
    ASSERT_TRUE(ReadFileBytes(DigestFileName, &text));
    for (const std::string& bad : {std::string(), text + "garbage\n", text.substr(0, text.size() - 1), std::string("-")}) {
        ASSERT_TRUE(bad != "-" ? WriteFileBytes(DigestFileName, bad) : DeleteFileA(DigestFileName));
        std::vector<MessageBoxInfo> boxes;
        std::string md5;
        ASSERT_TRUE(RunAnsweringBoxes([&] { md5 = Start(); }, &boxes));
        EXPECT_TRUE(md5 == Real && boxes.empty()) << bad;
        EXPECT_EQ(2u, Digests().entries.size());
        PlantLie();
    }
    EXPECT_TRUE(FilesMatching(work.path, "mj*.tmp").empty());
}

TEST_F(DigestCacheTest, FullCheckAfterThirtyDaysOrWhenAsked)
{
    PlantLie(29);
    EXPECT_EQ(Lie, Start());
    const uint64_t due = PlantLie(31).fullCheckTime + 31 * 864000000000ull;
    EXPECT_EQ(Real, Start());
    EXPECT_GE(Digests().fullCheckTime, due);
    PlantLie();
    EXPECT_EQ(Real, Start(true));
}
