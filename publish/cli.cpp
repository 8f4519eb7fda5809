// The command line of korvan-publish.
#include "publish/cli.h"

#include <stdio.h>
#include <stdlib.h>
#include <filesystem>

#include "publish/exit_codes.h"
#include "publish/publish.h"
#include "publish/report.h"
#include "publish/sign.h"
#include "publish/verify.h"
#include "update/release_sums.h"

namespace fs = std::filesystem;

static const char kUsage[] =
    "usage: korvan-publish GAME_DIR OUT_DIR --base-url URL [--resinfo FILE] [--keep N]\n"
    "                      [--sign KEY.pem [--release-number N]]\n"
    "       korvan-publish verify OUT_DIR [--resinfo FILE] [--all] [--key PUB.pem]\n"
    "       korvan-publish keygen DIR\n"
    "Publishes the .exe and .dll files of GAME_DIR for the launcher as a new release\n"
    "folder OUT_DIR/releases/<release>/ (\"<name>.gz\" for each and the list \"md5.txt\"),\n"
    "then writes \"BASEURL=\" URL \"releases/<release>/\" to FILE (default\n"
    "OUT_DIR/1/resinfo-release130.txt); URL is where OUT_DIR is served. The newest N\n"
    "releases are kept (default 3). --sign adds SHA256SUMS and SHA256SUMS.sig for\n"
    "release number N (default: one above the highest that the key signed in OUT_DIR).\n"
    "verify checks the release FILE names the way the launcher will use it (--all:\n"
    "every kept release; --key: the signatures too). keygen makes an RSA 3072 key pair\n"
    "DIR/release-key.pem and DIR/release-key.pub.pem.\n";

// Returns kExitFailed after showing the usage and what was wrong.
static int UsageError(const std::string& what)
{
    fprintf(stderr, "korvan-publish: %s\n%s", what.c_str(), kUsage);
    return kExitFailed;
}

// Returns a path from an argument, without a trailing separator.
static fs::path ArgumentPath(const std::string& text)
{
    fs::path path = fs::u8path(text).lexically_normal();
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

// Options with a value and flags, taken out of arguments; the rest stays in
// positional. Returns 0, or kExitFailed after a usage error.
static int SplitArguments(const std::vector<std::string>& arguments, const std::vector<std::string>& withValue,
                          const std::vector<std::string>& flags, std::vector<std::string>& positional,
                          std::vector<std::pair<std::string, std::string>>& options)
{
    for (size_t i = 0; i < arguments.size(); i++) {
        const std::string& a = arguments[i];
        bool takesValue = false, isFlag = false;
        for (const std::string& name : withValue)
            takesValue = takesValue || a == name;
        for (const std::string& name : flags)
            isFlag = isFlag || a == name;
        if (takesValue) {
            if (i + 1 >= arguments.size())
                return UsageError(a + " needs a value");
            options.emplace_back(a, arguments[++i]);
        } else if (isFlag) {
            options.emplace_back(a, "");
        } else if (a.compare(0, 2, "--") == 0) {
            return UsageError("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    return 0;
}

// Returns the exit code of "keygen DIR".
static int RunKeygen(const std::vector<std::string>& positional)
{
    if (positional.size() != 1)
        return UsageError("keygen takes one folder");
    std::string why = SigningUnavailable();
    int result = why.empty() ? GenerateKeyPair(ArgumentPath(positional[0]), why) : 2;
    if (result != 0) {
        PrintError(why);
        return result == 1 ? kExitRefused : kExitFailed;
    }
    fs::path dir = ArgumentPath(positional[0]);
    printf("wrote %s (private: keep it secret) and %s\n", (dir / "release-key.pem").u8string().c_str(),
           (dir / "release-key.pub.pem").u8string().c_str());
    return kExitDone;
}

// Returns the exit code of "verify OUT_DIR ...".
static int RunVerify(const std::vector<std::string>& arguments)
{
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (SplitArguments(arguments, {"--resinfo", "--key"}, {"--all"}, positional, options) != 0)
        return kExitFailed;
    if (positional.size() != 1)
        return UsageError("verify takes one folder");
    VerifyOptions v;
    v.outDir = ArgumentPath(positional[0]);
    v.resinfo = v.outDir / "1" / "resinfo-release130.txt";
    for (const auto& option : options) {
        if (option.first == "--resinfo")
            v.resinfo = ArgumentPath(option.second);
        else if (option.first == "--key")
            v.key = ArgumentPath(option.second);
        else
            v.all = true;
    }
    if (!v.key.empty() && !SigningUnavailable().empty()) {
        PrintError("--key: " + SigningUnavailable());
        return kExitFailed;
    }
    return Verify(v);
}

// Reads "GAME_DIR OUT_DIR --base-url URL ..." into o. Returns 0, or
// kExitFailed after a usage error.
static int ReadPublishOptions(const std::vector<std::string>& arguments, PublishOptions& o)
{
    std::vector<std::string> folders;
    std::vector<std::pair<std::string, std::string>> options;
    if (SplitArguments(arguments, {"--base-url", "--resinfo", "--keep", "--sign", "--release-number"}, {}, folders,
                       options) != 0)
        return kExitFailed;
    if (folders.size() != 2)
        return UsageError("give GAME_DIR and OUT_DIR");
    o.gameDir = ArgumentPath(folders[0]);
    o.outDir = ArgumentPath(folders[1]);
    o.resinfo = o.outDir / "1" / "resinfo-release130.txt";
    bool haveBaseUrl = false;
    for (const auto& option : options) {
        if (option.first == "--base-url") {
            o.baseUrl = option.second;
            haveBaseUrl = true;
        } else if (option.first == "--resinfo") {
            o.resinfo = ArgumentPath(option.second);
        } else if (option.first == "--sign") {
            o.signKey = ArgumentPath(option.second);
        } else if (option.first == "--release-number") {
            if (!ParseReleaseNumber(option.second, &o.releaseNumber) || o.releaseNumber == 0)
                return UsageError("--release-number takes a number from 1 to 4294967295");
        } else {
            const std::string& n = option.second;
            if (n.empty() || n.size() > 6 || n.find_first_not_of("0123456789") != std::string::npos || atoi(n.c_str()) < 1)
                return UsageError("--keep takes a number from 1 to 999999");
            o.keep = (size_t)atoi(n.c_str());
        }
    }
    if (!haveBaseUrl)
        return UsageError("--base-url is missing");
    if (o.releaseNumber != 0 && o.signKey.empty())
        return UsageError("--release-number needs --sign");
    return 0;
}

int RunCommandLine(const std::vector<std::string>& arguments)
{
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        fputs(kUsage, stdout);
        return kExitDone;
    }
    if (!arguments.empty() && arguments[0] == "verify")
        return RunVerify(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (!arguments.empty() && arguments[0] == "keygen")
        return RunKeygen(std::vector<std::string>(arguments.begin() + 1, arguments.end()));

    PublishOptions o;
    if (ReadPublishOptions(arguments, o) != 0)
        return kExitFailed;
    if (!o.signKey.empty() && !SigningUnavailable().empty()) {
        PrintError("--sign: " + SigningUnavailable() + "; refused, nothing was written");
        return kExitRefused;
    }
    return Publish(o);
}
