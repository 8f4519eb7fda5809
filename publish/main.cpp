// korvan-publish: prepares a game folder for the launcher's web server.
#include "publish/cli.h"
#include "publish/platform.h"

int main(int argc, char** argv)
{
    return RunCommandLine(ProgramArguments(argc, argv));
}
