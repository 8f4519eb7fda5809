// The small pieces of the per-file step: the cancellable pause, the temporary
// file and the unpacking.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <chrono>
#include <thread>
#include "tests/support/wait_until.h"
#include "tests/support/work_folder.h"
#include "update/gunzip_file.h"
#include "update/temp_file.h"
#include "update/wait_while_running.h"

TEST(WaitWhileRunning, ReturnsAtOnceWhenTheFlagIsClear)
{
    RunFlag running(false);
    DWORD start = GetTickCount();
    WaitWhileRunning(10000, &running);
    EXPECT_LT(GetTickCount() - start, 50u);
}

TEST(WaitWhileRunning, LastsTheDurationWhileRunning)
{
    RunFlag running(true);
    DWORD start = GetTickCount();
    WaitWhileRunning(200, &running);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 200u);
    EXPECT_LT(elapsed, 1000u);
}

TEST(WaitWhileRunning, EndsWithinMillisecondsOfClearing)
{
    RunFlag running(true);
    std::atomic<DWORD> ended(0);
    std::thread waiter([&] {
        WaitWhileRunning(10000, &running);
        ended = GetTickCount();
    });
    Sleep(100);  // let the wait begin; the outcome does not depend on it
    DWORD cleared = GetTickCount();
    running = false;
    waiter.join();
    EXPECT_LT(ended - cleared, 50u);
}

TEST(TempFile, IsAnEmptyMjFileInTheTempFolderUntilDestroyed)
{
    std::string path;
    {
        TempFile file;
        path = file.path;
        std::string folder = TempFolderPath();
        ASSERT_EQ(0, _strnicmp(folder.c_str(), path.c_str(), folder.size())) << path;
        std::string name = path.substr(folder.size());
        EXPECT_EQ(0, _strnicmp(name.c_str(), "mj", 2)) << name;
        EXPECT_EQ(".tmp", name.substr(name.size() - 4));
        std::string bytes = "x";
        ASSERT_TRUE(ReadFileBytes(path, &bytes));
        EXPECT_EQ("", bytes);
    }
    EXPECT_FALSE(PathExists(path));
}

TEST(TempFile, InAFolderIsMadeThereOrNotAtAll)
{
    WorkFolder work;
    std::string kept;
    {
        TempFile file(".");
        ASSERT_NE('\0', file.path[0]);
        EXPECT_EQ(1u, FilesMatching(work.path, "mj*.tmp").size());
        TempFile missing("no such folder");
        EXPECT_EQ('\0', missing.path[0]);
        TempFile keep(".");
        kept = keep.path;
        keep.Keep();
    }
    EXPECT_EQ(std::vector<std::string>{kept.substr(kept.find_last_of("\\/") + 1)},
              FilesMatching(work.path, "mj*.tmp"));
}

// Runs GunzipFile on a thread. Returns false when it has not ended after 10 s
// (the thread is then left running).
static bool GunzipEnds(const char* source, const char* target)
{
    std::atomic<bool> done(false);
    std::thread unpack([&] {
        GunzipFile(source, target);
        done = true;
    });
    if (!WaitUntil([&] { return done.load(); }, 10000)) {
        unpack.detach();
        return false;
    }
    unpack.join();
    return true;
}

TEST(GunzipFile, UnpacksGzipAndCopiesPlainFiles)
{
    WorkFolder work;
    const std::string data = PatternBytes(3 * 4096 + 17);
    ASSERT_TRUE(WriteFileBytes("a.gz", GzipBytes(data)));
    ASSERT_TRUE(WriteFileBytes("target", "old contents that are longer than nothing"));
    ASSERT_TRUE(GunzipEnds("a.gz", "target"));
    std::string out;
    ASSERT_TRUE(ReadFileBytes("target", &out));
    EXPECT_TRUE(out == data);

    ASSERT_TRUE(WriteFileBytes("plain", "not compressed\r\n"));
    ASSERT_TRUE(GunzipEnds("plain", "copy"));
    ASSERT_TRUE(ReadFileBytes("copy", &out));
    EXPECT_EQ("not compressed\r\n", out);

    GunzipFile("missing.gz", "untouched");
    EXPECT_FALSE(PathExists("untouched"));
}

TEST(GunzipFile, EndsOnDamagedArchives)
{
    WorkFolder work;
    const std::string data = PatternBytes(64 * 1024);
    const std::string packed = GzipBytes(data);

    std::string corrupt = packed;
    for (size_t i = 20; i < corrupt.size() - 8; i += 97)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    ASSERT_TRUE(WriteFileBytes("corrupt.gz", corrupt));
    EXPECT_TRUE(GunzipEnds("corrupt.gz", "corrupt"));

    ASSERT_TRUE(WriteFileBytes("truncated.gz", packed.substr(0, packed.size() / 2)));
    EXPECT_TRUE(GunzipEnds("truncated.gz", "truncated"));
    std::string out;
    ASSERT_TRUE(ReadFileBytes("truncated", &out));
    EXPECT_LT(out.size(), data.size());
}
