#include "ornaInstaller.h"

#include "ornaSignalWatcher.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProcess>
#include <QThread>
#include <QWizard>

#include <cerrno>
#include <csignal>

namespace {

// How long the script's processes get to end after SIGTERM before SIGKILL follows.
const int stopGraceMs = 5000;
const int groupPollMs = 10;

QString signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal ") + QString::number(signalNumber);
    }
}

// True once no process of the group is left, false if some are still there after timeoutMs.
bool waitForGroupEnd(pid_t group, int timeoutMs)
{
    for (int waited = 0; ::kill(-group, 0) == 0 || errno == EPERM; waited += groupPollMs) {
        if (waited >= timeoutMs)
            return false;
        QThread::msleep(groupPollMs);
    }
    return true;
}

} // namespace

int ORNAInstaller::exitCode(int normalCode) const
{
    if (interruptingSignal != 0)
        return 128 + interruptingSignal;
    return hasInstallationFailed() ? 1 : normalCode;
}

bool ORNAInstaller::createUninstallerIfEnabled()
{
    if (!settings.uninstallerEnabled)
        return true;
    logMessage(QStringLiteral("Creating uninstaller..."));
    // The copy of the program and its libraries runs off the event loop's thread; a signal
    // caught meanwhile is handled once it is done, by the caller.
    bool created = false;
    signalsDeferred = true;
    runWork([&] { created = createUninstaller(); });
    signalsDeferred = false;
    return created;
}

void ORNAInstaller::stopWatchingSignals()
{
    if (!signalWatcher)
        return;
    // This may run inside the watcher's own signal: it goes once that is over.
    signalWatcher->stop();
    signalWatcher->deleteLater();
    signalWatcher = nullptr;
}

void ORNAInstaller::terminateProcessGroup()
{
    if (!installProcess || installProcess->state() == QProcess::NotRunning)
        return;
    // The script ran in a group of its own (its pid): the whole pipeline stops, a stopped
    // one included, and none of it is left writing into the tree that is removed next.
    const pid_t group = pid_t(installProcess->processId());
    ::kill(-group, SIGTERM);
    ::kill(-group, SIGCONT);
    if (!installProcess->waitForFinished(stopGraceMs) || !waitForGroupEnd(group, stopGraceMs)) {
        ::kill(-group, SIGKILL);
        installProcess->waitForFinished(-1);
        waitForGroupEnd(group, stopGraceMs);
    }
}

void ORNAInstaller::stopInstallProcess()
{
    if (!installProcess)
        return;
    disconnect(installProcess, &QProcess::finished, this, &ORNAInstaller::installProcessFinished);
    terminateProcessGroup();
    installationRunning = false;
    readInstallProcessOutput();
    readInstallProcessError();
}

void ORNAInstaller::rollBackInstallation(bool announce)
{
    // A signal handled while the window waits for the removal must not start a second one.
    if (rollingBack || !rollback.isRecorded())
        return;
    if (announce)
        logMessage(QStringLiteral("Removing what was installed in ") + installDirectory +
                   QStringLiteral("..."));
    bool removed = false;
    rollingBack = true;
    runWork([&] { removed = rollback.rollBack(); });
    rollingBack = false;
    if (!removed)
        logError(QStringLiteral("Error: Not everything that was installed in ") + installDirectory +
                 QStringLiteral(" could be removed."));
}

void ORNAInstaller::failInstallation()
{
    installationFailed = true;
    rollBackInstallation(true);
    if (wizard && progressPage)
        showFailurePage();
}

void ORNAInstaller::abortInstallation(const QString &reason)
{
    installationFailed = true;
    finishPending = false;
    logError(reason);
    stopInstallProcess();
    // Still watching: a second Ctrl-C must not end the program half-way through the removal.
    rollBackInstallation(true);
    stopWatchingSignals();
    emit installationEnded();
}

void ORNAInstaller::interrupt(int signalNumber)
{
    if (interruptingSignal != 0 || !signalWatcher || signalsDeferred)
        return;
    interruptingSignal = signalNumber;
    // The window goes away: the messages go where the program was started from.
    if (wizard)
        logToPage = false;
    abortInstallation(QStringLiteral("Error: The installation was interrupted by ") +
                      signalName(signalNumber) + QLatin1Char('.'));
    if (wizard)
        QCoreApplication::exit(128 + signalNumber);
}

bool ORNAInstaller::confirmCancel()
{
    if (!installationRunning || interruptingSignal != 0)
        return true;
    QMessageBox question(QMessageBox::Question, QStringLiteral("Cancel installation"),
                         QStringLiteral("Do you want to cancel the installation of ") +
                             settings.productTitle +
                             QStringLiteral("?\n\nThe files installed so far will be removed."),
                         QMessageBox::Yes | QMessageBox::No, wizard);
    question.setTextFormat(Qt::PlainText);
    question.setDefaultButton(QMessageBox::No);
    cancelQuestionOpen = true;
    const bool cancel = question.exec() == QMessageBox::Yes;
    cancelQuestionOpen = false;
    if (interruptingSignal != 0)
        return true;
    if (!cancel) {
        if (finishPending) {
            finishPending = false;
            installProcessFinished();
        }
        return false;
    }
    logToPage = false;
    abortInstallation(QStringLiteral("The installation was cancelled."));
    return true;
}
