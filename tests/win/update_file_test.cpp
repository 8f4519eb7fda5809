// The per-file step against a scripted web server, with a stand-in launcher
// window and the log datagrams caught by a UdpLogReceiver.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <utility>
#include <thread>
#include <memory>
#include "common/launcher_texts.h"
#include "log/log_printf.h"
#include "tests/support/answer_boxes.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_window.h"
#include "tests/support/udp_log_receiver.h"
#include "tests/support/wait_until.h"
#include "tests/support/work_folder.h"
#include "update/base_url.h"
#include "update/md5.h"
#include "update/update_file.h"

// The verification failure text after the name, in Shift-JIS: " invalid md5",
// then "a restart of the computer may be needed when this error appears" and
// "if Korvan is running, please quit it".
static const char VerifyFailedBytes[] =
    " invalid md5\r\n\r\n"
    "\x81\xa6\x82\xb1\x82\xcc\x83G\x83\x89\x81[\x82\xaa\x8fo\x82\xe9\x8f\xea\x8d\x87\x82\xc9"
    "\x82\xcd\x83R\x83\x93\x83s\x83\x85\x81[\x83^\x82\xcc\x8d\xc4\x8bN\x93\xae\x82\xaa\x95K"
    "\x97v\x82\xc8\x8f\xea\x8d\x87\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\r\n"
    "\x81\xa6Korvan\x82\xf0\x8bN\x93\xae\x82\xb5\x82\xc4\x82\xa2\x82\xe9\x8f\xea\x8d\x87\x82"
    "\xc9\x82\xcd\x8fI\x97\xb9\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\r\n";

class UpdateFileTest : public testing::Test {
protected:
    static void SetUpTestSuite() { receiver = new UdpLogReceiver(); }
    static void TearDownTestSuite()
    {
        delete receiver;
        receiver = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(receiver->Bound());
        receiver->Clear();
        BaseUrl = server.Url("/files/");
        tempBefore = TempFiles();
    }

    // Runs UpdateFile on a worker thread, answering its message boxes.
    int Update(const std::string& name, const std::string& expectedMd5, DWORD timeoutMs = 60000)
    {
        int result = -1;
        EXPECT_TRUE(RunAnsweringBoxes([&] {
            result = UpdateFile(window.hwnd, window.fileBar, &running, name, expectedMd5);
        }, &boxes, timeoutMs));
        return result;
    }

    // The log lines received since the test began (each without its NUL) that
    // mention one of names: other programs may log to the same port meanwhile.
    std::vector<std::string> LogLinesAbout(std::initializer_list<const char*> names)
    {
        // Datagrams arrive in order: once the mark is here, every earlier line is too.
        static unsigned marks = 0;
        char mark[48];
        wsprintfA(mark, "MARK %lu %u\r\n", GetCurrentProcessId(), ++marks);
        LogPrintf("%s", mark);
        EXPECT_TRUE(receiver->WaitForDatagram(std::string(mark) + '\0'));
        std::vector<std::string> lines;
        for (const std::string& datagram : receiver->Datagrams()) {
            std::string line = datagram.substr(0, datagram.find('\0'));
            if (line == mark)
                break;
            for (const char* name : names) {
                if (line.find(name) != std::string::npos) {
                    lines.push_back(line);
                    break;
                }
            }
        }
        return lines;
    }

    // The mj*.tmp files of the temporary folder and of the work folder.
    std::vector<std::string> TempFiles()
    {
        std::vector<std::string> names = FilesMatching(TempFolderPath(), "mj*.tmp");
        for (const std::string& name : FilesMatching(work.path, "mj*.tmp"))
            names.push_back("work:" + name);
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Contents(const char* path)
    {
        std::string bytes;
        return ReadFileBytes(path, &bytes) ? bytes : "<missing>";
    }

    static UdpLogReceiver* receiver;
    WorkFolder work;
    ScriptedServer server;
    TestWindow window;
    RunFlag running{true};
    std::vector<MessageBoxInfo> boxes;
    std::vector<std::string> tempBefore;
};

UdpLogReceiver* UpdateFileTest::receiver = nullptr;

TEST_F(UpdateFileTest, SkipMarkerFileOrFolderSkipsTheFile)
{
    ASSERT_TRUE(WriteFileBytes("a.exe.skipupdate", ""));
    ASSERT_TRUE(CreateDirectoryA("b.dll.skipupdate", NULL));
    ASSERT_TRUE(WriteFileBytes("b.dll", "local"));

    EXPECT_EQ(0, Update("a.exe", Md5OfBytes("new", 3)));
    EXPECT_EQ(0, Update("b.dll", Md5OfBytes("new", 3)));
    EXPECT_EQ(std::vector<std::string>({"SKIPUPDATE a.exe\r\n", "SKIPUPDATE b.dll\r\n"}),
              LogLinesAbout({"a.exe", "b.dll"}));
    EXPECT_EQ(0u, server.ConnectionCount());
    EXPECT_FALSE(PathExists("a.exe"));
    EXPECT_EQ("local", Contents("b.dll"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpdateFileTest, CurrentFileIsLeftAloneWithoutTempFiles)
{
    ASSERT_TRUE(WriteFileBytes("game.exe", "current"));
    EXPECT_EQ(0, Update("game.exe", Md5OfBytes("current", 7)));
    EXPECT_EQ(0u, server.ConnectionCount());
    EXPECT_TRUE(LogLinesAbout({"game.exe"}).empty());
    EXPECT_EQ("current", Contents("game.exe"));
    EXPECT_EQ(tempBefore, TempFiles());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpdateFileTest, OutdatedFileIsDownloadedUnpackedAndVerified)
{
    const std::string fresh(10000, 'n');
    ASSERT_TRUE(WriteFileBytes("game.exe", "old"));
    server.Add(HttpResponse("200 OK", GzipBytes(fresh)));

    EXPECT_EQ(0, Update("game.exe", Md5OfBytes(fresh.data(), fresh.size())));
    EXPECT_TRUE(Contents("game.exe") == fresh);
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ(0u, server.Requests()[0].find("GET /files/game.exe.gz HTTP/1.0\r\n"));
    EXPECT_EQ(std::vector<std::string>({"GOING DOWNLOAD game.exe BEGIN\r\n",
                                        "GOING DOWNLOAD game.exe END\r\n"}),
              LogLinesAbout({"game.exe"}));
    EXPECT_EQ(tempBefore, TempFiles());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpdateFileTest, MissingFileInASubfolderAndPlainObjectBehindTheGzUrl)
{
    ASSERT_TRUE(CreateDirectoryA("data", NULL));
    server.Add(HttpResponse("200 OK", "plain bytes"));
    EXPECT_EQ(0, Update("data/x.dll", Md5OfBytes("plain bytes", 11)));
    EXPECT_EQ("plain bytes", Contents("data\\x.dll"));
    EXPECT_TRUE(FilesMatching(work.path + "data\\", "mj*.tmp").empty());
    EXPECT_EQ(tempBefore, TempFiles());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpdateFileTest, FoldersMissingLocallyAreCreated)
{
    server.Add(HttpResponse("200 OK", GzipBytes("new")));
    EXPECT_EQ(0, Update("data/sub\\x.dll", Md5OfBytes("new", 3)));
    EXPECT_EQ("new", Contents("data\\sub\\x.dll"));
    EXPECT_EQ(tempBefore, TempFiles());
    EXPECT_TRUE(boxes.empty());
}

// Serves a reply for the new contents that fails verification in one way.
enum class Damage { WrongContents, TruncatedArchive, CorruptArchive, TargetInUse };

class VerificationFailureTest : public UpdateFileTest,
                                public testing::WithParamInterface<Damage> {};

TEST_P(VerificationFailureTest, KeepsTheLocalFileAndTellsTheUser)
{
    const std::string fresh = PatternBytes(50000);
    std::string packed = GzipBytes(fresh);
    switch (GetParam()) {
    case Damage::WrongContents: packed = GzipBytes("something else"); break;
    case Damage::TruncatedArchive: packed.resize(packed.size() / 2); break;
    case Damage::CorruptArchive:
        for (size_t i = 30; i < packed.size() - 8; i += 101)
            packed[i] = static_cast<char>(packed[i] ^ 0x33);
        break;
    case Damage::TargetInUse: break;
    }
    const std::string old = "old local contents";
    ASSERT_TRUE(WriteFileBytes("game.exe", old));
    server.Add(HttpResponse("200 OK", packed));

    HANDLE held = INVALID_HANDLE_VALUE;
    if (GetParam() == Damage::TargetInUse) {
        held = CreateFileA("game.exe", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
    }
    int result = Update("game.exe", Md5OfBytes(fresh.data(), fresh.size()));
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    EXPECT_EQ(1, result);
    EXPECT_EQ(old, Contents("game.exe"));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(std::string("game.exe") + VerifyFailedBytes, boxes[0].text);
    EXPECT_EQ(LauncherTitle, boxes[0].caption);
    EXPECT_EQ(window.hwnd, boxes[0].owner);
    EXPECT_TRUE(boxes[0].hasIcon);
    EXPECT_EQ(std::vector<int>{IDOK}, boxes[0].buttons);
    EXPECT_EQ(tempBefore, TempFiles());
}

INSTANTIATE_TEST_SUITE_P(Damages, VerificationFailureTest,
                         testing::Values(Damage::WrongContents, Damage::TruncatedArchive,
                                         Damage::CorruptArchive, Damage::TargetInUse));

TEST_F(UpdateFileTest, NamesLeavingTheWorkingDirectoryAreRefused)
{
    // The step runs in work\game; work\ holds skip markers and files for the names
    // that point there, so a name that got past the check would be skipped or
    // would create a file there.
    ASSERT_TRUE(CreateDirectoryA("game", NULL));
    ASSERT_TRUE(WriteFileBytes("x.exe.skipupdate", ""));
    ASSERT_TRUE(WriteFileBytes("x.dll.skipupdate", ""));
    ASSERT_TRUE(SetCurrentDirectoryA("game"));
    const bool rootFileBefore = PathExists("C:\\x.exe");
    const std::vector<std::string> workBefore = FilesMatching(work.path, "*");

    // A NUL inside the name would cut it to "x.exe", which a skip marker
    // above would let through: the whole name decides, the box shows its head.
    const std::string names[] = {"../x.exe", "..\\x.dll", "C:x.exe", "/x.exe", "a:b.exe",
                                 std::string("x.exe\0.dll", 10)};
    ASSERT_TRUE(WriteFileBytes("x.exe.skipupdate", ""));
    for (const std::string& name : names) {
        boxes.clear();
        server.SetFallback(HttpResponse("200 OK", "payload"));
        EXPECT_EQ(1, Update(name, Md5OfBytes("payload", 7))) << name;
        ASSERT_EQ(1u, boxes.size()) << name;
        EXPECT_EQ(std::string(name.c_str()) + " invalid file name", boxes[0].text);
        EXPECT_EQ(LauncherTitle, boxes[0].caption);
        EXPECT_EQ(window.hwnd, boxes[0].owner);
        EXPECT_TRUE(boxes[0].hasIcon);
    }
    EXPECT_EQ(0u, server.ConnectionCount());
    EXPECT_TRUE(LogLinesAbout({"x.exe", "x.dll", "b.exe"}).empty());
    EXPECT_EQ(std::vector<std::string>{"x.exe.skipupdate"}, FilesMatching(work.path + "game\\", "*"));
    ASSERT_TRUE(DeleteFileA("x.exe.skipupdate"));
    EXPECT_EQ(workBefore, FilesMatching(work.path, "*"));
    EXPECT_EQ(rootFileBefore, PathExists("C:\\x.exe"));
    EXPECT_EQ(tempBefore, TempFiles());
}

TEST_F(UpdateFileTest, ClosingDuringThePauseEndsTheStepAfterOneMoreAttempt)
{
    ASSERT_TRUE(WriteFileBytes("game.exe", "old"));
    server.SetFallback(HttpResponse("404 Not Found", ""));
    ASSERT_FALSE(IsWindowVisible(window.hwnd));

    int result = -1;
    DWORD cleared = 0;
    ASSERT_TRUE(RunAnsweringBoxes([&] {
        std::thread closer([&] {
            // The window is shown after the failed attempt, just before the pause.
            WaitUntil([&] { return IsWindowVisible(window.hwnd) != FALSE; }, 10000);
            cleared = GetTickCount();
            running = false;
        });
        result = UpdateFile(window.hwnd, window.fileBar, &running, "game.exe",
                            Md5OfBytes("new", 3).c_str());
        closer.join();
    }, &boxes));
    DWORD ended = GetTickCount();

    EXPECT_EQ(1, result);
    // Under 10 s: the pause did not run its course.
    EXPECT_LT(ended - cleared, 9000u);
    EXPECT_EQ(2u, server.ConnectionCount());
    EXPECT_EQ(std::vector<std::string>({"GOING DOWNLOAD game.exe BEGIN\r\n",
                                        "GOING DOWNLOAD game.exe END\r\n"}),
              LogLinesAbout({"game.exe"}));
    EXPECT_EQ("old", Contents("game.exe"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(tempBefore, TempFiles());
}

TEST_F(UpdateFileTest, TempFolderFailureStopsTheStepWithItsMessage)
{
    ASSERT_TRUE(WriteFileBytes("game.exe", "old"));
    // A folder that is missing, and one whose path does not fit in 260 bytes
    // (the system then writes nothing and returns the size it would need).
    const std::pair<std::string, const char*> cases[] = {
        {work.path + "no such folder\\", "GetTempFileName failed"},
        {work.path + std::string(280, 'd') + "\\", "GetTempPath failed"}};
    for (const auto& c : cases) {
        boxes.clear();
        int result = -1;
        {
            TempFolderOverride folder(c.first);
            result = Update("game.exe", Md5OfBytes("new", 3));
        }

        EXPECT_EQ(1, result);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.second, boxes[0].text);
        EXPECT_EQ(LauncherTitle, boxes[0].caption);
        EXPECT_EQ(nullptr, boxes[0].owner);
        EXPECT_EQ(std::vector<int>{IDOK}, boxes[0].buttons);
    }
    EXPECT_EQ(0u, server.ConnectionCount());
    EXPECT_EQ("old", Contents("game.exe"));
}

// Slow: two pauses of 10 s.
TEST_F(UpdateFileTest, DownloadSucceedingAtTheThirdAttempt)
{
    const std::string fresh = "third time lucky";
    ASSERT_TRUE(WriteFileBytes("game.exe", "old"));
    server.Add(HttpResponse("404 Not Found", ""));
    server.Add(HttpResponse("404 Not Found", ""));
    server.Add(HttpResponse("200 OK", GzipBytes(fresh)));
    ASSERT_FALSE(IsWindowVisible(window.hwnd));

    DWORD start = GetTickCount();
    EXPECT_EQ(0, Update("game.exe", Md5OfBytes(fresh.data(), fresh.size())));
    DWORD elapsed = GetTickCount() - start;

    EXPECT_GE(elapsed, 20000u);
    EXPECT_LT(elapsed, 26000u);
    EXPECT_EQ(3u, server.ConnectionCount());
    EXPECT_TRUE(IsWindowVisible(window.hwnd));
    EXPECT_EQ(fresh, Contents("game.exe"));
    EXPECT_EQ(std::vector<std::string>({"GOING DOWNLOAD game.exe BEGIN\r\n",
                                        "GOING DOWNLOAD game.exe END\r\n"}),
              LogLinesAbout({"game.exe"}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(tempBefore, TempFiles());
}
