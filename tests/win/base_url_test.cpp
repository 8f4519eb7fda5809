#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <thread>
#include "common/launcher_texts.h"
#include "tests/support/message_box.h"
#include "tests/support/scripted_server.h"
#include "tests/support/udp_log_receiver.h"
#include "update/base_url.h"

namespace {

// "Could not obtain the application's update information" CR LF CR LF "Please
// check that you are connected to the Internet", in Shift-JIS.
const char DownloadFailedText[] =
    "\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8D\x58\x90\x56"
    "\x8F\xEE\x95\xF1\x82\xF0\x8E\xE6\x93\xBE\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
    "\x82\xB5\x82\xBD\r\n\r\n"
    "\x83\x43\x83\x93\x83\x5E\x81\x5B\x83\x6C\x83\x62\x83\x67\x82\xC9\x90\xDA\x91\xB1\x82\xB5"
    "\x82\xC4\x82\xA2\x82\xE9\x82\xB1\x82\xC6\x82\xF0\x8A\x6D\x94\x46\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2";

class DiscoverBaseUrlTest : public testing::Test {
protected:
    void SetUp() override { BaseUrl.clear(); }
    void TearDown() override { BaseUrl.clear(); }

    // Serves body as the resource-information text and runs the discovery.
    bool DiscoverWithBody(const std::string& body)
    {
        server.Add(HttpResponse("200 OK", body));
        return DiscoverBaseUrlFrom(server.Url("/1/resinfo-release130.txt").c_str());
    }

    // Runs the discovery against the server, expecting exactly one message box:
    // reads it as the player sees it and presses OK. Returns the box.
    MessageBoxInfo DiscoverExpectingMessage()
    {
        bool result = true;
        std::thread discovery([&] {
            result = DiscoverBaseUrlFrom(server.Url("/1/resinfo-release130.txt").c_str());
        });
        MessageBoxInfo box;
        bool shown = WaitForMessageBox(&box, 20000);
        if (shown)
            PressMessageBoxButton(box.window, IDOK);
        discovery.join();
        EXPECT_TRUE(shown);
        EXPECT_FALSE(result);
        EXPECT_EQ(std::string(LauncherTitle), box.caption);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
        EXPECT_EQ("", BaseUrl);
        return box;
    }

    ScriptedServer server;
};

}  // namespace

TEST_F(DiscoverBaseUrlTest, AFailedDownloadShowsTheTwoLineJapaneseMessage)
{
    server.Add(HttpResponse("404 Not Found", "BASEURL=http://ignored/"));
    EXPECT_EQ(std::string(DownloadFailedText), DiscoverExpectingMessage().text);

    server.StopListening();
    EXPECT_EQ(std::string(DownloadFailedText), DiscoverExpectingMessage().text);
}

TEST_F(DiscoverBaseUrlTest, ABodyWithoutTheKeyIsShownAsTheMessage)
{
    server.Add(HttpResponse("200 OK", "<html>Service Unavailable</html>"));
    EXPECT_EQ("<html>Service Unavailable</html>", DiscoverExpectingMessage().text);

    server.Add(HttpResponse("200 OK", "baseurl=http://h/"));
    EXPECT_EQ("baseurl=http://h/", DiscoverExpectingMessage().text);

    // A byte-order mark is not the key (it doesn't survive code page 932, so
    // only the rest of the text is compared).
    server.Add(HttpResponse("200 OK", "\xEF\xBB\xBF" "BASEURL=http://h/"));
    std::string shown = DiscoverExpectingMessage().text;
    EXPECT_NE(std::string::npos, shown.find("BASEURL=http://h/", 1)) << shown;

    server.Add(HttpResponse("200 OK", ""));
    EXPECT_EQ("", DiscoverExpectingMessage().text);

    // The message ends at the body's first NUL byte.
    server.Add(HttpResponse("200 OK", std::string("BASE\0URL", 8)));
    EXPECT_EQ("BASE", DiscoverExpectingMessage().text);
}

TEST_F(DiscoverBaseUrlTest, AValueNotStartingWithHttpIsRefused)
{
    for (const char* body : { "BASEURL=https://h/", "BASEURL=HTTP://h/", "BASEURL=http:/", "BASEURL=" }) {
        server.Add(HttpResponse("200 OK", body));
        EXPECT_EQ("INVALID BASEURL HTTP", DiscoverExpectingMessage().text) << body;
    }
}

TEST_F(DiscoverBaseUrlTest, TheValueIsKeptExactlyAndLogged)
{
    UdpLogReceiver log;
    ASSERT_TRUE(log.Bound());

    EXPECT_TRUE(DiscoverWithBody("BASEURL=http://"));
    EXPECT_EQ("http://", BaseUrl);
    EXPECT_STREQ("http://", GetBaseUrl());

    BaseUrl.clear();
    EXPECT_TRUE(DiscoverWithBody("BASEURL=http://h:81/dl/ \r\n"));
    EXPECT_EQ("http://h:81/dl/ \r\n", BaseUrl);
    EXPECT_TRUE(log.WaitForDatagram(std::string("BASEURL=http://h:81/dl/ \r\n\r\n") + '\0'));
}

TEST(GetBaseUrl, IsNeverNull)
{
    BaseUrl.clear();
    ASSERT_NE(nullptr, GetBaseUrl());
    EXPECT_STREQ("", GetBaseUrl());
}
