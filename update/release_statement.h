// The signed statement of one release, for a launcher built with a release key:
// md5.txt, SHA256SUMS and SHA256SUMS.sig are fetched and judged together, and
// every archive is checked against SHA256SUMS before it is unpacked.
#pragma once
#include <stdint.h>
#include <memory>
#include <string>
#include "update/crypt_handles.h"
#include "update/release_check.h"
#include "update/release_sums.h"

class ReleaseStatement {
public:
    explicit ReleaseStatement(const std::string& publicKeyPem);
    ReleaseStatement(const ReleaseStatement&) = delete;
    ReleaseStatement& operator=(const ReleaseStatement&) = delete;

    // One attempt at the list under baseUrl. Returns ListAccepted with the list
    // in *md5Body; ListRetry when a download failed or came short of its
    // Content-Length, or the release is older than recordedRelease; ListRefused
    // when the release is unsigned (404 of SHA256SUMS or its .sig), the
    // signature fails or md5.txt is not as signed.
    int FetchList(const std::string& baseUrl, uint32_t recordedRelease, std::string* md5Body);

    // The same on texts already fetched.
    int Judge(const std::string& md5Body, const std::string& sumsText, const std::string& signature,
              uint32_t recordedRelease);

    // Returns true when the file at path is the archive signed as name + ".gz".
    bool ArchiveMatches(const std::string& name, const char* path) const;

    // Returns a judge of the bytes of the archive signed as name + ".gz"; it
    // never matches when the accepted release has no such archive.
    std::unique_ptr<ArchiveJudge> JudgeArchive(const std::string& name) const;

    // The accepted release's number.
    uint32_t ReleaseNumber() const { return accepted.release; }

private:
    CryptProvider provider;
    RsaPublicKey key;
    ReleaseSums accepted;
};

// Returns the release number in [STATUS] RELEASE of ./config.ini; 0 when there
// is none or it is not a plain number.
uint32_t RecordedRelease();
