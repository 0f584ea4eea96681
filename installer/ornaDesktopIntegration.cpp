#include "ornaInstaller.h"

// TODO-STUB: replaced by the desktop integration
QString ORNAInstallerBase::desktopEntriesDirectory() const { return QString(); }
void ORNAInstallerBase::installIcons() {}
void ORNAInstaller::createDesktopEntries(bool, bool, bool) {}
bool ORNAInstaller::writeDesktopEntryFile(const QString &, const LinkEntry &, bool) { return false; }
bool ORNAInstaller::writeMenuDirectoryFile(const QString &) { return false; }
bool ORNAInstaller::addUnityLauncherFavorite(const QString &) { return false; }
void ORNAInstaller::processIcon(const QString &, const QString &) {}
void ORNAInstaller::finishInstallation() {}
