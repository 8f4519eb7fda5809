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
    if (DownloadToString((baseUrl + "md5.txt").c_str(), *md5Body) != 0)
        return ListRetry;
    std::string* texts[] = {&sums, &signature};
    const char* files[] = {"SHA256SUMS", "SHA256SUMS.sig"};
    for (int i = 0; i < 2; ++i) {
        HRESULT result = DownloadToString((baseUrl + files[i]).c_str(), *texts[i]);
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
