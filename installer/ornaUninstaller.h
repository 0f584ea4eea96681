#ifndef ORNAUNINSTALLER_H
#define ORNAUNINSTALLER_H

#include "ornaInstallerBase.h"

class ORNAUninstallerProgressPage;
namespace ORNADeletionGuard {
struct Refusal;
}

// Removes the installation it was started from: unregisters the desktop entries and deletes
// the directory above its own.
class ORNAUninstaller : public ORNAInstallerBase
{
    Q_OBJECT

public:
    // runningProgram is this program's file, which must be the installation's
    // Uninstaller/LinuxInstaller; applicationDirectory is the directory it runs from.
    ORNAUninstaller(const InstallerOptions &options, const ORNAInstallerSettings &settings,
                    const QString &applicationDirectory, const QString &runningProgram);

    // Wizard mode: the welcome and progress pages.
    void setupWizard();

    void removeDesktopEntries();
    // Drops the launcher favourites that point into the installation.
    void removeUnityLauncherFavorites();
    bool deleteInstallationDirectory();

    void processIcon(const QString &iconFile, const QString &size) override;

public Q_SLOTS:
    bool uninstall();
    void currentPageChanged(int id) override;
    void logMessage(const QString &message) override;
    void logError(const QString &message) override;

private:
    // The question before anything is deleted; true for Yes.
    bool askForConfirmation();
    // The steps of uninstall() after the check that this is an installation.
    bool removeInstallation();
    // A critical box in the wizard, an error line on the console.
    void showRefusal(const ORNADeletionGuard::Refusal &refusal);
    // False, with the reasons logged, when anything is left.
    bool removeInstallationTree();

    ORNAUninstallerProgressPage *progressPage = nullptr;
    bool confirmed = false;
    QString runningProgram;
    // Started through a prefix that is a link to the installation directory.
    bool keepInstallDirectory = false;
};

#endif // ORNAUNINSTALLER_H
