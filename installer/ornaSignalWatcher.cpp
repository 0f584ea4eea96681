#include "ornaSignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int watchedSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int watchedCount = sizeof(watchedSignals) / sizeof(watchedSignals[0]);

volatile sig_atomic_t firstCaught = 0;
int pipeEnds[2] = {-1, -1};
struct sigaction previous[watchedCount];
bool installed[watchedCount] = {};

void recordSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (firstCaught == 0)
        firstCaught = signalNumber;
    const char byte = char(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void doNothing(int) {}

} // namespace

ORNASignalWatcher::ORNASignalWatcher(QObject *parent) : QObject(parent)
{
    firstCaught = 0;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    active = true;
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &ORNASignalWatcher::readPipe);

    struct sigaction action = {};
    action.sa_handler = recordSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < watchedCount; ++i) {
        installed[i] = ::sigaction(watchedSignals[i], nullptr, &previous[i]) == 0 &&
                       previous[i].sa_handler != SIG_IGN &&
                       ::sigaction(watchedSignals[i], &action, nullptr) == 0;
    }
}

ORNASignalWatcher::~ORNASignalWatcher()
{
    stop();
}

void ORNASignalWatcher::stop()
{
    if (!active)
        return;
    active = false;
    for (int i = 0; i < watchedCount; ++i) {
        if (installed[i])
            ::sigaction(watchedSignals[i], &previous[i], nullptr);
        installed[i] = false;
    }
    if (notifier)
        notifier->setEnabled(false);
    for (int &end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

int ORNASignalWatcher::caughtSignal() const
{
    return firstCaught;
}

void ORNASignalWatcher::readPipe()
{
    char bytes[64];
    while (::read(pipeEnds[0], bytes, sizeof(bytes)) > 0) {
    }
    if (firstCaught != 0)
        emit signalCaught(firstCaught);
}

void ORNASignalWatcher::ignoreBrokenPipe()
{
    struct sigaction action = {};
    action.sa_handler = doNothing;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}
