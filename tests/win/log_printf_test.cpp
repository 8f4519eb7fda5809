// LogPrintf through the real channel to a UdpLogReceiver on 127.0.0.1:514.
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include "log/log_channel.h"
#include "log/log_printf.h"
#include "tests/support/udp_log_receiver.h"

namespace {

class LogPrintfTest : public testing::Test {
protected:
    static void SetUpTestSuite() { receiver = new UdpLogReceiver; }
    static void TearDownTestSuite() { delete receiver; }
    void SetUp() override
    {
        ASSERT_TRUE(receiver->Bound());
        receiver->Clear();
    }
    static UdpLogReceiver* receiver;
};

UdpLogReceiver* LogPrintfTest::receiver = nullptr;

std::string WithNul(const std::string& text)
{
    return text + std::string(1, '\0');
}

}  // namespace

TEST_F(LogPrintfTest, SendsTheFormattedTextAndOneNul)
{
    EXPECT_EQ(0, LogPrintf("connect error=%d\r\n", 10061));
    ASSERT_TRUE(receiver->WaitForCount(1));
    EXPECT_EQ(WithNul("connect error=10061\r\n"), receiver->Datagrams()[0]);
}

TEST_F(LogPrintfTest, CutsLongTextTo1023BytesPlusNul)
{
    const std::string exact(1023, 'e');
    const std::string longer(2000, 'l');
    LogPrintf("%s", exact.c_str());
    LogPrintf("%s", longer.c_str());
    LogPrintf("%s", longer.substr(0, 1024).c_str());
    ASSERT_TRUE(receiver->WaitForCount(3));
    std::vector<std::string> got = receiver->Datagrams();
    EXPECT_EQ(WithNul(exact), got[0]);
    EXPECT_EQ(WithNul(longer.substr(0, 1023)), got[1]);
    EXPECT_EQ(WithNul(longer.substr(0, 1023)), got[2]);
}

TEST_F(LogPrintfTest, SendsUpToTheFormattersCountPastAnEmbeddedNul)
{
    LogPrintf("a%cb\r\n", 0);
    ASSERT_TRUE(receiver->WaitForCount(1));
    EXPECT_EQ(std::string("a\0b\r\n\0", 6), receiver->Datagrams()[0]);
}

TEST_F(LogPrintfTest, EmptyAndNullFormatsSendNothing)
{
    EXPECT_EQ(0, LogPrintf(""));
    EXPECT_EQ(0, LogPrintf("%s", ""));
    EXPECT_EQ(0, LogPrintf(nullptr));
    LogPrintf("marker\r\n");
    ASSERT_TRUE(receiver->WaitForCount(1));
    EXPECT_EQ(WithNul("marker\r\n"), receiver->Datagrams()[0]);
}

TEST_F(LogPrintfTest, PassesShiftJisAndWideTextThrough)
{
    LogPrintf("%s %ls\r\n", "\x94\xC5", L"abc");
    ASSERT_TRUE(receiver->WaitForCount(1));
    EXPECT_EQ(WithNul("\x94\xC5 abc\r\n"), receiver->Datagrams()[0]);
}

TEST_F(LogPrintfTest, TwoThreadsGiveWholeDatagrams)
{
    const int perThread = 50;
    auto writer = [&](char letter) {
        const std::string text(1000, letter);
        for (int i = 0; i < perThread; ++i)
            LogPrintf("%s", text.c_str());
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    ASSERT_TRUE(receiver->WaitForCount(2 * perThread));
    int as = 0, bs = 0;
    for (const std::string& d : receiver->Datagrams()) {
        ASSERT_EQ(1001u, d.size());
        char letter = d[0];
        EXPECT_EQ(WithNul(std::string(1000, letter)), d);
        (letter == 'a' ? as : bs)++;
    }
    EXPECT_EQ(perThread, as);
    EXPECT_EQ(perThread, bs);
}

TEST(LogChannel, IsOneObjectWithLockFirstAndSocketConnected)
{
    LogPrintf("x");
    LogChannel* channel = ProcessLogChannel();
    ASSERT_NE(nullptr, channel);
    EXPECT_EQ(channel, ProcessLogChannel());
    EXPECT_NE(nullptr, channel->event);
    EXPECT_NE(INVALID_SOCKET, channel->socket);
    // The lock is free between messages.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(channel->event, 0));
    SetEvent(channel->event);
    LogLock* lock = channel;
    LogSocket* socket = channel;
    EXPECT_LT(static_cast<void*>(lock), static_cast<void*>(socket));
}
