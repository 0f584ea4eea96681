#ifndef ORNAPROCESSTHREAD_H
#define ORNAPROCESSTHREAD_H

#include <QObject>

class ORNAProcess;

// Runs one process to its end while the caller waits, keeping events flowing so the process's
// slots still record or drop its output. Owns the process.
class ORNAProcessThread : public QObject
{
    Q_OBJECT

public:
    explicit ORNAProcessThread(ORNAProcess *process, QObject *parent = nullptr);

    ORNAProcess *process() const { return m_process; }

    // Starts the process and returns once it has finished (true) or failed to start or
    // outlived the timeout (false; it is then killed). A negative timeout waits for ever.
    bool runToEnd(int timeoutMilliseconds = -1);

private:
    ORNAProcess *m_process;
};

#endif // ORNAPROCESSTHREAD_H
