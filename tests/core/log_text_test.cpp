#include <gtest/gtest.h>
#include <string.h>
#include "log/log_text.h"

TEST(LogTextLength, KeepsCountsThatFitAndCutsTheRestTo1023)
{
    char full[LogBufferSize];
    memset(full, 'x', sizeof full);
    full[LogBufferSize - 1] = '\0';
    EXPECT_EQ(0, LogTextLength(0, full));
    EXPECT_EQ(1, LogTextLength(1, full));
    EXPECT_EQ(1023, LogTextLength(1023, full));
    EXPECT_EQ(1023, LogTextLength(1024, full));
    EXPECT_EQ(1023, LogTextLength(2000, full));
}

// A formatter error is not a cut: only what it wrote before its first NUL
// counts, never the zero fill behind it.
TEST(LogTextLength, AfterAFormatterErrorCountsOnlyTheWrittenText)
{
    char buffer[LogBufferSize] = {};
    EXPECT_EQ(0, LogTextLength(-1, buffer));
    memcpy(buffer, "partial", 7);
    EXPECT_EQ(7, LogTextLength(-1, buffer));
    memset(buffer, 'x', sizeof buffer);
    buffer[LogBufferSize - 1] = '\0';
    EXPECT_EQ(1023, LogTextLength(-1, buffer));
}
