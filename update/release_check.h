// What a launcher trusts of a release: how it takes the list, which libraries
// count as current unseen, how it judges an archive before unpacking it, what
// it records after a complete update and which program it starts. The plain
// launcher trusts the server; a launcher built with a release key trusts only
// what the key signed.
#pragma once
#include <memory>
#include <string>
#include "http/body_sink.h"

// Results of ReleaseCheck::FetchList.
enum ListResult { ListAccepted = 0, ListRetry = 1, ListRefused = 2 };

// Sees an archive's bytes as they arrive and then tells whether they are the
// archive the release names.
class ArchiveJudge : public BodySink {
public:
    // Returns true when every byte seen is the archive expected.
    virtual bool Matches() = 0;
};

class ReleaseCheck {
public:
    virtual ~ReleaseCheck() = default;

    // One attempt at the list of the release under baseUrl. Returns ListAccepted
    // with the list text in *list; ListRetry to try again in 10 s (the text of
    // a failed attempt stays in *list); ListRefused when the run must stop with
    // "<RefusedName()> invalid signature".
    virtual int FetchList(const std::string& baseUrl, std::string* list) = 0;

    // The file that a refused list is shown under.
    virtual const char* RefusedName() const { return "md5.txt"; }

    // Returns true when the listed library name counts as current without being
    // compared, because the system loads it from a place of its own.
    virtual bool TakesLibraryAsCurrent(const std::string& name) const = 0;

    // Returns a judge for the archive of name, or null when archives are not judged.
    virtual std::unique_ptr<ArchiveJudge> JudgeArchive(const std::string& name) const
    {
        return nullptr;
    }

    // Adds to configFile what a complete update records besides the launcher's path.
    virtual void RecordComplete(const char* configFile) const {}

    // Returns the path the game is started by; empty: "korvan.exe" is looked
    // up the way the system finds a program named on a command line.
    virtual std::string GamePath() const { return std::string(); }
};

// The plain launcher's check: any list the server gives, every library that loads.
class PlainRelease : public ReleaseCheck {
public:
    int FetchList(const std::string& baseUrl, std::string* list) override;
    bool TakesLibraryAsCurrent(const std::string& name) const override;
};

// Returns true for a .dll that the system loads (from any place on its search
// path), with the full path of the module that loaded in *loadedFrom (may be null).
// Names leaving the working directory are never loaded.
bool LoadsAsLibrary(const std::string& name, std::string* loadedFrom);
