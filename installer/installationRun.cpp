#include "installerOptions.h"
#include "installerRuns.h"
#include "ornaInstaller.h"

#include <QApplication>

#include <cstdio>

int runInstallation(const InstallerOptions &options)
{
    ORNAInstaller installer(options);
    installer.setVerbose(options.verbose);
    installer.setTempDirectory(options.tempDirectory);

    if (!options.consoleMode) {
        installer.setupWizard();
        installer.setProgressMaximum(options.fileCount);
        installer.showWizard();
        // Without a wizard the event loop would never end.
        if (!installer.wizardWindow())
            return 1;
        return installer.exitCode(QApplication::exec());
    }
    if (options.prefix.isEmpty()) {
        std::fputs("Error: No installation directory given.\n", stderr);
        std::fflush(stderr);
        return 1;
    }
    const bool installed = installer.installFromConsole();
    return installer.exitCode(installed ? 0 : 1);
}
