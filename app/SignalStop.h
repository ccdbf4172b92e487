#pragma once
// An orderly stop on SIGINT, SIGTERM and SIGHUP while the event loop runs:
// the signal handler only writes a byte to a pipe; the event loop sees it and
// quits, so the configuration is saved, the target released and the port
// driver shut down as on any other exit.
#include <QObject>

class QSocketNotifier;

namespace vorbrant {

class SignalStop : public QObject {
    Q_OBJECT
public:
    explicit SignalStop(QObject* parent = nullptr);
    ~SignalStop() override;
    bool Armed() const { return notifier_ != nullptr; }

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vorbrant
