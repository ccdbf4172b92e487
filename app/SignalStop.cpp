#include "app/SignalStop.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vorbrant {

namespace {

// The one place a signal handler can reach: the write end of the pipe.
int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    char byte = 1;
    ssize_t ignored = write(signalPipe[1], &byte, 1);
    (void)ignored;
}

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

SignalStop::SignalStop(QObject* parent) : QObject(parent)
{
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : StopSignals)
        sigaction(s, &action, nullptr);
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char buffer[16];
        while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
}

SignalStop::~SignalStop()
{
    if (!notifier_)
        return;
    for (int s : StopSignals)
        std::signal(s, SIG_DFL);
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace vorbrant
