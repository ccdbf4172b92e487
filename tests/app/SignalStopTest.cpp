// A termination signal while the window is up ends the event loop, so the
// orderly close (configuration, target release, driver shutdown) runs.
#include "tests/app/AppTestSupport.h"

#include "app/SignalStop.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace vorbrant;
using namespace vorbrant::testing;

TEST(SignalStop, TerminationSignalEndsTheEventLoop)
{
    EnsureApp();
    for (int signal : {SIGTERM, SIGINT}) {
        SignalStop stop;
        ASSERT_TRUE(stop.Armed());
        QTimer::singleShot(0, [signal] { std::raise(signal); });
        // A loop the signal failed to end is stopped by this one instead.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::quit(); });
        guard.start(5000);
        QCoreApplication::exec();
        EXPECT_TRUE(guard.isActive()) << "signal " << signal << " did not end the loop";
    }
}
