#include <gtest/gtest.h>
#include "log/log_text.h"

TEST(LogTextLength, KeepsCountsThatFitAndCutsTheRestTo1023)
{
    EXPECT_EQ(0, LogTextLength(0));
    EXPECT_EQ(1, LogTextLength(1));
    EXPECT_EQ(1023, LogTextLength(1023));
    EXPECT_EQ(1023, LogTextLength(1024));
    EXPECT_EQ(1023, LogTextLength(2000));
    EXPECT_EQ(1023, LogTextLength(-1));
}
