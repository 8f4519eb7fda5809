// Entry point of the Windows test programs: Winsock runs around the tests,
// as the launcher's static start-up object does for the launcher, and the
// temporary folder is one of this process's own, so that tests counting the
// launcher's temporary files see no other test program's.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "http/use_wsock32.h"
#include "tests/support/work_folder.h"

int main(int argc, char** argv)
{
    WinsockStartup winsock;
    const std::string temp = TempFolderPath() + "korvan-tests-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(temp.c_str(), NULL);
    int result;
    {
        TempFolderOverride privateTemp(temp);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    RemoveTree(temp);
    return result;
}
