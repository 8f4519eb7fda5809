// The release check of a launcher built with a release key: only what the
// key signed is fetched, installed, loaded or started.
#pragma once
#include <stdint.h>
#include <string>
#include "update/release_check.h"
#include "update/release_statement.h"

class SignedRelease : public ReleaseCheck {
public:
    // publicKeyPem checks the statements; a release below minRelease, or below
    // the one recorded in ./config.ini, is waited out like a stale cache.
    SignedRelease(const std::string& publicKeyPem, uint32_t minRelease);

    // The signed list, which must name the game; ListRefused otherwise.
    int FetchList(const std::string& baseUrl, std::string* list) override;
    const char* RefusedName() const override { return refused; }
    // A copy in the working folder is compared like any file; a library the
    // working folder lacks counts only when the system loads it from a folder
    // other than the launcher's and the working folder.
    bool TakesLibraryAsCurrent(const std::string& name) const override;
    std::unique_ptr<ArchiveJudge> JudgeArchive(const std::string& name) const override;
    // [STATUS] RELEASE: the accepted release's number.
    void RecordComplete(const char* configFile) const override;
    // The verified korvan.exe of the working folder, never one found elsewhere.
    std::string GamePath() const override;

private:
    ReleaseStatement statement;
    const uint32_t minRelease;
    const char* refused = "md5.txt";
};
