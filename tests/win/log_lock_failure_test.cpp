// A lock event that cannot be created switches logging off; the process runs on.
// One test per program: the channel exists once per process.
#include <gtest/gtest.h>
#include "log/log_channel.h"
#include "log/log_printf.h"
#include "tests/support/udp_log_receiver.h"

namespace {

HANDLE WINAPI FailingCreateEvent(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCSTR)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

}  // namespace

TEST(LogLockFailure, LeavesLoggingOffWithoutEndingTheProcess)
{
    UdpLogReceiver receiver;
    ASSERT_TRUE(receiver.Bound());

    // A null format does not create the channel.
    EXPECT_EQ(0, LogPrintf(nullptr));
    EXPECT_FALSE(LogChannelAttempted());

    LogLockCreateEvent = FailingCreateEvent;
    EXPECT_THROW(LogLock(), int);
    EXPECT_EQ(0, LogPrintf("first %d\r\n", 1));
    EXPECT_TRUE(LogChannelAttempted());
    EXPECT_EQ(nullptr, ProcessLogChannel());

    // Even with a working event now, the channel is not tried again.
    LogLockCreateEvent = CreateEventA;
    EXPECT_EQ(0, LogPrintf("second\r\n"));
    EXPECT_EQ(nullptr, ProcessLogChannel());
    EXPECT_FALSE(receiver.WaitForCount(1, 500));
}
