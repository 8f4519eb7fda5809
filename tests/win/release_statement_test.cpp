// The signed statement with the Windows CryptoAPI: a release signed by openssl
// at configure time (generated/signing_fixture.h), judged whole and tampered,
// and fetched from a scripted web server.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "signing_fixture.h"
#include "tests/support/scripted_server.h"
#include "tests/support/work_folder.h"
#include "update/background_judge.h"
#include "update/release_statement.h"

namespace {

std::string Unhex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

const std::string Signature = Unhex(FixtureSignatureHex);

std::string Flip(std::string text, size_t at)
{
    text[at] ^= 1;
    return text;
}

}  // namespace

TEST(ReleaseStatement, AcceptsTheOpensslSignatureAndNothingChanged)
{
    ReleaseStatement statement(Fixture_key_pem);
    EXPECT_EQ(ListAccepted, statement.Judge(FixtureMd5Body, FixtureSums, Signature, 5));
    EXPECT_EQ(5u, statement.ReleaseNumber());
    // Older than recorded: tried again later, not refused.
    EXPECT_EQ(ListRetry, statement.Judge(FixtureMd5Body, FixtureSums, Signature, 6));

    const std::string sums = FixtureSums;
    EXPECT_EQ(ListRefused, statement.Judge(Flip(FixtureMd5Body, 10), sums, Signature, 0));
    EXPECT_EQ(ListRefused, statement.Judge(FixtureMd5Body, Flip(sums, 17), Signature, 0));
    EXPECT_EQ(ListRefused, statement.Judge(FixtureMd5Body, sums, Flip(Signature, 100), 0));
    EXPECT_EQ(ListRefused, statement.Judge(FixtureMd5Body, sums, "", 0));
    EXPECT_EQ(ListRefused, statement.Judge(FixtureMd5Body, sums, Signature.substr(1), 0));

    ReleaseStatement other(Fixture_other_pem);
    EXPECT_EQ(ListRefused, other.Judge(FixtureMd5Body, sums, Signature, 0));
    ReleaseStatement broken("-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n");
    EXPECT_EQ(ListRefused, broken.Judge(FixtureMd5Body, sums, Signature, 0));
}

TEST(ReleaseStatement, ArchiveMustBeTheSignedOne)
{
    WorkFolder work;
    ReleaseStatement statement(Fixture_key_pem);
    ASSERT_TRUE(WriteFileBytes("download.tmp", FixtureArchive));
    // Nothing is accepted before a list was.
    EXPECT_FALSE(statement.ArchiveMatches("a.exe", "download.tmp"));
    ASSERT_EQ(ListAccepted, statement.Judge(FixtureMd5Body, FixtureSums, Signature, 0));
    EXPECT_TRUE(statement.ArchiveMatches("a.exe", "download.tmp"));
    EXPECT_FALSE(statement.ArchiveMatches("b.exe", "download.tmp"));
    EXPECT_FALSE(statement.ArchiveMatches(std::string("a.exe\0", 6), "download.tmp"));
    EXPECT_FALSE(statement.ArchiveMatches("a.exe", "missing.tmp"));
    ASSERT_TRUE(WriteFileBytes("download.tmp", Flip(FixtureArchive, 3)));
    EXPECT_FALSE(statement.ArchiveMatches("a.exe", "download.tmp"));

    // Bytes seen as they arrive, on the judge's own thread, in pieces and after a restart.
    const std::string archive = FixtureArchive;
    BackgroundJudge judge(statement.JudgeArchive("a.exe"));
    judge.Add("junk", 4);
    judge.Restart();
    for (size_t at = 0; at < archive.size(); at += 5)
        judge.Add(archive.data() + at, std::min<size_t>(5, archive.size() - at));
    EXPECT_TRUE(judge.Matches());
    judge.Add("x", 1);
    EXPECT_FALSE(judge.Matches());
}

TEST(ReleaseStatement, FetchesTheThreeFilesAndTellsUnsignedFromFailed)
{
    WorkFolder work;
    ScriptedServer server;
    ReleaseStatement statement(Fixture_key_pem);
    std::string body;
    const std::string ok[] = {HttpResponse("200 OK", FixtureMd5Body), HttpResponse("200 OK", FixtureSums),
                              HttpResponse("200 OK", Signature)};
    const std::string missing = HttpResponse("404 Not Found", "");

    struct Case {
        int failing;         // which of the three answers differently
        std::string answer;  // and how
        int expected;
    } cases[] = {
        {-1, "", ListAccepted},
        {0, missing, ListRetry},
        {1, missing, ListRefused},
        {2, missing, ListRefused},
        {1, "", ListRetry},  // connection closed without a response
        {2, HttpResponse("500 Internal Server Error", ""), ListRetry},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 3 && i <= (c.failing < 0 ? 2 : c.failing); ++i)
            server.Add(i == c.failing ? c.answer : ok[i]);
        EXPECT_EQ(c.expected, statement.FetchList(server.Url("/r/"), 0, &body)) << c.failing;
        if (c.expected == ListAccepted) {
            EXPECT_EQ(FixtureMd5Body, body);
        }
    }
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(3u + 1u + 2u + 3u + 2u + 3u, requests.size());
    EXPECT_EQ(0u, requests[0].find("GET /r/md5.txt "));
    EXPECT_EQ(0u, requests[1].find("GET /r/SHA256SUMS "));
    EXPECT_EQ(0u, requests[2].find("GET /r/SHA256SUMS.sig "));
}
