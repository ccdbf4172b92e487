// Start-up failure texts of the port driver.
#include "lpt/DriverErrors.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace vorbrant {
namespace {

TEST(DriverErrors, TextPerErrnoClass)
{
    EXPECT_EQ(DriverStartFailureText(EPERM), "Can't start I/O driver! Error : Access denied");
    EXPECT_EQ(DriverStartFailureText(EACCES), "Can't start I/O driver! Error : Access denied");
    EXPECT_EQ(DriverStartFailureText(ENOENT), "Can't start I/O driver! Error : Path not found");
    EXPECT_EQ(DriverStartFailureText(EBUSY), "Can't start I/O driver! Error : Service already running");
    for (int other : {0, EIO, ENOSYS, ENOTTY, ENXIO, EINVAL, 100000, -1})
        EXPECT_EQ(DriverStartFailureText(other), "Can't start I/O driver! Error : An unexpected error occured")
            << other;
}

TEST(DriverErrors, TableRowsByCode)
{
    ASSERT_EQ(ErrorMessages.size(), 30u);
    EXPECT_EQ(ErrorMessages.front().Code, 0);
    EXPECT_STREQ(ErrorMessages.front().Text, "Operation was successful");
    EXPECT_EQ(ErrorMessages.back().Code, 9999);
    EXPECT_STREQ(ErrorText(9998), "Can't connect to Service Control Manager");
    EXPECT_STREQ(ErrorText(1075), "Depends on nonexistant service");
    EXPECT_STREQ(ErrorText(1), "Invalid Function");
    // Two rows carry 9997; the first one answers.
    EXPECT_STREQ(ErrorText(9997), "Buffer too small");
    // Codes no row carries.
    EXPECT_STREQ(ErrorText(2), "An unexpected error occured");
    EXPECT_STREQ(ErrorText(-5), "An unexpected error occured");
    EXPECT_EQ(DriverStartFailureMessage(1073), "Can't start I/O driver! Error : Service already exists");
}

} // namespace
} // namespace vorbrant
