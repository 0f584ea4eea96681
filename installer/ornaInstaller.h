#ifndef ORNAINSTALLER_H
#define ORNAINSTALLER_H

#include "ornaInstallerBase.h"

class QProcess;
class ORNAFinishInstallationPage;
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
    explicit ORNAInstaller(const InstallerOptions &options);
    ~ORNAInstaller() override;

    // Wizard mode: builds the wizard and its pages.
    void setupWizard();
    // Sets the progress bar's maximum (the file count of the command line).
    void setProgressMaximum(int maximum);

    // Console mode: the whole installation, finishing steps included; true if the script ran.
    bool installFromConsole();
    // Checks the directory and starts the archive script; true if the script was started.
    bool installInto(const QString &directory, bool waitForFinish);
    // Runs the uninstall script of a previous installation in the directory, if there is one.
    bool callExistingUninstaller(const QString &directory);

    // After the archive script: uninstaller, desktop integration, start script, product run.
    bool finishSteps();
    bool createUninstaller();

    // Adds execute permission for owner and group; false if the permissions could not be set.
    static bool addExecutePermission(const QString &path);
    // Writes the whole file (replacing it); logs openErrorPrefix + path + the reason on failure.
    bool writeInstalledFile(const QString &path, const QByteArray &content, bool executable,
                            const QString &openErrorPrefix);

    // One pass writing menu entries or desktop shortcuts (and registering them if install).
    void createDesktopEntries(bool menuEntries, bool install, bool addFavorites);
    bool writeDesktopEntryFile(const QString &fileName, const LinkEntry &link, bool menuEntry);
    bool writeMenuDirectoryFile(const QString &fileName);
    bool addUnityLauncherFavorite(const QString &desktopFile);
    // Registers the submenu's directory file and its entries in one call.
    void registerMenu(const QString &directory, QStringList files);

    void processIcon(const QString &iconFile, const QString &size) override;

    bool isInstallationRunning() const { return installationRunning; }
    bool isInstallationRequested() const { return installationRequested; }
    int progress() const { return progressCount; }
    // True once the archive script has crashed or ended with a non-zero exit code.
    bool hasInstallationFailed() const { return installationFailed; }

public Q_SLOTS:
    void currentPageChanged(int id);
    void installProcessFinished();
    void licenseAgreementAcceptanceToggled();
    void readInstallProcessError();
    void readInstallProcessOutput();
    void finishInstallation();
    void startInstallation();
    void logError(const QString &message) override;
    void logMessage(const QString &message) override;

private:
    // Wizard set-up and page changes.
    void addPages();
    QString proposedInstallDirectory() const;
    QString summaryText() const;
    void progressPageEntered();

    // The installation could not be started (refused or unusable directory, no script).
    bool installationStartFailed = false;

protected:
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
    bool forcePrefix = false;
    bool installationFailed = false;
};

#endif // ORNAINSTALLER_H
