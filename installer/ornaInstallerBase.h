#ifndef ORNAINSTALLERBASE_H
#define ORNAINSTALLERBASE_H

#include "ornaInstallerSettings.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QWizard;
struct ORNAToolCommand;

// Common base of the installer and the uninstaller engines: the settings, the directories of
// the run, and the one way every engine message reaches the user.
class ORNAInstallerBase : public QObject
{
    Q_OBJECT

public:
    // The directories and switches come from options; settings are the product's, read by the
    // caller (usually from the options' settings file).
    ORNAInstallerBase(const InstallerOptions &options, const ORNAInstallerSettings &settings);
    ~ORNAInstallerBase() override;

    const ORNAInstallerSettings &installerSettings() const { return settings; }
    QString installationDirectory() const { return installDirectory; }
    QWizard *wizardWindow() const { return wizard; }

    // Shows the wizard; logs an error when there is none.
    void showWizard();

    // Runs an external tool synchronously; failures are logged, never returned. The tool runs
    // in workingDirectory when one is given, else in ours.
    void runTool(const QString &program, const QStringList &arguments,
                 const QString &workingDirectory = QString());
    void runCommand(const ORNAToolCommand &command);

    // Where the registered desktop entry files are kept: <install>/Uninstaller/desktopEntries/.
    QString desktopEntriesDirectory() const;

    // Hands every icon below <install>/bin/icons/<size>x.../ to processIcon.
    void installIcons();

    // Registers (installer) or unregisters (uninstaller) one icon of the given pixel size.
    virtual void processIcon(const QString &iconFile, const QString &size) = 0;

public Q_SLOTS:
    virtual void logMessage(const QString &message);
    virtual void logError(const QString &message);
    // Each engine reacts to the page the wizard shows.
    virtual void currentPageChanged(int id) = 0;

protected:
    // Sets up the wizard shared by both engines: style, pictures, page-change connection. It
    // takes ownWizard (a parentless wizard) when one is given, else it creates a plain one.
    void createWizard(QWizard *ownWizard = nullptr);
    // Runs work to its end. With a wizard it runs on a worker thread while the event loop
    // turns, so that the window is drawn, the busy bar moves and the log fills; what it logged
    // has reached the log when this returns. Closing the window does not cut it short.
    void runWork(const std::function<void()> &work);
    // Off the engine's own thread: queues log to it and returns true.
    bool passedToOwnThread(const std::function<void()> &log);

    ORNAInstallerSettings settings;
    QString applicationDirectory;
    QString installDirectory;
    QString tempDirectory;
    bool logToPage = false;
    bool verbose = false;
    QWizard *wizard = nullptr;
};

#endif // ORNAINSTALLERBASE_H
