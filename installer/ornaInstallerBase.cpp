#include "ornaInstallerBase.h"

#include "installerOptions.h"
#include "ornaRunOutput.h"
#include "ornaToolCommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <QWizard>

#include <cstdio>
#include <unistd.h>

ORNAInstallerBase::ORNAInstallerBase(const InstallerOptions &options,
                                     const ORNAInstallerSettings &settings)
    : settings(settings), applicationDirectory(options.applicationDirectory),
      installDirectory(options.prefix), tempDirectory(options.tempDirectory),
      verbose(options.verbose)
{}

ORNAInstallerBase::~ORNAInstallerBase()
{
    // The wizard has no parent; its pages go with it.
    delete wizard;
}

void ORNAInstallerBase::runTool(const QString &program, const QStringList &arguments,
                                const QString &workingDirectory)
{
    if (verbose)
        logMessage(QStringLiteral("Running ") + program + QLatin1Char(' ') +
                   arguments.join(QLatin1Char(' ')));
    std::fflush(stdout);

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    // What the tool prints would break the stream of JSON events: it goes to standard error.
    if (ORNARunOutput::isJson())
        process.setChildProcessModifier([] { ::dup2(STDERR_FILENO, STDOUT_FILENO); });
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        logError(QStringLiteral("Error: ") + program +
                 QStringLiteral(" process could not be started"));
        return;
    }
    process.waitForFinished(-1);
    if (process.exitStatus() == QProcess::CrashExit)
        logError(QStringLiteral("Error: ") + program + QStringLiteral(" process crashed"));
    else if (process.exitCode() != 0)
        logError(QStringLiteral("Error: ") + program +
                 QStringLiteral(" process failed with exit code ") +
                 QString::number(process.exitCode()));
}

void ORNAInstallerBase::runWork(const std::function<void()> &work)
{
    if (!wizard) {
        work();
        return;
    }
    QThread *worker = QThread::create(work);
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    // The loop also ends at once when the application quits; the work still runs to its end.
    worker->wait();
    delete worker;
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

bool ORNAInstallerBase::passedToOwnThread(const std::function<void()> &log)
{
    if (QThread::currentThread() == thread())
        return false;
    QMetaObject::invokeMethod(this, log, Qt::QueuedConnection);
    return true;
}

void ORNAInstallerBase::runCommand(const ORNAToolCommand &command)
{
    runTool(command.program, command.arguments, command.workingDirectory);
}

void ORNAInstallerBase::logMessage(const QString &message)
{
    ORNARunOutput::message(message);
}

void ORNAInstallerBase::logError(const QString &message)
{
    ORNARunOutput::error(message);
}
