#include "ornaProcessThread.h"

#include "ornaProcess.h"

#include <QEventLoop>
#include <QTimer>

ORNAProcessThread::ORNAProcessThread(ORNAProcess *process, QObject *parent)
    : QObject(parent), m_process(process)
{
    m_process->setParent(this);
}

bool ORNAProcessThread::runToEnd(int timeoutMilliseconds)
{
    QEventLoop loop;
    bool finished = false;
    connect(m_process, &ORNAProcess::finished, &loop, [&]() {
        finished = true;
        loop.quit();
    });
    connect(m_process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_process->startProcess();
    if (m_process->state() == QProcess::NotRunning && !finished)
        return false;
    if (timeoutMilliseconds >= 0)
        timer.start(timeoutMilliseconds);
    loop.exec();
    // Taken before the kill below, whose own finished notification would set the flag.
    const bool finishedInTime = finished;
    if (!finishedInTime) {
        m_process->kill();
        m_process->waitForFinished();
    }
    return finishedInTime;
}
