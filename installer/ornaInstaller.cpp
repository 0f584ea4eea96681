#include "ornaInstaller.h"

#include "installerOptions.h"
#include "ornaRunOutput.h"
#include "ornaSignalWatcher.h"
#include "ornaTargetDirectory.h"
#include "ornaUtils.h"
#include "pages/ornaProgressPage.h"

#include <QAbstractButton>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QWizard>

#include <cstring>
#include <unistd.h>

namespace {

const int startTimeoutMs = 30000;
const int uninstallerPollMs = 100;

// A line of a child process: cut at the first NUL, trimmed, UTF-8 when it is valid UTF-8,
// else Latin-1 (scripts print file names in whatever encoding the file system holds).
QString decodeLine(const char *data, qsizetype length)
{
    if (const void *nul = std::memchr(data, '\0', size_t(length)))
        length = static_cast<const char *>(nul) - data;
    const QByteArray bytes = QByteArray::fromRawData(data, length).trimmed();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// Hands every whole line of the device to handle(data, length), the line break included;
// with takeRest also a last line without a break. One buffer serves every line.
template <typename Handler>
void forEachLine(QIODevice *device, bool takeRest, Handler handle)
{
    char chunk[4096];
    QByteArray longLine;
    while (device->canReadLine() || (takeRest && device->bytesAvailable() > 0)) {
        const qint64 length = device->readLine(chunk, sizeof(chunk));
        if (length <= 0)
            break;
        const bool complete = chunk[length - 1] == '\n' || !device->bytesAvailable();
        if (complete && longLine.isEmpty()) {
            handle(chunk, qsizetype(length));
            continue;
        }
        longLine.append(chunk, length);
        if (complete) {
            handle(longLine.constData(), longLine.size());
            longLine.clear();
        }
    }
    if (!longLine.isEmpty())
        handle(longLine.constData(), longLine.size());
}

} // namespace

ORNAInstaller::ORNAInstaller(const InstallerOptions &options, const ORNAInstallerSettings &settings)
    : ORNAInstallerBase(options, settings), installScript(options.installScript),
      createDesktopFiles(options.createDesktopFiles), fileTotal(options.fileCount),
      forcePrefix(options.forcePrefix)
{}

ORNAInstaller::~ORNAInstaller()
{
    // Stop a script that still runs before this object is half gone, so that its end
    // reaches no slot of it.
    if (installProcess) {
        installProcess->disconnect(this);
        terminateProcessGroup();
        delete installProcess;
    }
    delete signalWatcher;
}

QString ORNAInstaller::creationFailure(const QString &directory)
{
    return QStringLiteral("Error: Failed to create installation directory: ") + directory;
}

bool ORNAInstaller::installFromConsole()
{
    return installInto(installDirectory, true) && !installationFailed;
}

bool ORNAInstaller::installInto(const QString &directory, bool waitForFinish)
{
    logToPage = true;
    installDirectory = directory;
    if (directory.isEmpty()) {
        logError(QStringLiteral("Error: the given installation directory is an empty string."));
        return false;
    }
    if (checksTarget()) {
        const QString refusal = ORNATargetDirectory::refusalOf(directory);
        if (!refusal.isEmpty()) {
            logError(refusal + QLatin1String(ORNATargetDirectory::forceHint));
            return false;
        }
    }
    if (settings.uninstallerEnabled && !callExistingUninstaller(directory))
        return false;

    logMessage(QStringLiteral("Installing ") + settings.productTitle + QStringLiteral(" in ") +
               directory + QStringLiteral("..."));
    // From here on an interruption is undone: what is there now is remembered first.
    signalWatcher = new ORNASignalWatcher(this);
    connect(signalWatcher, &ORNASignalWatcher::signalCaught, this, &ORNAInstaller::interrupt);
    rollback.recordBefore(directory);
    if (!QFileInfo(directory).isDir() && !ORNAUtils::makePath(directory)) {
        logError(creationFailure(directory));
        rollBackInstallation(false);
        stopWatchingSignals();
        return false;
    }

    installationRunning = true;
    installationFailed = false;
    startProcessGroup(directory);
    if (!installProcess->waitForStarted(startTimeoutMs)) {
        installationRunning = false;
        logError(QStringLiteral("Error: Failed to start installation process: ") +
                 installProcess->errorString());
        rollBackInstallation(false);
        stopWatchingSignals();
        return false;
    }
    if (waitForFinish)
        waitForInstallationEnd();
    return true;
}

void ORNAInstaller::startProcessGroup(const QString &directory)
{
    delete installProcess;
    installProcess = new QProcess(this);
    // A process group of its own: the terminal's Ctrl-C reaches only the installer, which then
    // stops the script's whole pipeline at once and still reads every line it has written.
    installProcess->setChildProcessModifier([] { ::setpgid(0, 0); });
    // Outside the terminal's foreground group, reading the terminal would stop the script.
    installProcess->setStandardInputFile(QProcess::nullDevice());
    installProcess->start(QStringLiteral("bash"),
                          {installScript, QStringLiteral("--install"), directory, tempDirectory},
                          QIODevice::ReadOnly);
    connect(installProcess, &QProcess::readyReadStandardOutput, this,
            &ORNAInstaller::readInstallProcessOutput);
    connect(installProcess, &QProcess::readyReadStandardError, this,
            &ORNAInstaller::readInstallProcessError);
    connect(installProcess, &QProcess::finished, this, &ORNAInstaller::installProcessFinished);
}

void ORNAInstaller::waitForInstallationEnd()
{
    QEventLoop loop;
    connect(this, &ORNAInstaller::installationEnded, &loop, &QEventLoop::quit);
    if (installationRunning)
        loop.exec();
}

bool ORNAInstaller::callExistingUninstaller(const QString &directory)
{
    if (!QFileInfo::exists(directory + QStringLiteral("/uninstall")))
        return true;
    logMessage(QStringLiteral("Calling ") + directory + QStringLiteral("/uninstall..."));
    const bool shown = wizard && wizard->isVisible();
    bool started = false;
    runWork([&] { started = runExistingUninstaller(directory); });
    // A window closed meanwhile is a cancel before the start: the old installation is gone,
    // the new one does not begin.
    return started && (!shown || wizard->isVisible());
}

bool ORNAInstaller::runExistingUninstaller(const QString &directory)
{
    const ORNAToolCommand command = previousUninstallerCommand(directory);
    QProcess process;
    process.setWorkingDirectory(command.workingDirectory);
    process.start(command.program, command.arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(startTimeoutMs)) {
        logError(QStringLiteral("Error: Uninstaller did not start: ") + process.errorString());
        return false;
    }

    const auto passOn = [&process, this](bool takeRest) {
        process.setReadChannel(QProcess::StandardOutput);
        forEachLine(&process, takeRest, [this](const char *data, qsizetype length) {
            logMessage(decodeLine(data, length));
        });
        process.setReadChannel(QProcess::StandardError);
        forEachLine(&process, takeRest, [this](const char *data, qsizetype length) {
            logError(decodeLine(data, length));
        });
    };
    while (process.state() != QProcess::NotRunning) {
        passOn(false);
        process.waitForFinished(uninstallerPollMs);
    }
    passOn(true);
    return true;
}

ORNAToolCommand ORNAInstaller::previousUninstallerCommand(const QString &directory) const
{
    // Started by its path in the directory as given, not as "./uninstall": through a prefix
    // that is a link it then knows that the link leads to it, and keeps the link's directory.
    QStringList arguments = {QStringLiteral("--mode"), QStringLiteral("console")};
    if (verbose)
        arguments << QStringLiteral("--verbose");
    return {QDir(directory).absoluteFilePath(QStringLiteral("uninstall")), arguments, directory};
}

void ORNAInstaller::readInstallProcessOutput()
{
    if (!installProcess)
        return;
    installProcess->setReadChannel(QProcess::StandardOutput);
    const bool takeRest = installProcess->state() == QProcess::NotRunning;
    const bool json = ORNARunOutput::isJson();
    forEachLine(installProcess, takeRest, [this, json](const char *data, qsizetype length) {
        // Without --verbose a line is only counted; it need not be decoded at all.
        if (json)
            ORNARunOutput::file(++filesReported, fileTotal, decodeLine(data, length));
        else if (verbose)
            logMessage(decodeLine(data, length));
        if (installationRunning && progressPage) {
            ++progressCount;
            progressPage->setProgressValue(progressCount);
        }
    });
}

void ORNAInstaller::readInstallProcessError()
{
    if (!installProcess)
        return;
    installProcess->setReadChannel(QProcess::StandardError);
    const bool takeRest = installProcess->state() == QProcess::NotRunning;
    forEachLine(installProcess, takeRest,
                [this](const char *data, qsizetype length) { logError(decodeLine(data, length)); });
}

void ORNAInstaller::installProcessFinished()
{
    // While the user is asked whether to cancel, the answer decides what comes next.
    if (cancelQuestionOpen) {
        finishPending = true;
        return;
    }
    installationRunning = false;
    readInstallProcessOutput();
    readInstallProcessError();

    bool complete = true;
    if (installProcess->exitStatus() == QProcess::CrashExit) {
        complete = false;
        logError(QStringLiteral("Error: The installation script crashed."));
    } else if (installProcess->exitCode() != 0) {
        complete = false;
        logError(QStringLiteral("Error: The installation script failed with exit code ") +
                 QString::number(installProcess->exitCode()) + QLatin1Char('.'));
    }
    // Without a complete uninstaller the tree could be neither removed nor installed into.
    complete = complete && createUninstallerIfEnabled();
    if (signalWatcher && signalWatcher->caughtSignal() != 0) {
        interrupt(signalWatcher->caughtSignal());
        return;
    }
    stopWatchingSignals();
    if (complete)
        finishInstalledTree();
    else
        failInstallation();

    logMessage(QStringLiteral("Finished."));
    if (progressPage && complete)
        progressPage->setProgressToMaximum();
    logToPage = false;
    if (wizard) {
        if (QAbstractButton *next = wizard->button(QWizard::NextButton))
            next->setEnabled(complete);
        if (QAbstractButton *finish = wizard->button(QWizard::FinishButton))
            finish->setEnabled(true);
    }
    emit installationEnded();
}

void ORNAInstaller::logMessage(const QString &message)
{
    if (passedToOwnThread([this, message] { ORNAInstaller::logMessage(message); }))
        return;
    if (logToPage && progressPage)
        progressPage->appendMessage(message);
    else
        ORNAInstallerBase::logMessage(message);
}

void ORNAInstaller::logError(const QString &message)
{
    if (passedToOwnThread([this, message] { ORNAInstaller::logError(message); }))
        return;
    if (logToPage && progressPage)
        progressPage->appendError(message);
    else
        ORNAInstallerBase::logError(message);
}
