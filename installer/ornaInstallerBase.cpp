#include "ornaInstallerBase.h"

#include "installerOptions.h"

// TODO-STUB: replaced by the engine core
ORNAInstallerBase::ORNAInstallerBase(const InstallerOptions &options)
    : settings(options), applicationDirectory(options.applicationDirectory),
      installDirectory(options.prefix)
{
}

ORNAInstallerBase::~ORNAInstallerBase() = default;

void ORNAInstallerBase::runTool(const QString &, const QStringList &) {}
void ORNAInstallerBase::logMessage(const QString &) {}
void ORNAInstallerBase::logError(const QString &) {}
