#include "ornaInstaller.h"

#include "installerOptions.h"

// TODO-STUB: replaced by the engine core
ORNAInstaller::ORNAInstaller(const InstallerOptions &options) : ORNAInstallerBase(options) {}
ORNAInstaller::~ORNAInstaller() = default;
bool ORNAInstaller::installFromConsole() { return false; }
bool ORNAInstaller::installInto(const QString &, bool) { return false; }
bool ORNAInstaller::callExistingUninstaller(const QString &) { return false; }
void ORNAInstaller::installProcessFinished() {}
void ORNAInstaller::readInstallProcessError() {}
void ORNAInstaller::readInstallProcessOutput() {}
void ORNAInstaller::logError(const QString &) {}
void ORNAInstaller::logMessage(const QString &) {}
