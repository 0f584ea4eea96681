#ifndef ORNAINSTALLER_H
#define ORNAINSTALLER_H

#include "ornaDesktopRegistration.h"
#include "ornaInstallationRollback.h"
#include "ornaInstallerBase.h"

class QProcess;
class ORNASignalWatcher;
class ORNAFinishInstallationPage;
class ORNAInstallationPlan;
class ORNAInstallDirectoryPage;
class ORNALicensePage;
class ORNAProgressPage;
class ORNASummaryPage;

// Drives one installation: guards the target, removes a previous installation, runs the
// archive script, counts its output as progress and finishes the installed tree.
class ORNAInstaller : public ORNAInstallerBase
{
    Q_OBJECT

public:
    ORNAInstaller(const InstallerOptions &options, const ORNAInstallerSettings &settings);
    ~ORNAInstaller() override;

    // Wizard mode: builds the wizard and its pages.
    void setupWizard();
    // Sets the progress bar's maximum (the file count of the command line).
    void setProgressMaximum(int maximum);

    // Console mode: the whole installation, finishing steps included; true if it succeeded.
    bool installFromConsole();
    // Checks the directory and starts the archive script; true if the script was started.
    bool installInto(const QString &directory, bool waitForFinish);
    // The process's exit code after the run: 128 + the signal that interrupted the
    // installation, 1 after one that failed or was cancelled, else normalCode.
    int exitCode(int normalCode) const;
    // Runs the uninstall script of a previous installation in the directory, if there is one.
    bool callExistingUninstaller(const QString &directory);

    // Console mode with --dry-run: every check of the installation, and what it would do,
    // without writing anything; true if the installation would proceed.
    bool planInstallation();

    // After the archive script: uninstaller, desktop integration, start script, product run.
    bool finishSteps();
    bool createUninstaller();
    // The finishing steps after the uninstaller: desktop integration, start script, product.
    bool finishInstalledTree();

    // Adds execute permission for owner and group; false if the permissions could not be set.
    static bool addExecutePermission(const QString &path);
    // Makes sure that path is a directory of the tree: a symbolic link in its place (planted
    // by the product) is replaced by a directory, so that nothing is written through it.
    static bool makeOwnDirectory(const QString &path);
    // Writes the whole file (replacing it); logs openErrorPrefix + path + the reason on failure.
    bool writeInstalledFile(const QString &path, const QByteArray &content, bool executable,
                            const QString &openErrorPrefix);

    // One pass writing menu entries or desktop shortcuts (and registering them if install).
    void createDesktopEntries(bool menuEntries, bool install, bool addFavorites);
    bool writeDesktopEntryFile(const QString &fileName, const LinkEntry &link, bool menuEntry);
    bool writeMenuDirectoryFile(const QString &fileName);
    bool addUnityLauncherFavorite(const QString &desktopFile);
    // The desktop files of this installation; in a fresh tree no name is taken yet.
    ORNADesktopRegistration desktopRegistration(bool freshTree) const;

    void processIcon(const QString &iconFile, const QString &size) override;

    bool isInstallationRunning() const { return installationRunning; }
    bool isInstallationRequested() const { return installationRequested; }
    int progress() const { return progressCount; }
    // True once the installation has failed (its start, the archive script, the uninstaller)
    // or was cancelled or interrupted.
    bool hasInstallationFailed() const { return installationFailed || installationStartFailed; }

    // The wizard's Cancel, Escape or window close: while the copy runs, asks first and on Yes
    // stops and undoes the installation; true if the wizard may close.
    bool confirmCancel();

Q_SIGNALS:
    // The archive script's run has been handled to its end, or interrupted.
    void installationEnded();

public Q_SLOTS:
    void currentPageChanged(int id) override;
    void installProcessFinished();
    void licenseAgreementAcceptanceToggled();
    void readInstallProcessError();
    void readInstallProcessOutput();
    void finishInstallation();
    void startInstallation();
    void logError(const QString &message) override;
    void logMessage(const QString &message) override;

public:
    // The errors the installation and its dry run report alike.
    static QString creationFailure(const QString &directory);
    static QString missingProduct(const QString &program);

private:
    // The directory rules apply unless forced, and only to a product with an uninstaller.
    bool checksTarget() const { return !forcePrefix && settings.uninstallerEnabled; }
    ORNAToolCommand previousUninstallerCommand(const QString &directory) const;
    ORNAToolCommand productRunCommand() const;
    bool writeDesktopFile(const ORNADesktopFile &file);

    // Parts of the dry run's plan.
    void planTarget(ORNAInstallationPlan &plan) const;
    // Notes each refusal rule's verdict; returns the first refusal.
    QString planRules(ORNAInstallationPlan &plan) const;
    bool planPreviousInstallation(ORNAInstallationPlan &plan) const;
    // productFiles: the files the archive puts in place; null when it does not tell.
    void planDesktopIntegration(ORNAInstallationPlan &plan, const QStringList *productFiles,
                                bool freshTree) const;
    void planFavorite(ORNAInstallationPlan &plan, const QString &file, QString &favorites) const;
    void planProductRun(ORNAInstallationPlan &plan, const QStringList *productFiles) const;

    // Wizard set-up and page changes.
    void addPages();
    QString proposedInstallDirectory() const;
    QString summaryText() const;
    void progressPageEntered();
    // The progress page with its log becomes the last page and says that the installation
    // failed.
    void showFailurePage();

    // Running the archive script, stopping it, undoing what it did.
    void startProcessGroup(const QString &directory);
    // Runs the old uninstall script to its end, passing its lines on as they come.
    bool runExistingUninstaller(const QString &directory);
    // The finishing steps with the shortcut choices made, on the calling thread.
    bool finishInstalledTree(bool shortcuts, bool menuEntries);
    void waitForInstallationEnd();
    bool createUninstallerIfEnabled();
    void stopWatchingSignals();
    void terminateProcessGroup();
    void stopInstallProcess();
    void rollBackInstallation(bool announce);
    void failInstallation();
    void abortInstallation(const QString &reason);
    void interrupt(int signalNumber);

    // The installation could not be started (refused or unusable directory, no script).
    bool installationStartFailed = false;
    ORNAFinishInstallationPage *finishPage = nullptr;
    ORNAInstallDirectoryPage *installDirectoryPage = nullptr;
    ORNALicensePage *licensePage = nullptr;
    ORNAProgressPage *progressPage = nullptr;
    ORNASummaryPage *summaryPage = nullptr;
    QString installScript;
    QProcess *installProcess = nullptr;
    bool createDesktopFiles = true;
    bool installationRunning = false;
    bool installationRequested = false;
    qint32 progressCount = 0;
    // The archive's file count, and the file events written so far (--progress=json).
    qint32 fileTotal = 0;
    qint32 filesReported = 0;
    bool forcePrefix = false;
    bool installationFailed = false;
    ORNAInstallationRollback rollback;
    ORNASignalWatcher *signalWatcher = nullptr;
    int interruptingSignal = 0;
    // While the uninstaller is copied, a caught signal waits for the copy's end.
    bool signalsDeferred = false;
    // The cancel question is open; an end of the script meanwhile is handled after it.
    bool cancelQuestionOpen = false;
    bool finishPending = false;
    bool rollingBack = false;
};

#endif // ORNAINSTALLER_H
