#include "update/release_statement.h"
#include "http/download.h"

ReleaseStatement::ReleaseStatement(const std::string& publicKeyPem)
    : key(provider, publicKeyPem)
{
}

int ReleaseStatement::FetchList(const std::string& baseUrl, uint32_t recordedRelease,
                                std::string* md5Body)
{
    std::string sums, signature;
    md5Body->clear();
    // A text cut short on the way is a failed attempt, not a forgery.
    if (DownloadWholeToString((baseUrl + "md5.txt").c_str(), *md5Body) != 0)
        return ListRetry;
    std::string* texts[] = {&sums, &signature};
    const char* files[] = {"SHA256SUMS", "SHA256SUMS.sig"};
    for (int i = 0; i < 2; ++i) {
        HRESULT result = DownloadWholeToString((baseUrl + files[i]).c_str(), *texts[i]);
        if (result == 2)  // 404: the release is not signed
            return ListRefused;
        if (result != 0)
            return ListRetry;
    }
    return Judge(*md5Body, sums, signature, recordedRelease);
}

int ReleaseStatement::Judge(const std::string& md5Body, const std::string& sumsText,
                            const std::string& signature, uint32_t recordedRelease)
{
    ReleaseSums sums;
    if (!key.Verifies(provider, sumsText, signature) || ParseReleaseSums(sumsText, &sums) != 0)
        return ListRefused;
    Sha256 hash(provider);
    hash.Update(md5Body.data(), md5Body.size());
    auto line = sums.sums.find("md5.txt");
    std::string digest = hash.HexDigest();
    if (line == sums.sums.end() || digest.empty() || line->second != digest)
        return ListRefused;
    // A cache may serve the previous release for a while.
    if (sums.release < recordedRelease)
        return ListRetry;
    accepted = sums;
    return ListAccepted;
}

namespace {

// SHA-256 of the bytes seen, compared with the statement's line.
class Sha256Judge : public ArchiveJudge {
public:
    Sha256Judge(const CryptProvider& provider, const std::string& expected)
        : provider(provider), expected(expected), hash(new Sha256(provider))
    {
    }
    void Restart() override { hash.reset(new Sha256(provider)); }
    void Add(const void* data, size_t size) override { hash->Update(data, size); }
    bool Matches() override
    {
        std::string digest = hash->HexDigest();
        return !expected.empty() && !digest.empty() && digest == expected;
    }

private:
    const CryptProvider& provider;
    const std::string expected;   // empty: the release signed no such archive
    std::unique_ptr<Sha256> hash;
};

}  // namespace

std::unique_ptr<ArchiveJudge> ReleaseStatement::JudgeArchive(const std::string& name) const
{
    auto line = accepted.sums.find(name + ".gz");
    return std::unique_ptr<ArchiveJudge>(
        new Sha256Judge(provider, line == accepted.sums.end() ? std::string() : line->second));
}

bool ReleaseStatement::ArchiveMatches(const std::string& name, const char* path) const
{
    auto line = accepted.sums.find(name + ".gz");
    if (line == accepted.sums.end())
        return false;
    std::string digest = FileSha256(provider, path);
    return !digest.empty() && digest == line->second;
}

uint32_t RecordedRelease()
{
    char text[16] = "";
    GetPrivateProfileStringA("STATUS", "RELEASE", "", text, sizeof text, "./config.ini");
    uint32_t number = 0;
    return ParseReleaseNumber(text, &number) ? number : 0;
}
