#include "ornaInstallerBase.h"

#include "installerOptions.h"

#include <QProcess>
#include <QWizard>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

// Set once standard output has been closed by its reader (`| head -1`): the work goes on,
// only the writing stops.
bool standardOutputClosed = false;

// One write per line, so that lines stay whole between the output of child processes that
// share the same standard output.
void writeLineToStandardOutput(const QString &text)
{
    if (standardOutputClosed)
        return;
    QByteArray bytes = text.toUtf8();
    bytes.append('\n');
    std::fflush(stdout);
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE)
            standardOutputClosed = true;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

} // namespace

ORNAInstallerBase::ORNAInstallerBase(const InstallerOptions &options)
    : settings(options), applicationDirectory(options.applicationDirectory),
      installDirectory(options.prefix)
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

void ORNAInstallerBase::logMessage(const QString &message)
{
    writeLineToStandardOutput(message);
}

void ORNAInstallerBase::logError(const QString &message)
{
    writeLineToStandardOutput(message);
}
