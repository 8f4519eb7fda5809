// The command line of korvan-publish.
#include "publish/cli.h"

#include <stdio.h>
#include <filesystem>

#include "publish/publish.h"
#include "publish/verify.h"

namespace fs = std::filesystem;

static const char kUsage[] =
    "usage: korvan-publish GAME_DIR OUT_DIR --base-url URL [--resinfo FILE]\n"
    "       korvan-publish verify OUT_DIR\n"
    "Publishes the .exe and .dll files of GAME_DIR for the launcher: OUT_DIR gets\n"
    "\"<name>.gz\" for each and the list \"md5.txt\"; FILE (default\n"
    "OUT_DIR/1/resinfo-release130.txt) gets \"BASEURL=\" and URL.\n"
    "verify checks a published folder the way the launcher will use it.\n";

// Returns 2 after showing the usage and what was wrong.
static int UsageError(const char* what)
{
    fprintf(stderr, "korvan-publish: %s\n%s", what, kUsage);
    return 2;
}

// Returns a path from an argument, without a trailing separator.
static fs::path ArgumentPath(const std::string& text)
{
    fs::path path = fs::u8path(text).lexically_normal();
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path();
    return path;
}

int RunCommandLine(const std::vector<std::string>& arguments)
{
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (!arguments.empty() && arguments[0] == "verify") {
        if (arguments.size() != 2)
            return UsageError("verify takes one folder");
        return Verify(ArgumentPath(arguments[1]));
    }

    std::vector<std::string> folders;
    std::string baseUrl, resinfo;
    bool haveBaseUrl = false;
    for (size_t i = 0; i < arguments.size(); i++) {
        const std::string& a = arguments[i];
        if (a == "--base-url" || a == "--resinfo") {
            if (i + 1 >= arguments.size())
                return UsageError((a + " needs a value").c_str());
            (a == "--base-url" ? baseUrl : resinfo) = arguments[++i];
            haveBaseUrl = haveBaseUrl || a == "--base-url";
        } else if (a.compare(0, 2, "--") == 0) {
            return UsageError(("unknown option " + a).c_str());
        } else {
            folders.push_back(a);
        }
    }
    if (folders.size() != 2)
        return UsageError("give GAME_DIR and OUT_DIR");
    if (!haveBaseUrl)
        return UsageError("--base-url is missing");

    PublishOptions options;
    options.gameDir = ArgumentPath(folders[0]);
    options.outDir = ArgumentPath(folders[1]);
    options.resinfo = resinfo.empty() ? options.outDir / "1" / "resinfo-release130.txt" : ArgumentPath(resinfo);
    options.baseUrl = baseUrl;
    return Publish(options);
}
