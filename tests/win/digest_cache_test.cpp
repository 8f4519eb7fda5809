// The digest cache under Wine: an entry answers only while the file is the one
// whose MD5 was taken; a bad digest file is rebuilt silently; full checks.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/answer_boxes.h"
#include "tests/support/work_folder.h"
#include "update/digest_cache.h"
#include "update/file_md5.h"
#include "update/md5.h"

static const char Lie[] = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";  // an answer of Lie came from an entry

// One start of the cache: returns LocalMd5 of a.exe; b.dll's must be FileMd5's.
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

// Writes file with a.exe's entry claiming Lie and the last full check daysAgo days ago.
static void PlantLie(DigestFile file, uint64_t daysAgo = 0)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    file.entries.at("a.exe").md5 = Lie;
    file.fullCheckTime = (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - daysAgo * 864000000000ull;
    ASSERT_TRUE(WriteFileBytes(DigestFileName, DigestFileText(file)));
}

TEST(DigestCache, AnEntryAnswersOnlyWhileSizeLastWriteVolumeAndIndexAllMatch)
{
    WorkFolder work;
    ASSERT_TRUE(WriteFileBytes("a.exe", "contents") && WriteFileBytes("b.dll", PatternBytes(65537)));
    const std::string real = Md5OfBytes("contents", 8);
    ASSERT_EQ(real, Start());
    const DigestFile taken = Digests();
    PlantLie(taken);
    EXPECT_EQ(Lie, Start());
    for (int field = 0; field < 4; ++field) {
        DigestFile off = taken;
        FileIdentity& id = off.entries.at("a.exe").identity;
        id.size ^= field == 0, id.lastWrite ^= field == 1, id.volume ^= field == 2, id.index ^= field == 3;
        PlantLie(off);
        EXPECT_EQ(real, Start()) << field;
        EXPECT_TRUE(Digests().entries == taken.entries) << field;
    }
    // Nor does an entry open a file that FileMd5 can't read.
    PlantLie(taken);
    HANDLE held = CreateFileA("a.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(FileMd5("a.exe"), Start());
    CloseHandle(held);

    // After 30 days, or when asked, every file is hashed and the check time renewed.
    PlantLie(taken, 29);
    EXPECT_EQ(Lie, Start());
    PlantLie(taken, 31);
    EXPECT_EQ(real, Start());
    EXPECT_GE(Digests().fullCheckTime, taken.fullCheckTime);
    PlantLie(taken);
    EXPECT_EQ(real, Start(true));
}

TEST(DigestCache, ReplacedFileWithSizeAndLastWriteRestoredIsHashedAndBadDigestFilesRebuilt)
{
    WorkFolder work;
    ASSERT_TRUE(WriteFileBytes("a.exe", "contents") && WriteFileBytes("b.dll", "b"));
    Start();
    const FileIdentity old = Digests().entries.at("a.exe").identity;
    ASSERT_TRUE(WriteFileBytes("new.tmp", "CONTENTS") && MoveFileExA("new.tmp", "a.exe", MOVEFILE_REPLACE_EXISTING));
    HANDLE file = CreateFileA("a.exe", FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    const FILETIME time = {static_cast<DWORD>(old.lastWrite), static_cast<DWORD>(old.lastWrite >> 32)};
    ASSERT_TRUE(SetFileTime(file, NULL, NULL, &time) && CloseHandle(file));
    EXPECT_EQ(Md5OfBytes("CONTENTS", 8), Start());
    const FileIdentity now = Digests().entries.at("a.exe").identity;
    EXPECT_TRUE(now.size == old.size && now.lastWrite == old.lastWrite && now.index != old.index);

    // A digest file that can't be read back whole is not used, and is rebuilt.
    PlantLie(Digests());
    std::string text;
    ASSERT_TRUE(ReadFileBytes(DigestFileName, &text));
    for (const std::string& bad : {text + "x\n", text.substr(0, text.size() - 1), std::string("-")}) {
        ASSERT_TRUE(bad != "-" ? WriteFileBytes(DigestFileName, bad) : DeleteFileA(DigestFileName));
        std::vector<MessageBoxInfo> boxes;
        std::string md5;
        ASSERT_TRUE(RunAnsweringBoxes([&] { md5 = Start(); }, &boxes));
        EXPECT_TRUE(md5 == Md5OfBytes("CONTENTS", 8) && boxes.empty()) << bad;
        EXPECT_EQ(2u, Digests().entries.size());
    }
    EXPECT_TRUE(FilesMatching(work.path, "mj*.tmp").empty());
}
