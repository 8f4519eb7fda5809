// Entry point of the Windows test programs: Winsock runs around the tests,
// as the launcher's static start-up object does for the launcher.
#include <gtest/gtest.h>
#include "http/use_wsock32.h"

int main(int argc, char** argv)
{
    WinsockStartup winsock;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
