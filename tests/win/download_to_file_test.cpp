// Downloads against a ScriptedServer: HttpConnection::DownloadToFile into temporary files, partial files.
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include "http/http_connection.h"
#include "tests/support/recording_callback.h"
#include "tests/support/scripted_server.h"
#include "tests/support/work_folder.h"
#include "update/resumed_download.h"

namespace {

class DownloadToFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        char name[MAX_PATH];
        ASSERT_NE(0u, GetTempFileNameA(folder, "dl", 0, name));
        path = name;
    }
    void TearDown() override { DeleteFileA(path.c_str()); }

    bool Exists() const { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string Contents() const
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string path;
    ScriptedServer server;
};

}  // namespace

TEST_F(DownloadToFileTest, StreamsTheBodyAndReportsBeginBlocksEnd)
{
    std::string body;
    for (int i = 0; i < 300000; ++i)
        body += static_cast<char>('a' + i % 26);
    server.Add(HttpResponse("200 OK", body));
    RecordingCallback callback;
    {
        HttpConnection connection;
        EXPECT_EQ(0, connection.DownloadToFile(server.Url("/f.gz").c_str(), path.c_str(), &callback));
        // Socket and file stay with the connection until it is destroyed.
        EXPECT_NE(INVALID_HANDLE_VALUE, connection.file);
        EXPECT_NE(INVALID_SOCKET, connection.socket);
    }
    EXPECT_EQ(body, Contents());
    ASSERT_GE(callback.reports.size(), 3u);
    EXPECT_EQ(BINDSTATUS_BEGINDOWNLOADDATA, callback.reports.front().statusCode);
    EXPECT_EQ(BINDSTATUS_ENDDOWNLOADDATA, callback.reports.back().statusCode);
    EXPECT_EQ(300000u, callback.reports.back().progress);
    for (const ProgressReport& r : callback.reports)
        EXPECT_EQ(300000u, r.progressMax);
    EXPECT_EQ(0, callback.addRefs);
    EXPECT_EQ(0, callback.releases);
}

TEST_F(DownloadToFileTest, AShortBodyIsInvalidDataAndStaysInTheFile)
{
    server.Add("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(600, 's'));
    RecordingCallback callback;
    {
        HttpConnection connection;
        EXPECT_EQ(RPC_E_INVALID_DATA, connection.DownloadToFile(server.Url("/").c_str(), path.c_str(), &callback));
    }
    EXPECT_EQ(std::string(600, 's'), Contents());
    EXPECT_EQ(0u, callback.Count(BINDSTATUS_ENDDOWNLOADDATA));
}

TEST_F(DownloadToFileTest, ALongLastBlockIsWrittenAndInvalidData)
{
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1100, 'b')).Stall());
    {
        HttpConnection connection;
        EXPECT_EQ(RPC_E_INVALID_DATA, connection.DownloadToFile(server.Url("/").c_str(), path.c_str(), nullptr));
    }
    EXPECT_EQ(std::string(1100, 'b'), Contents());
}

TEST_F(DownloadToFileTest, CallbackAbortEndsAfterOneBlock)
{
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\nContent-Length: 300\r\n\r\n" + std::string(100, '1'))
                   .Pause(300).Send(std::string(200, '2')));
    RecordingCallback callback;
    callback.abortAtBlock = 1;
    {
        HttpConnection connection;
        EXPECT_EQ(E_ABORT, connection.DownloadToFile(server.Url("/").c_str(), path.c_str(), &callback));
    }
    EXPECT_EQ(std::string(100, '1'), Contents());
    EXPECT_EQ(1u, callback.Count(BINDSTATUS_DOWNLOADINGDATA));
}

TEST_F(DownloadToFileTest, A404LeavesTheCreatedFileEmpty)
{
    {
        std::ofstream(path, std::ios::binary) << "old contents";
    }
    server.Add(HttpResponse("404 Not Found", "missing"));
    {
        HttpConnection connection;
        EXPECT_EQ(2, connection.DownloadToFile(server.Url("/").c_str(), path.c_str(), nullptr));
        EXPECT_NE(INVALID_HANDLE_VALUE, connection.file);
    }
    EXPECT_TRUE(Exists());
    EXPECT_EQ("", Contents());
}

TEST_F(DownloadToFileTest, RefusesASecondTargetOnTheSameConnection)
{
    server.Add(HttpResponse("200 OK", "x"));
    std::string second = path + ".second";
    HttpConnection connection;
    EXPECT_EQ(0, connection.DownloadToFile(server.Url("/").c_str(), path.c_str(), nullptr));
    EXPECT_EQ(1, connection.DownloadToFile(server.Url("/").c_str(), second.c_str(), nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(second.c_str()));
    EXPECT_EQ(1u, server.ConnectionCount());
}

TEST_F(DownloadToFileTest, ReturnsTheWin32CodeWhenTheFileCannotBeCreated)
{
    std::string missing = path + ".dir\\file";
    HttpConnection connection;
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, connection.DownloadToFile(server.Url("/").c_str(), missing.c_str(), nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, connection.file);
    EXPECT_EQ(0u, server.ConnectionCount());
}

TEST_F(DownloadToFileTest, ARefusedPartialStartsOverAndCompletedRemovesPartialsNotListed)
{
    WorkFolder work;
    const std::string kept = "launcher-partial\\" + PartialFileName("a.exe", "m1");
    ASSERT_TRUE(CreateDirectoryA("launcher-partial", NULL) && WriteFileBytes(kept, "01234567"));
    ASSERT_TRUE(WriteFileBytes("launcher-partial\\" + PartialFileName("a.exe", "m0"), "other md5"));
    server.Add(HttpResponse("416 Range Not Satisfiable", "", "Content-Range: bytes */20\r\n"));
    server.Add(HttpResponse("200 OK", "whole body"));
    ResumedDownload resumed;
    std::unique_ptr<ArchiveFile> archive = resumed.Open("a.exe", "m1", nullptr);
    EXPECT_EQ(0, archive->Attempt(server.Url("/a.gz"), nullptr));
    std::string bytes;
    EXPECT_TRUE(!archive->Resumed() && ReadFileBytes(kept, &bytes) && bytes == "whole body");
    EXPECT_TRUE(server.Requests().size() == 2 && server.Requests()[0].find("\r\nRange: bytes=8-\r\n") != std::string::npos);
    resumed.Completed(Manifest{{"a.exe", "m1"}});
    EXPECT_EQ(std::vector<std::string>{PartialFileName("a.exe", "m1")}, FilesMatching(work.path + "launcher-partial\\", "*"));
}
