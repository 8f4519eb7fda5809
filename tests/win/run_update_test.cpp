// The worker's whole pass against a scripted web server, with a stand-in
// launcher window whose overall bar records what it is told.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <thread>
#include "common/launcher_texts.h"
#include "app/launcher_window.h"
#include "tests/support/answer_boxes.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_window.h"
#include "tests/support/wait_until.h"
#include "tests/support/work_folder.h"
#include "update/base_url.h"
#include "update/md5.h"

static std::string Md5Of(const std::string& bytes)
{
    return Md5OfBytes(bytes.data(), bytes.size());
}

static bool SameMessages(const std::vector<BarMessage>& expected, const std::vector<BarMessage>& seen)
{
    if (expected.size() != seen.size())
        return false;
    for (size_t i = 0; i < seen.size(); ++i)
        if (expected[i].message != seen[i].message || expected[i].wParam != seen[i].wParam ||
            expected[i].lParam != seen[i].lParam)
            return false;
    return true;
}

// Range 0..count, then the positions 1..positions.
static std::vector<BarMessage> OverallBar(LPARAM count, WPARAM positions)
{
    std::vector<BarMessage> messages{{PBM_SETRANGE32, 0, count}};
    for (WPARAM k = 1; k <= positions; ++k)
        messages.push_back({PBM_SETPOS, k, 0});
    return messages;
}

class RunUpdateTest : public testing::Test {
protected:
    void SetUp() override
    {
        BaseUrl = server.Url("/base/");
        launcher.hwnd = window.hwnd;
    }

    // Serves the list, then one reply per file download.
    void Serve(const std::string& list, const std::vector<std::string>& files)
    {
        server.Add(HttpResponse("200 OK", list));
        for (const std::string& file : files)
            server.Add(HttpResponse("200 OK", GzipBytes(file)));
    }

    void Run()
    {
        ASSERT_TRUE(RunAnsweringBoxes([&] { launcher.RunUpdate(); }, &boxes));
        window.Flush();
    }

    // The request paths in order, e.g. "/base/md5.txt".
    std::vector<std::string> RequestedPaths()
    {
        std::vector<std::string> paths;
        for (const std::string& request : server.Requests()) {
            size_t begin = request.find(' ') + 1;
            paths.push_back(request.substr(begin, request.find(' ', begin) - begin));
        }
        return paths;
    }

    bool StatusWritten() { return PathExists("config.ini"); }

    // Waits for the stand-in game's record; returns its command line, or "" without a start.
    std::string GameCommandLine(DWORD timeoutMs)
    {
        WaitUntil([] { return PathExists("korvan-record.txt"); }, timeoutMs);
        std::string record;
        if (!ReadFileBytes("korvan-record.txt", &record))
            return "";
        return record.substr(0, record.find('\0'));
    }

    WorkFolder work;
    ScriptedServer server;
    TestWindow window;
    LauncherWindow launcher;
    std::vector<MessageBoxInfo> boxes;
};

TEST_F(RunUpdateTest, SecondOfThreeFailingStopsTheRun)
{
    ASSERT_TRUE(WriteFileBytes("a.exe", "old a"));
    ASSERT_TRUE(WriteFileBytes("b.exe", "old b"));
    ASSERT_TRUE(WriteFileBytes("c.exe", "old c"));
    Serve("a.exe=" + Md5Of("new a") + "&b.exe=" + Md5Of("new b") + "&c.exe=" + Md5Of("new c"),
          {"new a", "not b"});
    HANDLE worker = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                                &worker, 0, FALSE, DUPLICATE_SAME_ACCESS));
    launcher.workerThread = worker;
    Run();

    EXPECT_TRUE(SameMessages(OverallBar(3, 2), window.OverallBarMessages()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].text.find("b.exe invalid md5\r\n"));
    EXPECT_EQ(window.hwnd, boxes[0].owner);
    EXPECT_EQ(std::vector<std::string>({"/base/md5.txt", "/base/a.exe.gz", "/base/b.exe.gz"}),
              RequestedPaths());
    std::string c;
    ASSERT_TRUE(ReadFileBytes("c.exe", &c));
    EXPECT_EQ("old c", c);
    EXPECT_FALSE(StatusWritten());
    EXPECT_EQ("", GameCommandLine(0));
    // The worker's handle was taken and closed by its end.
    EXPECT_EQ(INVALID_HANDLE_VALUE, launcher.workerThread.load());
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(worker, &flags));
}

TEST_F(RunUpdateTest, CompleteRunRecordsTheLauncherAndStartsTheGame)
{
    ASSERT_TRUE(CopyFileA(TestProgramPath("fake_korvan.exe").c_str(), "korvan.exe", FALSE));
    std::string game;
    ASSERT_TRUE(ReadFileBytes("korvan.exe", &game));
    ASSERT_TRUE(WriteFileBytes("current.exe", "current"));
    // Names the filter drops, a library the system loads, and five names that
    // pass, served in byte order: ".exe", "Game.EXE", "Z.exe", "a.exe", "x.Dll".
    Serve("readme.txt=1&Z.exe=" + Md5Of("z") + "&a.exe=" + Md5Of("a") + "&dll=2&x.Dll=" +
              Md5Of("x") + "&Game.EXE=" + Md5Of("g") + "&dir.exe/file=3&.exe=" + Md5Of("e") +
              "&kernel32.dll=00000000000000000000000000000000&current.exe=" + Md5Of("current") +
              "&korvan.exe=" + Md5Of(game),
          {"e", "g", "z", "a", "x"});
    LauncherCommandLine = "-server test \"two words\"";
    Run();
    const std::string commandLine = GameCommandLine(10000);
    LauncherCommandLine = "";

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::vector<std::string>({"/base/md5.txt", "/base/.exe.gz", "/base/Game.EXE.gz",
                                        "/base/Z.exe.gz", "/base/a.exe.gz", "/base/x.Dll.gz"}),
              RequestedPaths());
    EXPECT_TRUE(SameMessages(OverallBar(8, 8), window.OverallBarMessages()));
    std::string x;
    ASSERT_TRUE(ReadFileBytes("x.Dll", &x));
    EXPECT_EQ("x", x);

    char self[MAX_PATH] = "", recorded[MAX_PATH] = "";
    GetModuleFileNameA(NULL, self, sizeof self);
    GetPrivateProfileStringA("STATUS", "LAUNCHER", "", recorded, sizeof recorded, ".\\config.ini");
    EXPECT_STREQ(self, recorded);
    EXPECT_EQ("\"korvan.exe\" -server test \"two words\"", commandLine);
}

TEST_F(RunUpdateTest, ListWithoutGameFilesStartsTheGameAtOnce)
{
    ASSERT_TRUE(CopyFileA(TestProgramPath("fake_korvan.exe").c_str(), "korvan.exe", FALSE));
    Serve("readme.txt=" + Md5Of("r") + "&notes=1", {});
    Run();

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(SameMessages(OverallBar(0, 0), window.OverallBarMessages()));
    EXPECT_EQ(std::vector<std::string>{"/base/md5.txt"}, RequestedPaths());
    EXPECT_TRUE(StatusWritten());
    EXPECT_EQ("\"korvan.exe\"", GameCommandLine(10000));
}

TEST_F(RunUpdateTest, ClosingWhileTheListFailsEndsTheRun)
{
    server.SetFallback(HttpResponse("404 Not Found", ""));
    DWORD cleared = 0;
    ASSERT_TRUE(RunAnsweringBoxes([&] {
        std::thread closer([&] {
            server.WaitForFinished(1);
            cleared = GetTickCount();
            launcher.running = false;
        });
        launcher.RunUpdate();
        closer.join();
    }, &boxes));
    DWORD ended = GetTickCount();
    window.Flush();

    // The attempt after the cut-short pause is still made; nothing follows it.
    // Under 10 s: the pause did not run its course.
    EXPECT_LT(ended - cleared, 9000u);
    EXPECT_LE(server.ConnectionCount(), 2u);
    EXPECT_TRUE(SameMessages(OverallBar(0, 0), window.OverallBarMessages()));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(StatusWritten());
}

TEST_F(RunUpdateTest, LibrariesOutsideTheWorkingDirectoryAreNeverLoaded)
{
    // work\version.dll is a loadable library one level above the working directory.
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\version.dll").c_str(), "version.dll", FALSE));
    ASSERT_TRUE(CreateDirectoryA("game", NULL));
    ASSERT_TRUE(SetCurrentDirectoryA("game"));
    HMODULE probe = LoadLibraryA("..\\version.dll");
    ASSERT_NE(nullptr, probe);
    FreeLibrary(probe);

    for (const char* name : {"../version.dll", "..\\version.dll"}) {
        boxes.clear();
        Serve(std::string(name) + "=" + Md5Of("v"), {});
        Run();
        ASSERT_EQ(1u, boxes.size()) << name;
        EXPECT_EQ(std::string(name) + " invalid file name", boxes[0].text);
        EXPECT_EQ(LauncherTitle, boxes[0].caption);
        EXPECT_EQ(window.hwnd, boxes[0].owner);
    }
    EXPECT_EQ(std::vector<std::string>({"/base/md5.txt", "/base/md5.txt"}), RequestedPaths());
    EXPECT_TRUE(FilesMatching(work.path + "game\\", "*").empty());
}

TEST_F(RunUpdateTest, NameHoldingANulStopsTheRunBeforeAnyRequest)
{
    // Cut at its NUL the name would be "evil.bat", listed with its own MD5.
    ASSERT_TRUE(CopyFileA(TestProgramPath("fake_korvan.exe").c_str(), "korvan.exe", FALSE));
    Serve(std::string("evil.bat\0x.exe=", 15) + Md5Of("evil") + "&zz.exe=" + Md5Of("z"), {"evil", "z"});
    Run();

    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("evil.bat invalid file name", boxes[0].text);
    EXPECT_EQ(window.hwnd, boxes[0].owner);
    EXPECT_EQ(std::vector<std::string>{"/base/md5.txt"}, RequestedPaths());
    EXPECT_FALSE(PathExists("evil.bat"));
    EXPECT_FALSE(PathExists("zz.exe"));
    EXPECT_FALSE(StatusWritten());
    EXPECT_EQ("", GameCommandLine(1000));
}

TEST_F(RunUpdateTest, TempFolderFailureEndsTheRunWithoutTheGame)
{
    ASSERT_TRUE(WriteFileBytes("a.exe", "old"));
    Serve("a.exe=" + Md5Of("new") + "&b.exe=" + Md5Of("b"), {"new"});
    {
        TempFolderOverride missing(work.path + "no such folder\\");
        Run();
    }

    // One box: the temporary file's own; no game start (whose failure would show another).
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("GetTempFileName failed", boxes[0].text);
    EXPECT_TRUE(SameMessages(OverallBar(2, 1), window.OverallBarMessages()));
    EXPECT_EQ(std::vector<std::string>{"/base/md5.txt"}, RequestedPaths());
    EXPECT_FALSE(StatusWritten());
    EXPECT_EQ(INVALID_HANDLE_VALUE, launcher.workerThread.load());
}
