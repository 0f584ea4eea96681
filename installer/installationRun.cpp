#include "installerOptions.h"
#include "installerRuns.h"
#include "ornaInstaller.h"
#include "ornaRunOutput.h"

#include <QApplication>

int runInstallation(const InstallerOptions &options)
{
    ORNAInstaller installer(options, ORNAInstallerSettings(options));

    if (!options.consoleMode) {
        installer.setupWizard();
        installer.setProgressMaximum(options.fileCount);
        installer.showWizard();
        // Without a wizard the event loop would never end.
        if (!installer.wizardWindow())
            return 1;
        return installer.exitCode(QApplication::exec());
    }
    const ORNAInstallerSettings &settings = installer.installerSettings();
    ORNARunOutput::start(settings.product, settings.version, options.prefix, options.fileCount);
    if (options.prefix.isEmpty()) {
        ORNARunOutput::errorBeforeStart(QStringLiteral("Error: No installation directory given."));
        return 1;
    }
    if (options.dryRun)
        return installer.planInstallation() ? 0 : 1;
    const bool installed = installer.installFromConsole();
    return installer.exitCode(installed ? 0 : 1);
}
