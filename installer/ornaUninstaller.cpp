#include "ornaUninstaller.h"

#include "installerOptions.h"

// TODO-STUB: replaced by the uninstaller engine
ORNAUninstaller::ORNAUninstaller(const InstallerOptions &options, const QString &)
    : ORNAInstallerBase(options)
{
}
void ORNAUninstaller::removeDesktopEntries() {}
bool ORNAUninstaller::deleteInstallationDirectory() { return false; }
void ORNAUninstaller::processIcon(const QString &, const QString &) {}
bool ORNAUninstaller::uninstall() { return false; }
void ORNAUninstaller::logMessage(const QString &) {}
void ORNAUninstaller::logError(const QString &) {}
