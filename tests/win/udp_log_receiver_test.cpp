// The UdpLogReceiver fixture itself, fed by a plain datagram socket.
#include <gtest/gtest.h>
#include "tests/support/udp_log_receiver.h"

TEST(UdpLogReceiver, KeepsEachDatagramsExactBytes)
{
    UdpLogReceiver receiver;
    ASSERT_TRUE(receiver.Bound());
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(514);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    const std::string first("a\0b", 3);
    sendto(s, first.data(), 3, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
    sendto(s, "second", 6, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
    closesocket(s);

    ASSERT_TRUE(receiver.WaitForCount(2));
    EXPECT_TRUE(receiver.WaitForDatagram("second", 0));
    EXPECT_EQ(first, receiver.Datagrams()[0]);
    EXPECT_FALSE(receiver.WaitForDatagram("third", 50));
    receiver.Clear();
    EXPECT_EQ(0u, receiver.Count());
}
