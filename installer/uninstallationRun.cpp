#include "installerOptions.h"
#include "installerRuns.h"
#include "ornaRunOutput.h"
#include "ornaUninstaller.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// The directory the program really runs from, links and ".." resolved by the system: the path
// it was started by may lead through links to another tree than the one that runs.
QString runningProgramDirectory(const InstallerOptions &options)
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return program.isEmpty() ? options.applicationDirectory : QFileInfo(program).absolutePath();
}

} // namespace

int runUninstallation(const InstallerOptions &options)
{
    ORNAUninstaller uninstaller(options, ORNAInstallerSettings(options),
                                runningProgramDirectory(options), QStringLiteral("/proc/self/exe"));
    if (options.consoleMode) {
        const ORNAInstallerSettings &settings = uninstaller.installerSettings();
        ORNARunOutput::start(settings.product, settings.version,
                             uninstaller.installationDirectory(), -1);
        return uninstaller.uninstall() ? 0 : 1;
    }
    uninstaller.setupWizard();
    uninstaller.showWizard();
    return QApplication::exec();
}
