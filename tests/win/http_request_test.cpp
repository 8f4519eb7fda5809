// One GET transaction against a ScriptedServer on 127.0.0.1.
#include <gtest/gtest.h>
#include <stdio.h>
#include "http/http_connection.h"
#include "server_config.h"
#include "tests/support/scripted_server.h"
#include "tests/support/udp_log_receiver.h"

namespace {

struct Transaction {
    HttpConnection connection;
    int32_t statusCode = -1;
    uint32_t contentLength = 77;
    std::string location = "unchanged";

    HRESULT Run(const std::string& url)
    {
        return HttpRequest(url.c_str(), connection.socket, statusCode, contentLength, location);
    }
};

std::string ExpectedOsToken()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    char token[64];
    snprintf(token, sizeof token, " OS%lu/%lu.%lu.%lu;", v.dwPlatformId, v.dwMajorVersion,
             v.dwMinorVersion, v.dwBuildNumber);
    return token;
}

std::string HeadOfSize(size_t size)
{
    std::string start = "HTTP/1.0 200 OK\r\nX-Pad: ";
    return start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
}

}  // namespace

TEST(HttpRequest, SendsTheExactRequestAndStopsAtTheBody)
{
    ScriptedServer server;
    server.Add("HTTP/1.0 200 OK\r\nContent-Length: 5\r\nLocation: http://x/y\r\n\r\nHELLO");
    Transaction t;
    std::string url = "http://localhost:" + std::to_string(server.Port()) + "/a/b?x=1";
    ASSERT_EQ(0, t.Run(url));

    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ("GET /a/b?x=1 HTTP/1.0\r\n"
              "User-Agent: Mozilla/4.0 (compatible; R-FIG KORVAN;" + ExpectedOsToken() +
                  " " KORVAN_HOME_PAGE_URL ")\r\n"
              "Accept-Encoding: gzip, deflate\r\n"
              "Host: localhost\r\n"
              "Korvan-Client-Type: download\r\n"
              "\r\n",
              server.Requests()[0]);
    EXPECT_EQ(200, t.statusCode);
    EXPECT_EQ(5u, t.contentLength);
    EXPECT_EQ("http://x/y", t.location);

    char first = 0;
    ASSERT_EQ(1, recv(t.connection.socket, &first, 1, 0));
    EXPECT_EQ('H', first);
}

TEST(HttpRequest, TakesDottedAddressesAndDefaultsThePath)
{
    ScriptedServer server;
    server.Add("HTTP/1.1 302 Found\r\n\r\n");
    Transaction t;
    ASSERT_EQ(0, t.Run("http://127.0.0.1:" + std::to_string(server.Port())));
    EXPECT_EQ(0u, server.Requests()[0].find("GET / HTTP/1.0\r\n"));
    EXPECT_NE(std::string::npos, server.Requests()[0].find("\r\nHost: 127.0.0.1\r\n"));
    EXPECT_EQ(302, t.statusCode);
    EXPECT_EQ(0u, t.contentLength);
    EXPECT_EQ("", t.location);
}

TEST(HttpRequest, AcceptsA4095ByteHeadAndRejectsALongerOne)
{
    ScriptedServer server;
    server.Add(HeadOfSize(4095) + "B");
    server.Add(HeadOfSize(4096) + "B");
    Transaction t;
    ASSERT_EQ(0, t.Run(server.Url("/")));
    char first = 0;
    ASSERT_EQ(1, recv(t.connection.socket, &first, 1, 0));
    EXPECT_EQ('B', first);

    Transaction longer;
    EXPECT_EQ(RPC_E_INVALID_HEADER, longer.Run(server.Url("/")));
    EXPECT_EQ(-1, longer.statusCode);
}

TEST(HttpRequest, FailsWhenTheServerClosesBeforeTheBlankLine)
{
    ScriptedServer server;
    server.Add("HTTP/1.0 200 OK\r\n");
    server.Add("");
    Transaction t;
    EXPECT_EQ(RPC_E_INVALID_HEADER, t.Run(server.Url("/")));
    EXPECT_EQ(RPC_E_INVALID_HEADER, t.Run(server.Url("/")));
    // Outputs keep their previous values; the socket stays in the slot.
    EXPECT_EQ(-1, t.statusCode);
    EXPECT_EQ(77u, t.contentLength);
    EXPECT_EQ("unchanged", t.location);
    EXPECT_NE(INVALID_SOCKET, t.connection.socket);
}

TEST(HttpRequest, ReportsAResetWhileReadingTheHead)
{
    ScriptedServer server;
    server.Add(ScriptedReply("HTTP/1.0 200").Pause(50).Reset());
    Transaction t;
    EXPECT_EQ(WSAECONNRESET, t.Run(server.Url("/")));
}

TEST(HttpRequest, RejectsAUrlWithoutSchemeAndClosesTheOldSocket)
{
    ScriptedServer server;
    server.Add(HttpResponse("200 OK", ""));
    Transaction t;
    ASSERT_EQ(0, t.Run(server.Url("/")));
    ASSERT_NE(INVALID_SOCKET, t.connection.socket);
    std::string url = "127.0.0.1:" + std::to_string(server.Port()) + "/file.txt";
    EXPECT_EQ(E_INVALIDARG, t.Run(url));
    EXPECT_EQ(INVALID_SOCKET, t.connection.socket);
    EXPECT_EQ(1u, server.ConnectionCount());
}

TEST(HttpRequest, LogsAFailedConnect)
{
    UdpLogReceiver receiver;
    ASSERT_TRUE(receiver.Bound());
    uint16_t port;
    {
        ScriptedServer closed;
        port = closed.Port();
        closed.StopListening();
        Transaction t;
        EXPECT_EQ(WSAECONNREFUSED, t.Run("http://127.0.0.1:" + std::to_string(port) + "/"));
        EXPECT_NE(INVALID_SOCKET, t.connection.socket);
    }
    EXPECT_TRUE(receiver.WaitForDatagram(std::string("connect error=10061\r\n") + '\0'));
}
