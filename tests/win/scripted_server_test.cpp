// The scripted server fixture itself, driven with plain sockets.
#include <gtest/gtest.h>
#include "tests/support/scripted_server.h"

namespace {

SOCKET ConnectTo(uint16_t port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// Reads until the peer closes or an error; returns what arrived.
std::string ReadAll(SOCKET s)
{
    std::string text;
    char buffer[4096];
    int got;
    while ((got = recv(s, buffer, sizeof buffer, 0)) > 0)
        text.append(buffer, got);
    return text;
}

}  // namespace

TEST(ScriptedServer, RecordsRequestsAndAnswersInOrder)
{
    ScriptedServer server;
    server.Add(HttpResponse("200 OK", "one"));
    server.Add(ScriptedReply("first ").Pause(50).Send("second"));
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(server.Port()) + "/x", server.Url("/x"));

    SOCKET a = ConnectTo(server.Port());
    ASSERT_NE(INVALID_SOCKET, a);
    send(a, "GET /a HTTP/1.0\r\n\r\n", 19, 0);
    EXPECT_EQ("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\none", ReadAll(a));
    closesocket(a);

    SOCKET b = ConnectTo(server.Port());
    send(b, "GET /b HTTP/1.0\r\n\r\n", 19, 0);
    EXPECT_EQ("first second", ReadAll(b));
    closesocket(b);

    ASSERT_EQ(2u, server.Requests().size());
    EXPECT_EQ("GET /a HTTP/1.0\r\n\r\n", server.Requests()[0]);
    EXPECT_EQ("GET /b HTTP/1.0\r\n\r\n", server.Requests()[1]);
    EXPECT_EQ(2u, server.ConnectionCount());
}

TEST(ScriptedServer, RefusesWhileNotListeningAndComesBack)
{
    ScriptedServer server;
    server.StopListening();
    EXPECT_EQ(INVALID_SOCKET, ConnectTo(server.Port()));
    ASSERT_TRUE(server.Listen());
    server.Add("back");
    SOCKET s = ConnectTo(server.Port());
    ASSERT_NE(INVALID_SOCKET, s);
    send(s, "\r\n\r\n", 4, 0);
    EXPECT_EQ("back", ReadAll(s));
    closesocket(s);
}

TEST(ScriptedServer, StallHoldsTheConnectionUntilStopped)
{
    ScriptedServer server;
    server.Add(ScriptedReply("head").Stall());
    SOCKET s = ConnectTo(server.Port());
    send(s, "\r\n\r\n", 4, 0);
    char buffer[16];
    EXPECT_EQ(4, recv(s, buffer, sizeof buffer, 0));
    EXPECT_EQ(0u, server.FinishedCount());
    server.Stop();
    EXPECT_EQ(1u, server.FinishedCount());
    EXPECT_EQ(0, recv(s, buffer, sizeof buffer, 0));
    closesocket(s);
}

TEST(ScriptedServer, EndlessBodyStopsWhenThePeerCloses)
{
    ScriptedServer server;
    server.Add(ScriptedReply().Endless(std::string(1000, 'z')));
    SOCKET s = ConnectTo(server.Port());
    send(s, "\r\n\r\n", 4, 0);
    char buffer[8192];
    size_t total = 0;
    while (total < 100000) {
        int got = recv(s, buffer, sizeof buffer, 0);
        ASSERT_GT(got, 0);
        total += static_cast<size_t>(got);
    }
    closesocket(s);
    EXPECT_TRUE(server.WaitForFinished(1));
}
