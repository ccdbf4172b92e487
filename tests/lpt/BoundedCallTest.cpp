// A blocking call with a time limit.
#include "lpt/BoundedCall.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

extern "C" void MarkerHandler(int) {}

TEST(BoundedCall, ABlockedReadIsInterruptedAtTheLimit)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    char byte = 0;
    bool timedOut = false;
    int r = CallWithTimeLimit([&] { return static_cast<int>(read(fds[0], &byte, 1)); }, 50, timedOut);
    int err = errno;
    EXPECT_EQ(r, -1);
    EXPECT_EQ(err, EINTR);
    EXPECT_TRUE(timedOut);
    close(fds[0]);
    close(fds[1]);
}

TEST(BoundedCall, AQuickCallKeepsItsResultAndTheOldHandler)
{
    const int sig = SIGRTMIN + 5;
    struct sigaction marker{};
    marker.sa_handler = MarkerHandler;
    sigemptyset(&marker.sa_mask);
    struct sigaction saved{};
    ASSERT_EQ(sigaction(sig, &marker, &saved), 0);

    bool timedOut = true;
    int r = CallWithTimeLimit([] {
        errno = ENOTTY;
        return 7;
    }, 1000, timedOut);
    int err = errno;
    EXPECT_EQ(r, 7);
    EXPECT_EQ(err, ENOTTY);
    EXPECT_FALSE(timedOut);

    struct sigaction now{};
    sigaction(sig, nullptr, &now);
    EXPECT_EQ(now.sa_handler, MarkerHandler);
    sigaction(sig, &saved, nullptr);
}

} // namespace
} // namespace vorbrant
