// DownloadUrl / DownloadToString and the redirect loop against a ScriptedServer.
#include <gtest/gtest.h>
#include "http/download.h"
#include "http/http_connection.h"
#include "tests/support/recording_callback.h"
#include "tests/support/scripted_server.h"

namespace {

std::string Redirect(const std::string& location)
{
    return HttpResponse("302 Found", "", "Location: " + location + "\r\n", false);
}

}  // namespace

TEST(RedirectLoop, NineRedirectsThenASuccessMakeTenRequests)
{
    ScriptedServer server;
    for (int i = 1; i <= 9; ++i)
        server.Add(Redirect(server.Url("/hop" + std::to_string(i))));
    server.Add(HttpResponse("200 OK", "done"));
    std::string text;
    EXPECT_EQ(0, DownloadToString(server.Url("/start").c_str(), text));
    EXPECT_EQ("done", text);
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(10u, requests.size());
    EXPECT_EQ(0u, requests[0].find("GET /start "));
    EXPECT_EQ(0u, requests[9].find("GET /hop9 "));
}

TEST(RedirectLoop, TenRedirectsEndWith12WithoutAnEleventhRequest)
{
    ScriptedServer server;
    server.SetFallback(Redirect(server.Url("/again")));
    HttpConnection connection;
    EXPECT_EQ(12, connection.OpenUrl(server.Url("/").c_str()));
    EXPECT_EQ(10u, server.ConnectionCount());
    EXPECT_EQ(302, connection.statusCode);
}

TEST(RedirectLoop, A404EndsWith2EvenWithALocation)
{
    ScriptedServer server;
    server.Add(HttpResponse("404 Not Found", "gone", "Location: " + server.Url("/x") + "\r\n"));
    std::string text;
    EXPECT_EQ(2, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_EQ("", text);
    EXPECT_EQ(1u, server.ConnectionCount());
}

TEST(RedirectLoop, RelativeOrMissingLocationGivesInvalidArg)
{
    ScriptedServer server;
    server.Add(Redirect("/relative"));
    server.Add(HttpResponse("500 Internal Server Error", "oops"));
    std::string text;
    EXPECT_EQ(E_INVALIDARG, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_EQ(E_INVALIDARG, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_EQ(2u, server.ConnectionCount());
    // The tenth response decides before the bad Location is tried.
    for (int i = 0; i < 9; ++i)
        server.Add(Redirect(server.Url("/hop")));
    server.Add(Redirect("/relative"));
    EXPECT_EQ(12, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_EQ(12u, server.ConnectionCount());
}

TEST(RedirectLoop, FollowsARedirectToAnotherPortOnANewConnection)
{
    ScriptedServer first;
    ScriptedServer second;
    first.Add(Redirect(second.Url("/there")));
    second.Add(HttpResponse("200 OK", "from second"));
    std::string text;
    EXPECT_EQ(0, DownloadToString(first.Url("/here").c_str(), text));
    EXPECT_EQ("from second", text);
    EXPECT_EQ(0u, second.Requests()[0].find("GET /there "));
    // The first connection was closed when the second one was opened.
    EXPECT_TRUE(first.WaitForFinished(1));
}

TEST(DownloadUrl, KeepsAShortBodyWhenTheServerClosesEarly)
{
    ScriptedServer server;
    server.Add("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(600, 's'));
    RecordingCallback callback;
    std::string text;
    EXPECT_EQ(0, DownloadUrl(nullptr, server.Url("/").c_str(), text, 0, &callback));
    EXPECT_EQ(std::string(600, 's'), text);
    ASSERT_FALSE(callback.reports.empty());
    EXPECT_EQ(BINDSTATUS_BEGINDOWNLOADDATA, callback.reports.front().statusCode);
    EXPECT_EQ(0u, callback.reports.front().progress);
    EXPECT_EQ(BINDSTATUS_ENDDOWNLOADDATA, callback.reports.back().statusCode);
    EXPECT_EQ(600u, callback.reports.back().progress);
    EXPECT_EQ(1000u, callback.reports.back().progressMax);
    EXPECT_EQ(1, callback.addRefs);
    EXPECT_EQ(1, callback.releases);
}

TEST(DownloadUrl, KeepsBytesBeyondContentLengthInTheLastBlock)
{
    ScriptedServer server;
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1100, 'b')).Stall());
    std::string text;
    EXPECT_EQ(0, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_EQ(1100u, text.size());
}

TEST(DownloadUrl, ReadsUntilCloseWithoutContentLength)
{
    ScriptedServer server;
    std::string body(20000, 'n');
    server.Add(ScriptedReply(HttpResponse("200 OK", "", "", false)).Send(body.substr(0, 5000)).Pause(30).Send(body.substr(5000)));
    RecordingCallback callback;
    std::string text;
    EXPECT_EQ(0, DownloadUrl(nullptr, server.Url("/").c_str(), text, 0, &callback));
    EXPECT_EQ(body, text);
    EXPECT_GE(callback.Count(BINDSTATUS_DOWNLOADINGDATA), 2u);
    ULONG last = 0;
    for (const ProgressReport& r : callback.reports) {
        EXPECT_EQ(0u, r.progressMax);
        EXPECT_GE(r.progress, last);
        last = r.progress;
    }
    EXPECT_EQ(20000u, callback.reports.back().progress);
}

TEST(DownloadUrl, CallbackAbortEndsAfterOneBlock)
{
    ScriptedServer server;
    server.Add(ScriptedReply("HTTP/1.0 200 OK\r\nContent-Length: 300\r\n\r\n" + std::string(100, '1'))
                   .Pause(300).Send(std::string(200, '2')));
    RecordingCallback callback;
    callback.abortAtBlock = 1;
    std::string text;
    EXPECT_EQ(E_ABORT, DownloadUrl(nullptr, server.Url("/").c_str(), text, 0, &callback));
    EXPECT_EQ(std::string(100, '1'), text);
    EXPECT_EQ(1u, callback.Count(BINDSTATUS_DOWNLOADINGDATA));
    EXPECT_EQ(0u, callback.Count(BINDSTATUS_ENDDOWNLOADDATA));
    EXPECT_EQ(callback.addRefs, callback.releases);
}

TEST(DownloadUrl, StopsAnEndlessBodyAtTheTextLimit)
{
    ScriptedServer server;
    server.Add(ScriptedReply(HttpResponse("200 OK", "", "", false)).Endless(std::string(65536, 'e')));
    std::string text;
    EXPECT_EQ(E_OUTOFMEMORY, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_LE(text.size(), MaxDownloadTextBytes);
    EXPECT_GT(text.size(), MaxDownloadTextBytes - 8192);
    EXPECT_LE(text.capacity(), 2 * MaxDownloadTextBytes);
    EXPECT_TRUE(server.WaitForFinished(1));
}

TEST(DownloadUrl, TimesOutOnAStalledBody)
{
    ScriptedServer server;
    server.Add(ScriptedReply(HttpResponse("200 OK", "", "Content-Length: 10\r\n", false) + "abc").Stall());
    std::string text;
    DWORD start = GetTickCount();
    EXPECT_EQ(WSAETIMEDOUT, DownloadToString(server.Url("/").c_str(), text));
    EXPECT_GE(GetTickCount() - start, 9000u);
    EXPECT_EQ("abc", text);
}
