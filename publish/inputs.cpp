// What a publish starts from, checked before anything is written.
#include "publish/inputs.h"

#include <system_error>

#include "publish/progress.h"
#include "publish/report.h"
#include "publish/validate.h"

namespace fs = std::filesystem;

// Adds the problems of the folders and files the options name, and finds the
// game files. Returns nothing; problems collect what is wrong.
static void CheckFolders(const PublishOptions& o, std::vector<GameFile>& files, PublishState& state,
                         std::vector<std::string>& problems)
{
    std::error_code ec;
    if (!fs::is_directory(o.gameDir, ec))
        problems.push_back("game folder " + Quoted(o.gameDir.u8string()) + ": not a folder");
    else if (FindGameFiles(o.gameDir, files, problems) == 0 && files.empty())
        // An empty list would let every launcher start the game unchecked.
        problems.push_back("game folder " + Quoted(o.gameDir.u8string()) + ": holds no .exe or .dll file");
    if (fs::exists(o.outDir, ec) && !fs::is_directory(o.outDir, ec))
        problems.push_back("output folder " + Quoted(o.outDir.u8string()) + ": not a folder");
    if (fs::is_directory(o.resinfo, ec))
        problems.push_back("resource-information file " + Quoted(o.resinfo.u8string()) + ": is a folder");
    if (ReadState(o.outDir, state) != 0)
        problems.push_back("state file " + Quoted(StateFile(o.outDir).u8string()) + ": can't be read");
}

// Adds a problem for every name the launcher can't use and for names that collide.
// Returns nothing; problems collect what is wrong.
static void CheckNames(const std::vector<GameFile>& files, std::vector<std::string>& problems)
{
    std::vector<std::string> names;
    for (const GameFile& file : files) {
        std::string nameProblem = NameProblem(file.name);
        if (!nameProblem.empty())
            problems.push_back("file " + Quoted(file.displayName) + ": " + nameProblem);
        names.push_back(file.name);
    }
    FindCaseCollisions(names, problems);
}

// Loads the signing key that the options name, if any. Returns nothing; problems
// collect what is wrong.
static void LoadKey(const PublishOptions& o, SigningKey& key, std::vector<std::string>& problems)
{
    if (o.signKey.empty())
        return;
    std::string why = SigningUnavailable();
    if (why.empty())
        key.Load(o.signKey, why);
    if (!why.empty())
        problems.push_back("signing key " + Quoted(o.signKey.u8string()) + ": " + why);
}

// Reads every file into inputs: its digest, and its entry in the list.
// Returns nothing; problems say which files can't be read.
static void ReadGameFiles(const std::vector<GameFile>& files, PublishInputs& inputs,
                          std::vector<std::string>& problems)
{
    ProgressLine progress("reading", files.size());
    for (const GameFile& file : files) {
        PlannedFile planned{file, FileDigest(), fs::path()};
        if (DigestFile(file.source, planned.digest) != 0) {
            problems.push_back("file " + Quoted(file.displayName) + ": can't be read");
            continue;
        }
        inputs.list[file.name] = planned.digest.md5;
        progress.Step(planned.digest.size);
        inputs.files.push_back(planned);
    }
}

int CheckInputs(const PublishOptions& o, PublishInputs& inputs)
{
    std::vector<std::string> problems;
    std::string urlProblem = BaseUrlProblem(o.baseUrl);
    if (!urlProblem.empty())
        problems.push_back("base URL " + Quoted(o.baseUrl) + ": " + urlProblem);
    std::vector<GameFile> files;
    CheckFolders(o, files, inputs.state, problems);
    LoadKey(o, inputs.key, problems);
    CheckNames(files, problems);
    // The signed launcher starts exactly the korvan.exe that the signed list names.
    bool hasGame = false;
    for (const GameFile& file : files)
        hasGame = hasGame || file.name == "korvan.exe";
    if (!o.signKey.empty() && !files.empty() && !hasGame)
        problems.push_back("game folder " + Quoted(o.gameDir.u8string()) + ": holds no file named exactly "
                           "\"korvan.exe\" at its top, the game a signed launcher starts");
    // Reading every file takes long: only when nothing else is wrong.
    if (problems.empty())
        ReadGameFiles(files, inputs, problems);
    if (problems.empty())
        return 0;
    PrintProblems(problems);
    PrintError("refused, nothing was written");
    return 1;
}
