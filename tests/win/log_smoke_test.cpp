#include <gtest/gtest.h>
#include <windows.h>
#include "common/launcher_texts.h"

TEST(LauncherTitle, IsTheShiftJisTitleBytes)
{
    EXPECT_STREQ("Korvan / Windows\x94\xC5", LauncherTitle);
    EXPECT_EQ(18u, strlen(LauncherTitle));
}
