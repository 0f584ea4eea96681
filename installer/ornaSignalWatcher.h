#ifndef ORNASIGNALWATCHER_H
#define ORNASIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal while it lives, so that an interrupted
// installation can be undone from the event loop. The handler only records the number and
// writes one byte into a pipe; everything else happens outside it. A signal that was ignored
// when the watcher started (nohup, a background job) stays ignored. One watcher at a time.
class ORNASignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ORNASignalWatcher(QObject *parent = nullptr);
    ~ORNASignalWatcher() override;

    // Gives the three signals back their previous handling at once; safe to call from a slot
    // of signalCaught(), unlike deleting the watcher there.
    void stop();

    // The first signal caught so far, 0 if none; known before the event loop delivers it.
    int caughtSignal() const;

    // Writing to a closed pipe then fails with EPIPE instead of ending the process. A handler
    // rather than SIG_IGN: programs started later get the default back when they are executed.
    static void ignoreBrokenPipe();

Q_SIGNALS:
    void signalCaught(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *notifier = nullptr;
    // Until stop(): the handlers and the pipe are this watcher's.
    bool active = false;
};

#endif // ORNASIGNALWATCHER_H
