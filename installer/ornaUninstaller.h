#ifndef ORNAUNINSTALLER_H
#define ORNAUNINSTALLER_H

#include "ornaInstallerBase.h"

class ORNAUninstallerProgressPage;

// Removes the installation it was started from: unregisters the desktop entries and deletes
// the directory above its own.
class ORNAUninstaller : public ORNAInstallerBase
{
    Q_OBJECT

public:
    ORNAUninstaller(const InstallerOptions &options, const QString &applicationDirectory);

    // Wizard mode: the welcome and progress pages.
    void setupWizard();

    void removeDesktopEntries();
    bool deleteInstallationDirectory();

    void processIcon(const QString &iconFile, const QString &size) override;

public Q_SLOTS:
    bool uninstall();
    void currentPageChanged(int id);
    void logMessage(const QString &message) override;
    void logError(const QString &message) override;

private:
    // The question before anything is deleted; true for Yes.
    bool askForConfirmation();

protected:
    ORNAUninstallerProgressPage *progressPage = nullptr;
    bool confirmed = false;
};

#endif // ORNAUNINSTALLER_H
