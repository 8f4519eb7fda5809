#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "tests/support/work_folder.h"
#include "update/file_md5.h"
#include "update/md5.h"

namespace {

const std::string kZeros(32, '0');

}  // namespace

TEST(FileMd5, EmptyFileGivesTheMd5OfNothing)
{
    WorkFolder folder;
    ASSERT_TRUE(WriteFileBytes("empty.dll", ""));
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", FileMd5("empty.dll"));
}

TEST(FileMd5, GivesTheRfc1321ValuesForFilesOfTheTestStrings)
{
    WorkFolder folder;
    ASSERT_TRUE(WriteFileBytes("abc.exe", "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", FileMd5("abc.exe"));
    ASSERT_TRUE(WriteFileBytes("digits.exe", "1234567890123456789012345678901234567890"
                                             "1234567890123456789012345678901234567890"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a", FileMd5("digits.exe"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a", FileMd5((folder.path + "digits.exe").c_str()));
}

TEST(FileMd5, AgreesWithOneShotMd5AcrossReadBlocks)
{
    WorkFolder folder;
    for (size_t size : {1, 63, 64, 1023, 1024, 1025, 2048, 2049, 100000}) {
        const std::string data = PatternBytes(size);
        ASSERT_TRUE(WriteFileBytes("x.dll", data));
        EXPECT_EQ(Md5OfBytes(data.data(), data.size()), FileMd5("x.dll")) << size << " bytes";
    }
}

TEST(FileMd5, GivesZerosForWhatCannotBeOpened)
{
    WorkFolder folder;
    EXPECT_EQ(kZeros, FileMd5("missing.exe"));
    ASSERT_TRUE(CreateDirectoryA("folder.dll", NULL));
    EXPECT_EQ(kZeros, FileMd5("folder.dll"));
    EXPECT_EQ(kZeros, FileMd5(""));
}

TEST(FileMd5, GivesZerosWhileAnotherHandleRefusesReadSharingOrWrites)
{
    WorkFolder folder;
    ASSERT_TRUE(WriteFileBytes("held.exe", "abc"));

    HANDLE exclusive = CreateFileA("held.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
    EXPECT_EQ(kZeros, FileMd5("held.exe"));
    CloseHandle(exclusive);

    // A writer that shares everything still conflicts: the open shares with readers only.
    HANDLE writer = CreateFileA("held.exe", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(kZeros, FileMd5("held.exe"));
    CloseHandle(writer);

    HANDLE reader = CreateFileA("held.exe", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", FileMd5("held.exe"));
    CloseHandle(reader);
}
