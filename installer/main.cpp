#include "applicationSetup.h"
#include "installerOptions.h"
#include "installerRuns.h"
#include "ornaBase.h"
#include "ornaRunOutput.h"
#include "ornaSignalWatcher.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// A stream that its reader has closed is not written to again.
void print(const QString &text, FILE *stream)
{
    if (std::ferror(stream))
        return;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void printToStandardOutput(const QString &text)
{
    print(text, stdout);
}

void printToStandardError(const QString &text)
{
    print(text, stderr);
}

// A wizard needs a display; say so plainly instead of failing inside the toolkit.
int refuseWizard(const QString &problem, bool uninstall)
{
    printToStandardError(
        QStringLiteral("Error: The wizard cannot be shown: %1.\n").arg(problem) +
        (uninstall ? QStringLiteral("Run the uninstaller with --mode console to uninstall "
                                    "without a window.\n")
                   : QStringLiteral("Run the installer with --mode console --prefix DIR to "
                                    "install without a window.\n")));
    return 1;
}

int dispatch(const InstallerOptions &options, const CommandLineFlags &flags,
             const ApplicationSetup &setup)
{
    if (!options.consoleMode && !setup.displayProblem().isEmpty())
        return refuseWizard(setup.displayProblem(), flags.uninstall);
    return flags.uninstall ? runUninstallation(options) : runInstallation(options);
}

} // namespace

int main(int argc, char **argv)
{
    // A reader that goes away early (`| head -1`) must not end the installation half-way.
    ORNASignalWatcher::ignoreBrokenPipe();
    const QString programPath = QString::fromLocal8Bit(argc > 0 ? argv[0] : "");
    InstallerOptions options;
    options.applicationDirectory = applicationDirectoryOf(programPath);

    ApplicationSetup setup;
    std::unique_ptr<QCoreApplication> app =
        setup.createApplication(argc, argv, options.applicationDirectory);
    QCoreApplication::setOrganizationName(QStringLiteral("Halva"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("halva.example"));
    QCoreApplication::setApplicationName(QStringLiteral("LinuxInstaller"));
    ORNABase::initialize();

    CommandLineFlags flags;
    parseArguments(QCoreApplication::arguments().mid(1), options, flags);

    if (options.settingsFile.isEmpty()) {
        printToStandardError(QStringLiteral("Error: No settings file given\n"));
        printToStandardOutput(usageText(options, programPath));
        return 1;
    }
    int exitCode = flags.error ? 1 : 0;
    // The wizard shows its own progress; JSON events are for console runs.
    const bool json = options.jsonProgress && options.consoleMode && !flags.help && !flags.error;
    if (json)
        ORNARunOutput::useJson();
    if (!flags.help && !flags.error)
        exitCode = dispatch(options, flags, setup);
    // A stream of JSON events stays one: it ends with the end event, not with the usage text.
    if (json)
        ORNARunOutput::end(exitCode);
    else if (flags.help || flags.error || exitCode != 0)
        printToStandardOutput(usageText(options, programPath));
    app.reset();
    return exitCode;
}
