#include "ornaInstallerSettings.h"

#include "installerOptions.h"

ORNAInstallerSettings::ORNAInstallerSettings(const InstallerOptions &options)
{
    read(options.settingsFile);
}

void ORNAInstallerSettings::read(const QString &settingsFile)
{
    Q_UNUSED(settingsFile); // TODO-STUB: replaced by the settings reader
}
