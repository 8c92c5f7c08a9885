// The thread id and the local time against what the system reports directly.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "addon001/platform/local_time.h"
#include "addon001/platform/thread_id.h"

namespace {

TEST(CurrentThreadId, IsTheKernelsIdAlsoInAChildOfFork) {
    // The test runs on the main thread, whose id is the process id; asked once here, before
    // the fork, so that the child starts with the parent's answer at hand.
    const std::uint32_t parentId = platform::currentThreadId();
    EXPECT_EQ(parentId, static_cast<std::uint32_t>(getpid()));

    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::uint32_t childId = platform::currentThreadId();
        const bool sent = write(channel[1], &childId, sizeof childId) == sizeof childId;
        _exit(sent ? 0 : 1);
    }
    std::uint32_t childId = 0;
    EXPECT_EQ(read(channel[0], &childId, sizeof childId), static_cast<ssize_t>(sizeof childId));
    int status = 0;
    waitpid(child, &status, 0);
    close(channel[0]);
    close(channel[1]);
    EXPECT_EQ(childId, static_cast<std::uint32_t>(child));
    EXPECT_EQ(platform::currentThreadId(), parentId);
}

// The local time's fields compared with the C library's conversion of the same second, read
// where the clock did not change its second meanwhile.
void expectMatchesTheClock() {
    for (;;) {
        timespec before{};
        timespec after{};
        clock_gettime(CLOCK_REALTIME, &before);
        const platform::LocalTime now = platform::localTimeNow();
        clock_gettime(CLOCK_REALTIME, &after);
        if (before.tv_sec != after.tv_sec) continue;
        tm fields{};
        localtime_r(&before.tv_sec, &fields);
        EXPECT_EQ(now.hour, fields.tm_hour);
        EXPECT_EQ(now.minute, fields.tm_min);
        EXPECT_EQ(now.second, fields.tm_sec);
        EXPECT_GE(now.millisecond, before.tv_nsec / 1000000);
        EXPECT_LE(now.millisecond, after.tv_nsec / 1000000);
        return;
    }
}

TEST(LocalTimeNow, FollowsTheClockFromSecondToSecond) {
    expectMatchesTheClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    expectMatchesTheClock();
}

}  // namespace
