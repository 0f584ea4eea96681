#include "installerOptions.h"
#include "installerRuns.h"
#include "ornaUninstaller.h"

#include <QApplication>

int runUninstallation(const InstallerOptions &options)
{
    ORNAUninstaller uninstaller(options, options.applicationDirectory);
    uninstaller.setVerbose(options.verbose);
    if (options.consoleMode)
        return uninstaller.uninstall() ? 0 : 1;
    uninstaller.setupWizard();
    uninstaller.showWizard();
    return QApplication::exec();
}
